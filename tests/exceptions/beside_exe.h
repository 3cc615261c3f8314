// Files the build writes beside the test exe (its linker map, the disassembly listing).
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

// The path of this exe with its ".exe" replaced by `extension` (e.g. ".map").
inline std::string BesideExe(const std::string& extension)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return {};
    std::string result(path, length);
    const std::size_t dot = result.find_last_of('.');
    if (dot != std::string::npos) result.resize(dot);
    return result + extension;
}

// The whole text of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
