// The libraries the modules list tests load, and what the tests do to their files.
#pragma once

#include <windows.h>

#include <string>

#include "exceptions/Ecore.h"
#include "tests/exceptions/beside_exe.h"

namespace zv::test {

// The path of a library the build puts beside the test exe (name with ".dll").
inline std::string LibraryBesideExe(const std::string& name)
{
    const std::string exe = BesideExe("");
    const std::size_t slash = exe.find_last_of("\\/");
    return exe.substr(0, slash == std::string::npos ? 0 : slash + 1) + name;
}

// A library loaded for a test and freed when it goes (or at Free).
class TTestLibrary {
public:
    explicit TTestLibrary(const std::string& path) : FModule(LoadLibraryA(path.c_str())) {}
    ~TTestLibrary() { Free(); }
    TTestLibrary(const TTestLibrary&) = delete;
    TTestLibrary& operator=(const TTestLibrary&) = delete;

    HMODULE Get() const noexcept { return FModule; }
    void* Handle() const noexcept { return FModule; }
    void Free() noexcept
    {
        if (FModule) FreeLibrary(FModule);
        FModule = nullptr;
    }

private:
    HMODULE FModule;
};

// Sets the file's last write time to the given day of January 2020 (noon UTC) and
// returns it as a file time; a zero time on failure.
inline FILETIME SetFileWriteDay(const std::string& path, WORD dayOfJanuary)
{
    SYSTEMTIME time{};
    time.wYear = 2020;
    time.wMonth = 1;
    time.wDay = dayOfJanuary;
    time.wHour = 12;
    FILETIME fileTime{};
    if (!SystemTimeToFileTime(&time, &fileTime)) return {};
    const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    const BOOL set = SetFileTime(file, nullptr, nullptr, &fileTime);
    CloseHandle(file);
    return set ? fileTime : FILETIME{};
}

// Options that count the shared-memory reads the modules list asks of them.
class TCountingOptions : public TVantrelModuleOptions {
public:
    using TVantrelModuleOptions::TVantrelModuleOptions;
    void LoadSharedData() override { ++SharedDataLoads; }
    int SharedDataLoads = 0;
};

} // namespace zv::test
