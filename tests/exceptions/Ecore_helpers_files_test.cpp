// Working files: the open tests, and the move into the application-data folder when a
// file cannot be used where it is.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exceptions/EcoreHelpers.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "tests/exceptions/Ecore_helpers_test_folders.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ReadFileBytes;
using zv::test::RemoveTree;
using zv::test::ScopedEnvVariable;
using zv::test::ScratchDir;

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ExeBaseName()
{
    return ChangeFileExt(ExtractFileName(GetModuleName(nullptr)), "");
}

// A scratch folder standing in for the user's application-data folder, emptied of the
// working folders the test made.
class WorkingFileTest : public testing::Test {
protected:
    ~WorkingFileTest() override { RemoveTree(FAppData.File("VantrelLog")); }

    ScratchDir FPlace;    // where files are meant to go
    ScratchDir FAppData;  // the fallback
    std::string WorkingFolder() const { return FAppData.File("VantrelLog"); }
    std::string AppFolder() const { return WorkingFolder() + "\\" + ExeBaseName(); }
};

TEST_F(WorkingFileTest, OpenTestsLeaveNoFileBehind)
{
    const std::string missing = FPlace.File("missing.elf");
    EXPECT_FALSE(IsReadableFile(missing));
    EXPECT_TRUE(IsWritableFile(missing));
    EXPECT_FALSE(Exists(missing)) << "the write test created the file and left it";

    const std::string existing = FPlace.Write("kept");
    EXPECT_TRUE(IsReadableFile(existing));
    EXPECT_TRUE(IsWritableFile(existing));
    EXPECT_EQ(ReadFileBytes(existing), "kept");

    EXPECT_FALSE(IsReadableFile(FPlace.Folder())) << "a folder is not a file";
    EXPECT_FALSE(IsWritableFile(FPlace.Folder()));
    EXPECT_FALSE(IsReadableFile(""));
    EXPECT_FALSE(IsWritableFile(""));
}

// Another program holding the file open with the given sharing. (The read-only attribute
// is no test here: Wine run as root lets the owner write such a file all the same.)
TFileHandle HoldOpen(const std::string& path, DWORD share)
{
    TFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file.IsValid()) << "CreateFileA failed with error " << GetLastError();
    return file;
}

TEST_F(WorkingFileTest, FileHeldByAnotherProgramIsTestedAsItsSharingAllows)
{
    const std::string file = FPlace.Write("held");
    {
        const TFileHandle readersOnly = HoldOpen(file, FILE_SHARE_READ);
        EXPECT_TRUE(IsReadableFile(file));
        EXPECT_FALSE(IsWritableFile(file));
    }
    {
        const TFileHandle exclusive = HoldOpen(file, 0);
        EXPECT_FALSE(IsReadableFile(file));
        EXPECT_FALSE(IsWritableFile(file));
    }
    EXPECT_TRUE(IsWritableFile(file));
    EXPECT_EQ(ReadFileBytes(file), "held");
}

TEST_F(WorkingFileTest, UsableFileStaysWhereItIs)
{
    std::string missing = FPlace.File("new.elf");
    EXPECT_TRUE(GetWorkingFile(missing, true, false, FAppData.Folder()));
    EXPECT_EQ(missing, FPlace.File("new.elf"));

    const std::string existingPath = FPlace.Write("log");
    std::string existing = existingPath;
    EXPECT_TRUE(GetWorkingFile(existing, true, true, FAppData.Folder()));
    EXPECT_EQ(existing, existingPath);
    EXPECT_FALSE(Exists(WorkingFolder())) << "nothing is made in the fallback for a usable file";
}

TEST_F(WorkingFileTest, UnusableFileMovesIntoTheWorkingFolder)
{
    struct TCase {
        std::string Name;
        bool CreateAppFolder;
        std::string Expected;
    };
    const std::string heldFile = FPlace.Write("old");
    const TFileHandle holder = HoldOpen(heldFile, FILE_SHARE_READ);
    const TCase cases[] = {
        {FPlace.File("no such folder\\Mod.elf"), false, WorkingFolder() + "\\Mod.elf"},
        {FPlace.File("no such folder\\Mod.elf"), true, AppFolder() + "\\Mod.elf"},
        {heldFile, false, WorkingFolder() + "\\" + ExtractFileName(heldFile)},
    };
    for (const TCase& c : cases) {
        std::string fileName = c.Name;
        EXPECT_TRUE(GetWorkingFile(fileName, c.CreateAppFolder, false, FAppData.Folder())) << c.Name;
        EXPECT_EQ(fileName, c.Expected);
        EXPECT_FALSE(Exists(c.Expected)) << "the test file was left in the working folder";
    }
    EXPECT_TRUE(DirectoryExists(AppFolder()));
    EXPECT_EQ(ReadFileBytes(heldFile), "old");
}

TEST_F(WorkingFileTest, FileToReadIsLookedForInTheWorkingFolder)
{
    std::string missing = FPlace.File("Mod.elf");
    EXPECT_FALSE(GetWorkingFile(missing, false, true, FAppData.Folder()));
    EXPECT_EQ(missing, FPlace.File("Mod.elf")) << "a failed call changes nothing";

    ASSERT_TRUE(ForceDirectories(WorkingFolder()));
    const std::string there = WorkingFolder() + "\\Mod.elf";
    const HANDLE file = CreateFileA(there.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(GetWorkingFile(missing, false, true, FAppData.Folder()));
    EXPECT_EQ(missing, there);
}

TEST_F(WorkingFileTest, FailsUnchangedWhenTheFallbackCannotBeMadeEither)
{
    // A file where the application-data folder should be: no folder can be made below it.
    const std::string blocker = FAppData.Write("not a folder");
    std::string fileName = FPlace.File("no such folder\\Mod.elf");
    EXPECT_FALSE(GetWorkingFile(fileName, true, false, blocker));
    EXPECT_EQ(fileName, FPlace.File("no such folder\\Mod.elf"));
    EXPECT_EQ(GetWorkingDir(false, blocker), "");

    std::string noName = FPlace.File("no such folder\\");
    EXPECT_FALSE(GetWorkingFile(noName, false, false, FAppData.Folder()));
}

TEST_F(WorkingFileTest, WorkingDirIsMadeAsNeeded)
{
    EXPECT_EQ(GetWorkingDir(false, FAppData.Folder()), WorkingFolder());
    EXPECT_TRUE(DirectoryExists(WorkingFolder()));
    EXPECT_EQ(GetWorkingDir(true, FAppData.Folder() + "\\"), AppFolder());
    EXPECT_TRUE(DirectoryExists(AppFolder()));
}

TEST(ApplicationDataFolder, ShellFolderFirstThenTheEnvironmentThenTheRoot)
{
    ScratchDir appData;
    const ScopedEnvVariable variable("AppData", appData.Folder() + "\\");
    const std::string shellFolder = ApplicationDataFolder();
    EXPECT_TRUE(DirectoryExists(shellFolder)) << shellFolder;
    EXPECT_NE(shellFolder, appData.Folder()) << "the shell's folder comes before the environment";

    EXPECT_EQ(ApplicationDataFolder("zv_no_such_library.dll"), appData.Folder());
    const ScopedEnvVariable unset("AppData", std::nullopt);
    EXPECT_EQ(ApplicationDataFolder("zv_no_such_library.dll"), "") << "the root, without its delimiter";
}

TEST(GetWorkingFile, DefaultsToTheUsersApplicationDataFolder)
{
    ScratchDir place;
    const std::string name = "zv_helpers_" + std::to_string(GetCurrentProcessId()) + ".elf";
    std::string fileName = place.File("no such folder\\" + name);
    ASSERT_TRUE(GetWorkingFile(fileName, true, false));
    const std::string appFolder = ApplicationDataFolder() + "\\VantrelLog\\" + ExeBaseName();
    EXPECT_EQ(fileName, appFolder + "\\" + name);
    RemoveDirectoryA(appFolder.c_str());
}

TEST(OutputFile, KeepsAUsablePlaceAndFallsBackOtherwise)
{
    ScratchDir logs;
    EXPECT_EQ(OutputFile(logs.Folder(), "C:\\App\\Mod.elf"), logs.File("Mod.elf"));
    EXPECT_EQ(OutputFile(logs.File("All.ELF"), "C:\\App\\Mod.elf"), logs.File("All.ELF"));
    EXPECT_EQ(OutputFile("", logs.File("Mod.elf")), logs.File("Mod.elf"));

    const std::string name = "zv_out_" + std::to_string(GetCurrentProcessId()) + ".elf";
    const std::string appFolder = ApplicationDataFolder() + "\\VantrelLog\\" + ExeBaseName();
    EXPECT_EQ(OutputFile(logs.File("missing"), name), appFolder + "\\" + name);
    RemoveDirectoryA(appFolder.c_str());
}

} // namespace
