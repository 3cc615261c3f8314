// The address of a routine as the linker sees it without the import declaration of the
// system headers: the import library's stub "jmp [slot]", which the address helpers
// resolve. No system header here, so nothing declares the function as imported.
#include "tests/exceptions/Ecore_helpers_import_stub.h"

extern "C" __attribute__((stdcall)) unsigned long GetTickCount(void);

const void* GetTickCountStubAddress()
{
    return reinterpret_cast<const void*>(&GetTickCount);
}
