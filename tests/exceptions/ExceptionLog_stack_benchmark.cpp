// The cost and the quality of a call-stack trace on a real stack. The main thread recurses
// through a function with a 1 KB local buffer until well over 100 KB of stack are in use,
// then enters a chain of ten known functions (direct calls, a virtual call, a callback); at
// the innermost one it
// - takes the exact frame chain of that moment from the platform's unwinder
//   (RtlLookupFunctionEntry + RtlVirtualUnwind on x86-64, the C++ runtime's
//   _Unwind_Backtrace on i686): for each frame its return address and the stack slot
//   holding it;
// - times a trace of the full 102 400 bytes from there, resolved through the exe's own
//   debug data with call targets followed (as GetCurrentCallStack), the same without
//   resolving, and, as the reference, the unwinder's walk of the same stack;
// - counts recall and precision over the scanned range: a true frame is found by the raw
//   scan when the scan takes the word of its slot; after clean-up (resolved, targets not
//   followed, as GetCallStackByLevels) a true frame is shown when its entry is named and
//   not hidden, and every other shown named entry is an extra one.
// Not a test: it prints figures and has no pass mark. Run by the target
// ExceptionLog_stack_benchmark_run (see CMakeLists.txt).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

#if !defined(_WIN64)
#include <unwind.h>
#endif

#include "exceptions/EdebugResolve.h"
#include "exceptions/ExceptionLogModules.h"
#include "exceptions/ExceptionLogStackWin.h"
#include "exceptions/ExceptionLogThreads.h"
#include "tests/support/benchmark_timing.h"

namespace {

constexpr std::size_t Word = sizeof(void*);

struct TFrame {
    std::uintptr_t ReturnAddress;
    std::uintptr_t Slot; // where the return address lies on the stack
};

constexpr std::size_t MaxFrames = 4096;

struct TFrames {
    TFrame Items[MaxFrames];
    std::size_t Count = 0;
};

#if defined(_WIN64)
__attribute__((noinline)) void UnwindFrames(TFrames& frames)
{
    frames.Count = 0;
    CONTEXT context{};
    RtlCaptureContext(&context);
    while (frames.Count < MaxFrames) {
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function) {
            PVOID handlerData = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                             &establisher, nullptr);
        } else {
            // A leaf function: the return address is on top of the stack.
            context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
            context.Rsp += 8;
        }
        if (context.Rip == 0) break;
        frames.Items[frames.Count++] = {static_cast<std::uintptr_t>(context.Rip),
                                        static_cast<std::uintptr_t>(context.Rsp - 8)};
    }
}
#else
_Unwind_Reason_Code OnFrame(_Unwind_Context* context, void* data)
{
    auto& frames = *static_cast<TFrames*>(data);
    const std::uintptr_t ip = _Unwind_GetIP(context);
    // A context's frame address is the one of the frame just left: the return address into
    // this frame lies in the word below it.
    if (ip && frames.Count < MaxFrames) frames.Items[frames.Count++] = {ip, _Unwind_GetCFA(context) - 4};
    return ip ? _URC_NO_REASON : _URC_END_OF_STACK;
}

__attribute__((noinline)) void UnwindFrames(TFrames& frames)
{
    frames.Count = 0;
    _Unwind_Backtrace(OnFrame, &frames);
}
#endif

TFrames TrueFrames, TimedFrames;
TELDebugResolver* Resolver = nullptr;
int Result = 1;

void Report(const TStackTraceParams& scan)
{
    const TProcessStackMemory memory;
    const std::uintptr_t end = scan.StackPointer + StackScanLimit;
    std::set<std::uintptr_t> trueSlots;
    for (std::size_t i = 0; i < TrueFrames.Count; ++i)
        if (TrueFrames.Items[i].Slot >= scan.StackPointer && TrueFrames.Items[i].Slot <= end)
            trueSlots.insert(TrueFrames.Items[i].Slot);
    // The unwinder's slots must hold its return addresses, or the counts below mean nothing.
    for (std::size_t i = 0; i < TrueFrames.Count; ++i) {
        std::uintptr_t value = 0;
        if (trueSlots.count(TrueFrames.Items[i].Slot) &&
            (!memory.Read(TrueFrames.Items[i].Slot, &value, Word) || value != TrueFrames.Items[i].ReturnAddress))
            std::printf("frame %zu: slot %p holds %p, not its return address %p\n", i,
                        reinterpret_cast<void*>(TrueFrames.Items[i].Slot), reinterpret_cast<void*>(value),
                        reinterpret_cast<void*>(TrueFrames.Items[i].ReturnAddress));
    }

    // The words the scan takes, in its order: those behind a call form (the scan reads every
    // word of the range; the whole range is readable).
    std::vector<std::uintptr_t> taken;
    for (std::uintptr_t at = scan.StackPointer; at <= end; at += Word) {
        std::uintptr_t value = 0, called = 0;
        if (!memory.Read(at, &value, Word)) continue;
        if (CallSiteBefore(memory, NativeStackCodeKind, value, false, called)) taken.push_back(at);
    }
    std::size_t found = 0;
    for (const std::uintptr_t slot : taken) found += trueSlots.count(slot);

    TStackTraceParams levels = scan;
    levels.FollowCallTargets = false;
    const auto cleaned = TraceStack(levels, memory, StackResolverOf(*Resolver));
    std::size_t shown = 0, extra = 0, named = 0;
    // The recursion's frames share one return address, which the repeat rule shows once:
    // the frames also counted by distinct return address.
    std::set<std::uintptr_t> trueReturns, shownReturns;
    for (std::size_t i = 0; i < TrueFrames.Count; ++i)
        if (trueSlots.count(TrueFrames.Items[i].Slot)) trueReturns.insert(TrueFrames.Items[i].ReturnAddress);
    if (cleaned->Count() != static_cast<int>(taken.size())) {
        std::printf("the trace has %d entries for %zu taken words: no figures\n", cleaned->Count(), taken.size());
        return;
    }
    for (int i = 0; i < cleaned->Count(); ++i) {
        const TVantrelDebugDetail detail = cleaned->GetItem(i)->DebugDetail;
        if (!IsNamedDetail(detail)) continue;
        ++named;
        if (trueSlots.count(taken[static_cast<std::size_t>(i)])) {
            ++shown;
            std::uintptr_t value = 0;
            if (memory.Read(taken[static_cast<std::size_t>(i)], &value, Word)) shownReturns.insert(value);
        } else
            ++extra;
    }
    std::printf("\ntrue frames in the scanned range: %zu (unwinder frames in all: %zu)\n", trueSlots.size(),
                TrueFrames.Count);
    std::printf("raw scan: %zu words taken, %zu of them true frames: recall %.1f%%\n", taken.size(), found,
                trueSlots.empty() ? 0.0 : 100.0 * double(found) / double(trueSlots.size()));
    std::printf("after clean-up: %zu named entries shown, %zu true frames (recall %.1f%%), %zu extra: "
                "precision %.1f%%\n",
                named, shown, trueSlots.empty() ? 0.0 : 100.0 * double(shown) / double(trueSlots.size()), extra,
                named ? 100.0 * double(shown) / double(named) : 0.0);
    std::printf("distinct return addresses: %zu true, %zu shown (recall %.1f%%)\n", trueReturns.size(),
                shownReturns.size(),
                trueReturns.empty() ? 0.0 : 100.0 * double(shownReturns.size()) / double(trueReturns.size()));
    Result = 0;
}

// At the innermost frame: the unwinder's chain, then the timings and counts.
__attribute__((noinline)) void Measure()
{
    UnwindFrames(TrueFrames);
    volatile std::uintptr_t marker = 0;
    TStackTraceParams scan;
    scan.StackPointer = reinterpret_cast<std::uintptr_t>(&marker);
    scan.StackTop = CurrentThreadStackTop() - Word;
    scan.ThreadID = GetCurrentThreadId();
    scan.FollowCallTargets = true;
    const std::uintptr_t inUse = scan.StackTop + Word - scan.StackPointer;
    std::printf("%d-bit build; %zu bytes of stack in use, %zu scanned per trace\n", static_cast<int>(Word * 8),
                static_cast<std::size_t>(inUse), static_cast<std::size_t>(StackScanLimit));
    if (inUse < StackScanLimit) {
        std::printf("less than the scan limit in use: no figures\n");
        return;
    }

    const TProcessStackMemory memory;
    const TStackResolver resolve = StackResolverOf(*Resolver);
    TStackTraceParams raw = scan;
    raw.Resolve = false;
    int entries = 0, rawEntries = 0;
    const double minimum = Word == 8 ? 1.0 : 0.5;
    const double resolved = SecondsPerRun([&] { entries = TraceStack(scan, memory, resolve)->Count(); }, minimum);
    const double unresolved = SecondsPerRun([&] { rawEntries = TraceStack(raw, memory, nullptr)->Count(); }, minimum);
    const double unwinder = SecondsPerRun([&] { UnwindFrames(TimedFrames); }, minimum);
    std::printf("%-44s %12s %9s\n", "walk", "ms/trace", "entries");
    std::printf("%-44s %12.3f %9d\n", "trace, resolved, call targets followed", resolved * 1e3, entries);
    std::printf("%-44s %12.3f %9d\n", "trace, not resolved", unresolved * 1e3, rawEntries);
    std::printf("%-44s %12.3f %9zu\n", "platform unwinder, whole stack", unwinder * 1e3, TimedFrames.Count);
    Report(scan);
}

// The chain of ten known functions; work after each call keeps calls from becoming jumps.
volatile int Sink = 0;

__attribute__((noinline)) void BenchChain01()
{
    Measure();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain02()
{
    BenchChain01();
    Sink = Sink + 1;
}
class TBenchStep {
public:
    virtual ~TBenchStep() = default;
    virtual void Step();
};
__attribute__((noinline)) void TBenchStep::Step()
{
    BenchChain02();
    Sink = Sink + 1;
}
TBenchStep* volatile BenchStep = nullptr;
__attribute__((noinline)) void BenchChain04()
{
    BenchStep->Step();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain05()
{
    BenchChain04();
    Sink = Sink + 1;
}
void (*volatile BenchCallback)() = nullptr;
__attribute__((noinline)) void BenchChain06()
{
    BenchCallback();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain07()
{
    BenchChain06();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain08()
{
    BenchChain07();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain09()
{
    BenchChain08();
    Sink = Sink + 1;
}
__attribute__((noinline)) void BenchChain10()
{
    BenchChain09();
    Sink = Sink + 1;
}

// 1 KB of stack per level, filled so the frames are in use.
__attribute__((noinline)) void Recurse(int depth)
{
    volatile unsigned char buffer[1024];
    for (std::size_t i = 0; i < sizeof buffer; i += 64) buffer[i] = static_cast<unsigned char>(depth);
    if (depth > 0)
        Recurse(depth - 1);
    else
        BenchChain10();
    Sink = Sink + buffer[0];
}

} // namespace

int main()
{
    TVantrelModulesList modules;
    TELDebugResolver resolver(modules);
    Resolver = &resolver;
    TBenchStep step;
    BenchStep = &step;
    BenchCallback = BenchChain05;
    Recurse(120);
    return Result;
}
