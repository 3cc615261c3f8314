// The external debug sources of a module, each owning its reader, and the choice among
// them. A source's data is found beside the module's file ("<module>.map", ".tds",
// ".jdbg": the module's file name with its extension replaced) or inside it (TD32 data
// in the debug directory, JEDI data in a "JCLDEBUG" section).
//
// Portable: files are read with the standard library and the image file is parsed from
// its bytes, so the host build tests and fuzzes what is read. A missing, unreadable or
// malformed file means "no such source", silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EdebugJedi.h"
#include "exceptions/EdebugMap.h"
#include "exceptions/EdebugSource.h"
#include "exceptions/EdebugTD32.h"

// The linker's text map "<module>.map".
class TELDebugInfoMap : public TELDebugInfoSource {
    RUNTIME_CLASS(TELDebugInfoMap, TELDebugInfoSource)
public:
    using TELDebugInfoSource::TELDebugInfoSource;

    // True when the map file exists and was read.
    bool InitializeSource() override;
    // True when the map names a unit.
    bool ValidData() const override { return FScanner && FScanner->HasUnits(); }

protected:
    std::string ModuleNameFromAddr(std::uint32_t address) const override;
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    std::string SourceNameFromAddr(std::uint32_t address) const override;

private:
    std::unique_ptr<TELMapScanner> FScanner;
};

// The TD32 data of an image: the raw data of the image file's debug directory entry that
// holds it, else the file "<module>.tds". Data is valid when it begins with "FB09" or
// "FB0A" and passes the parser's check.
class TELPeBorTD32Image {
public:
    // moduleFileName: the image file. Reads what it needs at once and keeps only the
    // analysed data.
    explicit TELPeBorTD32Image(const std::string& moduleFileName);

    // True when valid TD32 data was found in the image or beside it.
    bool IsTD32DebugPresent() const noexcept { return FScanner != nullptr; }
    // True when it came from the image itself.
    bool InImage() const noexcept { return FInImage; }
    // The reader; null when no valid data was found.
    const TELTD32InfoScanner* Scanner() const noexcept { return FScanner.get(); }

private:
    std::unique_ptr<TELTD32InfoScanner> FScanner;
    bool FInImage = false;
};

class TELDebugInfoTD32 : public TELDebugInfoSource {
    RUNTIME_CLASS(TELDebugInfoTD32, TELDebugInfoSource)
public:
    using TELDebugInfoSource::TELDebugInfoSource;

    bool InitializeSource() override;
    bool ValidData() const override { return FImage && FImage->IsTD32DebugPresent(); }

protected:
    std::string ModuleNameFromAddr(std::uint32_t address) const override;
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    std::string SourceNameFromAddr(std::uint32_t address) const override;

private:
    std::unique_ptr<TELPeBorTD32Image> FImage;
};

// The JEDI binary debug data: the image file's section "JCLDEBUG", else "<module>.jdbg".
class TELDebugInfoJedy : public TELDebugInfoSource {
    RUNTIME_CLASS(TELDebugInfoJedy, TELDebugInfoSource)
public:
    using TELDebugInfoSource::TELDebugInfoSource;

    bool InitializeSource() override;
    // True when the data passed the format's check.
    bool ValidData() const override { return FScanner && FScanner->ValidFormat(); }

protected:
    std::string ModuleNameFromAddr(std::uint32_t address) const override;
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const override;
    std::string SourceNameFromAddr(std::uint32_t address) const override;

private:
    // The bytes the scanner reads (it keeps a copy of its own; these are the stream).
    std::vector<std::uint8_t> FStream;
    std::unique_ptr<TELBinDebugScanner> FScanner;
};

// When source is null, makes the first valid external source of the module, in the order
// map file, TD32, JEDI binary, and stores it in source (the caller owns it; a module
// record keeps it as ExternalDebugData). Sources that are missing or fail their check are
// freed and the next is tried; source stays null when none is valid. True when source
// holds a source afterwards (an existing one is left as it is). fileName: the module's
// file, or empty to ask the loader. Never throws.
bool AssignValidDebugInfo(void* module, TELDebugInfoSource*& source, const std::string& fileName = {}) noexcept;

// --- File names and image files ---

// fileName with its extension (the text from the last "." after the last path separator)
// replaced by extension (with its "."), or extension appended when it has none.
std::string ChangeFileExtension(const std::string& fileName, const std::string& extension);

// The whole content of a file; none when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadDebugFile(const std::string& fileName);

// Where a section's raw data lies in an image file.
struct TELPeSectionData {
    std::size_t Offset = 0;
    std::size_t Size = 0;
};

// In an image file's bytes (PE32 or PE32+), the raw data of the first section whose name
// begins with the 8 characters of name (a shorter name: the whole stored name); the part
// that lies in the file. None when the file is no image or has no such section. Never
// reads outside [file, file + size).
std::optional<TELPeSectionData> FindPeSectionData(const void* file, std::size_t size, const std::string& name);
