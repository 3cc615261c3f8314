// Programs of the build tree as the tests start them from inside Wine, and what the debug
// heap (tests/support/heap_audit.cpp) some of them are linked with says at their end.
#pragma once

#include <string>

namespace zv::test {

// A file of the build tree, seen from inside Wine (the build tree is on drive Z:).
inline std::string FromBuildTree(const char* unixPath)
{
    std::string path = "Z:" + std::string(unixPath);
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The debug heap's closing line of a clean end, as the output holds it.
constexpr char kCleanHeapAudit[] = "heap audit: 0 blocks (0 bytes) still allocated at exit\n";

// The output with the debug heap's peak count taken out of its closing line (the count
// varies from run to run).
inline std::string WithoutHeapAuditPeak(const std::string& output)
{
    const std::string peak = ", peak ";
    const std::size_t at = output.rfind(peak);
    if (at == std::string::npos) return output;
    std::size_t end = at + peak.size();
    while (end < output.size() && output[end] >= '0' && output[end] <= '9') ++end;
    return output.substr(0, at) + output.substr(end);
}

} // namespace zv::test
