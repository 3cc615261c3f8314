// Checks of addresses before the library reads through them, and the resolving of import
// stubs to the routines they jump to. Windows.
#include <windows.h>

#include <cstring>

#include "exceptions/EcoreHelpers.h"
#include "framework/sysutils.h"

namespace {

constexpr DWORD ReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ
    | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

} // namespace

bool ReadableRegionAt(std::uintptr_t address, std::uintptr_t& base, std::uintptr_t& end) noexcept
{
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof(region)) == 0) return false;
    if (region.State != MEM_COMMIT) return false;
    if ((region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 || (region.Protect & ReadableProtections) == 0)
        return false;
    base = reinterpret_cast<std::uintptr_t>(region.BaseAddress);
    end = base + region.RegionSize;
    return end > address;
}

bool IsValidBlockAddr(const void* address, std::size_t size) noexcept
{
    if (size == 0) return true;
    const auto start = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t end = start + size;
    if (end <= start) return false;
    // One query answers for a whole region of equal state and protection; the range may
    // span several.
    std::uintptr_t at = start;
    while (at < end) {
        std::uintptr_t regionBase = 0, regionEnd = 0;
        if (!ReadableRegionAt(at, regionBase, regionEnd)) return false;
        at = regionEnd;
    }
    return true;
}

const void* ConvertAddress(const void* address) noexcept
{
    // jmp [slot]: FF 25 and a 32-bit operand. On x86 the operand is the slot's address;
    // in long mode the same encoding is RIP-relative, a displacement from the end of the
    // 6-byte instruction, and the slot holds a 64-bit address.
    constexpr std::size_t StubSize = 6;
    if (!IsValidBlockAddr(address, StubSize)) return address;
    const auto* stub = static_cast<const unsigned char*>(address);
    if (stub[0] != 0xFF || stub[1] != 0x25) return address;
#if defined(_WIN64)
    std::int32_t displacement;
    std::memcpy(&displacement, stub + 2, sizeof(displacement));
    const auto slot = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(stub) + StubSize
                                                    + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(displacement)));
#else
    std::uint32_t slotAddress;
    std::memcpy(&slotAddress, stub + 2, sizeof(slotAddress));
    const auto slot = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(slotAddress));
#endif
    if (!IsValidBlockAddr(slot, sizeof(void*))) return address;
    const void* target;
    std::memcpy(&target, slot, sizeof(target));
    return target;
}

bool IntoIDE()
{
    return IsIdeExecutableName(GetModuleName(nullptr));
}
