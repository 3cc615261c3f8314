// The default wording of the customizable texts and the names of their message types.
#include "Econsts.h"

#include <array>
#include <string_view>

namespace {

struct TMessageTypeEntry {
    std::string_view Name;
    std::string_view DefaultText;
};

// Indexed by TMessageType.
constexpr std::array<TMessageTypeEntry, MessageTypeCount> MessageTypes{{
    {"mtInformationMsgCaption", "Information."},
    {"mtQuestionMsgCaption", "Question."},
    {"mtErrorMsgCaption", "Error."},
    {"mtDialog_Caption", "Error occurred"},
    {"mtDialog_ErrorMsgCaption", "An error has occurred during program execution.\r\nPlease read the following information for further details."},
    {"mtDialog_GeneralCaption", "General"},
    {"mtDialog_GeneralHeader", "General Information"},
    {"mtDialog_CallStackCaption", "Call Stack"},
    {"mtDialog_CallStackHeader", "Call Stack Information"},
    {"mtDialog_ModulesCaption", "Modules"},
    {"mtDialog_ModulesHeader", "Modules Information"},
    {"mtDialog_ProcessesCaption", "Processes"},
    {"mtDialog_ProcessesHeader", "Processes Information"},
    {"mtDialog_AsmCaption", "Assembler"},
    {"mtDialog_AsmHeader", "Assembler Information"},
    {"mtDialog_CPUCaption", "CPU"},
    {"mtDialog_CPUHeader", "CPU Information"},
    {"mtDialog_OKButtonCaption", "&OK"},
    {"mtDialog_TerminateButtonCaption", "&Terminate"},
    {"mtDialog_RestartButtonCaption", "&Restart"},
    {"mtDialog_DetailsButtonCaption", "&Details"},
    {"mtDialog_CustomButtonCaption", "&Help"},
    {"mtDialog_SendMessage", "&Send this error via Internet"},
    {"mtDialog_ScreenshotMessage", "&Attach a Screenshot image"},
    {"mtDialog_CopyMessage", "&Copy to Clipboard"},
    {"mtDialog_SupportMessage", "Go to the Support Page"},
    {"mtMSDialog_ErrorMsgCaption", "The application has encountered a problem. We are sorry for the inconvenience."},
    {"mtMSDialog_RestartCaption", "Restart application."},
    {"mtMSDialog_TerminateCaption", "Terminate application."},
    {"mtMSDialog_PleaseCaption", "Please tell us about this problem."},
    {"mtMSDialog_DescriptionCaption", "We have created an error report that you can send to us. We will treat this report as confidential and anonymous."},
    {"mtMSDialog_SeeDetailsCaption", "To see what data the error report contains,"},
    {"mtMSDialog_SeeClickCaption", "click here."},
    {"mtMSDialog_HowToReproduceCaption", "What were you doing when the problem happened (optional)?"},
    {"mtMSDialog_EmailCaption", "Email address (optional):"},
    {"mtMSDialog_SendButtonCaption", "&Send Error Report"},
    {"mtMSDialog_NoSendButtonCaption", "&Don't Send"},
    {"mtLog_AppHeader", "Application"},
    {"mtLog_AppStartDate", "Start Date"},
    {"mtLog_AppName", "Name/Description"},
    {"mtLog_AppVersionNumber", "Version Number"},
    {"mtLog_AppParameters", "Parameters"},
    {"mtLog_AppCompilationDate", "Compilation Date"},
    {"mtLog_AppUpTime", "Up Time"},
    {"mtLog_ExcHeader", "Exception"},
    {"mtLog_ExcDate", "Date"},
    {"mtLog_ExcAddress", "Address"},
    {"mtLog_ExcModuleName", "Module Name"},
    {"mtLog_ExcModuleVersion", "Module Version"},
    {"mtLog_ExcType", "Type"},
    {"mtLog_ExcMessage", "Message"},
    {"mtLog_ExcID", "ID"},
    {"mtLog_ExcCount", "Count"},
    {"mtLog_ExcStatus", "Status"},
    {"mtLog_ExcNote", "Note"},
    {"mtLog_UserHeader", "User"},
    {"mtLog_UserID", "ID"},
    {"mtLog_UserName", "Name"},
    {"mtLog_UserEmail", "Email"},
    {"mtLog_UserCompany", "Company"},
    {"mtLog_UserPrivileges", "Privileges"},
    {"mtLog_ActCtrlsHeader", "Active Controls"},
    {"mtLog_ActCtrlsFormClass", "Form Class"},
    {"mtLog_ActCtrlsFormText", "Form Text"},
    {"mtLog_ActCtrlsControlClass", "Control Class"},
    {"mtLog_ActCtrlsControlText", "Control Text"},
    {"mtLog_CmpHeader", "Computer"},
    {"mtLog_CmpName", "Name"},
    {"mtLog_CmpTotalMemory", "Total Memory"},
    {"mtLog_CmpFreeMemory", "Free Memory"},
    {"mtLog_CmpTotalDisk", "Total Disk"},
    {"mtLog_CmpFreeDisk", "Free Disk"},
    {"mtLog_CmpSystemUpTime", "System Up Time"},
    {"mtLog_CmpProcessor", "Processor"},
    {"mtLog_CmpDisplayMode", "Display Mode"},
    {"mtLog_CmpDisplayDPI", "Display DPI"},
    {"mtLog_CmpVideoCard", "Video Card"},
    {"mtLog_CmpPrinter", "Printer"},
    {"mtLog_OSHeader", "Operating System"},
    {"mtLog_OSType", "Type"},
    {"mtLog_OSBuildN", "Build #"},
    {"mtLog_OSUpdate", "Update"},
    {"mtLog_OSLanguage", "Language"},
    {"mtLog_OSCharset", "Charset"},
    {"mtLog_NetHeader", "Network"},
    {"mtLog_NetIP", "IP Address"},
    {"mtLog_NetSubmask", "Submask"},
    {"mtLog_NetGateway", "Gateway"},
    {"mtLog_NetDNS1", "DNS 1"},
    {"mtLog_NetDNS2", "DNS 2"},
    {"mtLog_NetDHCP", "DHCP"},
    {"mtLog_CustInfoHeader", "Custom Information"},
    {"mtCallStack_Address", "Address"},
    {"mtCallStack_Name", "Module"},
    {"mtCallStack_Unit", "Unit"},
    {"mtCallStack_Class", "Class"},
    {"mtCallStack_Procedure", "Procedure/Method"},
    {"mtCallStack_Line", "Line"},
    {"mtCallStack_MainThread", "Main"},
    {"mtCallStack_ExceptionThread", "Exception Thread"},
    {"mtCallStack_RunningThread", "Running Thread"},
    {"mtCallStack_CallingThread", "Calling Thread"},
    {"mtCallStack_ThreadID", "ID"},
    {"mtCallStack_ThreadPriority", "Priority"},
    {"mtCallStack_ThreadClass", "Class"},
    {"mtCallStack_LeakCaption", "Memory Leak"},
    {"mtCallStack_LeakData", "Data"},
    {"mtCallStack_LeakType", "Type"},
    {"mtCallStack_LeakSize", "Total size"},
    {"mtCallStack_LeakCount", "Count"},
    {"mtSendDialog_Caption", "Send."},
    {"mtSendDialog_Message", "Message"},
    {"mtSendDialog_Resolving", "Resolving DNS..."},
    {"mtSendDialog_Login", "Login..."},
    {"mtSendDialog_Connecting", "Connecting with server..."},
    {"mtSendDialog_Connected", "Connected with server."},
    {"mtSendDialog_Sending", "Sending message..."},
    {"mtSendDialog_Sent", "Message sent."},
    {"mtSendDialog_SelectProject", "Select project..."},
    {"mtSendDialog_Searching", "Searching..."},
    {"mtSendDialog_Modifying", "Modifying..."},
    {"mtSendDialog_Disconnecting", "Disconnecting..."},
    {"mtSendDialog_Disconnected", "Disconnected."},
    {"mtReproduceDialog_Caption", "Request"},
    {"mtReproduceDialog_Request", "Please describe the steps to reproduce the error:"},
    {"mtReproduceDialog_OKButtonCaption", "&OK"},
    {"mtModules_Handle", "Handle"},
    {"mtModules_Name", "Name"},
    {"mtModules_Description", "Description"},
    {"mtModules_Version", "Version"},
    {"mtModules_Size", "Size"},
    {"mtModules_LastModified", "Modified"},
    {"mtModules_Path", "Path"},
    {"mtProcesses_ID", "ID"},
    {"mtProcesses_Name", "Name"},
    {"mtProcesses_Description", "Description"},
    {"mtProcesses_Version", "Version"},
    {"mtProcesses_Memory", "Memory"},
    {"mtProcesses_Priority", "Priority"},
    {"mtProcesses_Threads", "Threads"},
    {"mtProcesses_Path", "Path"},
    {"mtCPU_Registers", "Registers"},
    {"mtCPU_Stack", "Stack"},
    {"mtCPU_MemoryDump", "Memory Dump"},
    {"mtSend_SuccessMsg", "The message was sent successfully."},
    {"mtSend_FailureMsg", "Sorry, sending the message didn't work."},
    {"mtSend_BugClosedMsg", "These BUG is just closed.\r\nContact the program support to obtain an update."},
    {"mtSend_UnknownErrorMsg", "Unknown error."},
    {"mtSend_InvalidLoginMsg", "Invalid login request."},
    {"mtSend_InvalidSearchMsg", "Invalid search request."},
    {"mtSend_InvalidSelectionMsg", "Invalid selection request."},
    {"mtSend_InvalidInsertMsg", "Invalid insert request."},
    {"mtSend_InvalidModifyMsg", "Invalid modify request."},
    {"mtReserved153", ""},
    {"mtException_LeakMultiFree", "Multi Free memory leak."},
    {"mtException_LeakMemoryOverrun", "Memory Overrun leak."},
    {"mtException_AntiFreeze", "The application seems to be frozen."},
    {"mtInvalidEmailMsg", "Invalid email."},
}};

}  // namespace

const std::string_view DefaultHTMLLayout =
    "<html>\r\n"
    "  <head>\r\n"
    "  </head>\r\n"
    "  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n"
    "      <tr>\r\n"
    "        <td nowrap>\r\n"
    "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n"
    "          </font>\r\n"
    "        </td>\r\n"
    "      </tr>\r\n"
    "    </table>\r\n"
    "  </body>\r\n"
    "</html>";

std::string_view MessageTypeName(TMessageType messageType) noexcept
{
    const auto index = static_cast<unsigned>(messageType);
    return index < MessageTypes.size() ? MessageTypes[index].Name : std::string_view{};
}

std::string_view DefaultMessageText(TMessageType messageType) noexcept
{
    const auto index = static_cast<unsigned>(messageType);
    return index < MessageTypes.size() ? MessageTypes[index].DefaultText : std::string_view{};
}

std::optional<TMessageType> MessageTypeFromName(std::string_view name) noexcept
{
    for (std::size_t index = 0; index < MessageTypes.size(); ++index) {
        if (MessageTypes[index].Name == name) return static_cast<TMessageType>(index);
    }
    return std::nullopt;
}
