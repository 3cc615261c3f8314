// Address checks over memory of every state, the resolving of import stubs, and the
// development-environment test on the executable's name.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "exceptions/EcoreHelpers.h"
#include "framework/sysutils.h"
#include "tests/exceptions/Ecore_helpers_import_stub.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ChildProcess;
using zv::test::ScratchDir;

// Six pages of one reservation, each in a state of its own:
// 0 read-write, 1 read-only, 2 execute-read, 3 no access, 4 guard, 5 reserved only.
class PageSet {
public:
    static constexpr std::size_t Pages = 6;
    PageSet()
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        FPage = info.dwPageSize;
        FBase = static_cast<unsigned char*>(VirtualAlloc(nullptr, Pages * FPage, MEM_RESERVE, PAGE_NOACCESS));
        EXPECT_NE(FBase, nullptr);
        EXPECT_NE(VirtualAlloc(FBase, 5 * FPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
        std::memset(FBase, 0x90, 5 * FPage);
        DWORD old;
        EXPECT_TRUE(VirtualProtect(Page(1), FPage, PAGE_READONLY, &old));
        EXPECT_TRUE(VirtualProtect(Page(2), FPage, PAGE_EXECUTE_READ, &old));
        EXPECT_TRUE(VirtualProtect(Page(3), FPage, PAGE_NOACCESS, &old));
        EXPECT_TRUE(VirtualProtect(Page(4), FPage, PAGE_READWRITE | PAGE_GUARD, &old));
    }
    ~PageSet() { VirtualFree(FBase, 0, MEM_RELEASE); }
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;

    unsigned char* Page(std::size_t index) const { return FBase + index * FPage; }
    std::size_t PageSize() const { return FPage; }

private:
    unsigned char* FBase = nullptr;
    std::size_t FPage = 0;
};

TEST(IsValidBlockAddr, FollowsRegionsAndRefusesAnyUnreadableByte)
{
    const PageSet pages;
    const std::size_t page = pages.PageSize();
    struct TCase {
        const void* Address;
        std::size_t Size;
        bool Valid;
        const char* What;
    };
    const TCase cases[] = {
        {pages.Page(0), page, true, "a read-write page"},
        {pages.Page(1), 1, true, "a read-only page"},
        {pages.Page(2) + page - 1, 1, true, "the last byte of an execute-read page"},
        {pages.Page(0) + 100, 2 * page, true, "three regions of readable pages"},
        {pages.Page(0), 3 * page, true, "the three readable pages exactly"},
        {pages.Page(2) + page - 4, 8, false, "from execute-read into no access"},
        {pages.Page(3), 1, false, "a no-access page"},
        {pages.Page(4), 1, false, "a guard page"},
        {pages.Page(5), 1, false, "a page reserved only"},
        {pages.Page(0), PageSet::Pages * page, false, "the whole reservation"},
        {pages.Page(3), 0, true, "an empty range"},
        {nullptr, 1, false, "the null page"},
        {reinterpret_cast<const void*>(UINTPTR_MAX - 15), 32, false, "a range that wraps around"},
    };
    for (const TCase& c : cases) EXPECT_EQ(IsValidBlockAddr(c.Address, c.Size), c.Valid) << c.What;
}

TEST(IsValidBlockAddr, TheGuardPageStaysAGuardPage)
{
    const PageSet pages;
    EXPECT_FALSE(IsValidBlockAddr(pages.Page(4), 1));
    MEMORY_BASIC_INFORMATION region{};
    ASSERT_NE(VirtualQuery(pages.Page(4), &region, sizeof(region)), 0u);
    EXPECT_NE(region.Protect & PAGE_GUARD, 0u) << "the check touched the page";
}

TEST(IsValidBlockAddr, StackAndImageMemoryAreReadable)
{
    int local = 0;
    EXPECT_TRUE(IsValidBlockAddr(&local, sizeof(local)));
    const auto* image = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    EXPECT_TRUE(IsValidBlockAddr(image, 512));
}

TEST(ConvertAddress, ResolvesTheImportStubOfTheTestExe)
{
    const void* stub = GetTickCountStubAddress();
    const auto* bytes = static_cast<const unsigned char*>(stub);
    ASSERT_EQ(bytes[0], 0xFF) << "the linker made no jmp [slot] stub";
    ASSERT_EQ(bytes[1], 0x25);
    // The imported routine itself, through the system headers' import declaration.
    const void* imported = reinterpret_cast<const void*>(&::GetTickCount);
    EXPECT_NE(stub, imported);
    EXPECT_EQ(ConvertAddress(stub), imported);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(ConvertAddress(stub), reinterpret_cast<const void*>(GetProcAddress(kernel, "GetTickCount")));
}

// Writes "FF 25 <operand>" at stub so that it jumps through slot.
void WriteStub(unsigned char* stub, const unsigned char* slot)
{
    stub[0] = 0xFF;
    stub[1] = 0x25;
#if defined(_WIN64)
    const auto operand = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(slot)
                                                   - reinterpret_cast<std::intptr_t>(stub + 6));
#else
    const auto operand = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(slot));
#endif
    std::memcpy(stub + 2, &operand, sizeof(operand));
}

TEST(ConvertAddress, HandMadeStubsAndPlainAddresses)
{
    const PageSet pages;
    const std::size_t page = pages.PageSize();
    const void* target = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x12345678));
    unsigned char* slot = pages.Page(1) - 64;  // in the read-write page
    std::memcpy(slot, &target, sizeof(target));

    unsigned char* stub = pages.Page(0);
    WriteStub(stub, slot);
    EXPECT_EQ(ConvertAddress(stub), target);

    // A slot before the stub: on 64-bit a negative displacement.
    unsigned char* laterStub = pages.Page(0) + 256;
    unsigned char* earlierSlot = pages.Page(0) + 128;
    std::memcpy(earlierSlot, &target, sizeof(target));
    WriteStub(laterStub, earlierSlot);
    EXPECT_EQ(ConvertAddress(laterStub), target);

    // A slot that cannot be read, a stub cut off by unreadable memory, other code.
    unsigned char* badStub = pages.Page(0) + 512;
    WriteStub(badStub, pages.Page(3) + 16);
    EXPECT_EQ(ConvertAddress(badStub), badStub);
    unsigned char* cutStub = pages.Page(2) + page - 2;
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages.Page(2), page, PAGE_READWRITE, &old));
    cutStub[0] = 0xFF;
    cutStub[1] = 0x25;
    ASSERT_TRUE(VirtualProtect(pages.Page(2), page, PAGE_EXECUTE_READ, &old));
    EXPECT_EQ(ConvertAddress(cutStub), cutStub);
    EXPECT_EQ(ConvertAddress(pages.Page(0) + 1024), pages.Page(0) + 1024) << "90 90 ... is no stub";
    EXPECT_EQ(ConvertAddress(pages.Page(3)), pages.Page(3));
    EXPECT_EQ(ConvertAddress(nullptr), nullptr);
    const void* plain = reinterpret_cast<const void*>(&IsValidBlockAddr);
    if (static_cast<const unsigned char*>(plain)[0] != 0xFF) {
        EXPECT_EQ(ConvertAddress(plain), plain);
    }
}

ZV_CHILD_MODE(PrintIntoIDE)
{
    std::printf("IntoIDE=%d\n", IntoIDE() ? 1 : 0);
    return 0;
}

TEST(IntoIDE, TrueOnlyForTheDevelopmentEnvironmentsExecutable)
{
    EXPECT_FALSE(IntoIDE());
    ScratchDir dir;
    const std::string copy = dir.File("bds.exe");
    ASSERT_TRUE(CopyFileA(GetModuleName(nullptr).c_str(), copy.c_str(), TRUE)) << GetLastError();
    {
        ChildProcess child = ChildProcess::StartProgram(copy, {"--zv-child=PrintIntoIDE"});
        EXPECT_EQ(child.WaitForExit(60'000), 0u);
        EXPECT_EQ(child.Output(), "IntoIDE=1\n");
    }
    ChildProcess plain = ChildProcess::Start("PrintIntoIDE");
    EXPECT_EQ(plain.WaitForExit(60'000), 0u);
    EXPECT_EQ(plain.Output(), "IntoIDE=0\n");
}

} // namespace
