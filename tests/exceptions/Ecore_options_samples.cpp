#include "Ecore_options_samples.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include "framework/sysutils.h"
#endif

#include "framework/streams.h"
#include "framework/strutils.h"

// The setters and filter additions ApplyNonDefaultOptions makes, each of which writes once.
const int NonDefaultSetterCalls = 65;

void ApplyNonDefaultOptions(TVantrelModuleOptions& o)
{
    o.SetActivateLog(true);
    o.SetActivateHandle(false);
    o.SetLogOptions({loNoDuplicateErrors, loAddComputerNameInLogFileName, loSaveAssemblerAndCPUSections});
    o.SetAppendLogs(true);
    o.SetSaveLogFile(false);
    o.SetForegroundTab(ftCPU);
    o.SetFreezeActivate(true);
    o.SetFreezeTimeout(125);
    o.SetSMTPFrom("sender@test.invalid");
    o.SetSMTPHost("smtp.test.invalid");
    o.SetSMTPPort(587);
    o.SetSMTPUserID("mailer");
    o.SetSMTPPassword("p\xE4ss w\"rd");
    o.SetTerminateBtnOperation(tbTerminate);
    o.SetErrorsNumberToSave(0);
    o.SetErrorsNumberToShowTerminateBtn(-1);
    o.SetEMailAddresses("a@test.invalid;b@test.invalid");
    o.SetEMailSubject("Bug in %_MainModuleName%");
    o.SetEMailSendMode(esmSMTPServer);
    o.SetShowOptions(TShowOptions::All() - TShowOptions{soAppStartDate, soNetIP, soCustomData});
    o.SetOutputPath("C:\\Logs\\app.elf");
    o.SetWebSendMode(wsmMantis);
    o.SetWebURL("https://tracker.test.invalid/");
    o.SetWebUserID("webuser");
    o.SetWebPassword("webpass");
    o.SetWebPort(8443);
    o.SetAttachedFiles("C:\\a.txt;C:\\b.txt");
    o.SetCommonSendOptions({sndShowSuccessFailureMsg, sndSendXMLLogCopy, sndAddComputerNameInFileName});
    o.SetExceptionDialogOptions({edoShowInTopMostMode, edoUseVantrelLogLookAndFeel, edoShowCustomButton});
    o.SetAutoCloseDialogSecs(30);
    o.SetSupportURL("http://support.test.invalid/\r\n");
    o.SetHTMLLayout("<html><body><%HTML_TAG%></body></html>");
    o.SetCallStackOptions({csoDoNotStoreProcNames});
    o.SetBehaviourOptions({boPauseTarvikThreads, boSaveCompressedCopyInCaseOfError, boCatchHandledExceptions});
    o.SetLeaksOptions({loCatchLeaks});
    o.SetAutoCrashOperation(tbNone);
    o.SetAutoCrashNumber(0x7FFFFFFF);
    o.SetAutoCrashMinutes(-0x7FFFFFFF - 1);
    o.SetCompiledFileOptions({});
    o.SetExceptionDialogType(edtVantrelLog);
    o.SetProxyURL("proxy.test.invalid");
    o.SetProxyUserID("proxyuser");
    o.SetProxyPassword("proxypass");
    o.SetProxyPort(0xFFFF);
    o.SetTrakerUserID("trakeruser");
    o.SetTrakerPassword("trakerpass");
    o.SetTrakerAssignTo("developer");
    o.SetTrakerProject("Project X");
    o.SetTrakerCategory("Crashes");
    o.SetTrakerTrialID("T-1");
    o.SetZipPassword("zip");

    TVantrelExceptionsFilters& filters = o.ExceptionsFilters();
    filters.Add({true, "EAccessViolation", "", fetHandled, fdtVantrelLog, fhtRTL, fatRestart});
    filters.Add({false, "EAbort", "Ignored: %_ExceptMsg%", fetUnhandled, fdtUnchanged, fhtVantrelLog, fatTerminate});
    filters.Add({true, "", "\r\n", fetAll, fdtNone, fhtNone, fatNone});

    o.SetEMailMessage("Line 1\r\nLine 2\r\n");
    o.SetCustomizedTexts(mtInformationMsgCaption, "Info!");
    o.SetCustomizedTexts(mtDialog_ErrorMsgCaption, "Two\r\nlines");
    o.SetCustomizedTexts(mtLog_CmpTotalMemory, "");
    o.SetCustomizedTexts(mtReserved153, "now used");
    o.SetCustomizedTexts(mtInvalidEmailMsg, "Bad address.");
    o.SetTextsCollection("Deutsch");

    o.SetReproduceText("Click twice.");
    o.SetPreBuildEvent("pre.cmd");
    o.SetPostSuccessfulBuildEvent("ok.cmd");
    o.SetPostFailureBuildEvent("failed.cmd");
}

std::string FixturePath(const std::string& name)
{
#ifdef _WIN32
    const std::string exe = GetModuleName(nullptr);
    if (exe.empty()) throw std::runtime_error("the test exe's file name cannot be read");
    return ExtractFilePath(exe) + name;
#else
    return std::string(ZV_ECORE_FIXTURE_DIR) + "/" + name;
#endif
}

std::string OwnModuleName()
{
#ifdef _WIN32
    return GetModuleName(nullptr);
#else
    return {};
#endif
}

std::string ReadFixture(const std::string& name)
{
    std::ifstream in(FixturePath(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the fixture " + FixturePath(name));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string SavedStream(TVantrelModuleOptions& options)
{
    TMemoryStream stream;
    options.SaveToStream(stream);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

void LoadStream(TVantrelModuleOptions& options, const std::string& bytes, int dataVersion)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream.SetPosition(0);
    const int saved = LastVantrelVersion;
    LastVantrelVersion = dataVersion;
    try {
        options.LoadFromStream(stream);
    } catch (...) {
        LastVantrelVersion = saved;
        throw;
    }
    LastVantrelVersion = saved;
}
