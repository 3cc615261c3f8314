// The library's own debug data: the compact table of units, line records and procedure
// names that the build writes into the module data block (EcoreDataBlock.h gives it as
// TModuleDataBlock::DebugData, the bytes after its 32-bit length).
//
// Layout, little-endian: (data versions 405 to 499 only) a 32-bit length and a block that
// is skipped; the unit count (32 bits); per unit a protected text (its name), the first
// line, the start address (relative to the module base), the code size and the length of
// the line records that follow (32 bits each), then the line records. A line record
// starts with a flags byte F and carries a line delta and an address delta:
//   F bit 0 clear, 1 byte:        line (F >> 6) + 1, address ((F >> 1) & 0x1F) + 1
//   F bits 1..0 = 01, 1 byte:     line (F >> 5) + 1, address ((F >> 2) & 7) + 1, starts a procedure
//   F bits 1..0 = 11, bit 2 set:  starts a procedure; then by F bit 3:
//     set, 32 bits W from F on:   V = W >> 4; line (V & 0xFFFF) + 1, address (V >> 16) + 1,
//                                 or 0 when V >> 16 is 4095; V = 0x0FFEFFFE (data versions
//                                 above 422) is followed by two 16-bit values, line - 1 and
//                                 address - 1
//     clear, 16 bits H from F on: line (H >> 11) + 1, address ((H >> 4) & 0x7F) + 1
// A record that starts a procedure is followed by the procedure's protected text. Each
// record adds its deltas to the current line and address; a place (the first one being
// the unit's first line at its start address, the others those the records reach) holds
// from its address up to the next record's place less one, the last one up to the unit's
// last byte.
//
// Protected text: a length byte L and L bytes. From data version 502 bit 7 of L marks a
// qualified name (another protected text follows; the two are joined with ".") and the
// length is L & 0x7F. Below version 500 each byte is XORed with OwnDebugScrambleKey. From
// 500 the bytes are enciphered (reporting/Eencrypt.h) under the module's debug password;
// without a valid password a text reads "?" followed by the Base64 form of its bytes.
//
// Portable, bounded: every read is checked against the data, nothing is allocated from a
// count the data gives, and bad data is "no location", never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The one-byte key of the texts of data versions below 500, which hid names from a plain
// look at the file rather than protect them.
constexpr std::uint8_t OwnDebugScrambleKey = 0x5A;

// Copies length code bytes at the module-relative address into buffer; false when they
// cannot all be read.
using TOwnDebugCodeReader = std::function<bool(std::uint32_t address, void* buffer, std::size_t length)>;

// What the module tells about its data.
struct TOwnDebugDataKey {
    int DataVersion = 0;      // the data block's version (EcoreDataBlock.h)
    std::string Password;     // the module's debug password
    bool PasswordValid = false;
};

// A location found in the own debug data.
struct TOwnDebugLocation {
    bool Found = false;
    // Enciphered texts (data versions from 500) without a valid password get "c" at position
    // 2, so that the "?" text cannot pass for a file name; with a valid password a name
    // without "." gets ".cpp".
    std::string UnitName;
    std::string ClassName;     // empty for a procedure without class
    std::string ProcedureName; // a leading "@" turned into "_"
    int Line = 0;
    int ProcedureLine = 0;     // line within the procedure, never negative
};

// Looks the module-relative address up in data (size bytes; null only when size is 0).
// readCode gives the first code bytes of the procedure (to tell whether its first line
// is the header's); empty or failing, the code counts as beginning with neither prologue.
// Deciphering sets the process's current cipher key (reporting/Eencrypt.h), so this runs
// where that key may change: on the exception-handling path, one lookup at a time.
// Never throws; anything malformed before the location is reached gives Found false.
TOwnDebugLocation FindOwnDebugLocation(const void* data, std::size_t size, const TOwnDebugDataKey& key,
                                       std::uint32_t address, const TOwnDebugCodeReader& readCode) noexcept;
