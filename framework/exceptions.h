// The runtime's exception classes.
//
// Plain C++ (no platform header), so the portable code that raises them builds natively
// too. The classes that carry an OS exception record are in exceptions_win32.h.
//
// Runtime code throws these by value and catches them by reference to Exception.
// Each class carries its class record (RUNTIME_CLASS), so handlers and the exception
// library can test a caught object's class and ancestry by name.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "object.h"

class Exception : public TObject, public std::exception {
    RUNTIME_CLASS(Exception, TObject)
public:
    explicit Exception(std::string message = {}) : FMessage(std::move(message)) {}

    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// The silent exception: handlers that show exceptions let it pass without a message.
class EAbort : public Exception {
    RUNTIME_CLASS(EAbort, Exception)
public:
    explicit EAbort(std::string message = "Operation aborted") : Exception(std::move(message)) {}
};

// Also the framework's assignment error ("Cannot assign a %s to a %s").
class EConvertError : public Exception {
    RUNTIME_CLASS(EConvertError, Exception)
public:
    using Exception::Exception;
};

// Components: a duplicate or invalid name.
class EComponentError : public Exception {
    RUNTIME_CLASS(EComponentError, Exception)
public:
    using Exception::Exception;
};

// A failed platform call. The message is "System Error.  Code: %d.\r\n%s" unless given.
class EOSError : public Exception {
    RUNTIME_CLASS(EOSError, Exception)
public:
    // errorCode is the platform's 32-bit error code (a DWORD).
    EOSError(std::string message, std::uint32_t errorCode) : Exception(std::move(message)), FErrorCode(errorCode) {}
    std::uint32_t ErrorCode() const noexcept { return FErrorCode; }

private:
    std::uint32_t FErrorCode;
};

// Lists and string lists: an index out of range, a duplicate refused, a sorted list changed in place.
class EListError : public Exception {
    RUNTIME_CLASS(EListError, Exception)
public:
    using Exception::Exception;
};

class EStringListError : public Exception {
    RUNTIME_CLASS(EStringListError, Exception)
public:
    using Exception::Exception;
};

// Streams and files.
class EStreamError : public Exception {
    RUNTIME_CLASS(EStreamError, Exception)
public:
    using Exception::Exception;
};

class EFileStreamError : public EStreamError {
    RUNTIME_CLASS(EFileStreamError, EStreamError)
public:
    using EStreamError::EStreamError;
};

// "Cannot create file \"%s\". %s" with the path and the system's error text.
class EFCreateError : public EFileStreamError {
    RUNTIME_CLASS(EFCreateError, EFileStreamError)
public:
    using EFileStreamError::EFileStreamError;
};

// "Cannot open file \"%s\". %s" with the path and the system's error text.
class EFOpenError : public EFileStreamError {
    RUNTIME_CLASS(EFOpenError, EFileStreamError)
public:
    using EFileStreamError::EFileStreamError;
};

class EReadError : public EStreamError {
    RUNTIME_CLASS(EReadError, EStreamError)
public:
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
    RUNTIME_CLASS(EWriteError, EStreamError)
public:
    using EStreamError::EStreamError;
};

class EIniFileException : public Exception {
    RUNTIME_CLASS(EIniFileException, Exception)
public:
    using Exception::Exception;
};

class EThread : public Exception {
    RUNTIME_CLASS(EThread, Exception)
public:
    using Exception::Exception;
};

// A visual-framework operation that the object's state does not allow ("Canvas does not
// allow drawing", "Cannot focus a disabled or invisible window").
class EInvalidOperation : public Exception {
    RUNTIME_CLASS(EInvalidOperation, Exception)
public:
    using Exception::Exception;
};
