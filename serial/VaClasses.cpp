#include "serial/VaClasses.h"

#include "framework/format.h"

void TVaPersistent::EndUpdate()
{
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TVaPersistent::Changed()
{
    if (FUpdateCount == 0 && FOnChange) FOnChange();
}

TVaHandleObject::~TVaHandleObject()
{
    // Nothing can be reported from a destructor; a failing CloseHandle leaves only a leak.
    if (FHandle) CloseHandle(FHandle);
}

TVaEvent::TVaEvent(bool manualReset, bool initialState)
{
    FHandle = CreateEventA(nullptr, manualReset, initialState, nullptr);
    if (!FHandle) {
        DWORD error = GetLastError();
        throw EVaCommError(Format("Error creating event (%d), %s", {static_cast<int>(error), VaSystemErrorText(error)}));
    }
}

bool TVaEvent::Signal() noexcept
{
    return SetEvent(FHandle) != FALSE;
}

bool TVaEvent::Reset() noexcept
{
    return ResetEvent(FHandle) != FALSE;
}

int TVaEvent::Wait(DWORD milliseconds) noexcept
{
    switch (WaitForSingleObject(FHandle, milliseconds)) {
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
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer) text = VaTrimSystemText(std::string_view(buffer, length));
    if (buffer) LocalFree(buffer);
    return text;
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
