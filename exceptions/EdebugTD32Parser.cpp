// TD32 data: the subsection directory chain and the module, aligned-symbol, source-module
// and names subsections. See EdebugTD32.h.
#include "exceptions/EdebugTD32.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// A bounded view of the data: every read says whether it fit, none reads past the end.
class TBytes {
public:
    TBytes(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

    std::size_t Size() const { return FSize; }
    bool Has(std::size_t offset, std::size_t length) const
    {
        return offset <= FSize && length <= FSize - offset;
    }
    bool U8(std::size_t offset, std::uint8_t& value) const
    {
        if (!Has(offset, 1)) return false;
        value = FData[offset];
        return true;
    }
    bool U16(std::size_t offset, std::uint16_t& value) const
    {
        if (!Has(offset, 2)) return false;
        value = static_cast<std::uint16_t>(FData[offset] | (FData[offset + 1] << 8));
        return true;
    }
    bool U32(std::size_t offset, std::uint32_t& value) const
    {
        if (!Has(offset, 4)) return false;
        value = static_cast<std::uint32_t>(FData[offset]) | (static_cast<std::uint32_t>(FData[offset + 1]) << 8) |
                (static_cast<std::uint32_t>(FData[offset + 2]) << 16) |
                (static_cast<std::uint32_t>(FData[offset + 3]) << 24);
        return true;
    }
    const char* Text(std::size_t offset) const { return reinterpret_cast<const char*>(FData + offset); }
    // The part [offset, offset + length), which the caller has checked with Has.
    TBytes Part(std::size_t offset, std::size_t length) const { return TBytes(FData + offset, length); }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
};

struct TDirectoryEntry {
    std::uint16_t Type = 0;
    std::uint16_t Module = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
};

constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kDirectoryFields = 12; // header size, entry size, count, next

// The chain of directories from the offset in the data's header. A directory outside the
// data, one whose entry size is not 12, a header shorter than its fields, a directory met
// twice or an entry table that leaves the data makes the whole data invalid.
bool ReadDirectories(const TBytes& bytes, std::vector<TDirectoryEntry>& entries)
{
    std::uint32_t offset = 0;
    if (!bytes.U32(4, offset)) return false;
    std::set<std::uint32_t> seen;
    while (offset != 0) {
        if (!seen.insert(offset).second) return false;
        std::uint16_t headerSize = 0, entrySize = 0;
        std::uint32_t count = 0, next = 0;
        if (!bytes.U16(offset, headerSize) || !bytes.U16(std::size_t(offset) + 2, entrySize) ||
            !bytes.U32(std::size_t(offset) + 4, count) || !bytes.U32(std::size_t(offset) + 8, next))
            return false;
        if (entrySize != kEntrySize || headerSize < kDirectoryFields) return false;
        const std::size_t first = std::size_t(offset) + headerSize;
        // Checked before anything is allocated for the entries.
        if (!bytes.Has(first, 0) || count > (bytes.Size() - first) / kEntrySize) return false;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = first + std::size_t(i) * kEntrySize;
            TDirectoryEntry entry;
            bytes.U16(at, entry.Type);
            bytes.U16(at + 2, entry.Module);
            bytes.U32(at + 4, entry.Offset);
            bytes.U32(at + 8, entry.Size);
            if (!bytes.Has(entry.Offset, entry.Size)) return false;
            entries.push_back(entry);
        }
        offset = next;
    }
    return true;
}

// 0x120: overlay, library, segment count, style, name index, time, three reserved words,
// then 12 bytes per segment.
bool ReadModule(const TBytes& sub, std::uint16_t index, std::vector<TELModuleInfo>& modules)
{
    constexpr std::size_t kHeader = 0x1C;
    std::uint16_t segments = 0;
    TELModuleInfo module;
    module.Index = index;
    if (!sub.U16(4, segments) || !sub.U32(8, module.NameIndex)) return false;
    if (!sub.Has(kHeader, std::size_t(segments) * 12)) return false;
    module.Segments.reserve(segments);
    for (std::size_t i = 0; i < segments; ++i) {
        const std::size_t at = kHeader + i * 12;
        TELSegmentInfo segment;
        sub.U16(at, segment.Segment);
        sub.U16(at + 2, segment.Flags);
        sub.U32(at + 4, segment.Offset);
        sub.U32(at + 8, segment.Size);
        module.Segments.push_back(segment);
    }
    modules.push_back(std::move(module));
    return true;
}

// 0x125: a 32-bit signature, then records of a 16-bit length (of the bytes after it) and
// a 16-bit kind. Procedures: parent, end, next, size, debug start, debug end, offset (32
// bits each), segment (16), type index (32), name index (32). A record that leaves the
// subsection makes it invalid; kinds that are not procedures are passed over.
bool ReadSymbols(const TBytes& sub, std::uint16_t module, std::vector<TELProcSymbolInfo>& procs,
                 std::size_t& others)
{
    std::size_t at = 4;
    if (!sub.Has(0, 4)) return false;
    while (at < sub.Size()) {
        std::uint16_t length = 0, kind = 0;
        if (!sub.U16(at, length)) return false;
        // A length of 0 (or 1) cannot hold the kind: trailing padding ends the records.
        if (length < 2) break;
        if (!sub.Has(at + 2, length) || !sub.U16(at + 2, kind)) return false;
        const std::size_t fields = at + 4;
        if (kind == skLocalProcedure || kind == skGlobalProcedure) {
            constexpr std::size_t kProcFields = 7 * 4 + 2 + 4 + 4;
            if (length < 2 + kProcFields) return false;
            TELProcSymbolInfo proc;
            proc.Kind = kind;
            proc.ModuleIndex = module;
            sub.U32(fields + 12, proc.Size);
            sub.U32(fields + 24, proc.Offset);
            sub.U16(fields + 28, proc.Segment);
            sub.U32(fields + 30, proc.TypeIndex);
            sub.U32(fields + 34, proc.NameIndex);
            procs.push_back(proc);
        } else {
            ++others;
        }
        at += 2 + std::size_t(length);
    }
    return true;
}

// The line block of one file in one segment: segment, pair count, the offsets (32 bits),
// the line numbers (16 bits).
bool ReadLineBlock(const TBytes& sub, std::uint32_t at, TELSourceSegmentInfo& segment)
{
    std::uint16_t pairs = 0;
    if (!sub.U16(at, segment.Segment) || !sub.U16(std::size_t(at) + 2, pairs)) return false;
    const std::size_t offsets = std::size_t(at) + 4;
    const std::size_t lines = offsets + std::size_t(pairs) * 4;
    if (!sub.Has(offsets, std::size_t(pairs) * 6)) return false;
    segment.Lines.resize(pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        std::uint16_t line = 0;
        sub.U32(offsets + i * 4, segment.Lines[i].Offset);
        sub.U16(lines + i * 2, line);
        segment.Lines[i].LineNo = line;
    }
    std::stable_sort(segment.Lines.begin(), segment.Lines.end(),
                     [](const TELLineInfo& a, const TELLineInfo& b) { return a.Offset < b.Offset; });
    return true;
}

// 0x127: file count, segment count, the offsets of the file entries, the module's ranges
// and segment indexes; per file: segment count, name index, the offsets of its line
// blocks, its ranges (start and last byte). Files without segments are left out.
bool ReadSourceModule(const TBytes& sub, std::uint16_t module, std::vector<TELSourceModuleInfo>& files)
{
    std::uint16_t fileCount = 0;
    if (!sub.U16(0, fileCount) || !sub.Has(4, std::size_t(fileCount) * 4)) return false;
    for (std::size_t f = 0; f < fileCount; ++f) {
        std::uint32_t entry = 0;
        sub.U32(4 + f * 4, entry);
        std::uint16_t segments = 0;
        TELSourceModuleInfo file;
        file.ModuleIndex = module;
        if (!sub.U16(entry, segments) || !sub.U32(std::size_t(entry) + 2, file.NameIndex)) return false;
        if (segments == 0) continue;
        const std::size_t blocks = std::size_t(entry) + 6;
        const std::size_t ranges = blocks + std::size_t(segments) * 4;
        if (!sub.Has(blocks, std::size_t(segments) * 12)) return false;
        file.Segments.resize(segments);
        for (std::size_t s = 0; s < segments; ++s) {
            std::uint32_t block = 0;
            sub.U32(blocks + s * 4, block);
            sub.U32(ranges + s * 8, file.Segments[s].Start);
            sub.U32(ranges + s * 8 + 4, file.Segments[s].End);
            if (!ReadLineBlock(sub, block, file.Segments[s])) return false;
        }
        files.push_back(std::move(file));
    }
    return true;
}

// 0x130: a 32-bit count, then per name a length byte, the characters and a zero.
bool ReadNames(const TBytes& sub, std::vector<std::string>& names)
{
    std::uint32_t count = 0;
    if (!sub.U32(0, count)) return false;
    // Each name takes at least its length byte and its zero.
    if (count > (sub.Size() - 4) / 2) return false;
    names.reserve(names.size() + count);
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t length = 0;
        if (!sub.U8(at, length) || !sub.Has(at + 1, std::size_t(length) + 1)) return false;
        names.emplace_back(sub.Text(at + 1), length);
        at += 2 + std::size_t(length);
    }
    return true;
}

} // namespace

bool TELTD32InfoParser::IsTD32Signature(const void* data, std::size_t size)
{
    if (!data || size < 8) return false;
    return std::memcmp(data, "FB09", 4) == 0 || std::memcmp(data, "FB0A", 4) == 0;
}

TELTD32InfoParser::TELTD32InfoParser(const void* data, std::size_t size)
{
    try {
        FValid = IsTD32Signature(data, size) && Analyse(static_cast<const std::uint8_t*>(data), size);
    } catch (...) {
        // Only an allocation can fail here; bad data is an answer, not an error.
        FValid = false;
    }
    if (!FValid) {
        FModules.clear();
        FSourceModules.clear();
        FProcSymbols.clear();
        FNames.clear();
        FOtherSymbols = 0;
    }
}

bool TELTD32InfoParser::Analyse(const std::uint8_t* data, std::size_t size)
{
    const TBytes bytes(data, size);
    std::vector<TDirectoryEntry> entries;
    if (!ReadDirectories(bytes, entries)) return false;
    for (const TDirectoryEntry& entry : entries) {
        const TBytes sub = bytes.Part(entry.Offset, entry.Size);
        bool whole = true;
        switch (entry.Type) {
        case kTD32Modules: whole = ReadModule(sub, entry.Module, FModules); break;
        case kTD32AlignedSymbols: whole = ReadSymbols(sub, entry.Module, FProcSymbols, FOtherSymbols); break;
        case kTD32SourceModules: whole = ReadSourceModule(sub, entry.Module, FSourceModules); break;
        case kTD32Names: whole = ReadNames(sub, FNames); break;
        default: break; // types, publics, libraries, browser data: not needed for locations
        }
        if (!whole) return false;
    }
    return true;
}

std::string TELTD32InfoParser::Names(std::uint32_t index) const
{
    if (index == 0 || index > FNames.size()) return {};
    return FNames[index - 1];
}
