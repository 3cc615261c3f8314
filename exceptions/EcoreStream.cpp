// The options stream (data version 6000 and later): SaveToStream and LoadFromStream.
//
// Layout: the options in stream order, Booleans and enumerations 1 byte, Word 2 bytes,
// Integer 4 bytes (little-endian), each set at its stored width with member n at bit n;
// a string is a 32-bit length and its bytes XORed with StringKey; the filter list is a
// 32-bit count and per filter Enabled, ClassNameText, MessageText and the four kinds;
// the 158 customized texts in index order; TextsCollection last.
//
// The reader trusts nothing: every length and count is checked against the bytes left
// before anything is allocated, and every enumeration and set value must name members.
#include <climits>
#include <cstdint>
#include <string>

#include "Ecore.h"
#include "framework/exceptions.h"
#include "framework/format.h"

int LastVantrelVersion = 0;

namespace {

// The one-byte key that scrambles every string of the stream; its own inverse.
constexpr std::uint8_t StringKey = 0xA7;

// The smallest stored filter: Enabled, two empty strings and the four kinds.
constexpr std::int64_t MinimumFilterBytes = 1 + 4 + 4 + 4;

// A string longer than one character whose first CR LF is its last two characters is
// stored without that CR LF (a single trailing line break is never meant as text).
std::string StreamForm(const std::string& text)
{
    if (text.size() > 1 && text.find("\r\n") == text.size() - 2) return text.substr(0, text.size() - 2);
    return text;
}

class TOptionsWriter {
public:
    void Byte(std::uint8_t value) { FBytes.push_back(static_cast<char>(value)); }
    void Bool(bool value) { Byte(value ? 1 : 0); }
    void Unsigned(std::uint64_t value, int bytes)
    {
        for (int index = 0; index < bytes; ++index) Byte(static_cast<std::uint8_t>(value >> (8 * index)));
    }
    void Word(std::uint16_t value) { Unsigned(value, 2); }
    void Integer(std::int32_t value) { Unsigned(static_cast<std::uint32_t>(value), 4); }
    template <typename S>
    void Set(S value)
    {
        Unsigned(value.Bits(), S::StoredBytes);
    }
    void String(const std::string& text)
    {
        const std::string stored = StreamForm(text);
        if (stored.size() > static_cast<std::size_t>(INT32_MAX)) throw EWriteError("Option text too long for the options stream");
        Integer(static_cast<std::int32_t>(stored.size()));
        for (char c : stored) Byte(static_cast<std::uint8_t>(c) ^ StringKey);
    }

    const std::string& Bytes() const noexcept { return FBytes; }

private:
    std::string FBytes;
};

[[noreturn]] void Malformed(const char* option, const char* fault)
{
    throw EReadError(Format("Invalid options stream: %s %s", {option, fault}));
}

class TOptionsReader {
public:
    explicit TOptionsReader(TStream& stream) : FStream(stream)
    {
        const std::int64_t size = stream.Size();
        const std::int64_t position = stream.Position();
        FLeft = size > position && position >= 0 ? size - position : 0;
    }

    std::uint64_t Unsigned(int bytes, const char* option)
    {
        unsigned char buffer[8];
        Take(buffer, bytes, option);
        std::uint64_t value = 0;
        for (int index = bytes - 1; index >= 0; --index) value = value << 8 | buffer[index];
        return value;
    }
    bool Bool(const char* option) { return Unsigned(1, option) != 0; }
    std::uint16_t Word(const char* option) { return static_cast<std::uint16_t>(Unsigned(2, option)); }
    std::int32_t Integer(const char* option) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(4, option))); }

    template <typename E>
    E Enum(int count, const char* option)
    {
        const std::uint64_t value = Unsigned(1, option);
        if (value >= static_cast<std::uint64_t>(count)) Malformed(option, "holds a value that names no member");
        return static_cast<E>(value);
    }

    template <typename S>
    S Set(const char* option)
    {
        const std::uint64_t bits = Unsigned(S::StoredBytes, option);
        if (!S::HasOnlyMemberBits(bits)) Malformed(option, "holds a bit that names no member");
        return S::FromBits(bits);
    }

    std::string String(const char* option)
    {
        const std::int32_t length = Integer(option);
        if (length < 0 || length > FLeft) Malformed(option, "has a length beyond the end of the stream");
        std::string text(static_cast<std::size_t>(length), '\0');
        Take(text.data(), length, option);
        for (char& c : text) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ StringKey);
        return text;
    }

    int FilterCount(const char* option)
    {
        const std::int32_t count = Integer(option);
        if (count < 0 || count > FLeft / MinimumFilterBytes) Malformed(option, "counts more filters than the stream holds");
        return count;
    }

private:
    void Take(void* buffer, std::int64_t count, const char* option)
    {
        if (count > FLeft) Malformed(option, "runs past the end of the stream");
        FStream.ReadBuffer(buffer, static_cast<int>(count));
        FLeft -= count;
    }

    TStream& FStream;
    std::int64_t FLeft = 0;
};

}  // namespace

void TVantrelModuleOptions::SaveToStream(TStream& stream)
{
    TOptionsWriter out;
    out.Bool(FActivateLog);
    out.Bool(FActivateHandle);
    out.Set(FLogOptions);
    out.Bool(FAppendLogs);
    out.Bool(FSaveLogFile);
    out.Byte(FForegroundTab);
    out.Bool(FFreezeActivate);
    out.Integer(FFreezeTimeout);
    out.String(FSMTPFrom);
    out.String(FSMTPHost);
    out.Word(FSMTPPort);
    out.String(FSMTPUserID);
    out.String(FSMTPPassword);
    out.Byte(FTerminateBtnOperation);
    out.Integer(FErrorsNumberToSave);
    out.Integer(FErrorsNumberToShowTerminateBtn);
    out.String(FEMailAddresses);
    out.String(FEMailSubject);
    out.Byte(FEMailSendMode);
    out.Set(FShowOptions);
    out.String(FOutputPath);
    out.Byte(FWebSendMode);
    out.String(FWebURL);
    out.String(FWebUserID);
    out.String(FWebPassword);
    out.Integer(FWebPort);
    out.String(FAttachedFiles);
    out.Set(FCommonSendOptions);
    out.Set(FExceptionDialogOptions);
    out.Integer(FAutoCloseDialogSecs);
    out.String(FSupportURL);
    out.String(FHTMLLayout);
    out.Set(FCallStackOptions);
    out.Set(FBehaviourOptions);
    out.Set(FLeaksOptions);
    out.Byte(FAutoCrashOperation);
    out.Integer(FAutoCrashNumber);
    out.Integer(FAutoCrashMinutes);
    out.Set(FCompiledFileOptions);
    out.Byte(FExceptionDialogType);
    out.String(FProxyURL);
    out.String(FProxyUserID);
    out.String(FProxyPassword);
    out.Word(FProxyPort);
    out.String(FTrakerUserID);
    out.String(FTrakerPassword);
    out.String(FTrakerAssignTo);
    out.String(FTrakerProject);
    out.String(FTrakerCategory);
    out.String(FTrakerTrialID);
    out.String(FZipPassword);
    out.Integer(FExceptionsFilters.Count());
    for (int index = 0; index < FExceptionsFilters.Count(); ++index) {
        const TVantrelExceptionFilter& filter = *FExceptionsFilters.GetItem(index);
        out.Bool(filter.Enabled);
        out.String(filter.ClassNameText);
        out.String(filter.MessageText);
        out.Byte(filter.ScopeType);
        out.Byte(filter.DialogKind);
        out.Byte(filter.HandlerKind);
        out.Byte(filter.ActionKind);
    }
    out.String(FEMailMessage);
    for (const std::string& text : FCustomizedTexts) out.String(text);
    out.String(FTextsCollection);

    const std::string& bytes = out.Bytes();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw EWriteError("Options stream too large");
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

void TVantrelModuleOptions::LoadFromStream(TStream& stream)
{
    const int version = LastVantrelVersion == 0 ? VantrelLogCurrentVersion : LastVantrelVersion;
    // Older streams leave out texts that a per-version table would have to name; read
    // with this layout they would shift every later value, so they are refused whole.
    if (version < VantrelLogOldestStreamVersion) {
        throw EReadError(Format("Options of data version %d cannot be read: the oldest readable version is %d",
                                {version, VantrelLogOldestStreamVersion}));
    }
    if (version > VantrelLogCurrentVersion) {
        throw EReadError(Format("Options of data version %d are newer than this library (%d)",
                                {version, VantrelLogCurrentVersion}));
    }
    BulkChange([this, &stream] {
        TOptionsReader in(stream);
        SetActivateLog(in.Bool("ActivateLog"));
        SetActivateHandle(in.Bool("ActivateHandle"));
        SetLogOptions(in.Set<TLogOptions>("LogOptions"));
        SetAppendLogs(in.Bool("AppendLogs"));
        SetSaveLogFile(in.Bool("SaveLogFile"));
        SetForegroundTab(in.Enum<TForegroundType>(ForegroundTypeCount, "ForegroundTab"));
        SetFreezeActivate(in.Bool("FreezeActivate"));
        SetFreezeTimeout(in.Integer("FreezeTimeout"));
        SetSMTPFrom(in.String("SMTPFrom"));
        SetSMTPHost(in.String("SMTPHost"));
        SetSMTPPort(in.Word("SMTPPort"));
        SetSMTPUserID(in.String("SMTPUserID"));
        SetSMTPPassword(in.String("SMTPPassword"));
        SetTerminateBtnOperation(in.Enum<TTerminateBtnOperation>(TerminateBtnOperationCount, "TerminateBtnOperation"));
        SetErrorsNumberToSave(in.Integer("ErrorsNumberToSave"));
        SetErrorsNumberToShowTerminateBtn(in.Integer("ErrorsNumberToShowTerminateBtn"));
        SetEMailAddresses(in.String("EMailAddresses"));
        SetEMailSubject(in.String("EMailSubject"));
        SetEMailSendMode(in.Enum<TEmailSendMode>(EmailSendModeCount, "EMailSendMode"));
        SetShowOptions(in.Set<TShowOptions>("ShowOptions"));
        SetOutputPath(in.String("OutputPath"));
        SetWebSendMode(in.Enum<TWebSendMode>(WebSendModeCount, "WebSendMode"));
        SetWebURL(in.String("WebURL"));
        SetWebUserID(in.String("WebUserID"));
        SetWebPassword(in.String("WebPassword"));
        SetWebPort(in.Integer("WebPort"));
        SetAttachedFiles(in.String("AttachedFiles"));
        SetCommonSendOptions(in.Set<TCommonSendOptions>("CommonSendOptions"));
        SetExceptionDialogOptions(in.Set<TExceptionDialogOptions>("ExceptionDialogOptions"));
        SetAutoCloseDialogSecs(in.Integer("AutoCloseDialogSecs"));
        SetSupportURL(in.String("SupportURL"));
        SetHTMLLayout(in.String("HTMLLayout"));
        SetCallStackOptions(in.Set<TCallStackOptions>("CallStackOptions"));
        SetBehaviourOptions(in.Set<TBehaviourOptions>("BehaviourOptions"));
        SetLeaksOptions(in.Set<TLeaksOptions>("LeaksOptions"));
        SetAutoCrashOperation(in.Enum<TTerminateBtnOperation>(TerminateBtnOperationCount, "AutoCrashOperation"));
        SetAutoCrashNumber(in.Integer("AutoCrashNumber"));
        SetAutoCrashMinutes(in.Integer("AutoCrashMinutes"));
        SetCompiledFileOptions(in.Set<TCompiledFileOptions>("CompiledFileOptions"));
        SetExceptionDialogType(in.Enum<TExceptionDialogType>(ExceptionDialogTypeCount, "ExceptionDialogType"));
        SetProxyURL(in.String("ProxyURL"));
        SetProxyUserID(in.String("ProxyUserID"));
        SetProxyPassword(in.String("ProxyPassword"));
        SetProxyPort(in.Word("ProxyPort"));
        SetTrakerUserID(in.String("TrakerUserID"));
        SetTrakerPassword(in.String("TrakerPassword"));
        SetTrakerAssignTo(in.String("TrakerAssignTo"));
        SetTrakerProject(in.String("TrakerProject"));
        SetTrakerCategory(in.String("TrakerCategory"));
        SetTrakerTrialID(in.String("TrakerTrialID"));
        SetZipPassword(in.String("ZipPassword"));
        const int filterCount = in.FilterCount("ExceptionsFilters");
        FExceptionsFilters.Clear();
        for (int index = 0; index < filterCount; ++index) {
            TVantrelExceptionFilter filter;
            filter.Enabled = in.Bool("ExceptionsFilters");
            filter.ClassNameText = in.String("ExceptionsFilters");
            filter.MessageText = in.String("ExceptionsFilters");
            filter.ScopeType = in.Enum<TFilterExceptionType>(FilterExceptionTypeCount, "ExceptionsFilters");
            filter.DialogKind = in.Enum<TFilterDialogType>(FilterDialogTypeCount, "ExceptionsFilters");
            filter.HandlerKind = in.Enum<TFilterHandlerType>(FilterHandlerTypeCount, "ExceptionsFilters");
            filter.ActionKind = in.Enum<TFilterActionType>(FilterActionTypeCount, "ExceptionsFilters");
            FExceptionsFilters.Add(filter);
        }
        SetEMailMessage(in.String("EMailMessage"));
        for (int index = 0; index < MessageTypeCount; ++index) {
            SetCustomizedTexts(static_cast<TMessageType>(index), in.String("CustomizedTexts"));
        }
        SetTextsCollection(in.String("TextsCollection"));
    });
}
