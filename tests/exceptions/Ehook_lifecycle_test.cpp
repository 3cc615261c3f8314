// The unit's shutdown undoes every patch, last first. Run in child processes: undoing
// everything at once would also undo the patches of a test that is running.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>

#include "exceptions/Ehook.h"
#include "tests/exceptions/splice_fixtures.h"
#include "tests/exceptions/vmt_samples.h"
#include "tests/support/child_process.h"

namespace {

#if defined(__i386__)
#define ZV_THISCALL __attribute__((thiscall))
#else
#define ZV_THISCALL
#endif

LANGID WINAPI LangIdReplacement()
{
    return 0x1111;
}

UINT WINAPI OemCpReplacement()
{
    return 0x2222;
}

// GCC takes an import slot for constant and may load it once for several calls in one
// procedure; calls of their own read the slots afresh.
__attribute__((noipa)) LANGID ImportedLangId()
{
    return GetSystemDefaultLangID();
}

__attribute__((noipa)) UINT ImportedOemCp()
{
    return GetOEMCP();
}

int ZV_THISCALL ValueFirst(const TVmtSample*)
{
    return 11;
}

int ZV_THISCALL ValueSecond(const TVmtSample*)
{
    return 22;
}

extern "C" int LifecycleReplacement()
{
    return 0x77AA;
}

struct TPatchedProcess {
    LANGID RealLangId = 0;
    UINT RealOemCp = 0;
    std::unique_ptr<TVmtSample> Sample{NewVmtSample(false)};
    unsigned char JumpBytes[16] = {};
    unsigned char JccBytes[16] = {};
};

// A child's failure: says what failed on its output, for the test to show, and gives the
// exit code 1.
int Failed(const char* what)
{
    std::printf("%s\n", what);
    std::fflush(stdout);
    return 1;
}

// Patches two imports, a virtual method twice over and two procedures.
// Returns 0 when every patch took effect, else Failed's code for the first that did not.
int PatchEverything(TPatchedProcess& p)
{
    p.RealLangId = ImportedLangId();
    p.RealOemCp = ImportedOemCp();
    std::memcpy(p.JumpBytes, reinterpret_cast<void*>(&FixtureNearJump), sizeof p.JumpBytes);
    std::memcpy(p.JccBytes, reinterpret_cast<void*>(&FixtureShortJccTaken), sizeof p.JccBytes);

    HookDllProcedureEx("", "kernel32.dll", "GetSystemDefaultLangID", reinterpret_cast<void*>(&LangIdReplacement));
    HookDllProcedureEx("", "kernel32.dll", "GetOEMCP", reinterpret_cast<void*>(&OemCpReplacement));
    if (ImportedLangId() != 0x1111 || ImportedOemCp() != 0x2222) return Failed("the import patches took no effect");

    const TVirtualTable table = VirtualTableOf(p.Sample.get());
    const int index = VirtualMethodIndex(&TVmtSample::Value);
    HookVirtualMethod(table, index, reinterpret_cast<void*>(&ValueFirst));
    HookVirtualMethod(table, index, reinterpret_cast<void*>(&ValueSecond));
    if (CallValue(*p.Sample) != 22) return Failed("the second method patch took no effect");

    HookProcedureEx(reinterpret_cast<void*>(&FixtureNearJump), reinterpret_cast<void*>(&LifecycleReplacement), "a");
    HookProcedureEx(reinterpret_cast<void*>(&FixtureShortJccTaken), reinterpret_cast<void*>(&LifecycleReplacement), "b");
    volatile auto jump = &FixtureNearJump;
    volatile auto jcc = &FixtureShortJccTaken;
    if (jump() != 0x77AA || jcc() != 0x77AA) return Failed("the splices took no effect");
    return 0;
}

ZV_CHILD_MODE(EhookUnhookAll)
{
    TPatchedProcess p;
    if (const int failed = PatchEverything(p)) return failed;
    UnhookAll();
    if (ImportedLangId() != p.RealLangId || ImportedOemCp() != p.RealOemCp) return Failed("an import stays patched");
    if (CallValue(*p.Sample) != 1) return Failed("the method slot stays patched");
    if (std::memcmp(p.JumpBytes, reinterpret_cast<void*>(&FixtureNearJump), sizeof p.JumpBytes) != 0)
        return Failed("the near-jump fixture's bytes are not restored");
    if (std::memcmp(p.JccBytes, reinterpret_cast<void*>(&FixtureShortJccTaken), sizeof p.JccBytes) != 0)
        return Failed("the short-jcc fixture's bytes are not restored");
    if (UnhookProcedure(reinterpret_cast<void*>(&FixtureNearJump)))
        return Failed("a splice record outlived UnhookAll");
    UnhookAll();  // twice is harmless
    return 0;
}

// Watches the process's exit in the child that leaves its patches in place. Static
// objects are destroyed in the reverse order of their construction, so the hooking
// unit's shutdown (init priority 150) runs after every default-priority static object and
// before the ones of priority 101. A patch undone too early or not at all ends the process
// with exit code 1 and says which.
struct TExitWatch {
    bool ExpectPatched;
    ~TExitWatch()
    {
        if (!GWatchedProcess) return;
        // (FixtureNearJump begins with E9 of its own; FixtureShortJccTaken does not.)
        const bool patched = *reinterpret_cast<const unsigned char*>(&FixtureShortJccTaken) == 0xE9;
        const bool restored =
            std::memcmp(GWatchedProcess->JccBytes, reinterpret_cast<void*>(&FixtureShortJccTaken),
                        sizeof GWatchedProcess->JccBytes) == 0 &&
            std::memcmp(GWatchedProcess->JumpBytes, reinterpret_cast<void*>(&FixtureNearJump),
                        sizeof GWatchedProcess->JumpBytes) == 0 &&
            ImportedLangId() == GWatchedProcess->RealLangId && ImportedOemCp() == GWatchedProcess->RealOemCp &&
            CallValue(*GWatchedProcess->Sample) == 1;
        if (ExpectPatched ? !patched : !restored) {
            std::printf("%s\n", ExpectPatched ? "the patches were undone before the default-priority statics went"
                                             : "the patches were not undone by the unit's shutdown");
            std::fflush(stdout);
            std::_Exit(1);
        }
    }
    static TPatchedProcess* GWatchedProcess;
};
TPatchedProcess* TExitWatch::GWatchedProcess = nullptr;
TExitWatch AfterHookShutdown __attribute__((init_priority(101))){false};
TExitWatch BeforeHookShutdown{true};

ZV_CHILD_MODE(EhookPatchAndExit)
{
    // Lives on past main, for the exit watches.
    auto* p = new TPatchedProcess;
    if (const int failed = PatchEverything(*p)) return failed;
    TExitWatch::GWatchedProcess = p;
    return 0;
}

TEST(HookLifecycle, UnhookAllUndoesEveryPatchLastFirst)
{
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("EhookUnhookAll");
    EXPECT_EQ(child.WaitForExit(60'000), 0u);
    EXPECT_EQ(child.Output(), "");
}

TEST(HookLifecycle, TheUnitsShutdownUndoesThePatchesAfterOtherStaticObjects)
{
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("EhookPatchAndExit");
    EXPECT_EQ(child.WaitForExit(60'000), 0u);
    EXPECT_EQ(child.Output(), "");
}

} // namespace
