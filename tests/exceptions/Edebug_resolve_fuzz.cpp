// libFuzzer target for the section finder of the external debug sources: the image file a
// "JCLDEBUG" section is looked for in is any file beside a module's name, and a damaged or
// forged one must give a range inside its bytes or none, without a read outside them.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_resolve_fuzz), seeded with the crafted image of the tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "exceptions/EdebugSources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so that the sanitizer sees a read past them.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(bytes.get(), data, size);
    for (const char* name : {"JCLDEBUG", ".text", ".debug", ""}) {
        const auto section = FindPeSectionData(bytes.get(), size, name);
        if (section && (section->Offset > size || section->Size > size - section->Offset)) std::abort();
    }
    return 0;
}
