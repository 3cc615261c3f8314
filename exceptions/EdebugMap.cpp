// The map file's parser and scanner. The text is read line by line with views into it;
// every number is read digit by digit against its limit, so no malformed or oversized
// value can wrap, and what a line does not hold is simply not there.
#include "exceptions/EdebugMap.h"

#include <algorithm>
#include <array>
#include <climits>

namespace {

constexpr std::string_view LineNumbersLead = "Line numbers for";

bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) noexcept
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The next blank-separated token of text, removed from it; empty at the end.
std::string_view NextToken(std::string_view& text) noexcept
{
    text = Trim(text);
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    const std::string_view token = text.substr(0, end);
    text.remove_prefix(end);
    return token;
}

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// 1 to maxDigits hexadecimal digits, nothing else.
std::optional<std::uint32_t> ReadHex(std::string_view text, std::size_t maxDigits) noexcept
{
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// "SSSS:OOOOOOOO": up to 4 digits of segment and 8 of offset.
std::optional<TELMapAddress> ReadAddress(std::string_view token) noexcept
{
    const std::size_t colon = token.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto segment = ReadHex(token.substr(0, colon), 4);
    const auto offset = ReadHex(token.substr(colon + 1), 8);
    if (!segment || !offset) return std::nullopt;
    return TELMapAddress{static_cast<std::uint16_t>(*segment), *offset};
}

// A length: hexadecimal, in the segment table with the suffix "H".
std::optional<std::uint32_t> ReadLength(std::string_view token) noexcept
{
    if (!token.empty() && (token.back() == 'H' || token.back() == 'h')) token.remove_suffix(1);
    // The segment table pads lengths to 9 digits ("000035D28H").
    while (token.size() > 8 && token.front() == '0') token.remove_prefix(1);
    return ReadHex(token, 8);
}

std::optional<int> ReadLineNumber(std::string_view token) noexcept
{
    if (token.empty()) return std::nullopt;
    long long value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return std::nullopt;
    }
    return static_cast<int>(value);
}

bool StartsWithAddress(std::string_view line) noexcept
{
    return ReadAddress(NextToken(line)).has_value();
}

// The four words of a header at increasing positions of the line.
bool IsHeader(std::string_view line, const std::array<std::string_view, 4>& words) noexcept
{
    std::size_t from = 0;
    for (const std::string_view word : words) {
        const std::size_t at = line.find(word, from);
        if (at == std::string_view::npos) return false;
        from = at + word.size();
    }
    return true;
}

// A token "KEY=" starts at position i of text (at its start or after a blank): upper-case
// letters and then "=".
bool KeyAt(std::string_view text, std::size_t i) noexcept
{
    if (i > 0 && !IsBlank(text[i - 1])) return false;
    std::size_t j = i;
    while (j < text.size() && text[j] >= 'A' && text[j] <= 'Z') ++j;
    return j > i && j < text.size() && text[j] == '=';
}

// The value of "KEY=" in the fields of a detailed map row: up to the next key, so that a
// unit named by a path with blanks stays whole. Empty when the key is missing.
std::string_view FieldValue(std::string_view fields, std::string_view key) noexcept
{
    for (std::size_t i = 0; i + key.size() < fields.size(); ++i) {
        if (!KeyAt(fields, i) || fields.substr(i, key.size()) != key || fields[i + key.size()] != '=') continue;
        const std::size_t start = i + key.size() + 1;
        std::size_t end = start;
        while (end < fields.size() && !KeyAt(fields, end)) ++end;
        return Trim(fields.substr(start, end - start));
    }
    return {};
}

enum class TMapSection { None, Classes, Segments, PublicsByName, PublicsByValue, LineNumbers };

} // namespace

void TELAbstractMapParser::Parse(std::string_view text)
{
    static constexpr std::array<std::string_view, 4> ClassesHeader{"Start", "Length", "Name", "Class"};
    static constexpr std::array<std::string_view, 4> SegmentsHeader{"Detailed", "map", "of", "segments"};
    static constexpr std::array<std::string_view, 4> ByNameHeader{"Address", "Publics", "by", "Name"};
    static constexpr std::array<std::string_view, 4> ByValueHeader{"Address", "Publics", "by", "Value"};

    TMapSection section = TMapSection::None;
    TMapSection reached = TMapSection::None; // the furthest section begun
    while (!text.empty()) {
        std::size_t end = 0;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end);
        if (text.starts_with("\r\n")) text.remove_prefix(2);
        else if (!text.empty()) text.remove_prefix(1);

        const std::string_view trimmed = Trim(line);
        if (trimmed.empty()) continue;

        if (trimmed.starts_with(LineNumbersLead)) {
            // "Line numbers for Unit(Source) segment .text". The source may be a path with
            // parentheses of its own, so its opening parenthesis is the one that matches
            // the last closing one.
            const std::string_view rest = trimmed.substr(LineNumbersLead.size());
            std::string_view unit = rest;
            std::string_view source;
            const std::size_t close = rest.rfind(')');
            std::size_t open = std::string_view::npos;
            if (close != std::string_view::npos) {
                int depth = 0;
                for (std::size_t i = close + 1; i-- > 0;) {
                    if (rest[i] == ')') ++depth;
                    else if (rest[i] == '(' && --depth == 0) {
                        open = i;
                        break;
                    }
                }
            }
            if (open != std::string_view::npos) {
                unit = rest.substr(0, open);
                source = rest.substr(open + 1, close - open - 1);
            } else {
                const std::size_t segment = rest.rfind(" segment");
                if (segment != std::string_view::npos) unit = rest.substr(0, segment);
            }
            LineNumberUnitItem(Trim(unit), Trim(source));
            section = reached = TMapSection::LineNumbers;
            continue;
        }

        if (!StartsWithAddress(trimmed) && section != TMapSection::LineNumbers) {
            TMapSection header = TMapSection::None;
            if (IsHeader(trimmed, ClassesHeader)) header = TMapSection::Classes;
            else if (IsHeader(trimmed, SegmentsHeader)) header = TMapSection::Segments;
            else if (IsHeader(trimmed, ByNameHeader)) header = TMapSection::PublicsByName;
            else if (IsHeader(trimmed, ByValueHeader)) header = TMapSection::PublicsByValue;
            if (header != TMapSection::None && header > reached) section = reached = header;
            else section = TMapSection::None;
            continue;
        }

        std::string_view fields = trimmed;
        switch (section) {
        case TMapSection::None:
            break;
        case TMapSection::Classes: {
            const auto start = ReadAddress(NextToken(fields));
            const auto length = ReadLength(NextToken(fields));
            const std::string_view name = NextToken(fields);
            const std::string_view className = NextToken(fields);
            if (start && length && !name.empty()) ClassTableItem(*start, *length, name, className);
            break;
        }
        case TMapSection::Segments: {
            const auto start = ReadAddress(NextToken(fields));
            const auto length = ReadLength(NextToken(fields));
            fields = Trim(fields);
            const std::string_view unit = FieldValue(fields, "M");
            if (start && length && !unit.empty()) SegmentItem(*start, *length, FieldValue(fields, "C"), unit);
            break;
        }
        case TMapSection::PublicsByName:
        case TMapSection::PublicsByValue: {
            const auto address = ReadAddress(NextToken(fields));
            const std::string_view name = Trim(fields);
            if (!address || name.empty()) break;
            if (section == TMapSection::PublicsByName) PublicsByNameItem(*address, name);
            else PublicsByValueItem(*address, name);
            break;
        }
        case TMapSection::LineNumbers: {
            bool any = false;
            for (;;) {
                const auto number = ReadLineNumber(NextToken(fields));
                if (!number) break;
                const auto address = ReadAddress(NextToken(fields));
                if (!address) break;
                LineNumbersItem(*number, *address);
                any = true;
            }
            // A line that holds no pair ends the block (the sections after the blocks:
            // bound resource files, the entry point).
            if (!any) section = TMapSection::None;
            break;
        }
        }
    }
}

TELMapScanner::TELMapScanner(std::string_view text)
{
    Parse(text);
    Resolve();
}

void TELMapScanner::ClassTableItem(const TELMapAddress& start, std::uint32_t, std::string_view,
                                   std::string_view className)
{
    FClassRows.push_back({start, std::string(className)});
}

void TELMapScanner::SegmentItem(const TELMapAddress& start, std::uint32_t length, std::string_view,
                                std::string_view unitName)
{
    FRawUnits.push_back({start, length, std::string(unitName)});
}

void TELMapScanner::PublicsByNameItem(const TELMapAddress& address, std::string_view name)
{
    FRawPublicsByName.push_back({address, std::string(name)});
}

void TELMapScanner::PublicsByValueItem(const TELMapAddress& address, std::string_view name)
{
    FRawPublicsByValue.push_back({address, std::string(name)});
}

void TELMapScanner::LineNumberUnitItem(std::string_view unitName, std::string_view sourceName)
{
    FBlocks.push_back({std::string(unitName), std::string(sourceName)});
}

void TELMapScanner::LineNumbersItem(int lineNumber, const TELMapAddress& address)
{
    // Pairs before any block header cannot be read (the parser begins a block first).
    if (!FBlocks.empty()) FRawLines.push_back({address, lineNumber, FBlocks.size() - 1});
}

namespace {

bool IsCodeClass(std::string_view className) noexcept
{
    constexpr std::string_view Code = "CODE";
    if (className.size() != Code.size()) return false;
    for (std::size_t i = 0; i < Code.size(); ++i) {
        const char c = className[i] >= 'a' && className[i] <= 'z' ? static_cast<char>(className[i] - 'a' + 'A')
                                                                   : className[i];
        if (c != Code[i]) return false;
    }
    return true;
}

} // namespace

std::optional<std::uint32_t> TELMapScanner::CodeOffset(const TELMapAddress& address) const
{
    if (address.Segment == FCodeSegment) return address.Offset;
    if (!FCodeStart) return std::nullopt;
    const auto base = std::lower_bound(FSegmentBases.begin(), FSegmentBases.end(), address.Segment,
                                       [](const TSegmentBase& b, std::uint16_t segment) { return b.Segment < segment; });
    if (base == FSegmentBases.end() || base->Segment != address.Segment || base->Start < *FCodeStart)
        return std::nullopt;
    const std::uint64_t offset = std::uint64_t(base->Start - *FCodeStart) + address.Offset;
    if (offset > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(offset);
}

void TELMapScanner::Resolve()
{
    const auto code = std::find_if(FClassRows.begin(), FClassRows.end(),
                                   [](const TClassRow& row) { return IsCodeClass(row.ClassName); });
    if (code != FClassRows.end()) FCodeSegment = code->Start.Segment;
    // Each segment's base: the lowest start the table lists for its number.
    for (const TClassRow& row : FClassRows) FSegmentBases.push_back({row.Start.Segment, row.Start.Offset});
    std::sort(FSegmentBases.begin(), FSegmentBases.end(), [](const TSegmentBase& a, const TSegmentBase& b) {
        return a.Segment != b.Segment ? a.Segment < b.Segment : a.Start < b.Start;
    });
    FSegmentBases.erase(std::unique(FSegmentBases.begin(), FSegmentBases.end(),
                                    [](const TSegmentBase& a, const TSegmentBase& b) { return a.Segment == b.Segment; }),
                        FSegmentBases.end());
    for (const TSegmentBase& base : FSegmentBases)
        if (base.Segment == FCodeSegment) FCodeStart = base.Start;

    for (TRawUnit& raw : FRawUnits) {
        const auto start = CodeOffset(raw.Start);
        if (start) FUnits.push_back({*start, std::uint64_t(*start) + raw.Length, std::move(raw.Name)});
    }
    for (TRawPublic& raw : FRawPublicsByValue.empty() ? FRawPublicsByName : FRawPublicsByValue) {
        const auto address = CodeOffset(raw.Address);
        if (address) FPublics.push_back({*address, std::move(raw.Name)});
    }
    for (const TRawLine& raw : FRawLines) {
        const auto address = CodeOffset(raw.Address);
        if (address) FLines.push_back({*address, raw.Line, raw.Block});
    }
    std::stable_sort(FPublics.begin(), FPublics.end(),
                     [](const TPublic& a, const TPublic& b) { return a.Address < b.Address; });
    std::stable_sort(FLines.begin(), FLines.end(),
                     [](const TLine& a, const TLine& b) { return a.Address < b.Address; });

    FClassRows = {};
    FSegmentBases = {};
    FRawUnits = {};
    FRawPublicsByName = {};
    FRawPublicsByValue = {};
    FRawLines = {};
}

const TELMapScanner::TUnit* TELMapScanner::UnitAt(std::uint32_t address) const
{
    for (auto unit = FUnits.rbegin(); unit != FUnits.rend(); ++unit)
        if (unit->Start <= address && address < unit->End) return &*unit;
    return nullptr;
}

const TELMapScanner::TLine* TELMapScanner::LineAt(std::uint32_t address, const TUnit& unit) const
{
    const auto after = std::upper_bound(FLines.begin(), FLines.end(), address,
                                        [](std::uint32_t a, const TLine& line) { return a < line.Address; });
    if (after == FLines.begin()) return nullptr;
    const TLine& line = *std::prev(after);
    return line.Address >= unit.Start ? &line : nullptr;
}

std::string TELMapScanner::ModuleNameFromAddr(std::uint32_t address) const
{
    const TUnit* unit = UnitAt(address);
    return unit ? unit->Name : std::string();
}

std::optional<std::uint32_t> TELMapScanner::ModuleStartFromAddr(std::uint32_t address) const
{
    const TUnit* unit = UnitAt(address);
    if (!unit) return std::nullopt;
    return unit->Start;
}

std::string TELMapScanner::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    const TUnit* unit = UnitAt(address);
    if (!unit) return {};
    const auto after = std::upper_bound(FPublics.begin(), FPublics.end(), address,
                                        [](std::uint32_t a, const TPublic& p) { return a < p.Address; });
    if (after == FPublics.begin()) return {};
    const TPublic& proc = *std::prev(after);
    if (proc.Address < unit->Start) return {};
    offset = address - proc.Address;
    return proc.Name;
}

int TELMapScanner::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    const TUnit* unit = UnitAt(address);
    const TLine* line = unit ? LineAt(address, *unit) : nullptr;
    // Line 0 is how the lookup says "none", so an entry of line 0 gives no offset either.
    if (!line || line->Line == 0) return 0;
    offset = address - line->Address;
    return line->Line;
}

std::string TELMapScanner::SourceNameFromAddr(std::uint32_t address) const
{
    const TUnit* unit = UnitAt(address);
    if (!unit) return {};
    if (const TLine* line = LineAt(address, *unit)) return FBlocks[line->Block].Source;
    for (const TBlock& block : FBlocks)
        if (block.Unit == unit->Name) return block.Source;
    return {};
}
