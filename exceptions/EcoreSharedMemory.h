// The per-module shared-memory copy of the options: a named mapping of the paging file
// through which another copy of the library in the process (or a tool outside it) reads
// the options a module runs with.
//
// Layout: a 32-bit little-endian size N, a flag byte (1 once the stream is complete),
// then the N bytes of the options stream. The name is the process identifier as 8
// upper-case hexadecimal digits followed by the module handle in upper-case hexadecimal
// of the pointer width (8 digits on 32-bit, 16 on 64-bit, as handles are written there).
//
// The name and the layout are portable; the mapping itself (marked "Windows") is defined
// in the Windows build only. The header needs no platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::size_t SharedOptionsHeaderSize = 5;
constexpr unsigned char SharedOptionsCompleteFlag = 1;

std::string SharedDataName(std::uint32_t processId, std::uintptr_t moduleHandle);
// Header and stream; the stream must leave the size within 32 bits (at most
// 0xFFFFFFFF - 5 bytes), which the writer checks first.
std::string EncodeSharedOptions(std::string_view stream);
// The stream held in `available` bytes of a mapping; nothing when fewer than the header
// are there, the flag byte is 0, or the size field reaches past the available bytes.
std::optional<std::string> DecodeSharedOptions(const void* data, std::size_t available);

// Windows. Owns the mapping of one module: a named mapping lives only while a handle to
// it is open, so the writer keeps it for as long as the module's options exist.
class TSharedOptionsMapping {
public:
    // The mapping of moduleHandle in the current process; nothing is created before the
    // first Write.
    explicit TSharedOptionsMapping(const void* moduleHandle);
    ~TSharedOptionsMapping();
    TSharedOptionsMapping(const TSharedOptionsMapping&) = delete;
    TSharedOptionsMapping& operator=(const TSharedOptionsMapping&) = delete;

    const std::string& Name() const noexcept { return FName; }
    // Writes the stream, re-creating the mapping with the size it needs when the current
    // one is too small. False when the system refuses, or when a reader still holds the
    // old, smaller mapping open (the name then stays with it; its flag is cleared so that
    // nobody takes the outdated options); a later Write tries again.
    bool Write(const std::string& stream);

private:
    bool Recreate(std::size_t needed);
    void Close() noexcept;

    std::string FName;
    void* FMapping = nullptr;  // HANDLE
    void* FView = nullptr;
    std::size_t FCapacity = 0;
};

// Windows. The options stream in the mapping of moduleHandle in process processId;
// nothing when the mapping does not exist, its flag is not set, or its size field
// reaches past the mapping.
std::optional<std::string> ReadSharedOptions(std::uint32_t processId, const void* moduleHandle);
