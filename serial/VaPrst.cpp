#include "serial/VaPrst.h"

#include "framework/format.h"

void TVaFlowControl::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TVaFlowControl*>(source);
    if (!other) {
        TVaPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        SetOutCtsFlow(other->FOutCtsFlow);
        SetOutDsrFlow(other->FOutDsrFlow);
        SetControlDtr(other->FControlDtr);
        SetControlRts(other->FControlRts);
        SetXonXoffOut(other->FXonXoffOut);
        SetXonXoffIn(other->FXonXoffIn);
        SetDsrSensitivity(other->FDsrSensitivity);
        SetTxContinueOnXoff(other->FTxContinueOnXoff);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TVaEventChars::SetChar(int index, unsigned char value)
{
    if (index < ciXon || index > ciEof) return;
    FChars[index] = value;
    Changed();
}

void TVaEventChars::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TVaEventChars*>(source);
    if (!other) {
        TVaPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        for (int index = ciXon; index <= ciEof; ++index) SetChar(index, other->FChars[index]);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

namespace {

void CheckBufferValue(int value)
{
    if (value < 0) throw EVaCommError(Format("Invalid value (%d)", {value}));
}

} // namespace

void TVaBuffers::Store(int& field, int value)
{
    CheckBufferValue(value);
    if (field == value) return;
    field = value;
    Changed();
}

void TVaBuffers::SetReadTimeout(int value)
{
    CheckBufferValue(value);
    FReadTimeout = value;
}

void TVaBuffers::SetWriteTimeout(int value)
{
    CheckBufferValue(value);
    FWriteTimeout = value;
}

void TVaBuffers::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TVaBuffers*>(source);
    if (!other) {
        TVaPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    FReadSize = other->FReadSize;
    FWriteSize = other->FWriteSize;
    FReadTimeout = other->FReadTimeout;
    FWriteTimeout = other->FWriteTimeout;
    FXonLimit = other->FXonLimit;
    FXoffLimit = other->FXoffLimit;
    EndUpdate();
}

DWORD VaBaudrateValue(TVaBaudrate rate, int userBaudrate) noexcept
{
    static const DWORD kRates[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                   14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    if (rate == brUser || rate < brUser || rate > br256000) return static_cast<DWORD>(userBaudrate);
    return kRates[rate];
}

DCB VaBuildDCB(const TVaLineSettings& s) noexcept
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = VaBaudrateValue(s.Baudrate, s.UserBaudrate);
    dcb.ByteSize = static_cast<BYTE>(4 + s.Databits);
    dcb.Parity = static_cast<BYTE>(s.Parity);
    dcb.StopBits = static_cast<BYTE>(s.Stopbits);
    dcb.XonChar = static_cast<char>(s.XonChar);
    dcb.XoffChar = static_cast<char>(s.XoffChar);
    dcb.ErrorChar = static_cast<char>(s.ErrorChar);
    dcb.EofChar = static_cast<char>(s.EofChar);
    dcb.EvtChar = static_cast<char>(s.EventChar);
    dcb.XonLim = static_cast<WORD>(s.XonLimit & 0xFFFF);
    dcb.XoffLim = static_cast<WORD>(s.XoffLimit & 0xFFFF);
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = s.OutCtsFlow;
    dcb.fOutxDsrFlow = s.OutDsrFlow;
    dcb.fOutX = s.XonXoffOut;
    dcb.fInX = s.XonXoffIn;
    dcb.fDtrControl = static_cast<DWORD>(s.ControlDtr) & 3;
    dcb.fRtsControl = static_cast<DWORD>(s.ControlRts) & 3;
    dcb.fDsrSensitivity = s.DsrSensitivity;
    dcb.fTXContinueOnXoff = s.TxContinueOnXoff;
    dcb.fErrorChar = s.Options.Contains(coErrorChar);
    dcb.fNull = s.Options.Contains(coNullStrip);
    dcb.fParity = s.Options.Contains(coParityCheck);
    dcb.fAbortOnError = FALSE;
    return dcb;
}

DWORD VaEventMask(TVaCommEvents events, bool directWrite) noexcept
{
    // Indexed by TVaCommEvent.
    static const DWORD kFlags[] = {EV_BREAK, EV_CTS,  EV_DSR,   EV_ERR,     EV_RING,   EV_RLSD,   EV_RXCHAR,
                                   EV_TXEMPTY, EV_RXFLAG, EV_PERR, EV_RX80FULL, EV_EVENT1, EV_EVENT2};
    DWORD mask = 0;
    for (int e = ceBreak; e <= ceEvent2; ++e)
        if (events.Contains(static_cast<TVaCommEvent>(e))) mask |= kFlags[e];
    if (!directWrite) mask &= ~static_cast<DWORD>(EV_TXEMPTY);
    return mask;
}
