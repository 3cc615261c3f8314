// The readers' agreement with a module's expected runs (Edebug_owndata_agreement_runs.h:
// what the build writes beside a module, "<module>.debug-expected.tsv"): the check of a
// reader's five lookups on every address they cover.
//
// A run is a range of relative addresses (from the module base) that the own debug data
// answers alike: one unit, one procedure, one line. The external readers take code offsets
// (what VAFromAddr gives: the relative address less 0x1000), and their formats store the
// procedure as "Class.Procedure" (or "Procedure") and the unit by its file name without
// the extension (the source name is the file name).
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/exceptions/Edebug_owndata_agreement_runs.h"

// The unit name the external formats give for a source file: its name less the extension
// of its last path part.
inline std::string UnitOfSource(const std::string& source)
{
    const std::size_t slash = source.find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = source.find_last_of('.');
    if (dot == std::string::npos || dot <= name) return source;
    return source.substr(0, dot);
}

// The relative address of the start of the code, from which the readers count.
constexpr std::uint32_t DebugCodeStart = 0x1000;

struct TDebugAgreement {
    std::uint64_t Addresses = 0;  // addresses checked
    std::uint64_t Disagreeing = 0;
    std::vector<std::string> First; // the first few disagreements, described
};

// How a format stores names.
enum class TDebugNameForm {
    Whole,
    // A text map's line ends at its last non-blank character: a name that ends in blanks
    // (one cut at the own data's 127 bytes in a template's argument list) loses them.
    TrailingBlanksLost,
};

// Which addresses of a run are asked.
enum class TDebugRunAddresses {
    Every,
    // The first and the last byte: every line row and procedure start, and the last byte
    // before the next. A module's runs number tens of thousands and the readers search
    // their lists for each address, which under the emulated 32-bit Wine takes minutes
    // for every byte; the own data is checked on every byte by its own test.
    FirstAndLast,
};

// Asks the scanner (TELMapScanner, TELTD32InfoScanner, TELBinDebugScanner) for the
// addresses of every run and compares its five answers with the run.
template <class TScanner>
TDebugAgreement CheckReaderAgreement(const TScanner& scanner, const std::vector<TExpectedDebugRun>& runs,
                                     TDebugNameForm names = TDebugNameForm::Whole,
                                     TDebugRunAddresses which = TDebugRunAddresses::Every)
{
    constexpr std::size_t Kept = 10;
    TDebugAgreement result;
    for (const TExpectedDebugRun& run : runs) {
        const std::string unit = UnitOfSource(run.Unit);
        std::string procedure = run.ClassName.empty() ? run.ProcedureName : run.ClassName + "." + run.ProcedureName;
        if (names == TDebugNameForm::TrailingBlanksLost)
            procedure.erase(procedure.find_last_not_of(" \t") + 1);
        for (std::uint32_t address = run.Start; address < run.End; ++address) {
            if (which == TDebugRunAddresses::FirstAndLast && address == run.Start + 1 && run.End - run.Start > 2)
                address = run.End - 1;
            const std::uint32_t offset = address - DebugCodeStart;
            std::uint32_t procedureOffset = 0xDEADBEEF;
            std::uint32_t lineOffset = 0xDEADBEEF;
            const std::string gotUnit = scanner.ModuleNameFromAddr(offset);
            const std::string gotSource = scanner.SourceNameFromAddr(offset);
            const std::string gotProcedure = scanner.ProcNameFromAddr(offset, procedureOffset);
            const int gotLine = scanner.LineNumberFromAddr(offset, lineOffset);
            ++result.Addresses;
            if (gotUnit == unit && gotSource == run.Unit && gotProcedure == procedure &&
                procedureOffset == address - run.ProcedureStart && gotLine == run.Line &&
                lineOffset == address - run.LineStart)
                continue;
            if (++result.Disagreeing > Kept) continue;
            std::ostringstream text;
            text << std::hex << "at " << address << std::dec << ": unit \"" << gotUnit << "\" source \"" << gotSource
                 << "\" procedure \"" << gotProcedure << "\" +" << procedureOffset << " line " << gotLine << " +"
                 << lineOffset << "; expected \"" << unit << "\" \"" << run.Unit << "\" \"" << procedure << "\" +"
                 << address - run.ProcedureStart << " line " << run.Line << " +" << address - run.LineStart;
            result.First.push_back(text.str());
        }
    }
    return result;
}
