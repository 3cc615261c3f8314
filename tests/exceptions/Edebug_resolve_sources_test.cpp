// The external debug sources over the files the fixture writers make from
// debug_fixtures/resolve_locations.json (Edebug_resolve_fixtures): where each finds its
// data, the order among them, broken files skipped, and the answers through the base's
// lookup. A module that is not loaded stands in: the sources are given its file name and a
// base address, and read nothing of its memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "exceptions/EdebugResolve.h"
#include "exceptions/EdebugSources.h"
#include "tests/exceptions/Edebug_resolve_expected.h"

#ifdef _WIN32
#include "framework/strutils.h"
#include "framework/sysutils.h"
#endif

namespace {

std::string FixturePath(const std::string& name)
{
#ifdef _WIN32
    const std::string exe = GetModuleName(nullptr);
    if (exe.empty()) throw std::runtime_error("the test exe's file name cannot be read");
    return ExtractFilePath(exe) + "Edebug_resolve_fixtures\\" + name;
#else
    return std::string(ZV_RESOLVE_FIXTURE_DIR) + "/" + name;
#endif
}

// A base no module of the test process uses; only offsets from it are computed.
void* const FakeBase = reinterpret_cast<void*>(std::uintptr_t(0x10000000));

const void* CodeAt(std::uint32_t offset)
{
    return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(FakeBase) + 0x1000 + offset);
}

void ExpectAnswers(const TELDebugInfoSource& source)
{
    // JEDI data gives units by their start only: its last unit has no end.
    const bool unitsEnd = source.ClassName() != "TELDebugInfoJedy";
    for (const zv::test::TResolveExpected& expected : zv::test::ResolveExpected) {
        SCOPED_TRACE(expected.Offset);
        TELLocationInfo info;
        ASSERT_TRUE(source.GetLocationInfo(CodeAt(expected.Offset), info));
        EXPECT_EQ(info.DebugInfo, &source);
        TVantrelDebugInfo entry;
        EntryFromLocation(info, true, entry);
        zv::test::ExpectSourceEntry(entry, expected, CodeAt(expected.Offset));
    }
    if (!unitsEnd) return;
    TELLocationInfo untouched;
    untouched.UnitName = "kept";
    EXPECT_FALSE(source.GetLocationInfo(CodeAt(0x200), untouched)) << "one byte behind the last unit";
    EXPECT_EQ(untouched.UnitName, "kept");
}

// The source AssignValidDebugInfo makes for a module "<stem>.dll" of the fixtures.
std::unique_ptr<TELDebugInfoSource> AssignedFor(const std::string& stem)
{
    TELDebugInfoSource* source = nullptr;
    const bool assigned = AssignValidDebugInfo(FakeBase, source, FixturePath(stem + ".dll"));
    EXPECT_EQ(assigned, source != nullptr);
    return std::unique_ptr<TELDebugInfoSource>(source);
}

TEST(ResolveSources, EachFormatBesideTheModuleAnswers)
{
    struct TCase {
        const char* Stem;
        const char* ClassName;
    } cases[] = {
        {"map_only", "TELDebugInfoMap"},
        {"tds_only", "TELDebugInfoTD32"},
        {"jdbg_only", "TELDebugInfoJedy"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Stem);
        const std::unique_ptr<TELDebugInfoSource> source = AssignedFor(c.Stem);
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->ClassName(), c.ClassName);
        EXPECT_EQ(source->Module(), FakeBase);
        EXPECT_EQ(source->GetFileName(), FixturePath(std::string(c.Stem) + ".dll"));
        ExpectAnswers(*source);
    }
}

TEST(ResolveSources, TheOrderIsMapThenTD32ThenJedi)
{
    struct TCase {
        const char* Stem;
        const char* ClassName; // "" for none
    } cases[] = {
        {"map_and_jdbg", "TELDebugInfoMap"},
        {"broken_map", "TELDebugInfoTD32"},  // a map without units, a good .tds
        {"broken_tds", "TELDebugInfoJedy"},  // signature FB0B, a good .jdbg
        {"broken_jdbg", ""},                 // a bad checksum and nothing else
        {"no_such_module", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Stem);
        const std::unique_ptr<TELDebugInfoSource> source = AssignedFor(c.Stem);
        if (*c.ClassName == '\0') {
            EXPECT_EQ(source, nullptr);
            continue;
        }
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->ClassName(), c.ClassName);
        ExpectAnswers(*source);
    }
}

TEST(ResolveSources, AnExistingSourceIsKept)
{
    TELDebugInfoSource* source = nullptr;
    ASSERT_TRUE(AssignValidDebugInfo(FakeBase, source, FixturePath("jdbg_only.dll")));
    TELDebugInfoSource* const first = source;
    EXPECT_TRUE(AssignValidDebugInfo(FakeBase, source, FixturePath("map_only.dll")));
    EXPECT_EQ(source, first);
    delete source;
}

TEST(ResolveSources, TD32InTheImagesDebugDirectory)
{
    TELPeBorTD32Image image(FixturePath("td32_image.exe"));
    EXPECT_TRUE(image.IsTD32DebugPresent());
    EXPECT_TRUE(image.InImage());
    TELPeBorTD32Image beside(FixturePath("tds_only.dll"));
    EXPECT_TRUE(beside.IsTD32DebugPresent());
    EXPECT_FALSE(beside.InImage());

    TELDebugInfoTD32 source(FakeBase, FixturePath("td32_image.exe"));
    ASSERT_TRUE(source.InitializeSource());
    ASSERT_TRUE(source.ValidData());
    ExpectAnswers(source);
}

TEST(ResolveSources, SideFileNames)
{
    struct TCase {
        const char* Module;
        const char* Side;
    } cases[] = {
        {"C:\\app\\prog.exe", "C:\\app\\prog.map"},
        {"C:\\app.d\\prog", "C:\\app.d\\prog.map"},
        {"/a/b.c/lib.so.1", "/a/b.c/lib.so.map"},
        {"lib.dll", "lib.map"},
        {"", ".map"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Module);
        EXPECT_EQ(ChangeFileExtension(c.Module, ".map"), c.Side);
    }
}

TEST(ResolveSources, SectionOfAnImageFile)
{
    const auto image = ReadDebugFile(FixturePath("td32_image.exe"));
    ASSERT_TRUE(image.has_value());
    // The crafted image's sections: ".text" (0x200 bytes at 0x400), ".debug" after it.
    const auto text = FindPeSectionData(image->data(), image->size(), ".text");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->Offset, 0x400u);
    EXPECT_EQ(text->Size, 0x200u);
    const auto debug = FindPeSectionData(image->data(), image->size(), ".debug");
    ASSERT_TRUE(debug.has_value());
    EXPECT_EQ(debug->Offset, 0x600u);
    EXPECT_EQ(debug->Offset + debug->Size, image->size());
    EXPECT_FALSE(FindPeSectionData(image->data(), image->size(), "JCLDEBUG").has_value());
    EXPECT_FALSE(FindPeSectionData(image->data(), image->size(), ".tex").has_value());
    // Every cut of the headers is refused or answered from inside the bytes.
    for (std::size_t size = 0; size < 0x400; ++size) {
        const auto cut = FindPeSectionData(image->data(), size, ".debug");
        if (cut) {
            EXPECT_LE(cut->Offset + cut->Size, size);
        }
    }
    EXPECT_FALSE(FindPeSectionData(nullptr, 0, ".text").has_value());
}

} // namespace
