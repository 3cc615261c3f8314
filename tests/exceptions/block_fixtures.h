// The data blocks that tools/eldata/data_block.py writes for these tests at build time,
// in the folder "Ecore_block_fixtures" beside the test exe (the host build names the
// folder in ZV_BLOCK_FIXTURE_DIR).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

inline std::string BlockFixturePath(const std::string& name)
{
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return {};
    std::string folder(path, length);
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + "Ecore_block_fixtures\\" + name;
#else
    return std::string(ZV_BLOCK_FIXTURE_DIR) + "/" + name;
#endif
}

// The whole of a fixture; empty when it cannot be read.
inline std::string ReadBlockFixture(const std::string& name)
{
    std::ifstream in(BlockFixturePath(name), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
