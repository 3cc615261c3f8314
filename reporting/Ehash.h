// Checksums and digests of the reporting library: a 16-bit CRC for the exception ID, the
// 32-bit CRC offered to the application, and MD5 (the cipher's key derivation).
// Plain functions on bytes: no windows.h, so they build and are tested natively too.
// Each may be called from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// CRC-16/XMODEM of the string's bytes: polynomial 0x1021 MSB first, initial value 0, no
// final complement. "" gives 0, "123456789" 0x31C3. Exception IDs are built from it, so
// the value of a given text must never change.
std::uint16_t GetCRC16(const std::string& text);

// The CRC-32 of ISO-HDLC, zlib and PNG (zlib computes it). A null buffer gives 0 whatever
// the length; so does a zero length.
std::uint32_t GetCRC32(const void* buffer, std::size_t length);

using TMD5Digest = std::array<std::uint8_t, 16>;

// The RFC 1321 digest of length bytes at buffer (which may be null when length is 0).
void GetMD5(TMD5Digest& digest, const void* buffer, std::size_t length);
