// The streams over named files and handles, and the memory stream's file operations.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/filestreams.h"
#include "framework/format.h"
#include "framework/sysutils.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/stream_text.h"

namespace {

using zv::test::ReadFileBytes;
using zv::test::ScratchDir;

using zv::test::ReadAll;
using zv::test::WriteText;

TEST(TMemoryStream, SavesToAndLoadsFromFiles)
{
    ScratchDir dir;
    std::string bytes("line 1\r\n\0\xff binary", 17);
    TMemoryStream original;
    WriteText(original, bytes);
    original.SetPosition(4);
    original.SaveToFile(dir.File("saved.bin"));

    TMemoryStream loaded;
    WriteText(loaded, "old content that is longer than the file");
    loaded.LoadFromFile(dir.File("saved.bin"));
    EXPECT_EQ(loaded.Position(), 0);
    EXPECT_EQ(ReadAll(loaded), bytes);
}

TEST(TFileStream, WriteBufferOnAReadOnlyFileRaises)
{
    ScratchDir dir;
    TFileStream(dir.File("ro.bin"), fmCreate).WriteBuffer("x", 1);
    TFileStream readOnly(dir.File("ro.bin"), fmOpenRead);
    try {
        readOnly.WriteBuffer("abc", 3);
        ADD_FAILURE() << "no exception";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

// ---- TFileStream and THandleStream ----

TEST(TFileStream, WritesAFileThatReadsBack)
{
    ScratchDir dir;
    std::string path = dir.File("data.bin");
    {
        TFileStream file(path, fmCreate);
        EXPECT_EQ(file.FileName(), path);
        WriteText(file, "first");
        file.SetPosition(0);
        WriteText(file, "F");
    }
    {
        TFileStream file(path, fmOpenReadWrite);
        EXPECT_EQ(ReadAll(file), "First");
        file.Seek(0, soEnd);
        WriteText(file, " and more");
    }
    TFileStream file(path, fmOpenRead);
    EXPECT_EQ(file.Size(), 14);
    EXPECT_EQ(ReadAll(file), "First and more");
}

TEST(TFileStream, CreateEmptiesAnExistingFile)
{
    ScratchDir dir;
    std::string path = dir.File("data.bin");
    {
        TFileStream old(path, fmCreate);
        WriteText(old, "long old content");
    }
    TFileStream file(path, fmCreate);
    EXPECT_EQ(file.Size(), 0);
}

TEST(TFileStream, FailuresNameTheFileAndTheSystemReason)
{
    ScratchDir dir;
    struct Case {
        const char* label;
        std::string path;
        unsigned mode;
        bool create;
        DWORD error;
    };
    const Case cases[] = {
        {"open a missing file", dir.File("missing.bin"), fmOpenRead, false, ERROR_FILE_NOT_FOUND},
        {"create in a missing folder", dir.File("no\\such.bin"), fmCreate, true, ERROR_PATH_NOT_FOUND},
        {"open with an undefined mode", dir.File("missing.bin"), fmOpenRead | 0x0003, false,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string verb = c.create ? "create" : "open";
        std::string expected = Format("Cannot %s file \"%s\". %s", {verb, c.path, SysErrorMessage(c.error)});
        try {
            TFileStream file(c.path, c.mode);
            ADD_FAILURE() << "no exception";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.create);
            EXPECT_EQ(e.Message(), expected);
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.create);
            EXPECT_EQ(e.Message(), expected);
        }
    }
}

TEST(TFileStream, ShareFlagsDecideWhoElseMayOpen)
{
    ScratchDir dir;
    std::string path = dir.File("shared.bin");
    TFileStream(path, fmCreate).WriteBuffer("x", 1);
    struct Case {
        const char* label;
        unsigned firstMode;
        bool readerAllowed;
        bool writerAllowed;
    };
    const Case cases[] = {
        {"exclusive", fmOpenRead | fmShareExclusive, false, false},
        {"compatibility counts as exclusive", fmOpenRead | fmShareCompat, false, false},
        {"deny write", fmOpenRead | fmShareDenyWrite, true, false},
        {"deny read", fmOpenWrite | fmShareDenyRead, false, true},
        {"deny none", fmOpenReadWrite | fmShareDenyNone, true, true},
        {"create, deny write", fmCreate | fmShareDenyWrite, true, false},
    };
    auto opens = [&](unsigned mode) {
        try {
            TFileStream second(path, mode);
            return true;
        } catch (const EFOpenError& e) {
            EXPECT_NE(e.Message().find(SysErrorMessage(ERROR_SHARING_VIOLATION)), std::string::npos) << e.Message();
            return false;
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TFileStream first(path, c.firstMode);
        EXPECT_EQ(opens(fmOpenRead | fmShareDenyNone), c.readerAllowed);
        EXPECT_EQ(opens(fmOpenWrite | fmShareDenyNone), c.writerAllowed);
    }
}

TEST(THandleStream, LeavesItsHandleOpen)
{
    ScratchDir dir;
    HANDLE handle = CreateFileA(dir.File("h.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();
    {
        THandleStream stream(handle);
        EXPECT_EQ(stream.Handle(), handle);
        WriteText(stream, "abc");
    }
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, "d", 1, &written, nullptr)) << GetLastError();
    THandleStream again(handle);
    EXPECT_EQ(ReadAll(again), "abcd");
    EXPECT_TRUE(CloseHandle(handle));
}

TEST(THandleStream, SetSizeMovesTheEndOfFileAndSeeksBeyond4GB)
{
    ScratchDir dir;
    TFileStream file(dir.File("size.bin"), fmCreate);
    WriteText(file, "0123456789");
    file.SetSize(4);
    EXPECT_EQ(file.Size(), 4);
    EXPECT_EQ(file.Position(), 4) << "a position past the new end moves back to it";
    file.SetPosition(1);
    file.SetSize(6);
    EXPECT_EQ(file.Position(), 1);
    EXPECT_EQ(ReadAll(file), std::string("0123\0\0", 6));

    std::int64_t beyond4GB = (std::int64_t{5} << 30) + 3;
    EXPECT_EQ(file.Seek(beyond4GB, soBeginning), beyond4GB);
    EXPECT_EQ(file.Position(), beyond4GB);
    EXPECT_EQ(file.Size(), 6);
    EXPECT_EQ(file.Seek(-1, soBeginning), -1) << "a position before the start is refused";
}

TEST(THandleStream, SetSizeOnAReadOnlyHandleRaisesTheSystemError)
{
    ScratchDir dir;
    std::string path = dir.File("ro.bin");
    {
        TFileStream file(path, fmCreate);
        WriteText(file, "abcdef");
    }
    TFileStream file(path, fmOpenRead);
    file.SetPosition(2);
    try {
        file.SetSize(1);
        ADD_FAILURE() << "no exception";
    } catch (const EOSError& e) {
        // Windows answers ERROR_ACCESS_DENIED, Wine ERROR_INVALID_PARAMETER; either way the
        // message carries the code the system gave.
        EXPECT_NE(e.ErrorCode(), 0u);
        EXPECT_EQ(e.Message(), Format("System Error.  Code: %d.\r\n%s",
                                      {static_cast<int>(e.ErrorCode()), SysErrorMessage(e.ErrorCode())}));
    }
    EXPECT_EQ(file.Position(), 2) << "the position is back where it was";
    EXPECT_EQ(ReadAll(file), "abcdef");
}

TEST(THandleStream, ReadAtTheEndOfAPipeGivesZero)
{
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0)) << GetLastError();
    THandleStream writer(writeEnd);
    WriteText(writer, "ping");
    EXPECT_TRUE(CloseHandle(writeEnd));
    THandleStream reader(readEnd);
    char buffer[16];
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 4);
    EXPECT_EQ(reader.Read(buffer, sizeof buffer), 0);
    EXPECT_THROW(reader.ReadBuffer(buffer, 1), EReadError);
    EXPECT_TRUE(CloseHandle(readEnd));
}

} // namespace
