// The options and their files: the options stream in a file of its own, and the output and
// log file names made from OutputPath.
#include <gtest/gtest.h>

#include "Ecore_options_samples.h"
#include "exceptions/Ecore.h"
#include "exceptions/EcoreHelpers.h"
#include "framework/exceptions.h"
#include "framework/strutils.h"
#include "framework/sysutils.h"
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

// An OutputPath with the extension ".elf" is the one file every log goes to; any other
// OutputPath is the folder the module's log (its file name with ".elf") goes into.
TEST(EcoreOptionsFiles, TheOutputPathIsTheLogFileItselfOrItsFolder)
{
    zv::test::ScratchDir dir;
    const std::string exe = GetModuleName(nullptr);
    TVantrelModuleOptions options(exe);
    ASSERT_NE(options.ModuleHandle(), nullptr);
    const std::string logName = ChangeFileExt(ExtractFileName(exe), ".elf");

    options.SetOutputPath(dir.File("All.ELF"));
    EXPECT_EQ(options.OutputLogFile(""), dir.File("All.ELF"));
    EXPECT_EQ(options.OutputLogFile("C:\\elsewhere\\other.dll"), dir.File("All.ELF"));

    options.SetOutputPath(dir.Folder());
    EXPECT_EQ(options.OutputLogFile(""), dir.File(logName));
    EXPECT_EQ(options.OutputFile("C:\\elsewhere\\report.txt"), dir.File("report.txt"));

    TLogOptions logOptions = options.LogOptions();
    logOptions.Include(loAddComputerNameInLogFileName);
    options.SetLogOptions(logOptions);
    const std::string computer = LocalComputerName();
    ASSERT_FALSE(computer.empty());
    EXPECT_EQ(options.OutputLogFile(""),
              dir.File(ChangeFileExt(ExtractFileName(exe), "") + "_" + computer + ".elf"));
}
