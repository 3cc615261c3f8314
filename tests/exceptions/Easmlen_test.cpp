#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/Easmlen.h"

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

struct TLengthCase {
    const char* Label;
    std::vector<std::uint8_t> Code;
    int Length;  // 0: undecodable
};

void ExpectLengths(const std::vector<TLengthCase>& cases, TCpuMode mode)
{
    for (const TLengthCase& c : cases) {
        SCOPED_TRACE(c.Label);
        // A guard byte after the instruction shows that the decoder stops at its end.
        std::vector<std::uint8_t> code = c.Code;
        code.push_back(0xCC);
        TAsmInstruction ins;
        const bool decoded = DecodeInstruction(code.data(), code.size(), mode, ins);
        if (c.Length == 0) {
            EXPECT_FALSE(decoded);
        } else {
            ASSERT_TRUE(decoded);
            EXPECT_EQ(ins.Size, c.Length);
            EXPECT_EQ(static_cast<std::size_t>(c.Length), c.Code.size()) << "the case's own bytes";
        }
    }
}

constexpr int D32[] = {0x78, 0x56, 0x34, 0x12};

TEST(AsmLength, OneByteOpcodesAndTheirImmediatesIn32BitCode)
{
    ExpectLengths({
        {"nop", Bytes({0x90}), 1},
        {"push ebp", Bytes({0x55}), 1},
        {"inc eax (no REX in 32-bit code)", Bytes({0x40}), 1},
        {"ret", Bytes({0xC3}), 1},
        {"ret imm16", Bytes({0xC2, 0x08, 0x00}), 3},
        {"retf imm16", Bytes({0xCA, 0x04, 0x00}), 3},
        {"enter imm16, imm8", Bytes({0xC8, 0x10, 0x00, 0x00}), 4},
        {"int imm8", Bytes({0xCD, 0x2E}), 2},
        {"add al, imm8", Bytes({0x04, 0x01}), 2},
        {"add eax, imm32", Bytes({0x05, D32[0], D32[1], D32[2], D32[3]}), 5},
        {"add ax, imm16 (66)", Bytes({0x66, 0x05, 0x34, 0x12}), 4},
        {"mov eax, imm32", Bytes({0xB8, 1, 2, 3, 4}), 5},
        {"mov ax, imm16 (66)", Bytes({0x66, 0xB8, 1, 2}), 4},
        {"mov cl, imm8", Bytes({0xB1, 7}), 2},
        {"push imm32", Bytes({0x68, 1, 2, 3, 4}), 5},
        {"push imm8", Bytes({0x6A, 1}), 2},
        {"test eax, imm32", Bytes({0xA9, 1, 2, 3, 4}), 5},
        {"mov eax, [moffs32]", Bytes({0xA1, 1, 2, 3, 4}), 5},
        {"mov eax, [moffs16] (67)", Bytes({0x67, 0xA1, 1, 2}), 4},
        {"call far ptr16:32", Bytes({0x9A, 1, 2, 3, 4, 5, 6}), 7},
        {"jmp far ptr16:16 (66)", Bytes({0x66, 0xEA, 1, 2, 3, 4}), 6},
        {"salc (valid in 32-bit code)", Bytes({0xD6}), 1},
        {"aam imm8", Bytes({0xD4, 0x0A}), 2},
        {"in al, imm8", Bytes({0xE4, 0x60}), 2},
    }, TCpuMode::cm32);
}

TEST(AsmLength, RelativeBranches)
{
    ExpectLengths({
        {"jmp rel8", Bytes({0xEB, 0xFE}), 2},
        {"jz rel8", Bytes({0x74, 0x10}), 2},
        {"loop rel8", Bytes({0xE2, 0xFE}), 2},
        {"jecxz rel8", Bytes({0xE3, 0x00}), 2},
        {"call rel32", Bytes({0xE8, 1, 2, 3, 4}), 5},
        {"jmp rel32", Bytes({0xE9, 1, 2, 3, 4}), 5},
        {"jmp rel16 (66)", Bytes({0x66, 0xE9, 1, 2}), 4},
        {"jz rel32 (0F 84)", Bytes({0x0F, 0x84, 1, 2, 3, 4}), 6},
        {"jg rel32 (0F 8F)", Bytes({0x0F, 0x8F, 1, 2, 3, 4}), 6},
    }, TCpuMode::cm32);
}

TEST(AsmLength, ModRMAndSibFormsWithDisplacements)
{
    ExpectLengths({
        {"mod 00: mov eax, [eax]", Bytes({0x8B, 0x00}), 2},
        {"mod 00 r/m 101: mov eax, [disp32]", Bytes({0x8B, 0x05, 1, 2, 3, 4}), 6},
        {"mod 00 SIB: mov eax, [esp]", Bytes({0x8B, 0x04, 0x24}), 3},
        {"mod 00 SIB base 101: mov eax, [eax*4+disp32]", Bytes({0x8B, 0x04, 0x85, 1, 2, 3, 4}), 7},
        {"mod 01: mov eax, [ebp+8]", Bytes({0x8B, 0x45, 0x08}), 3},
        {"mod 01 SIB: mov eax, [esp+4]", Bytes({0x8B, 0x44, 0x24, 0x04}), 4},
        {"mod 01 SIB base 101: mov eax, [ebp+ecx+8]", Bytes({0x8B, 0x44, 0x0D, 0x08}), 4},
        {"mod 10: mov eax, [ebp+disp32]", Bytes({0x8B, 0x85, 1, 2, 3, 4}), 6},
        {"mod 10 SIB: mov eax, [esp+disp32]", Bytes({0x8B, 0x84, 0x24, 1, 2, 3, 4}), 7},
        {"mod 11: mov eax, ecx", Bytes({0x8B, 0xC1}), 2},
        {"mod 11 r/m 100 has no SIB: mov esp, ebp", Bytes({0x89, 0xEC}), 2},
        {"16-bit mod 00 r/m 110: [disp16]", Bytes({0x67, 0x8B, 0x06, 1, 2}), 5},
        {"16-bit mod 00 r/m 100: [si], no SIB", Bytes({0x67, 0x8B, 0x04}), 3},
        {"16-bit mod 01: [bx+disp8]", Bytes({0x67, 0x8B, 0x47, 0x01}), 4},
        {"16-bit mod 10: [bx+disp16]", Bytes({0x67, 0x8B, 0x87, 1, 2}), 5},
        {"x87: fld qword [ebp-8]", Bytes({0xDD, 0x45, 0xF8}), 3},
        {"les eax, [eax] (memory form of C4)", Bytes({0xC4, 0x00}), 2},
        {"mov cr0, eax ignores the mod bits", Bytes({0x0F, 0x22, 0x05}), 3},
        {"mov eax, dr7 ignores the mod bits", Bytes({0x0F, 0x21, 0x3D}), 3},
    }, TCpuMode::cm32);
}

TEST(AsmLength, ImmediatesThatFollowTheModRM)
{
    ExpectLengths({
        {"6B imul eax, eax, imm8", Bytes({0x6B, 0xC0, 0x05}), 3},
        {"69 imul eax, eax, imm32", Bytes({0x69, 0xC0, 1, 2, 3, 4}), 6},
        {"69 imul ax, ax, imm16 (66)", Bytes({0x66, 0x69, 0xC0, 1, 2}), 5},
        {"80 cmp byte [eax], imm8", Bytes({0x80, 0x38, 0x01}), 3},
        {"81 cmp dword [eax], imm32", Bytes({0x81, 0x38, 1, 2, 3, 4}), 6},
        {"81 with SIB and disp32", Bytes({0x81, 0x84, 0x24, 1, 2, 3, 4, 5, 6, 7, 8}), 11},
        {"82 add al, imm8", Bytes({0x82, 0xC0, 0x01}), 3},
        {"83 add esp, imm8", Bytes({0x83, 0xC4, 0x04}), 3},
        {"C0 shl al, imm8", Bytes({0xC0, 0xE0, 0x02}), 3},
        {"C1 shl eax, imm8", Bytes({0xC1, 0xE0, 0x02}), 3},
        {"C6 mov byte [eax], imm8", Bytes({0xC6, 0x00, 0x01}), 3},
        {"C7 mov dword [eax], imm32", Bytes({0xC7, 0x00, 1, 2, 3, 4}), 6},
        {"C7 mov dword [ebp-8], imm32", Bytes({0xC7, 0x45, 0xF8, 1, 2, 3, 4}), 7},
        {"C7 mov dword [esp+4], imm32", Bytes({0xC7, 0x44, 0x24, 0x04, 1, 2, 3, 4}), 8},
        {"C7 mov word [eax], imm16 (66)", Bytes({0x66, 0xC7, 0x00, 1, 2}), 5},
        {"F6 /0 test cl, imm8", Bytes({0xF6, 0xC1, 0x01}), 3},
        {"F6 /3 neg al: no immediate", Bytes({0xF6, 0xD8}), 2},
        {"F7 /0 test ecx, imm32", Bytes({0xF7, 0xC1, 1, 2, 3, 4}), 6},
        {"F7 /0 test cx, imm16 (66)", Bytes({0x66, 0xF7, 0xC1, 1, 2}), 5},
        {"F7 /2 not dword [eax]: no immediate", Bytes({0xF7, 0x10}), 2},
        {"F7 /7 idiv dword [ebp+8]", Bytes({0xF7, 0x7D, 0x08}), 3},
    }, TCpuMode::cm32);
}

TEST(AsmLength, TwoAndThreeByteOpcodes)
{
    ExpectLengths({
        {"nop dword [eax+eax+0]", Bytes({0x0F, 0x1F, 0x44, 0x00, 0x00}), 5},
        {"movzx eax, al", Bytes({0x0F, 0xB6, 0xC0}), 3},
        {"imul eax, ecx", Bytes({0x0F, 0xAF, 0xC1}), 3},
        {"rdtsc", Bytes({0x0F, 0x31}), 2},
        {"cpuid", Bytes({0x0F, 0xA2}), 2},
        {"ud2", Bytes({0x0F, 0x0B}), 2},
        {"bswap eax", Bytes({0x0F, 0xC8}), 2},
        {"bt eax, imm8", Bytes({0x0F, 0xBA, 0xE0, 0x03}), 4},
        {"shld edx, eax, imm8", Bytes({0x0F, 0xA4, 0xC2, 0x04}), 4},
        {"sete al", Bytes({0x0F, 0x94, 0xC0}), 3},
        {"cmovz eax, [ecx+8]", Bytes({0x0F, 0x44, 0x41, 0x08}), 4},
        {"pshufd xmm0, xmm1, imm8", Bytes({0x66, 0x0F, 0x70, 0xC1, 0x1B}), 5},
        {"movsd xmm0, [ebp-8]", Bytes({0xF2, 0x0F, 0x10, 0x45, 0xF8}), 5},
        {"cmpps xmm0, xmm1, imm8", Bytes({0x0F, 0xC2, 0xC1, 0x01}), 4},
        {"pshufb xmm0, xmm1 (0F 38)", Bytes({0x66, 0x0F, 0x38, 0x00, 0xC1}), 5},
        {"palignr xmm0, xmm1, imm8 (0F 3A)", Bytes({0x66, 0x0F, 0x3A, 0x0F, 0xC1, 0x08}), 6},
        {"3DNow! pfadd: imm8 suffix", Bytes({0x0F, 0x0F, 0xC1, 0x9E}), 4},
    }, TCpuMode::cm32);
}

TEST(AsmLength, PrefixesCountInTheLength)
{
    ExpectLengths({
        {"lock cmpxchg [edx], ecx", Bytes({0xF0, 0x0F, 0xB1, 0x0A}), 4},
        {"rep movsd", Bytes({0xF3, 0xA5}), 2},
        {"mov eax, fs:[0x18]", Bytes({0x64, 0xA1, 0x18, 0, 0, 0}), 6},
        {"cs: mov eax, [eax]", Bytes({0x2E, 0x8B, 0x00}), 3},
        {"nopw cs:[eax+eax+disp32]", Bytes({0x66, 0x2E, 0x0F, 0x1F, 0x84, 0x00, 0, 0, 0, 0}), 10},
        {"66 and 67 together on mov [disp16], imm16",
         Bytes({0x66, 0x67, 0xC7, 0x06, 1, 2, 3, 4}), 8},
        {"fourteen prefixes make 15 bytes", Bytes({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                                                   0x66, 0x66, 0x66, 0x66, 0x90}), 15},
    }, TCpuMode::cm32);
}

TEST(AsmLength, UndecodableBytes)
{
    ExpectLengths({
        {"0F 04", Bytes({0x0F, 0x04}), 0},
        {"0F 0A", Bytes({0x0F, 0x0A}), 0},
        {"0F A6", Bytes({0x0F, 0xA6}), 0},
        {"VEX: C4 with a register ModR/M", Bytes({0xC4, 0xE2, 0x79, 0x18, 0xC0}), 0},
        {"EVEX: 62 with a register ModR/M", Bytes({0x62, 0xF1, 0x7C, 0x48, 0x28, 0xC1}), 0},
        {"fifteen prefixes exceed 15 bytes", Bytes({0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                                                    0x66, 0x66, 0x66, 0x66, 0x66, 0x90}), 0},
    }, TCpuMode::cm32);

    const struct {
        const char* Label;
        std::vector<std::uint8_t> Code;
    } truncated[] = {
        {"empty", {}},
        {"prefixes only", Bytes({0x66, 0xF0})},
        {"call rel32 cut short", Bytes({0xE8, 0, 0})},
        {"ModR/M missing", Bytes({0x8B})},
        {"SIB missing", Bytes({0x8B, 0x04})},
        {"disp32 cut short", Bytes({0x8B, 0x05, 1, 2, 3})},
        {"0F without its opcode", Bytes({0x0F})},
    };
    for (const auto& c : truncated) {
        SCOPED_TRACE(c.Label);
        TAsmInstruction ins;
        EXPECT_FALSE(DecodeInstruction(c.Code.data(), c.Code.size(), TCpuMode::cm32, ins));
    }
}

TEST(AsmLength, LongModeRexAndRipRelativeOperands)
{
    ExpectLengths({
        {"mov rbp, rsp", Bytes({0x48, 0x89, 0xE5}), 3},
        {"sub rsp, imm8", Bytes({0x48, 0x83, 0xEC, 0x28}), 4},
        {"push rbp with REX (40 is no inc here)", Bytes({0x40, 0x55}), 2},
        {"movabs rax, imm64", Bytes({0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}), 10},
        {"movabs r11, imm64", Bytes({0x49, 0xBB, 1, 2, 3, 4, 5, 6, 7, 8}), 10},
        {"mov r8d, imm32", Bytes({0x41, 0xB8, 1, 2, 3, 4}), 6},
        {"mov rax, [rip+disp32]", Bytes({0x48, 0x8B, 0x05, 1, 2, 3, 4}), 7},
        {"lea rcx, [rip+disp32]", Bytes({0x48, 0x8D, 0x0D, 1, 2, 3, 4}), 7},
        {"mov dword [rip+disp32], imm32", Bytes({0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}), 10},
        {"mov qword [rip+disp32], imm32", Bytes({0x48, 0xC7, 0x05, 1, 2, 3, 4, 5, 6, 7, 8}), 11},
        {"mov word [rip+disp32], imm16", Bytes({0x66, 0xC7, 0x05, 1, 2, 3, 4, 5, 6}), 9},
        {"add rax, imm32 (REX.W keeps imm32)", Bytes({0x48, 0x05, 1, 2, 3, 4}), 6},
        {"mov rax, [disp32] through SIB", Bytes({0x48, 0x8B, 0x04, 0x25, 1, 2, 3, 4}), 8},
        {"mov r13, [rsp+8]", Bytes({0x4C, 0x8B, 0x6C, 0x24, 0x08}), 5},
        {"mov rax, [r13+0] (r13 needs mod 01)", Bytes({0x49, 0x8B, 0x45, 0x00}), 4},
        {"jmp r11", Bytes({0x41, 0xFF, 0xE3}), 3},
        {"jmp [rip+disp32]", Bytes({0xFF, 0x25, 1, 2, 3, 4}), 6},
        {"rex.W jmp [rip+disp32]", Bytes({0x48, 0xFF, 0x25, 1, 2, 3, 4}), 7},
        {"movabs eax, [moffs64]", Bytes({0xA1, 1, 2, 3, 4, 5, 6, 7, 8}), 9},
        {"mov eax, [moffs32] (67)", Bytes({0x67, 0xA1, 1, 2, 3, 4}), 6},
        // 67 selects 32-bit addressing in long mode: SIB and disp32 stay, no 16-bit forms.
        {"mov eax, [esp] (67): SIB", Bytes({0x67, 0x8B, 0x04, 0x24}), 4},
        {"mov eax, [eip+disp32] (67)", Bytes({0x67, 0x8B, 0x05, 1, 2, 3, 4}), 7},
        {"mov dword [esi], imm32 (67)", Bytes({0x67, 0xC7, 0x06, 1, 2, 3, 4}), 7},
        {"mov eax, [edi+disp32] (67)", Bytes({0x67, 0x8B, 0x87, 1, 2, 3, 4}), 7},
        {"mov eax, [esp+disp8] (67)", Bytes({0x67, 0x8B, 0x44, 0x24, 0x08}), 5},
        {"lea rax, [eax+ecx*4+disp32] (67)", Bytes({0x67, 0x48, 0x8D, 0x84, 0x88, 1, 2, 3, 4}), 9},
        {"REX before 66 is ignored", Bytes({0x48, 0x66, 0xB8, 1, 2}), 5},
        {"REX.W wins over 66", Bytes({0x66, 0x48, 0xB8, 1, 2, 3, 4, 5, 6, 7, 8}), 11},
        {"test r8, r8", Bytes({0x4D, 0x85, 0xC0}), 3},
        {"test r8, imm32", Bytes({0x49, 0xF7, 0xC0, 1, 2, 3, 4}), 7},
        {"endbr64", Bytes({0xF3, 0x0F, 0x1E, 0xFA}), 4},
        {"rep stosq", Bytes({0xF3, 0x48, 0xAB}), 3},
        {"syscall", Bytes({0x0F, 0x05}), 2},
        {"nopw cs:[rax+rax+disp32]", Bytes({0x66, 0x2E, 0x0F, 0x1F, 0x84, 0x00, 0, 0, 0, 0}), 10},
        {"movsxd rax, ecx", Bytes({0x48, 0x63, 0xC1}), 3},
        {"movaps xmm8, [rip+disp32]", Bytes({0x44, 0x0F, 0x28, 0x05, 1, 2, 3, 4}), 8},
        {"push es: gone in long mode", Bytes({0x06}), 0},
        {"pushad: gone in long mode", Bytes({0x60}), 0},
        {"82: gone in long mode", Bytes({0x82, 0xC0, 0x01}), 0},
        {"far call: gone in long mode", Bytes({0x9A, 1, 2, 3, 4, 5, 6}), 0},
        {"VEX (C4) not sized", Bytes({0xC4, 0xE2, 0x79, 0x18, 0x00}), 0},
        {"REX before an opcode gone in long mode", Bytes({0x48, 0x06}), 0},
    }, TCpuMode::cm64);
}

// WAIT is an instruction of its own, also where an assembler writes it as part of an x87
// mnemonic (FSTSW, FSTCW, FINIT are WAIT and their FN forms).
TEST(AsmLength, WaitIsAnInstructionByItselfInBothModes)
{
    const struct {
        const char* Label;
        std::vector<std::uint8_t> Code;
        std::vector<int> Lengths;
    } cases[] = {
        {"fstsw ax", Bytes({0x9B, 0xDF, 0xE0}), {1, 2}},
        {"fstcw [ebp-2]", Bytes({0x9B, 0xD9, 0x7D, 0xFE}), {1, 3}},
        {"finit", Bytes({0x9B, 0xDB, 0xE3}), {1, 2}},
        {"WAIT before a plain instruction", Bytes({0x9B, 0x90}), {1, 1}},
        {"WAIT alone", Bytes({0x9B}), {1}},
        {"WAIT after a prefix is still one instruction", Bytes({0x66, 0x9B, 0xD9, 0x7D, 0xFE}), {2, 3}},
    };
    for (TCpuMode mode : {TCpuMode::cm32, TCpuMode::cm64}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.Label) + (mode == TCpuMode::cm64 ? " (64-bit)" : " (32-bit)"));
            std::size_t pos = 0;
            for (int length : c.Lengths) {
                TAsmInstruction ins;
                ASSERT_TRUE(DecodeInstruction(c.Code.data() + pos, c.Code.size() - pos, mode, ins)) << "at " << pos;
                EXPECT_EQ(ins.Size, length) << "at " << pos;
                pos += ins.Size;
            }
            EXPECT_EQ(pos, c.Code.size());
        }
    }
}

TEST(AsmLength, ReportsWhereTheRelativeOperandIs)
{
    const struct {
        const char* Label;
        TCpuMode Mode;
        std::vector<std::uint8_t> Code;
        TBranchKind Branch;
        bool RipRelative;
        std::int64_t Displacement;
    } cases[] = {
        {"jmp rel8 backwards", TCpuMode::cm32, Bytes({0xEB, 0xFE}), TBranchKind::bkShort, false, -2},
        {"jecxz", TCpuMode::cm32, Bytes({0xE3, 0x10}), TBranchKind::bkShort, false, 16},
        {"call rel32", TCpuMode::cm32, Bytes({0xE8, 0x00, 0x01, 0x00, 0x00}), TBranchKind::bkNear, false, 256},
        {"jz rel32 backwards", TCpuMode::cm64, Bytes({0x0F, 0x84, 0xF0, 0xFF, 0xFF, 0xFF}), TBranchKind::bkNear, false, -16},
        {"jmp rel16", TCpuMode::cm32, Bytes({0x66, 0xE9, 0x00, 0x80}), TBranchKind::bkNear, false, -32768},
        {"lea rcx, [rip-4]", TCpuMode::cm64, Bytes({0x48, 0x8D, 0x0D, 0xFC, 0xFF, 0xFF, 0xFF}), TBranchKind::bkNone, true, -4},
        {"lea ecx, [eip+0x10] (67)", TCpuMode::cm64, Bytes({0x67, 0x8D, 0x0D, 0x10, 0, 0, 0}), TBranchKind::bkNone, true, 16},
        {"67 [disp16] is absolute in 32-bit code", TCpuMode::cm32, Bytes({0x67, 0x8B, 0x06, 1, 2}), TBranchKind::bkNone, false, 0},
        {"cmp byte [rip+0x10], imm8", TCpuMode::cm64, Bytes({0x80, 0x3D, 0x10, 0, 0, 0, 0x01}), TBranchKind::bkNone, true, 16},
        {"[disp32] is absolute in 32-bit code", TCpuMode::cm32, Bytes({0x8B, 0x05, 1, 2, 3, 4}), TBranchKind::bkNone, false, 0},
        {"SIB [disp32] is absolute in long mode", TCpuMode::cm64, Bytes({0x8B, 0x04, 0x25, 1, 2, 3, 4}), TBranchKind::bkNone, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TAsmInstruction ins;
        ASSERT_TRUE(DecodeInstruction(c.Code.data(), c.Code.size(), c.Mode, ins));
        EXPECT_EQ(ins.Size, c.Code.size());
        EXPECT_EQ(ins.Branch, c.Branch);
        EXPECT_EQ(ins.RipRelative, c.RipRelative);
        EXPECT_EQ(RelativeDisplacement(c.Code.data(), ins), c.Displacement);
    }
}

TEST(AsmLength, FunctionSizeEndsAtTheFirstReturn)
{
    // push ebp; mov ebp, esp; mov dword [ebp-8], imm32; mov byte [eax], 1; enter; leave; ret
    const std::vector<std::uint8_t> frame = Bytes({0x55, 0x89, 0xE5, 0xC7, 0x45, 0xF8, 1, 2, 3, 4, 0xC6, 0x00, 0x01,
                                                   0xC8, 0x08, 0x00, 0x00, 0xC9, 0xC3, 0xCC, 0xCC});
    const std::vector<std::uint8_t> retImm = Bytes({0x31, 0xC0, 0xC2, 0x04, 0x00, 0x90});
    const std::vector<std::uint8_t> noReturn = Bytes({0x90, 0x90, 0x90, 0x90});
    const std::vector<std::uint8_t> badFirst = Bytes({0x90, 0x0F, 0x04, 0xC3});
    const struct {
        const char* Label;
        const std::vector<std::uint8_t>* Code;
        std::size_t MaxSize;
        std::size_t Size;
    } cases[] = {
        {"mov imm, enter and leave do not end it", &frame, frame.size(), 19},
        {"the return is the last byte allowed", &frame, 19, 19},
        {"the return lies beyond the maximum", &frame, 18, 1},
        {"ret imm16", &retImm, retImm.size(), 5},
        {"no return at all", &noReturn, noReturn.size(), 1},
        {"an undecodable instruction before the return", &badFirst, badFirst.size(), 1},
        {"maximum 0", &frame, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(FunctionSizeInBuffer(c.Code->data(), c.MaxSize, TCpuMode::cm32), c.Size);
    }
}

} // namespace
