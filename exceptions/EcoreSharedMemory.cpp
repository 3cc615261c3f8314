// The name and byte layout of the per-module shared-memory copy of the options. Portable.
#include "exceptions/EcoreSharedMemory.h"

#include <cstring>

#include "framework/strutils.h"

std::string SharedDataName(std::uint32_t processId, std::uintptr_t moduleHandle)
{
    return IntToHex(static_cast<long long>(processId), 8)
        + IntToHex(static_cast<long long>(moduleHandle), static_cast<int>(sizeof(std::uintptr_t) * 2));
}

std::string EncodeSharedOptions(std::string_view stream)
{
    const auto size = static_cast<std::uint32_t>(stream.size());
    std::string bytes(SharedOptionsHeaderSize, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    bytes[4] = static_cast<char>(SharedOptionsCompleteFlag);
    bytes.append(stream);
    return bytes;
}

std::optional<std::string> DecodeSharedOptions(const void* data, std::size_t available)
{
    if (available < SharedOptionsHeaderSize) return std::nullopt;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (bytes[4] == 0) return std::nullopt;
    const std::uint32_t size = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    if (size > available - SharedOptionsHeaderSize) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes + SharedOptionsHeaderSize), size);
}
