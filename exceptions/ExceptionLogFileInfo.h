// What the module and process lists read from a module's or program's file: its version
// resource, its last write time and its size.
//
// The version text rule is portable; the readers are Windows only (version.dll and the
// file system) and may be called from any thread.
#pragma once

#include <cstdint>
#include <string>

// The four 16-bit parts of a fixed file version (the high and low halves of
// dwFileVersionMS and dwFileVersionLS) joined with "."; empty for "0.0.0.0".
std::string FileVersionText(std::uint32_t versionMS, std::uint32_t versionLS);

struct TFileVersionFields {
    // "FileDescription" of the string table of the first translation listed under
    // "\VarFileInfo\Translation"; empty when there is none.
    std::string Description;
    // FileVersionText of the fixed file information; empty when there is none.
    std::string Version;
};

// Windows. The fields of the file's version resource; both empty for a file without one
// or that cannot be read.
TFileVersionFields ReadFileVersionFields(const std::string& fileName);

struct TFileFacts {
    bool Found = false;
    // Last write time as a TDateTime (days since 30 December 1899, UTC as stored).
    double Date = 0;
    // The low 32 bits of the size in bytes.
    std::uint32_t Size = 0;
};

// Windows. The file's last write time and size (FindFirstFileA); Found false, the rest 0,
// when it cannot be found.
TFileFacts ReadFileFacts(const std::string& fileName);
