// The linker's text map file as a source of locations: the parser of its sections and the
// scanner that answers the five lookups of an external debug source.
//
// The map is the classic segmented linker map: a segment table ("Start Length Name
// Class"), the detailed map of segments (one row per unit and segment, "C=" class,
// "M=" unit), the publics by name and by value, and "Line numbers for" blocks of
// decimal line numbers with segment:offset addresses. Everything here is portable: text
// in, answers out; it never throws on bad text (a line that does not read is skipped) and
// never reads outside the text it is given.
//
// Segment numbers and code offsets. The lookups take offsets from the start of the code
// (what VAFromAddr gives: the address less the module base and 0x1000). The offsets of the
// code segment are exactly that. The code segment is the first segment the segment table
// lists with the class "CODE" (any case), else segment 1. Another segment's offsets are
// moved by the distance of its start from the code segment's start, both taken from the
// segment table (the lowest start listed for a number, since a segment may be listed as
// several classes, as .data and .bss); a segment the table does not list, or that starts
// below the code (such as the thread-local segment at 0), has no code offsets, and its
// rows, publics and lines are left out. Without a segment table only the code segment
// (1) is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An address as the map writes it: "SSSS:OOOOOOOO", both hexadecimal.
struct TELMapAddress {
    std::uint16_t Segment = 0;
    std::uint32_t Offset = 0;
};

// Reads a map's text and hands each item to the item functions, in the order of the text.
// A section begins at its header line, which is recognised when it holds the four words of
// the header at increasing positions ("Start", "Length", "Name", "Class"; "Detailed",
// "map", "of", "segments"; "Address", "Publics", "by", "Name" or "Value"; a line that
// begins with an address is an item, never a header). The sections are taken in that
// order: a header of a section before one already read is not taken. "Line numbers for"
// blocks follow, as many as the map has. A section ends at a line that is neither blank
// nor one of its items. Line ends are CR LF, LF or CR.
class TELAbstractMapParser {
public:
    virtual ~TELAbstractMapParser() = default;

    // Never throws on bad text. The item functions may be called with views into text
    // only while they run.
    void Parse(std::string_view text);

protected:
    TELAbstractMapParser() = default;

    // The segment table: start (segment and linear address), length, name, class ("" when
    // the row has none).
    virtual void ClassTableItem(const TELMapAddress& start, std::uint32_t length, std::string_view name,
                                std::string_view className) = 0;
    // The detailed map: start, length, the "C=" value (the group the row belongs to) and
    // the unit after "M=" (never empty).
    virtual void SegmentItem(const TELMapAddress& start, std::uint32_t length, std::string_view group,
                             std::string_view unitName) = 0;
    virtual void PublicsByNameItem(const TELMapAddress& address, std::string_view name) = 0;
    virtual void PublicsByValueItem(const TELMapAddress& address, std::string_view name) = 0;
    // A "Line numbers for" block begins: its unit and the source file in parentheses (""
    // when the header has none). The lines that follow belong to it.
    virtual void LineNumberUnitItem(std::string_view unitName, std::string_view sourceName) = 0;
    // One pair of a block: a line number (0 to 2^31 - 1) and its address.
    virtual void LineNumbersItem(int lineNumber, const TELMapAddress& address) = 0;
};

// The lookups over one map's text, which is read once by the constructor (the scanner keeps
// its own copies). Addresses are 32-bit offsets from the start of the code (see above).
// Safe to use from several threads once constructed (the lookups only read).
class TELMapScanner : public TELAbstractMapParser {
public:
    explicit TELMapScanner(std::string_view text);

    // True when the map names at least one unit; without one no lookup answers.
    bool HasUnits() const noexcept { return !FUnits.empty(); }

    // The unit of the detailed map row whose range (start to start + length - 1) holds the
    // address, the last such row when rows overlap; "" when none.
    std::string ModuleNameFromAddr(std::uint32_t address) const;
    // That row's start; none when no row holds the address.
    std::optional<std::uint32_t> ModuleStartFromAddr(std::uint32_t address) const;
    // The public with the greatest address not above the given one, provided it is not
    // below the unit's start; offset = the distance from it. "" (offset 0) when there is no
    // unit or no such public. Publics by value are used; a map without them gives its
    // publics by name.
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // The line entry with the greatest address not above the given one, with the same
    // proviso, and the distance from it; 0 (offset 0) when none, and when that entry is of
    // line 0 (which does not fall back on an earlier line). Of entries at one address the
    // last in the map counts.
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // The source file of the block that holds that line entry; without one, the source of
    // the first block of the unit's name; "" when neither exists.
    std::string SourceNameFromAddr(std::uint32_t address) const;

protected:
    void ClassTableItem(const TELMapAddress& start, std::uint32_t length, std::string_view name,
                        std::string_view className) override;
    void SegmentItem(const TELMapAddress& start, std::uint32_t length, std::string_view group,
                     std::string_view unitName) override;
    void PublicsByNameItem(const TELMapAddress& address, std::string_view name) override;
    void PublicsByValueItem(const TELMapAddress& address, std::string_view name) override;
    void LineNumberUnitItem(std::string_view unitName, std::string_view sourceName) override;
    void LineNumbersItem(int lineNumber, const TELMapAddress& address) override;

private:
    struct TClassRow {
        TELMapAddress Start;
        std::string ClassName;
    };
    struct TSegmentBase {
        std::uint16_t Segment = 0;
        std::uint32_t Start = 0;
    };
    struct TRawUnit {
        TELMapAddress Start;
        std::uint32_t Length = 0;
        std::string Name;
    };
    struct TRawPublic {
        TELMapAddress Address;
        std::string Name;
    };
    struct TRawLine {
        TELMapAddress Address;
        int Line = 0;
        std::size_t Block = 0;
    };
    struct TBlock {
        std::string Unit;
        std::string Source;
    };
    struct TUnit {
        std::uint32_t Start = 0;
        std::uint64_t End = 0; // one past the last byte
        std::string Name;
    };
    struct TPublic {
        std::uint32_t Address = 0;
        std::string Name;
    };
    struct TLine {
        std::uint32_t Address = 0;
        int Line = 0;
        std::size_t Block = 0;
    };

    // The raw items become code offsets, sorted for the searches; the raw lists go.
    void Resolve();
    std::optional<std::uint32_t> CodeOffset(const TELMapAddress& address) const;
    const TUnit* UnitAt(std::uint32_t address) const;
    const TLine* LineAt(std::uint32_t address, const TUnit& unit) const;

    std::vector<TClassRow> FClassRows;
    std::vector<TSegmentBase> FSegmentBases; // by segment, one each
    std::vector<TRawUnit> FRawUnits;
    std::vector<TRawPublic> FRawPublicsByName;
    std::vector<TRawPublic> FRawPublicsByValue;
    std::vector<TRawLine> FRawLines;
    std::vector<TBlock> FBlocks;

    std::uint16_t FCodeSegment = 1;
    std::optional<std::uint32_t> FCodeStart;
    std::vector<TUnit> FUnits;     // in the map's order
    std::vector<TPublic> FPublics; // by address
    std::vector<TLine> FLines;     // by address, equal addresses in the map's order
};
