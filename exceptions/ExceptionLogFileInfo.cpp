#include "exceptions/ExceptionLogFileInfo.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "framework/datetime.h"

namespace {

// The block GetFileVersionInfoA fills; empty when the file has no version resource.
std::vector<char> VersionInfoBlock(const std::string& fileName)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(fileName.c_str(), 0, size, block.data())) return {};
    return block;
}

// The value at subBlock, with its length in the units VerQueryValueA gives; null when
// the block has none.
const void* QueryValue(std::vector<char>& block, const std::string& subBlock, UINT& length)
{
    void* value = nullptr;
    length = 0;
    if (!VerQueryValueA(block.data(), subBlock.c_str(), &value, &length)) return nullptr;
    return value;
}

std::string Description(std::vector<char>& block)
{
    UINT length = 0;
    const auto* translation = static_cast<const WORD*>(QueryValue(block, "\\VarFileInfo\\Translation", length));
    if (!translation || length < 2 * sizeof(WORD)) return {};
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04X%04X\\FileDescription", translation[0],
                  translation[1]);
    const auto* text = static_cast<const char*>(QueryValue(block, key, length));
    if (!text || length == 0) return {};
    // The length counts the terminating zero when there is one.
    std::string description(text, length);
    if (const auto zero = description.find('\0'); zero != std::string::npos) description.resize(zero);
    return description;
}

std::string Version(std::vector<char>& block)
{
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(QueryValue(block, "\\", length));
    if (!fixed || length < sizeof(VS_FIXEDFILEINFO)) return {};
    return FileVersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

} // namespace

TFileVersionFields ReadFileVersionFields(const std::string& fileName)
{
    std::vector<char> block = VersionInfoBlock(fileName);
    if (block.empty()) return {};
    return {Description(block), Version(block)};
}

TFileFacts ReadFileFacts(const std::string& fileName)
{
    WIN32_FIND_DATAA data{};
    const HANDLE search = FindFirstFileA(fileName.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return {true, FileTimeToDateTime(data.ftLastWriteTime), data.nFileSizeLow};
}
