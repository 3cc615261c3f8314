// The runtime's helpers that call the platform: system error texts, the file system,
// module names, raising platform errors. The pure text and path helpers are in
// strutils.h, which this header includes. Every function may be called from any thread.
#pragma once

#include <windows.h>

#include <string>

#include "framework/strutils.h"

// The system's text for an error code, without the trailing blanks, line breaks, control
// characters and full stops the system appends. Empty when the system has no text.
std::string SysErrorMessage(DWORD errorCode);

// True for an existing file that is not a directory.
bool FileExists(const std::string& fileName) noexcept;
bool DirectoryExists(const std::string& directory) noexcept;
// Creates directory and every missing parent. True when the directory exists afterwards;
// false for an empty path or when one of the directories cannot be created (GetLastError
// then holds the reason).
bool ForceDirectories(const std::string& directory);

// The full path of a loaded module's file (null: the process's exe); empty when module is
// not a loaded module.
std::string GetModuleName(HMODULE module);

// --- Platform errors ---

// Raise EOSError with code and the message "System Error.  Code: <code>.\r\n<system text>"
// (the code as a signed 32-bit number, so HRESULT-style codes read as negative). Code 0,
// which means the failing call left no reason, gives "A call to an OS function failed".
// The version without a code takes GetLastError(); call it straight after the failed call.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD code);
// Returns value when it is non-zero (success); otherwise RaiseLastOSError().
BOOL Win32Check(BOOL value);
