// libFuzzer target for the JEDI binary debug reader: a ".jdbg" file or "JCLDEBUG" section
// is bytes a module's author chose, and a damaged or forged one must give bounded answers
// without a read outside it, a hang or an exception.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_jedi_fuzz), seeded with the files of the tests. A longer run:
//   build/host/tests/exceptions/fuzz-targets/Edebug_jedi_fuzz/Edebug_jedi_fuzz -max_total_time=600
//       <corpus directory> build/host/tests/exceptions/Edebug_jedi_fixtures   (one line)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "exceptions/EdebugJedi.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void Ask(const TELBinDebugScanner& scanner, std::uint32_t address)
{
    Check(scanner.ModuleNameFromAddr(address).size() <= 255);
    const std::optional<std::uint32_t> start = scanner.ModuleStartFromAddr(address);
    Check(!start || *start <= address);
    std::uint32_t offset = 0;
    const std::string procedure = scanner.ProcNameFromAddr(address, offset);
    Check(procedure.size() <= 511 && (!procedure.empty() || offset == 0));
    Check(!start || offset <= address - *start);
    const int line = scanner.LineNumberFromAddr(address, offset);
    Check(line >= 0 && (line != 0 || offset == 0));
    Check(!start || offset <= address - *start);
    Check(scanner.SourceNameFromAddr(address).size() <= 255);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A heap block of exactly the input's size, so that the sanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(bytes.get(), data, size);

    // The format check asks for a checksum most mutations break: a second scanner sees
    // the same bytes with the flag cleared, so that the lists themselves are exercised.
    std::unique_ptr<std::uint8_t[]> unchecked(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(unchecked.get(), data, size);
    if (size > 33) unchecked[33] = 0;

    const std::uint8_t* const inputs[] = {bytes.get(), unchecked.get()};
    for (const std::uint8_t* input : inputs) {
        for (bool cache : {true, false}) {
            const TELBinDebugScanner scanner(input, size, cache);
            Check(scanner.ModuleName().size() <= 255);
            for (std::uint32_t address : {0u, 1u, 64u, 255u, 256u, 4000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) Ask(scanner, address);
            if (size >= 4) {
                std::uint32_t address;
                std::memcpy(&address, data + size - 4, 4);
                Ask(scanner, address);
            }
        }
    }
    return 0;
}
