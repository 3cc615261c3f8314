// The string lists' file operations, which only the Windows build has.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/stringlist.h"
#include "framework/sysutils.h"
#include "tests/framework/string_lines.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::LinesOf;
using zv::test::ReadFileBytes;
using zv::test::ScratchDir;

TEST(TStrings, SavesAndLoadsFilesAsCrLfText)
{
    ScratchDir dir;
    std::string path = dir.File("list.txt");
    TStringList list;
    for (const char* line : {"[Serial]", "Comport=COM1", "", "A = Turn on switch  1"}) list.Add(line);
    list.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path), "[Serial]\r\nComport=COM1\r\n\r\nA = Turn on switch  1\r\n");

    TStringList loaded;
    loaded.Add("old");
    loaded.LoadFromFile(path);
    EXPECT_EQ(LinesOf(loaded), LinesOf(list));
}

TEST(TStrings, FileErrorsNameTheFile)
{
    ScratchDir dir;
    std::string missing = dir.File("missing.txt");
    TStringList list;
    try {
        list.LoadFromFile(missing);
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), Format("Cannot open file \"%s\". %s", {missing, SysErrorMessage(ERROR_FILE_NOT_FOUND)}));
    }
    std::string unreachable = dir.File("no\\such\\list.txt");
    try {
        list.SaveToFile(unreachable);
        ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(),
                  Format("Cannot create file \"%s\". %s", {unreachable, SysErrorMessage(ERROR_PATH_NOT_FOUND)}));
    }
}

} // namespace
