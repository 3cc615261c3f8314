// A planted address space for the scan's tests: regions of bytes, each readable or not,
// with counts of the readability tests and reads that are made to fail.
#pragma once

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "exceptions/ExceptionLogStack.h"

class TPlantedMemory final : public TStackMemory {
public:
    struct TRegion {
        std::uintptr_t Base;
        std::vector<std::uint8_t> Bytes;
        bool Readable;
    };

    // A region of size bytes at base, filled with fill.
    TRegion& AddRegion(std::uintptr_t base, std::size_t size, bool readable, std::uint8_t fill = 0)
    {
        FRegions.push_back({base, std::vector<std::uint8_t>(size, fill), readable});
        return FRegions.back();
    }
    void Put(std::uintptr_t address, const std::vector<std::uint8_t>& bytes)
    {
        for (std::size_t i = 0; i < bytes.size(); ++i) *ByteAt(address + i) = bytes[i];
    }
    void PutWord(std::uintptr_t address, std::uint64_t value, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) *ByteAt(address + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
    // Reads starting at address fail as a fault would, though the test says readable.
    void FailReadAt(std::uintptr_t address) { FFailing.insert(address); }

    bool Readable(std::uintptr_t address, std::size_t size) const noexcept override
    {
        ++FReadableCalls;
        return Covered(address, size);
    }
    bool Read(std::uintptr_t address, void* target, std::size_t size) const noexcept override
    {
        if (FFailing.count(address) || !Covered(address, size)) return false;
        auto* out = static_cast<std::uint8_t*>(target);
        for (std::size_t i = 0; i < size; ++i) out[i] = *const_cast<TPlantedMemory*>(this)->ByteAt(address + i);
        return true;
    }
    int ReadableCalls() const noexcept { return FReadableCalls; }
    void ResetCounts() noexcept { FReadableCalls = 0; }

private:
    std::uint8_t* ByteAt(std::uintptr_t address)
    {
        for (TRegion& region : FRegions)
            if (address >= region.Base && address - region.Base < region.Bytes.size())
                return &region.Bytes[address - region.Base];
        return nullptr;
    }
    bool Covered(std::uintptr_t address, std::size_t size) const noexcept
    {
        for (std::size_t i = 0; i < size; ++i) {
            bool found = false;
            for (const TRegion& region : FRegions)
                if (address + i >= region.Base && address + i - region.Base < region.Bytes.size()) {
                    found = region.Readable;
                    break;
                }
            if (!found) return false;
        }
        return true;
    }

    std::vector<TRegion> FRegions;
    std::set<std::uintptr_t> FFailing;
    mutable int FReadableCalls = 0;
};
