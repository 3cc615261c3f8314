// The call forms the scan recognises behind a return address, for i686 and x86-64 code:
// each planted form ends at the same return address in a code page of int3 bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "exceptions/ExceptionLogStack.h"
#include "tests/exceptions/ExceptionLog_stack_memory.h"
#include "tests/exceptions/code_bytes.h"

namespace {

constexpr std::uintptr_t CodeBase = 0x10000;
constexpr std::uintptr_t ReturnAddress = 0x10100;
constexpr std::uintptr_t Procedure = 0x10800;  // a called procedure: push ebp / mov ebp,esp
constexpr std::uintptr_t Slot = 0x10900;       // an import slot inside the code page
constexpr std::uintptr_t Unreadable = 0x7FFF0000;

struct TFormCase {
    const char* Name;
    TStackCodeKind Kind;
    std::vector<std::uint8_t> Bytes; // ending at the return address
    int Site;                        // the call site relative to the return address; 0: none
};

const std::int64_t ToProcedure = static_cast<std::int64_t>(Procedure) - static_cast<std::int64_t>(ReturnAddress);
const std::int64_t ToSlot = static_cast<std::int64_t>(Slot) - static_cast<std::int64_t>(ReturnAddress);
const std::int64_t ToNowhere = static_cast<std::int64_t>(Unreadable) - static_cast<std::int64_t>(ReturnAddress);

const TFormCase FormCases[] = {
    // i686, in the order the forms are tested.
    {"i386_call_rel32", sckI386, Cat({0xE8}, Le32(ToProcedure)), -5},
    {"i386_call_rel32_unreadable_target", sckI386, Cat({0xE8}, Le32(ToNowhere)), 0},
    {"i386_call_eax", sckI386, {0xFF, 0xD0}, -2},
    {"i386_call_edi", sckI386, {0xFF, 0xD7}, -2},
    {"i386_ff_d0_inside_an_immediate", sckI386, {0x05, 0x00, 0xFF, 0xD0}, -2},
    {"i386_call_mem_eax", sckI386, {0xFF, 0x10}, -2},
    {"i386_call_mem_edi", sckI386, {0xFF, 0x17}, -2},
    {"i386_ff_14_without_sib_24", sckI386, {0xFF, 0x14}, 0},
    {"i386_call_mem_ebp_is_no_form", sckI386, {0xFF, 0x15}, 0},
    {"i386_call_disp8_after_mov_at_6", sckI386, {0x8B, 0x45, 0x08, 0xFF, 0x50, 0x04}, -3},
    {"i386_call_disp8_after_mov_at_5", sckI386, {0x8B, 0x40, 0xFF, 0x57, 0x04}, -3},
    {"i386_call_disp8_without_mov", sckI386, {0x89, 0x45, 0x08, 0xFF, 0x50, 0x04}, 0},
    {"i386_call_disp32_small", sckI386, Cat({0xFF, 0x90}, Le32(0x100)), -6},
    {"i386_call_disp32_lowest", sckI386, Cat({0xFF, 0x97}, Le32(-0x4000)), -6},
    {"i386_call_disp32_too_far", sckI386, Cat({0xFF, 0x90}, Le32(0x5000)), 0},
    {"i386_call_esp", sckI386, {0xFF, 0x14, 0x24}, -3},
    {"i386_call_esp_disp8", sckI386, {0xFF, 0x54, 0x24, 0x10}, -4},
    {"i386_call_esp_disp32", sckI386, Cat({0xFF, 0x94, 0x24}, Le32(0x1000)), -7},
    {"i386_call_absolute", sckI386, Cat({0xFF, 0x15}, Le32(Slot)), -6},
    {"i386_call_absolute_unreadable_slot", sckI386, Cat({0xFF, 0x15}, Le32(Unreadable)), 0},
    {"i386_plain_code", sckI386, {0x8B, 0x45, 0x08, 0x5D, 0xC3}, 0},

    // x86-64: each FF /2 form with and without a REX prefix.
    {"x64_call_rel32", sckX64, Cat({0xE8}, Le32(ToProcedure)), -5},
    {"x64_call_rel32_unreadable_target", sckX64, Cat({0xE8}, Le32(ToNowhere)), 0},
    {"x64_call_rax", sckX64, {0xFF, 0xD0}, -2},
    {"x64_call_r11", sckX64, {0x41, 0xFF, 0xD3}, -3},
    {"x64_call_mem_rax", sckX64, {0xFF, 0x10}, -2},
    {"x64_call_mem_r15", sckX64, {0x41, 0xFF, 0x17}, -3},
    {"x64_call_mem_rsp", sckX64, {0xFF, 0x14, 0x24}, -3},
    {"x64_call_mem_r12", sckX64, {0x41, 0xFF, 0x14, 0x24}, -4},
    {"x64_call_disp8", sckX64, {0xFF, 0x50, 0x08}, -3},
    {"x64_call_disp8_rex", sckX64, {0x48, 0xFF, 0x50, 0x08}, -4},
    {"x64_call_rsp_disp8", sckX64, {0xFF, 0x54, 0x24, 0x08}, -4},
    {"x64_call_r12_disp8", sckX64, {0x41, 0xFF, 0x54, 0x24, 0x08}, -5},
    {"x64_call_disp32", sckX64, Cat({0xFF, 0x90}, Le32(0x100)), -6},
    {"x64_call_disp32_rex", sckX64, Cat({0x41, 0xFF, 0x93}, Le32(0x208)), -7},
    {"x64_call_disp32_too_far", sckX64, Cat({0xFF, 0x90}, Le32(0x5000)), 0},
    {"x64_call_rsp_disp32", sckX64, Cat({0xFF, 0x94, 0x24}, Le32(0x1000)), -7},
    {"x64_call_r12_disp32", sckX64, Cat({0x41, 0xFF, 0x94, 0x24}, Le32(0x1000)), -8},
    {"x64_call_rip_relative", sckX64, Cat({0xFF, 0x15}, Le32(ToSlot)), -6},
    {"x64_call_rip_relative_unreadable_slot", sckX64, Cat({0xFF, 0x15}, Le32(ToNowhere)), 0},
    {"x64_plain_code", sckX64, {0x48, 0x8B, 0x45, 0x08, 0x5D, 0xC3}, 0},
};

// A page of int3 bytes holding a called procedure and an import slot that leads to it.
void PlantCodePage(TPlantedMemory& memory)
{
    memory.AddRegion(CodeBase, 0x1000, true, 0xCC);
    memory.Put(Procedure, {0x55, 0x89, 0xE5, 0x5D, 0xC3});
    memory.PutWord(Slot, Procedure, 8);
}

class CallForms : public testing::TestWithParam<TFormCase> {};

TEST_P(CallForms, FindTheCallSiteEndingAtTheReturnAddress)
{
    const TFormCase& form = GetParam();
    TPlantedMemory memory;
    PlantCodePage(memory);
    memory.Put(ReturnAddress - form.Bytes.size(), form.Bytes);

    std::uintptr_t called = 1;
    const std::uintptr_t site = CallSiteBefore(memory, form.Kind, ReturnAddress, false, called);
    const std::uintptr_t expected = form.Site ? ReturnAddress - static_cast<std::uintptr_t>(-form.Site) : 0;
    EXPECT_EQ(site, expected);
    EXPECT_EQ(called, 0u) << "nothing is followed unless asked";
}

INSTANTIATE_TEST_SUITE_P(Planted, CallForms, testing::ValuesIn(FormCases),
                         [](const testing::TestParamInfo<TFormCase>& info) { return std::string(info.param.Name); });

// A direct call's target through an import stub: the procedure behind the stub is the
// called procedure; a target that is itself a direct call is not added.
struct TFollowCase {
    const char* Name;
    TStackCodeKind Kind;
    std::vector<std::uint8_t> Target; // bytes at the call's target
    std::uintptr_t Called;            // expected called procedure; 0: none
};

constexpr std::uintptr_t Target = 0x10A00;

class FollowTargets : public testing::TestWithParam<TFollowCase> {};

TEST_P(FollowTargets, AddTheCalledProcedure)
{
    const TFollowCase& test = GetParam();
    TPlantedMemory memory;
    PlantCodePage(memory);
    memory.Put(Target, test.Target);
    memory.Put(ReturnAddress - 5, Cat({0xE8}, Le32(static_cast<std::int64_t>(Target) - ReturnAddress)));

    std::uintptr_t called = 0;
    EXPECT_EQ(CallSiteBefore(memory, test.Kind, ReturnAddress, true, called), ReturnAddress - 5);
    EXPECT_EQ(called, test.Called);
}

const TFollowCase FollowCases[] = {
    {"i386_plain_procedure", sckI386, {0x55, 0x89, 0xE5, 0x90, 0x90}, Target},
    {"i386_import_stub", sckI386, Cat({0xFF, 0x25}, Le32(Slot)), Procedure},
    {"i386_target_is_a_call", sckI386, Cat({0xE8}, Le32(0)), 0},
    {"x64_import_stub", sckX64, Cat({0xFF, 0x25}, Le32(static_cast<std::int64_t>(Slot) - (Target + 6))), Procedure},
    {"x64_stub_with_unreadable_slot", sckX64, Cat({0xFF, 0x25}, Le32(0x70000000)), Target},
};

INSTANTIATE_TEST_SUITE_P(Planted, FollowTargets, testing::ValuesIn(FollowCases),
                         [](const testing::TestParamInfo<TFollowCase>& info) { return std::string(info.param.Name); });

} // namespace
