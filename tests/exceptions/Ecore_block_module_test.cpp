// Reading a module's data block at run time. This exe is built with zv_exception_data
// (CMakeLists.txt) from Ecore_block_options.txt and a password, so it reads its own
// resource; beside it the build leaves the options stream tools/eldata/options_stream.py
// writes for that file, and the trailer-form fixtures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "exceptions/Ecore.h"
#include "exceptions/EcoreModuleData.h"
#include "framework/application.h"
#include "tests/exceptions/beside_exe.h"
#include "tests/exceptions/block_fixtures.h"
#include "tests/support/scratch_dir.h"

namespace {

// The code address a pointer to a non-virtual member function holds: its first word,
// in the ABI both targets use.
template <class Member>
std::uintptr_t CodeAddress(Member member)
{
    static_assert(sizeof(Member) >= sizeof(std::uintptr_t));
    std::uintptr_t address;
    std::memcpy(&address, &member, sizeof address);
    return address;
}

TEST(EcoreBlockModule, OwnBlockHoldsTheOptionsOfTheOptionsFile)
{
    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(nullptr);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->DataVersion, 6015);
    const std::string expected = ReadWholeFile(BesideExe(".options.stream"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(block->Options, expected);
    // Non-default values at their places, in case both sides fell back to the defaults:
    // ActivateLog (byte 0) True, ForegroundTab (byte 5) ftCPU, FreezeTimeout 17.
    ASSERT_GT(block->Options.size(), 12u);
    EXPECT_EQ(block->Options[0], 1);
    EXPECT_EQ(block->Options[5], 5);
    EXPECT_EQ(block->Options.substr(7, 4), std::string("\x11\0\0\0", 4));
    EXPECT_TRUE(IsBlockPassword(*block, "S3cret pass"));
    EXPECT_FALSE(IsBlockPassword(*block, ""));
    EXPECT_TRUE(block->DebugData.empty());
    // The build's date (the last commit's, or SOURCE_DATE_EPOCH): after 2023, not 0.
    EXPECT_GT(block->CompiledAt, 44927.0);
}

TEST(EcoreBlockModule, OwnBlockLoadsIntoTheOptionsOfThisModule)
{
    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(ThisModuleHandle());
    ASSERT_TRUE(block);
    TVantrelModuleOptions options("");
    ASSERT_TRUE(LoadDataBlockOptions(*block, options));
    EXPECT_TRUE(options.ActivateLog());
    EXPECT_EQ(options.ForegroundTab(), ftCPU);
    EXPECT_EQ(options.SMTPFrom(), "crash-reports@zorvan.test");
    EXPECT_EQ(options.GetCustomizedTexts(mtDialog_Caption), "Zorvan stopped");
    ASSERT_EQ(options.ExceptionsFilters().Count(), 1);
    EXPECT_EQ(options.ExceptionsFilters().GetItem(0)->ClassNameText, "EAbort");
}

TEST(EcoreBlockModule, SymbolTableGivesTheApplicationsRoutines)
{
    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(GetModuleHandleA(nullptr));
    ASSERT_TRUE(block);
    const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
    const std::optional<std::uint32_t> handle = FindBlockSymbol(*block, bsHandleException);
    const std::optional<std::uint32_t> show = FindBlockSymbol(*block, bsShowException);
    ASSERT_TRUE(handle);
    ASSERT_TRUE(show);
    EXPECT_EQ(base + *handle, CodeAddress(&TApplication::HandleException));
    EXPECT_EQ(base + *show, CodeAddress(&TApplication::ShowException));
}

TEST(EcoreBlockModule, ModuleWithoutBlockHasNoData)
{
    EXPECT_FALSE(ReadModuleDataBlock(GetModuleHandleA("kernel32.dll")));
}

TEST(EcoreBlockModule, TrailerOfAFile)
{
    const std::optional<TModuleDataBlock> block = ReadDataTrailerOfFile(BlockFixturePath("trailer.bin"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->DataVersion, 6001);
    EXPECT_EQ(block->Options, ReadBlockFixture("good.stream"));
    EXPECT_EQ(block->DebugData, ReadBlockFixture("debug.data"));
}

TEST(EcoreBlockModule, FilesWithoutUsableTrailerGiveNoData)
{
    zv::test::ScratchDir scratch;
    const std::string good = ReadBlockFixture("trailer.bin");
    ASSERT_GT(good.size(), 16u);
    std::string huge = good;
    // A stored length of 3 GiB, larger than the file and than any trailer of ours.
    std::memcpy(huge.data() + huge.size() - 8, "\x00\x00\x00\xC0", 4);
    std::string cut = good;
    cut.erase(cut.size() - 9, 1);
    const std::string files[] = {
        scratch.Write(""),
        scratch.Write("hello"),
        scratch.Write(std::string("\x04\0\0\0\x10\xAB\x0F\x10", 8)), // a length past the start
        scratch.Write(huge),
        scratch.Write(cut),
        scratch.File("missing.bin"),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(ReadDataTrailerOfFile(file));
    }
}

} // namespace
