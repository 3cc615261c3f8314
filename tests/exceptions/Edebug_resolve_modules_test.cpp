// Resolve over loaded libraries: one without any source, one whose exports are the only
// source, copies of the first with debug files beside them, and one with JEDI data in a
// section of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "exceptions/EdebugResolve.h"
#include "exceptions/EdebugSources.h"
#include "exceptions/ExceptionLogModules.h"
#include "framework/strutils.h"
#include "tests/exceptions/Edebug_resolve_expected.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::ResolveExpected;
using zv::test::TResolveExpected;
using zv::test::TTestLibrary;

const void* CodeAt(void* module, std::uint32_t offset)
{
    return static_cast<const char*>(module) + 0x1000 + offset;
}

std::string FixturePath(const std::string& name)
{
    return LibraryBesideExe("Edebug_resolve_fixtures\\" + name);
}

void ExpectModuleOnly(const TVantrelDebugInfo& entry)
{
    EXPECT_EQ(entry.DebugDetail, ddModule);
    EXPECT_TRUE(entry.UnitName.Empty());
    EXPECT_TRUE(entry.ClassName.Empty());
    EXPECT_TRUE(entry.ProcedureName.Empty());
    EXPECT_EQ(entry.LineNumber, 0u);
}

void ExpectFixtureEntries(TELDebugResolver& resolver, void* module)
{
    for (const TResolveExpected& expected : ResolveExpected) {
        SCOPED_TRACE(expected.Offset);
        TVantrelDebugInfo entry;
        resolver.Resolve(CodeAt(module, expected.Offset), entry, true, false, 1);
        zv::test::ExpectSourceEntry(entry, expected, CodeAt(module, expected.Offset));
    }
}

TEST(ResolveModules, ALibraryWithoutSourcesGivesItsModule)
{
    TTestLibrary library(LibraryBesideExe("Edebug_resolve_plain.dll"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    TVantrelModulesList list;
    TELDebugResolver resolver(list);
    TVantrelDebugInfo entry;
    entry.UnitName = "left from before";
    entry.Leak = 1;
    resolver.Resolve(CodeAt(library.Handle(), 0x10), entry, false, true, 4321);
    ExpectModuleOnly(entry);
    EXPECT_EQ(entry.Leak, 0) << "the entry is cleared first";
    EXPECT_EQ(entry.ThreadID, 4321u);
    EXPECT_EQ(entry.OwnStack, 0);
    EXPECT_EQ(entry.First, 1);
    EXPECT_EQ(entry.Address, reinterpret_cast<std::uintptr_t>(CodeAt(library.Handle(), 0x10)));
    ASSERT_NE(entry.ModuleInfo, nullptr);
    EXPECT_EQ(entry.ModuleInfo->HModule, library.Handle());
    EXPECT_TRUE(SameText(ExtractFileName(entry.ModuleInfo->FileName), "Edebug_resolve_plain.dll"))
        << entry.ModuleInfo->FileName;
    EXPECT_EQ(entry.ModuleInfo->Exports.Count(), 0);
    EXPECT_EQ(entry.ModuleInfo->ExternalDebugData, nullptr);

    // An address no module holds.
    int onTheStack = 0;
    resolver.Resolve(&onTheStack, entry, true, false, 1);
    EXPECT_EQ(entry.DebugDetail, ddNone);
    EXPECT_EQ(entry.ModuleInfo, nullptr);
    EXPECT_EQ(entry.OwnStack, 1);
    EXPECT_EQ(entry.First, 0);
}

class ResolveExports : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Library.Get(), nullptr) << GetLastError(); }

    const char* Export(const char* name) const
    {
        return reinterpret_cast<const char*>(GetProcAddress(Library.Get(), name));
    }
    TVantrelDebugInfo Resolve(const void* address)
    {
        TVantrelDebugInfo entry;
        Resolver.Resolve(address, entry, true, false, 1);
        return entry;
    }

    TTestLibrary Library{LibraryBesideExe("Edebug_resolve_exports.dll")};
    TVantrelModulesList List;
    TELDebugResolver Resolver{List};
};

constexpr const char* PascalExport = "@Forms@TApplication@HandleException$qqrp14System@TObject";

TEST_F(ResolveExports, APascalExportGivesUnitClassAndProcedure)
{
    const char* body = Export(PascalExport);
    ASSERT_NE(body, nullptr);
    // The body is "mov eax, 42; ret": 6 bytes.
    for (int offset : {0, 1, 5}) {
        SCOPED_TRACE(offset);
        const TVantrelDebugInfo entry = Resolve(body + offset);
        EXPECT_EQ(entry.DebugDetail, ddUnitAndProcedure);
        EXPECT_EQ(entry.UnitName.Str(), "Forms.pas");
        EXPECT_EQ(entry.ClassName.Str(), "TApplication");
        EXPECT_EQ(entry.ProcedureName.Str(), "HandleException");
        EXPECT_EQ(entry.LineNumber, 0u);
        EXPECT_EQ(entry.Address, reinterpret_cast<std::uintptr_t>(body + offset));
    }
    // The byte behind the return belongs to no export.
    const TVantrelDebugInfo behind = Resolve(body + 6);
    ExpectModuleOnly(behind);
    // The size was measured once and kept in the export list.
    const TVantrelModuleInfo* record = behind.ModuleInfo;
    ASSERT_NE(record, nullptr);
    bool seen = false;
    for (int index = 0; index < record->Exports.Count(); ++index) {
        const TVantrelFunctionInfo* info = record->Exports.GetItem(index);
        if (info->Name != PascalExport) continue;
        seen = true;
        EXPECT_EQ(info->CodeSize, 6u);
    }
    EXPECT_TRUE(seen);
}

TEST_F(ResolveExports, AnotherCompilersManglingIsNotAName)
{
    const char* body = Export("?Question@@YAXXZ");
    ASSERT_NE(body, nullptr);
    ExpectModuleOnly(Resolve(body));
}

TEST_F(ResolveExports, OurCompilersManglingIsDemangled)
{
    const char* body = Export("_ZN13TResolveProbe3RunEi");
    ASSERT_NE(body, nullptr);
    const TVantrelDebugInfo entry = Resolve(body);
    EXPECT_EQ(entry.DebugDetail, ddProcedure);
    EXPECT_TRUE(entry.UnitName.Empty());
    EXPECT_EQ(entry.ClassName.Str(), "TResolveProbe");
    EXPECT_EQ(entry.ProcedureName.Str(), "Run");
}

// Copies of the library without sources, named after a case of the fixtures and with that
// case's files beside them.
class ResolveExternalSources : public ::testing::Test {
protected:
    // Copies the library and the case's files; returns the copy's path.
    std::string Prepare(const std::string& stem)
    {
        const std::string copy = Scratch.File(stem + ".dll");
        EXPECT_TRUE(CopyFileA(LibraryBesideExe("Edebug_resolve_plain.dll").c_str(), copy.c_str(), FALSE))
            << GetLastError();
        for (const char* extension : {".map", ".tds", ".jdbg"}) {
            const std::string fixture = FixturePath(stem + extension);
            if (GetFileAttributesA(fixture.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            EXPECT_TRUE(CopyFileA(fixture.c_str(), Scratch.File(stem + extension).c_str(), FALSE)) << GetLastError();
        }
        return copy;
    }

    zv::test::ScratchDir Scratch; // goes after the libraries, which hold its files
};

TEST_F(ResolveExternalSources, TheFirstValidSourceAnswers)
{
    struct TCase {
        const char* Stem;
        const char* Source; // "" for none
    } cases[] = {
        {"map_only", "TELDebugInfoMap"},   {"tds_only", "TELDebugInfoTD32"},
        {"jdbg_only", "TELDebugInfoJedy"}, {"map_and_jdbg", "TELDebugInfoMap"},
        {"broken_map", "TELDebugInfoTD32"}, {"broken_tds", "TELDebugInfoJedy"},
        {"broken_jdbg", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Stem);
        TTestLibrary library(Prepare(c.Stem));
        ASSERT_NE(library.Get(), nullptr) << GetLastError();
        TVantrelModulesList list;
        TELDebugResolver resolver(list);
        if (*c.Source == '\0') {
            TVantrelDebugInfo entry;
            resolver.Resolve(CodeAt(library.Handle(), 0x10), entry, true, false, 1);
            ExpectModuleOnly(entry);
            ASSERT_NE(entry.ModuleInfo, nullptr);
            EXPECT_EQ(entry.ModuleInfo->ExternalDebugData, nullptr);
            continue;
        }
        ExpectFixtureEntries(resolver, library.Handle());
        const TVantrelModuleInfo* record = list.ModuleInfoFor(library.Handle());
        ASSERT_NE(record, nullptr);
        ASSERT_NE(record->ExternalDebugData, nullptr);
        EXPECT_EQ(record->ExternalDebugData->ClassName(), c.Source);
        // Behind the last unit: map and TD32 units end there (JEDI units have no end).
        if (std::string(c.Source) != "TELDebugInfoJedy") {
            TVantrelDebugInfo behind;
            resolver.Resolve(CodeAt(library.Handle(), 0x200), behind, true, false, 1);
            ExpectModuleOnly(behind);
        }
    }
}

TEST_F(ResolveExternalSources, TheSourceIsMadeOnceAndGoesWithTheRecord)
{
    TTestLibrary library(Prepare("map_only"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    TVantrelModulesList list;
    TELDebugResolver resolver(list);
    TVantrelDebugInfo entry;
    resolver.Resolve(CodeAt(library.Handle(), 0x10), entry, true, false, 1);
    ASSERT_EQ(entry.DebugDetail, ddSourceCode);
    const TELDebugInfoSource* const source = entry.ModuleInfo->ExternalDebugData;
    ASSERT_NE(source, nullptr);

    // The map is read once: gone from the disk, it still answers through the kept source.
    ASSERT_TRUE(DeleteFileA(Scratch.File("map_only.map").c_str())) << GetLastError();
    ExpectFixtureEntries(resolver, library.Handle());
    EXPECT_EQ(list.ModuleInfoFor(library.Handle())->ExternalDebugData, source);

    // A new record has to look again, and finds nothing now.
    list.Clear();
    resolver.Resolve(CodeAt(library.Handle(), 0x10), entry, true, false, 1);
    ExpectModuleOnly(entry);
    ASSERT_NE(entry.ModuleInfo, nullptr);
    EXPECT_EQ(entry.ModuleInfo->ExternalDebugData, nullptr);
}

TEST(ResolveModules, JediDataInASectionOfTheLibrary)
{
    TTestLibrary library(LibraryBesideExe("Edebug_resolve_jcl.dll"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    ASSERT_EQ(GetFileAttributesA(LibraryBesideExe("Edebug_resolve_jcl.jdbg").c_str()), INVALID_FILE_ATTRIBUTES)
        << "no side file may stand in for the section";
    TVantrelModulesList list;
    TELDebugResolver resolver(list);
    ExpectFixtureEntries(resolver, library.Handle());
    const TVantrelModuleInfo* record = list.ModuleInfoFor(library.Handle());
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->ExternalDebugData, nullptr);
    EXPECT_EQ(record->ExternalDebugData->ClassName(), "TELDebugInfoJedy");
}

} // namespace
