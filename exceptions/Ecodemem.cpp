#include "exceptions/Ecodemem.h"

namespace {

constexpr DWORD ReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                      PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

std::uintptr_t AlignDown(std::uintptr_t value, std::uintptr_t alignment) noexcept
{
    return value & ~(alignment - 1);
}

std::uintptr_t AlignUp(std::uintptr_t value, std::uintptr_t alignment) noexcept
{
    return AlignDown(value + alignment - 1, alignment);
}

} // namespace

std::size_t ReadableBytes(const void* address, std::size_t wanted) noexcept
{
    if (!address) return 0;
    std::size_t total = 0;
    auto at = reinterpret_cast<std::uintptr_t>(address);
    while (total < wanted) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == 0) break;
        if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 ||
            (info.Protect & ReadableProtections) == 0)
            break;
        const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (end <= at) break;  // the top of the address space
        const std::size_t here = end - at;
        total += here < wanted - total ? here : wanted - total;
        at = end;
    }
    return total;
}

bool TCodeArena::InReach(const std::uint8_t* slot, const void* anchor) noexcept
{
    if constexpr (sizeof(void*) == 4) {
        return true;
    } else {
        const auto a = reinterpret_cast<std::uintptr_t>(slot);
        const auto b = reinterpret_cast<std::uintptr_t>(anchor);
        const std::uint64_t distance = a > b ? a - b : b - a;
        return distance + SlotSize <= MaxDistance;
    }
}

std::uint8_t* TCodeArena::AllocateBlockNear(const void* anchor) noexcept
{
    if constexpr (sizeof(void*) == 4) {
        (void)anchor;
        return static_cast<std::uint8_t*>(
            VirtualAlloc(nullptr, BlockSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    } else {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const std::uintptr_t granularity = system.dwAllocationGranularity;
        const auto lowest = reinterpret_cast<std::uintptr_t>(system.lpMinimumApplicationAddress);
        const auto highest = reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress);
        const auto center = reinterpret_cast<std::uintptr_t>(anchor);
        const std::uintptr_t low = center > lowest + MaxDistance ? center - MaxDistance : lowest;
        const std::uintptr_t high = highest - center > MaxDistance ? center + MaxDistance : highest;

        // The free regions are walked outwards from the target, above and below by turns,
        // so the block lands as close as the address space allows.
        std::uintptr_t up = center;
        std::uintptr_t down = center;
        bool searchUp = true;
        bool searchDown = true;
        while (searchUp || searchDown) {
            if (searchUp) {
                MEMORY_BASIC_INFORMATION info;
                if (up >= high || VirtualQuery(reinterpret_cast<void*>(up), &info, sizeof info) == 0) {
                    searchUp = false;
                } else {
                    const auto base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
                    const std::uintptr_t end = base + info.RegionSize;
                    if (info.State == MEM_FREE) {
                        const std::uintptr_t candidate = AlignUp(up > base ? up : base, granularity);
                        if (candidate + BlockSize <= end && candidate + BlockSize <= high) {
                            void* block = VirtualAlloc(reinterpret_cast<void*>(candidate), BlockSize,
                                                       MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
                            if (block) return static_cast<std::uint8_t*>(block);
                        }
                    }
                    if (end <= up) searchUp = false;
                    up = end;
                }
            }
            if (searchDown) {
                MEMORY_BASIC_INFORMATION info;
                if (down <= low || VirtualQuery(reinterpret_cast<void*>(down), &info, sizeof info) == 0) {
                    searchDown = false;
                } else {
                    const auto base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
                    const std::uintptr_t end = base + info.RegionSize;
                    if (info.State == MEM_FREE && end >= BlockSize) {
                        const std::uintptr_t candidate = AlignDown(end - BlockSize, granularity);
                        if (candidate >= base && candidate >= low) {
                            void* block = VirtualAlloc(reinterpret_cast<void*>(candidate), BlockSize,
                                                       MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
                            if (block) return static_cast<std::uint8_t*>(block);
                        }
                    }
                    if (base == 0) searchDown = false;
                    down = base - 1;
                }
            }
        }
        return nullptr;
    }
}

std::uint8_t* TCodeArena::Allocate(const void* anchor)
{
    for (TBlock& block : FBlocks) {
        for (std::size_t i = 0; i < SlotsPerBlock; ++i) {
            std::uint8_t* slot = block.Base + i * SlotSize;
            if (!block.Used[i] && InReach(slot, anchor)) {
                block.Used[i] = true;
                return slot;
            }
        }
    }
    std::uint8_t* base = AllocateBlockNear(anchor);
    if (!base) return nullptr;
    FBlocks.push_back(TBlock{base, std::vector<bool>(SlotsPerBlock, false)});
    TBlock& block = FBlocks.back();
    for (std::size_t i = 0; i < SlotsPerBlock; ++i) {
        std::uint8_t* slot = base + i * SlotSize;
        if (InReach(slot, anchor)) {
            block.Used[i] = true;
            return slot;
        }
    }
    return nullptr;
}

void TCodeArena::Free(std::uint8_t* slot) noexcept
{
    if (!slot) return;
    for (TBlock& block : FBlocks) {
        if (slot >= block.Base && slot < block.Base + BlockSize) {
            block.Used[static_cast<std::size_t>(slot - block.Base) / SlotSize] = false;
            return;
        }
    }
}
