#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "exceptions/Easmlen.h"
#include "exceptions/Ehook.h"
#include "tests/exceptions/beside_exe.h"
#include "tests/exceptions/function_size_samples.h"

namespace {

// The addresses of the map's symbol lines ("  0x<address>  <name>"), by name, and the
// image base the linker placed them at.
struct TLinkerMap {
    std::map<std::string, std::uint64_t> Symbols;
    std::uint64_t ImageBase = 0;

    // The address of the nearest symbol above address.
    std::uint64_t NextAbove(std::uint64_t address) const
    {
        std::uint64_t next = UINT64_MAX;
        for (const auto& [name, at] : Symbols)
            if (at > address && at < next) next = at;
        return next;
    }
};

TLinkerMap ReadLinkerMap(const std::string& path)
{
    TLinkerMap map;
    std::istringstream lines(ReadWholeFile(path));
    const std::regex symbolLine(R"(^\s+0x([0-9a-fA-F]+)\s+(\S.*?)\s*$)");
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (!std::regex_match(line, m, symbolLine)) continue;
        const std::uint64_t address = std::stoull(m[1].str(), nullptr, 16);
        const std::string name = m[2].str();
        if (name.rfind("__image_base__ = ", 0) == 0) map.ImageBase = address;
        map.Symbols.emplace(name, address);
    }
    return map;
}

// An instruction that does nothing: nop, the 0F 1F nops, int3, and what the x86
// assembler pads with: "mov esi, esi" and "lea esi, [esi+0]" (with or without a SIB
// without index).
bool IsNoOperation(const std::uint8_t* code, const TAsmInstruction& ins)
{
    if (ins.OpcodeMap == 1) return ins.Opcode == 0x1F;
    if (ins.OpcodeMap != 0) return false;
    if (ins.Opcode == 0x90 || ins.Opcode == 0xCC) return true;
    const int mod = ins.ModRM >> 6, reg = (ins.ModRM >> 3) & 7, rm = ins.ModRM & 7;
    if (ins.Opcode == 0x89 || ins.Opcode == 0x8B) return mod == 3 && reg == rm;
    if (ins.Opcode != 0x8D || mod == 3 || mod == 0) return false;
    for (std::size_t i = 0; i < ins.DispSize; ++i)
        if (code[ins.DispOffset + i] != 0) return false;
    if (rm != 4) return reg == rm;
    const std::uint8_t sib = code[ins.DispOffset - 1];
    return ((sib >> 3) & 7) == 4 && (sib & 7) == reg;
}

// Alignment padding between procedures.
bool IsPadding(const std::uint8_t* code, std::size_t size)
{
    std::size_t pos = 0;
    while (pos < size) {
        TAsmInstruction ins;
        if (!DecodeInstruction(code + pos, size - pos, NativeCpuMode, ins)) return false;
        if (!IsNoOperation(code + pos, ins)) return false;
        pos += ins.Size;
    }
    return true;
}

TEST(FunctionSize, MatchesTheLinkerMapUpToThePadding)
{
    const TLinkerMap map = ReadLinkerMap(BesideExe(".map"));
    ASSERT_FALSE(map.Symbols.empty()) << "no linker map beside the exe";
    ASSERT_NE(map.ImageBase, 0u);
    const auto loadedBase = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
    for (const TSizeSample& sample : SizeSamples) {
        SCOPED_TRACE(sample.Name);
        // x86 C names carry a leading underscore.
        auto it = map.Symbols.find(sample.Name);
        if (it == map.Symbols.end()) it = map.Symbols.find(std::string("_") + sample.Name);
        ASSERT_NE(it, map.Symbols.end());
        const std::uint64_t rva = it->second - map.ImageBase;
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(sample.Address) - loadedBase, rva) << "the map's symbol is ours";
        const std::size_t mapSize = static_cast<std::size_t>(map.NextAbove(it->second) - it->second);
        ASSERT_LT(mapSize, 4096u);

        const std::size_t size = GetFunctionSize(sample.Address, mapSize);
        ASSERT_GT(size, 1u);
        ASSERT_LE(size, mapSize);
        const auto* code = static_cast<const std::uint8_t*>(sample.Address);
        EXPECT_TRUE(IsPadding(code + size, mapSize - size))
            << "size " << size << " of " << mapSize << " in the map: the rest is not padding";
        EXPECT_EQ(GetFunctionSize(sample.Address, size - 1), 1u) << "the return lies beyond the maximum";
        EXPECT_EQ(GetFunctionSize(sample.Address, 0), 0u);
    }
}

TEST(FunctionSize, StopsAtUnreadableMemory)
{
    auto* page = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(page, nullptr) << GetLastError();
    ASSERT_NE(VirtualAlloc(page, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr) << GetLastError();
    // Nops to the end of the readable page, then nothing: no return within reach.
    std::memset(page, 0x90, 4096);
    EXPECT_EQ(GetFunctionSize(page + 4000, 1000), 1u);
    page[4095] = 0xC3;
    EXPECT_EQ(GetFunctionSize(page + 4000, 1000), 96u);
    EXPECT_EQ(GetFunctionSize(page + 4096, 10), 1u);
    int size = 0;
    EXPECT_FALSE(GetAsmSize(page + 4096, size));
    EXPECT_EQ(size, 1);
    EXPECT_TRUE(GetAsmSize(page + 4095, size));
    EXPECT_EQ(size, 1);
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE));
}

TEST(GetAsmSize, SizesOurOwnCode)
{
    // mov eax, 0x5A5A; ret, in memory of this process.
    const std::uint8_t code[] = {0xB8, 0x5A, 0x5A, 0x00, 0x00, 0xC3};
    int size = 0;
    EXPECT_TRUE(GetAsmSize(code, size));
    EXPECT_EQ(size, 5);
    EXPECT_TRUE(GetAsmSize(code + 5, size));
    EXPECT_EQ(size, 1);
    const std::uint8_t bad[] = {0x0F, 0x04, 0x90};
    EXPECT_FALSE(GetAsmSize(bad, size));
    EXPECT_EQ(size, 1);
    EXPECT_FALSE(GetAsmSize(nullptr, size));
}

} // namespace
