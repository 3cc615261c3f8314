// Hand-assembled procedures for the splicing tests (splice_fixtures.cpp): each starts with
// the instruction form a test needs in its first bytes and returns a known value. The
// bytes are the same on x86 and x86-64 except where said.
#pragma once

// jmp rel8 over dead code -> mov eax, 0x22; ret
extern "C" int FixtureShortJump() asm("zv_fixture_short_jump");
// xor eax, eax; jz rel8 (taken, leaves the first 9 bytes) -> 0x22
extern "C" int FixtureShortJccTaken() asm("zv_fixture_short_jcc_taken");
// xor eax, eax; jnz rel8 (not taken); mov eax, 0x33; ret
extern "C" int FixtureShortJccNotTaken() asm("zv_fixture_short_jcc_not_taken");
// xor eax, eax; jmp rel8 to the next instruction (inside the moved bytes); mov eax, 0x44; ret
extern "C" int FixtureShortJumpInside() asm("zv_fixture_short_jump_inside");
// xor ecx, ecx; jecxz/jrcxz rel8 (taken) -> 0x88
extern "C" int FixtureJecxz() asm("zv_fixture_jecxz");
// call rel32 to a helper returning 0x55; add eax, 1; ret -> 0x56
extern "C" int FixtureCallFirst() asm("zv_fixture_call_first");
// jmp rel32 -> mov eax, 0x66; ret
extern "C" int FixtureNearJump() asm("zv_fixture_near_jump");
// xor eax, eax; jz rel32 (0F 84, taken) -> 0x77
extern "C" int FixtureNearJcc() asm("zv_fixture_near_jcc");
// Loads 0x99 from data: x86-64 mov rax, [rip+disp32] (relocated), x86 mov eax, [abs32]
extern "C" int FixtureDataLoad() asm("zv_fixture_data_load");
// xor eax, eax; ret; then int3 padding: shorter than the jump, but only padding follows
extern "C" int FixtureTinyPadded() asm("zv_fixture_tiny_padded");
// xor eax, eax; ret; then another procedure's code: too short to splice
extern "C" int FixtureTinyFollowed() asm("zv_fixture_tiny_followed");
// An undecodable instruction (0F 04) among the first bytes
extern "C" int FixtureUndecodable() asm("zv_fixture_undecodable");
