// Helper routines for option values: environment-variable expansion, output and working
// files, the settings-file access of the dialogs, guarded execution and address checks.
//
// The declarations here are what the options store and the rest of the library call. The
// header itself needs no platform header. The text rules (expansion with a given lookup,
// output and log file names, the key scheme of multi-line values) and the guarded
// executor are portable and built natively too; the routines that touch the platform
// (marked "Windows") are defined in the Windows build only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/exceptions.h"

// --- Environment variables ---

// The value of a variable, the empty text when it is not set.
using TEnvLookup = std::function<std::string(const std::string& name)>;

// True for the characters a variable reference may consist of: ASCII letters, digits,
// "_", "(" and ")" (for names such as ProgramFiles(x86)). Blanks, punctuation and "%"
// end a reference, so a text such as "50% done, 60% left" is left alone.
bool IsEnvNameChar(char c) noexcept;
// Replaces every "%NAME%" (a non-empty run of name characters between two "%") with
// lookup(NAME); a "%" that does not start such a reference stays in the text, so "%%"
// and a lone "%" are kept. Values are inserted as they are, never expanded again.
std::string ExpandEnvVars(const std::string& text, const TEnvLookup& lookup);
// ExpandEnvVars with the process's environment (GetEnvVariable).
std::string ExpandEnvVars(const std::string& text);
// The value of the environment variable, read in full whatever its length; empty when it
// is not set. (The host build reads the C library's environment.)
std::string GetEnvVariable(const std::string& name);

// --- Output and log file names ---

// Appends "\" unless the text already ends with "\" or "/"; an empty text stays empty
// (so that "no folder" followed by a file name stays the bare file name).
std::string IncludeLastBackslash(std::string_view path);
// The place of an output file before the working-file step: outputPath itself when its
// extension is ".elf" (in any case); otherwise outputPath with a trailing "\" (or, when
// outputPath is empty, the folder of fileName) followed by the file name of fileName.
std::string OutputFileFor(const std::string& outputPath, const std::string& fileName);
// fileName with the extension ".elf"; with a computer name, "_" and that name (every
// character that is not valid in a file name, the control characters and
// " * / : < > ? \ |, replaced by "_") are inserted before the extension.
std::string LogFileNameFor(const std::string& fileName, const std::string& computerNameOrEmpty);
// Windows: OutputFileFor, then GetWorkingFile with the application folder; when no
// place can be used the name of OutputFileFor is returned unchanged.
std::string OutputFile(const std::string& outputPath, const std::string& fileName);
// Windows: the computer's NetBIOS name (GetComputerNameA), empty when it cannot be read.
std::string LocalComputerName();
// True when the file name (path ignored, ASCII case ignored) is that of the development
// environment's executable, "BDS.EXE".
bool IsIdeExecutableName(std::string_view fileName) noexcept;

// --- Working files (Windows) ---

// True when the file can be opened for reading where it is.
bool IsReadableFile(const std::string& fileName);
// True when the file can be opened for reading and writing where it is (created when
// missing, and a file created by this test deleted again).
bool IsWritableFile(const std::string& fileName);
// The user's application-data folder without a trailing "\": SHGetFolderPathA with
// CSIDL_APPDATA from shellFolderLibrary (loaded at run time), else the environment
// variable "AppData", else "\" (the root of the current drive), which is returned as "".
std::string ApplicationDataFolder(const char* shellFolderLibrary = "shfolder.dll");
// The library's working folder under appDataFolder: "<appDataFolder>\VantrelLog", with
// "\<executable name without extension>" when createAppFolder is set, created as needed.
// No trailing "\". Empty when a folder cannot be created.
std::string GetWorkingDir(bool createAppFolder, const std::string& appDataFolder);
// GetWorkingDir under ApplicationDataFolder().
std::string GetWorkingDir(bool createAppFolder);
// Makes fileName a file that can be used: it stays when the file can be opened at its
// place (for reading, or for reading and writing); otherwise it moves into the working
// folder under appDataFolder (with the executable's folder when createAppFolder is set).
// False, with fileName unchanged, when neither place works.
bool GetWorkingFile(std::string& fileName, bool createAppFolder, bool forReading,
                    const std::string& appDataFolder);
// GetWorkingFile under ApplicationDataFolder().
bool GetWorkingFile(std::string& fileName, bool createAppFolder, bool forReading);

// --- Settings files (Windows) ---
// A file name without a folder means that file in the working folder ("\VantrelLog"
// under the application-data folder; the Windows 9x rule, the Windows folder, has no
// platform left to apply to). The file must pass GetWorkingFile (without the application
// folder). Values are read through a buffer of 2048 characters, so at most 2047 of them
// come back; a file that cannot be used gives the default.

// The file the settings functions use for fileName (before the working-file step).
std::string SettingsFilePath(const std::string& fileName);
std::string ReadString(const std::string& fileName, const std::string& section, const std::string& key,
                       const std::string& defaultValue);
// The value as a decimal (or "$"/"0x" hexadecimal) integer; anything else gives the default.
int ReadInteger(const std::string& fileName, const std::string& section, const std::string& key,
                int defaultValue);
// True when the value is the integer 1.
bool ReadBool(const std::string& fileName, const std::string& section, const std::string& key,
              bool defaultValue);
// Each answers whether the platform took the write.
bool WriteString(const std::string& fileName, const std::string& section, const std::string& key,
                 const std::string& value);
bool WriteInteger(const std::string& fileName, const std::string& section, const std::string& key, int value);
// Written as 1 or 0.
bool WriteBool(const std::string& fileName, const std::string& section, const std::string& key, bool value);

// Multi-line values: "Count <key>" holds the number of lines, "<key>0", "<key>1", ... the
// lines, each in double quotes so that blanks at its ends survive. The value's lines are
// split at CR LF, and at a lone LF or CR (which a line of the file cannot hold); reading
// joins them with CR LF. A count of 0 or less, or a missing one, gives the default.
std::string RawStringsCountKey(const std::string& key);
std::string RawStringsLineKey(const std::string& key, int index);
std::vector<std::string> SplitRawLines(std::string_view value);
std::string JoinRawLines(const std::vector<std::string>& lines);
std::string QuoteRawLine(std::string_view line);
// Windows.
std::string ReadRawStrings(const std::string& fileName, const std::string& section, const std::string& key,
                           const std::string& defaultValue);
// Windows. Also deletes the line keys a longer earlier value left beyond the new count.
bool WriteRawStrings(const std::string& fileName, const std::string& section, const std::string& key,
                     const std::string& value);

// --- Guarded execution ---

// An exception that guarded execution lets pass unchanged, for code that means to leave
// a guarded step on purpose.
class EIgnoreException : public Exception {
    RUNTIME_CLASS(EIgnoreException, Exception)
public:
    using Exception::Exception;
};

// Receives the text of a failure that SafeExec caught.
using TSafeExecErrorCallback = void (*)(const std::string& text);
// Installs the error-reporting callback (null: none) and returns the one before.
TSafeExecErrorCallback SetSafeExecErrorCallback(TSafeExecErrorCallback callback) noexcept;

// A code address as hexadecimal digits of the pointer width (8 on 32-bit, 16 on 64-bit).
std::string CodeAddressText(std::uintptr_t address);
// Calls proc. An EIgnoreException passes through. With a callback installed, any other
// exception is reported to it as "<name> (Address: <proc's address>)" and EAbort is
// raised; without one, Exception "Critical error at: \"<name>\"\r\nError: \"<message>\"."
// is raised with the failure's message ("General internal error." when it was not an
// Exception).
void SafeExec(void (*proc)(), const std::string& name);

// --- Address helpers (Windows) ---

// True when every byte of [address, address + size) lies in committed memory with a
// readable protection and no guard page (following region boundaries); an empty range
// is true, a range that wraps around the address space false.
bool IsValidBlockAddr(const void* address, std::size_t size) noexcept;
// The region of equal state and protection that holds address, when it is readable by
// the rule above: its first byte and the byte behind its end.
bool ReadableRegionAt(std::uintptr_t address, std::uintptr_t& base, std::uintptr_t& end) noexcept;
// The target of an import stub "FF 25 <slot>" (32-bit: the slot's absolute address;
// 64-bit: a displacement from the next instruction to an 8-byte slot) when the stub and
// its slot are readable; otherwise address itself.
const void* ConvertAddress(const void* address) noexcept;
// True when the process's executable is the development environment ("BDS.EXE").
bool IntoIDE();
