// A library with the library's own debug data over code of known bytes: the build reads the
// address of zv_resolve_own_code from the first link's map and writes the data for it
// (debug_fixtures/resolve_own.json). The code never runs; its first bytes decide whether a
// procedure's first line is its header's (a frame set-up "55 8B EC", or "53", counts as one).

#include "tests/exceptions/Edebug_resolve_asm.h"

asm(".text\n"
    ".balign 16\n"
    ".globl " ZV_ASM_NAME(zv_resolve_own_code) "\n"
    ZV_ASM_NAME(zv_resolve_own_code) ":\n"
    // Sample.cpp, TWorker.Run: a frame set-up first.
    ".byte 0x55, 0x8B, 0xEC\n"
    ".fill 13, 1, 0x90\n"
    // Sample.cpp, Finish: no set-up.
    ".fill 16, 1, 0x90\n"
    // exceptions/EdebugOwnData.cpp, FindOwnDebugLocation: "push ebx" first.
    ".byte 0x53\n"
    ".fill 31, 1, 0x90\n");

extern "C" char zv_resolve_own_code[];

// Where the code lies, for the tests (the only export).
extern "C" __declspec(dllexport) const void* ZvResolveOwnCode()
{
    return zv_resolve_own_code;
}
