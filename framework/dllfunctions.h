// Tables of functions looked up at run time by name in a module (a library that may be
// missing, or may lack some exports: Wine does).
//
// A table is a struct of function pointers declared from one X-macro list of
// (name, pointer type) pairs; the same list yields the slot table that pairs each name
// with its own member, so a name and its slot cannot be paired wrongly:
//
//     #define MY_FUNCTIONS(X) X(GetTickCount, decltype(&::GetTickCount)) ...
//     struct TMyFunctions { MY_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER) };
//     const TDllFunctionSlot<TMyFunctions> kMySlots[] = {MY_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};
//     ResolveDllFunctions(module, functions, kMySlots);
//
// A function the module lacks leaves its member null; every caller checks the member
// before calling it. Pointer types with commas need an alias first (the list is a macro).
// Any thread may resolve; a table being resolved must not be read meanwhile.
#pragma once

#include <windows.h>

#include <span>
#include <type_traits>

// GetProcAddress gives a FARPROC; going through void (*)(), the documented "any
// function" type, keeps GCC's -Wcast-function-type quiet.
template <class F>
F DllFunctionCast(FARPROC address) noexcept
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
}

template <class F>
FARPROC DllFunctionAddress(F function) noexcept
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// One member of Table with the export name it is resolved from.
template <class Table>
struct TDllFunctionSlot {
    const char* Name;
    void (*Store)(Table& table, FARPROC address) noexcept;
    // The member's value as an address (null when empty), for checks and tests.
    FARPROC (*Load)(const Table& table) noexcept;
};

// An X-macro callback: declares the member, empty until resolved.
#define ZV_DLL_FUNCTION_MEMBER(name, type) type name = nullptr;
// An X-macro callback: the slot of member `name`, resolved from the export "name".
#define ZV_DLL_FUNCTION_SLOT(name, type)                                                                    \
    {#name, [](auto& table, FARPROC address) noexcept { table.name = DllFunctionCast<type>(address); },     \
     [](const auto& table) noexcept { return DllFunctionAddress(table.name); }},

// Fills every slot's member from module by name (null module: all empty) and returns how
// many were found. Members of exports the module lacks become null.
template <class Table>
int ResolveDllFunctions(HMODULE module, Table& table,
                        std::span<const TDllFunctionSlot<std::type_identity_t<Table>>> slots) noexcept
{
    int found = 0;
    for (const TDllFunctionSlot<Table>& slot : slots) {
        const FARPROC address = module ? GetProcAddress(module, slot.Name) : nullptr;
        slot.Store(table, address);
        if (address) ++found;
    }
    return found;
}
