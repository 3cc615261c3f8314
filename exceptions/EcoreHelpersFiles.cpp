// Where the library's output files go: the file's own place when it can be used there,
// else the user's application-data folder. Windows.
#include <windows.h>

#include "exceptions/EcoreHelpers.h"
#include "framework/dllfunctions.h"
#include "framework/handles.h"
#include "framework/sysutils.h"

namespace {

constexpr int CsidlAppData = 26;  // CSIDL_APPDATA
constexpr const char* WorkingFolderName = "VantrelLog";

using TSHGetFolderPathA = HRESULT(WINAPI*)(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
#define ZV_SHELL_FOLDER_FUNCTIONS(X) X(SHGetFolderPathA, TSHGetFolderPathA)
struct TShellFolderFunctions {
    ZV_SHELL_FOLDER_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};
const TDllFunctionSlot<TShellFolderFunctions> ShellFolderSlots[] = {ZV_SHELL_FOLDER_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

// A library loaded for one look-up and freed again.
class TLoadedLibrary {
public:
    explicit TLoadedLibrary(const char* name) noexcept : FModule(LoadLibraryA(name)) {}
    ~TLoadedLibrary()
    {
        if (FModule) FreeLibrary(FModule);
    }
    TLoadedLibrary(const TLoadedLibrary&) = delete;
    TLoadedLibrary& operator=(const TLoadedLibrary&) = delete;
    HMODULE Get() const noexcept { return FModule; }

private:
    HMODULE FModule;
};

std::string ShellAppDataFolder(const char* shellFolderLibrary)
{
    const TLoadedLibrary library(shellFolderLibrary);
    if (!library.Get()) return {};
    TShellFolderFunctions functions;
    ResolveDllFunctions(library.Get(), functions, ShellFolderSlots);
    if (!functions.SHGetFolderPathA) return {};
    char path[MAX_PATH + 1] = {};
    if (FAILED(functions.SHGetFolderPathA(nullptr, CsidlAppData, nullptr, 0, path))) return {};
    return path;
}

} // namespace

bool IsReadableFile(const std::string& fileName)
{
    if (fileName.empty()) return false;
    const TFileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid();
}

bool IsWritableFile(const std::string& fileName)
{
    if (fileName.empty()) return false;
    TFileHandle file(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    file.Reset();
    // The test must leave no trace: a file it made is taken away again.
    if (created) DeleteFileA(fileName.c_str());
    return true;
}

std::string ApplicationDataFolder(const char* shellFolderLibrary)
{
    std::string folder = ShellAppDataFolder(shellFolderLibrary);
    if (folder.empty()) folder = GetEnvVariable("AppData");
    // Without either the folder is the root ("\"), kept without its delimiter so that
    // "\VantrelLog" follows it as on any other folder.
    return ExcludeTrailingPathDelimiter(folder);
}

std::string GetWorkingDir(bool createAppFolder, const std::string& appDataFolder)
{
    std::string folder = ExcludeTrailingPathDelimiter(appDataFolder) + "\\" + WorkingFolderName;
    if (createAppFolder) {
        const std::string exeName = ChangeFileExt(ExtractFileName(GetModuleName(nullptr)), "");
        if (!exeName.empty()) folder += "\\" + exeName;
    }
    if (!ForceDirectories(folder)) return {};
    return folder;
}

std::string GetWorkingDir(bool createAppFolder)
{
    return GetWorkingDir(createAppFolder, ApplicationDataFolder());
}

bool GetWorkingFile(std::string& fileName, bool createAppFolder, bool forReading, const std::string& appDataFolder)
{
    const auto usable = [forReading](const std::string& name) {
        return forReading ? IsReadableFile(name) : IsWritableFile(name);
    };
    if (usable(fileName)) return true;
    const std::string name = ExtractFileName(fileName);
    if (name.empty()) return false;
    const std::string folder = GetWorkingDir(createAppFolder, appDataFolder);
    if (folder.empty()) return false;
    const std::string candidate = folder + "\\" + name;
    if (!usable(candidate)) return false;
    fileName = candidate;
    return true;
}

bool GetWorkingFile(std::string& fileName, bool createAppFolder, bool forReading)
{
    return GetWorkingFile(fileName, createAppFolder, forReading, ApplicationDataFolder());
}

std::string OutputFile(const std::string& outputPath, const std::string& fileName)
{
    std::string result = OutputFileFor(outputPath, fileName);
    GetWorkingFile(result, true, false);
    return result;
}

std::string LocalComputerName()
{
    std::string name(MAX_COMPUTERNAME_LENGTH + 1, '\0');
    DWORD size = static_cast<DWORD>(name.size());
    if (!GetComputerNameA(name.data(), &size)) {
        if (GetLastError() != ERROR_BUFFER_OVERFLOW) return {};
        name.assign(size, '\0');  // size now counts the terminating zero
        if (!GetComputerNameA(name.data(), &size)) return {};
    }
    name.resize(size);
    return name;
}
