#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "exceptions/Ehook.h"
#include "tests/exceptions/vmt_samples.h"

namespace {

// A virtual method is called as a function with the object first; on x86, GCC passes
// `this` in ECX (thiscall), so the replacement must too.
#if defined(__i386__)
#define ZV_THISCALL __attribute__((thiscall))
#else
#define ZV_THISCALL
#endif

using TValueMethod = int(ZV_THISCALL*)(const TVmtSample* self);

TValueMethod GPreviousValue = nullptr;

int ZV_THISCALL ValueReplacement(const TVmtSample* self)
{
    return 100 + GPreviousValue(self);
}

int ZV_THISCALL OtherReplacement(const TVmtSample* self)
{
    return 1000 + self->Base();
}

void* Method(TValueMethod method)
{
    return reinterpret_cast<void*>(method);
}

TEST(VirtualMethodPatch, ReplacesTheSlotOfOneClassAndRestoresIt)
{
    std::unique_ptr<TVmtSample> sample(NewVmtSample(false));
    std::unique_ptr<TVmtSample> child(NewVmtSample(true));
    ASSERT_EQ(CallValue(*sample), 1);
    ASSERT_EQ(CallValue(*child), 2);

    const int index = VirtualMethodIndex(&TVmtSample::Value);
    ASSERT_GT(index, VirtualMethodIndex(&TObject::ClassType)) << "declared after the inherited methods";
    const TVirtualTable table = VirtualTableOf(sample.get());

    GPreviousValue = reinterpret_cast<TValueMethod>(HookVirtualMethod(table, index, Method(&ValueReplacement)));
    ASSERT_NE(GPreviousValue, nullptr);
    EXPECT_EQ(CallValue(*sample), 101);
    EXPECT_EQ(CallValue(*child), 2) << "a derived class has its own table";
    std::unique_ptr<TVmtSample> later(NewVmtSample(false));
    EXPECT_EQ(CallValue(*later), 101) << "every object of the class";

    EXPECT_EQ(HookVirtualMethod(table, index, Method(&ValueReplacement)), Method(GPreviousValue))
        << "patching again with the same method gives the recorded previous";
    EXPECT_EQ(CallValue(*sample), 101);

    EXPECT_TRUE(UnhookVirtualMethod(table, index));
    EXPECT_EQ(CallValue(*sample), 1);
    EXPECT_FALSE(UnhookVirtualMethod(table, index));
}

TEST(VirtualMethodPatch, StackedPatchesComeOffLastFirst)
{
    std::unique_ptr<TVmtSample> sample(NewVmtSample(false));
    const int index = VirtualMethodIndex(&TVmtSample::Value);
    const TVirtualTable table = VirtualTableOf(sample.get());
    void* original = table[index];

    GPreviousValue = reinterpret_cast<TValueMethod>(HookVirtualMethod(table, index, Method(&ValueReplacement)));
    EXPECT_EQ(HookVirtualMethod(table, index, Method(&OtherReplacement)), Method(&ValueReplacement));
    EXPECT_EQ(CallValue(*sample), 1000 + 7);
    EXPECT_TRUE(UnhookVirtualMethod(table, index));
    EXPECT_EQ(CallValue(*sample), 101);
    EXPECT_TRUE(UnhookVirtualMethod(table, index));
    EXPECT_EQ(table[index], original);
}

TEST(VirtualMethodPatch, RefusesSlotsOutsideModules)
{
    // A table on the heap belongs to no module.
    void* fakeTable[4] = {nullptr, nullptr, nullptr, nullptr};
    auto* heapTable = new void*[4]{};
    EXPECT_EQ(HookVirtualMethod(heapTable, 1, Method(&ValueReplacement)), nullptr);
    EXPECT_EQ(heapTable[1], nullptr) << "left untouched";
    delete[] heapTable;
    EXPECT_EQ(HookVirtualMethod(fakeTable, -1, Method(&ValueReplacement)), nullptr);
    EXPECT_FALSE(UnhookVirtualMethod(fakeTable, 1));
}

TEST(VirtualMethodPatch, MemberPointersGiveTheirSlots)
{
    EXPECT_EQ(VirtualMethodIndex(&TVmtSample::Base), -1) << "not virtual";
    EXPECT_EQ(VirtualMethodIndex(&TVmtSample::Other), VirtualMethodIndex(&TVmtSample::Value) + 1);
}

} // namespace
