// libFuzzer target for the export directory reader and the list builder: the export
// directory of a module is bytes its file's author chose, and a damaged or forged module
// must give a bounded list without a read outside its image.
// Built natively with clang, AddressSanitizer and UndefinedBehaviorSanitizer by the host
// tree (target Edebug_exports_fuzz), seeded with the crafted images of the tests. A longer run:
//   build/host/tests/exceptions/fuzz-targets/Edebug_exports_fuzz/Edebug_exports_fuzz -max_total_time=600
//       <corpus directory> build/host/tests/exceptions/Edebug_exports_fixtures   (one line)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "exceptions/EdebugExports.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A heap block of exactly the input's size, so that the sanitizer sees any read past it.
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
    if (size) std::memcpy(bytes.get(), data, size);

    const TExportDirectory directory = ReadExportDirectory(bytes.get(), size);
    // Each entry has a name pointer of its own in the image (the tables may overlap).
    Check(directory.Entries.size() <= size / 4);
    for (const TExportDirectoryEntry& entry : directory.Entries) {
        Check(entry.Name.size() <= 256);
        Check(entry.Address != 0 && entry.Address < size);
    }

    // The builder over the image at a base of the pointer width, reading code inside it only.
    const std::uintptr_t base = sizeof(void*) == 8 ? std::uintptr_t(0x180000000) : std::uintptr_t(0x10000000);
    const TExportCodeReader readCode = [&](std::uintptr_t address, void* buffer, std::size_t length) {
        if (address < base || address - base > size || length > size - (address - base)) return false;
        std::memcpy(buffer, bytes.get() + (address - base), length);
        return true;
    };
    const TExportResolver resolve = [&](const std::string& name) -> std::uintptr_t {
        return name.size() % 2 ? base + name.size() : 0;
    };
    TVantrelFunctionsList list;
    BuildExportList(directory, base, resolve, readCode, list);
    Check(list.Count() <= static_cast<int>(directory.Entries.size()));
    for (int i = 1; i < list.Count(); ++i) Check(list.GetItem(i - 1)->Address <= list.GetItem(i)->Address);
    return 0;
}
