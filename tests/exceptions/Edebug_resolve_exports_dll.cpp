// A library whose exports are the resolver's only source: bodies of a known size in
// assembly (the names of another compiler's mangling come from Edebug_resolve_exports_dll.def)
// and a function of our own compiler's mangling.

#include "tests/exceptions/Edebug_resolve_asm.h"

// Each body: "mov eax, 42" (5 bytes) and "ret" (1 byte), then bytes that belong to no
// export, up to the next body.
asm(".text\n"
    ".balign 16\n"
    ".globl " ZV_ASM_NAME(zv_resolve_pascal_body) "\n"
    ZV_ASM_NAME(zv_resolve_pascal_body) ":\n"
    ".byte 0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3\n"
    ".fill 26, 1, 0xCC\n"
    ".globl " ZV_ASM_NAME(zv_resolve_question_body) "\n"
    ZV_ASM_NAME(zv_resolve_question_body) ":\n"
    ".byte 0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3\n"
    ".fill 26, 1, 0xCC\n");

struct TResolveProbe {
    __declspec(dllexport) static int Run(int value);
};

int TResolveProbe::Run(int value)
{
    return value + 1;
}
