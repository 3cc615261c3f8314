// Export names split into unit, class and procedure.
#include <gtest/gtest.h>

#include <string>

#include "exceptions/EdebugNames.h"

namespace {

struct TNameCase {
    const char* Name;
    const char* Unit;
    const char* ClassName;
    const char* Procedure;
    TVantrelDebugDetail Detail;
};

const TNameCase NameCases[] = {
    // The Pascal compiler's mangling.
    {"@Forms@TApplication@HandleException$qqrp14System@TObject", "Forms.pas", "TApplication", "HandleException",
     ddUnitAndProcedure},
    {"@Sysutils@Format$qqrx17System@AnsiStringpx14System@TVarRecxi", "Sysutils.pas", "", "Format",
     ddUnitAndProcedure},
    {"@Unit@Proc@", "Unit.pas", "", "Proc", ddUnitAndProcedure},                // a trailing "@" goes
    {"@Unit@@Proc$qv", "Unit.pas", "", "_Proc", ddUnitAndProcedure},             // "@@" stands for "@_"
    {"@Unit@TList@@Get$qqri", "Unit.pas", "TList", "_Get", ddUnitAndProcedure},  // ... the first one only
    {"@Unit@@A@@B", "Unit.pas", "_A", "_B", ddUnitAndProcedure},                  // after a separator: not examined
    {"@Unit@Sub@Class@Proc$qv", "", "", "", ddModule},                          // four parts
    {"@Lonely$qv", "", "", "", ddModule},                                       // one part
    {"@$xp$17Forms@TApplication", "", "", "@$xp$17Forms@TApplication", ddProcedure}, // "@$": not a mangled name
    // Dotted names.
    {"Unit.Proc", "Unit.pas", "", "Proc", ddUnitAndProcedure},
    {"Unit.TClass.Proc@12", "Unit.pas", "TClass", "Proc", ddUnitAndProcedure},
    {"a.b.c.d", "", "", "", ddModule},
    // Plain names.
    {"GetProcAddress", "", "", "GetProcAddress", ddProcedure},
    {"_ZNotMangled", "", "", "_ZNotMangled", ddProcedure},
    // Another compiler's mangling tells nothing usable.
    {"?Proc@@YAXXZ", "", "", "", ddModule},
    {"?Proc.Dotted@@YAXXZ", "", "", "", ddModule},
    {"", "", "", "", ddModule},
    // Our compiler's mangling, demangled.
    {"_Z4Freev", "", "", "Free", ddProcedure},
    {"_ZN2zv7TWorker3RunEi", "", "zv::TWorker", "Run", ddProcedure},
    {"_ZNK7TWorker4NameB5cxx11Ev", "", "TWorker", "Name[abi:cxx11]", ddProcedure},
    {"_ZN12_GLOBAL__N_16Helper5StartEPKc", "", "(anonymous namespace)::Helper", "Start", ddProcedure},
    {"_ZN2ns5ClassIiE6methodIcEEvT_", "", "ns::Class<int>", "method<char>", ddProcedure},
    {"_ZN2ns1CclEv", "", "ns::C", "operator()", ddProcedure},
    {"_ZN2ns1CltERKS0_", "", "ns::C", "operator<", ddProcedure},
    {"_ZN2ns1CD1Ev", "", "ns::C", "~C", ddProcedure},
    {"_ZN2ns7counterE", "", "ns", "counter", ddProcedure}, // data: no parameter list
};

TEST(ExportNames, SplitsByTheRulesOfEachMangling)
{
    for (const TNameCase& c : NameCases) {
        SCOPED_TRACE(c.Name);
        const TExportNameParts parts = SplitExportName(c.Name);
        EXPECT_EQ(parts.UnitName, c.Unit);
        EXPECT_EQ(parts.ClassName, c.ClassName);
        EXPECT_EQ(parts.ProcedureName, c.Procedure);
        EXPECT_EQ(parts.Detail, c.Detail);
    }
}

} // namespace
