// The text form of a call stack, typed out by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exceptions/ExceptionLogModules.h"
#include "exceptions/ExceptionLogStack.h"

namespace {

const TCallStackHeaders Headers = {"Address", "Module", "Unit", "Class", "Procedure/Method", "Line"};

void AddEntry(TVantrelStackList& list, TVantrelDebugDetail detail, std::uintptr_t address, TVantrelModuleInfo* module,
              const char* unit, const char* className, const char* procedure, std::uint32_t line,
              std::uint32_t procedureLine)
{
    auto entry = std::make_unique<TVantrelDebugInfo>();
    entry->DebugDetail = detail;
    entry->Address = address;
    entry->ModuleInfo = module;
    entry->UnitName = unit;
    entry->ClassName = className;
    entry->ProcedureName = procedure;
    entry->LineNumber = line;
    entry->ProcedureLine = procedureLine;
    list.Add(std::move(entry));
}

// Widths: address 8 (16 on 64-bit), then the longest of header and values.
TEST(CallStackText, PrintsTheNamedEntriesInSixColumns)
{
    TVantrelStackList list;
    AddEntry(list, ddSourceCode, 0x4010AB, nullptr, "main.cpp", "TMainForm", "ButtonClick", 120, 3);
    AddEntry(list, ddNone, 0x401200, nullptr, "hidden.cpp", "", "Hidden", 7, 1);
    AddEntry(list, ddModule, 0x401300, nullptr, "", "", "", 0, 0);
    AddEntry(list, ddProcedure, 0x7C81077D, nullptr, "", "", "BaseThreadInitThunk", 0, 0);
    AddEntry(list, ddUnitAndProcedure, 0x7C810800, nullptr, "kernel.pas", "", "Run", 0, 0);
    std::vector<std::string> lines = {"kept"};
    CallStackToStrings(&list, Headers, lines);

    const bool wide = sizeof(void*) == 8;
    const std::string pad = wide ? "        " : "";
    // 8 + 6 + 10 + 9 + 19 + 6 + 7 bars
    const std::string separator = std::string(65, '-') + (wide ? "--------" : "");
    const std::vector<std::string> expected = {
        "kept",
        separator,
        "|Address " + pad + "|Module|Unit      |Class    |Procedure/Method   |Line  |",
        separator,
        std::string("|") + (wide ? "00000000004010AB" : "004010AB") + "|      |main.cpp  |TMainForm|ButtonClick        |120[3]|",
        std::string("|") + (wide ? "000000007C81077D" : "7C81077D") + "|      |          |         |BaseThreadInitThunk|      |",
        std::string("|") + (wide ? "000000007C810800" : "7C810800") + "|      |kernel.pas|         |Run                |      |",
        separator,
    };
    EXPECT_EQ(lines, expected);
}

#ifdef _WIN32
// The module column: the file name without its folder.
TEST(CallStackText, NamesTheModuleByItsFileName)
{
    TVantrelModuleInfo exe;
    exe.FileName = "C:\\Program Files\\Tool\\tool.exe";
    TVantrelModuleInfo dll;
    dll.FileName = "C:\\Windows\\system32\\kernel32.dll";
    TVantrelStackList list;
    AddEntry(list, ddSourceCode, 0x4010AB, &exe, "main.cpp", "", "Run", 12, 0);
    AddEntry(list, ddProcedure, 0x7C81077D, &dll, "", "", "Sleep", 0, 0);
    std::vector<std::string> lines;
    CallStackToStrings(&list, Headers, lines);
    ASSERT_EQ(lines.size(), 6u);
    const std::string address = sizeof(void*) == 8 ? "00000000004010AB" : "004010AB";
    EXPECT_EQ(lines[3], "|" + address + "|tool.exe    |main.cpp|     |Run             |12[0]|");
    EXPECT_EQ(lines[0].size(), address.size() + 12 + 8 + 5 + 16 + 5 + 7);
}
#endif

TEST(CallStackText, AddsNothingWithoutPrintableEntries)
{
    std::vector<std::string> lines;
    TVantrelStackList list;
    CallStackToStrings(&list, Headers, lines);
    AddEntry(list, ddModule, 0x401300, nullptr, "", "", "", 0, 0);
    AddEntry(list, ddNone, 0x401400, nullptr, "a.cpp", "", "P", 3, 0);
    CallStackToStrings(&list, Headers, lines);
    CallStackToStrings(nullptr, Headers, lines);
    CallStackToStrings(&list, static_cast<const TVantrelModuleOptions*>(nullptr), lines);
    EXPECT_TRUE(lines.empty());
}

} // namespace
