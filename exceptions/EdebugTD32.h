// The TD32 debug information of a module (the compiler's Turbo Debugger format) and the
// five lookups the resolver asks of every external debug source.
//
// Portable: the parser takes the bytes of the data (from an image's debug directory or a
// ".tds" file beside it) and analyses them at once into modules, source modules, procedure
// symbols and names, so that it keeps no reference to the bytes. Every count and offset is
// checked against the data before it is used or allocated for; a damaged input is "not
// valid" and answers nothing; nothing throws out of the public functions. Fuzzed on the
// host (Edebug_td32_fuzz).
//
// Addresses are 32-bit offsets from the start of the code (what VAFromAddr gives). The
// linker numbers the image's sections from 1 and the code is the first: only segment 1
// of the modules, symbols and line tables is consulted, so that data segments, whose
// offsets overlap the code's, never answer for a code address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One line of a source module: the line number and the code offset where it begins.
struct TELLineInfo {
    std::uint32_t LineNo = 0;
    std::uint32_t Offset = 0;
};

// A segment contribution of a module: offsets Offset to Offset + Size - 1 of Segment.
struct TELSegmentInfo {
    std::uint16_t Segment = 0;
    std::uint16_t Flags = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
};

// An object module (subsection 0x120) with its name and segments.
struct TELModuleInfo {
    std::uint16_t Index = 0;     // the module index of its directory entry
    std::uint32_t NameIndex = 0; // into the names (1-based; 0 none)
    std::vector<TELSegmentInfo> Segments;
};

// The lines of one source file in one segment, sorted by offset; Start to End (the last
// byte) is the code range the file covers there.
struct TELSourceSegmentInfo {
    std::uint16_t Segment = 0;
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::vector<TELLineInfo> Lines;
};

// One source file of a source module (subsection 0x127); only files with at least one
// segment are kept.
struct TELSourceModuleInfo {
    std::uint16_t ModuleIndex = 0;
    std::uint32_t NameIndex = 0;
    std::vector<TELSourceSegmentInfo> Segments;
};

// The symbol record kinds of the aligned-symbol subsection (0x125) that the parser names.
enum TELSymbolKind : std::uint16_t {
    skCompile = 0x0001,
    skRegister = 0x0002,
    skConstant = 0x0003,
    skUserType = 0x0004,
    skStartSearch = 0x0005,
    skEnd = 0x0006,
    skBasePointerRelative = 0x0200,
    skLocalData = 0x0201,
    skGlobalData = 0x0202,
    skPublic = 0x0203,
    skLocalProcedure = 0x0204,
    skGlobalProcedure = 0x0205,
    skThunk = 0x0206,
    skBlock = 0x0207,
    skWith = 0x0208,
    skLabel = 0x0209,
    skVirtualTablePath = 0x020B,
    skEntry = 0x0210,
};

// A procedure symbol (local or global): code Offset to Offset + Size - 1 of Segment.
struct TELProcSymbolInfo {
    std::uint16_t Kind = 0; // skLocalProcedure or skGlobalProcedure
    std::uint16_t ModuleIndex = 0;
    std::uint16_t Segment = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
    std::uint32_t TypeIndex = 0;
    std::uint32_t NameIndex = 0;
};

// The subsection types the parser reads.
constexpr std::uint16_t kTD32Modules = 0x120;
constexpr std::uint16_t kTD32AlignedSymbols = 0x125;
constexpr std::uint16_t kTD32SourceModules = 0x127;
constexpr std::uint16_t kTD32Names = 0x130;
// The segment that holds the code (the image's first section).
constexpr std::uint16_t kTD32CodeSegment = 1;

class TELTD32InfoParser {
public:
    // Analyses the TD32 data [data, data + size) (null: none).
    TELTD32InfoParser(const void* data, std::size_t size);
    virtual ~TELTD32InfoParser() = default;

    // True when the data begins with "FB09" or "FB0A" (and is long enough for the
    // directory offset that follows).
    static bool IsTD32Signature(const void* data, std::size_t size);

    // The signature is known and every directory, entry and subsection read was whole.
    bool ValidData() const { return FValid; }

    const std::vector<TELModuleInfo>& Modules() const { return FModules; }
    const std::vector<TELSourceModuleInfo>& SourceModules() const { return FSourceModules; }
    const std::vector<TELProcSymbolInfo>& ProcSymbols() const { return FProcSymbols; }
    // Symbol records of other kinds, counted while walking (they are not looked up).
    std::size_t OtherSymbolCount() const { return FOtherSymbols; }
    std::size_t NameCount() const { return FNames.size(); }
    // The name with the 1-based index; "" for 0 or an index past the names.
    std::string Names(std::uint32_t index) const;

private:
    bool Analyse(const std::uint8_t* data, std::size_t size);

    bool FValid = false;
    std::vector<TELModuleInfo> FModules;
    std::vector<TELSourceModuleInfo> FSourceModules;
    std::vector<TELProcSymbolInfo> FProcSymbols;
    std::size_t FOtherSymbols = 0;
    std::vector<std::string> FNames;
};

class TELTD32InfoScanner : public TELTD32InfoParser {
public:
    using TELTD32InfoParser::TELTD32InfoParser;

    // The name of the module whose code segment contains the address; "" when none.
    std::string ModuleNameFromAddr(std::uint32_t address) const;
    // The first offset of that segment.
    std::optional<std::uint32_t> ModuleStartFromAddr(std::uint32_t address) const;
    // The first procedure symbol whose range contains the address, and the address's
    // offset from its start; "" (offset 0) when none.
    std::string ProcNameFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // In the source file segment that contains the address, the line with the greatest
    // offset not above it, and the offset from that line; 0 (offset 0) when none.
    int LineNumberFromAddr(std::uint32_t address, std::uint32_t& offset) const;
    // The name of the source file whose segment contains the address; "" when none.
    std::string SourceNameFromAddr(std::uint32_t address) const;

private:
    const TELSegmentInfo* ModuleSegmentFromAddr(std::uint32_t address, const TELModuleInfo** module) const;
    const TELSourceSegmentInfo* SourceSegmentFromAddr(std::uint32_t address,
                                                     const TELSourceModuleInfo** file) const;
};

// Where an image file keeps its debug data: the raw data of a debug directory entry.
struct TELPeDebugData {
    std::size_t Offset = 0; // from the start of the file
    std::size_t Size = 0;
};

// In an image file's bytes (PE32 or PE32+, as stored on disk), the raw data of the first
// entry of the debug directory that the debug data directory points to whose data lies in
// the file and begins with a TD32 signature; none when the file is no image, has no debug
// directory, or no such entry. Never reads outside [file, file + size).
std::optional<TELPeDebugData> FindPeTD32Data(const void* file, std::size_t size);
