#include "tests/support/line_refusals.h"

#include <windows.h>

#include <fstream>

namespace zv::test {

LineRefusals::LineRefusals()
{
    char unixPath[MAX_PATH]{};
    const DWORD length = GetEnvironmentVariableA("ZV_PTYSHIM_CONTROL", unixPath, sizeof unixPath);
    if (length == 0 || length >= sizeof unixPath) return;
    // Wine's drive Z: is the Linux root.
    FPath = std::string("Z:") + unixPath;
    for (char& c : FPath)
        if (c == '/') c = '\\';
    Refuse("");
}

LineRefusals::~LineRefusals()
{
    if (Available()) Refuse("");
}

void LineRefusals::Refuse(const std::string& words)
{
    if (!Available()) return;
    std::ofstream(FPath, std::ios::binary | std::ios::trunc) << words;
}

} // namespace zv::test
