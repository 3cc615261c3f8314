// The hand-assembled procedures of splice_fixtures.h. Their bytes are spelt out so that
// the compiler's choice of encodings (short or near forms) cannot change what a test
// exercises.
#include "tests/exceptions/splice_fixtures.h"

#ifdef __x86_64__
#define ZV_DATA_LOAD "    movq zv_fixture_data(%rip), %rax\n"
#else
#define ZV_DATA_LOAD "    movl zv_fixture_data, %eax\n"
#endif

asm(R"(
    .text
    .p2align 4
    .globl zv_fixture_short_jump
zv_fixture_short_jump:
    .byte 0xEB, 0x06                       # jmp +6 (to offset 8)
    .byte 0xB8, 0x11, 0x00, 0x00, 0x00     # mov eax, 0x11 (never runs)
    .byte 0xC3
    .byte 0x90
    .byte 0xB8, 0x22, 0x00, 0x00, 0x00     # offset 8: mov eax, 0x22
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_short_jcc_taken
zv_fixture_short_jcc_taken:
    .byte 0x31, 0xC0                       # xor eax, eax (sets ZF)
    .byte 0x74, 0x06                       # jz +6 (to offset 10)
    .byte 0xB8, 0x11, 0x00, 0x00, 0x00
    .byte 0xC3
    .byte 0xB8, 0x22, 0x00, 0x00, 0x00     # offset 10
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_short_jcc_not_taken
zv_fixture_short_jcc_not_taken:
    .byte 0x31, 0xC0
    .byte 0x75, 0x06                       # jnz +6: falls through
    .byte 0xB8, 0x33, 0x00, 0x00, 0x00
    .byte 0xC3
    .byte 0xB8, 0x22, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_short_jump_inside
zv_fixture_short_jump_inside:
    .byte 0x31, 0xC0
    .byte 0xEB, 0x00                       # jmp +0: the next instruction
    .byte 0xB8, 0x44, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_jecxz
zv_fixture_jecxz:
    .byte 0x31, 0xC9                       # xor ecx, ecx
    .byte 0xE3, 0x06                       # jecxz / jrcxz +6 (taken)
    .byte 0xB8, 0x11, 0x00, 0x00, 0x00
    .byte 0xC3
    .byte 0xB8, 0x88, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_call_first
zv_fixture_call_first:
    .byte 0xE8
    .long zv_fixture_call_helper - (. + 4) # call rel32
    .byte 0x05, 0x01, 0x00, 0x00, 0x00     # add eax, 1
    .byte 0xC3
    .p2align 4
    .globl zv_fixture_call_helper
zv_fixture_call_helper:
    .byte 0xB8, 0x55, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_near_jump
zv_fixture_near_jump:
    .byte 0xE9
    .long zv_fixture_near_jump_destination - (. + 4)
    .byte 0xB8, 0x11, 0x00, 0x00, 0x00
    .byte 0xC3
    .p2align 4
    .globl zv_fixture_near_jump_destination
zv_fixture_near_jump_destination:
    .byte 0xB8, 0x66, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_near_jcc
zv_fixture_near_jcc:
    .byte 0x31, 0xC0
    .byte 0x0F, 0x84
    .long zv_fixture_near_jcc_destination - (. + 4)
    .byte 0xB8, 0x11, 0x00, 0x00, 0x00
    .byte 0xC3
    .p2align 4
    .globl zv_fixture_near_jcc_destination
zv_fixture_near_jcc_destination:
    .byte 0xB8, 0x77, 0x00, 0x00, 0x00
    .byte 0xC3

    .p2align 4
    .globl zv_fixture_data_load
zv_fixture_data_load:
)" ZV_DATA_LOAD R"(
    ret

    .p2align 4
    .globl zv_fixture_tiny_padded
zv_fixture_tiny_padded:
    .byte 0x31, 0xC0, 0xC3
    .byte 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC

    .p2align 4
    .globl zv_fixture_tiny_followed
zv_fixture_tiny_followed:
    .byte 0x31, 0xC0, 0xC3
    .byte 0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3

    .p2align 4
    .globl zv_fixture_undecodable
zv_fixture_undecodable:
    .byte 0x90, 0x0F, 0x04, 0x90, 0x90, 0x90
    .byte 0x31, 0xC0, 0xC3

    .data
    .p2align 3
    .globl zv_fixture_data
zv_fixture_data:
    .quad 0x99
    .text
)");
