// The export directory of a mapped PE image and the export list made of it. Portable: the
// image is bytes with a size, and every offset the headers or the directory give is checked
// against that size before it is read, in 64-bit arithmetic so that no forged value wraps.
#include "exceptions/EdebugExports.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr std::uint16_t DosSignature = 0x5A4D;      // "MZ"
constexpr std::uint32_t NtSignature = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t Pe32Magic = 0x10B;
constexpr std::uint16_t Pe32PlusMagic = 0x20B;
constexpr std::size_t MaxExportNameLength = 256;

// Offsets of the documented layout.
constexpr std::uint64_t DosNewHeaderOffset = 0x3C;  // e_lfanew
constexpr std::uint64_t OptionalHeaderSizeOffset = 4 + 16; // from the signature, in the file header
constexpr std::uint64_t OptionalHeaderOffset = 4 + 20;
constexpr std::uint64_t BaseOfCodeOffset = 20;       // in both optional header forms
constexpr std::uint64_t DirectoryEntrySize = 8;
constexpr std::uint64_t ExportDirectorySize = 40;

// A bounds-checked view of the image.
class TImageBytes {
public:
    TImageBytes(const void* image, std::size_t size) : FData(static_cast<const unsigned char*>(image)), FSize(size) {}

    bool Holds(std::uint64_t offset, std::uint64_t length) const noexcept
    {
        return offset <= FSize && length <= FSize - offset;
    }
    std::optional<std::uint16_t> Word(std::uint64_t offset) const noexcept
    {
        if (!Holds(offset, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(FData[offset] | (FData[offset + 1] << 8));
    }
    std::optional<std::uint32_t> DWord(std::uint64_t offset) const noexcept
    {
        if (!Holds(offset, 4)) return std::nullopt;
        return static_cast<std::uint32_t>(FData[offset]) | static_cast<std::uint32_t>(FData[offset + 1]) << 8
            | static_cast<std::uint32_t>(FData[offset + 2]) << 16 | static_cast<std::uint32_t>(FData[offset + 3]) << 24;
    }
    // The zero-ended text at offset, cut at MaxExportNameLength characters. A text whose
    // end lies outside the image (no zero before it, and shorter than the cut) gives none.
    std::optional<std::string> Name(std::uint64_t offset) const
    {
        if (offset >= FSize) return std::nullopt;
        const std::size_t available = static_cast<std::size_t>(FSize - offset);
        const std::size_t limit = std::min(available, MaxExportNameLength);
        const auto* start = reinterpret_cast<const char*>(FData + offset);
        const void* zero = std::memchr(start, 0, limit);
        if (zero) return std::string(start, static_cast<const char*>(zero));
        if (limit < MaxExportNameLength) return std::nullopt;
        return std::string(start, limit);
    }
    std::size_t Size() const noexcept { return FSize; }

private:
    const unsigned char* FData;
    std::size_t FSize;
};

struct TExportTables {
    std::uint32_t DirectoryRva = 0;
    std::uint32_t DirectorySize = 0;
    std::uint32_t OrdinalBase = 0;
    std::uint32_t FunctionCount = 0;
    std::uint32_t NameCount = 0;
    std::uint32_t Functions = 0;
    std::uint32_t Names = 0;
    std::uint32_t Ordinals = 0;
};

// The headers up to the export directory table; none when the image is not a PE image or
// names no export directory inside itself.
std::optional<TExportTables> ReadExportTables(const TImageBytes& image, TExportDirectory& result)
{
    if (image.Word(0) != DosSignature) return std::nullopt;
    const std::optional<std::uint32_t> ntOffset = image.DWord(DosNewHeaderOffset);
    if (!ntOffset || image.DWord(*ntOffset) != NtSignature) return std::nullopt;
    const std::uint64_t nt = *ntOffset;
    const std::optional<std::uint16_t> optionalSize = image.Word(nt + OptionalHeaderSizeOffset);
    const std::uint64_t optional = nt + OptionalHeaderOffset;
    const std::optional<std::uint16_t> magic = image.Word(optional);
    if (!optionalSize || !magic) return std::nullopt;

    // The two forms differ in the width of the image base and the stack and heap sizes,
    // which moves the count of directory entries and the directories themselves.
    std::uint64_t rvaCountOffset;
    if (*magic == Pe32Magic) {
        rvaCountOffset = 92;
    } else if (*magic == Pe32PlusMagic) {
        rvaCountOffset = 108;
        result.Is64 = true;
    } else {
        return std::nullopt;
    }
    const std::uint64_t directoriesOffset = rvaCountOffset + 4;
    // The export directory is entry 0; it must be among the entries the header counts and
    // inside the optional header as the file header sizes it.
    const std::optional<std::uint32_t> rvaCount = image.DWord(optional + rvaCountOffset);
    if (!rvaCount || *rvaCount < 1 || *optionalSize < directoriesOffset + DirectoryEntrySize) return std::nullopt;
    const std::optional<std::uint32_t> baseOfCode = image.DWord(optional + BaseOfCodeOffset);
    const std::optional<std::uint32_t> directoryRva = image.DWord(optional + directoriesOffset);
    const std::optional<std::uint32_t> directorySize = image.DWord(optional + directoriesOffset + 4);
    if (!baseOfCode || !directoryRva || !directorySize) return std::nullopt;
    result.BaseOfCode = *baseOfCode;
    if (*directoryRva == 0 || !image.Holds(*directoryRva, ExportDirectorySize)) return std::nullopt;

    TExportTables tables;
    tables.DirectoryRva = *directoryRva;
    tables.DirectorySize = *directorySize;
    const std::uint64_t at = *directoryRva;
    tables.OrdinalBase = *image.DWord(at + 16);
    tables.FunctionCount = *image.DWord(at + 20);
    tables.NameCount = *image.DWord(at + 24);
    tables.Functions = *image.DWord(at + 28);
    tables.Names = *image.DWord(at + 32);
    tables.Ordinals = *image.DWord(at + 36);
    return tables;
}

int CompareByAddress(void* item1, void* item2)
{
    const std::uintptr_t a = static_cast<TVantrelFunctionInfo*>(item1)->Address;
    const std::uintptr_t b = static_cast<TVantrelFunctionInfo*>(item2)->Address;
    return a < b ? -1 : (a > b ? 1 : 0);
}

// A Windows 9x thunk is "push <entry>; jmp <debugger stub>": the system hands it out from
// GetProcAddress while a debugger runs, and the pushed value is the real entry. Taken only
// when the pushed address is readable code, so a function that merely begins with the
// same two instructions keeps its own address unless it pushes the address of code.
std::uintptr_t ThunkTarget(std::uintptr_t address, const TExportCodeReader& readCode)
{
    constexpr std::size_t ThunkSize = 10;
    unsigned char code[ThunkSize];
    if (!readCode || !readCode(address, code, ThunkSize)) return address;
    if (code[0] != 0x68 || code[5] != 0xE9) return address;
    const std::uintptr_t pushed = static_cast<std::uintptr_t>(code[1]) | static_cast<std::uintptr_t>(code[2]) << 8
        | static_cast<std::uintptr_t>(code[3]) << 16 | static_cast<std::uintptr_t>(code[4]) << 24;
    unsigned char probe;
    if (!readCode(pushed, &probe, 1)) return address;
    return pushed;
}

} // namespace

TExportDirectory ReadExportDirectory(const void* image, std::size_t size)
{
    TExportDirectory result;
    if (!image) return result;
    const TImageBytes bytes(image, size);
    const std::optional<TExportTables> tables = ReadExportTables(bytes, result);
    if (!tables) return result;

    const std::uint32_t count = std::min(tables->NameCount, tables->FunctionCount);
    // The counts are the directory's word; the tables are read only as far as the image
    // holds them, so a forged count ends the walk at the image's end, not at 2^32.
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::optional<std::uint32_t> nameRva = bytes.DWord(tables->Names + 4 * i);
        const std::optional<std::uint16_t> index = bytes.Word(tables->Ordinals + 2 * i);
        if (!nameRva || !index) break;
        if (*index >= tables->FunctionCount) continue;
        const std::optional<std::uint32_t> address = bytes.DWord(tables->Functions + 4 * std::uint64_t{*index});
        // 0 is the address table's "no function"; an address past the image is no code
        // of the module and nothing a lookup in the module could find.
        if (!address || *address == 0 || *address >= size) continue;
        std::optional<std::string> name = bytes.Name(*nameRva);
        if (!name) continue;
        TExportDirectoryEntry entry;
        entry.Name = std::move(*name);
        entry.Ordinal = static_cast<std::uint16_t>(tables->OrdinalBase + *index);
        entry.Address = *address;
        entry.Forwarder = *address >= tables->DirectoryRva && *address - tables->DirectoryRva < tables->DirectorySize;
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

TVantrelFunctionsList::~TVantrelFunctionsList()
{
    Clear();
}

TVantrelFunctionInfo* TVantrelFunctionsList::GetItem(int index) const
{
    return static_cast<TVantrelFunctionInfo*>(Items(index));
}

int TVantrelFunctionsList::AddItem(TVantrelFunctionInfo* info)
{
    // Owned from the call on: freed here when the list cannot take it.
    std::unique_ptr<TVantrelFunctionInfo> owned(info);
    const int index = Add(info);
    owned.release();
    return index;
}

void TVantrelFunctionsList::SortByAddress()
{
    Sort(CompareByAddress);
}

void TVantrelFunctionsList::Notify(void* item, TListNotification action)
{
    if (action == lnDeleted) delete static_cast<TVantrelFunctionInfo*>(item);
}

void BuildExportList(const TExportDirectory& directory, std::uintptr_t base, const TExportResolver& resolve,
                     const TExportCodeReader& readCode, TVantrelFunctionsList& list)
{
    const std::uintptr_t codeStart = base + directory.BaseOfCode;
    for (const TExportDirectoryEntry& entry : directory.Entries) {
        std::uintptr_t address;
        if (entry.Forwarder) {
            address = resolve ? resolve(entry.Name) : 0;
            if (address == 0) continue;
        } else {
            address = base + entry.Address;
        }
        // No 64-bit system ever handed out such thunks (Windows 9x ran no 64-bit code),
        // and a 32-bit push could not carry a 64-bit entry.
        if (!directory.Is64) address = ThunkTarget(address, readCode);
        auto info = std::make_unique<TVantrelFunctionInfo>();
        info->Name = entry.Name;
        info->Address = address;
        // Data exported from before the code. A forwarder's entry lies in another module
        // and is not measured against this one's code.
        info->CodeSize = address >= base && address < codeStart ? 1 : 0;
        list.AddItem(info.release());
    }
    list.SortByAddress();
}
