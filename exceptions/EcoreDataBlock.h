// The module data block: the options, the table of well-known runtime symbols and the
// library's own debug data that the build writes into every module carrying the library
// (tools/eldata/data_block.py writes it; cmake/ExceptionData.cmake puts it in the module).
//
// Portable: the block is parsed from bytes in memory. Reading it out of a loaded module
// (its resource, or the trailer of its file) is EcoreModuleData.h's job.
//
// Resource form (RCDATA "ELDATA"), little-endian: signature 0x100FAB10 (0x000FAB10 is
// accepted too), data version (2 bytes), compilation date (a double, days since 30 December
// 1899), from version 6000 two reserved bytes, then the symbol table's length and its 9-byte
// records (ID, address relative to the module base, 4 unused bytes), the length and bytes of
// the zlib-compressed options stream, the 4-byte password check and a zlib stream of a
// 32-bit length and the debug data.
//
// File-trailer form: data version, compilation date, the options stream uncompressed, a
// 32-bit length and the debug data, then the length of all that and the signature, the
// last 4 bytes of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TVantrelModuleOptions;

constexpr std::uint32_t DataBlockSignature = 0x100FAB10;
constexpr std::uint32_t OldDataBlockSignature = 0x000FAB10;

// Data versions the parser takes: older layouts (below 500) are refused, as their option
// streams cannot be read safely; newer than the library's own (VantrelLogCurrentVersion,
// checked against this one where both are seen) are rejected.
constexpr int OldestDataBlockVersion = 500;
constexpr int NewestDataBlockVersion = 6015;

// Bounds on what a block may expand to: far above any real module's data, far below an
// allocation that could hurt the process that reads a forged one (a 32-bit process under
// Wine already failed to find 64 MiB in one piece).
constexpr std::size_t MaxOptionsStreamSize = 4u << 20;
constexpr std::size_t MaxDebugDataSize = 16u << 20;

// IDs of the symbol table's records.
enum TBlockSymbol : std::uint8_t {
    bsHandleException = 0, // TApplication::HandleException
    bsShowException = 1,   // TApplication::ShowException
};

struct TBlockSymbolRecord {
    std::uint8_t Id = 0;
    std::uint32_t Address = 0; // relative to the module base
};

// What a usable block holds.
struct TModuleDataBlock {
    int DataVersion = 0;   // a stored 600 to 602 reads as 6000 to 6002
    double CompiledAt = 0; // days since 30 December 1899
    std::vector<TBlockSymbolRecord> Symbols; // empty for the file-trailer form
    std::string Options;   // the options stream, decompressed
    // The signature enciphered with the module's debug password; absent in the
    // file-trailer form, which has no password check.
    std::optional<std::uint32_t> PasswordCheck;
    std::string DebugData; // the bytes after the 32-bit length; may be empty
};

// Parses the resource form held at data (size bytes). Nothing when the block has no usable
// data: a wrong signature, a version outside OldestDataBlockVersion to NewestDataBlockVersion, a
// length past the end, a decompression that fails, yields nothing or exceeds its bound,
// and when memory runs out. Never reads outside [data, data + size); never throws.
std::optional<TModuleDataBlock> ParseDataBlock(const void* data, std::size_t size) noexcept;

// The file-trailer form: tail is the end of a module file (size bytes, up to the whole
// file). Nothing as above, and when the stored length reaches before tail. Only versions
// from 6000 are read: the options stream carries no length, so the parser finds its end
// by walking the layout of those versions.
std::optional<TModuleDataBlock> ParseDataTrailer(const void* tail, std::size_t size) noexcept;

// For a reader of a file's end: from the file's last 8 bytes, the number of bytes the
// trailer takes, those 8 included; nothing when they end with no signature.
std::optional<std::uint64_t> DataTrailerSize(const void* last8Bytes);

// The length of the options stream (data version 6000 and later) at the start of data, by
// its layout; nothing when it does not end within size bytes.
std::optional<std::size_t> OptionsStreamLength(const void* data, std::size_t size);

// The relative address of the first record with that ID, as the library's lookup reads the
// table; nothing when the table has none.
std::optional<std::uint32_t> FindBlockSymbol(const TModuleDataBlock& block, std::uint8_t id);

// True when the block's password check deciphers with password to the signature. Sets the
// process's current cipher key (reporting/Eencrypt.h). A block without a check has no
// password: it matches the empty one only.
bool IsBlockPassword(const TModuleDataBlock& block, const std::string& password);

// Loads the block's options stream into options with LoadFromStream, LastVantrelVersion
// set to the block's data version meanwhile and restored afterwards. False, the block
// having no usable data, when loading raises anything (a version whose stream is not
// read, a malformed stream); options may then be partly loaded but stay valid.
bool LoadDataBlockOptions(const TModuleDataBlock& block, TVantrelModuleOptions& options) noexcept;
