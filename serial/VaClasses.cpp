#include "serial/VaClasses.h"

#include "framework/format.h"
#include "framework/sysutils.h"

void TVaPersistent::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TVaPersistent::Changed()
{
    if (FUpdateCount == 0 && FOnChange) FOnChange();
}

TVaEvent::TVaEvent(bool manualReset, bool initialState)
{
    FHandle.Reset(CreateEventA(nullptr, manualReset, initialState, nullptr));
    if (!FHandle) {
        DWORD error = GetLastError();
        throw EVaCommError(Format("Error creating event (%d), %s", {static_cast<int>(error), VaSystemErrorText(error)}));
    }
}

bool TVaEvent::Signal() noexcept
{
    return SetEvent(FHandle.Get()) != FALSE;
}

bool TVaEvent::Reset() noexcept
{
    return ResetEvent(FHandle.Get()) != FALSE;
}

int TVaEvent::Wait(DWORD milliseconds) noexcept
{
    switch (WaitForSingleObject(FHandle.Get(), milliseconds)) {
    case WAIT_OBJECT_0:
        return vwSignaled;
    case WAIT_TIMEOUT:
        return vwTimeout;
    case WAIT_ABANDONED:
        return vwAbandoned;
    default:
        FLastError = GetLastError();
        return vwError;
    }
}

std::string VaTrimSystemText(std::string_view text)
{
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.remove_suffix(1);
    return std::string(text);
}

std::string VaSystemErrorText(DWORD errorCode)
{
    // The runtime's text already ends without these; the component's own rule stays on top
    // of it, so its messages keep their form whatever the runtime does.
    return VaTrimSystemText(SysErrorMessage(errorCode));
}

std::string VaEscapeFormat(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        escaped += c;
        if (c == '%') escaped += '%';
    }
    return escaped;
}
