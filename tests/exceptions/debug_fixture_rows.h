// What the tests of the debug information readers share: the fixture files the build
// writes for them (debug_fixtures/*_writer.py), the rows locations.py expects every reader
// to answer, and the five lookups of a scanner asked at once.
//
// A reader's fixtures lie in a folder of their own: under Wine beside the test exe, on the
// host in the build's test folder, which the build names in ZV_DEBUG_FIXTURE_ROOT.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include "framework/strutils.h"
#include "framework/sysutils.h"
#endif

// What the five lookups of a reader give for one address.
struct TDebugAnswer {
    std::string Unit;
    std::optional<std::uint32_t> UnitStart;
    std::string Procedure;
    std::uint32_t ProcedureOffset = 0;
    int Line = 0;
    std::uint32_t LineOffset = 0;
    std::string Source;

    bool operator==(const TDebugAnswer&) const = default;
};

inline void PrintTo(const TDebugAnswer& a, std::ostream* out)
{
    *out << "{unit \"" << a.Unit << "\" start " << (a.UnitStart ? std::to_string(*a.UnitStart) : "none")
         << ", proc \"" << a.Procedure << "\" +" << a.ProcedureOffset << ", line " << a.Line << " +" << a.LineOffset
         << ", source \"" << a.Source << "\"}";
}

// The answer of an address no unit holds.
inline const TDebugAnswer NoDebugAnswer{};

// Asks the scanner's five lookups (TELMapScanner, TELTD32InfoScanner, TELBinDebugScanner
// offer the same ones). The offsets start at a value no answer has, so that a lookup that
// leaves its offset unset shows.
template <class TScanner>
TDebugAnswer AskDebugLookups(const TScanner& scanner, std::uint32_t address)
{
    constexpr std::uint32_t Unset = 0xDEADBEEF;
    TDebugAnswer a;
    a.Unit = scanner.ModuleNameFromAddr(address);
    a.UnitStart = scanner.ModuleStartFromAddr(address);
    a.ProcedureOffset = Unset;
    a.Procedure = scanner.ProcNameFromAddr(address, a.ProcedureOffset);
    a.LineOffset = Unset;
    a.Line = scanner.LineNumberFromAddr(address, a.LineOffset);
    a.Source = scanner.SourceNameFromAddr(address);
    return a;
}

struct TExpectedDebugRow {
    std::uint32_t Address = 0;
    TDebugAnswer Answer;
};

// The whole file; throws std::runtime_error naming the path when it cannot be read, so
// that a missing fixture fails the test rather than give empty answers.
inline std::string ReadFixtureFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the fixture " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The fixture files of one reader's tests, in a folder of their own (e.g.
// "Edebug_map_fixtures").
class TDebugFixtureFolder {
public:
    explicit TDebugFixtureFolder(std::string folder) : FFolder(std::move(folder)) {}

    std::string Path(const std::string& name) const
    {
#ifdef _WIN32
        const std::string exe = GetModuleName(nullptr);
        if (exe.empty()) throw std::runtime_error("the test exe's file name cannot be read");
        return ExtractFilePath(exe) + FFolder + "\\" + name;
#else
        return std::string(ZV_DEBUG_FIXTURE_ROOT) + "/" + FFolder + "/" + name;
#endif
    }

    // The whole file (ReadFixtureFile).
    std::string Read(const std::string& name) const { return ReadFixtureFile(Path(name)); }

    // The rows of a file that locations.write_expected wrote (below).
    std::vector<TExpectedDebugRow> Rows(const std::string& name) const;

private:
    std::string FFolder;
};

// The rows locations.write_expected writes: address, unit, unit start, procedure,
// procedure offset, line, line offset, source, separated by tabs; "#" starts a comment line.
// Throws std::runtime_error on a row of another form and on a file without rows.
inline std::vector<TExpectedDebugRow> TDebugFixtureFolder::Rows(const std::string& name) const
{
    std::istringstream in(Read(name));
    std::vector<TExpectedDebugRow> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() != 8) throw std::runtime_error("bad expected row in " + name + ": " + line);
        const auto number = [](const std::string& text) { return static_cast<std::uint32_t>(std::stoul(text)); };
        rows.push_back({number(f[0]), {f[1], number(f[2]), f[3], number(f[4]), std::stoi(f[5]), number(f[6]), f[7]}});
    }
    if (rows.empty()) throw std::runtime_error("no expected rows in " + name);
    return rows;
}

// Every row's answer from the scanner, each failure naming its address.
template <class TScanner>
void ExpectDebugRows(const TScanner& scanner, const std::vector<TExpectedDebugRow>& rows)
{
    for (const TExpectedDebugRow& row : rows)
        EXPECT_EQ(AskDebugLookups(scanner, row.Address), row.Answer) << "address " << row.Address;
}
