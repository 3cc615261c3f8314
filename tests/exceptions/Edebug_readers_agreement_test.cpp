// The three external readers agree with the own debug data. The build describes a module
// (its DWARF, by tools/eldata/debug_data.py) and writes the runs the own data must answer;
// the fixture writers (debug_fixtures/*_writer.py, written from the formats' layouts)
// turn the same description into a map file, TD32 data and a JEDI file, and the addresses
// of every run must get the run's unit, source, procedure, line and both offsets from each
// reader. First on a small hand-made description with its runs written by hand
// (debug_fixtures/agreement_sample.*), then, under Wine, on this test exe itself.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "exceptions/EdebugJedi.h"
#include "exceptions/EdebugMap.h"
#include "exceptions/EdebugTD32.h"
#include "tests/exceptions/debug_agreement.h"
#include "tests/exceptions/debug_fixture_rows.h"

#ifdef _WIN32
#include "framework/sysutils.h"
#endif

namespace {

// The contents of the three readers' files written from one description.
struct TReaderFiles {
    std::string Map, TD32, Jedi;
};

struct TAgreements {
    TDebugAgreement Map, TD32, Jedi;
};

TAgreements CheckReaders(const TReaderFiles& files, const std::vector<TExpectedDebugRun>& runs,
                         TDebugRunAddresses which)
{
    const TELMapScanner map(files.Map);
    const TELTD32InfoScanner td32(files.TD32.data(), files.TD32.size());
    const TELBinDebugScanner jedi(files.Jedi.data(), files.Jedi.size(), true);
    EXPECT_TRUE(map.HasUnits());
    EXPECT_TRUE(td32.ValidData());
    EXPECT_TRUE(jedi.ValidFormat());
    return {CheckReaderAgreement(map, runs, TDebugNameForm::TrailingBlanksLost, which),
            CheckReaderAgreement(td32, runs, TDebugNameForm::Whole, which),
            CheckReaderAgreement(jedi, runs, TDebugNameForm::Whole, which)};
}

void ExpectAgreement(const char* reader, const TDebugAgreement& agreement, std::uint64_t addresses)
{
    SCOPED_TRACE(reader);
    EXPECT_EQ(agreement.Addresses, addresses);
    EXPECT_EQ(agreement.Disagreeing, 0u);
    for (const std::string& text : agreement.First) ADD_FAILURE() << text;
    std::printf("%s: %llu addresses checked, %llu disagree\n", reader,
                static_cast<unsigned long long>(agreement.Addresses),
                static_cast<unsigned long long>(agreement.Disagreeing));
}

std::uint64_t AddressesOf(const std::vector<TExpectedDebugRun>& runs,
                          TDebugRunAddresses which = TDebugRunAddresses::Every)
{
    std::uint64_t count = 0;
    for (const TExpectedDebugRun& run : runs) {
        const std::uint64_t length = run.End - run.Start;
        count += which == TDebugRunAddresses::Every || length < 2 ? length : 2;
    }
    return count;
}

void ExpectAllAgree(const TReaderFiles& files, const std::vector<TExpectedDebugRun>& runs,
                    TDebugRunAddresses which = TDebugRunAddresses::Every)
{
    const TAgreements agreements = CheckReaders(files, runs, which);
    const std::uint64_t addresses = AddressesOf(runs, which);
    ExpectAgreement("map file", agreements.Map, addresses);
    ExpectAgreement("TD32", agreements.TD32, addresses);
    ExpectAgreement("JEDI", agreements.Jedi, addresses);
}

TEST(ReadersAgreement, HandMadeRunsOfASmallDescription)
{
    const TDebugFixtureFolder fixtures("Edebug_agreement_fixtures");
    const std::vector<TExpectedDebugRun> runs = ReadExpectedDebugRuns(fixtures.Path("agreement_sample.tsv"));
    ASSERT_EQ(AddressesOf(runs), 144u);
    ExpectAllAgree({fixtures.Read("sample.map"), fixtures.Read("sample.tds"), fixtures.Read("sample.jdbg")}, runs);
}

TEST(ReadersAgreement, ARunThatDisagreesIsFound)
{
    // The check itself: runs shifted by one line, one procedure byte and one unit.
    const TDebugFixtureFolder fixtures("Edebug_agreement_fixtures");
    const TELMapScanner map(fixtures.Read("sample.map"));
    std::vector<TExpectedDebugRun> runs = ReadExpectedDebugRuns(fixtures.Path("agreement_sample.tsv"));
    const std::vector<TExpectedDebugRun> good = runs;
    runs[0].Line += 1;
    runs[1].ProcedureStart += 1;
    runs[2].Unit = "exceptions/Beta.cpp";
    const TDebugAgreement agreement = CheckReaderAgreement(map, runs, TDebugNameForm::TrailingBlanksLost);
    EXPECT_EQ(agreement.Disagreeing, (good[0].End - good[0].Start) + (good[1].End - good[1].Start) +
                                         (good[2].End - good[2].Start));
    EXPECT_EQ(agreement.First.size(), 10u);
    EXPECT_EQ(CheckReaderAgreement(map, good, TDebugNameForm::TrailingBlanksLost).Disagreeing, 0u);
    // A name that a map cannot hold whole.
    EXPECT_EQ(CheckReaderAgreement(map, {good[3]}).Disagreeing, good[3].End - good[3].Start);
}

TEST(ReadersAgreement, UnitNamesAreFileNamesWithoutTheExtension)
{
    EXPECT_EQ(UnitOfSource("exceptions/Alpha.cpp"), "exceptions/Alpha");
    EXPECT_EQ(UnitOfSource("a.b/c"), "a.b/c");
    EXPECT_EQ(UnitOfSource("a/.hidden"), "a/.hidden");
    EXPECT_EQ(UnitOfSource("c:\\x.y\\z.tar.gz"), "c:\\x.y\\z.tar");
    EXPECT_EQ(UnitOfSource("plain"), "plain");
}

#ifdef _WIN32
// This exe: the build wrote its runs and its description beside it, and the readers'
// files from that description ("<exe>.agreement.map", ".tds", ".jdbg"). Each run's first
// and last byte: every line row and procedure start, and the byte before the next.
TEST(ReadersAgreement, BothEndsOfEveryRunOfThisExe)
{
    const std::string exe = GetModuleName(nullptr);
    ASSERT_FALSE(exe.empty());
    const auto read = [&](const std::string& suffix) { return ReadFixtureFile(exe + suffix); };
    const std::vector<TExpectedDebugRun> runs = ReadExpectedDebugRuns(exe + ".debug-expected.tsv");
    // The readers count from the start of the code, what the description's offsets count
    // from too.
    const std::string description = read(".debug.json");
    const std::size_t codeStart = description.find("\"code_start\":");
    ASSERT_NE(codeStart, std::string::npos);
    EXPECT_EQ(std::stoul(description.substr(codeStart + 13)), DebugCodeStart);
    ExpectAllAgree({read(".agreement.map"), read(".agreement.tds"), read(".agreement.jdbg")}, runs,
                   TDebugRunAddresses::FirstAndLast);
}
#endif

} // namespace
