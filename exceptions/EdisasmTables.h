// The opcode templates of the disassembler: a mnemonic and its operand codes per opcode.
//
// A template is "mnemonic Op,Op,...". Operand codes: E (ModR/M register or memory), G (the
// reg field), M (memory only), Z (register in the opcode's low bits), I (immediate), J
// (relative branch), O (absolute offset), S (segment register), C/D (control, debug
// register), R (general register from r/m), V/W/U (xmm from reg, xmm or memory from r/m,
// xmm from r/m), P/Q/N (the same for MMX), A (far pointer); a size letter follows:
// b byte, w word, d dword, q qword, t tbyte, x xmmword, p far pointer, v operand size,
// z operand size capped at 32 bits, y dword or qword, s stack word, n no size, e
// sign-extended byte. Fixed registers are written in lower case ("al", "cl", "dx", "st");
// "eAX" is the accumulator of the operand size and "1" the shift count. A mnemonic with
// "|" lists forms for 16-, 32- and 64-bit operand size. An empty template is undecodable.
#pragma once

#include <cstdint>

namespace edisasm {

extern const char* const OneByteTemplates[256];
extern const char* const Group1[8];
extern const char* const Group2[8];
extern const char* const ConditionCodes[16];

// The 0F map: the template for no prefix, 66, F3 and F2.
struct TSseTemplate {
    const char* Plain;
    const char* Op66;
    const char* OpF3;
    const char* OpF2;
};
extern const TSseTemplate TwoByteTemplates[256];

}  // namespace edisasm
