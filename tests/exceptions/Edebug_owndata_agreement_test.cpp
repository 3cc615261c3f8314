// The own debug data that the build writes from this exe's DWARF (zv_exception_data,
// tools/eldata/debug_data.py) against the runs it lists beside the exe: for every address
// of every run, the reader over this module's own data block and code gives the run's
// unit, class, procedure, line and procedure line; every edge address gives nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EcoreDataBlock.h"
#include "exceptions/EcoreModuleData.h"
#include "exceptions/EdebugOwnData.h"
#include "tests/exceptions/Edebug_owndata_agreement_runs.h"

// A function of this file at a known address, not inlined, with external linkage (so its
// DWARF has a linkage name, which gives the class), so that the data must name it.
namespace zv_agreement {
__attribute__((noinline)) int Anchor(int value)
{
    volatile int copy = value;
    return copy + 1;
}
} // namespace zv_agreement

namespace {

// The password the build gives this exe's data block (CMakeLists.txt).
const std::string AgreementPassword = "Agreement pass";

std::string ModuleFileName()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length == 0 || length == MAX_PATH ? std::string() : std::string(path, length);
}

struct TOwnModule {
    const std::uint8_t* Base = nullptr;
    std::uint32_t ImageSize = 0;
    TModuleDataBlock Block;
    TOwnDebugDataKey Key;

    bool ReadCode(std::uint32_t address, void* buffer, std::size_t length) const
    {
        if (address > ImageSize || length > ImageSize - address) return false;
        std::memcpy(buffer, Base + address, length);
        return true;
    }
    TOwnDebugLocation Find(const std::string& data, std::uint32_t address) const
    {
        return FindOwnDebugLocation(data.data(), data.size(), Key, address,
                                    [this](std::uint32_t at, void* out, std::size_t n) { return ReadCode(at, out, n); });
    }
};

std::optional<TOwnModule> LoadOwnModule()
{
    TOwnModule module;
    module.Base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module.Base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(module.Base + dos->e_lfanew);
    module.ImageSize = nt->OptionalHeader.SizeOfImage;
    std::optional<TModuleDataBlock> block = ReadModuleDataBlock(nullptr);
    if (!block) return std::nullopt;
    module.Block = std::move(*block);
    module.Key = {module.Block.DataVersion, AgreementPassword, IsBlockPassword(module.Block, AgreementPassword)};
    return module;
}

// One unit of the data on its own (a unit count of 1, then the unit's bytes), read from the
// documented layout, so that each address's lookup walks only its own unit's records.
struct TUnitView {
    std::uint32_t Start = 0, End = 0;
    std::string Data;
};

std::uint32_t U32At(const std::string& data, std::size_t at)
{
    if (at + 4 > data.size()) throw std::runtime_error("the own debug data ends inside a unit header");
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(data[at + i]);
    return value;
}

std::vector<TUnitView> SplitUnits(const std::string& data)
{
    std::vector<TUnitView> units;
    const std::uint32_t count = U32At(data, 0);
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t begin = at;
        for (bool more = true; more;) {
            if (at >= data.size()) throw std::runtime_error("the own debug data ends inside a unit name");
            const auto length = static_cast<std::uint8_t>(data[at]);
            more = (length & 0x80) != 0;
            at += 1 + (length & 0x7F);
        }
        TUnitView unit;
        unit.Start = U32At(data, at + 4);
        unit.End = unit.Start + U32At(data, at + 8);
        at += 16 + U32At(data, at + 12);
        if (at > data.size()) throw std::runtime_error("the own debug data ends inside a unit's records");
        unit.Data = std::string("\x01\0\0\0", 4) + data.substr(begin, at - begin);
        units.push_back(std::move(unit));
    }
    return units;
}

std::string ReaderUnitName(const std::string& unit)
{
    // With a valid password the reader gives a name without extension ".cpp".
    return unit.find('.') == std::string::npos ? unit + ".cpp" : unit;
}

// What differs between the reader's answer and the run's, empty when nothing does.
std::string Difference(const TOwnDebugLocation& found, const TExpectedDebugRun& run)
{
    if (!found.Found) return "not found";
    std::string result;
    const auto add = [&result](const char* what, const std::string& got, const std::string& wanted) {
        if (got != wanted) result += std::string(" ") + what + " " + got + " (expected " + wanted + ")";
    };
    add("unit", found.UnitName, ReaderUnitName(run.Unit));
    add("class", found.ClassName, run.ClassName);
    add("procedure", found.ProcedureName, run.ProcedureName);
    add("line", std::to_string(found.Line), std::to_string(run.Line));
    add("procedure line", std::to_string(found.ProcedureLine), std::to_string(run.ProcedureLine));
    return result;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

class OwnDebugDataAgreement : public testing::Test {
protected:
    void SetUp() override
    {
        std::optional<TOwnModule> module = LoadOwnModule();
        ASSERT_TRUE(module) << "this exe carries no data block";
        FModule = std::move(*module);
        ASSERT_TRUE(FModule.Key.PasswordValid);
        ASSERT_FALSE(FModule.Block.DebugData.empty()) << "the build gave this exe no own debug data";
        FRuns = ReadExpectedDebugRuns(ModuleFileName() + ".debug-expected.tsv");
        FEdges = ReadExpectedDebugEdges(ModuleFileName() + ".debug-edges.tsv");
        ASSERT_FALSE(FRuns.empty());
    }

    TOwnModule FModule;
    std::vector<TExpectedDebugRun> FRuns;
    std::vector<std::uint32_t> FEdges;
};

TEST_F(OwnDebugDataAgreement, NoAddressIsDescribedTwice)
{
    std::vector<TExpectedDebugRun> runs = FRuns;
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.Start < b.Start; });
    for (std::size_t i = 1; i < runs.size(); ++i)
        ASSERT_LE(runs[i - 1].End, runs[i].Start) << "runs at " << Hex(runs[i - 1].Start) << " and " << Hex(runs[i].Start);
    const std::vector<TUnitView> units = SplitUnits(FModule.Block.DebugData);
    for (std::size_t i = 1; i < units.size(); ++i)
        ASSERT_LE(units[i - 1].End, units[i].Start) << "units at " << Hex(units[i - 1].Start);
}

TEST_F(OwnDebugDataAgreement, NamesAFunctionOfThisFile)
{
    const auto base = reinterpret_cast<std::uintptr_t>(FModule.Base);
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&zv_agreement::Anchor) - base);
    EXPECT_EQ(zv_agreement::Anchor(1), 2);
    const TOwnDebugLocation found = FModule.Find(FModule.Block.DebugData, address);
    ASSERT_TRUE(found.Found);
    EXPECT_EQ(found.UnitName, "tests/exceptions/Edebug_owndata_agreement_test.cpp");
    EXPECT_EQ(found.ClassName, "zv_agreement");
    EXPECT_EQ(found.ProcedureName, "Anchor");
    EXPECT_GT(found.Line, 0);
}

TEST_F(OwnDebugDataAgreement, EveryAddressOfEveryRun)
{
    const std::vector<TUnitView> units = SplitUnits(FModule.Block.DebugData);
    std::vector<std::uint32_t> starts;
    for (const TUnitView& unit : units) starts.push_back(unit.Start);
    std::size_t checked = 0, wrong = 0;
    for (const TExpectedDebugRun& run : FRuns) {
        auto at = std::upper_bound(starts.begin(), starts.end(), run.Start);
        ASSERT_NE(at, starts.begin()) << "no unit holds the run at " << Hex(run.Start);
        const TUnitView& unit = units[static_cast<std::size_t>(at - starts.begin()) - 1];
        ASSERT_LE(run.End, unit.End) << "the run at " << Hex(run.Start) << " leaves its unit";
        for (std::uint32_t address = run.Start; address < run.End; ++address) {
            ++checked;
            const std::string difference = Difference(FModule.Find(unit.Data, address), run);
            if (!difference.empty() && ++wrong <= 20) ADD_FAILURE() << Hex(address) << ":" << difference;
        }
    }
    EXPECT_EQ(wrong, 0u);
    std::printf("own debug data: %zu addresses of %zu runs checked\n", checked, FRuns.size());
}

TEST_F(OwnDebugDataAgreement, UnitEdgesInTheWholeData)
{
    // The walk over the units before the one that holds an address, at the first and the
    // last byte of units spread over the data (every 16th and the last: each lookup passes
    // all units before its own).
    const std::vector<TUnitView> units = SplitUnits(FModule.Block.DebugData);
    std::vector<std::uint32_t> addresses;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (i % 16 != 0 && i + 1 != units.size()) continue;
        addresses.push_back(units[i].Start);
        addresses.push_back(units[i].End - 1);
    }
    std::size_t wrong = 0;
    for (const std::uint32_t address : addresses) {
        const auto run = std::find_if(FRuns.begin(), FRuns.end(),
                                      [address](const auto& r) { return r.Start <= address && address < r.End; });
        ASSERT_NE(run, FRuns.end()) << "no run holds the unit byte " << Hex(address);
        const std::string difference = Difference(FModule.Find(FModule.Block.DebugData, address), *run);
        if (!difference.empty() && ++wrong <= 20) ADD_FAILURE() << Hex(address) << ":" << difference;
    }
    EXPECT_EQ(wrong, 0u);
}

TEST_F(OwnDebugDataAgreement, EdgesAreNotFound)
{
    ASSERT_FALSE(FEdges.empty());
    for (const std::uint32_t address : FEdges)
        EXPECT_FALSE(FModule.Find(FModule.Block.DebugData, address).Found) << Hex(address);
    std::printf("own debug data: %zu edge addresses checked\n", FEdges.size());
}

} // namespace
