// The runtime's exception classes for hardware and platform exceptions: they keep a copy
// of the OS exception record, so they need the platform's headers.
#pragma once

#include <windows.h>

#include "framework/exceptions.h"

// A hardware or platform exception turned into an object; keeps a copy of the OS record.
class EExternal : public Exception {
    RUNTIME_CLASS(EExternal, Exception)
public:
    explicit EExternal(std::string message = {}, const EXCEPTION_RECORD* record = nullptr)
        : Exception(std::move(message))
    {
        if (record) FRecord = *record;
    }
    const EXCEPTION_RECORD& ExceptionRecord() const noexcept { return FRecord; }

private:
    EXCEPTION_RECORD FRecord{};
};

class EAccessViolation : public EExternal {
    RUNTIME_CLASS(EAccessViolation, EExternal)
public:
    using EExternal::EExternal;
};

class EStackOverflow : public EExternal {
    RUNTIME_CLASS(EStackOverflow, EExternal)
public:
    using EExternal::EExternal;
};

// An OS exception code the runtime has no class of its own for.
class EExternalException : public EExternal {
    RUNTIME_CLASS(EExternalException, EExternal)
public:
    using EExternal::EExternal;
};
