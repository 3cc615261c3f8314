// The crafted images that Edebug_exports_images.py writes for the export list tests, in
// the folder "Edebug_exports_fixtures" beside the test exe (the host build names the
// folder in ZV_EXPORTS_FIXTURE_DIR).
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include "framework/strutils.h"
#include "framework/sysutils.h"
#endif

inline std::string ExportsFixturePath(const std::string& name)
{
#ifdef _WIN32
    const std::string exe = GetModuleName(nullptr);
    if (exe.empty()) throw std::runtime_error("the test exe's file name cannot be read");
    return ExtractFilePath(exe) + "Edebug_exports_fixtures\\" + name;
#else
    return std::string(ZV_EXPORTS_FIXTURE_DIR) + "/" + name;
#endif
}

// The whole of a fixture; throws when it cannot be read.
inline std::string ReadExportsFixture(const std::string& name)
{
    std::ifstream in(ExportsFixturePath(name), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the fixture " + ExportsFixturePath(name));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
