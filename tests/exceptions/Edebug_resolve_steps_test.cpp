// The resolver's portable steps: the entry's texts, an external answer into an entry, the
// export search with its code sizes, and the library's own files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "exceptions/EdebugResolve.h"

namespace {

TEST(ResolveEntry, TextsKeepAtMostTheirCapacity)
{
    TVantrelDebugInfo entry;
    entry.UnitName = std::string(300, 'u');
    entry.LeakType = std::string(70, 't');
    entry.ProcedureName = std::string(255, 'p');
    EXPECT_EQ(entry.UnitName.Str(), std::string(255, 'u'));
    EXPECT_EQ(entry.LeakType.Str(), std::string(64, 't'));
    EXPECT_EQ(entry.ProcedureName.Length(), 255u);
    entry.ClassName = "TForm";
    entry.ClassName = "";
    EXPECT_TRUE(entry.ClassName.Empty());

    // A copy is a copy of the bytes: nothing is shared with the original.
    TVantrelDebugInfo copy;
    std::memcpy(static_cast<void*>(&copy), &entry, sizeof entry);
    entry.UnitName = "changed";
    EXPECT_EQ(copy.UnitName.Str(), std::string(255, 'u'));
    EXPECT_EQ(sizeof(entry.UnitName), 256u);
    EXPECT_EQ(sizeof(entry.LeakType), 65u);
}

struct TLocationCase {
    const char* Label;
    const char* Unit;
    const char* Source;
    const char* Procedure;
    int Line;
    int ProcedureLine;
    bool ModuleKnown;
    // Expected:
    const char* EntryUnit;
    const char* EntryClass;
    const char* EntryProcedure;
    TVantrelDebugDetail Detail;
};

const TLocationCase LocationCases[] = {
    {"three parts", "Main", "Main.pas", "Main.TMainForm.FormCreate", 12, 2, true, "Main.pas", "TMainForm",
     "FormCreate", ddSourceCode},
    {"three parts, the third with dots", "Main", "", "Main.TForm.A.B", 3, 0, true, "Main", "TForm", "A.B",
     ddSourceCode},
    {"two parts naming the unit", "Tools", "C:\\src\\Tools.pas", "Tools.Checksum", 40, 0, true, "Tools.pas", "",
     "Checksum", ddSourceCode},
    {"the unit compared without letter case", "Tools", "tools.PAS", "TOOLS.Checksum", 40, 0, true, "tools.PAS", "",
     "Checksum", ddSourceCode},
    {"two parts naming a class", "Main", "Main.pas", "TParser.Read", 7, 1, true, "Main.pas", "TParser", "Read",
     ddSourceCode},
    {"one part", "Main", "Main.pas", "Start", 5, 0, true, "Main.pas", "", "Start", ddSourceCode},
    {"a leading @", "Main", "Main.pas", "TForm.@Create", 5, 0, true, "Main.pas", "TForm", "_Create", ddSourceCode},
    {"unit name without path when no source", "lib/Unit1", "", "Unit1.Go", 0, 0, true, "Unit1", "", "Go",
     ddUnitAndProcedure},
    {"a slash path", "x", "src/deep/File.cpp", "", 0, 0, true, "File.cpp", "", "", ddUnitAndProcedure},
    {"no line, no unit: a procedure", "", "", "Run", 0, 0, true, "", "", "Run", ddProcedure},
    {"nothing: the module", "", "", "", 0, 0, true, "", "", "", ddModule},
    {"nothing, no module", "", "", "", 0, 0, false, "", "", "", ddNone},
    {"a negative line counts as none", "", "", "", -4, -1, true, "", "", "", ddModule},
};

TEST(ResolveEntry, FromAnExternalAnswer)
{
    for (const TLocationCase& c : LocationCases) {
        SCOPED_TRACE(c.Label);
        TELLocationInfo info;
        info.Address = 0x401234;
        info.UnitName = c.Unit;
        info.SourceName = c.Source;
        info.ProcedureName = c.Procedure;
        info.LineNumber = c.Line;
        info.ProcedureLine = c.ProcedureLine;
        TVantrelDebugInfo entry;
        EntryFromLocation(info, c.ModuleKnown, entry);
        EXPECT_EQ(entry.Address, 0x401234u);
        EXPECT_EQ(entry.UnitName.Str(), c.EntryUnit);
        EXPECT_EQ(entry.ClassName.Str(), c.EntryClass);
        EXPECT_EQ(entry.ProcedureName.Str(), c.EntryProcedure);
        EXPECT_EQ(entry.LineNumber, static_cast<std::uint32_t>(c.Line > 0 ? c.Line : 0));
        EXPECT_EQ(entry.ProcedureLine, static_cast<std::uint32_t>(c.ProcedureLine > 0 ? c.ProcedureLine : 0));
        EXPECT_EQ(entry.DebugDetail, c.Detail);
    }
}

TEST(ResolveEntry, FromAnExportName)
{
    TVantrelDebugInfo entry;
    entry.DebugDetail = ddModule;
    EntryFromExportName("@Forms@TApplication@HandleException$qqrp14System@TObject", entry);
    EXPECT_EQ(entry.DebugDetail, ddUnitAndProcedure);
    EXPECT_EQ(entry.UnitName.Str(), "Forms.pas");
    EXPECT_EQ(entry.ClassName.Str(), "TApplication");
    EXPECT_EQ(entry.ProcedureName.Str(), "HandleException");

    TVantrelDebugInfo other;
    other.DebugDetail = ddModule;
    EntryFromExportName("?Question@@YAXXZ", other);
    EXPECT_EQ(other.DebugDetail, ddModule);
    EXPECT_TRUE(other.ProcedureName.Empty());
}

// Exports at 0x1000 (size to be measured), 0x1100 (data: size 1), 0x1200 and 0x1200 (two
// names of one body, measured), 0x2000 (measured as 0).
class ExportSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        Add("First", 0x1000, 0);
        Add("Data", 0x1100, 1);
        Add("Alias1", 0x1200, 0);
        Add("Alias2", 0x1200, 0);
        Add("Empty", 0x2000, 0);
        Sizes = {{0x1000, 0x40}, {0x1200, 0x10}, {0x2000, 0}};
    }
    void Add(const char* name, std::uintptr_t address, std::uintptr_t size)
    {
        auto* info = new TVantrelFunctionInfo;
        info->Name = name;
        info->Address = address;
        info->CodeSize = size;
        List.AddItem(info);
    }
    std::string Find(std::uintptr_t address)
    {
        const TVantrelFunctionInfo* found = FindExportFor(List, address, [this](std::uintptr_t at) {
            ++Measured[at];
            return Sizes.at(at);
        });
        return found ? found->Name : "";
    }

    TVantrelFunctionsList List;
    std::map<std::uintptr_t, std::uintptr_t> Sizes;
    std::map<std::uintptr_t, int> Measured;
};

TEST_F(ExportSearch, FindsTheExportWhoseCodeHoldsTheAddress)
{
    struct TCase {
        std::uintptr_t Address;
        const char* Export;
    } cases[] = {
        {0x0FFF, ""},       {0x1000, "First"}, {0x103F, "First"}, {0x1040, ""}, // past the last byte
        {0x1100, "Data"},   {0x1101, ""},      {0x1200, "Alias2"}, {0x120F, "Alias2"},
        {0x1210, ""},       {0x2000, ""},      {0xFFFFFFFF, ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Address);
        EXPECT_EQ(Find(c.Address), c.Export);
    }
}

TEST_F(ExportSearch, MeasuresEachCodeSizeOnceAndKeepsIt)
{
    EXPECT_EQ(Find(0x1010), "First");
    EXPECT_EQ(Find(0x1020), "First");
    EXPECT_EQ(Find(0x1100), "Data");
    EXPECT_EQ(Measured[0x1000], 1);
    EXPECT_EQ(Measured.count(0x1100), 0u) << "a known size is not measured";
    EXPECT_EQ(List.GetItem(0)->CodeSize, 0x40u);
    EXPECT_EQ(List.GetItem(2)->CodeSize, 0u) << "only the export asked for is measured";
}

TEST(ResolveOwnFiles, TheLibrarysFoldersAreListedSorted)
{
    const std::vector<std::string>& files = LibraryOwnSourceFiles();
    for (const char* name : {"exceptions/EdebugOwnData.cpp", "exceptions/Ecore.h", "exceptions/EdebugResolve.cpp",
                             "reporting/Eencrypt.h", "exceptions\\EdebugOwnData.cpp", "EXCEPTIONS/ecore.H"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsOwnSourceFile(files, name));
    }
    for (const char* name : {"Sample.cpp", "EdebugOwnData.cpp", "exceptions/EdebugOwnData", "framework/lists.cpp",
                             "tests/exceptions/Edebug_resolve_steps_test.cpp", "", "?cAbCd"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsOwnSourceFile(files, name));
    }
    std::vector<std::string> sorted = files;
    SortOwnSourceFiles(sorted);
    EXPECT_EQ(sorted, files);
}

TEST(ResolveOwnFiles, ReducedEntryKeepsItsModuleAndPlace)
{
    TVantrelDebugInfo entry;
    entry.DebugDetail = ddSourceCode;
    entry.Address = 0x1234;
    entry.ThreadID = 7;
    entry.UnitName = "exceptions/Ecore.h";
    entry.ClassName = "TOptions";
    entry.ProcedureName = "Load";
    entry.LineNumber = 10;
    entry.ProcedureLine = 2;
    ReduceToModule(entry);
    EXPECT_EQ(entry.DebugDetail, ddModule);
    EXPECT_TRUE(entry.UnitName.Empty() && entry.ClassName.Empty() && entry.ProcedureName.Empty());
    EXPECT_EQ(entry.LineNumber, 0u);
    EXPECT_EQ(entry.ProcedureLine, 0u);
    EXPECT_EQ(entry.Address, 0x1234u);
    EXPECT_EQ(entry.ThreadID, 7u);
}

} // namespace
