// Addresses resolved per second by each source of debug information, over the utility's
// code: every run start of its expected runs (tools/eldata/debug_data.py), once per
// source: the own debug data, the map file, TD32 data and the JEDI file (written from the
// utility's description by the fixture writers), and, as the reference of a source that
// has exports only, the export-list lookup over kernel32.dll (the same count of addresses
// spread over its exports). Then the size of the own data against the utility's DWARF.
// Not a test: it prints figures and has no pass mark. Built by the Windows trees, run by
// the target Edebug_resolve_benchmark_run (see CMakeLists.txt). The files lie in
// Edebug_resolve_benchmark_files beside the exe: the utility as utility.exe, its own data
// (debug.data), its runs (debug-expected.tsv) and the readers' files (debug.map, .tds, .jdbg).
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "exceptions/EdebugExports.h"
#include "exceptions/EdebugJedi.h"
#include "exceptions/EdebugMap.h"
#include "exceptions/EdebugNames.h"
#include "exceptions/EdebugOwnData.h"
#include "exceptions/EdebugTD32.h"
#include "tests/exceptions/debug_agreement.h"
#include "tests/exceptions/debug_fixture_rows.h"
#include "tests/support/benchmark_timing.h"

namespace {

volatile std::uint32_t Sink; // keeps the optimiser from dropping the work

template <class TScanner>
void AskAll(const TScanner& scanner, const std::vector<std::uint32_t>& offsets)
{
    std::uint32_t sum = 0, offset = 0;
    for (const std::uint32_t address : offsets) {
        sum += static_cast<std::uint32_t>(scanner.ModuleNameFromAddr(address).size());
        sum += static_cast<std::uint32_t>(scanner.SourceNameFromAddr(address).size());
        sum += static_cast<std::uint32_t>(scanner.ProcNameFromAddr(address, offset).size()) + offset;
        sum += static_cast<std::uint32_t>(scanner.LineNumberFromAddr(address, offset)) + offset;
    }
    Sink = sum;
}

// The export whose range holds the address: the greatest entry not above it.
const TVantrelFunctionInfo* ExportAt(const TVantrelFunctionsList& list, std::uintptr_t address)
{
    int low = 0, high = list.Count() - 1, found = -1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        if (list.GetItem(middle)->Address <= address) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return found < 0 ? nullptr : list.GetItem(found);
}

std::uint32_t U32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::uint16_t U16(const std::string& bytes, std::size_t at)
{
    std::uint16_t value = 0;
    if (at + 2 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

// The bytes of the image file's sections named ".debug_*" (long names "/N" point into the
// COFF string table behind the symbols).
std::uint64_t DwarfSize(const std::string& image)
{
    const std::uint32_t pe = U32(image, 0x3C);
    if (image.compare(0, 2, "MZ") != 0 || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    const std::uint16_t sections = U16(image, pe + 6);
    const std::uint32_t symbols = U32(image, pe + 12), symbolCount = U32(image, pe + 16);
    const std::size_t strings = std::size_t(symbols) + std::size_t(symbolCount) * 18;
    const std::size_t table = pe + 24 + U16(image, pe + 20);
    std::uint64_t total = 0;
    for (std::uint16_t i = 0; i < sections; ++i) {
        const std::size_t header = table + 40u * i;
        if (header + 40 > image.size()) break;
        std::string name(image.data() + header, strnlen(image.data() + header, 8));
        if (!name.empty() && name[0] == '/' && symbols != 0) {
            const std::size_t at = strings + std::strtoul(name.c_str() + 1, nullptr, 10);
            if (at < image.size()) name = std::string(image.data() + at, strnlen(image.data() + at, image.size() - at));
        }
        if (name.rfind(".debug_", 0) == 0) total += U32(image, header + 16); // SizeOfRawData
    }
    return total;
}

} // namespace

int main()
{
    try {
        const std::string folder = TDebugFixtureFolder("Edebug_resolve_benchmark_files").Path("");
        const std::vector<TExpectedDebugRun> runs = ReadExpectedDebugRuns(folder + "debug-expected.tsv");
        std::vector<std::uint32_t> relative, offsets;
        for (const TExpectedDebugRun& run : runs) {
            relative.push_back(run.Start);
            offsets.push_back(run.Start - DebugCodeStart);
        }
        const std::string own = ReadFixtureFile(folder + "debug.data");
        const std::string mapText = ReadFixtureFile(folder + "debug.map");
        const std::string td32Bytes = ReadFixtureFile(folder + "debug.tds");
        const std::string jediBytes = ReadFixtureFile(folder + "debug.jdbg");
        const std::string image = ReadFixtureFile(folder + "utility.exe");

        const TELMapScanner map(mapText);
        const TELTD32InfoScanner td32(td32Bytes.data(), td32Bytes.size());
        const TELBinDebugScanner jedi(jediBytes.data(), jediBytes.size(), true);
        if (!map.HasUnits() || !td32.ValidData() || !jedi.ValidFormat()) {
            std::fprintf(stderr, "a reader refuses its file\n");
            return 1;
        }
        // The utility's code bytes for the prologue rule, from the file: its sections lie
        // at their file offsets, so a relative address is looked up in the section table.
        const std::uint32_t pe = U32(image, 0x3C);
        const std::size_t sectionTable = pe + 24 + U16(image, pe + 20);
        const std::uint16_t sectionCount = U16(image, pe + 6);
        const TOwnDebugCodeReader readCode = [&](std::uint32_t address, void* buffer, std::size_t length) {
            for (std::uint16_t i = 0; i < sectionCount; ++i) {
                const std::size_t h = sectionTable + 40u * i;
                const std::uint32_t rva = U32(image, h + 12), raw = U32(image, h + 16), at = U32(image, h + 20);
                if (address >= rva && address - rva + length <= raw && std::size_t(at) + raw <= image.size()) {
                    std::memcpy(buffer, image.data() + at + (address - rva), length);
                    return true;
                }
            }
            return false;
        };
        const TOwnDebugDataKey key{6015, "", true};

        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        TVantrelFunctionsList exports;
        ReadModuleExports(kernel, exports);
        if (exports.Count() < 2) {
            std::fprintf(stderr, "kernel32.dll lists no exports\n");
            return 1;
        }
        // As many addresses as runs, spread evenly from the first export to the last.
        std::vector<std::uintptr_t> exportAddresses;
        const std::uintptr_t first = exports.GetItem(0)->Address;
        const std::uintptr_t span = exports.GetItem(exports.Count() - 1)->Address - first;
        for (std::size_t i = 0; i < relative.size(); ++i)
            exportAddresses.push_back(first + static_cast<std::uintptr_t>(span * (double(i) / double(relative.size()))));

        const struct {
            const char* Name;
            std::function<void()> Run;
        } rows[] = {
            {"own debug data", [&] {
                 std::uint32_t sum = 0;
                 for (const std::uint32_t address : relative)
                     sum += static_cast<std::uint32_t>(
                         FindOwnDebugLocation(own.data(), own.size(), key, address, readCode).Line);
                 Sink = sum;
             }},
            {"map file", [&] { AskAll(map, offsets); }},
            {"TD32", [&] { AskAll(td32, offsets); }},
            {"JEDI", [&] { AskAll(jedi, offsets); }},
            {"exports (kernel32.dll)", [&] {
                 std::uint32_t sum = 0;
                 for (const std::uintptr_t address : exportAddresses)
                     if (const TVantrelFunctionInfo* info = ExportAt(exports, address))
                         sum += static_cast<std::uint32_t>(SplitExportName(info->Name).ProcedureName.size());
                 Sink = sum;
             }},
        };
        std::printf("%zu addresses (run starts of %zu runs); %d-bit build\n", relative.size(), runs.size(),
                    static_cast<int>(sizeof(void*) * 8));
        std::printf("%-24s %14s %14s\n", "source", "addresses/s", "us/address");
        for (const auto& row : rows) {
            const double seconds = SecondsPerRun(row.Run, 1.0);
            std::printf("%-24s %14.0f %14.2f\n", row.Name, double(relative.size()) / seconds,
                        seconds * 1e6 / double(relative.size()));
        }
        // The data as the block stores it: its 32-bit length, then the bytes, compressed.
        std::string stored(4, '\0');
        const std::uint32_t length = static_cast<std::uint32_t>(own.size());
        std::memcpy(stored.data(), &length, 4);
        stored += own;
        uLongf packedSize = compressBound(static_cast<uLong>(stored.size()));
        std::vector<Bytef> packed(packedSize);
        if (compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(stored.data()),
                      static_cast<uLong>(stored.size()), 9) != Z_OK) {
            std::fprintf(stderr, "zlib fails to compress the own data\n");
            return 1;
        }
        std::printf("own debug data %zu bytes, %lu compressed; .debug_* sections %llu bytes; exe %zu bytes\n",
                    own.size(), static_cast<unsigned long>(packedSize),
                    static_cast<unsigned long long>(DwarfSize(image)), image.size());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
