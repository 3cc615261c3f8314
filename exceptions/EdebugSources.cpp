// The external debug sources: finding their data, and the base's shared lookup. See
// EdebugSources.h and EdebugSource.h.
#include "exceptions/EdebugSources.h"

#include <fstream>
#include <iterator>
#include <new>

namespace {

// The position of the last path separator of either kind, or npos.
std::size_t LastSeparator(const std::string& fileName)
{
    return fileName.find_last_of("\\/:");
}

std::uint32_t ReadLe(const std::uint8_t* p, std::size_t length)
{
    std::uint32_t value = 0;
    for (std::size_t i = length; i-- > 0;) value = (value << 8) | p[i];
    return value;
}

bool Read(const std::uint8_t* file, std::size_t size, std::size_t offset, std::size_t length, std::uint32_t& value)
{
    if (offset > size || length > size - offset) return false;
    value = ReadLe(file + offset, length);
    return true;
}

constexpr std::size_t SectionHeaderSize = 40;
constexpr std::size_t SectionNameSize = 8;

} // namespace

// --- The lookups each source hands to its reader (none without one) ---

namespace {

template <class TReader>
std::string ModuleNameOf(const TReader* reader, std::uint32_t address)
{
    return reader ? reader->ModuleNameFromAddr(address) : std::string();
}

template <class TReader>
std::string ProcNameOf(const TReader* reader, std::uint32_t address, std::uint32_t& offset)
{
    offset = 0;
    return reader ? reader->ProcNameFromAddr(address, offset) : std::string();
}

template <class TReader>
int LineNumberOf(const TReader* reader, std::uint32_t address, std::uint32_t& offset)
{
    offset = 0;
    return reader ? reader->LineNumberFromAddr(address, offset) : 0;
}

template <class TReader>
std::string SourceNameOf(const TReader* reader, std::uint32_t address)
{
    return reader ? reader->SourceNameFromAddr(address) : std::string();
}

} // namespace

// --- The base ---

std::string TELDebugInfoSource::GetFileName() const
{
    if (FFileName.empty()) FFileName = DebugSourceModuleFileName(FModule);
    return FFileName;
}

bool TELDebugInfoSource::GetLocationInfo(const void* address, TELLocationInfo& info) const noexcept
{
    try {
        const std::uint32_t offset = VAFromAddr(address);
        std::string unit = ModuleNameFromAddr(offset);
        if (unit.empty()) return false;
        TELLocationInfo found;
        found.Address = reinterpret_cast<std::uintptr_t>(address);
        found.UnitName = std::move(unit);
        std::uint32_t procedureOffset = 0;
        found.ProcedureName = ProcNameFromAddr(offset, procedureOffset);
        std::uint32_t lineOffset = 0;
        found.LineNumber = LineNumberFromAddr(offset, lineOffset);
        found.SourceName = SourceNameFromAddr(offset);
        // The line of the procedure's first byte; without a procedure the offset is 0 and
        // the line within it 0 as well.
        const int procedureStartLine = LineNumberFromAddr(offset - procedureOffset, lineOffset);
        found.ProcedureLine = found.LineNumber > procedureStartLine ? found.LineNumber - procedureStartLine : 0;
        found.DebugInfo = const_cast<TELDebugInfoSource*>(this);
        info = std::move(found);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// --- Map file ---

bool TELDebugInfoMap::InitializeSource()
{
    const std::string fileName = GetFileName();
    if (fileName.empty()) return false;
    const std::optional<std::vector<std::uint8_t>> text = ReadDebugFile(ChangeFileExtension(fileName, ".map"));
    if (!text) return false;
    FScanner = std::make_unique<TELMapScanner>(
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    return true;
}

std::string TELDebugInfoMap::ModuleNameFromAddr(std::uint32_t address) const
{
    return ModuleNameOf(FScanner.get(), address);
}

std::string TELDebugInfoMap::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return ProcNameOf(FScanner.get(), address, offset);
}

int TELDebugInfoMap::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return LineNumberOf(FScanner.get(), address, offset);
}

std::string TELDebugInfoMap::SourceNameFromAddr(std::uint32_t address) const
{
    return SourceNameOf(FScanner.get(), address);
}

// --- TD32 ---

namespace {

std::unique_ptr<TELTD32InfoScanner> ValidTD32(const std::uint8_t* data, std::size_t size)
{
    if (!TELTD32InfoParser::IsTD32Signature(data, size)) return nullptr;
    auto scanner = std::make_unique<TELTD32InfoScanner>(data, size);
    if (!scanner->ValidData()) return nullptr;
    return scanner;
}

} // namespace

TELPeBorTD32Image::TELPeBorTD32Image(const std::string& moduleFileName)
{
    if (moduleFileName.empty()) return;
    if (const auto image = ReadDebugFile(moduleFileName)) {
        if (const auto inImage = FindPeTD32Data(image->data(), image->size())) {
            FScanner = ValidTD32(image->data() + inImage->Offset, inImage->Size);
            FInImage = FScanner != nullptr;
        }
    }
    if (FScanner) return;
    if (const auto side = ReadDebugFile(ChangeFileExtension(moduleFileName, ".tds")))
        FScanner = ValidTD32(side->data(), side->size());
}

bool TELDebugInfoTD32::InitializeSource()
{
    FImage = std::make_unique<TELPeBorTD32Image>(GetFileName());
    return FImage->IsTD32DebugPresent();
}

std::string TELDebugInfoTD32::ModuleNameFromAddr(std::uint32_t address) const
{
    return ModuleNameOf(FImage ? FImage->Scanner() : nullptr, address);
}

std::string TELDebugInfoTD32::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return ProcNameOf(FImage ? FImage->Scanner() : nullptr, address, offset);
}

int TELDebugInfoTD32::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return LineNumberOf(FImage ? FImage->Scanner() : nullptr, address, offset);
}

std::string TELDebugInfoTD32::SourceNameFromAddr(std::uint32_t address) const
{
    return SourceNameOf(FImage ? FImage->Scanner() : nullptr, address);
}

// --- JEDI binary ---

bool TELDebugInfoJedy::InitializeSource()
{
    const std::string fileName = GetFileName();
    if (fileName.empty()) return false;
    if (const auto image = ReadDebugFile(fileName)) {
        if (const auto section = FindPeSectionData(image->data(), image->size(), "JCLDEBUG")) {
            const auto begin = image->begin() + static_cast<std::ptrdiff_t>(section->Offset);
            FStream.assign(begin, begin + static_cast<std::ptrdiff_t>(section->Size));
        }
    }
    if (FStream.empty()) {
        auto side = ReadDebugFile(ChangeFileExtension(fileName, ".jdbg"));
        if (!side) return false;
        FStream = std::move(*side);
    }
    FScanner = std::make_unique<TELBinDebugScanner>(FStream.data(), FStream.size(), true);
    return true;
}

std::string TELDebugInfoJedy::ModuleNameFromAddr(std::uint32_t address) const
{
    return ModuleNameOf(FScanner.get(), address);
}

std::string TELDebugInfoJedy::ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return ProcNameOf(FScanner.get(), address, offset);
}

int TELDebugInfoJedy::LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const
{
    return LineNumberOf(FScanner.get(), address, offset);
}

std::string TELDebugInfoJedy::SourceNameFromAddr(std::uint32_t address) const
{
    return SourceNameOf(FScanner.get(), address);
}

// --- The choice ---

namespace {

template <class TSource>
TELDebugInfoSource* ValidSource(void* module, const std::string& fileName)
{
    std::unique_ptr<TSource> source =
        fileName.empty() ? std::make_unique<TSource>(module) : std::make_unique<TSource>(module, fileName);
    if (!source->InitializeSource() || !source->ValidData()) return nullptr;
    return source.release();
}

} // namespace

bool AssignValidDebugInfo(void* module, TELDebugInfoSource*& source, const std::string& fileName) noexcept
{
    if (source) return true;
    try {
        source = ValidSource<TELDebugInfoMap>(module, fileName);
        if (!source) source = ValidSource<TELDebugInfoTD32>(module, fileName);
        if (!source) source = ValidSource<TELDebugInfoJedy>(module, fileName);
    } catch (const std::exception&) {
        // Out of memory while reading a source: as if there were none.
        source = nullptr;
    }
    return source != nullptr;
}

// --- File names and image files ---

std::string ChangeFileExtension(const std::string& fileName, const std::string& extension)
{
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t separator = LastSeparator(fileName);
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return fileName + extension;
    return fileName.substr(0, dot) + extension;
}

std::optional<std::vector<std::uint8_t>> ReadDebugFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::optional<TELPeSectionData> FindPeSectionData(const void* data, std::size_t size, const std::string& name)
{
    if (!data) return std::nullopt;
    const auto* file = static_cast<const std::uint8_t*>(data);
    std::uint32_t mz = 0, peOffset = 0, pe = 0, sectionCount = 0, optionalSize = 0;
    if (!Read(file, size, 0, 2, mz) || mz != 0x5A4D || !Read(file, size, 0x3C, 4, peOffset)) return std::nullopt;
    if (!Read(file, size, peOffset, 4, pe) || pe != 0x00004550) return std::nullopt;
    const std::size_t coff = std::size_t(peOffset) + 4;
    if (!Read(file, size, coff + 2, 2, sectionCount) || !Read(file, size, coff + 16, 2, optionalSize))
        return std::nullopt;
    const std::string wanted = name.substr(0, SectionNameSize);
    const std::size_t sections = coff + 20 + optionalSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = sections + std::size_t(i) * SectionHeaderSize;
        std::uint32_t rawSize = 0, rawPointer = 0;
        if (!Read(file, size, at + 16, 4, rawSize) || !Read(file, size, at + 20, 4, rawPointer)) return std::nullopt;
        std::size_t length = 0;
        while (length < SectionNameSize && file[at + length] != 0) ++length;
        if (std::string(reinterpret_cast<const char*>(file + at), length) != wanted) continue;
        if (rawPointer >= size) return std::nullopt;
        const std::size_t stored = rawSize < size - rawPointer ? rawSize : size - rawPointer;
        return TELPeSectionData{rawPointer, stored};
    }
    return std::nullopt;
}
