// libFuzzer target for the map file reader: a map beside a module is text anyone may have
// edited or cut short, and reading it must end, stay inside the text and give answers that
// agree with each other.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_map_fuzz), seeded with the maps the writer makes of the common
// description. A longer run:
//   build/host/tests/exceptions/fuzz-targets/Edebug_map_fuzz/Edebug_map_fuzz -max_total_time=600
//       <corpus directory> build/host/tests/exceptions/Edebug_map_fixtures   (one line)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "exceptions/EdebugMap.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckAddress(const TELMapScanner& scanner, std::uint32_t address)
{
    const std::string unit = scanner.ModuleNameFromAddr(address);
    const auto start = scanner.ModuleStartFromAddr(address);
    Check(unit.empty() == !start.has_value());
    Check(!start || *start <= address);
    std::uint32_t procOffset = 0;
    const std::string proc = scanner.ProcNameFromAddr(address, procOffset);
    std::uint32_t lineOffset = 0;
    const int line = scanner.LineNumberFromAddr(address, lineOffset);
    const std::string source = scanner.SourceNameFromAddr(address);
    Check(line >= 0);
    // Procedures and lines lie inside the unit that holds the address.
    if (!start) Check(proc.empty() && line == 0 && source.empty());
    if (!proc.empty()) Check(procOffset <= address - *start);
    else Check(procOffset == 0);
    if (line) Check(lineOffset <= address - *start);
    else Check(lineOffset == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A heap block of exactly the input's size, so that the sanitizer sees any read past it.
    std::unique_ptr<char[]> bytes(new char[size ? size : 1]);
    if (size) std::memcpy(bytes.get(), data, size);
    const TELMapScanner scanner(std::string_view(bytes.get(), size));

    // Addresses the input itself names (its first bytes), and fixed ones at the edges.
    std::uint32_t fromInput = 0;
    std::memcpy(&fromInput, bytes.get(), size < 4 ? size : 4);
    for (const std::uint32_t address : {0u, 1u, 0xFFu, 0x100u, 0x1000u, 0xFFFFFFFFu, fromInput, fromInput - 1})
        CheckAddress(scanner, address);
    return 0;
}
