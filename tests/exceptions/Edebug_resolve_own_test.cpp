// Resolve over a library that carries the library's own debug data (written by the build
// over its code of known bytes, see Edebug_resolve_own_dll.cpp): source entries with a
// valid password, "?" texts without, and the library's own files reduced to their module.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "exceptions/EdebugResolve.h"
#include "exceptions/ExceptionLogModules.h"
#include "tests/exceptions/Edebug_resolve_expected.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::TTestLibrary;

class ResolveOwnData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Library.Get(), nullptr) << GetLastError();
        using TCodeProc = const void* (*)();
        const auto code = reinterpret_cast<TCodeProc>(
            reinterpret_cast<void*>(GetProcAddress(Library.Get(), "ZvResolveOwnCode")));
        ASSERT_NE(code, nullptr);
        Code = static_cast<const char*>(code());
    }

    TVantrelDebugInfo Resolve(TELDebugResolver& resolver, std::uint32_t offset)
    {
        TVantrelDebugInfo entry;
        resolver.Resolve(Code + offset, entry, true, false, 1);
        return entry;
    }

    TTestLibrary Library{LibraryBesideExe("Edebug_resolve_own.dll")};
    const char* Code = nullptr;
};

TEST_F(ResolveOwnData, SourceEntriesWithAValidPassword)
{
    TVantrelModulesList list({}, [](const TVantrelModuleInfo&, std::string& password) { password = "Own pass"; });
    TELDebugResolver resolver(list);
    // Run begins with a frame set-up, so its first line is its header's; Finish does not,
    // so its first line is one before its first record's.
    const zv::test::TResolveExpected cases[] = {
        {0, "Sample.cpp", "TWorker", "Run", 20, 0},  {4, "Sample.cpp", "TWorker", "Run", 21, 1},
        {16, "Sample.cpp", "", "Finish", 30, 1},     {24, "Sample.cpp", "", "Finish", 32, 3},
        {31, "Sample.cpp", "", "Finish", 32, 3}, // the unit's last byte
    };
    for (const zv::test::TResolveExpected& c : cases) {
        SCOPED_TRACE(c.Offset);
        const TVantrelDebugInfo entry = Resolve(resolver, c.Offset);
        ASSERT_NE(entry.ModuleInfo, nullptr);
        EXPECT_TRUE(entry.ModuleInfo->PasswordValid);
        zv::test::ExpectSourceEntry(entry, c, Code + c.Offset);
    }
}

TEST_F(ResolveOwnData, TheLibrarysOwnFilesAreReducedUnlessItReportsItsOwnError)
{
    TVantrelModulesList list({}, [](const TVantrelModuleInfo&, std::string& password) { password = "Own pass"; });
    TELDebugResolver resolver(list);
    for (std::uint32_t offset : {32u, 40u, 63u}) {
        SCOPED_TRACE(offset);
        const TVantrelDebugInfo entry = Resolve(resolver, offset);
        EXPECT_EQ(entry.DebugDetail, ddModule);
        EXPECT_TRUE(entry.UnitName.Empty());
        EXPECT_TRUE(entry.ProcedureName.Empty());
        EXPECT_EQ(entry.LineNumber, 0u);
        EXPECT_EQ(entry.ProcedureLine, 0u);
        EXPECT_NE(entry.ModuleInfo, nullptr);
    }

    resolver.SetReportingInternalError(true);
    // "push ebx" first: the first line is the header's.
    const TVantrelDebugInfo entry = Resolve(resolver, 40);
    EXPECT_EQ(entry.DebugDetail, ddSourceCode);
    EXPECT_EQ(entry.UnitName.Str(), "exceptions/EdebugOwnData.cpp");
    EXPECT_TRUE(entry.ClassName.Empty());
    EXPECT_EQ(entry.ProcedureName.Str(), "FindOwnDebugLocation");
    EXPECT_EQ(entry.LineNumber, 102u);
    EXPECT_EQ(entry.ProcedureLine, 2u);

    // A resolver that lists no own files reduces nothing.
    TELDebugResolver unaware(list, {});
    EXPECT_EQ(Resolve(unaware, 40).DebugDetail, ddSourceCode);
}

TEST_F(ResolveOwnData, AWrongPasswordShowsEncipheredTexts)
{
    TVantrelModulesList list; // nobody tells the password: the library's own answer is empty
    TELDebugResolver resolver(list);
    for (std::uint32_t offset : {0u, 40u}) {
        SCOPED_TRACE(offset);
        const TVantrelDebugInfo entry = Resolve(resolver, offset);
        ASSERT_NE(entry.ModuleInfo, nullptr);
        EXPECT_FALSE(entry.ModuleInfo->PasswordValid);
        // Still a source entry: an unreadable name is no file of the library's.
        EXPECT_EQ(entry.DebugDetail, ddSourceCode);
        const std::string unit = entry.UnitName.Str();
        ASSERT_GE(unit.size(), 3u);
        EXPECT_EQ(unit[0], '?');
        EXPECT_EQ(unit[1], 'c') << unit;
        EXPECT_EQ(unit.find(".cpp"), std::string::npos) << unit;
        EXPECT_EQ(entry.ProcedureName.Str().substr(0, 1), "?");
        EXPECT_NE(entry.LineNumber, 0u);
    }
}

} // namespace
