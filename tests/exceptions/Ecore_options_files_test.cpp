// The options stream in a file of its own.
#include <gtest/gtest.h>

#include "Ecore_options_samples.h"
#include "exceptions/Ecore.h"
#include "framework/exceptions.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(EcoreOptionsFiles, AFileHoldsExactlyTheStream)
{
    zv::test::ScratchDir dir;
    const std::string file = dir.File("options.bin");
    TVantrelModuleOptions options("");
    ApplyNonDefaultOptions(options);
    options.SaveToFile(file);
    EXPECT_EQ(zv::test::ReadFileBytes(file), ReadFixture("Ecore_stream_options.bin"));

    TVantrelModuleOptions loaded("");
    loaded.LoadFromFile(file);
    EXPECT_EQ(SavedStream(loaded), SavedStream(options));
}

TEST(EcoreOptionsFiles, SavingReplacesALongerFile)
{
    zv::test::ScratchDir dir;
    const std::string file = dir.Write(std::string(100000, 'x'));
    TVantrelModuleOptions options("");
    options.SaveToFile(file);
    EXPECT_EQ(zv::test::ReadFileBytes(file), ReadFixture("Ecore_stream_defaults.bin"));
}

TEST(EcoreOptionsFiles, FailuresRaiseTheStreamErrors)
{
    zv::test::ScratchDir dir;
    TVantrelModuleOptions options("");
    EXPECT_THROW(options.LoadFromFile(dir.File("missing.bin")), EFOpenError);
    EXPECT_THROW(options.SaveToFile(dir.File("no-such-folder\\options.bin")), EFCreateError);
    EXPECT_THROW(options.LoadFromFile(dir.Write("short")), EReadError);
}

}  // namespace
