// Building code bytes for planted call instructions.
#pragma once

#include <cstdint>
#include <vector>

// The four little-endian bytes of a 32-bit operand (a displacement or an address).
inline std::vector<std::uint8_t> Le32(std::int64_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

inline std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
