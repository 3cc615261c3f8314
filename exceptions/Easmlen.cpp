#include "exceptions/Easmlen.h"

#include <array>
#include <cstring>

namespace {

// Each opcode has a 4-bit class: the low nibble of the table entry for the one-byte map,
// the high nibble for the 0F map. The class says which operands follow the opcode.
enum TOpClass : std::uint8_t {
    cOp = 0,      // nothing
    cI8 = 1,      // imm8
    cI16 = 2,     // imm16
    cI16I8 = 3,   // imm16, imm8 (ENTER)
    cIz = 4,      // imm16 or imm32 by operand size
    cIv = 5,      // imm16, imm32 or imm64 (MOV reg, imm)
    cMoffs = 6,   // an absolute offset of the address size (A0-A3)
    cFar = 7,     // ptr16:16 or ptr16:32 (far CALL, JMP)
    cJ8 = 8,      // rel8
    cJz = 9,      // rel16 or rel32
    cPrefix = 10, // a legacy prefix (one-byte map only)
    cEscape = 11, // 0F; in the 0F map, the three-byte escapes 38 and 3A
    cM = 12,      // ModR/M
    cMI8 = 13,    // ModR/M, imm8
    cMIz = 14,    // ModR/M, imm16 or imm32 (F6/F7 add theirs by the reg field)
    cBad = 15,    // not decodable
};

struct TRange {
    std::uint8_t First, Last;
    TOpClass Class;
};

constexpr TRange OneByteMap[] = {
    {0x00, 0x03, cM}, {0x04, 0x04, cI8}, {0x05, 0x05, cIz}, {0x06, 0x07, cOp},
    {0x08, 0x0B, cM}, {0x0C, 0x0C, cI8}, {0x0D, 0x0D, cIz}, {0x0E, 0x0E, cOp}, {0x0F, 0x0F, cEscape},
    {0x10, 0x13, cM}, {0x14, 0x14, cI8}, {0x15, 0x15, cIz}, {0x16, 0x17, cOp},
    {0x18, 0x1B, cM}, {0x1C, 0x1C, cI8}, {0x1D, 0x1D, cIz}, {0x1E, 0x1F, cOp},
    {0x20, 0x23, cM}, {0x24, 0x24, cI8}, {0x25, 0x25, cIz}, {0x26, 0x26, cPrefix}, {0x27, 0x27, cOp},
    {0x28, 0x2B, cM}, {0x2C, 0x2C, cI8}, {0x2D, 0x2D, cIz}, {0x2E, 0x2E, cPrefix}, {0x2F, 0x2F, cOp},
    {0x30, 0x33, cM}, {0x34, 0x34, cI8}, {0x35, 0x35, cIz}, {0x36, 0x36, cPrefix}, {0x37, 0x37, cOp},
    {0x38, 0x3B, cM}, {0x3C, 0x3C, cI8}, {0x3D, 0x3D, cIz}, {0x3E, 0x3E, cPrefix}, {0x3F, 0x3F, cOp},
    {0x40, 0x5F, cOp},
    {0x60, 0x61, cOp}, {0x62, 0x63, cM}, {0x64, 0x67, cPrefix}, {0x68, 0x68, cIz}, {0x69, 0x69, cMIz},
    {0x6A, 0x6A, cI8}, {0x6B, 0x6B, cMI8}, {0x6C, 0x6F, cOp},
    {0x70, 0x7F, cJ8},
    {0x80, 0x80, cMI8}, {0x81, 0x81, cMIz}, {0x82, 0x83, cMI8}, {0x84, 0x8F, cM},
    {0x90, 0x99, cOp}, {0x9A, 0x9A, cFar}, {0x9B, 0x9F, cOp},
    {0xA0, 0xA3, cMoffs}, {0xA4, 0xA7, cOp}, {0xA8, 0xA8, cI8}, {0xA9, 0xA9, cIz}, {0xAA, 0xAF, cOp},
    {0xB0, 0xB7, cI8}, {0xB8, 0xBF, cIv},
    {0xC0, 0xC1, cMI8}, {0xC2, 0xC2, cI16}, {0xC3, 0xC3, cOp}, {0xC4, 0xC5, cM}, {0xC6, 0xC6, cMI8},
    {0xC7, 0xC7, cMIz}, {0xC8, 0xC8, cI16I8}, {0xC9, 0xC9, cOp}, {0xCA, 0xCA, cI16}, {0xCB, 0xCC, cOp},
    {0xCD, 0xCD, cI8}, {0xCE, 0xCF, cOp},
    {0xD0, 0xD3, cM}, {0xD4, 0xD5, cI8}, {0xD6, 0xD7, cOp}, {0xD8, 0xDF, cM},
    {0xE0, 0xE3, cJ8}, {0xE4, 0xE7, cI8}, {0xE8, 0xE9, cJz}, {0xEA, 0xEA, cFar}, {0xEB, 0xEB, cJ8},
    {0xEC, 0xEF, cOp},
    {0xF0, 0xF0, cPrefix}, {0xF1, 0xF1, cOp}, {0xF2, 0xF3, cPrefix}, {0xF4, 0xF5, cOp},
    {0xF6, 0xF7, cM}, {0xF8, 0xFD, cOp}, {0xFE, 0xFF, cM},
};

constexpr TRange TwoByteMap[] = {
    {0x00, 0x03, cM}, {0x04, 0x04, cBad}, {0x05, 0x09, cOp}, {0x0A, 0x0A, cBad}, {0x0B, 0x0B, cOp},
    {0x0C, 0x0C, cBad}, {0x0D, 0x0D, cM}, {0x0E, 0x0E, cOp}, {0x0F, 0x0F, cMI8},  // 3DNow!: imm8 suffix
    {0x10, 0x1F, cM},
    {0x20, 0x23, cM}, {0x24, 0x27, cBad}, {0x28, 0x2F, cM},
    {0x30, 0x37, cOp}, {0x38, 0x38, cEscape}, {0x39, 0x39, cBad}, {0x3A, 0x3A, cEscape}, {0x3B, 0x3F, cBad},
    {0x40, 0x6F, cM},
    {0x70, 0x73, cMI8}, {0x74, 0x76, cM}, {0x77, 0x77, cOp}, {0x78, 0x79, cM}, {0x7A, 0x7B, cBad},
    {0x7C, 0x7F, cM},
    {0x80, 0x8F, cJz},
    {0x90, 0x9F, cM},
    {0xA0, 0xA2, cOp}, {0xA3, 0xA3, cM}, {0xA4, 0xA4, cMI8}, {0xA5, 0xA5, cM}, {0xA6, 0xA7, cBad},
    {0xA8, 0xAA, cOp}, {0xAB, 0xAB, cM}, {0xAC, 0xAC, cMI8}, {0xAD, 0xAF, cM},
    {0xB0, 0xB9, cM}, {0xBA, 0xBA, cMI8}, {0xBB, 0xBF, cM},
    {0xC0, 0xC1, cM}, {0xC2, 0xC2, cMI8}, {0xC3, 0xC3, cM}, {0xC4, 0xC6, cMI8}, {0xC7, 0xC7, cM},
    {0xC8, 0xCF, cOp},
    {0xD0, 0xFF, cM},
};

constexpr std::array<std::uint8_t, 256> BuildClassTable()
{
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = cBad | (cBad << 4);
    for (const TRange& r : OneByteMap)
        for (int op = r.First; op <= r.Last; ++op)
            table[op] = static_cast<std::uint8_t>((table[op] & 0xF0) | r.Class);
    for (const TRange& r : TwoByteMap)
        for (int op = r.First; op <= r.Last; ++op)
            table[op] = static_cast<std::uint8_t>((table[op] & 0x0F) | (r.Class << 4));
    return table;
}

constexpr std::array<std::uint8_t, 256> ClassTable = BuildClassTable();

// One-byte opcodes that long mode removed (C4, C5 and 62 became the VEX and EVEX
// escapes there, which this decoder does not size).
constexpr std::uint8_t InvalidIn64[] = {0x06, 0x07, 0x0E, 0x16, 0x17, 0x1E, 0x1F, 0x27, 0x2F, 0x37, 0x3F,
                                        0x60, 0x61, 0x62, 0x82, 0x9A, 0xC4, 0xC5, 0xCE, 0xD4, 0xD5,
                                        0xD6, 0xEA};

bool IsInvalidIn64(std::uint8_t op) noexcept
{
    for (std::uint8_t bad : InvalidIn64)
        if (bad == op) return true;
    return false;
}

constexpr std::size_t MaxInstructionLength = 15;

// Decodes the ModR/M byte at pos and its SIB and displacement; advances pos past them.
bool DecodeModRM(const std::uint8_t* code, std::size_t limit, std::size_t& pos, bool address16, TCpuMode mode,
                 TAsmInstruction& out) noexcept
{
    if (pos >= limit) return false;
    const std::uint8_t modrm = code[pos++];
    const int mod = modrm >> 6;
    const int rm = modrm & 7;
    out.HasModRM = true;
    out.ModRM = modrm;
    std::size_t disp = 0;
    if (mod != 3) {
        if (address16) {
            if (mod == 0 && rm == 6) disp = 2;
            else if (mod == 1) disp = 1;
            else if (mod == 2) disp = 2;
        } else {
            if (rm == 4) {
                if (pos >= limit) return false;
                const std::uint8_t sib = code[pos++];
                if (mod == 0 && (sib & 7) == 5) disp = 4;
            } else if (mod == 0 && rm == 5) {
                disp = 4;
                out.RipRelative = mode == TCpuMode::cm64;
            }
            if (mod == 1) disp = 1;
            else if (mod == 2) disp = 4;
        }
    }
    if (disp != 0) {
        out.DispOffset = static_cast<std::uint8_t>(pos);
        out.DispSize = static_cast<std::uint8_t>(disp);
        pos += disp;
    }
    return pos <= limit;
}

std::int64_t ReadSigned(const std::uint8_t* p, std::size_t size) noexcept
{
    switch (size) {
    case 1: return static_cast<std::int8_t>(p[0]);
    case 2: {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case 4: {
        std::int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default: return 0;
    }
}

} // namespace

bool DecodeInstruction(const std::uint8_t* code, std::size_t available, TCpuMode mode,
                       TAsmInstruction& out) noexcept
{
    out = TAsmInstruction{};
    const bool long64 = mode == TCpuMode::cm64;
    const std::size_t limit = available < MaxInstructionLength ? available : MaxInstructionLength;
    std::size_t pos = 0;
    bool operand16 = false;
    bool addressOverride = false;  // 67: 16-bit addressing in 32-bit code, 32-bit in long mode
    std::uint8_t rex = 0;

    // Prefixes. A REX byte counts only directly before the opcode; one followed by a
    // legacy prefix is ignored by the processor, so it is dropped here too.
    for (;;) {
        if (pos >= limit) return false;
        const std::uint8_t b = code[pos];
        if (long64 && (b & 0xF0) == 0x40) {
            rex = b;
            ++pos;
            continue;
        }
        // WAIT (9B) is no prefix: the processor runs it as an instruction of its own even
        // where an assembler pairs it with the x87 instruction after it (FSTSW is 9B and
        // FNSTSW), and a branch may land between the two.
        if ((ClassTable[b] & 0x0F) != cPrefix) break;
        if (b == 0x66) operand16 = true;
        if (b == 0x67) addressOverride = true;
        rex = 0;
        ++pos;
    }
    out.PrefixCount = static_cast<std::uint8_t>(pos);
    out.Rex = rex;
    // Long mode has no 16-bit addressing: there 67 selects 32-bit addresses, which take
    // the same ModR/M, SIB and displacement forms as 64-bit ones.
    const bool address16 = addressOverride && !long64;
    const bool rexW = (rex & 0x08) != 0;
    if (rexW) operand16 = false;  // REX.W wins over 66

    std::uint8_t op = code[pos++];
    TOpClass cls = static_cast<TOpClass>(ClassTable[op] & 0x0F);
    if (long64 && IsInvalidIn64(op)) return false;
    if (cls == cEscape) {
        if (pos >= limit) return false;
        op = code[pos++];
        out.OpcodeMap = 1;
        cls = static_cast<TOpClass>(ClassTable[op] >> 4);
        if (cls == cEscape) {
            out.OpcodeMap = op == 0x38 ? 2 : 3;
            if (pos >= limit) return false;
            op = code[pos++];
            cls = out.OpcodeMap == 2 ? cM : cMI8;
        }
    }
    out.Opcode = op;

    std::size_t imm = 0;
    switch (cls) {
    case cOp: break;
    case cI8: imm = 1; break;
    case cI16: imm = 2; break;
    case cI16I8: imm = 3; break;
    case cIz: imm = operand16 ? 2 : 4; break;
    case cIv: imm = rexW ? 8 : operand16 ? 2 : 4; break;
    case cMoffs: {
        const std::size_t size = long64 ? (addressOverride ? 4 : 8) : (address16 ? 2 : 4);
        out.DispOffset = static_cast<std::uint8_t>(pos);
        out.DispSize = static_cast<std::uint8_t>(size);
        pos += size;
        break;
    }
    case cFar: imm = operand16 ? 4 : 6; break;
    case cJ8:
        imm = 1;
        out.Branch = TBranchKind::bkShort;
        break;
    case cJz:
        // Long mode keeps rel32 under 66 (as Intel processors do); only 32-bit code shrinks it.
        imm = (!long64 && operand16) ? 2 : 4;
        out.Branch = TBranchKind::bkNear;
        break;
    case cM:
    case cMI8:
    case cMIz: {
        // In 32-bit code, C4/C5 (LES/LDS) and 62 (BOUND) with a register operand are the
        // VEX and EVEX escapes.
        if (!long64 && out.OpcodeMap == 0 && (op == 0xC4 || op == 0xC5 || op == 0x62)) {
            if (pos >= limit) return false;
            if ((code[pos] >> 6) == 3) return false;
        }
        if (out.OpcodeMap == 1 && op >= 0x20 && op <= 0x23) {
            // MOV to and from control and debug registers take a register operand
            // whatever the mod bits say.
            if (pos >= limit) return false;
            out.HasModRM = true;
            out.ModRM = code[pos++];
        } else if (!DecodeModRM(code, limit, pos, address16, mode, out)) {
            return false;
        }
        if (cls == cMI8) imm = 1;
        if (cls == cMIz) imm = operand16 ? 2 : 4;
        if (out.OpcodeMap == 0 && (op == 0xF6 || op == 0xF7)) {
            // Only TEST (/0, and its alias /1) of group 3 has an immediate.
            const int reg = (out.ModRM >> 3) & 7;
            if (reg <= 1) imm = op == 0xF6 ? 1 : (operand16 ? 2 : 4);
        }
        break;
    }
    default: return false;
    }
    if (imm != 0) {
        out.ImmOffset = static_cast<std::uint8_t>(pos);
        out.ImmSize = static_cast<std::uint8_t>(imm);
        pos += imm;
    }
    if (pos > limit) return false;
    out.Size = static_cast<std::uint8_t>(pos);
    return true;
}

std::int64_t RelativeDisplacement(const std::uint8_t* code, const TAsmInstruction& ins) noexcept
{
    if (ins.Branch != TBranchKind::bkNone) return ReadSigned(code + ins.ImmOffset, ins.ImmSize);
    if (ins.RipRelative) return ReadSigned(code + ins.DispOffset, ins.DispSize);
    return 0;
}

bool IsReturnInstruction(const TAsmInstruction& ins) noexcept
{
    return ins.OpcodeMap == 0 && (ins.Opcode == 0xC2 || ins.Opcode == 0xC3 || ins.Opcode == 0xCA || ins.Opcode == 0xCB);
}

std::size_t FunctionSizeInBuffer(const std::uint8_t* code, std::size_t maxSize, TCpuMode mode) noexcept
{
    if (maxSize == 0) return 0;
    std::size_t pos = 0;
    while (pos < maxSize) {
        TAsmInstruction ins;
        if (!DecodeInstruction(code + pos, maxSize - pos, mode, ins)) return 1;
        pos += ins.Size;
        if (IsReturnInstruction(ins)) return pos;
    }
    return 1;
}
