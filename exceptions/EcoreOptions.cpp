// The options object: construction, defaults, assignment, the setters and the
// shared-data-write counter.
#include "Ecore.h"

#include "Econsts.h"
#include "framework/exceptions.h"
#include "framework/format.h"

TVantrelModuleOptions::TVantrelModuleOptions(const std::string& moduleName)
    : FModuleName(moduleName), FModuleHandle(ModuleHandleOf(moduleName))
{
    // A virtual call here reaches this class's own operations only, so a subclass's
    // StoreSharedData is not called for the defaults.
    SetToDefaultOptions();
}

TVantrelModuleOptions::~TVantrelModuleOptions() = default;

void TVantrelModuleOptions::BulkChange(const std::function<void()>& change)
{
    DisableSharedDataWrite();
    try {
        change();
    } catch (...) {
        EnableSharedDataWrite();
        throw;
    }
    EnableSharedDataWrite();
    SaveToSharedData();
}

void TVantrelModuleOptions::SaveToSharedData()
{
    if (FSharedDataWriteCounter == 0 && FModuleHandle == ThisModuleHandle()) StoreSharedData();
}

void TVantrelModuleOptions::StoreSharedData() {}

void TVantrelModuleOptions::LoadSharedData() {}

void TVantrelModuleOptions::SetToDefaultOptions()
{
    BulkChange([this] {
        SetActivateLog(false);
        SetActivateHandle(true);
        SetLogOptions({loSaveModulesAndProcessesSections, loSaveAssemblerAndCPUSections});
        SetAppendLogs(false);
        SetSaveLogFile(true);
        SetForegroundTab(ftGeneral);
        SetFreezeActivate(false);
        SetFreezeTimeout(60);
        SetSMTPFrom(std::string(DefaultSMTPFrom));
        SetSMTPHost({});
        SetSMTPPort(25);
        SetSMTPUserID({});
        SetSMTPPassword({});
        SetTerminateBtnOperation(tbRestart);
        SetErrorsNumberToSave(32);
        SetErrorsNumberToShowTerminateBtn(3);
        SetEMailAddresses({});
        SetEMailSubject({});
        SetEMailSendMode(esmNoSend);
        SetShowOptions(TShowOptions::All());
        SetOutputPath({});
        SetWebSendMode(wsmNoSend);
        SetWebURL({});
        SetWebUserID({});
        SetWebPassword({});
        SetWebPort(0);
        SetAttachedFiles({});
        SetCommonSendOptions({sndShowSendDialog, sndSendScreenshot, sndSendLastHTMLPage});
        SetExceptionDialogOptions({edoSendErrorReportChecked, edoAttachScreenshotChecked, edoShowCopyToClipOption,
                                   edoShowDetailsButton, edoShowSendErrorReportOption,
                                   edoShowAttachScreenshotOption});
        SetAutoCloseDialogSecs(0);
        SetSupportURL({});
        SetHTMLLayout(std::string(DefaultHTMLLayout));
        SetCallStackOptions({csoShowDLLs, csoShowBPLs, csoShowTarvikThreads, csoShowWindowsThreads});
        SetBehaviourOptions({boUseMainModuleOptions, boCopyLogInCaseOfError, boHandleSafeCallExceptions});
        SetLeaksOptions({loGroupsSonLeaks, loHideTarvikLeaks, loFreeAllLeaks, loCatchLeaksExceptions});
        SetAutoCrashOperation(tbRestart);
        SetAutoCrashNumber(10);
        SetAutoCrashMinutes(1);
        SetCompiledFileOptions({cfoReduceFileSize});
        SetExceptionDialogType(edtMSClassic);
        SetProxyURL({});
        SetProxyUserID({});
        SetProxyPassword({});
        SetProxyPort(8080);
        SetTrakerUserID({});
        SetTrakerPassword({});
        SetTrakerAssignTo({});
        SetTrakerProject({});
        SetTrakerCategory({});
        SetTrakerTrialID({});
        SetZipPassword({});
        FExceptionsFilters.Clear();
        SetEMailMessage({});
        for (int index = 0; index < MessageTypeCount; ++index) {
            const auto messageType = static_cast<TMessageType>(index);
            SetCustomizedTexts(messageType, std::string(DefaultMessageText(messageType)));
        }
        SetTextsCollection(std::string(DefaultTextsCollection));
        SetReproduceText({});
        SetPreBuildEvent({});
        SetPostSuccessfulBuildEvent({});
        SetPostFailureBuildEvent({});
    });
}

void TVantrelModuleOptions::Assign(const TVantrelModuleOptions* source)
{
    if (source == nullptr) throw EConvertError("Impossible to assign nil as TVantrelModuleOptions.");
    if (source == this) return;
    const TVantrelModuleOptions& s = *source;
    BulkChange([this, &s] {
        SetActivateLog(s.FActivateLog);
        SetActivateHandle(s.FActivateHandle);
        SetLogOptions(s.FLogOptions);
        SetAppendLogs(s.FAppendLogs);
        SetSaveLogFile(s.FSaveLogFile);
        SetForegroundTab(s.FForegroundTab);
        SetFreezeActivate(s.FFreezeActivate);
        SetFreezeTimeout(s.FFreezeTimeout);
        SetSMTPFrom(s.FSMTPFrom);
        SetSMTPHost(s.FSMTPHost);
        SetSMTPPort(s.FSMTPPort);
        SetSMTPUserID(s.FSMTPUserID);
        SetSMTPPassword(s.FSMTPPassword);
        SetTerminateBtnOperation(s.FTerminateBtnOperation);
        SetErrorsNumberToSave(s.FErrorsNumberToSave);
        SetErrorsNumberToShowTerminateBtn(s.FErrorsNumberToShowTerminateBtn);
        SetEMailAddresses(s.FEMailAddresses);
        SetEMailSubject(s.FEMailSubject);
        SetEMailSendMode(s.FEMailSendMode);
        SetShowOptions(s.FShowOptions);
        SetOutputPath(s.FOutputPath);
        SetWebSendMode(s.FWebSendMode);
        SetWebURL(s.FWebURL);
        SetWebUserID(s.FWebUserID);
        SetWebPassword(s.FWebPassword);
        SetWebPort(s.FWebPort);
        SetAttachedFiles(s.FAttachedFiles);
        SetCommonSendOptions(s.FCommonSendOptions);
        SetExceptionDialogOptions(s.FExceptionDialogOptions);
        SetAutoCloseDialogSecs(s.FAutoCloseDialogSecs);
        SetSupportURL(s.FSupportURL);
        SetHTMLLayout(s.FHTMLLayout);
        SetCallStackOptions(s.FCallStackOptions);
        SetBehaviourOptions(s.FBehaviourOptions);
        SetLeaksOptions(s.FLeaksOptions);
        SetAutoCrashOperation(s.FAutoCrashOperation);
        SetAutoCrashNumber(s.FAutoCrashNumber);
        SetAutoCrashMinutes(s.FAutoCrashMinutes);
        SetCompiledFileOptions(s.FCompiledFileOptions);
        SetExceptionDialogType(s.FExceptionDialogType);
        SetProxyURL(s.FProxyURL);
        SetProxyUserID(s.FProxyUserID);
        SetProxyPassword(s.FProxyPassword);
        SetProxyPort(s.FProxyPort);
        SetTrakerUserID(s.FTrakerUserID);
        SetTrakerPassword(s.FTrakerPassword);
        SetTrakerAssignTo(s.FTrakerAssignTo);
        SetTrakerProject(s.FTrakerProject);
        SetTrakerCategory(s.FTrakerCategory);
        SetTrakerTrialID(s.FTrakerTrialID);
        SetZipPassword(s.FZipPassword);
        FExceptionsFilters.Assign(s.FExceptionsFilters);
        SetEMailMessage(s.FEMailMessage);
        FCustomizedTexts = s.FCustomizedTexts;
        SetTextsCollection(s.FTextsCollection);
        SetReproduceText(s.FReproduceText);
        SetPreBuildEvent(s.FPreBuildEvent);
        SetPostSuccessfulBuildEvent(s.FPostSuccessfulBuildEvent);
        SetPostFailureBuildEvent(s.FPostFailureBuildEvent);
    });
}

namespace {

unsigned MessageTypeIndex(TMessageType messageType)
{
    const auto index = static_cast<unsigned>(messageType);
    if (index >= static_cast<unsigned>(MessageTypeCount)) {
        throw EListError(Format("Message type out of range (%d)", {static_cast<int>(index)}));
    }
    return index;
}

}  // namespace

const std::string& TVantrelModuleOptions::GetCustomizedTexts(TMessageType messageType) const
{
    return FCustomizedTexts[MessageTypeIndex(messageType)];
}

void TVantrelModuleOptions::SetCustomizedTexts(TMessageType messageType, const std::string& text)
{
    Store(FCustomizedTexts[MessageTypeIndex(messageType)], text);
}

void TVantrelModuleOptions::SetActive(bool value) { Store(FActive, value); }
void TVantrelModuleOptions::SetFreezeActivate(bool value) { Store(FFreezeActivate, value); }

void TVantrelModuleOptions::SetErrorsNumberToSave(int value)
{
    // The log keeps at least the report being written: 0 would mean "keep none".
    Store(FErrorsNumberToSave, value == 0 ? 1 : value);
}

void TVantrelModuleOptions::SetExceptionsFilters(const TVantrelExceptionsFilters& value)
{
    FExceptionsFilters.Assign(value);
}

void TVantrelModuleOptions::SetReproduceText(const std::string& value) { Store(FReproduceText, value); }
void TVantrelModuleOptions::SetPreBuildEvent(const std::string& value) { Store(FPreBuildEvent, value); }
void TVantrelModuleOptions::SetPostSuccessfulBuildEvent(const std::string& value) { Store(FPostSuccessfulBuildEvent, value); }
void TVantrelModuleOptions::SetPostFailureBuildEvent(const std::string& value) { Store(FPostFailureBuildEvent, value); }
void TVantrelModuleOptions::SetActivateLog(bool value) { Store(FActivateLog, value); }
void TVantrelModuleOptions::SetActivateHandle(bool value) { Store(FActivateHandle, value); }
void TVantrelModuleOptions::SetLogOptions(TLogOptions value) { Store(FLogOptions, value); }
void TVantrelModuleOptions::SetAppendLogs(bool value) { Store(FAppendLogs, value); }
void TVantrelModuleOptions::SetSaveLogFile(bool value) { Store(FSaveLogFile, value); }
void TVantrelModuleOptions::SetForegroundTab(TForegroundType value) { Store(FForegroundTab, value); }
void TVantrelModuleOptions::SetFreezeTimeout(int value) { Store(FFreezeTimeout, value); }
void TVantrelModuleOptions::SetSMTPFrom(const std::string& value) { Store(FSMTPFrom, value); }
void TVantrelModuleOptions::SetSMTPHost(const std::string& value) { Store(FSMTPHost, value); }
void TVantrelModuleOptions::SetSMTPPort(std::uint16_t value) { Store(FSMTPPort, value); }
void TVantrelModuleOptions::SetSMTPUserID(const std::string& value) { Store(FSMTPUserID, value); }
void TVantrelModuleOptions::SetSMTPPassword(const std::string& value) { Store(FSMTPPassword, value); }
void TVantrelModuleOptions::SetTerminateBtnOperation(TTerminateBtnOperation value) { Store(FTerminateBtnOperation, value); }
void TVantrelModuleOptions::SetErrorsNumberToShowTerminateBtn(int value) { Store(FErrorsNumberToShowTerminateBtn, value); }
void TVantrelModuleOptions::SetEMailAddresses(const std::string& value) { Store(FEMailAddresses, value); }
void TVantrelModuleOptions::SetEMailSubject(const std::string& value) { Store(FEMailSubject, value); }
void TVantrelModuleOptions::SetEMailSendMode(TEmailSendMode value) { Store(FEMailSendMode, value); }
void TVantrelModuleOptions::SetShowOptions(TShowOptions value) { Store(FShowOptions, value); }
void TVantrelModuleOptions::SetOutputPath(const std::string& value) { Store(FOutputPath, value); }
void TVantrelModuleOptions::SetWebSendMode(TWebSendMode value) { Store(FWebSendMode, value); }
void TVantrelModuleOptions::SetWebURL(const std::string& value) { Store(FWebURL, value); }
void TVantrelModuleOptions::SetWebUserID(const std::string& value) { Store(FWebUserID, value); }
void TVantrelModuleOptions::SetWebPassword(const std::string& value) { Store(FWebPassword, value); }
void TVantrelModuleOptions::SetWebPort(int value) { Store(FWebPort, value); }
void TVantrelModuleOptions::SetAttachedFiles(const std::string& value) { Store(FAttachedFiles, value); }
void TVantrelModuleOptions::SetCommonSendOptions(TCommonSendOptions value) { Store(FCommonSendOptions, value); }
void TVantrelModuleOptions::SetExceptionDialogOptions(TExceptionDialogOptions value) { Store(FExceptionDialogOptions, value); }
void TVantrelModuleOptions::SetAutoCloseDialogSecs(int value) { Store(FAutoCloseDialogSecs, value); }
void TVantrelModuleOptions::SetSupportURL(const std::string& value) { Store(FSupportURL, value); }
void TVantrelModuleOptions::SetHTMLLayout(const std::string& value) { Store(FHTMLLayout, value); }
void TVantrelModuleOptions::SetCallStackOptions(TCallStackOptions value) { Store(FCallStackOptions, value); }
void TVantrelModuleOptions::SetBehaviourOptions(TBehaviourOptions value) { Store(FBehaviourOptions, value); }
void TVantrelModuleOptions::SetLeaksOptions(TLeaksOptions value) { Store(FLeaksOptions, value); }
void TVantrelModuleOptions::SetAutoCrashOperation(TTerminateBtnOperation value) { Store(FAutoCrashOperation, value); }
void TVantrelModuleOptions::SetAutoCrashNumber(int value) { Store(FAutoCrashNumber, value); }
void TVantrelModuleOptions::SetAutoCrashMinutes(int value) { Store(FAutoCrashMinutes, value); }
void TVantrelModuleOptions::SetCompiledFileOptions(TCompiledFileOptions value) { Store(FCompiledFileOptions, value); }
void TVantrelModuleOptions::SetExceptionDialogType(TExceptionDialogType value) { Store(FExceptionDialogType, value); }
void TVantrelModuleOptions::SetProxyURL(const std::string& value) { Store(FProxyURL, value); }
void TVantrelModuleOptions::SetProxyUserID(const std::string& value) { Store(FProxyUserID, value); }
void TVantrelModuleOptions::SetProxyPassword(const std::string& value) { Store(FProxyPassword, value); }
void TVantrelModuleOptions::SetProxyPort(std::uint16_t value) { Store(FProxyPort, value); }
void TVantrelModuleOptions::SetTrakerUserID(const std::string& value) { Store(FTrakerUserID, value); }
void TVantrelModuleOptions::SetTrakerPassword(const std::string& value) { Store(FTrakerPassword, value); }
void TVantrelModuleOptions::SetTrakerAssignTo(const std::string& value) { Store(FTrakerAssignTo, value); }
void TVantrelModuleOptions::SetTrakerProject(const std::string& value) { Store(FTrakerProject, value); }
void TVantrelModuleOptions::SetTrakerCategory(const std::string& value) { Store(FTrakerCategory, value); }
void TVantrelModuleOptions::SetTrakerTrialID(const std::string& value) { Store(FTrakerTrialID, value); }
void TVantrelModuleOptions::SetZipPassword(const std::string& value) { Store(FZipPassword, value); }
void TVantrelModuleOptions::SetEMailMessage(const std::string& value) { Store(FEMailMessage, value); }
void TVantrelModuleOptions::SetTextsCollection(const std::string& value) { Store(FTextsCollection, value); }
