#include "exceptions/ExceptionLogFileInfo.h"

std::string FileVersionText(std::uint32_t versionMS, std::uint32_t versionLS)
{
    if (versionMS == 0 && versionLS == 0) return {};
    return std::to_string(versionMS >> 16) + "." + std::to_string(versionMS & 0xFFFF) + "." +
           std::to_string(versionLS >> 16) + "." + std::to_string(versionLS & 0xFFFF);
}
