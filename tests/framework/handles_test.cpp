#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "framework/handles.h"
#include "tests/support/scratch_dir.h"

namespace {

// A named event is gone once its last handle is closed, which OpenEvent can tell; a
// closed handle value alone could be reused by the next handle the process opens.
class NamedEvent {
public:
    explicit NamedEvent(const char* what)
        : FName(std::string("zv-handles-test-") + what + "-" + std::to_string(GetCurrentProcessId()))
    {
    }
    HANDLE Create() const { return CreateEventA(nullptr, TRUE, FALSE, FName.c_str()); }
    bool Exists() const
    {
        HANDLE probe = OpenEventA(SYNCHRONIZE, FALSE, FName.c_str());
        if (!probe) return false;
        CloseHandle(probe);
        return true;
    }

private:
    std::string FName;
};

TEST(KernelHandle, ClosesWhatItOwnsWhenItGoes)
{
    const NamedEvent event("close");
    {
        const TKernelHandle handle(event.Create());
        ASSERT_TRUE(handle.IsValid()) << GetLastError();
        EXPECT_TRUE(event.Exists());
    }
    EXPECT_FALSE(event.Exists());
}

TEST(KernelHandle, MovesTransferOwnershipAndAssignmentClosesTheOldHandle)
{
    const NamedEvent first("move-first"), second("move-second");
    TKernelHandle a(first.Create());
    ASSERT_TRUE(a);
    TKernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(a.Get(), nullptr);
    EXPECT_TRUE(first.Exists());

    TKernelHandle c(second.Create());
    ASSERT_TRUE(c);
    c = std::move(b);  // c's own event goes, the moved-in one stays
    EXPECT_FALSE(second.Exists());
    EXPECT_TRUE(first.Exists());
    EXPECT_FALSE(b);

    TKernelHandle& alias = c;
    c = std::move(alias);
    EXPECT_TRUE(c);
    EXPECT_TRUE(first.Exists());
    c.Reset();
    EXPECT_FALSE(first.Exists());
}

TEST(KernelHandle, ReleaseGivesUpOwnership)
{
    const NamedEvent event("release");
    HANDLE raw;
    {
        TKernelHandle handle(event.Create());
        raw = handle.Release();
        EXPECT_FALSE(handle);
    }
    EXPECT_TRUE(event.Exists());
    CloseHandle(raw);
    EXPECT_FALSE(event.Exists());
}

// The two kinds differ in what "no handle" is: INVALID_HANDLE_VALUE is the current
// process's pseudo handle for kernel calls, and null is what a failed OpenEvent returns.
TEST(HandleKinds, EachKnowsItsOwnInvalidValue)
{
    EXPECT_FALSE(TKernelHandle().IsValid());
    EXPECT_FALSE(TKernelHandle(nullptr).IsValid());
    TKernelHandle pseudo(GetCurrentProcess());
    EXPECT_TRUE(pseudo.IsValid());
    pseudo.Release();  // a pseudo handle is not closed

    EXPECT_EQ(TFileHandle().Get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(TFileHandle(INVALID_HANDLE_VALUE).IsValid());
    TFileHandle moved(TFileHandle{});
    EXPECT_FALSE(moved.IsValid());
}

HANDLE OpenExclusive(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

TEST(FileHandle, ClosesTheFileSoThatItCanBeOpenedAgain)
{
    zv::test::ScratchDir dir;
    const std::string path = dir.File("exclusive.bin");
    {
        const TFileHandle file(OpenExclusive(path));
        ASSERT_TRUE(file) << GetLastError();
        HANDLE second = OpenExclusive(path);
        EXPECT_EQ(second, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    }
    const TFileHandle again(OpenExclusive(path));
    EXPECT_TRUE(again) << GetLastError();
}

TEST(FileHandle, AMovedFromHandleIsInvalidAndClosesNothing)
{
    zv::test::ScratchDir dir;
    const std::string path = dir.File("moved.bin");
    std::optional<TFileHandle> target;
    {
        TFileHandle file(OpenExclusive(path));
        ASSERT_TRUE(file);
        target.emplace(std::move(file));
        EXPECT_EQ(file.Get(), INVALID_HANDLE_VALUE);
    }
    // Still open: the moved-from owner closed nothing.
    EXPECT_EQ(OpenExclusive(path), INVALID_HANDLE_VALUE);
    target.reset();
    EXPECT_TRUE(TFileHandle(OpenExclusive(path)));
}

TEST(GdiOwners, DeleteTheirObjectAndDC)
{
    HGDIOBJ brush;
    HDC dc;
    {
        const TGdiObject owner(CreateSolidBrush(RGB(1, 2, 3)));
        const TCompatibleDC memory(CreateCompatibleDC(nullptr));
        ASSERT_TRUE(owner);
        ASSERT_TRUE(memory);
        brush = owner.Get();
        dc = memory.Get();
        EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(dc), 0u);
}

TEST(WindowDC, GivesTheDCBackOnceAndAMovedFromOneGivesNothing)
{
    HDC raw;
    {
        TWindowDC first = TWindowDC::ForClient(nullptr);
        ASSERT_TRUE(first) << GetLastError();
        raw = first.Get();
        TWindowDC second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), raw);
        EXPECT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_DC));
    }
    // A DC that was given back cannot be given back again.
    EXPECT_EQ(ReleaseDC(nullptr, raw), 0);
}

class SelectGuardTest : public ::testing::Test {
protected:
    HGDIOBJ Current() const { return GetCurrentObject(FDC.Get(), OBJ_BRUSH); }

    TCompatibleDC FDC{CreateCompatibleDC(nullptr)};
    TGdiObject FRed{CreateSolidBrush(RGB(255, 0, 0))};
    TGdiObject FBlue{CreateSolidBrush(RGB(0, 0, 255))};
    HGDIOBJ FOriginal = GetCurrentObject(FDC.Get(), OBJ_BRUSH);
};

TEST_F(SelectGuardTest, RestoresThePreviousObjectInNestingOrder)
{
    ASSERT_TRUE(FDC && FRed && FBlue && FOriginal);
    {
        const TSelectGuard red(FDC.Get(), FRed.Get());
        EXPECT_TRUE(red.Selected());
        EXPECT_EQ(Current(), FRed.Get());
        {
            const TSelectGuard blue(FDC.Get(), FBlue.Get());
            EXPECT_EQ(Current(), FBlue.Get());
        }
        EXPECT_EQ(Current(), FRed.Get());
    }
    EXPECT_EQ(Current(), FOriginal);
}

TEST_F(SelectGuardTest, AMovedGuardRestoresOnceWhenItsLastOwnerGoes)
{
    std::optional<TSelectGuard> kept;
    {
        TSelectGuard guard(FDC.Get(), FRed.Get());
        kept.emplace(std::move(guard));
        EXPECT_FALSE(guard.Selected());
    }
    EXPECT_EQ(Current(), FRed.Get());
    kept->Restore();
    EXPECT_EQ(Current(), FOriginal);
    // Nothing more when it goes: a second restore would select the original over a newer selection.
    SelectObject(FDC.Get(), FBlue.Get());
    kept.reset();
    EXPECT_EQ(Current(), FBlue.Get());
    SelectObject(FDC.Get(), FOriginal);
}

TEST_F(SelectGuardTest, ANullObjectSelectsAndRestoresNothing)
{
    SelectObject(FDC.Get(), FBlue.Get());
    {
        const TSelectGuard none(FDC.Get(), nullptr);
        EXPECT_FALSE(none.Selected());
        SelectObject(FDC.Get(), FRed.Get());
    }
    EXPECT_EQ(Current(), FRed.Get());
    SelectObject(FDC.Get(), FOriginal);
}

TEST(Menu, DestroysTheMenuItOwns)
{
    HMENU raw;
    {
        const TMenu menu(CreatePopupMenu());
        ASSERT_TRUE(menu) << GetLastError();
        raw = menu.Get();
        EXPECT_TRUE(IsMenu(raw));
    }
    EXPECT_FALSE(IsMenu(raw));
}

TEST_F(SelectGuardTest, SavedDCStateRestoresItsOwnLevelAlsoOverNewerSaves)
{
    SetTextColor(FDC.Get(), RGB(1, 1, 1));
    {
        const TSavedDCState outer(FDC.Get());
        ASSERT_TRUE(outer.Saved()) << GetLastError();
        SelectObject(FDC.Get(), FRed.Get());
        SetTextColor(FDC.Get(), RGB(2, 2, 2));
        {
            TSavedDCState inner(FDC.Get());
            const TSavedDCState moved(std::move(inner));
            EXPECT_FALSE(inner.Saved());
            SelectObject(FDC.Get(), FBlue.Get());
        }
        EXPECT_EQ(Current(), FRed.Get());
        EXPECT_EQ(GetTextColor(FDC.Get()), RGB(2, 2, 2));
        // A save the guard does not know of is dropped with its own level.
        SaveDC(FDC.Get());
        SelectObject(FDC.Get(), FBlue.Get());
    }
    EXPECT_EQ(Current(), FOriginal);
    EXPECT_EQ(GetTextColor(FDC.Get()), RGB(1, 1, 1));
    EXPECT_FALSE(TSavedDCState(nullptr).Saved());
}

DWORD WINAPI ReturnSeven(void*)
{
    return 7;
}

TEST(ThreadSuspension, SuspendsForItsLifetimeAndResumesOnce)
{
    // Created suspended, so the thread never runs while the test counts suspensions.
    const TKernelHandle thread(CreateThread(nullptr, 0, &ReturnSeven, nullptr, CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(thread) << GetLastError();
    {
        TThreadSuspension first(thread.Get());
        ASSERT_TRUE(first.Suspended()) << GetLastError();
        EXPECT_EQ(first.PreviousCount(), 1u);
        const TThreadSuspension moved(std::move(first));
        EXPECT_FALSE(first.Suspended());
        first.Resume();  // the moved-from guard resumes nothing
        EXPECT_EQ(SuspendThread(thread.Get()), 2u);
        ResumeThread(thread.Get());
    }
    // Back to the creation's suspension only.
    EXPECT_EQ(ResumeThread(thread.Get()), 1u);
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 10'000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread.Get(), &code));
    EXPECT_EQ(code, 7u);
}

TEST(ThreadSuspension, AHandleThatCannotBeSuspendedLeavesTheGuardEmpty)
{
    const NamedEvent event("not-a-thread");
    const TKernelHandle notAThread(event.Create());
    const TThreadSuspension guard(notAThread.Get());
    EXPECT_FALSE(guard.Suspended());
    EXPECT_FALSE(TThreadSuspension(nullptr).Suspended());
}

} // namespace
