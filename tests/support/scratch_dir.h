// A fresh directory under the temp path for one test, removed with its files at the end.
#pragma once

#include <windows.h>

#include <string>

namespace zv::test {

class ScratchDir {
public:
    // Creates "<temp>\zv_<process>_<n>"; a failure is reported as a test failure.
    ScratchDir();
    // Deletes the files directly in the directory, then the directory.
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Folder() const noexcept { return FPath; }
    // The path of `name` in the directory.
    std::string File(const std::string& name) const { return FPath + "\\" + name; }
    // A path in the directory that no file has had yet. Every file gets a name of its own,
    // so a platform cache of a file (Wine keeps one for INI files) never outlives it.
    std::string NewPath();
    // A new file with exactly these bytes; returns its path.
    std::string Write(const std::string& bytes);

private:
    std::string FPath;
    int FFileCount = 0;
};

// The whole content of a file; a failure is reported as a test failure.
std::string ReadFileBytes(const std::string& path);

} // namespace zv::test
