#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exceptions/Ehook.h"

namespace {

// GetSystemDefaultLangID: imported by this exe from kernel32 for these tests only.
constexpr LANGID ReplacementLangId = 0x4242;

LANGID WINAPI LangIdReplacement()
{
    return ReplacementLangId;
}

// GCC takes an import slot for constant and may load it once for several calls in one
// procedure; a call of its own reads the slot afresh.
__attribute__((noipa)) LANGID ImportedLangId()
{
    return GetSystemDefaultLangID();
}

void* RealLangIdProc()
{
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemDefaultLangID"));
}

TEST(ImportPatch, PatchesTheExecutablesImportAndReturnsThePreviousAddress)
{
    const LANGID real = ImportedLangId();
    ASSERT_NE(real, ReplacementLangId);
    void* previous = HookDllProcedureEx("", "kernel32.dll", "GetSystemDefaultLangID",
                                        reinterpret_cast<void*>(&LangIdReplacement));
    EXPECT_EQ(previous, RealLangIdProc());
    EXPECT_EQ(ImportedLangId(), ReplacementLangId);
    EXPECT_EQ(reinterpret_cast<LANGID(WINAPI*)()>(previous)(), real) << "the replacement can call the previous one";

    EXPECT_TRUE(UnhookDllProcedure(reinterpret_cast<void*>(&LangIdReplacement)));
    EXPECT_EQ(ImportedLangId(), real);
    EXPECT_FALSE(UnhookDllProcedure(reinterpret_cast<void*>(&LangIdReplacement))) << "nothing left to undo";
}

TEST(ImportPatch, ModuleNamesMatchWithoutCaseOrExtension)
{
    const LANGID real = ImportedLangId();
    char exePath[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, exePath, MAX_PATH), 0u);
    const std::string exeName = std::string(exePath).substr(std::string(exePath).find_last_of('\\') + 1);
    HookDllProcedureEx(exeName, "KERNEL32", "GetSystemDefaultLangID", reinterpret_cast<void*>(&LangIdReplacement));
    EXPECT_EQ(ImportedLangId(), ReplacementLangId);
    EXPECT_TRUE(UnhookDllProcedure(reinterpret_cast<void*>(&LangIdReplacement)));
    EXPECT_EQ(ImportedLangId(), real);
}

TEST(ImportPatch, SilentModeSkipsModulesThatDoNotImportAndStillReturnsThePrevious)
{
    const struct {
        const char* Label;
        std::vector<std::string> Modules;
        bool Patched;
    } cases[] = {
        {"ntdll imports nothing from kernel32", {"ntdll.dll"}, false},
        {"a module that is not loaded", {"zv_no_such_module.dll"}, false},
        {"one importing module among others", {"ntdll.dll", "zv_no_such_module.dll", ""}, true},
    };
    const LANGID real = ImportedLangId();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        void* previous = nullptr;
        EXPECT_EQ(TryHookDllProcedureEx(c.Modules, "kernel32.dll", true, previous,
                                        reinterpret_cast<void*>(&LangIdReplacement), "GetSystemDefaultLangID"),
                  c.Patched);
        EXPECT_EQ(previous, RealLangIdProc());
        EXPECT_EQ(ImportedLangId(), c.Patched ? ReplacementLangId : real);
        EXPECT_EQ(UnhookDllProcedure(reinterpret_cast<void*>(&LangIdReplacement)), c.Patched);
        EXPECT_EQ(ImportedLangId(), real);
    }
}

LANGID WINAPI OtherLangIdReplacement()
{
    return 0x4343;
}

TEST(ImportPatch, ASlotAlreadyPatchedNoLongerMatches)
{
    // Slots match the exported address only, so a second replacement cannot slip under
    // the first one's previous address.
    HookDllProcedureEx("", "kernel32.dll", "GetSystemDefaultLangID", reinterpret_cast<void*>(&LangIdReplacement));
    EXPECT_THROW(HookDllProcedureEx("", "kernel32.dll", "GetSystemDefaultLangID",
                                    reinterpret_cast<void*>(&OtherLangIdReplacement)),
                 EHookingError);
    EXPECT_EQ(ImportedLangId(), ReplacementLangId);
    EXPECT_TRUE(UnhookDllProcedure(reinterpret_cast<void*>(&LangIdReplacement)));
    EXPECT_NE(ImportedLangId(), ReplacementLangId);
}

TEST(ImportPatch, FailuresRaiseTheirMessages)
{
    const struct {
        const char* Label;
        std::string Module;
        std::string Procedure;
        std::string Message;
        bool ProcNull;
    } cases[] = {
        {"a module that does not import it", "ntdll.dll", "GetSystemDefaultLangID",
         "Cannot hook the procedure \"GetSystemDefaultLangID\".", false},
        {"a module that is not loaded", "zv_no_such_module.dll", "GetSystemDefaultLangID",
         "Cannot hook the procedure \"GetSystemDefaultLangID\".", false},
        {"a procedure that is not exported", "", "ZvNoSuchProcedure",
         "Cannot hook a null procedure (\"kernel32.dll.ZvNoSuchProcedure\").", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        try {
            HookDllProcedureEx(c.Module, "kernel32.dll", c.Procedure, reinterpret_cast<void*>(&LangIdReplacement));
            ADD_FAILURE() << "no exception";
        } catch (const EHookError& e) {
            EXPECT_EQ(e.Message(), c.Message);
            EXPECT_EQ(e.ClassName(), c.ProcNull ? "EProcNull" : "EHookingError");
        }
    }
    // A missing export is an error even in silent mode: there is nothing to call.
    void* previous = reinterpret_cast<void*>(&LangIdReplacement);
    EXPECT_THROW(TryHookDllProcedureEx({""}, "kernel32.dll", true, previous, reinterpret_cast<void*>(&LangIdReplacement),
                                       "ZvNoSuchProcedure"),
                 EProcNull);
    EXPECT_EQ(previous, nullptr);
}

} // namespace
