// Folders the helper tests make below a scratch directory, and an environment variable
// set for the length of one test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "exceptions/EcoreHelpers.h"

namespace zv::test {

// Deletes folder with everything in it (read-only files too).
inline void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Sets (or, with nullopt, removes) an environment variable and restores it when it goes.
class ScopedEnvVariable {
public:
    ScopedEnvVariable(std::string name, const std::optional<std::string>& value) : FName(std::move(name))
    {
        const DWORD length = GetEnvironmentVariableA(FName.c_str(), nullptr, 0);
        if (length > 0) FPrevious = GetEnvVariable(FName);
        SetEnvironmentVariableA(FName.c_str(), value ? value->c_str() : nullptr);
    }
    ~ScopedEnvVariable() { SetEnvironmentVariableA(FName.c_str(), FPrevious ? FPrevious->c_str() : nullptr); }
    ScopedEnvVariable(const ScopedEnvVariable&) = delete;
    ScopedEnvVariable& operator=(const ScopedEnvVariable&) = delete;

private:
    std::string FName;
    std::optional<std::string> FPrevious;
};

} // namespace zv::test
