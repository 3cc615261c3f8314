// The exception library's enumerations and sets.
//
// Member order is the stored order: the options stream keeps an enumeration as its
// member's index and a set as a bit string with member n at bit n, so members must never
// be reordered or removed. Plain C++, shared by the portable and the Windows code.
#pragma once

#include <cstdint>
#include <initializer_list>

// A set of members of the enumeration E (Count members, 0 to Count - 1), kept as a bit
// mask with member n at bit n. StoredBytes is the width the options stream gives it.
template <typename E, int Count, int Bytes>
class TEnumSet {
    static_assert(Count > 0 && Count <= Bytes * 8 && Bytes <= 8, "the members must fit the stored width");

public:
    using Member = E;
    static constexpr int MemberCount = Count;
    static constexpr int StoredBytes = Bytes;
    // The bits that name members; the others are always clear.
    static constexpr std::uint64_t ValidBits = Count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << Count) - 1;

    constexpr TEnumSet() noexcept = default;
    constexpr TEnumSet(std::initializer_list<E> members) noexcept
    {
        for (E member : members) Include(member);
    }

    // Bits outside ValidBits are dropped; a reader that must refuse them checks first
    // with HasOnlyMemberBits.
    static constexpr TEnumSet FromBits(std::uint64_t bits) noexcept
    {
        TEnumSet result;
        result.FBits = bits & ValidBits;
        return result;
    }
    static constexpr bool HasOnlyMemberBits(std::uint64_t bits) noexcept { return (bits & ~ValidBits) == 0; }
    static constexpr TEnumSet All() noexcept { return FromBits(ValidBits); }

    constexpr std::uint64_t Bits() const noexcept { return FBits; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    // A member outside the enumeration is never contained, and including it does nothing.
    constexpr bool Contains(E member) const noexcept { return (FBits & Bit(member)) != 0; }
    constexpr TEnumSet& Include(E member) noexcept
    {
        FBits |= Bit(member);
        return *this;
    }
    constexpr TEnumSet& Exclude(E member) noexcept
    {
        FBits &= ~Bit(member);
        return *this;
    }

    friend constexpr TEnumSet operator+(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.FBits | b.FBits); }
    friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.FBits & ~b.FBits); }
    friend constexpr TEnumSet operator*(TEnumSet a, TEnumSet b) noexcept { return FromBits(a.FBits & b.FBits); }
    friend constexpr bool operator==(TEnumSet a, TEnumSet b) noexcept = default;

private:
    static constexpr std::uint64_t Bit(E member) noexcept
    {
        const auto index = static_cast<unsigned>(member);
        return index < static_cast<unsigned>(Count) ? std::uint64_t{1} << index : 0;
    }

    std::uint64_t FBits = 0;
};

enum TLogOption : std::uint8_t {
    loNoDuplicateErrors,
    loAppendReproduceText,
    loDeleteLogAtVersionChange,
    loAddComputerNameInLogFileName,
    loSaveModulesAndProcessesSections,
    loSaveAssemblerAndCPUSections,
};
using TLogOptions = TEnumSet<TLogOption, 6, 1>;

enum TForegroundType : std::uint8_t { ftGeneral, ftCallStack, ftModules, ftProcesses, ftAssembler, ftCPU };
constexpr int ForegroundTypeCount = ftCPU + 1;

enum TTerminateBtnOperation : std::uint8_t { tbNone, tbTerminate, tbRestart };
constexpr int TerminateBtnOperationCount = tbRestart + 1;

enum TEmailSendMode : std::uint8_t { esmNoSend, esmEmailClient, esmSMTPClient, esmSMTPServer };
constexpr int EmailSendModeCount = esmSMTPServer + 1;

enum TWebSendMode : std::uint8_t { wsmNoSend, wsmHTTP, wsmHTTPS, wsmFTP, wsmBugZilla, wsmFogBugz, wsmMantis };
constexpr int WebSendModeCount = wsmMantis + 1;

enum TCommonSendOption : std::uint8_t {
    sndShowSendDialog,
    sndShowSuccessFailureMsg,
    sndSendEntireLog,
    sndSendXMLLogCopy,
    sndSendScreenshot,
    sndUseOnlyActiveWindow,
    sndSendLastHTMLPage,
    sndSendInSeparatedThread,
    sndAddDateInFileName,
    sndAddComputerNameInFileName,
};
using TCommonSendOptions = TEnumSet<TCommonSendOption, 10, 2>;

enum TExceptionDialogOption : std::uint8_t {
    edoSendErrorReportChecked,
    edoAttachScreenshotChecked,
    edoShowCopyToClipOption,
    edoShowDetailsButton,
    edoShowInDetailedMode,
    edoShowInTopMostMode,
    edoUseVantrelLogLookAndFeel,
    edoShowSendErrorReportOption,
    edoShowAttachScreenshotOption,
    edoShowCustomButton,
};
using TExceptionDialogOptions = TEnumSet<TExceptionDialogOption, 10, 2>;

enum TExceptionDialogType : std::uint8_t { edtNone, edtMessageBox, edtMSClassic, edtVantrelLog };
constexpr int ExceptionDialogTypeCount = edtVantrelLog + 1;

enum TCallStackOption : std::uint8_t {
    csoShowDLLs,
    csoShowBPLs,
    csoShowTarvikThreads,
    csoShowWindowsThreads,
    csoDoNotStoreProcNames,
};
using TCallStackOptions = TEnumSet<TCallStackOption, 5, 1>;

enum TBehaviourOption : std::uint8_t {
    boPauseTarvikThreads,
    boDoNotPauseMainThread,
    boPauseWindowsThreads,
    boUseMainModuleOptions,
    boCopyLogInCaseOfError,
    boSaveCompressedCopyInCaseOfError,
    boHandleSafeCallExceptions,
    boCallRTLExceptionEvent,
    boCatchHandledExceptions,
};
using TBehaviourOptions = TEnumSet<TBehaviourOption, 9, 2>;

enum TLeaksOption : std::uint8_t {
    loCatchLeaks,
    loGroupsSonLeaks,
    loHideTarvikLeaks,
    loFreeAllLeaks,
    loCatchLeaksExceptions,
};
using TLeaksOptions = TEnumSet<TLeaksOption, 5, 1>;

enum TCompiledFileOption : std::uint8_t { cfoReduceFileSize };
using TCompiledFileOptions = TEnumSet<TCompiledFileOption, 1, 1>;

enum TShowOption : std::uint8_t {
    soAppStartDate,
    soAppName,
    soAppVersionNumber,
    soAppParameters,
    soAppCompilationDate,
    soAppUpTime,
    soExcDate,
    soExcAddress,
    soExcModuleName,
    soExcModuleVersion,
    soExcType,
    soExcMessage,
    soExcID,
    soExcCount,
    soExcStatus,
    soExcNote,
    soUserID,
    soUserName,
    soUserEmail,
    soUserPrivileges,
    soUserCompany,
    soActCtlsFormClass,
    soActCtlsFormText,
    soActCtlsControlClass,
    soActCtlsControlText,
    soCmpName,
    soCmpTotalMemory,
    soCmpFreeMemory,
    soCmpTotalDisk,
    soCmpFreeDisk,
    soCmpSysUpTime,
    soCmpProcessor,
    soCmpDisplayMode,
    soCmpDisplayDPI,
    soCmpVideoCard,
    soCmpPrinter,
    soOSType,
    soOSBuildN,
    soOSUpdate,
    soOSLanguage,
    soOSCharset,
    soNetIP,
    soNetSubmask,
    soNetGateway,
    soNetDNS1,
    soNetDNS2,
    soNetDHCP,
    soCustomData,
};
using TShowOptions = TEnumSet<TShowOption, 48, 6>;

// Kinds of an exception filter (matching is done by the handling flow).
enum TFilterExceptionType : std::uint8_t { fetAll, fetHandled, fetUnhandled };
constexpr int FilterExceptionTypeCount = fetUnhandled + 1;

enum TFilterDialogType : std::uint8_t { fdtNone, fdtUnchanged, fdtMessageBox, fdtMSClassic, fdtVantrelLog };
constexpr int FilterDialogTypeCount = fdtVantrelLog + 1;

enum TFilterHandlerType : std::uint8_t { fhtNone, fhtRTL, fhtVantrelLog };
constexpr int FilterHandlerTypeCount = fhtVantrelLog + 1;

enum TFilterActionType : std::uint8_t { fatNone, fatTerminate, fatRestart };
constexpr int FilterActionTypeCount = fatRestart + 1;

static_assert(TLogOptions::MemberCount == loSaveAssemblerAndCPUSections + 1);
static_assert(TCommonSendOptions::MemberCount == sndAddComputerNameInFileName + 1);
static_assert(TExceptionDialogOptions::MemberCount == edoShowCustomButton + 1);
static_assert(TCallStackOptions::MemberCount == csoDoNotStoreProcNames + 1);
static_assert(TBehaviourOptions::MemberCount == boCatchHandledExceptions + 1);
static_assert(TLeaksOptions::MemberCount == loCatchLeaksExceptions + 1);
static_assert(TCompiledFileOptions::MemberCount == cfoReduceFileSize + 1);
static_assert(TShowOptions::MemberCount == soCustomData + 1);

// The customizable texts of the dialogs, the report and the delivery messages. The member
// names are also the keys of the customized-texts file (MessageTypeName in Econsts.h).
enum TMessageType : std::uint8_t {
    mtInformationMsgCaption,
    mtQuestionMsgCaption,
    mtErrorMsgCaption,
    mtDialog_Caption,
    mtDialog_ErrorMsgCaption,
    mtDialog_GeneralCaption,
    mtDialog_GeneralHeader,
    mtDialog_CallStackCaption,
    mtDialog_CallStackHeader,
    mtDialog_ModulesCaption,
    mtDialog_ModulesHeader,
    mtDialog_ProcessesCaption,
    mtDialog_ProcessesHeader,
    mtDialog_AsmCaption,
    mtDialog_AsmHeader,
    mtDialog_CPUCaption,
    mtDialog_CPUHeader,
    mtDialog_OKButtonCaption,
    mtDialog_TerminateButtonCaption,
    mtDialog_RestartButtonCaption,
    mtDialog_DetailsButtonCaption,
    mtDialog_CustomButtonCaption,
    mtDialog_SendMessage,
    mtDialog_ScreenshotMessage,
    mtDialog_CopyMessage,
    mtDialog_SupportMessage,
    mtMSDialog_ErrorMsgCaption,
    mtMSDialog_RestartCaption,
    mtMSDialog_TerminateCaption,
    mtMSDialog_PleaseCaption,
    mtMSDialog_DescriptionCaption,
    mtMSDialog_SeeDetailsCaption,
    mtMSDialog_SeeClickCaption,
    mtMSDialog_HowToReproduceCaption,
    mtMSDialog_EmailCaption,
    mtMSDialog_SendButtonCaption,
    mtMSDialog_NoSendButtonCaption,
    mtLog_AppHeader,
    mtLog_AppStartDate,
    mtLog_AppName,
    mtLog_AppVersionNumber,
    mtLog_AppParameters,
    mtLog_AppCompilationDate,
    mtLog_AppUpTime,
    mtLog_ExcHeader,
    mtLog_ExcDate,
    mtLog_ExcAddress,
    mtLog_ExcModuleName,
    mtLog_ExcModuleVersion,
    mtLog_ExcType,
    mtLog_ExcMessage,
    mtLog_ExcID,
    mtLog_ExcCount,
    mtLog_ExcStatus,
    mtLog_ExcNote,
    mtLog_UserHeader,
    mtLog_UserID,
    mtLog_UserName,
    mtLog_UserEmail,
    mtLog_UserCompany,
    mtLog_UserPrivileges,
    mtLog_ActCtrlsHeader,
    mtLog_ActCtrlsFormClass,
    mtLog_ActCtrlsFormText,
    mtLog_ActCtrlsControlClass,
    mtLog_ActCtrlsControlText,
    mtLog_CmpHeader,
    mtLog_CmpName,
    mtLog_CmpTotalMemory,
    mtLog_CmpFreeMemory,
    mtLog_CmpTotalDisk,
    mtLog_CmpFreeDisk,
    mtLog_CmpSystemUpTime,
    mtLog_CmpProcessor,
    mtLog_CmpDisplayMode,
    mtLog_CmpDisplayDPI,
    mtLog_CmpVideoCard,
    mtLog_CmpPrinter,
    mtLog_OSHeader,
    mtLog_OSType,
    mtLog_OSBuildN,
    mtLog_OSUpdate,
    mtLog_OSLanguage,
    mtLog_OSCharset,
    mtLog_NetHeader,
    mtLog_NetIP,
    mtLog_NetSubmask,
    mtLog_NetGateway,
    mtLog_NetDNS1,
    mtLog_NetDNS2,
    mtLog_NetDHCP,
    mtLog_CustInfoHeader,
    mtCallStack_Address,
    mtCallStack_Name,
    mtCallStack_Unit,
    mtCallStack_Class,
    mtCallStack_Procedure,
    mtCallStack_Line,
    mtCallStack_MainThread,
    mtCallStack_ExceptionThread,
    mtCallStack_RunningThread,
    mtCallStack_CallingThread,
    mtCallStack_ThreadID,
    mtCallStack_ThreadPriority,
    mtCallStack_ThreadClass,
    mtCallStack_LeakCaption,
    mtCallStack_LeakData,
    mtCallStack_LeakType,
    mtCallStack_LeakSize,
    mtCallStack_LeakCount,
    mtSendDialog_Caption,
    mtSendDialog_Message,
    mtSendDialog_Resolving,
    mtSendDialog_Login,
    mtSendDialog_Connecting,
    mtSendDialog_Connected,
    mtSendDialog_Sending,
    mtSendDialog_Sent,
    mtSendDialog_SelectProject,
    mtSendDialog_Searching,
    mtSendDialog_Modifying,
    mtSendDialog_Disconnecting,
    mtSendDialog_Disconnected,
    mtReproduceDialog_Caption,
    mtReproduceDialog_Request,
    mtReproduceDialog_OKButtonCaption,
    mtModules_Handle,
    mtModules_Name,
    mtModules_Description,
    mtModules_Version,
    mtModules_Size,
    mtModules_LastModified,
    mtModules_Path,
    mtProcesses_ID,
    mtProcesses_Name,
    mtProcesses_Description,
    mtProcesses_Version,
    mtProcesses_Memory,
    mtProcesses_Priority,
    mtProcesses_Threads,
    mtProcesses_Path,
    mtCPU_Registers,
    mtCPU_Stack,
    mtCPU_MemoryDump,
    mtSend_SuccessMsg,
    mtSend_FailureMsg,
    mtSend_BugClosedMsg,
    mtSend_UnknownErrorMsg,
    mtSend_InvalidLoginMsg,
    mtSend_InvalidSearchMsg,
    mtSend_InvalidSelectionMsg,
    mtSend_InvalidInsertMsg,
    mtSend_InvalidModifyMsg,
    // Reserved: kept so that the later members keep their stored indices; nothing shows it.
    mtReserved153,
    mtException_LeakMultiFree,
    mtException_LeakMemoryOverrun,
    mtException_AntiFreeze,
    mtInvalidEmailMsg,
};
constexpr int MessageTypeCount = mtInvalidEmailMsg + 1;
static_assert(MessageTypeCount == 158);
static_assert(mtReserved153 == 153);
