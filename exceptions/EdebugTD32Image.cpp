// The TD32 data inside an image file: the raw data of its debug directory's entries. See
// EdebugTD32.h.
#include "exceptions/EdebugTD32.h"

namespace {

std::uint32_t Le(const std::uint8_t* p, std::size_t length)
{
    std::uint32_t value = 0;
    for (std::size_t i = length; i-- > 0;) value = (value << 8) | p[i];
    return value;
}

class TFile {
public:
    TFile(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    bool Read(std::size_t offset, std::size_t length, std::uint32_t& value) const
    {
        if (offset > FSize || length > FSize - offset) return false;
        value = Le(FData + offset, length);
        return true;
    }
    std::size_t Size() const { return FSize; }
    const std::uint8_t* At(std::size_t offset) const { return FData + offset; }

private:
    const std::uint8_t* FData;
    std::size_t FSize;
};

constexpr std::size_t kDebugDirectoryIndex = 6;
constexpr std::size_t kDebugEntrySize = 28;
constexpr std::size_t kSectionHeaderSize = 40;

// The file offset of a relative address: through the section whose virtual range holds
// it, or the address itself inside the headers.
bool FileOffsetOf(const TFile& file, std::size_t sections, std::uint32_t count, std::uint32_t headersSize,
                  std::uint32_t rva, std::size_t& offset)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = sections + std::size_t(i) * kSectionHeaderSize;
        std::uint32_t virtualSize = 0, virtualAddress = 0, rawSize = 0, rawPointer = 0;
        if (!file.Read(at + 8, 4, virtualSize) || !file.Read(at + 12, 4, virtualAddress) ||
            !file.Read(at + 16, 4, rawSize) || !file.Read(at + 20, 4, rawPointer))
            return false;
        const std::uint32_t extent = virtualSize ? virtualSize : rawSize;
        if (rva >= virtualAddress && rva - virtualAddress < extent) {
            if (rva - virtualAddress >= rawSize) return false; // not stored in the file
            offset = std::size_t(rawPointer) + (rva - virtualAddress);
            return true;
        }
    }
    if (rva < headersSize) {
        offset = rva;
        return true;
    }
    return false;
}

} // namespace

std::optional<TELPeDebugData> FindPeTD32Data(const void* data, std::size_t size)
{
    if (!data) return std::nullopt;
    const TFile file(static_cast<const std::uint8_t*>(data), size);
    std::uint32_t mz = 0, peOffset = 0, pe = 0;
    if (!file.Read(0, 2, mz) || mz != 0x5A4D || !file.Read(0x3C, 4, peOffset)) return std::nullopt;
    if (!file.Read(peOffset, 4, pe) || pe != 0x00004550) return std::nullopt;
    const std::size_t coff = std::size_t(peOffset) + 4;
    std::uint32_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!file.Read(coff + 2, 2, sectionCount) || !file.Read(coff + 16, 2, optionalSize)) return std::nullopt;
    const std::size_t optional = coff + 20;
    if (!file.Read(optional, 2, magic)) return std::nullopt;
    std::size_t directories = 0;
    if (magic == 0x10B) directories = 96;
    else if (magic == 0x20B) directories = 112;
    else return std::nullopt;
    std::uint32_t directoryCount = 0, headersSize = 0, rva = 0, length = 0;
    if (!file.Read(optional + directories - 4, 4, directoryCount) || directoryCount <= kDebugDirectoryIndex)
        return std::nullopt;
    if (!file.Read(optional + 60, 4, headersSize)) return std::nullopt;
    const std::size_t debugField = optional + directories + kDebugDirectoryIndex * 8;
    // The data directories lie inside the optional header.
    if (debugField + 8 > optional + optionalSize) return std::nullopt;
    if (!file.Read(debugField, 4, rva) || !file.Read(debugField + 4, 4, length) || rva == 0) return std::nullopt;
    const std::size_t sections = optional + optionalSize;
    std::size_t directory = 0;
    if (!FileOffsetOf(file, sections, sectionCount, headersSize, rva, directory)) return std::nullopt;
    // Bounded by the file: the count cannot ask for more entries than the file holds.
    for (std::size_t i = 0; i < length / kDebugEntrySize; ++i) {
        const std::size_t entry = directory + i * kDebugEntrySize;
        std::uint32_t dataSize = 0, rawPointer = 0;
        if (!file.Read(entry + 16, 4, dataSize) || !file.Read(entry + 24, 4, rawPointer)) break;
        if (rawPointer > size || dataSize > size - rawPointer) continue;
        if (TELTD32InfoParser::IsTD32Signature(file.At(rawPointer), dataSize)) return TELPeDebugData{rawPointer, dataSize};
    }
    return std::nullopt;
}
