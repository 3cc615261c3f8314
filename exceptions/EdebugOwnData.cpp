// The library's own debug data: the lookup of one address (the layout is in the header).
#include "exceptions/EdebugOwnData.h"


#include "reporting/Ebase64.h"
#include "reporting/Eencrypt.h"

namespace {

// The escape of the 32-bit record form: two 16-bit deltas follow.
constexpr std::uint32_t WideDeltasMark = 0x0FFEFFFE;
// The address field of the 32-bit form that stands for an address delta of 0.
constexpr std::uint32_t SameAddressMark = 4095;

class TOwnReader {
public:
    TOwnReader(const std::uint8_t* data, std::size_t size) noexcept : FData(data), FSize(size) {}

    std::size_t Position() const noexcept { return FPosition; }
    std::size_t Left() const noexcept { return FSize - FPosition; }
    bool Skip(std::size_t count) noexcept
    {
        if (count > Left()) return false;
        FPosition += count;
        return true;
    }
    bool Byte(std::uint8_t& value) noexcept { return Read(value, 1); }
    bool U16(std::uint16_t& value) noexcept { return Read(value, 2); }
    bool U32(std::uint32_t& value) noexcept { return Read(value, 4); }
    const std::uint8_t* At(std::size_t position) const noexcept { return FData + position; }

private:
    template <typename T> bool Read(T& value, std::size_t width) noexcept
    {
        if (width > Left()) return false;
        std::uint64_t result = 0;
        for (std::size_t i = 0; i < width; ++i) result |= std::uint64_t{FData[FPosition + i]} << (8 * i);
        value = static_cast<T>(result);
        FPosition += width;
        return true;
    }

    const std::uint8_t* FData;
    std::size_t FSize;
    std::size_t FPosition = 0;
};

// Reads protected texts, deciphering under the module's password. The cipher's key is the
// process's current one, which other readers (the password check of a data block) set as
// well, so it is set here once per lookup, at the first text that needs it.
class TTextReader {
public:
    explicit TTextReader(const TOwnDebugDataKey& key) : FKey(key) {}

    bool Read(TOwnReader& reader, std::string& text)
    {
        text.clear();
        for (bool more = true; more;) {
            std::uint8_t length = 0;
            if (!reader.Byte(length)) return false;
            more = FKey.DataVersion > 501 && (length & 0x80) != 0;
            if (FKey.DataVersion > 501) length &= 0x7F;
            const std::size_t start = reader.Position();
            if (!reader.Skip(length)) return false;
            text += Plain(reinterpret_cast<const char*>(reader.At(start)), length);
            if (more) text += '.';
        }
        return true;
    }

    // Skips a text without deciphering it.
    static bool Skip(TOwnReader& reader, int dataVersion) noexcept
    {
        for (bool more = true; more;) {
            std::uint8_t length = 0;
            if (!reader.Byte(length)) return false;
            more = dataVersion > 501 && (length & 0x80) != 0;
            if (dataVersion > 501) length &= 0x7F;
            if (!reader.Skip(length)) return false;
        }
        return true;
    }

private:
    std::string Plain(const char* bytes, std::size_t length)
    {
        std::string part(bytes, length);
        if (FKey.DataVersion < 500) {
            for (char& c : part) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ OwnDebugScrambleKey);
            return part;
        }
        if (!FKey.PasswordValid) return "?" + Base64EncodeToString(part.data(), part.size());
        if (!FKeySet) {
            InitKey(FKey.Password);
            FKeySet = true;
        }
        Decrypt(part.data(), part.data(), part.size());
        return part;
    }

    const TOwnDebugDataKey& FKey;
    bool FKeySet = false;
};

struct TLineRecord {
    std::uint32_t LineDelta = 0;
    std::uint32_t AddressDelta = 0;
    bool StartsProcedure = false;
};

bool ReadLineRecord(TOwnReader& reader, int dataVersion, TLineRecord& record) noexcept
{
    const std::size_t start = reader.Position();
    std::uint8_t flags = 0;
    if (!reader.Byte(flags)) return false;
    if ((flags & 1) == 0) {
        record = {std::uint32_t(flags >> 6) + 1, std::uint32_t((flags >> 1) & 0x1F) + 1, false};
        return true;
    }
    if ((flags & 3) == 1) {
        record = {std::uint32_t(flags >> 5) + 1, std::uint32_t((flags >> 2) & 7) + 1, true};
        return true;
    }
    record.StartsProcedure = (flags & 4) != 0;
    // The wider forms are read from the flags byte on: it is their lowest byte.
    TOwnReader wide(reader.At(start), reader.Left() + 1);
    if (flags & 8) {
        std::uint32_t word = 0;
        if (!wide.U32(word)) return false;
        const std::uint32_t value = word >> 4;
        if (value == WideDeltasMark && dataVersion > 422) {
            std::uint16_t line = 0, address = 0;
            if (!wide.U16(line) || !wide.U16(address)) return false;
            record.LineDelta = std::uint32_t{line} + 1;
            record.AddressDelta = std::uint32_t{address} + 1;
        } else {
            record.LineDelta = (value & 0xFFFF) + 1;
            record.AddressDelta = (value >> 16) == SameAddressMark ? 0 : (value >> 16) + 1;
        }
    } else {
        std::uint16_t half = 0;
        if (!wide.U16(half)) return false;
        record.LineDelta = std::uint32_t(half >> 11) + 1;
        record.AddressDelta = std::uint32_t((half >> 4) & 0x7F) + 1;
    }
    return reader.Skip(wide.Position() - 1);
}

bool BeginsWithPrologue(const TOwnDebugCodeReader& readCode, std::uint32_t address)
{
    if (!readCode) return false;
    std::uint8_t code[3] = {};
    if (!readCode(address, code, 1)) return false;
    if (code[0] == 0x53) return true; // push ebx
    // push ebp; mov ebp, esp
    return code[0] == 0x55 && readCode(address, code, 3) && code[1] == 0x8B && code[2] == 0xEC;
}

struct TProcedure {
    bool Known = false;
    std::string ClassName;
    std::string Name;
    std::uint64_t Line = 0;
    std::uint32_t Address = 0;
};

// A place reached by the walk, and the procedure it lies in.
struct TPlace {
    std::uint64_t Line = 0;
    std::uint64_t Address = 0;
    TProcedure Procedure;
};

void NameProcedure(const std::string& text, TProcedure& procedure)
{
    if (!text.empty() && text[0] == '.') {
        // A method of the previous procedure's class.
        procedure.Name = text.substr(1);
    } else if (const std::size_t dot = text.find('.'); dot != std::string::npos) {
        procedure.ClassName = text.substr(0, dot);
        procedure.Name = text.substr(dot + 1);
    } else {
        procedure.ClassName.clear();
        procedure.Name = text;
    }
    if (!procedure.Name.empty() && procedure.Name[0] == '@') procedure.Name[0] = '_';
}

int ProcedureLine(const TPlace& place, const TOwnDebugCodeReader& readCode)
{
    if (!place.Procedure.Known) return 0;
    std::int64_t first = static_cast<std::int64_t>(place.Procedure.Line);
    const std::string& name = place.Procedure.Name;
    if (name == "Finalization" ||
        (name != "Initialization" && !BeginsWithPrologue(readCode, place.Procedure.Address)))
        --first;
    const std::int64_t line = static_cast<std::int64_t>(place.Line) - first;
    return line < 0 ? 0 : static_cast<int>(line > 0x7FFFFFFF ? 0x7FFFFFFF : line);
}

std::string DecorateUnitName(std::string name, const TOwnDebugDataKey& key)
{
    // Ciphered names are marked so that they cannot pass for a file name.
    if (!key.PasswordValid && key.DataVersion >= 500) name.insert(name.empty() ? 0 : 1, 1, 'c');
    if (key.PasswordValid && name.find('.') == std::string::npos) name += ".cpp";
    return name;
}

// Walks the line records of the unit whose range holds address. True with place set when
// a record's range holds it; false when none does or the records are malformed.
bool WalkUnit(TOwnReader& records, TTextReader& texts, int dataVersion, std::uint32_t firstLine, std::uint32_t start,
              std::uint64_t unitEnd, std::uint32_t address, TPlace& place)
{
    TPlace current;
    current.Line = firstLine;
    current.Address = start;
    std::string text;
    while (records.Left() > 0) {
        TLineRecord record;
        if (!ReadLineRecord(records, dataVersion, record)) return false;
        TPlace next = current;
        next.Line += record.LineDelta;
        next.Address += record.AddressDelta;
        if (record.StartsProcedure) {
            if (!texts.Read(records, text)) return false;
            NameProcedure(text, next.Procedure);
            next.Procedure.Known = true;
            next.Procedure.Line = next.Line;
            next.Procedure.Address = static_cast<std::uint32_t>(next.Address);
        }
        if (current.Address <= address && address < next.Address) {
            place = std::move(current);
            return true;
        }
        current = std::move(next);
    }
    if (current.Address <= address && address <= unitEnd) {
        place = std::move(current);
        return true;
    }
    return false;
}

TOwnDebugLocation Find(const std::uint8_t* data, std::size_t size, const TOwnDebugDataKey& key, std::uint32_t address,
                       const TOwnDebugCodeReader& readCode)
{
    TOwnReader reader(data, size);
    TTextReader texts(key);
    if (key.DataVersion >= 405 && key.DataVersion <= 499) {
        std::uint32_t skipped = 0;
        if (!reader.U32(skipped) || !reader.Skip(skipped)) return {};
    }
    std::uint32_t units = 0;
    if (!reader.U32(units)) return {};
    // Each unit takes bytes of its own, so the data bounds the walk whatever the count says.
    for (std::uint32_t unit = 0; unit < units; ++unit) {
        const std::size_t nameAt = reader.Position();
        if (!TTextReader::Skip(reader, key.DataVersion)) return {};
        std::uint32_t firstLine = 0, start = 0, codeSize = 0, blockLength = 0;
        if (!reader.U32(firstLine) || !reader.U32(start) || !reader.U32(codeSize) || !reader.U32(blockLength))
            return {};
        const std::size_t blockAt = reader.Position();
        if (!reader.Skip(blockLength)) return {};
        const std::uint64_t unitEnd = std::uint64_t{start} + codeSize; // one past the last byte
        if (address < start || address >= unitEnd) continue;

        TOwnReader records(data + blockAt, blockLength);
        TPlace place;
        if (!WalkUnit(records, texts, key.DataVersion, firstLine, start, unitEnd - 1, address, place)) continue;

        TOwnReader nameReader(data + nameAt, blockAt - nameAt);
        TOwnDebugLocation location;
        if (!texts.Read(nameReader, location.UnitName)) return {};
        location.Found = true;
        location.UnitName = DecorateUnitName(std::move(location.UnitName), key);
        location.ClassName = place.Procedure.ClassName;
        location.ProcedureName = place.Procedure.Name;
        location.Line = static_cast<int>(place.Line > 0x7FFFFFFF ? 0x7FFFFFFF : place.Line);
        location.ProcedureLine = ProcedureLine(place, readCode);
        return location;
    }
    return {};
}

} // namespace

TOwnDebugLocation FindOwnDebugLocation(const void* data, std::size_t size, const TOwnDebugDataKey& key,
                                       std::uint32_t address, const TOwnDebugCodeReader& readCode) noexcept
{
    if (!data || size == 0) return {};
    try {
        return Find(static_cast<const std::uint8_t*>(data), size, key, address, readCode);
    } catch (...) {
        // Memory that runs out, or a code reader that throws: no location rather than a
        // failure inside the exception handling.
        return {};
    }
}
