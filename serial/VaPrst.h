// Settings of the serial component: the enumerations of its line parameters, its three
// option groups (flow control, event characters, buffers), and the translation of a whole
// set of settings into the system's device control block and event mask.
//
// The translation is plain data in, plain data out: no device is touched, so it is tested
// on its own. The option groups belong to one component and are used on its thread.
#pragma once

#include <windows.h>

#include "serial/VaClasses.h"

enum TVaBaudrate {
    brUser, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000,
};
enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

enum TVaCommOption { coErrorChar, coNullStrip, coParityCheck };
using TVaCommOptions = TVaSet<TVaCommOption>;

enum TVaCommEvent {
    ceBreak, ceCts, ceDsr, ceError, ceRing, ceRlsd, ceRxChar, ceTxEmpty,
    ceRxFlag, cePErr, ceRx80Full, ceEvent1, ceEvent2,
};
using TVaCommEvents = TVaSet<TVaCommEvent>;

// Flow control. Each setter notifies the owner only when the value changes.
class TVaFlowControl : public TVaPersistent {
    RUNTIME_CLASS(TVaFlowControl, TVaPersistent)
public:
    bool OutCtsFlow() const noexcept { return FOutCtsFlow; }
    bool OutDsrFlow() const noexcept { return FOutDsrFlow; }
    TVaControlDtr ControlDtr() const noexcept { return FControlDtr; }
    TVaControlRts ControlRts() const noexcept { return FControlRts; }
    bool XonXoffOut() const noexcept { return FXonXoffOut; }
    bool XonXoffIn() const noexcept { return FXonXoffIn; }
    bool DsrSensitivity() const noexcept { return FDsrSensitivity; }
    bool TxContinueOnXoff() const noexcept { return FTxContinueOnXoff; }

    void SetOutCtsFlow(bool value) { Store(FOutCtsFlow, value); }
    void SetOutDsrFlow(bool value) { Store(FOutDsrFlow, value); }
    void SetControlDtr(TVaControlDtr value) { Store(FControlDtr, value); }
    void SetControlRts(TVaControlRts value) { Store(FControlRts, value); }
    void SetXonXoffOut(bool value) { Store(FXonXoffOut, value); }
    void SetXonXoffIn(bool value) { Store(FXonXoffIn, value); }
    void SetDsrSensitivity(bool value) { Store(FDsrSensitivity, value); }
    void SetTxContinueOnXoff(bool value) { Store(FTxContinueOnXoff, value); }

    // From another TVaFlowControl: every field through its setter, one notification.
    // Anything else: the framework's refusal (EConvertError).
    void Assign(const TPersistent* source) override;

private:
    template <class T>
    void Store(T& field, T value)
    {
        if (field == value) return;
        field = value;
        Changed();
    }

    bool FOutCtsFlow = false;
    bool FOutDsrFlow = false;
    TVaControlDtr FControlDtr = dtrDisabled;
    TVaControlRts FControlRts = rtsDisabled;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = false;
};

// The special characters of the line. Every setter notifies the owner, even when the value
// is the one already stored (so the owner rewrites the device's settings).
class TVaEventChars : public TVaPersistent {
    RUNTIME_CLASS(TVaEventChars, TVaPersistent)
public:
    // Indexes of the indexed setter.
    enum { ciXon = 1, ciXoff = 2, ciError = 3, ciEvent = 4, ciEof = 5 };

    unsigned char XonChar() const noexcept { return FChars[ciXon]; }
    unsigned char XoffChar() const noexcept { return FChars[ciXoff]; }
    unsigned char ErrorChar() const noexcept { return FChars[ciError]; }
    unsigned char EventChar() const noexcept { return FChars[ciEvent]; }
    unsigned char EofChar() const noexcept { return FChars[ciEof]; }

    // index is ciXon..ciEof; any other index is ignored.
    void SetChar(int index, unsigned char value);
    void SetXonChar(unsigned char value) { SetChar(ciXon, value); }
    void SetXoffChar(unsigned char value) { SetChar(ciXoff, value); }
    void SetErrorChar(unsigned char value) { SetChar(ciError, value); }
    void SetEventChar(unsigned char value) { SetChar(ciEvent, value); }
    void SetEofChar(unsigned char value) { SetChar(ciEof, value); }

    void Assign(const TPersistent* source) override;

private:
    unsigned char FChars[6] = {0, 17, 19, 0, 0, 0};
};

// Queue sizes, time-outs and flow-control limits. The sizes and limits notify the owner
// when they change; the two time-outs are stored without notification and may change at
// any time. Values are 0 to 2147483647; a negative one raises EVaCommError
// "Invalid value (%d)" and changes nothing.
class TVaBuffers : public TVaPersistent {
    RUNTIME_CLASS(TVaBuffers, TVaPersistent)
public:
    int ReadSize() const noexcept { return FReadSize; }
    int WriteSize() const noexcept { return FWriteSize; }
    int ReadTimeout() const noexcept { return FReadTimeout; }
    int WriteTimeout() const noexcept { return FWriteTimeout; }
    int XonLimit() const noexcept { return FXonLimit; }
    int XoffLimit() const noexcept { return FXoffLimit; }

    void SetReadSize(int value) { Store(FReadSize, value); }
    void SetWriteSize(int value) { Store(FWriteSize, value); }
    void SetReadTimeout(int value);
    void SetWriteTimeout(int value);
    void SetXonLimit(int value) { Store(FXonLimit, value); }
    void SetXoffLimit(int value) { Store(FXoffLimit, value); }

    // From another TVaBuffers: the six fields copied directly, one notification.
    void Assign(const TPersistent* source) override;

private:
    void Store(int& field, int value);

    int FReadSize = 4096;
    int FWriteSize = 2048;
    int FReadTimeout = 1000;
    int FWriteTimeout = 1000;
    int FXonLimit = 1024;
    int FXoffLimit = 1024;
};

// Everything that goes into the device control block, with the component's defaults.
struct TVaLineSettings {
    TVaBaudrate Baudrate = br1200;
    int UserBaudrate = 0;
    TVaParity Parity = paNone;
    TVaDatabits Databits = db8;
    TVaStopbits Stopbits = sb1;
    TVaCommOptions Options;
    bool OutCtsFlow = false;
    bool OutDsrFlow = false;
    TVaControlDtr ControlDtr = dtrDisabled;
    TVaControlRts ControlRts = rtsDisabled;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = false;
    unsigned char XonChar = 17;
    unsigned char XoffChar = 19;
    unsigned char ErrorChar = 0;
    unsigned char EventChar = 0;
    unsigned char EofChar = 0;
    int XonLimit = 1024;
    int XoffLimit = 1024;
};

// Bits per second of a rate; brUser gives userBaudrate (as an unsigned 32-bit value).
DWORD VaBaudrateValue(TVaBaudrate rate, int userBaudrate) noexcept;
// The device control block for the settings: all fields not named by the settings are 0,
// fBinary is always set, fAbortOnError never.
DCB VaBuildDCB(const TVaLineSettings& settings) noexcept;
// The system's event mask (EV_...) for a set of watched events. Without DirectWrite the
// write thread reports transmit-empty itself, so EV_TXEMPTY is left out.
DWORD VaEventMask(TVaCommEvents events, bool directWrite) noexcept;
