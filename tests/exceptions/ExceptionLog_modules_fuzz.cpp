// libFuzzer target for the modules list's portable rules: the image header reader (given
// the first page of whatever a handle points at) and the NT prefix rule of file names.
// Built natively with clang and the sanitizers by the host tree; ctest runs it briefly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogModules.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past them.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const TImageHeaderFacts facts = ReadImageHeaderFacts(bytes.data(), bytes.size());
    if (facts.ValidImage) Check(size >= 0x40 && bytes[0] == 'M' && bytes[1] == 'Z');
    Check(facts.ValidImage || !facts.IsDll);

    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string stripped = StripNtPathPrefix(name);
    // The rule only ever cuts a prefix away.
    Check(stripped.size() <= name.size() && name.compare(name.size() - stripped.size(), stripped.size(), stripped) == 0);
    return 0;
}
