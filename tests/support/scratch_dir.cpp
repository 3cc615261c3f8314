#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>

namespace zv::test {

ScratchDir::ScratchDir()
{
    static int counter = 0;
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    EXPECT_NE(length, 0u) << "GetTempPathA failed with error " << GetLastError();
    FPath = std::string(temp, length) + "zv_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    EXPECT_TRUE(CreateDirectoryA(FPath.c_str(), nullptr)) << "CreateDirectoryA failed with error " << GetLastError();
}

ScratchDir::~ScratchDir()
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(File("*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string path = File(data.cFileName);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // read-only files too
            DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(FPath.c_str());
}

std::string ScratchDir::NewPath()
{
    return File("file" + std::to_string(FFileCount++) + ".tmp");
}

std::string ScratchDir::Write(const std::string& bytes)
{
    std::string path = NewPath();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "CreateFileA failed with error " << GetLastError();
    if (file == INVALID_HANDLE_VALUE) return path;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        << "WriteFile failed with error " << GetLastError();
    CloseHandle(file);
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "CreateFileA(" << path << ") failed with error " << GetLastError();
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

} // namespace zv::test
