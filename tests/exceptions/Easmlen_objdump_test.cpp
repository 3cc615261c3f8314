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

TEST(AsmLengthAgainstObjdump, EveryListedInstructionOfOurBuild)
{
    const std::string path = BesideExe(".objdump.txt");
    const std::vector<TListedProcedure> procedures = ReadListing(path);
    ASSERT_GE(procedures.size(), 8u) << "listing " << path;

    std::size_t bytes = 0, instructions = 0, targets = 0;
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
                if (NativeCpuMode == TCpuMode::cm32) target &= 0xFFFFFFFFu;
                EXPECT_TRUE(relative && target == listed.Target)
                    << std::hex << listed.Address << ": " << Hex(listed.Code) << "target " << target << ", objdump's "
                    << listed.Target;
                ++targets;
            }
            offset += listed.Code.size();
            ++instructions;
        }
        bytes += code.size();
    }
    EXPECT_GE(bytes, 4096u) << "a few kilobytes at least";
    EXPECT_GE(targets, 50u);
    std::printf("cross-checked %zu instructions (%zu bytes, %zu relative targets) in %zu procedures\n",
                instructions, bytes, targets, procedures.size());
}

} // namespace
