#!/usr/bin/env python3
"""Writes the options stream of the exception library (data version 6000 and later).

The stream is the options in table order, each at its stored width: Booleans and
enumerations 1 byte, Word 2 bytes, Integer 4 bytes (little-endian), `ShowOptions` 6 bytes,
`CommonSendOptions`, `ExceptionDialogOptions` and `BehaviourOptions` 2 bytes, the other sets
1 byte (member n at bit n); a string is a 32-bit length and its bytes XORed with 0xA7, a
string longer than one character whose first CR LF is its last two characters losing that
CR LF first; the filter list is a 32-bit count and per filter Enabled, ClassNameText,
MessageText and the four kinds; then EMailMessage, the 158 texts in index order and
TextsCollection.

This module is written from that layout alone, so that it can check the library's own
writer byte for byte.

    options_stream.py [--options FILE] OUTPUT

writes the stream of the options in FILE (see README.md for its format), or of the defaults,
to OUTPUT.
"""
import argparse
import struct
import sys

STRING_KEY = 0xA7

# Enumerations and sets: member order is the stored order.
ENUMS = {
    "TForegroundType": ["ftGeneral", "ftCallStack", "ftModules", "ftProcesses",
                        "ftAssembler", "ftCPU"],
    "TTerminateBtnOperation": ["tbNone", "tbTerminate", "tbRestart"],
    "TEmailSendMode": ["esmNoSend", "esmEmailClient", "esmSMTPClient", "esmSMTPServer"],
    "TWebSendMode": ["wsmNoSend", "wsmHTTP", "wsmHTTPS", "wsmFTP", "wsmBugZilla",
                     "wsmFogBugz", "wsmMantis"],
    "TExceptionDialogType": ["edtNone", "edtMessageBox", "edtMSClassic", "edtVantrelLog"],
    "TFilterExceptionType": ["fetAll", "fetHandled", "fetUnhandled"],
    "TFilterDialogType": ["fdtNone", "fdtUnchanged", "fdtMessageBox", "fdtMSClassic",
                          "fdtVantrelLog"],
    "TFilterHandlerType": ["fhtNone", "fhtRTL", "fhtVantrelLog"],
    "TFilterActionType": ["fatNone", "fatTerminate", "fatRestart"],
}

SETS = {
    "TLogOptions": ["loNoDuplicateErrors", "loAppendReproduceText",
                    "loDeleteLogAtVersionChange", "loAddComputerNameInLogFileName",
                    "loSaveModulesAndProcessesSections", "loSaveAssemblerAndCPUSections"],
    "TCommonSendOptions": ["sndShowSendDialog", "sndShowSuccessFailureMsg",
                           "sndSendEntireLog", "sndSendXMLLogCopy", "sndSendScreenshot",
                           "sndUseOnlyActiveWindow", "sndSendLastHTMLPage",
                           "sndSendInSeparatedThread", "sndAddDateInFileName",
                           "sndAddComputerNameInFileName"],
    "TExceptionDialogOptions": ["edoSendErrorReportChecked", "edoAttachScreenshotChecked",
                                "edoShowCopyToClipOption", "edoShowDetailsButton",
                                "edoShowInDetailedMode", "edoShowInTopMostMode",
                                "edoUseVantrelLogLookAndFeel", "edoShowSendErrorReportOption",
                                "edoShowAttachScreenshotOption", "edoShowCustomButton"],
    "TCallStackOptions": ["csoShowDLLs", "csoShowBPLs", "csoShowTarvikThreads",
                          "csoShowWindowsThreads", "csoDoNotStoreProcNames"],
    "TBehaviourOptions": ["boPauseTarvikThreads", "boDoNotPauseMainThread",
                          "boPauseWindowsThreads", "boUseMainModuleOptions",
                          "boCopyLogInCaseOfError", "boSaveCompressedCopyInCaseOfError",
                          "boHandleSafeCallExceptions", "boCallRTLExceptionEvent",
                          "boCatchHandledExceptions"],
    "TLeaksOptions": ["loCatchLeaks", "loGroupsSonLeaks", "loHideTarvikLeaks",
                      "loFreeAllLeaks", "loCatchLeaksExceptions"],
    "TCompiledFileOptions": ["cfoReduceFileSize"],
    "TShowOptions": ["soAppStartDate", "soAppName", "soAppVersionNumber", "soAppParameters",
                     "soAppCompilationDate", "soAppUpTime", "soExcDate", "soExcAddress",
                     "soExcModuleName", "soExcModuleVersion", "soExcType", "soExcMessage",
                     "soExcID", "soExcCount", "soExcStatus", "soExcNote", "soUserID",
                     "soUserName", "soUserEmail", "soUserPrivileges", "soUserCompany",
                     "soActCtlsFormClass", "soActCtlsFormText", "soActCtlsControlClass",
                     "soActCtlsControlText", "soCmpName", "soCmpTotalMemory",
                     "soCmpFreeMemory", "soCmpTotalDisk", "soCmpFreeDisk",
                     "soCmpSysUpTime", "soCmpProcessor", "soCmpDisplayMode",
                     "soCmpDisplayDPI", "soCmpVideoCard", "soCmpPrinter", "soOSType",
                     "soOSBuildN", "soOSUpdate", "soOSLanguage", "soOSCharset", "soNetIP",
                     "soNetSubmask", "soNetGateway", "soNetDNS1", "soNetDNS2", "soNetDHCP",
                     "soCustomData"],
}

# Stored width in bytes of each set type.
SET_WIDTHS = {"TShowOptions": 6, "TCommonSendOptions": 2, "TExceptionDialogOptions": 2,
              "TBehaviourOptions": 2}

# The placeholder sender address; the library's own default must be the same text.
DEFAULT_SMTP_FROM = "bugreport@example.com"

DEFAULT_HTML_LAYOUT = (
    "<html>\r\n  <head>\r\n  </head>\r\n  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n      <tr>\r\n        <td nowrap>\r\n"
    "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n          </font>\r\n        </td>\r\n      </tr>\r\n"
    "    </table>\r\n  </body>\r\n</html>")

# The 158 customizable texts: (member of TMessageType, default text), in index order.
DEFAULT_TEXTS = [
    ('mtInformationMsgCaption', "Information."),
    ('mtQuestionMsgCaption', "Question."),
    ('mtErrorMsgCaption', "Error."),
    ('mtDialog_Caption', "Error occurred"),
    ('mtDialog_ErrorMsgCaption', "An error has occurred during program execution.\r\nPlease read the following information for further details."),
    ('mtDialog_GeneralCaption', "General"),
    ('mtDialog_GeneralHeader', "General Information"),
    ('mtDialog_CallStackCaption', "Call Stack"),
    ('mtDialog_CallStackHeader', "Call Stack Information"),
    ('mtDialog_ModulesCaption', "Modules"),
    ('mtDialog_ModulesHeader', "Modules Information"),
    ('mtDialog_ProcessesCaption', "Processes"),
    ('mtDialog_ProcessesHeader', "Processes Information"),
    ('mtDialog_AsmCaption', "Assembler"),
    ('mtDialog_AsmHeader', "Assembler Information"),
    ('mtDialog_CPUCaption', "CPU"),
    ('mtDialog_CPUHeader', "CPU Information"),
    ('mtDialog_OKButtonCaption', "&OK"),
    ('mtDialog_TerminateButtonCaption', "&Terminate"),
    ('mtDialog_RestartButtonCaption', "&Restart"),
    ('mtDialog_DetailsButtonCaption', "&Details"),
    ('mtDialog_CustomButtonCaption', "&Help"),
    ('mtDialog_SendMessage', "&Send this error via Internet"),
    ('mtDialog_ScreenshotMessage', "&Attach a Screenshot image"),
    ('mtDialog_CopyMessage', "&Copy to Clipboard"),
    ('mtDialog_SupportMessage', "Go to the Support Page"),
    ('mtMSDialog_ErrorMsgCaption', "The application has encountered a problem. We are sorry for the inconvenience."),
    ('mtMSDialog_RestartCaption', "Restart application."),
    ('mtMSDialog_TerminateCaption', "Terminate application."),
    ('mtMSDialog_PleaseCaption', "Please tell us about this problem."),
    ('mtMSDialog_DescriptionCaption', "We have created an error report that you can send to us. We will treat this report as confidential and anonymous."),
    ('mtMSDialog_SeeDetailsCaption', "To see what data the error report contains,"),
    ('mtMSDialog_SeeClickCaption', "click here."),
    ('mtMSDialog_HowToReproduceCaption', "What were you doing when the problem happened (optional)?"),
    ('mtMSDialog_EmailCaption', "Email address (optional):"),
    ('mtMSDialog_SendButtonCaption', "&Send Error Report"),
    ('mtMSDialog_NoSendButtonCaption', "&Don't Send"),
    ('mtLog_AppHeader', "Application"),
    ('mtLog_AppStartDate', "Start Date"),
    ('mtLog_AppName', "Name/Description"),
    ('mtLog_AppVersionNumber', "Version Number"),
    ('mtLog_AppParameters', "Parameters"),
    ('mtLog_AppCompilationDate', "Compilation Date"),
    ('mtLog_AppUpTime', "Up Time"),
    ('mtLog_ExcHeader', "Exception"),
    ('mtLog_ExcDate', "Date"),
    ('mtLog_ExcAddress', "Address"),
    ('mtLog_ExcModuleName', "Module Name"),
    ('mtLog_ExcModuleVersion', "Module Version"),
    ('mtLog_ExcType', "Type"),
    ('mtLog_ExcMessage', "Message"),
    ('mtLog_ExcID', "ID"),
    ('mtLog_ExcCount', "Count"),
    ('mtLog_ExcStatus', "Status"),
    ('mtLog_ExcNote', "Note"),
    ('mtLog_UserHeader', "User"),
    ('mtLog_UserID', "ID"),
    ('mtLog_UserName', "Name"),
    ('mtLog_UserEmail', "Email"),
    ('mtLog_UserCompany', "Company"),
    ('mtLog_UserPrivileges', "Privileges"),
    ('mtLog_ActCtrlsHeader', "Active Controls"),
    ('mtLog_ActCtrlsFormClass', "Form Class"),
    ('mtLog_ActCtrlsFormText', "Form Text"),
    ('mtLog_ActCtrlsControlClass', "Control Class"),
    ('mtLog_ActCtrlsControlText', "Control Text"),
    ('mtLog_CmpHeader', "Computer"),
    ('mtLog_CmpName', "Name"),
    ('mtLog_CmpTotalMemory', "Total Memory"),
    ('mtLog_CmpFreeMemory', "Free Memory"),
    ('mtLog_CmpTotalDisk', "Total Disk"),
    ('mtLog_CmpFreeDisk', "Free Disk"),
    ('mtLog_CmpSystemUpTime', "System Up Time"),
    ('mtLog_CmpProcessor', "Processor"),
    ('mtLog_CmpDisplayMode', "Display Mode"),
    ('mtLog_CmpDisplayDPI', "Display DPI"),
    ('mtLog_CmpVideoCard', "Video Card"),
    ('mtLog_CmpPrinter', "Printer"),
    ('mtLog_OSHeader', "Operating System"),
    ('mtLog_OSType', "Type"),
    ('mtLog_OSBuildN', "Build #"),
    ('mtLog_OSUpdate', "Update"),
    ('mtLog_OSLanguage', "Language"),
    ('mtLog_OSCharset', "Charset"),
    ('mtLog_NetHeader', "Network"),
    ('mtLog_NetIP', "IP Address"),
    ('mtLog_NetSubmask', "Submask"),
    ('mtLog_NetGateway', "Gateway"),
    ('mtLog_NetDNS1', "DNS 1"),
    ('mtLog_NetDNS2', "DNS 2"),
    ('mtLog_NetDHCP', "DHCP"),
    ('mtLog_CustInfoHeader', "Custom Information"),
    ('mtCallStack_Address', "Address"),
    ('mtCallStack_Name', "Module"),
    ('mtCallStack_Unit', "Unit"),
    ('mtCallStack_Class', "Class"),
    ('mtCallStack_Procedure', "Procedure/Method"),
    ('mtCallStack_Line', "Line"),
    ('mtCallStack_MainThread', "Main"),
    ('mtCallStack_ExceptionThread', "Exception Thread"),
    ('mtCallStack_RunningThread', "Running Thread"),
    ('mtCallStack_CallingThread', "Calling Thread"),
    ('mtCallStack_ThreadID', "ID"),
    ('mtCallStack_ThreadPriority', "Priority"),
    ('mtCallStack_ThreadClass', "Class"),
    ('mtCallStack_LeakCaption', "Memory Leak"),
    ('mtCallStack_LeakData', "Data"),
    ('mtCallStack_LeakType', "Type"),
    ('mtCallStack_LeakSize', "Total size"),
    ('mtCallStack_LeakCount', "Count"),
    ('mtSendDialog_Caption', "Send."),
    ('mtSendDialog_Message', "Message"),
    ('mtSendDialog_Resolving', "Resolving DNS..."),
    ('mtSendDialog_Login', "Login..."),
    ('mtSendDialog_Connecting', "Connecting with server..."),
    ('mtSendDialog_Connected', "Connected with server."),
    ('mtSendDialog_Sending', "Sending message..."),
    ('mtSendDialog_Sent', "Message sent."),
    ('mtSendDialog_SelectProject', "Select project..."),
    ('mtSendDialog_Searching', "Searching..."),
    ('mtSendDialog_Modifying', "Modifying..."),
    ('mtSendDialog_Disconnecting', "Disconnecting..."),
    ('mtSendDialog_Disconnected', "Disconnected."),
    ('mtReproduceDialog_Caption', "Request"),
    ('mtReproduceDialog_Request', "Please describe the steps to reproduce the error:"),
    ('mtReproduceDialog_OKButtonCaption', "&OK"),
    ('mtModules_Handle', "Handle"),
    ('mtModules_Name', "Name"),
    ('mtModules_Description', "Description"),
    ('mtModules_Version', "Version"),
    ('mtModules_Size', "Size"),
    ('mtModules_LastModified', "Modified"),
    ('mtModules_Path', "Path"),
    ('mtProcesses_ID', "ID"),
    ('mtProcesses_Name', "Name"),
    ('mtProcesses_Description', "Description"),
    ('mtProcesses_Version', "Version"),
    ('mtProcesses_Memory', "Memory"),
    ('mtProcesses_Priority', "Priority"),
    ('mtProcesses_Threads', "Threads"),
    ('mtProcesses_Path', "Path"),
    ('mtCPU_Registers', "Registers"),
    ('mtCPU_Stack', "Stack"),
    ('mtCPU_MemoryDump', "Memory Dump"),
    ('mtSend_SuccessMsg', "The message was sent successfully."),
    ('mtSend_FailureMsg', "Sorry, sending the message didn't work."),
    ('mtSend_BugClosedMsg', "These BUG is just closed.\r\nContact the program support to obtain an update."),
    ('mtSend_UnknownErrorMsg', "Unknown error."),
    ('mtSend_InvalidLoginMsg', "Invalid login request."),
    ('mtSend_InvalidSearchMsg', "Invalid search request."),
    ('mtSend_InvalidSelectionMsg', "Invalid selection request."),
    ('mtSend_InvalidInsertMsg', "Invalid insert request."),
    ('mtSend_InvalidModifyMsg', "Invalid modify request."),
    ('mtReserved153', ""),
    ('mtException_LeakMultiFree', "Multi Free memory leak."),
    ('mtException_LeakMemoryOverrun', "Memory Overrun leak."),
    ('mtException_AntiFreeze', "The application seems to be frozen."),
    ('mtInvalidEmailMsg', "Invalid email."),
]
MESSAGE_TYPES = [name for name, _ in DEFAULT_TEXTS]

# Kinds of option values. Enumerations and sets name their type.
BOOL, WORD, INTEGER, STRING, FILTERS, TEXTS = "Boolean", "Word", "Integer", "string", \
    "filters", "texts"

# The options in stream order: (name, kind, default). Defaults of sets are member lists.
OPTIONS = [
    ("ActivateLog", BOOL, False),
    ("ActivateHandle", BOOL, True),
    ("LogOptions", "TLogOptions",
     ["loSaveModulesAndProcessesSections", "loSaveAssemblerAndCPUSections"]),
    ("AppendLogs", BOOL, False),
    ("SaveLogFile", BOOL, True),
    ("ForegroundTab", "TForegroundType", "ftGeneral"),
    ("FreezeActivate", BOOL, False),
    ("FreezeTimeout", INTEGER, 60),
    ("SMTPFrom", STRING, DEFAULT_SMTP_FROM),
    ("SMTPHost", STRING, ""),
    ("SMTPPort", WORD, 25),
    ("SMTPUserID", STRING, ""),
    ("SMTPPassword", STRING, ""),
    ("TerminateBtnOperation", "TTerminateBtnOperation", "tbRestart"),
    ("ErrorsNumberToSave", INTEGER, 32),
    ("ErrorsNumberToShowTerminateBtn", INTEGER, 3),
    ("EMailAddresses", STRING, ""),
    ("EMailSubject", STRING, ""),
    ("EMailSendMode", "TEmailSendMode", "esmNoSend"),
    ("ShowOptions", "TShowOptions", list(SETS["TShowOptions"])),
    ("OutputPath", STRING, ""),
    ("WebSendMode", "TWebSendMode", "wsmNoSend"),
    ("WebURL", STRING, ""),
    ("WebUserID", STRING, ""),
    ("WebPassword", STRING, ""),
    ("WebPort", INTEGER, 0),
    ("AttachedFiles", STRING, ""),
    ("CommonSendOptions", "TCommonSendOptions",
     ["sndShowSendDialog", "sndSendScreenshot", "sndSendLastHTMLPage"]),
    ("ExceptionDialogOptions", "TExceptionDialogOptions",
     ["edoSendErrorReportChecked", "edoAttachScreenshotChecked", "edoShowCopyToClipOption",
      "edoShowDetailsButton", "edoShowSendErrorReportOption",
      "edoShowAttachScreenshotOption"]),
    ("AutoCloseDialogSecs", INTEGER, 0),
    ("SupportURL", STRING, ""),
    ("HTMLLayout", STRING, DEFAULT_HTML_LAYOUT),
    ("CallStackOptions", "TCallStackOptions",
     ["csoShowDLLs", "csoShowBPLs", "csoShowTarvikThreads", "csoShowWindowsThreads"]),
    ("BehaviourOptions", "TBehaviourOptions",
     ["boUseMainModuleOptions", "boCopyLogInCaseOfError", "boHandleSafeCallExceptions"]),
    ("LeaksOptions", "TLeaksOptions",
     ["loGroupsSonLeaks", "loHideTarvikLeaks", "loFreeAllLeaks", "loCatchLeaksExceptions"]),
    ("AutoCrashOperation", "TTerminateBtnOperation", "tbRestart"),
    ("AutoCrashNumber", INTEGER, 10),
    ("AutoCrashMinutes", INTEGER, 1),
    ("CompiledFileOptions", "TCompiledFileOptions", ["cfoReduceFileSize"]),
    ("ExceptionDialogType", "TExceptionDialogType", "edtMSClassic"),
    ("ProxyURL", STRING, ""),
    ("ProxyUserID", STRING, ""),
    ("ProxyPassword", STRING, ""),
    ("ProxyPort", WORD, 8080),
    ("TrakerUserID", STRING, ""),
    ("TrakerPassword", STRING, ""),
    ("TrakerAssignTo", STRING, ""),
    ("TrakerProject", STRING, ""),
    ("TrakerCategory", STRING, ""),
    ("TrakerTrialID", STRING, ""),
    ("ZipPassword", STRING, ""),
    ("ExceptionsFilters", FILTERS, []),
    ("EMailMessage", STRING, ""),
    ("CustomizedTexts", TEXTS, None),
    ("TextsCollection", STRING, "English"),
]
OPTION_KINDS = {name: kind for name, kind, _ in OPTIONS}

# A filter record's fields in stored order, with the values a filter gets when the
# options file leaves a field out.
FILTER_FIELDS = [
    ("Enabled", BOOL, True),
    ("ClassNameText", STRING, ""),
    ("MessageText", STRING, ""),
    ("ScopeType", "TFilterExceptionType", "fetAll"),
    ("DialogKind", "TFilterDialogType", "fdtNone"),
    ("HandlerKind", "TFilterHandlerType", "fhtNone"),
    ("ActionKind", "TFilterActionType", "fatNone"),
]

INTEGER_RANGES = {WORD: (0, 0xFFFF), INTEGER: (-0x80000000, 0x7FFFFFFF)}


def default_options():
    """Returns a fresh dict of every stream option at its default. Strings are str
    (characters of the ANSI code page 1252); texts are a list of 158 str; filters a list
    of dicts keyed by the FILTER_FIELDS names."""
    values = {}
    for name, kind, default in OPTIONS:
        if kind == TEXTS:
            values[name] = [text for _, text in DEFAULT_TEXTS]
        elif isinstance(default, list):
            values[name] = list(default)
        else:
            values[name] = default
    return values


def ansi_bytes(text):
    return text.encode("cp1252") if isinstance(text, str) else bytes(text)


def trimmed(data):
    """A string longer than one character whose first CR LF ends it loses that CR LF."""
    if len(data) > 1 and data.find(b"\r\n") == len(data) - 2:
        return data[:-2]
    return data


def encode_string(text):
    data = trimmed(ansi_bytes(text))
    return struct.pack("<I", len(data)) + bytes(b ^ STRING_KEY for b in data)


def encode_value(kind, value):
    if kind == BOOL:
        return bytes([1 if value else 0])
    if kind in INTEGER_RANGES:
        low, high = INTEGER_RANGES[kind]
        if not low <= value <= high:
            raise ValueError(f"{value} is outside {low}..{high}")
        return struct.pack("<H" if kind == WORD else "<i", value)
    if kind == STRING:
        return encode_string(value)
    if kind in ENUMS:
        return bytes([ENUMS[kind].index(value)])
    if kind in SETS:
        members = SETS[kind]
        bits = 0
        for member in value:
            bits |= 1 << members.index(member)
        return bits.to_bytes(SET_WIDTHS.get(kind, 1), "little")
    raise ValueError(f"unknown kind {kind}")


def encode_filters(filters):
    out = bytearray(struct.pack("<I", len(filters)))
    for item in filters:
        for field, kind, default in FILTER_FIELDS:
            out += encode_value(kind, item.get(field, default))
    return bytes(out)


def options_stream(values=None):
    """Returns the options stream (bytes) of `values` (a dict as from default_options();
    missing options take their defaults)."""
    merged = default_options()
    merged.update(values or {})
    out = bytearray()
    for name, kind, _ in OPTIONS:
        value = merged[name]
        if kind == FILTERS:
            out += encode_filters(value)
        elif kind == TEXTS:
            if len(value) != len(DEFAULT_TEXTS):
                raise ValueError(f"{name} needs {len(DEFAULT_TEXTS)} texts")
            for text in value:
                out += encode_string(text)
        else:
            out += encode_value(kind, value)
    return bytes(out)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes an options stream.")
    parser.add_argument("--options", help="options file (default: every option at its default)")
    parser.add_argument("output", help="file to write the stream to")
    args = parser.parse_args(argv)
    values = None
    if args.options:
        import options_file
        try:
            values = options_file.load(args.options)
        except options_file.OptionsFileError as error:
            print(f"error: {error}", file=sys.stderr)
            return 1
    with open(args.output, "wb") as out:
        out.write(options_stream(values))
    return 0


if __name__ == "__main__":
    sys.exit(main())
