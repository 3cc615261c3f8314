#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/Edisasm.h"

namespace {

constexpr std::uint64_t Base32 = 0x00401000;
constexpr std::uint64_t Base64 = 0x0000000140001000;

struct TTextCase {
    TCpuMode Mode;
    std::vector<std::uint8_t> Code;
    const char* Text;
    std::size_t Size;
};

constexpr TCpuMode M32 = TCpuMode::cm32;
constexpr TCpuMode M64 = TCpuMode::cm64;

std::string Disassemble(const TDisAsm& disasm, const std::vector<std::uint8_t>& code, std::size_t& size,
                        std::size_t available = SIZE_MAX)
{
    const std::uint64_t base = disasm.Mode() == M64 ? Base64 : Base32;
    return disasm.GetInstruction(base, code.data(), std::min(available, code.size()), size);
}

TEST(Edisasm, TextOfEachForm)
{
    const std::vector<TTextCase> cases = {
        // Padding: short mnemonics padded to 8, longer ones followed by one space.
        {M32, {0x89, 0xC8}, "mov     eax, ecx", 2},
        {M32, {0xC3}, "ret", 1},
        {M32, {0x0F, 0xB6, 0x45, 0xF8}, "movzx   eax, byte ptr [ebp-$8]", 4},
        {M32, {0x66, 0x0F, 0xD6, 0x45, 0x08}, "movq    qword ptr [ebp+$8], xmm0", 5},
        {M32, {0x0F, 0x28, 0xC1}, "movaps  xmm0, xmm1", 3},
        {M32, {0x66, 0x0F, 0x6C, 0xC1}, "punpcklqdq xmm0, xmm1", 4},
        // Sizes implied by a register operand are left out; others are written.
        {M32, {0x8B, 0x04, 0x8B}, "mov     eax, [ebx+ecx*4]", 3},
        {M32, {0xC7, 0x45, 0xFC, 0x01, 0x00, 0x00, 0x00}, "mov     dword ptr [ebp-$4], $1", 7},
        {M32, {0x66, 0xC7, 0x00, 0x34, 0x12}, "mov     word ptr [eax], $1234", 5},
        {M32, {0xC6, 0x00, 0x7F}, "mov     byte ptr [eax], $7F", 3},
        {M32, {0xD3, 0x20}, "shl     dword ptr [eax], cl", 2},
        {M32, {0xDB, 0x28}, "fld     tbyte ptr [eax]", 2},
        {M32, {0xDD, 0x45, 0x08}, "fld     qword ptr [ebp+$8]", 3},
        {M32, {0xFF, 0x18}, "call    fword ptr [eax]", 2},
        {M32, {0x0F, 0x29, 0x45, 0x10}, "movaps  [ebp+$10], xmm0", 4},
        {M32, {0xF2, 0x0F, 0x10, 0x00}, "movsd   xmm0, qword ptr [eax]", 4},
        {M32, {0x8D, 0x44, 0x24, 0x04}, "lea     eax, [esp+$4]", 4},
        // Sign-extended imm8 shown as the operand size's unsigned value.
        {M32, {0x83, 0xC0, 0xFF}, "add     eax, $FFFFFFFF", 3},
        {M32, {0x66, 0x83, 0xC0, 0xFF}, "add     ax, $FFFF", 4},
        {M64, {0x48, 0x83, 0xEC, 0xF0}, "sub     rsp, $FFFFFFFFFFFFFFF0", 4},
        {M64, {0x48, 0xC7, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF}, "mov     rax, $FFFFFFFFFFFFFFFF", 7},
        {M32, {0x6A, 0x80}, "push    $FFFFFF80", 2},
        {M32, {0x04, 0x80}, "add     al, $80", 2},
        // Absolute and segment-relative memory, moffs.
        {M32, {0xA1, 0x78, 0x56, 0x34, 0x12}, "mov     eax, [$12345678]", 5},
        {M32, {0x64, 0x8B, 0x0D, 0x00, 0x00, 0x00, 0x00}, "mov     ecx, fs:[$00000000]", 7},
        {M32, {0xFF, 0x25, 0x00, 0x20, 0x40, 0x00}, "jmp     dword ptr [$00402000]", 6},
        {M64, {0x48, 0xA1, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}, "mov     rax, [$1122334455667788]", 10},
        {M64, {0x65, 0x48, 0x8B, 0x04, 0x25, 0x30, 0x00, 0x00, 0x00}, "mov     rax, gs:[$0000000000000030]", 9},
        // RIP-relative: the target, pointer-wide.
        {M64, {0x48, 0x8B, 0x05, 0x10, 0x00, 0x00, 0x00}, "mov     rax, [$0000000140001017]", 7},
        {M64, {0xFF, 0x15, 0xFA, 0xFF, 0xFF, 0xFF}, "call    qword ptr [$0000000140001000]", 6},
        // Branches.
        {M32, {0xE8, 0xFB, 0xFF, 0xFF, 0xFF}, "call    $00401000", 5},
        {M32, {0x74, 0xFE}, "je      $00401000", 2},
        {M32, {0x0F, 0x85, 0x00, 0x01, 0x00, 0x00}, "jne     $00401106", 6},
        {M64, {0xEB, 0x00}, "jmp     $0000000140001002", 2},
        {M32, {0xE3, 0x00}, "jecxz   $00401002", 2},
        // REX registers.
        {M64, {0x4C, 0x89, 0xC0}, "mov     rax, r8", 3},
        {M64, {0x40, 0x88, 0xF7}, "mov     dil, sil", 3},
        {M32, {0x88, 0xF7}, "mov     bh, dh", 2},
        {M64, {0x45, 0x0F, 0x28, 0xC1}, "movaps  xmm8, xmm9", 4},
        {M64, {0x41, 0x50}, "push    r8", 2},
        {M64, {0x48, 0x63, 0xC1}, "movsxd  rax, ecx", 3},
        {M64, {0x4A, 0x8B, 0x44, 0xE5, 0x08}, "mov     rax, [rbp+r12*8+$8]", 5},
        {M64, {0x44, 0x8B, 0x41, 0xFC}, "mov     r8d, [rcx-$4]", 4},
        {M64, {0x66, 0x48, 0x0F, 0x6E, 0xC0}, "movq    xmm0, rax", 5},
        // MMX.
        {M32, {0x0F, 0xEF, 0xC1}, "pxor    MM0, MM1", 3},
        {M32, {0x0F, 0x6F, 0x00}, "movq    MM0, [eax]", 3},
        {M32, {0x0F, 0x6E, 0xC8}, "movd    MM1, eax", 3},
        {M32, {0x0F, 0x72, 0xF0, 0x04}, "pslld   MM0, $4", 4},
        // x87 register forms.
        {M32, {0xD8, 0xC1}, "fadd    st, st(1)", 2},
        {M32, {0xDE, 0xE9}, "fsubp   st(1), st", 2},
        {M32, {0xD9, 0xE8}, "fld1", 2},
        {M32, {0xDF, 0xE0}, "fnstsw  ax", 2},
        {M32, {0xDF, 0xE9}, "fucomip st, st(1)", 2},
        // Prefixes.
        {M32, {0xF3, 0xA5}, "rep movsd", 2},
        {M32, {0xF3, 0xA6}, "repe cmpsb", 2},
        {M32, {0xF0, 0x0F, 0xB1, 0x0A}, "lock cmpxchg [edx], ecx", 4},
        {M32, {0x67, 0x8B, 0x47, 0x02}, "mov     eax, [bx+$2]", 4},
        {M32, {0xF3, 0x90}, "pause", 2},
        {M32, {0x66, 0x98}, "cbw", 2},
        {M64, {0x48, 0x99}, "cqo", 2},
        // Undecodable bytes.
        {M64, {0x06}, "DB      $06", 1},
        {M64, {0x40}, "DB      $40", 1},
        {M32, {0x0F, 0x0B}, "ud2", 2},
        {M32, {0xC5, 0xF8, 0x77}, "DB      $C5", 1},
        {M32, {0xFF, 0xFF}, "DB      $FF", 1},
        {M32, {0x48}, "dec     eax", 1},
    };
    for (const TTextCase& c : cases) {
        TDisAsm disasm(c.Mode);
        std::size_t size = 0;
        const std::string text = Disassemble(disasm, c.Code, size);
        EXPECT_EQ(text, c.Text) << (c.Mode == M64 ? "64: " : "32: ") << c.Text;
        EXPECT_EQ(size, c.Size) << c.Text;
    }
}

TEST(Edisasm, TruncatedInputIsOneUndecodableByte)
{
    TDisAsm disasm(M32);
    const std::vector<std::uint8_t> call = {0xE8, 0x00, 0x00, 0x00, 0x00};
    std::size_t size = 0;
    EXPECT_EQ(Disassemble(disasm, call, size, 4), "DB      $E8");
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(disasm.GetInstruction(Base32, nullptr, 0, size), "DB      ");
    EXPECT_EQ(size, 1u);
}

TEST(Edisasm, CallbacksNameAddressesAndCommentImmediates)
{
    TDisAsm disasm(M64);
    std::vector<std::uint64_t> calls, jumps, memory, immediates;
    disasm.OnCallTarget = [&](std::uint64_t a) { calls.push_back(a); return std::string("Unit.Proc"); };
    disasm.OnJumpTarget = [&](std::uint64_t a) { jumps.push_back(a); return std::string(); };
    disasm.OnMemoryAddress = [&](std::uint64_t a) { memory.push_back(a); return std::string("Unit.Var"); };
    disasm.OnImmediateComment = [&](std::uint64_t v) { immediates.push_back(v); return std::string("  ; 'x'"); };
    std::vector<std::uint64_t> finished;
    disasm.OnInstructionText = [&](std::uint64_t a, std::string& text) { finished.push_back(a); text += "!"; };
    std::size_t size = 0;
    EXPECT_EQ(Disassemble(disasm, {0xE8, 0x00, 0x00, 0x00, 0x00}, size), "call    Unit.Proc!");
    EXPECT_EQ(Disassemble(disasm, {0x75, 0x10}, size), "jne     $0000000140001012!");
    EXPECT_EQ(Disassemble(disasm, {0x48, 0x8D, 0x0D, 0x00, 0x01, 0x00, 0x00}, size), "lea     rcx, [Unit.Var]!");
    EXPECT_EQ(Disassemble(disasm, {0x6A, 0xFF}, size), "push    $FFFFFFFFFFFFFFFF  ; 'x'!");
    EXPECT_EQ(calls, (std::vector<std::uint64_t>{Base64 + 5}));
    EXPECT_EQ(jumps, (std::vector<std::uint64_t>{Base64 + 0x12}));
    EXPECT_EQ(memory, (std::vector<std::uint64_t>{Base64 + 0x107}));
    EXPECT_EQ(immediates, (std::vector<std::uint64_t>{~std::uint64_t{0}}));
    EXPECT_EQ(finished.size(), 4u);
    // The finishing callback sees undecodable bytes too.
    EXPECT_EQ(Disassemble(disasm, {0x06}, size), "DB      $06!");
}

TEST(Edisasm, AbsoluteOperandOf32BitModeGoesToMemoryCallback)
{
    TDisAsm disasm(M32);
    std::uint64_t seen = 0;
    disasm.OnMemoryAddress = [&](std::uint64_t a) { seen = a; return std::string(); };
    std::size_t size = 0;
    EXPECT_EQ(Disassemble(disasm, {0x8B, 0x0D, 0x44, 0x33, 0x22, 0x11}, size), "mov     ecx, [$11223344]");
    EXPECT_EQ(seen, 0x11223344u);
}

}  // namespace
