#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exceptions/Ehook.h"
#include "tests/exceptions/splice_fixtures.h"

namespace {

using TIntProc = int (*)();

constexpr int ReplacementValue = 0x5A5A;

extern "C" __attribute__((noipa)) int SpliceReplacement()
{
    return ReplacementValue;
}

// A compiled procedure of our own, as the compiler lays it out.
extern "C" __attribute__((noipa)) int SpliceCompiledSample(int x)
{
    int sum = 0;
    for (int i = 0; i <= x; ++i) sum += i * i + (i ^ 5);
    return sum;
}

extern "C" __attribute__((noipa)) int SpliceCompiledReplacement(int x)
{
    return -x;
}

void* Address(TIntProc proc)
{
    return reinterpret_cast<void*>(proc);
}

std::vector<std::uint8_t> BytesAt(const void* address, std::size_t count)
{
    const auto* p = static_cast<const std::uint8_t*>(address);
    return std::vector<std::uint8_t>(p, p + count);
}

// Where the 5-byte jump at address leads.
const std::uint8_t* JumpDestination(const void* address)
{
    const auto* p = static_cast<const std::uint8_t*>(address);
    std::int32_t rel;
    std::memcpy(&rel, p + 1, sizeof rel);
    return p + 5 + rel;
}

// Calls proc through a volatile pointer, so the compiler cannot fold the call away.
int Call(TIntProc proc)
{
    volatile TIntProc through = proc;
    return through();
}

struct TFixtureCase {
    const char* Label;
    TIntProc Proc;
    int Value;
};

const TFixtureCase Fixtures[] = {
    {"short jmp leaving the moved bytes", &FixtureShortJump, 0x22},
    {"short jcc taken, leaving the moved bytes", &FixtureShortJccTaken, 0x22},
    {"short jcc not taken falls through to the jump back", &FixtureShortJccNotTaken, 0x33},
    {"short jmp inside the moved bytes", &FixtureShortJumpInside, 0x44},
    {"jecxz/jrcxz taken", &FixtureJecxz, 0x88},
    {"call rel32 first", &FixtureCallFirst, 0x56},
    {"jmp rel32 first", &FixtureNearJump, 0x66},
    {"jz rel32 (0F 84)", &FixtureNearJcc, 0x77},
    {"data load (RIP-relative on x86-64)", &FixtureDataLoad, 0x99},
    {"return followed by padding only", &FixtureTinyPadded, 0},
};

TEST(Splice, TheReplacementRunsAndTheTrampolineKeepsTheOriginalBehaviour)
{
    for (const TFixtureCase& c : Fixtures) {
        SCOPED_TRACE(c.Label);
        ASSERT_EQ(Call(c.Proc), c.Value) << "the fixture itself";
        const std::vector<std::uint8_t> before = BytesAt(Address(c.Proc), 24);

        void* trampoline = HookProcedureEx(Address(c.Proc), reinterpret_cast<void*>(&SpliceReplacement), c.Label);
        ASSERT_NE(trampoline, nullptr);
        EXPECT_EQ(BytesAt(Address(c.Proc), 1)[0], 0xE9);
        EXPECT_EQ(Call(c.Proc), ReplacementValue);
        EXPECT_EQ(Call(reinterpret_cast<TIntProc>(trampoline)), c.Value);

        EXPECT_TRUE(UnhookProcedure(Address(c.Proc)));
        EXPECT_EQ(BytesAt(Address(c.Proc), 24), before);
        EXPECT_EQ(Call(c.Proc), c.Value);
    }
}

TEST(Splice, SplicingTwiceReturnsTheSameTrampoline)
{
    void* proc = Address(&FixtureNearJcc);
    void* first = HookProcedureEx(proc, reinterpret_cast<void*>(&SpliceReplacement), "first");
    const std::vector<std::uint8_t> patched = BytesAt(proc, 16);
    void* second = HookProcedureEx(proc, reinterpret_cast<void*>(&SpliceCompiledReplacement), "second");
    EXPECT_EQ(second, first);
    EXPECT_EQ(BytesAt(proc, 16), patched) << "the second splice changes nothing";
    EXPECT_EQ(Call(&FixtureNearJcc), ReplacementValue);
    EXPECT_TRUE(UnhookProcedure(proc));
    EXPECT_FALSE(UnhookProcedure(proc)) << "no longer spliced";
    EXPECT_EQ(Call(&FixtureNearJcc), 0x77);
}

TEST(Splice, ACompiledProcedureWithArguments)
{
    auto proc = reinterpret_cast<void*>(&SpliceCompiledSample);
    const int expected = SpliceCompiledSample(10);
    const std::vector<std::uint8_t> before = BytesAt(proc, 32);
    auto trampoline = reinterpret_cast<int (*)(int)>(
        HookProcedureEx(proc, reinterpret_cast<void*>(&SpliceCompiledReplacement), "SpliceCompiledSample"));
    volatile auto through = &SpliceCompiledSample;
    EXPECT_EQ(through(10), -10);
    EXPECT_EQ(trampoline(10), expected);
    EXPECT_EQ(trampoline(3), 5 + 5 + 11 + 15);
    EXPECT_TRUE(UnhookProcedure(proc));
    EXPECT_EQ(BytesAt(proc, 32), before);
    EXPECT_EQ(through(10), expected);
}

// A real procedure of a system DLL, reached through GetProcAddress; on x86-64 it lies
// more than 2 GiB from our replacement, so the splice goes through a relay.
TEST(Splice, ASystemProcedure)
{
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel32, nullptr);
    auto proc = reinterpret_cast<TIntProc>(reinterpret_cast<void*>(GetProcAddress(kernel32, "GetOEMCP")));
    ASSERT_NE(proc, nullptr);
    const int codePage = Call(proc);
    auto trampoline = reinterpret_cast<TIntProc>(
        HookProcedureEx(reinterpret_cast<void*>(proc), reinterpret_cast<void*>(&SpliceReplacement), "GetOEMCP"));
    EXPECT_EQ(Call(proc), ReplacementValue);
    EXPECT_EQ(static_cast<int>(GetOEMCP()), ReplacementValue) << "our own import reaches the same code";
    EXPECT_EQ(Call(trampoline), codePage);
    EXPECT_TRUE(UnhookProcedure(reinterpret_cast<void*>(proc)));
    EXPECT_EQ(Call(proc), codePage);
}

TEST(Splice, AFarReplacementIsReachedThroughARelay)
{
    // "mov eax, 0x5A5A; ret", placed as high as the address space allows.
    auto* distant = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_EXECUTE_READWRITE));
    ASSERT_NE(distant, nullptr) << GetLastError();
    const std::uint8_t code[] = {0xB8, 0x5A, 0x5A, 0x00, 0x00, 0xC3};
    std::memcpy(distant, code, sizeof code);
    ASSERT_TRUE(FlushInstructionCache(GetCurrentProcess(), distant, sizeof code));

    void* proc = Address(&FixtureShortJccTaken);
    auto trampoline = reinterpret_cast<TIntProc>(HookProcedureEx(proc, distant, "far"));
    EXPECT_EQ(Call(&FixtureShortJccTaken), 0x5A5A);
    EXPECT_EQ(Call(trampoline), 0x22);
    const auto distance = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(distant)) -
                          static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(proc));
    if (sizeof(void*) == 8 && (distance > INT32_MAX || distance < INT32_MIN))
        EXPECT_NE(JumpDestination(proc), distant) << "a relay, not a direct jump";
    else
        EXPECT_EQ(JumpDestination(proc), distant);
    EXPECT_TRUE(UnhookProcedure(proc));
    EXPECT_EQ(Call(&FixtureShortJccTaken), 0x22);
    EXPECT_TRUE(VirtualFree(distant, 0, MEM_RELEASE));
}

TEST(Splice, ImportStubsAreFollowed)
{
    // An import stub "jmp [slot]" that leads to a fixture: jmp [rip+0] with the address
    // right after it on x86-64, jmp [abs32] on x86.
    auto* stub = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    ASSERT_NE(stub, nullptr) << GetLastError();
    void* destination = Address(&FixtureNearJump);
    stub[0] = 0xFF;
    stub[1] = 0x25;
    if (sizeof(void*) == 8) {
        const std::int32_t disp = 0;
        std::memcpy(stub + 2, &disp, 4);
        std::memcpy(stub + 6, &destination, sizeof destination);
    } else {
        const auto slot = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(stub + 8));
        std::memcpy(stub + 2, &slot, 4);
        std::memcpy(stub + 8, &destination, sizeof destination);
    }
    ASSERT_TRUE(FlushInstructionCache(GetCurrentProcess(), stub, 16));
    ASSERT_EQ(Call(reinterpret_cast<TIntProc>(stub)), 0x66) << "the stub itself";

    const std::vector<std::uint8_t> stubBytes = BytesAt(stub, 16);
    auto trampoline = reinterpret_cast<TIntProc>(HookProcedureEx(stub, reinterpret_cast<void*>(&SpliceReplacement), "stub"));
    EXPECT_EQ(BytesAt(stub, 16), stubBytes) << "the stub stays; its destination is spliced";
    EXPECT_EQ(Call(&FixtureNearJump), ReplacementValue);
    EXPECT_EQ(Call(trampoline), 0x66);
    EXPECT_TRUE(UnhookProcedure(stub));
    EXPECT_EQ(Call(&FixtureNearJump), 0x66);
    EXPECT_TRUE(VirtualFree(stub, 0, MEM_RELEASE));
}

TEST(Splice, RefusesWhatItCannotMoveAndLeavesItUntouched)
{
    const struct {
        const char* Label;
        TIntProc Proc;
    } cases[] = {
        {"a return before the jump's bytes, with code after it", &FixtureTinyFollowed},
        {"an undecodable instruction", &FixtureUndecodable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::vector<std::uint8_t> before = BytesAt(Address(c.Proc), 16);
        try {
            HookProcedureEx(Address(c.Proc), reinterpret_cast<void*>(&SpliceReplacement), "Fixture");
            ADD_FAILURE() << "no exception";
        } catch (const EHookingError& e) {
            EXPECT_EQ(e.Message(), "Cannot hook the procedure \"Fixture\".");
        }
        EXPECT_EQ(BytesAt(Address(c.Proc), 16), before);
        EXPECT_FALSE(UnhookProcedure(Address(c.Proc)));
    }
}

TEST(Splice, NullProceduresAreRefused)
{
    try {
        HookProcedureEx(nullptr, reinterpret_cast<void*>(&SpliceReplacement), "Missing");
        ADD_FAILURE() << "no exception";
    } catch (const EProcNull& e) {
        EXPECT_EQ(e.Message(), "Cannot hook a null procedure (\"Missing\").");
        EXPECT_TRUE(e.InheritsFrom("EHookError"));
    }
    EXPECT_THROW(HookProcedureEx(Address(&FixtureNearJump), nullptr, "NoReplacement"), EHookingError);
    EXPECT_EQ(Call(&FixtureNearJump), 0x66);
    EXPECT_FALSE(UnhookProcedure(nullptr));
}

TEST(JumpToMem, WritesARelativeJump)
{
    auto* code = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READ));
    ASSERT_NE(code, nullptr) << GetLastError();
    ASSERT_TRUE(JumpToMem(code + 16, code + 100));
    EXPECT_EQ(code[16], 0xE9);
    EXPECT_EQ(JumpDestination(code + 16), code + 100);
    ASSERT_TRUE(JumpToMem(code + 200, code + 8));
    EXPECT_EQ(JumpDestination(code + 200), code + 8) << "backwards";
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(VirtualQuery(code, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ)) << "protection restored";
    EXPECT_TRUE(VirtualFree(code, 0, MEM_RELEASE));
}

TEST(WriteMem, RefusesMemoryThatIsNotThere)
{
    auto* reserved = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(reserved, nullptr) << GetLastError();
    const std::uint8_t byte = 0x90;
    EXPECT_FALSE(WriteMem(reserved, &byte, 1));
    EXPECT_FALSE(JumpToMem(reserved, &byte));
    EXPECT_TRUE(VirtualFree(reserved, 0, MEM_RELEASE));
}

} // namespace
