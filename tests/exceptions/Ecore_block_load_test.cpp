// A data block's options loaded into an options object: the values of the options file the
// block was written from (tests/exceptions/Ecore_block_options.txt), the data version the
// stream reader sees, and the blocks whose options cannot be loaded.
#include <gtest/gtest.h>

#include <string>

#include "exceptions/Ecore.h"
#include "exceptions/EcoreDataBlock.h"
#include "tests/exceptions/block_fixtures.h"

namespace {

// Notes the data version the stream reader is given.
class TVersionNotingOptions : public TVantrelModuleOptions {
public:
    TVersionNotingOptions() : TVantrelModuleOptions("") {}
    void LoadFromStream(TStream& stream) override
    {
        SeenVersion = LastVantrelVersion;
        TVantrelModuleOptions::LoadFromStream(stream);
    }
    int SeenVersion = -1;
};

TModuleDataBlock Fixture(const std::string& name)
{
    const std::string bytes = ReadBlockFixture(name);
    std::optional<TModuleDataBlock> block = ParseDataBlock(bytes.data(), bytes.size());
    EXPECT_TRUE(block) << name;
    return block ? *block : TModuleDataBlock{};
}

// The values Ecore_block_options.txt sets, through the getters.
void ExpectOptionsOfTheFile(const TVantrelModuleOptions& options)
{
    EXPECT_TRUE(options.ActivateLog());
    EXPECT_EQ(options.ForegroundTab(), ftCPU);
    EXPECT_EQ(options.FreezeTimeout(), 17);
    EXPECT_EQ(options.SMTPFrom(), "crash-reports@zorvan.test");
    EXPECT_EQ(options.SMTPPort(), 2525);
    EXPECT_EQ(options.ErrorsNumberToSave(), 5);
    EXPECT_EQ(options.ExceptionDialogType(), edtVantrelLog);
    ASSERT_EQ(options.ExceptionsFilters().Count(), 1);
    const TVantrelExceptionFilter* filter = options.ExceptionsFilters().GetItem(0);
    EXPECT_EQ(filter->ClassNameText, "EAbort");
    EXPECT_EQ(filter->ScopeType, fetHandled);
    EXPECT_EQ(filter->DialogKind, fdtMessageBox);
    // The writer drops the closing CR LF of a text.
    EXPECT_EQ(options.GetCustomizedTexts(mtDialog_Caption), "Zorvan stopped");
    EXPECT_EQ(options.TextsCollection(), "Zorvan");
}

TEST(EcoreBlockLoad, OptionsOfTheBlockReachTheGetters)
{
    TVersionNotingOptions options;
    ASSERT_TRUE(LoadDataBlockOptions(Fixture("good.bin"), options));
    ExpectOptionsOfTheFile(options);
    EXPECT_EQ(options.SeenVersion, 6015);
    EXPECT_EQ(LastVantrelVersion, 0);
}

TEST(EcoreBlockLoad, ReaderSeesTheBlocksVersionAndItIsRestored)
{
    for (const char* name : {"v601.bin", "v6000.bin"}) {
        SCOPED_TRACE(name);
        LastVantrelVersion = 1234; // whatever it held before is restored
        TVersionNotingOptions options;
        const bool loaded = LoadDataBlockOptions(Fixture(name), options);
        EXPECT_EQ(LastVantrelVersion, 1234);
        LastVantrelVersion = 0;
        ASSERT_TRUE(loaded);
        EXPECT_EQ(options.SeenVersion, std::string(name) == "v601.bin" ? 6001 : 6000);
        ExpectOptionsOfTheFile(options);
    }
}

// A stream the reader refuses (a version whose stream layout it does not read, a stream
// that stops halfway) leaves the block without usable data; nothing escapes, and the
// version is restored.
TEST(EcoreBlockLoad, StreamTheReaderRefusesGivesNoData)
{
    for (const char* name : {"v5000.bin", "v500.bin", "short-options.bin"}) {
        SCOPED_TRACE(name);
        TVersionNotingOptions options;
        EXPECT_FALSE(LoadDataBlockOptions(Fixture(name), options));
        EXPECT_EQ(LastVantrelVersion, 0);
    }
}

} // namespace
