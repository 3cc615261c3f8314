// The resolver: turns a code address into a call-stack entry by asking, in a fixed order,
// the library's own debug data of the address's module, the module's external debug
// source (map file, TD32, JEDI binary; made on first need and kept in the module record),
// and the module's export list.
//
// The steps that take answers and fill an entry are portable (EdebugResolveSteps.cpp,
// host-tested); the resolver itself reads loaded modules (Windows).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "exceptions/EdebugExports.h"
#include "exceptions/EdebugInfo.h"
#include "exceptions/EdebugOwnData.h"
#include "exceptions/EdebugSource.h"

class TVantrelModulesList;

// --- Portable steps ---

// Fills the names, lines and detail of entry from an external source's answer: unit = the
// source file name without path when known, else the unit name without path; the
// procedure name split at "." (three parts: class and procedure; two: class and procedure,
// the class left empty when it is the unit's file name without extension; one: the
// procedure); a leading "@" of the procedure becomes "_"; detail ddSourceCode with a line,
// else ddUnitAndProcedure with a unit, else ddProcedure with a procedure, else ddModule
// when moduleKnown, else ddNone. The address is the answer's.
void EntryFromLocation(const TELLocationInfo& info, bool moduleKnown, TVantrelDebugInfo& entry);

// Fills entry from a location of the own debug data (detail ddSourceCode).
void EntryFromOwnLocation(const TOwnDebugLocation& location, std::uintptr_t address, TVantrelDebugInfo& entry);

// Fills the names and detail of entry from an export's name (SplitExportName); a name that
// tells nothing leaves the entry as it is.
void EntryFromExportName(const std::string& name, TVantrelDebugInfo& entry);

// The code size of the function at an address (GetFunctionSize on Windows).
using TFunctionSizer = std::function<std::uintptr_t(std::uintptr_t address)>;
// Code sizes are measured over at most this many bytes.
constexpr std::uintptr_t ExportCodeSizeLimit = 0x7FFFFFFF;

// The export of exports (sorted by address) whose code holds address: the one with the
// greatest entry address not above address, when address lies before its end (entry plus
// code size). A code size of 0 is measured with sizer first and kept in the list entry.
// Null when none holds it.
const TVantrelFunctionInfo* FindExportFor(const TVantrelFunctionsList& exports, std::uintptr_t address,
                                          const TFunctionSizer& sizer);

// The library's own source files, repository-relative ("exceptions/EdebugOwnData.cpp",
// "exceptions/Ecore.h"), sorted by IsOwnSourceFile's order. Made at configure time from the
// library's folders.
const std::vector<std::string>& LibraryOwnSourceFiles();
// True when unit names one of files (sorted, as LibraryOwnSourceFiles): letter case and the
// kind of path separator do not count, as in Windows file names.
bool IsOwnSourceFile(const std::vector<std::string>& files, const std::string& unit);
// Sorts files into the order IsOwnSourceFile searches.
void SortOwnSourceFiles(std::vector<std::string>& files);

// Reduces an entry of the library's own code to its module: ddModule, names and lines empty.
void ReduceToModule(TVantrelDebugInfo& entry) noexcept;

// --- The resolver (Windows) ---

class TELDebugResolver {
public:
    // modules: the list whose records the entries refer to (not owned; it must outlive the
    // resolver and the entries). ownSourceFiles: sorted (SortOwnSourceFiles).
    explicit TELDebugResolver(TVantrelModulesList& modules,
                              std::vector<std::string> ownSourceFiles = LibraryOwnSourceFiles());

    // While set, entries in the library's own files keep their names (the library reports
    // an internal error of its own and its frames are what matters).
    void SetReportingInternalError(bool reporting) noexcept { FReportingInternalError = reporting; }
    bool ReportingInternalError() const noexcept { return FReportingInternalError; }

    // Clears entry and fills it for address: its module record (made on first request), the
    // thread and the two flags, then the location from the first source that knows it. The
    // external source is made on first need and kept in the module record. Reads code
    // only through checked reads; never throws. One thread at a time (the modules list's
    // and the cipher key's rule); not on a failing thread (it may read files and take the
    // loader's lock).
    void Resolve(const void* address, TVantrelDebugInfo& entry, bool ownStack, bool first,
                 std::uint32_t thread) noexcept;

private:
    TVantrelModulesList& FModules;
    std::vector<std::string> FOwnSourceFiles;
    bool FReportingInternalError = false;
};
