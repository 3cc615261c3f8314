// The expected answers the build writes beside a module with own debug data (see
// tools/eldata/README.md): "<module file>.debug-expected.tsv", the runs of constant line
// that cover every address of every procedure the data describes, and
// "<module file>.debug-edges.tsv", addresses that no unit of the data holds. Readers of
// any debug format compare their answers for the module with these rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One run: the addresses start to end - 1 (relative to the module base) and what a
// reader answers for each of them.
struct TExpectedDebugRun {
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::string Unit;      // the source file, relative to the repository root when inside it
    std::string ClassName; // empty for a procedure without class
    std::string ProcedureName;
    int Line = 0;
    int ProcedureLine = 0; // the own debug data's line within the procedure
    std::uint32_t ProcedureStart = 0;
    std::uint32_t LineStart = 0;
};

// The rows of an expected-runs file; throws std::runtime_error naming the file and the
// line when the file cannot be read or a row is malformed.
std::vector<TExpectedDebugRun> ReadExpectedDebugRuns(const std::string& path);

// The addresses of an edges file (one hexadecimal address a line); throws like
// ReadExpectedDebugRuns.
std::vector<std::uint32_t> ReadExpectedDebugEdges(const std::string& path);
