// The length decoder against the cross toolchain's disassembler: the build lists a few
// kilobytes of this very exe's code with objdump (objdump_listing.py) beside the exe, and
// every instruction of it must decode to objdump's length and relative target.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "exceptions/Easmlen.h"
#include "tests/exceptions/beside_exe.h"

namespace {

struct TListedInstruction {
    std::uint64_t Address;
    std::vector<std::uint8_t> Code;
    bool HasTarget;
    std::uint64_t Target;
};

struct TListedProcedure {
    std::string Name;
    std::vector<TListedInstruction> Instructions;
};

std::vector<std::uint8_t> FromHex(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<TListedProcedure> ReadListing(const std::string& path)
{
    std::vector<TListedProcedure> procedures;
    std::istringstream lines(ReadWholeFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("F ", 0) == 0) {
            procedures.push_back({line.substr(2), {}});
        } else if (line.rfind("I ", 0) == 0 && !procedures.empty()) {
            std::istringstream fields(line.substr(2));
            std::string address, code, target;
            fields >> address >> code >> target;
            TListedInstruction ins{std::stoull(address, nullptr, 16), FromHex(code), target != "-", 0};
            if (ins.HasTarget) ins.Target = std::stoull(target, nullptr, 16);
            procedures.back().Instructions.push_back(std::move(ins));
        }
    }
    return procedures;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
        text += ' ';
    }
    return text;
}

// An EIP-relative operand (67 in long mode) wraps at 4 GiB.
bool WrapsAt4GiB(const std::uint8_t* code, const TAsmInstruction& ins)
{
    if (NativeCpuMode != TCpuMode::cm64 || !ins.RipRelative) return false;
    for (std::size_t i = 0; i < ins.PrefixCount; ++i)
        if (code[i] == 0x67) return true;
    return false;
}

struct TCrossCheckCounts {
    std::size_t Bytes = 0, Instructions = 0, Targets = 0;
};

// Decodes every listed instruction and compares its length and relative target with
// objdump's.
TCrossCheckCounts CrossCheck(const std::vector<TListedProcedure>& procedures)
{
    TCrossCheckCounts counts;
    for (const TListedProcedure& procedure : procedures) {
        SCOPED_TRACE(procedure.Name);
        // The procedure's bytes in one buffer, so each instruction decodes with what
        // follows it in memory.
        std::vector<std::uint8_t> code;
        for (const TListedInstruction& listed : procedure.Instructions)
            code.insert(code.end(), listed.Code.begin(), listed.Code.end());
        std::size_t offset = 0;
        for (const TListedInstruction& listed : procedure.Instructions) {
            TAsmInstruction ins;
            const bool decoded = DecodeInstruction(code.data() + offset, code.size() - offset, NativeCpuMode, ins);
            EXPECT_TRUE(decoded && ins.Size == listed.Code.size())
                << std::hex << listed.Address << ": " << Hex(listed.Code) << "decoded " << decoded << ", length "
                << std::dec << int(ins.Size);
            if (listed.HasTarget) {
                const bool relative = ins.Branch != TBranchKind::bkNone || ins.RipRelative;
                std::uint64_t target = listed.Address + ins.Size + RelativeDisplacement(code.data() + offset, ins);
                if (NativeCpuMode == TCpuMode::cm32 || WrapsAt4GiB(code.data() + offset, ins)) target &= 0xFFFFFFFFu;
                EXPECT_TRUE(relative && target == listed.Target)
                    << std::hex << listed.Address << ": " << Hex(listed.Code) << "target " << target << ", objdump's "
                    << listed.Target;
                ++counts.Targets;
            }
            offset += listed.Code.size();
            ++counts.Instructions;
        }
        counts.Bytes += code.size();
    }
    return counts;
}

TEST(AsmLengthAgainstObjdump, EveryListedInstructionOfOurBuild)
{
    const std::string path = BesideExe(".objdump.txt");
    const std::vector<TListedProcedure> procedures = ReadListing(path);
    ASSERT_GE(procedures.size(), 8u) << "listing " << path;

    const TCrossCheckCounts counts = CrossCheck(procedures);
    EXPECT_GE(counts.Bytes, 4096u) << "a few kilobytes at least";
    EXPECT_GE(counts.Targets, 50u);
    std::printf("cross-checked %zu instructions (%zu bytes, %zu relative targets) in %zu procedures\n",
                counts.Instructions, counts.Bytes, counts.Targets, procedures.size());
}

// The assembled fixture (asmlen_fixture_<arch>.s): address-size overrides and WAIT, which
// compiled code seldom holds.
TEST(AsmLengthAgainstObjdump, TheAssembledFixture)
{
    const std::string path = BesideExe(".fixture.objdump.txt");
    const std::vector<TListedProcedure> procedures = ReadListing(path);
    std::size_t overrides = 0, waits = 0;
    for (const TListedProcedure& procedure : procedures)
        for (const TListedInstruction& listed : procedure.Instructions) {
            if (listed.Code.size() > 1 && listed.Code[0] == 0x67) ++overrides;
            if (listed.Code.size() == 1 && listed.Code[0] == 0x9B) ++waits;
        }
    ASSERT_EQ(procedures.size(), 2u) << "listing " << path;
    EXPECT_GE(overrides, 7u);
    EXPECT_EQ(waits, 5u);

    const TCrossCheckCounts counts = CrossCheck(procedures);
    std::printf("cross-checked %zu fixture instructions (%zu bytes)\n", counts.Instructions, counts.Bytes);
}

} // namespace
