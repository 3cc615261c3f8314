// The TD32 reader on the data that debug_fixtures/td32_writer.py writes from the published
// layout (Edebug_td32_fixtures beside the test exe; see CMakeLists.txt): every row that
// locations.py expects of the common description, then the edges of the format.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EdebugTD32.h"
#include "tests/exceptions/debug_fixture_rows.h"

namespace {

const TDebugFixtureFolder Fixtures("Edebug_td32_fixtures");

TELTD32InfoScanner ScannerOf(const std::string& bytes)
{
    return TELTD32InfoScanner(bytes.data(), bytes.size());
}

TEST(EdebugTD32, AnswersEveryRowOfTheDescription)
{
    const std::vector<TExpectedDebugRow> rows = Fixtures.Rows("td32.expected.tsv");
    ASSERT_GT(rows.size(), 20u);
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("td32.bin"));
    ASSERT_TRUE(scanner.ValidData());
    ExpectDebugRows(scanner, rows);
}

// The other signature; line pairs stored from the last to the first.
TEST(EdebugTD32, VariantsReadTheSame)
{
    for (const char* name : {"fb0a.bin", "reversed-lines.bin"}) {
        SCOPED_TRACE(name);
        const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read(name));
        ASSERT_TRUE(scanner.ValidData());
        ExpectDebugRows(scanner, Fixtures.Rows("td32.expected.tsv"));
    }
}

TEST(EdebugTD32, AnalysesTheSubsectionsOfBothDirectories)
{
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("td32.bin"));
    ASSERT_TRUE(scanner.ValidData());
    // The modules' entries are in the first directory of the chain, the rest in the second.
    ASSERT_EQ(scanner.Modules().size(), 2u);
    EXPECT_EQ(scanner.Names(scanner.Modules()[1].NameIndex), "Helpers");
    EXPECT_EQ(scanner.Modules()[1].Index, 2);
    ASSERT_EQ(scanner.Modules()[1].Segments.size(), 2u);
    EXPECT_EQ(scanner.Modules()[1].Segments[1].Segment, kTD32CodeSegment);
    EXPECT_EQ(scanner.Modules()[1].Segments[1].Offset, 256u);
    EXPECT_EQ(scanner.Modules()[1].Segments[1].Size, 4096u);
    EXPECT_EQ(scanner.SourceModules().size(), 2u);
    EXPECT_EQ(scanner.ProcSymbols().size(), 5u);
    EXPECT_EQ(scanner.ProcSymbols()[2].Kind, skLocalProcedure);
    EXPECT_EQ(scanner.ProcSymbols()[0].Kind, skGlobalProcedure);
    // Per unit a data symbol, and per procedure a parameter and the end of its scope.
    EXPECT_EQ(scanner.OtherSymbolCount(), 2u + 2u * 5u);
    EXPECT_EQ(scanner.Names(0), "");
    EXPECT_EQ(scanner.Names(static_cast<std::uint32_t>(scanner.NameCount()) + 1), "");
}

TEST(EdebugTD32, UnitRangeEndsAtItsLastByte)
{
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("td32.bin"));
    std::uint32_t offset = 0;
    // Helpers covers 256 to 4351, the last unit of the module.
    EXPECT_EQ(scanner.ModuleNameFromAddr(4351), "Helpers");
    EXPECT_EQ(scanner.ProcNameFromAddr(4351, offset), "Helpers.TParser.ReadToken");
    EXPECT_EQ(offset, 4351u - 1300u);
    EXPECT_EQ(scanner.LineNumberFromAddr(4351, offset), 151);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(AskDebugLookups(scanner, 4352), NoDebugAnswer);
    EXPECT_EQ(AskDebugLookups(scanner, 0xFFFFFFFFu), NoDebugAnswer);
    // Main ends at 255, Helpers begins at 256.
    EXPECT_EQ(scanner.ModuleNameFromAddr(255), "Main");
    EXPECT_EQ(scanner.SourceNameFromAddr(255), "Main.pas");
    EXPECT_EQ(scanner.SourceNameFromAddr(256), "Helpers.pas");
}

TEST(EdebugTD32, GapsBetweenProceduresHaveAUnitAndALineButNoProcedure)
{
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("td32.bin"));
    std::uint32_t offset = 0xFFFF;
    // ButtonClick ends at 159; Initialization begins at 192.
    EXPECT_EQ(scanner.ProcNameFromAddr(160, offset), "");
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(scanner.ModuleNameFromAddr(160), "Main");
    EXPECT_EQ(scanner.LineNumberFromAddr(191, offset), 23);
    EXPECT_EQ(offset, 191u - 150u);
}

// The procedure is the first symbol whose range holds the address: a nested procedure
// listed after its outer one does not answer.
TEST(EdebugTD32, TheFirstProcedureThatHoldsTheAddressAnswers)
{
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("nested.bin"));
    ASSERT_TRUE(scanner.ValidData());
    ASSERT_EQ(scanner.ProcSymbols().size(), 7u);
    EXPECT_EQ(scanner.Names(scanner.ProcSymbols()[1].NameIndex), "Main.TMainForm.FormCreate.Nested");
    std::uint32_t offset = 0;
    EXPECT_EQ(scanner.ProcNameFromAddr(20, offset), "Main.TMainForm.FormCreate");
    EXPECT_EQ(offset, 20u);
    ExpectDebugRows(scanner, Fixtures.Rows("td32.expected.tsv"));
}

TEST(EdebugTD32, FilesWithoutSegmentsAreLeftOut)
{
    const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read("empty-file.bin"));
    ASSERT_TRUE(scanner.ValidData());
    EXPECT_EQ(scanner.SourceModules().size(), 2u);
    ExpectDebugRows(scanner, Fixtures.Rows("td32.expected.tsv"));
}

// Data that fails the consistency check answers nothing, even where it held whole parts.
TEST(EdebugTD32, DamagedDataIsNotValid)
{
    for (const char* name : {"fb0b.bin", "entry16.bin", "truncate.bin", "directory-cycle.bin",
                             "directory-outside.bin", "subsection-outside.bin", "names-count.bin"}) {
        SCOPED_TRACE(name);
        const TELTD32InfoScanner scanner = ScannerOf(Fixtures.Read(name));
        EXPECT_FALSE(scanner.ValidData());
        EXPECT_TRUE(scanner.Modules().empty());
        EXPECT_EQ(AskDebugLookups(scanner, 0), NoDebugAnswer);
        EXPECT_EQ(AskDebugLookups(scanner, 300), NoDebugAnswer);
    }
}

TEST(EdebugTD32, EveryShortenedDataIsHandled)
{
    const std::string whole = Fixtures.Read("td32.bin");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::string part = whole.substr(0, length);
        const TELTD32InfoScanner scanner(part.data(), part.size());
        // The directories lie at the end: no shortened data is whole.
        EXPECT_FALSE(scanner.ValidData()) << length;
    }
    EXPECT_FALSE(TELTD32InfoScanner(nullptr, 100).ValidData());
}

TEST(EdebugTD32, SignatureNeedsTheDirectoryOffset)
{
    EXPECT_TRUE(TELTD32InfoParser::IsTD32Signature("FB09\0\0\0\0", 8));
    EXPECT_TRUE(TELTD32InfoParser::IsTD32Signature("FB0A\0\0\0\0", 8));
    EXPECT_FALSE(TELTD32InfoParser::IsTD32Signature("FB09\0\0\0", 7));
    EXPECT_FALSE(TELTD32InfoParser::IsTD32Signature("FB08\0\0\0\0", 8));
    EXPECT_FALSE(TELTD32InfoParser::IsTD32Signature("NB09\0\0\0\0", 8));
}

TEST(EdebugTD32, FindsTheDataInAnImageFile)
{
    const std::string td32 = Fixtures.Read("td32.bin");
    for (const char* name : {"image32.exe", "image64.exe"}) {
        SCOPED_TRACE(name);
        const std::string image = Fixtures.Read(name);
        const std::optional<TELPeDebugData> found = FindPeTD32Data(image.data(), image.size());
        ASSERT_TRUE(found.has_value());
        // The entry before it holds a PDB reference, which is passed over.
        EXPECT_EQ(image.substr(found->Offset, found->Size), td32);
        const TELTD32InfoScanner scanner(image.data() + found->Offset, found->Size);
        EXPECT_TRUE(scanner.ValidData());
    }
}

TEST(EdebugTD32, NoDataInFilesThatAreNoImageOrCarryNone)
{
    const std::string image = Fixtures.Read("image64.exe");
    EXPECT_FALSE(FindPeTD32Data(nullptr, 0).has_value());
    EXPECT_FALSE(FindPeTD32Data(Fixtures.Read("td32.bin").data(), Fixtures.Read("td32.bin").size()).has_value());
    for (std::size_t length : {std::size_t(0), std::size_t(2), std::size_t(0x90), std::size_t(0x400), std::size_t(0x700)}) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(FindPeTD32Data(image.data(), length).has_value());
    }
}

} // namespace
