// Memory helpers of the hooking unit: how much of a range can be read, and the
// executable slots that hold trampolines and relays.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// The number of bytes from address on, up to `wanted`, that lie in committed readable
// pages (no guard or no-access pages). 0 for null. Any thread.
std::size_t ReadableBytes(const void* address, std::size_t wanted) noexcept;

// Fixed-size slots of executable memory (PAGE_EXECUTE_READWRITE), carved from 64 KiB
// blocks. On x86-64 a slot is handed out only within reach of a rel32 from the address it
// is asked for (its anchor), so code in it can branch to and address data around that address. Blocks
// are never given back to the system: a freed slot is reused, but a thread that is late
// to leave a trampoline never meets unmapped memory. Not thread-safe: the hooking unit
// calls it under its lock.
class TCodeArena {
public:
    static constexpr std::size_t SlotSize = 128;

    TCodeArena() = default;
    TCodeArena(const TCodeArena&) = delete;
    TCodeArena& operator=(const TCodeArena&) = delete;

    // A slot of SlotSize bytes near `anchor` (anywhere on x86); null when no memory within
    // reach can be had.
    std::uint8_t* Allocate(const void* anchor);
    // Returns a slot from Allocate; null is ignored.
    void Free(std::uint8_t* slot) noexcept;

    // The furthest a slot may lie from its anchor. Less than 2 GiB, so
    // that a target within 2 GiB of that address stays within rel32 reach of most slots
    // (each relocated displacement is still checked).
    static constexpr std::uint64_t MaxDistance = 0x40000000;

private:
    static constexpr std::size_t BlockSize = 0x10000;
    static constexpr std::size_t SlotsPerBlock = BlockSize / SlotSize;

    struct TBlock {
        std::uint8_t* Base;
        std::vector<bool> Used;
    };
    static bool InReach(const std::uint8_t* slot, const void* anchor) noexcept;
    static std::uint8_t* AllocateBlockNear(const void* anchor) noexcept;

    std::vector<TBlock> FBlocks;
};
