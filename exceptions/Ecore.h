// The exception library's options store: the options of one module, their binary stream,
// the exception filters and the customized texts.
//
// The options object is portable: the stream, the filters, the texts' line rules and the
// shared-data-write counter need no platform call. The file operations (SaveToFile,
// LoadFromFile, the customized-texts INI file) and the module-handle lookup are defined in
// the Windows build only; the host build stubs the handle lookup (always null) and the
// stream files (they raise).
//
// An options object is used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "Etypes.h"
#include "framework/lists.h"
#include "framework/object.h"
#include "framework/streams.h"

// The data version this library writes and the newest it reads.
constexpr int VantrelLogCurrentVersion = 6015;
// The oldest data version whose options stream LoadFromStream reads.
constexpr int VantrelLogOldestStreamVersion = 6000;

// The data version of the block whose options LoadFromStream is reading; 0 when no block
// is being loaded (a stream of the current version then). The block loader sets it around
// its call and restores it afterwards.
extern int LastVantrelVersion;

// The handle of the loaded module named moduleName (GetModuleHandleA); null for an empty
// name or a module that is not loaded. Always null in the host build.
void* ModuleHandleOf(const std::string& moduleName);
// The handle of the module that carries this copy of the library. Null in the host build.
void* ThisModuleHandle();

class TVantrelModuleOptions;

// One exception filter (matching is done by the handling flow).
struct TVantrelExceptionFilter {
    bool Enabled = true;
    std::string ClassNameText;
    // A custom error message; may hold environment-variable references.
    std::string MessageText;
    TFilterExceptionType ScopeType = fetAll;
    TFilterDialogType DialogKind = fdtNone;
    TFilterHandlerType HandlerKind = fhtNone;
    TFilterActionType ActionKind = fatNone;

    friend bool operator==(const TVantrelExceptionFilter&, const TVantrelExceptionFilter&) = default;
};

// The exception filters of an options object, which owns the list and is named at
// construction. The list owns its records. Every change writes the owner's options to
// the shared memory (TVantrelModuleOptions::SaveToSharedData).
class TVantrelExceptionsFilters : public TList {
    RUNTIME_CLASS(TVantrelExceptionsFilters, TList)
public:
    // owner: not null, outlives the list.
    explicit TVantrelExceptionsFilters(TVantrelModuleOptions* owner) noexcept : FOwner(owner) {}
    ~TVantrelExceptionsFilters() override;

    TVantrelModuleOptions* Owner() const noexcept { return FOwner; }

    // Appends a copy of item; returns its index.
    int Add(const TVantrelExceptionFilter& item);
    // Inserts a copy of item before index (0 to Count()); raises EListError otherwise.
    void Insert(int index, const TVantrelExceptionFilter& item);
    // Removes and frees the record at index; raises EListError for a bad index.
    void Delete(int index);
    // Removes and frees every record.
    void Clear();
    // The record at index, owned by the list (valid until it is deleted); raises EListError
    // for a bad index. Changes go through SetItem so that they reach the shared memory.
    const TVantrelExceptionFilter* GetItem(int index) const;
    // Replaces the record at index with a copy of item; raises EListError for a bad index.
    void SetItem(int index, const TVantrelExceptionFilter& item);
    // Makes this list a deep copy of other's records (other may be this list).
    void Assign(const TVantrelExceptionsFilters& other);

protected:
    void Notify(void* item, TListNotification action) override;

private:
    // The untyped operations of TList would bypass the owned records and the shared-data
    // write, so they are not offered here.
    using TList::Exchange;
    using TList::Extract;
    using TList::Items;
    using TList::Move;
    using TList::Pack;
    using TList::Remove;
    using TList::SetCount;
    using TList::SetItems;
    using TList::Sort;

    void Changed();

    TVantrelModuleOptions* FOwner;
};

class TVantrelModuleOptions : public TObject {
    RUNTIME_CLASS(TVantrelModuleOptions, TObject)
public:
    // Sets the module (its handle from ModuleHandleOf), creates the filter list and applies
    // SetToDefaultOptions. Active starts true.
    explicit TVantrelModuleOptions(const std::string& moduleName);
    ~TVantrelModuleOptions() override;
    TVantrelModuleOptions(const TVantrelModuleOptions&) = delete;
    TVantrelModuleOptions& operator=(const TVantrelModuleOptions&) = delete;

    // The virtual operations, in this order.
    virtual void SetActive(bool value);
    virtual void SetFreezeActivate(bool value);
    // Copies every option of the stream and ReproduceText, PreBuildEvent,
    // PostSuccessfulBuildEvent and PostFailureBuildEvent; not Active, ModuleName or
    // ModuleHandle. A null source raises EConvertError "Impossible to assign nil as
    // TVantrelModuleOptions."; the object itself as source does nothing. Writes the shared
    // memory once at the end.
    virtual void Assign(const TVantrelModuleOptions* source);
    // Every option of the stream and the strings of the non-stream list back to their
    // defaults (Active, ModuleName and ModuleHandle stay). Writes the shared memory once.
    virtual void SetToDefaultOptions();
    // Writes the options stream at stream's position; raises EWriteError when the stream
    // takes fewer bytes.
    virtual void SaveToStream(TStream& stream);
    // Writes the options stream as the whole content of the file (created or emptied);
    // raises EFCreateError / EWriteError. Windows build only.
    virtual void SaveToFile(const std::string& fileName);
    // Reads an options stream of data version LastVantrelVersion (the current version
    // when it is 0) from stream's position. Raises EReadError for a version below 6000 or
    // above the current one, and for a truncated or malformed stream (a string or filter
    // count larger than the bytes left, an enumeration or set value that names no
    // member); the object may then be partly loaded but stays valid. Writes the shared
    // memory once at the end of a successful load.
    virtual void LoadFromStream(TStream& stream);
    // Reads the options stream that makes up the whole file; raises EFOpenError and the
    // errors of LoadFromStream. Windows build only.
    virtual void LoadFromFile(const std::string& fileName);
    // Write and read the options through the module's shared memory; nothing here (the
    // activation's subclass overrides them).
    virtual void StoreSharedData();
    virtual void LoadSharedData();

    // Calls StoreSharedData when the shared-data-write counter is zero and the options
    // belong to this module (ModuleHandle() == ThisModuleHandle()).
    void SaveToSharedData();
    // Bulk changes: between Disable and Enable no setter writes the shared memory.
    // Calls nest; each Disable needs one Enable.
    void DisableSharedDataWrite() noexcept { ++FSharedDataWriteCounter; }
    void EnableSharedDataWrite() noexcept
    {
        if (FSharedDataWriteCounter > 0) --FSharedDataWriteCounter;
    }
    int SharedDataWriteCounter() const noexcept { return FSharedDataWriteCounter; }

    // The customized text of messageType; a value that names no member of TMessageType
    // raises EListError "Message type out of range (%d)" (also in the setter).
    const std::string& GetCustomizedTexts(TMessageType messageType) const;
    // The text with its environment-variable references expanded (ExpandEnvVars).
    std::string GetCustomizedExpandedTexts(TMessageType messageType) const;
    void SetCustomizedTexts(TMessageType messageType, const std::string& text);
    // The customized-texts INI file (section "Exception Log"). Loading keeps the text of
    // every message type whose count is missing or not positive; afterwards (and after
    // saving) TextsCollection becomes the file's name without folder and extension.
    // Loading a missing file raises EFOpenError; saving raises EIniFileException when the
    // platform refuses the write. A name without a folder is looked up by the platform
    // (in the Windows directory). Windows build only.
    void LoadCustomizedTextsFromFile(const std::string& fileName);
    void SaveCustomizedTextsToFile(const std::string& fileName);

    // The path for an output file and of the log file (an empty fileName means the
    // options' module); see the output-file rules of the helpers. Windows build only.
    std::string OutputFile(const std::string& fileName) const;
    std::string OutputLogFile(const std::string& fileName) const;

    // Options outside the stream.
    bool Active() const noexcept { return FActive; }
    const std::string& ModuleName() const noexcept { return FModuleName; }
    void* ModuleHandle() const noexcept { return FModuleHandle; }
    const std::string& ReproduceText() const noexcept { return FReproduceText; }
    void SetReproduceText(const std::string& value);
    const std::string& PreBuildEvent() const noexcept { return FPreBuildEvent; }
    void SetPreBuildEvent(const std::string& value);
    const std::string& PostSuccessfulBuildEvent() const noexcept { return FPostSuccessfulBuildEvent; }
    void SetPostSuccessfulBuildEvent(const std::string& value);
    const std::string& PostFailureBuildEvent() const noexcept { return FPostFailureBuildEvent; }
    void SetPostFailureBuildEvent(const std::string& value);

    // The options of the stream, in stream order.
    bool ActivateLog() const noexcept { return FActivateLog; }
    void SetActivateLog(bool value);
    bool ActivateHandle() const noexcept { return FActivateHandle; }
    void SetActivateHandle(bool value);
    TLogOptions LogOptions() const noexcept { return FLogOptions; }
    void SetLogOptions(TLogOptions value);
    bool AppendLogs() const noexcept { return FAppendLogs; }
    void SetAppendLogs(bool value);
    bool SaveLogFile() const noexcept { return FSaveLogFile; }
    void SetSaveLogFile(bool value);
    TForegroundType ForegroundTab() const noexcept { return FForegroundTab; }
    void SetForegroundTab(TForegroundType value);
    bool FreezeActivate() const noexcept { return FFreezeActivate; }
    // In seconds.
    int FreezeTimeout() const noexcept { return FFreezeTimeout; }
    void SetFreezeTimeout(int value);
    const std::string& SMTPFrom() const noexcept { return FSMTPFrom; }
    void SetSMTPFrom(const std::string& value);
    const std::string& SMTPHost() const noexcept { return FSMTPHost; }
    void SetSMTPHost(const std::string& value);
    std::uint16_t SMTPPort() const noexcept { return FSMTPPort; }
    void SetSMTPPort(std::uint16_t value);
    const std::string& SMTPUserID() const noexcept { return FSMTPUserID; }
    void SetSMTPUserID(const std::string& value);
    const std::string& SMTPPassword() const noexcept { return FSMTPPassword; }
    void SetSMTPPassword(const std::string& value);
    TTerminateBtnOperation TerminateBtnOperation() const noexcept { return FTerminateBtnOperation; }
    void SetTerminateBtnOperation(TTerminateBtnOperation value);
    // Never 0: the setter stores 1 for 0.
    int ErrorsNumberToSave() const noexcept { return FErrorsNumberToSave; }
    void SetErrorsNumberToSave(int value);
    int ErrorsNumberToShowTerminateBtn() const noexcept { return FErrorsNumberToShowTerminateBtn; }
    void SetErrorsNumberToShowTerminateBtn(int value);
    const std::string& EMailAddresses() const noexcept { return FEMailAddresses; }
    void SetEMailAddresses(const std::string& value);
    const std::string& EMailSubject() const noexcept { return FEMailSubject; }
    void SetEMailSubject(const std::string& value);
    TEmailSendMode EMailSendMode() const noexcept { return FEMailSendMode; }
    void SetEMailSendMode(TEmailSendMode value);
    TShowOptions ShowOptions() const noexcept { return FShowOptions; }
    void SetShowOptions(TShowOptions value);
    const std::string& OutputPath() const noexcept { return FOutputPath; }
    void SetOutputPath(const std::string& value);
    TWebSendMode WebSendMode() const noexcept { return FWebSendMode; }
    void SetWebSendMode(TWebSendMode value);
    const std::string& WebURL() const noexcept { return FWebURL; }
    void SetWebURL(const std::string& value);
    const std::string& WebUserID() const noexcept { return FWebUserID; }
    void SetWebUserID(const std::string& value);
    const std::string& WebPassword() const noexcept { return FWebPassword; }
    void SetWebPassword(const std::string& value);
    int WebPort() const noexcept { return FWebPort; }
    void SetWebPort(int value);
    const std::string& AttachedFiles() const noexcept { return FAttachedFiles; }
    void SetAttachedFiles(const std::string& value);
    TCommonSendOptions CommonSendOptions() const noexcept { return FCommonSendOptions; }
    void SetCommonSendOptions(TCommonSendOptions value);
    TExceptionDialogOptions ExceptionDialogOptions() const noexcept { return FExceptionDialogOptions; }
    void SetExceptionDialogOptions(TExceptionDialogOptions value);
    int AutoCloseDialogSecs() const noexcept { return FAutoCloseDialogSecs; }
    void SetAutoCloseDialogSecs(int value);
    const std::string& SupportURL() const noexcept { return FSupportURL; }
    void SetSupportURL(const std::string& value);
    const std::string& HTMLLayout() const noexcept { return FHTMLLayout; }
    void SetHTMLLayout(const std::string& value);
    TCallStackOptions CallStackOptions() const noexcept { return FCallStackOptions; }
    void SetCallStackOptions(TCallStackOptions value);
    TBehaviourOptions BehaviourOptions() const noexcept { return FBehaviourOptions; }
    void SetBehaviourOptions(TBehaviourOptions value);
    TLeaksOptions LeaksOptions() const noexcept { return FLeaksOptions; }
    void SetLeaksOptions(TLeaksOptions value);
    TTerminateBtnOperation AutoCrashOperation() const noexcept { return FAutoCrashOperation; }
    void SetAutoCrashOperation(TTerminateBtnOperation value);
    int AutoCrashNumber() const noexcept { return FAutoCrashNumber; }
    void SetAutoCrashNumber(int value);
    int AutoCrashMinutes() const noexcept { return FAutoCrashMinutes; }
    void SetAutoCrashMinutes(int value);
    TCompiledFileOptions CompiledFileOptions() const noexcept { return FCompiledFileOptions; }
    void SetCompiledFileOptions(TCompiledFileOptions value);
    TExceptionDialogType ExceptionDialogType() const noexcept { return FExceptionDialogType; }
    void SetExceptionDialogType(TExceptionDialogType value);
    const std::string& ProxyURL() const noexcept { return FProxyURL; }
    void SetProxyURL(const std::string& value);
    const std::string& ProxyUserID() const noexcept { return FProxyUserID; }
    void SetProxyUserID(const std::string& value);
    const std::string& ProxyPassword() const noexcept { return FProxyPassword; }
    void SetProxyPassword(const std::string& value);
    std::uint16_t ProxyPort() const noexcept { return FProxyPort; }
    void SetProxyPort(std::uint16_t value);
    const std::string& TrakerUserID() const noexcept { return FTrakerUserID; }
    void SetTrakerUserID(const std::string& value);
    const std::string& TrakerPassword() const noexcept { return FTrakerPassword; }
    void SetTrakerPassword(const std::string& value);
    const std::string& TrakerAssignTo() const noexcept { return FTrakerAssignTo; }
    void SetTrakerAssignTo(const std::string& value);
    const std::string& TrakerProject() const noexcept { return FTrakerProject; }
    void SetTrakerProject(const std::string& value);
    const std::string& TrakerCategory() const noexcept { return FTrakerCategory; }
    void SetTrakerCategory(const std::string& value);
    const std::string& TrakerTrialID() const noexcept { return FTrakerTrialID; }
    void SetTrakerTrialID(const std::string& value);
    const std::string& ZipPassword() const noexcept { return FZipPassword; }
    void SetZipPassword(const std::string& value);
    // Owned by the options; change it through its own operations.
    TVantrelExceptionsFilters& ExceptionsFilters() noexcept { return FExceptionsFilters; }
    const TVantrelExceptionsFilters& ExceptionsFilters() const noexcept { return FExceptionsFilters; }
    // A deep copy of value's records.
    void SetExceptionsFilters(const TVantrelExceptionsFilters& value);
    const std::string& EMailMessage() const noexcept { return FEMailMessage; }
    void SetEMailMessage(const std::string& value);
    const std::string& TextsCollection() const noexcept { return FTextsCollection; }
    void SetTextsCollection(const std::string& value);

private:
    // Runs change with the shared-data write disabled, then writes once; an exception
    // from change skips the write (and passes on).
    void BulkChange(const std::function<void()>& change);
    // What every setter does: store, then write the shared memory.
    template <typename T, typename V>
    void Store(T& field, V&& value)
    {
        field = std::forward<V>(value);
        SaveToSharedData();
    }

    int FSharedDataWriteCounter = 0;

    bool FActive = true;
    std::string FModuleName;
    void* FModuleHandle = nullptr;
    std::string FReproduceText;
    std::string FPreBuildEvent;
    std::string FPostSuccessfulBuildEvent;
    std::string FPostFailureBuildEvent;

    bool FActivateLog = false;
    bool FActivateHandle = true;
    TLogOptions FLogOptions;
    bool FAppendLogs = false;
    bool FSaveLogFile = true;
    TForegroundType FForegroundTab = ftGeneral;
    bool FFreezeActivate = false;
    int FFreezeTimeout = 60;
    std::string FSMTPFrom;
    std::string FSMTPHost;
    std::uint16_t FSMTPPort = 25;
    std::string FSMTPUserID;
    std::string FSMTPPassword;
    TTerminateBtnOperation FTerminateBtnOperation = tbRestart;
    int FErrorsNumberToSave = 32;
    int FErrorsNumberToShowTerminateBtn = 3;
    std::string FEMailAddresses;
    std::string FEMailSubject;
    TEmailSendMode FEMailSendMode = esmNoSend;
    TShowOptions FShowOptions;
    std::string FOutputPath;
    TWebSendMode FWebSendMode = wsmNoSend;
    std::string FWebURL;
    std::string FWebUserID;
    std::string FWebPassword;
    int FWebPort = 0;
    std::string FAttachedFiles;
    TCommonSendOptions FCommonSendOptions;
    TExceptionDialogOptions FExceptionDialogOptions;
    int FAutoCloseDialogSecs = 0;
    std::string FSupportURL;
    std::string FHTMLLayout;
    TCallStackOptions FCallStackOptions;
    TBehaviourOptions FBehaviourOptions;
    TLeaksOptions FLeaksOptions;
    TTerminateBtnOperation FAutoCrashOperation = tbRestart;
    int FAutoCrashNumber = 10;
    int FAutoCrashMinutes = 1;
    TCompiledFileOptions FCompiledFileOptions;
    TExceptionDialogType FExceptionDialogType = edtMSClassic;
    std::string FProxyURL;
    std::string FProxyUserID;
    std::string FProxyPassword;
    std::uint16_t FProxyPort = 8080;
    std::string FTrakerUserID;
    std::string FTrakerPassword;
    std::string FTrakerAssignTo;
    std::string FTrakerProject;
    std::string FTrakerCategory;
    std::string FTrakerTrialID;
    std::string FZipPassword;
    TVantrelExceptionsFilters FExceptionsFilters{this};
    std::string FEMailMessage;
    std::array<std::string, MessageTypeCount> FCustomizedTexts;
    std::string FTextsCollection;
};
