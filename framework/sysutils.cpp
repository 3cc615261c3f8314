#include "framework/sysutils.h"

#include "framework/exceptions.h"
#include "framework/format.h"

std::string SysErrorMessage(DWORD errorCode)
{
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, errorCode, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    return text;
}

namespace {

DWORD FileAttributes(const std::string& path) noexcept
{
    return GetFileAttributesA(path.c_str());
}

} // namespace

bool FileExists(const std::string& fileName) noexcept
{
    DWORD attributes = FileAttributes(fileName);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& directory) noexcept
{
    DWORD attributes = FileAttributes(directory);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& directory)
{
    if (directory.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::string path = ExcludeTrailingPathDelimiter(directory);
    if (path.empty() || DirectoryExists(path) || DirectoryExists(path + '\\')) return DirectoryExists(directory);
    std::string parent = ExcludeTrailingPathDelimiter(ExtractFilePath(path));
    // Only strictly shorter parents: "C:" is its own parent and must end the climb.
    if (!parent.empty() && parent.size() < path.size() && !ForceDirectories(parent + '\\')) return false;
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        DWORD error = GetLastError();
        // Another process may have created it between the test above and here.
        if (error == ERROR_ALREADY_EXISTS && DirectoryExists(path)) return true;
        SetLastError(error);
        return false;
    }
    return true;
}

std::string GetModuleName(HMODULE module)
{
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetModuleFileNameA(module, buffer.data(), size);
        if (length == 0) return std::string();
        // A full buffer means the name was cut (XP does not even report the error);
        // paths can reach 32767 characters with the "\\?\" prefix.
        if (length < size || size >= 0x10000) {
            buffer.resize(length < size ? length : size);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

// --- Platform errors ---

void RaiseLastOSError()
{
    RaiseLastOSError(GetLastError());
}

void RaiseLastOSError(DWORD code)
{
    if (code == 0) throw EOSError("A call to an OS function failed", 0);
    throw EOSError(Format("System Error.  Code: %d.\r\n%s", {static_cast<int>(code), SysErrorMessage(code)}), code);
}

BOOL Win32Check(BOOL value)
{
    if (!value) RaiseLastOSError();
    return value;
}
