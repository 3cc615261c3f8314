// The disassembler behind the exception report's assembler listing: one x86 or x86-64
// instruction at a time, as text in Intel syntax.
//
// Notation: lower-case mnemonics and registers, the mnemonic padded to 8 characters (one
// space after a longer one), operands separated by ", ". Numbers are "$" and upper-case
// hexadecimal digits: immediates without leading zeros, as the unsigned value of the
// operand's size (an 8-bit immediate sign-extended first); displacements as "+$n" / "-$n";
// branch targets and absolute addresses pointer-wide (8 digits in 32-bit mode, 16 in 64-bit
// mode). A memory operand whose size is not implied by a register operand says so with
// "byte ptr ", "word ptr ", "dword ptr ", "qword ptr ", "tbyte ptr " (and "fword ptr ",
// "xmmword ptr " for the far-pointer and 128-bit forms). MMX registers are "MM0" to "MM7".
// A byte that starts no decodable instruction is "DB      $xx" and is one byte long.
//
// Pure computation over a byte buffer, tested natively too. Any thread may call it; the
// callbacks run on the calling thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "exceptions/Easmlen.h"

class TDisAsm {
public:
    explicit TDisAsm(TCpuMode mode = NativeCpuMode) noexcept : FMode(mode) {}

    TCpuMode Mode() const noexcept { return FMode; }

    // A name for an address operand; an empty answer keeps the number. A non-empty answer
    // is written in place of the number (inside the brackets for a memory operand).
    using TAddressName = std::function<std::string(std::uint64_t address)>;
    TAddressName OnCallTarget;    // the target of a relative call (E8)
    TAddressName OnJumpTarget;    // the target of a relative jump, Jcc, LOOP or JCXZ
    TAddressName OnMemoryAddress; // an absolute memory operand, or a RIP-relative one's target
    // A comment for an immediate operand (its value, zero-extended from the operand's
    // size); a non-empty answer is appended to the instruction's text as it stands.
    std::function<std::string(std::uint64_t value)> OnImmediateComment;
    // The finished text of each instruction, which it may change; the listing leaves it empty.
    std::function<void(std::uint64_t address, std::string& text)> OnInstructionText;

    // The instruction at code, which is the memory of address; at most available bytes are
    // read. size receives its length (1 for an undecodable byte, or when available is 0).
    std::string GetInstruction(std::uint64_t address, const std::uint8_t* code, std::size_t available,
                               std::size_t& size) const;

private:
    TCpuMode FMode;
};
