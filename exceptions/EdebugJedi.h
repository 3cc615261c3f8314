// The JEDI binary debug format (".jdbg" files and "JCLDEBUG" sections): a packed header,
// four delta-coded lists (units, source names, symbols, line numbers) and a word table of
// names, read from bytes in memory.
//
// Layout, all little-endian. Header (34 bytes, packed): signature "JDBG" (0), version 1
// (4), then the 32-bit offsets, from the start of the data, of the unit list (5), the
// source-name list (9), the symbol list (13), the line-number list (17), the word table
// (21) and the module name's word (25), the 32-bit checksum (29) and the checksum flag
// byte (33).
//
// List entries are variable-length numbers: 7 bits a byte, least significant group first,
// bit 7 set on every byte but the last, at most 5 bytes (32 bits). Each column of a list is
// coded as the difference to the column's previous value, starting from 0, in 32-bit
// wrapping arithmetic (so a negative step takes 5 bytes). A list ends where an entry would
// begin with the value 0x7FFFFFFF, or where a number runs past the data or past 5 bytes.
// Units and source names are pairs (address, name), symbols triples (address, first name,
// second name), line numbers pairs (address, line).
//
// A name is an offset into the word table; 0 names nothing. The word there begins with a
// kind byte: 1 is text whose bytes are XORed with 0xAA (a byte 0xAA stands for itself) up
// to a zero byte; 2 is "@" followed by packed text from the next byte; any other value is
// the first byte of packed text. Packed text holds 6-bit codes, four in three bytes, least
// significant bits first: 0 ends it, 1-10 are "0"-"9", 11-36 "A"-"Z", 37-62 "a"-"z", 63 "_".
// A name has at most 255 characters ("@" included); longer words are cut there.
//
// Every read is checked against the data's size: a damaged or forged file gives fewer or no
// answers, never a read outside it, an exception or a hang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TELBinDebugScanner {
public:
    // Copies the size bytes at data (null only with size 0) and checks their format.
    // cacheData: decode the symbol and line lists into arrays on their first use instead of
    // walking the lists at every lookup (the library always asks for it; the answers are
    // the same either way). One thread at a time: the caches fill inside const lookups.
    TELBinDebugScanner(const void* data, std::size_t size, bool cacheData);

    // True when the data passed CheckFormat; every lookup of a scanner without a valid
    // format answers "none".
    bool ValidFormat() const noexcept { return FValidFormat; }

    // The name the header's module-name offset points to ("" when none).
    std::string ModuleName() const;

    // The lookups. address: an offset from the start of the module's code.
    // The unit whose start is the greatest not above address (its name, "" when none;
    // its start).
    std::string ModuleNameFromAddr(std::uint32_t address) const;
    std::optional<std::uint32_t> ModuleStartFromAddr(std::uint32_t address) const;
    // The symbol with the greatest address not above address and not below the unit's
    // start: its first name, with "." and the second name when it has one; offset gets
    // address minus the symbol's address. "" and offset 0 when none (no unit included).
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // The line entry chosen as the symbol above; offset from its address. 0 when none or
    // when the entry's line is not positive.
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // The source-name entry with the greatest address not above address ("" when none).
    std::string SourceNameFromAddr(std::uint32_t address) const;

    // One decoded list entry: the address and up to two further columns.
    struct TEntry {
        std::uint32_t Address = 0;
        std::uint32_t First = 0;
        std::uint32_t Second = 0;
    };

private:
    // A decoded list, sorted when its addresses never fall (then looked up by bisection).
    struct TCachedList {
        std::vector<TEntry> Entries;
        bool Sorted = true;
        bool Filled = false;
    };

    bool CheckFormat() const;
    std::uint32_t HeaderValue(std::size_t offset) const;
    std::vector<TEntry> DecodeList(std::size_t headerOffset, int columns) const;
    std::optional<TEntry> FindUncached(std::size_t headerOffset, int columns, std::uint32_t address) const;
    std::optional<TEntry> FindCached(TCachedList& cache, std::size_t headerOffset, int columns,
                                     std::uint32_t address) const;
    std::optional<TEntry> FindEntry(TCachedList& cache, std::size_t headerOffset, int columns,
                                    std::uint32_t address) const;
    // The symbol or line entry for address, with the unit-start proviso applied.
    std::optional<TEntry> FindInUnit(TCachedList& cache, std::size_t headerOffset, int columns,
                                     std::uint32_t address) const;
    std::string NameAt(std::size_t position) const;
    std::string Name(std::uint32_t wordOffset) const;
    std::string PackedText(std::size_t position, std::string text) const;

    std::vector<std::uint8_t> FData;
    bool FCacheData;
    bool FValidFormat = false;
    mutable TCachedList FSymbols;
    mutable TCachedList FLines;
};
