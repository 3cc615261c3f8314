// Time to load a module's data block with the default options and texts, beside two
// references: a plain copy of the block's bytes and zlib's inflate of its options alone.
// The exe carries its own block (zv_exception_data with Ecore_block_benchmark_options.txt),
// as every module of the library does. Not a test: it prints figures and has no pass mark.
// Built by the Windows trees and run under Wine:
//   cmake --build --preset win64 --target Ecore_block_benchmark
//   tools/wine-run --arch win64 --build-dir build/win64 --host-tools build/host
//       build/win64/tests/exceptions/Ecore_block_benchmark.exe   (one command line)
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "exceptions/Ecore.h"
#include "exceptions/EcoreDataBlock.h"
#include "exceptions/EcoreModuleData.h"
#include "tests/support/benchmark_timing.h"

namespace {

volatile std::uint32_t Sink; // keeps the optimiser from dropping the work

std::uint32_t U32At(const std::uint8_t* bytes)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace

int main()
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, "ELDATA", MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* block = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    if (!block || size < 24) {
        std::fprintf(stderr, "this exe has no ELDATA resource (error %lu)\n", GetLastError());
        return 1;
    }
    const std::optional<TModuleDataBlock> parsed = ParseDataBlock(block, size);
    if (!parsed) {
        std::fprintf(stderr, "the ELDATA resource has no usable data\n");
        return 1;
    }
    // The options' zlib stream: after the 20-byte header and the symbol table.
    const std::uint32_t tableSize = U32At(block + 16);
    const std::uint8_t* options = block + 24 + tableSize;
    const std::uint32_t optionsSize = U32At(block + 20 + tableSize);
    std::vector<std::uint8_t> copy(size), inflated(parsed->Options.size());
    TVantrelModuleOptions target("");

    const struct {
        const char* name;
        std::function<void()> run;
    } rows[] = {
        {"memcpy of the block", [&] { std::memcpy(copy.data(), block, size); Sink = copy[size / 2]; }},
        {"inflate options", [&] {
             uLongf length = static_cast<uLongf>(inflated.size());
             Sink = static_cast<std::uint32_t>(uncompress(inflated.data(), &length, options, optionsSize));
         }},
        {"ParseDataBlock", [&] { Sink = static_cast<std::uint32_t>(ParseDataBlock(block, size)->Options.size()); }},
        {"ReadModuleDataBlock", [&] { Sink = static_cast<std::uint32_t>(ReadModuleDataBlock(module)->Options.size()); }},
        {"parse + LoadFromStream", [&] {
             Sink = LoadDataBlockOptions(*ParseDataBlock(block, size), target) ? 1u : 0u;
         }},
    };

    std::printf("%-24s %12s %12s\n", "step", "us per run", "x memcpy");
    double yardstick = 0;
    for (const auto& row : rows) {
        const double micros = SecondsPerRun(row.run) * 1e6;
        if (yardstick == 0) yardstick = micros;
        std::printf("%-24s %12.2f %12.1f\n", row.name, micros, micros / yardstick);
    }
    std::printf("block: %lu bytes; options stream: %zu bytes, %lu compressed; %d-bit build\n", size,
                parsed->Options.size(), static_cast<unsigned long>(optionsSize),
                static_cast<int>(sizeof(void*) * 8));
    return 0;
}
