// The module data block's parser. Every length in a block is checked against the bytes
// that are left before it is used, and every decompression is bounded, because the block
// of another module may be damaged or forged.
#include "exceptions/EcoreDataBlock.h"

#include <zlib.h>

#include <climits>
#include <cstring>
#include <new>

#include "reporting/Eencrypt.h"

namespace {

// Reads little-endian fields from a byte range; once a read runs past the end, every
// further read fails too.
class TBlockReader {
public:
    TBlockReader(const std::uint8_t* data, std::size_t size) : FData(data), FLeft(size) {}

    bool Ok() const noexcept { return FOk; }
    std::size_t Left() const noexcept { return FLeft; }
    const std::uint8_t* Here() const noexcept { return FData; }

    const std::uint8_t* Take(std::size_t count) noexcept
    {
        if (!FOk || count > FLeft) {
            FOk = false;
            return nullptr;
        }
        const std::uint8_t* start = FData;
        FData += count;
        FLeft -= count;
        return start;
    }
    std::uint32_t U16() noexcept { return static_cast<std::uint32_t>(Unsigned(2)); }
    std::uint32_t U32() noexcept { return static_cast<std::uint32_t>(Unsigned(4)); }
    double F64() noexcept
    {
        const std::uint64_t bits = Unsigned(8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    std::uint64_t Unsigned(int bytes) noexcept
    {
        const std::uint8_t* p = Take(static_cast<std::size_t>(bytes));
        std::uint64_t value = 0;
        if (p)
            for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
        return value;
    }

    const std::uint8_t* FData;
    std::size_t FLeft;
    bool FOk = true;
};

// The whole of one zlib stream at data; nothing when it is damaged, ends before its end
// marker or expands past limit. Bytes after the stream's end are ignored.
// The output starts at a guess that fits the usual ratio, so that a block inflates in one
// call: with Z_FINISH zlib then needs no window, and a load costs two small allocations
// (large ones are slow under Wine, whose heap maps them one by one).
std::optional<std::string> Inflate(const std::uint8_t* data, std::size_t size, std::size_t limit)
{
    if (size > UINT_MAX || limit >= UINT_MAX) return std::nullopt;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    const std::size_t guess = size < limit / 4 ? size * 4 : limit;
    std::string out(guess < 256 ? 256 : guess + 1, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    bool ended = false;
    for (;;) {
        const int status = inflate(&stream, Z_FINISH);
        if (status == Z_STREAM_END) {
            ended = true;
            break;
        }
        // Anything but a full output buffer is a damaged or truncated stream.
        if ((status != Z_OK && status != Z_BUF_ERROR) || stream.avail_out != 0) break;
        const std::size_t produced = out.size();
        if (produced > limit) break;
        const std::size_t grown = produced < (limit + 1) / 2 ? produced * 2 : limit + 1;
        out.resize(grown);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = static_cast<uInt>(grown - produced);
    }
    const std::size_t total = stream.total_out;
    inflateEnd(&stream);
    if (!ended || total > limit) return std::nullopt;
    out.resize(total);
    return out;
}

// The stored version, read as the library reads it; nothing for one it does not take.
std::optional<int> ReadableVersion(std::uint32_t stored)
{
    int version = static_cast<int>(stored);
    if (version >= 600 && version <= 602) version = 6000 + (version - 600);
    if (version < OldestDataBlockVersion || version > NewestDataBlockVersion) return std::nullopt;
    return version;
}

bool IsSignature(std::uint32_t value)
{
    return value == DataBlockSignature || value == OldDataBlockSignature;
}

// The debug data part: a 32-bit length and that many bytes.
bool ReadDebugData(TBlockReader& reader, std::string& debugData)
{
    const std::uint32_t length = reader.U32();
    const std::uint8_t* bytes = reader.Take(length);
    if (!reader.Ok()) return false;
    debugData.assign(reinterpret_cast<const char*>(bytes), length);
    return true;
}

// The options stream of data version 6000 and later, one letter per option in stream
// order: b a byte (Boolean, enumeration, small set), w 2 bytes, i 4 bytes, x the 6-byte
// ShowOptions, s a string, f the filter list, t the 158 customized texts.
constexpr char OptionsLayout[] = "bbbbbbbisswssbiissbxsbsssiswwissbwbbiibbssswsssssssfsts";
constexpr int CustomizedTextCount = 158;

void SkipString(TBlockReader& reader) { reader.Take(reader.U32()); }

} // namespace

std::optional<std::size_t> OptionsStreamLength(const void* data, std::size_t size)
{
    TBlockReader reader(static_cast<const std::uint8_t*>(data), size);
    for (const char* field = OptionsLayout; *field && reader.Ok(); ++field) {
        switch (*field) {
        case 'b': reader.Take(1); break;
        case 'w': reader.Take(2); break;
        case 'i': reader.Take(4); break;
        case 'x': reader.Take(6); break;
        case 's': SkipString(reader); break;
        case 't':
            for (int i = 0; i < CustomizedTextCount && reader.Ok(); ++i) SkipString(reader);
            break;
        case 'f': {
            // Each filter takes at least 13 bytes, so a forged count ends the walk as soon
            // as the bytes run out.
            const std::uint32_t count = reader.U32();
            for (std::uint32_t i = 0; i < count && reader.Ok(); ++i) {
                reader.Take(1);
                SkipString(reader);
                SkipString(reader);
                reader.Take(4);
            }
            break;
        }
        }
    }
    if (!reader.Ok()) return std::nullopt;
    return size - reader.Left();
}

namespace {

std::optional<TModuleDataBlock> ParseResourceForm(const void* data, std::size_t size)
{
    TBlockReader reader(static_cast<const std::uint8_t*>(data), size);
    if (!IsSignature(reader.U32()) || !reader.Ok()) return std::nullopt;
    TModuleDataBlock block;
    const std::optional<int> version = ReadableVersion(reader.U16());
    if (!version) return std::nullopt;
    block.DataVersion = *version;
    block.CompiledAt = reader.F64();
    if (block.DataVersion >= 6000) reader.Take(2);

    // Records of 9 bytes; a partial record at the table's end is not read, as the library's
    // lookup stops there.
    const std::uint32_t tableSize = reader.U32();
    const std::uint8_t* table = reader.Take(tableSize);
    if (!reader.Ok()) return std::nullopt;
    TBlockReader records(table, tableSize);
    while (records.Left() >= 9) {
        TBlockSymbolRecord record;
        record.Id = static_cast<std::uint8_t>(*records.Take(1));
        record.Address = records.U32();
        records.Take(4);
        block.Symbols.push_back(record);
    }

    const std::uint32_t optionsSize = reader.U32();
    const std::uint8_t* options = reader.Take(optionsSize);
    const std::uint32_t check = reader.U32();
    if (!reader.Ok()) return std::nullopt;
    std::optional<std::string> stream = Inflate(options, optionsSize, MaxOptionsStreamSize);
    if (!stream || stream->empty()) return std::nullopt;
    block.Options = std::move(*stream);
    block.PasswordCheck = check;

    const std::optional<std::string> debug = Inflate(reader.Here(), reader.Left(), MaxDebugDataSize + 4);
    if (!debug) return std::nullopt;
    TBlockReader debugReader(reinterpret_cast<const std::uint8_t*>(debug->data()), debug->size());
    if (!ReadDebugData(debugReader, block.DebugData)) return std::nullopt;
    return block;
}

std::optional<TModuleDataBlock> ParseTrailerForm(const void* tail, std::size_t size)
{
    const auto* end = static_cast<const std::uint8_t*>(tail) + size;
    const std::optional<std::uint64_t> trailerSize = DataTrailerSize(end - 8);
    if (!trailerSize || *trailerSize > size) return std::nullopt;
    const std::size_t bodySize = static_cast<std::size_t>(*trailerSize - 8);
    TBlockReader reader(end - 8 - bodySize, bodySize);

    TModuleDataBlock block;
    const std::optional<int> version = ReadableVersion(reader.U16());
    if (!version || *version < 6000) return std::nullopt;
    block.DataVersion = *version;
    block.CompiledAt = reader.F64();
    if (!reader.Ok()) return std::nullopt;
    const std::optional<std::size_t> optionsSize = OptionsStreamLength(reader.Here(), reader.Left());
    if (!optionsSize || *optionsSize > MaxOptionsStreamSize) return std::nullopt;
    block.Options.assign(reinterpret_cast<const char*>(reader.Take(*optionsSize)), *optionsSize);
    if (!ReadDebugData(reader, block.DebugData)) return std::nullopt;
    return block;
}

} // namespace

// Memory that runs out while a block expands is one more way for it to have no usable
// data: the reader of a module's data must not fail because of it.
std::optional<TModuleDataBlock> ParseDataBlock(const void* data, std::size_t size) noexcept
{
    if (!data) return std::nullopt;
    try {
        return ParseResourceForm(data, size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<TModuleDataBlock> ParseDataTrailer(const void* tail, std::size_t size) noexcept
{
    if (!tail || size < 8) return std::nullopt;
    try {
        return ParseTrailerForm(tail, size);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<std::uint64_t> DataTrailerSize(const void* last8Bytes)
{
    if (!last8Bytes) return std::nullopt;
    TBlockReader reader(static_cast<const std::uint8_t*>(last8Bytes), 8);
    const std::uint32_t length = reader.U32();
    if (!IsSignature(reader.U32())) return std::nullopt;
    return std::uint64_t{length} + 8;
}

std::optional<std::uint32_t> FindBlockSymbol(const TModuleDataBlock& block, std::uint8_t id)
{
    for (const TBlockSymbolRecord& record : block.Symbols)
        if (record.Id == id) return record.Address;
    return std::nullopt;
}

bool IsBlockPassword(const TModuleDataBlock& block, const std::string& password)
{
    if (!block.PasswordCheck) return password.empty();
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(*block.PasswordCheck >> (8 * i));
    InitKey(password);
    Decrypt(bytes, bytes, sizeof bytes);
    const std::uint32_t plain = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    return plain == DataBlockSignature;
}
