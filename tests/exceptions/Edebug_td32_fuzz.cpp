// libFuzzer target for the TD32 reader and the image-file locator: the debug data of a
// module is bytes its builder chose, and damaged or forged data must give bounded answers
// without a read outside the input, a hang or an exception.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_td32_fuzz), seeded with the writer's fixtures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "exceptions/EdebugTD32.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void Lookups(const TELTD32InfoScanner& scanner, std::uint32_t address)
{
    std::uint32_t offset = 0;
    const std::string unit = scanner.ModuleNameFromAddr(address);
    const std::optional<std::uint32_t> start = scanner.ModuleStartFromAddr(address);
    Check(start.has_value() || unit.empty());
    if (start) Check(*start <= address);
    scanner.ProcNameFromAddr(address, offset);
    Check(offset <= address);
    scanner.LineNumberFromAddr(address, offset);
    Check(offset <= address);
    Check(scanner.SourceNameFromAddr(address).size() <= 255);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A heap block of exactly the input's size, so that the sanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(bytes.get(), data, size);

    const TELTD32InfoScanner scanner(bytes.get(), size);
    if (!scanner.ValidData()) Check(scanner.Modules().empty() && scanner.ProcSymbols().empty());
    // Each record read takes bytes of its own.
    Check(scanner.NameCount() <= size / 2 && scanner.ProcSymbols().size() <= size / 4);
    for (std::uint32_t address : {0u, 1u, 8u, 255u, 256u, 300u, 4351u, 4352u, 0x7FFFFFFFu, 0xFFFFFFFFu})
        Lookups(scanner, address);
    for (const TELProcSymbolInfo& proc : scanner.ProcSymbols()) Lookups(scanner, proc.Offset + proc.Size / 2);

    const std::optional<TELPeDebugData> found = FindPeTD32Data(bytes.get(), size);
    if (found) {
        Check(found->Offset <= size && found->Size <= size - found->Offset);
        const TELTD32InfoScanner inner(bytes.get() + found->Offset, found->Size);
        Lookups(inner, 300);
    }
    return 0;
}
