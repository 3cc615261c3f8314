// The readers' agreement with a module's expected runs: the runs that the build writes
// beside a module (tools/eldata/debug_data.py, "<module>.debug-expected.tsv"), and the
// check of a reader's five lookups on every address they cover.
//
// A run is a range of relative addresses (from the module base) that the own debug data
// answers alike: one unit, one procedure, one line. The external readers take code offsets
// (what VAFromAddr gives: the relative address less 0x1000), and their formats store the
// procedure as "Class.Procedure" (or "Procedure") and the unit by its file name without
// the extension (the source name is the file name).
#pragma once

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct TDebugRun {
    std::uint32_t Start = 0; // relative to the module base
    std::uint32_t End = 0;   // exclusive
    std::string Unit;        // the source file, as the own data names it
    std::string ClassName;
    std::string Procedure;
    int Line = 0;
    int ProcedureLine = 0;
    std::uint32_t ProcedureStart = 0;
    std::uint32_t LineStart = 0;
};

// The runs of an expected-runs file: start, end, unit, class, procedure, line, procedure
// line, procedure start, line start, separated by tabs, addresses in hex; "#" starts a
// comment line. Throws std::runtime_error on a row of another form or without any run.
inline std::vector<TDebugRun> ReadDebugRuns(const std::string& text)
{
    std::istringstream in(text);
    std::vector<TDebugRun> runs;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() != 9) throw std::runtime_error("bad run: " + line);
        const auto hex = [&](const std::string& t) {
            std::size_t used = 0;
            // unsigned long has 32 bits on Windows: read 64, so that a larger value is refused
            // here rather than by an out_of_range of the conversion.
            const unsigned long long value = t.empty() ? 0 : std::stoull(t, &used, 16);
            if (used == 0 || used != t.size() || value > 0xFFFFFFFFull)
                throw std::runtime_error("bad address in run: " + line);
            return static_cast<std::uint32_t>(value);
        };
        TDebugRun run{hex(f[0]), hex(f[1]), f[2], f[3], f[4], std::stoi(f[5]), std::stoi(f[6]), hex(f[7]), hex(f[8])};
        if (run.End <= run.Start || run.ProcedureStart > run.Start || run.LineStart > run.Start)
            throw std::runtime_error("run out of order: " + line);
        runs.push_back(std::move(run));
    }
    if (runs.empty()) throw std::runtime_error("no runs");
    return runs;
}

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

// Asks the scanner (TELMapScanner, TELTD32InfoScanner, TELBinDebugScanner) for every
// address of every run and compares its five answers with the run.
template <class TScanner>
TDebugAgreement CheckReaderAgreement(const TScanner& scanner, const std::vector<TDebugRun>& runs,
                                     TDebugNameForm names = TDebugNameForm::Whole)
{
    constexpr std::size_t Kept = 10;
    TDebugAgreement result;
    for (const TDebugRun& run : runs) {
        const std::string unit = UnitOfSource(run.Unit);
        std::string procedure = run.ClassName.empty() ? run.Procedure : run.ClassName + "." + run.Procedure;
        if (names == TDebugNameForm::TrailingBlanksLost)
            procedure.erase(procedure.find_last_not_of(" \t") + 1);
        for (std::uint32_t address = run.Start; address < run.End; ++address) {
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
