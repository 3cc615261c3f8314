// The x86 / x86-64 instruction-length decoder behind code splicing, the disassembly
// listing and the export-size computation.
//
// Pure computation over a byte buffer: no Windows calls, so it is tested natively too.
// It knows lengths and the few operand facts that code relocation needs (where the
// displacement and the immediate lie, whether the displacement is RIP-relative, whether
// the immediate is a relative branch); it is not a disassembler. Instructions it cannot
// size (VEX/EVEX encodings, opcodes undefined in the mode) are reported as undecodable
// rather than guessed. Any thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>

// The decoding mode: 32-bit protected mode or 64-bit long mode.
enum class TCpuMode { cm32, cm64 };

// The mode this build runs in.
constexpr TCpuMode NativeCpuMode = sizeof(void*) == 8 ? TCpuMode::cm64 : TCpuMode::cm32;

// A relative branch operand carried in the immediate.
enum class TBranchKind : std::uint8_t {
    bkNone,
    bkShort,  // rel8: 70-7F, E0-E3, EB
    bkNear,   // rel16/rel32: E8, E9, 0F 80-8F
};

// What the decoder learnt about one instruction. Offsets count from its first byte.
struct TAsmInstruction {
    std::uint8_t Size = 0;         // the whole instruction, prefixes included
    std::uint8_t PrefixCount = 0;  // legacy prefixes and REX
    std::uint8_t Opcode = 0;       // the opcode byte; after 0F, the second byte (after 0F 38/3A, the third)
    std::uint8_t OpcodeMap = 0;    // 0: one-byte map, 1: 0F, 2: 0F 38, 3: 0F 3A
    std::uint8_t Rex = 0;          // the REX byte in force, 0 when none (64-bit mode only)
    bool HasModRM = false;
    std::uint8_t ModRM = 0;
    std::uint8_t DispOffset = 0;   // the ModR/M displacement (or the absolute offset of A0-A3)
    std::uint8_t DispSize = 0;
    std::uint8_t ImmOffset = 0;    // the immediate, or the branch displacement
    std::uint8_t ImmSize = 0;
    bool RipRelative = false;      // the displacement counts from the next instruction (64-bit mode;
                                   // under 67 the sum wraps at 4 GiB, as EIP-relative addressing does)
    TBranchKind Branch = TBranchKind::bkNone;
};

// Decodes the instruction at code, reading at most `available` bytes (null code only with
// available 0). Returns false, leaving `out` unspecified, when the bytes are not a
// decodable instruction, run past `available`, or exceed the architectural 15 bytes.
bool DecodeInstruction(const std::uint8_t* code, std::size_t available, TCpuMode mode,
                       TAsmInstruction& out) noexcept;

// The signed value of the instruction's relative operand: the branch displacement for a
// relative branch, else the displacement of a RIP-relative operand, else 0. The target is
// the address of the next instruction plus this value.
std::int64_t RelativeDisplacement(const std::uint8_t* code, const TAsmInstruction& ins) noexcept;

// True for the return instructions (C2, C3, CA, CB in the one-byte map).
bool IsReturnInstruction(const TAsmInstruction& ins) noexcept;

// The size of a procedure: the bytes from code up to and including its first return
// instruction. 0 when maxSize is 0; 1 when no return lies within maxSize bytes or an
// instruction before it cannot be decoded.
std::size_t FunctionSizeInBuffer(const std::uint8_t* code, std::size_t maxSize, TCpuMode mode) noexcept;
