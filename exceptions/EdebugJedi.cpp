// The JEDI binary debug format reader (layout in the header). Portable: bytes in, answers
// out; every position is checked against the data's size before it is read.
#include "exceptions/EdebugJedi.h"

#include <algorithm>

namespace {

constexpr std::uint32_t Signature = 0x4742444A; // "JDBG"
constexpr std::uint8_t Version = 1;
constexpr std::size_t MinimumSize = 35;         // the header and at least one byte more
constexpr std::size_t HeaderSize = 34;
constexpr std::size_t VersionOffset = 4;
constexpr std::size_t UnitsOffset = 5;
constexpr std::size_t SourceNamesOffset = 9;
constexpr std::size_t SymbolsOffset = 13;
constexpr std::size_t LineNumbersOffset = 17;
constexpr std::size_t WordsOffset = 21;
constexpr std::size_t ModuleNameOffset = 25;
constexpr std::size_t ChecksumOffset = 29;
constexpr std::size_t ChecksumFlagOffset = 33;

constexpr std::uint32_t EndOfList = 0x7FFFFFFF;
constexpr int MaxNumberBytes = 5;
constexpr std::size_t MaxNameLength = 255;
constexpr std::uint8_t PlainTextKind = 1;
constexpr std::uint8_t AtPackedTextKind = 2;
constexpr std::uint8_t PlainTextKey = 0xAA;

// The caches start at 64 entries and grow by a quarter, which keeps the slack of a large
// list small (a module has tens of thousands of line entries).
constexpr std::size_t InitialCacheCapacity = 64;

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint32_t RotateRight8(std::uint32_t value)
{
    return value >> 8 | value << 24;
}

char PackedCharacter(unsigned code)
{
    if (code <= 10) return char('0' + code - 1);
    if (code <= 36) return char('A' + code - 11);
    if (code <= 62) return char('a' + code - 37);
    return '_';
}

void AppendGrowing(std::vector<TELBinDebugScanner::TEntry>& entries, const TELBinDebugScanner::TEntry& entry)
{
    if (entries.size() == entries.capacity())
        entries.reserve(entries.empty() ? InitialCacheCapacity : entries.capacity() + entries.capacity() / 4);
    entries.push_back(entry);
}

// Walks a list from its first byte, calling take(entry) for each whole entry.
class TListWalker {
public:
    TListWalker(const std::vector<std::uint8_t>& data, std::size_t start, int columns)
        : FData(data), FPosition(start), FColumns(columns)
    {
    }

    // The next entry, or false where the list ends.
    bool Next(TELBinDebugScanner::TEntry& entry)
    {
        std::uint32_t values[3] = {};
        for (int i = 0; i < FColumns; ++i)
            if (!ReadNumber(values[i]) || values[i] == EndOfList) return false;
        FRunning[0] += values[0];
        FRunning[1] += values[1];
        FRunning[2] += values[2];
        entry = {FRunning[0], FRunning[1], FRunning[2]};
        return true;
    }

private:
    bool ReadNumber(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < MaxNumberBytes; ++i) {
            if (FPosition >= FData.size()) return false;
            const std::uint8_t byte = FData[FPosition++];
            // The fifth byte's bits above the 32nd fall off, as in the writer's 32-bit value.
            value |= std::uint32_t(byte & 0x7F) << (7 * i);
            if (!(byte & 0x80)) return true;
        }
        return false;
    }

    const std::vector<std::uint8_t>& FData;
    std::size_t FPosition;
    int FColumns;
    std::uint32_t FRunning[3] = {};
};

} // namespace

TELBinDebugScanner::TELBinDebugScanner(const void* data, std::size_t size, bool cacheData)
    : FCacheData(cacheData)
{
    if (data && size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        FData.assign(bytes, bytes + size);
    }
    FValidFormat = CheckFormat();
}

bool TELBinDebugScanner::CheckFormat() const
{
    if (FData.size() < MinimumSize || FData.size() % 4 != 0) return false;
    if (ReadU32(FData.data()) != Signature || FData[VersionOffset] != Version) return false;
    if (FData[ChecksumFlagOffset] == 0) return true;
    // The stored checksum lies across two words, so the words' sum holds it rotated left
    // by 8 bits; the rule below therefore holds exactly when the checksum is the sum of
    // the words with the checksum's bytes taken as zero.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < FData.size(); i += 4) sum += ReadU32(FData.data() + i);
    const std::uint32_t stored = ReadU32(FData.data() + ChecksumOffset);
    return RotateRight8(sum - stored) == stored;
}

std::uint32_t TELBinDebugScanner::HeaderValue(std::size_t offset) const
{
    return ReadU32(FData.data() + offset);
}

std::vector<TELBinDebugScanner::TEntry> TELBinDebugScanner::DecodeList(std::size_t headerOffset, int columns) const
{
    std::vector<TEntry> entries;
    const std::uint32_t start = HeaderValue(headerOffset);
    // A list inside the header is no list: its offset was never written.
    if (start < HeaderSize || start >= FData.size()) return entries;
    TListWalker walker(FData, start, columns);
    TEntry entry;
    while (walker.Next(entry)) AppendGrowing(entries, entry);
    return entries;
}

std::optional<TELBinDebugScanner::TEntry> TELBinDebugScanner::FindUncached(std::size_t headerOffset, int columns,
                                                                          std::uint32_t address) const
{
    std::optional<TEntry> found;
    const std::uint32_t start = HeaderValue(headerOffset);
    if (start < HeaderSize || start >= FData.size()) return found;
    TListWalker walker(FData, start, columns);
    TEntry entry;
    // The greatest address not above the target; of equal ones the last. A list in address
    // order could stop at the first address past the target, but a forged one need not be.
    while (walker.Next(entry))
        if (entry.Address <= address && (!found || entry.Address >= found->Address)) found = entry;
    return found;
}

std::optional<TELBinDebugScanner::TEntry> TELBinDebugScanner::FindCached(TCachedList& cache, std::size_t headerOffset,
                                                                        int columns, std::uint32_t address) const
{
    if (!cache.Filled) {
        cache.Entries = DecodeList(headerOffset, columns);
        cache.Sorted = std::is_sorted(cache.Entries.begin(), cache.Entries.end(),
                                      [](const TEntry& a, const TEntry& b) { return a.Address < b.Address; });
        cache.Filled = true;
    }
    const std::vector<TEntry>& entries = cache.Entries;
    if (cache.Sorted) {
        const auto after = std::upper_bound(entries.begin(), entries.end(), address,
                                            [](std::uint32_t a, const TEntry& e) { return a < e.Address; });
        if (after == entries.begin()) return std::nullopt;
        return *(after - 1);
    }
    std::optional<TEntry> found;
    for (const TEntry& entry : entries)
        if (entry.Address <= address && (!found || entry.Address >= found->Address)) found = entry;
    return found;
}

std::optional<TELBinDebugScanner::TEntry> TELBinDebugScanner::FindEntry(TCachedList& cache, std::size_t headerOffset,
                                                                       int columns, std::uint32_t address) const
{
    if (!FValidFormat) return std::nullopt;
    return FCacheData ? FindCached(cache, headerOffset, columns, address) : FindUncached(headerOffset, columns, address);
}

std::optional<TELBinDebugScanner::TEntry> TELBinDebugScanner::FindInUnit(TCachedList& cache, std::size_t headerOffset,
                                                                        int columns, std::uint32_t address) const
{
    const std::optional<std::uint32_t> unitStart = ModuleStartFromAddr(address);
    if (!unitStart) return std::nullopt;
    const std::optional<TEntry> entry = FindEntry(cache, headerOffset, columns, address);
    if (!entry || entry->Address < *unitStart) return std::nullopt;
    return entry;
}

std::string TELBinDebugScanner::PackedText(std::size_t position, std::string text) const
{
    for (std::size_t code = 0; text.size() < MaxNameLength; ++code) {
        const std::size_t bit = code * 6;
        const std::size_t first = position + bit / 8;
        const unsigned shift = unsigned(bit % 8);
        // A code that reaches into the next byte needs that byte too.
        const std::size_t last = first + (shift > 2 ? 1 : 0);
        if (last >= FData.size()) break;
        unsigned bits = FData[first];
        if (last != first) bits |= unsigned(FData[last]) << 8;
        const unsigned value = (bits >> shift) & 0x3F;
        if (value == 0) break;
        text += PackedCharacter(value);
    }
    return text;
}

std::string TELBinDebugScanner::NameAt(std::size_t position) const
{
    if (position >= FData.size()) return {};
    const std::uint8_t kind = FData[position];
    if (kind == PlainTextKind) {
        std::string text;
        for (std::size_t i = position + 1; i < FData.size() && FData[i] != 0 && text.size() < MaxNameLength; ++i) {
            const std::uint8_t byte = FData[i];
            text += char(byte == PlainTextKey ? byte : byte ^ PlainTextKey);
        }
        return text;
    }
    if (kind == AtPackedTextKind) return PackedText(position + 1, "@");
    return PackedText(position, {});
}

std::string TELBinDebugScanner::Name(std::uint32_t wordOffset) const
{
    if (wordOffset == 0) return {};
    const std::uint32_t words = HeaderValue(WordsOffset);
    // A word table inside the header is none: its offset was never written.
    if (words < HeaderSize || words >= FData.size() || wordOffset >= FData.size() - words) return {};
    return NameAt(std::size_t(words) + wordOffset);
}

std::string TELBinDebugScanner::ModuleName() const
{
    if (!FValidFormat) return {};
    const std::uint32_t position = HeaderValue(ModuleNameOffset);
    // Offset 0 would point into the header: no module name was written.
    if (position < HeaderSize) return {};
    return NameAt(position);
}

std::string TELBinDebugScanner::ModuleNameFromAddr(std::uint32_t address) const
{
    if (!FValidFormat) return {};
    const std::optional<TEntry> unit = FindUncached(UnitsOffset, 2, address);
    return unit ? Name(unit->First) : std::string();
}

std::optional<std::uint32_t> TELBinDebugScanner::ModuleStartFromAddr(std::uint32_t address) const
{
    if (!FValidFormat) return std::nullopt;
    const std::optional<TEntry> unit = FindUncached(UnitsOffset, 2, address);
    if (!unit) return std::nullopt;
    return unit->Address;
}

std::string TELBinDebugScanner::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    const std::optional<TEntry> symbol = FindInUnit(FSymbols, SymbolsOffset, 3, address);
    if (!symbol) return {};
    const std::string first = Name(symbol->First);
    const std::string second = Name(symbol->Second);
    std::string name = first.empty() ? second : second.empty() ? first : first + "." + second;
    if (!name.empty()) offset = address - symbol->Address;
    return name;
}

int TELBinDebugScanner::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    offset = 0;
    const std::optional<TEntry> line = FindInUnit(FLines, LineNumbersOffset, 2, address);
    // Lines are stored as 32-bit steps: a value past the signed range is a damaged file.
    if (!line || line->First == 0 || line->First > 0x7FFFFFFFu) return 0;
    offset = address - line->Address;
    return int(line->First);
}

std::string TELBinDebugScanner::SourceNameFromAddr(std::uint32_t address) const
{
    if (!FValidFormat) return {};
    const std::optional<TEntry> source = FindUncached(SourceNamesOffset, 2, address);
    return source ? Name(source->First) : std::string();
}
