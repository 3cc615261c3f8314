// The export directory reader and the export list builder, on the crafted images that
// Edebug_exports_images.py writes from the documented PE layout, with what each image must
// give (Edebug_exports_fixtures/cases.txt beside the test exe; see CMakeLists.txt).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "exceptions/EdebugExports.h"
#include "tests/exceptions/Edebug_exports_fixtures.h"

namespace {

struct TExpectedExport {
    std::string Name;
    std::uintptr_t Address;
    std::uintptr_t CodeSize;
};

struct TImageCase {
    std::string File;
    std::uintptr_t Base = 0;
    std::vector<TExportDirectoryEntry> Entries;
    std::map<std::string, std::uintptr_t> Resolve;
    std::vector<TExpectedExport> Exports;
};

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    return fields;
}

std::uintptr_t Hex(const std::string& text)
{
    return static_cast<std::uintptr_t>(std::stoull(text, nullptr, 16));
}

std::map<std::string, TImageCase> ReadCases()
{
    std::istringstream in(ReadExportsFixture("cases.txt"));
    std::map<std::string, TImageCase> cases;
    TImageCase* current = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitTabs(line);
        if (f.empty()) continue;
        if (f[0] == "case" && f.size() == 4) {
            current = &cases[f[1]];
            current->File = f[2];
            current->Base = Hex(f[3]);
        } else if (f[0] == "entry" && f.size() == 5 && current) {
            TExportDirectoryEntry entry;
            entry.Name = f[1];
            entry.Ordinal = static_cast<std::uint16_t>(std::stoul(f[2]));
            entry.Address = static_cast<std::uint32_t>(Hex(f[3]));
            entry.Forwarder = f[4] == "1";
            current->Entries.push_back(entry);
        } else if (f[0] == "resolve" && f.size() == 3 && current) {
            current->Resolve[f[1]] = Hex(f[2]);
        } else if (f[0] == "export" && f.size() == 4 && current) {
            current->Exports.push_back({f[1], Hex(f[2]), static_cast<std::uintptr_t>(std::stoull(f[3]))});
        } else if (f[0] == "end") {
            current = nullptr;
        } else {
            throw std::runtime_error("cases.txt: unexpected line: " + line);
        }
    }
    return cases;
}

const std::map<std::string, TImageCase>& Cases()
{
    static const std::map<std::string, TImageCase> cases = ReadCases();
    return cases;
}

// The image in a heap block of exactly its size, so that the sanitizers see any read past it.
struct TImageBlock {
    std::unique_ptr<unsigned char[]> Bytes;
    std::size_t Size = 0;

    explicit TImageBlock(const std::string& bytes, std::size_t size)
        : Bytes(new unsigned char[size ? size : 1]), Size(size)
    {
        std::memcpy(Bytes.get(), bytes.data(), size);
    }
};

// Code reads as a loaded module's checks allow them: inside the image only.
TExportCodeReader ImageCodeReader(const TImageBlock& image, std::uintptr_t base)
{
    return [&image, base](std::uintptr_t address, void* buffer, std::size_t length) {
        if (address < base || address - base > image.Size || length > image.Size - (address - base)) return false;
        std::memcpy(buffer, image.Bytes.get() + (address - base), length);
        return true;
    };
}

TExportResolver CaseResolver(const TImageCase& c)
{
    return [&c](const std::string& name) -> std::uintptr_t {
        const auto found = c.Resolve.find(name);
        return found == c.Resolve.end() ? 0 : found->second;
    };
}

class EdebugExportsImage : public ::testing::TestWithParam<const char*> {
protected:
    const TImageCase& Case() const
    {
        const auto found = Cases().find(GetParam());
        if (found == Cases().end()) throw std::runtime_error(std::string("no case ") + GetParam() + " in cases.txt");
        return found->second;
    }
};

TEST_P(EdebugExportsImage, DirectoryAndListAreWhatTheImageHolds)
{
    const TImageCase& c = Case();
    const std::string bytes = ReadExportsFixture(c.File);
    ASSERT_FALSE(bytes.empty());
    const TImageBlock image(bytes, bytes.size());

    const TExportDirectory directory = ReadExportDirectory(image.Bytes.get(), image.Size);
    ASSERT_EQ(directory.Entries.size(), c.Entries.size());
    for (std::size_t i = 0; i < c.Entries.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i) + " " + c.Entries[i].Name.substr(0, 20));
        EXPECT_EQ(directory.Entries[i].Name, c.Entries[i].Name);
        EXPECT_EQ(directory.Entries[i].Ordinal, c.Entries[i].Ordinal);
        EXPECT_EQ(directory.Entries[i].Address, c.Entries[i].Address);
        EXPECT_EQ(directory.Entries[i].Forwarder, c.Entries[i].Forwarder);
    }

    TVantrelFunctionsList list;
    BuildExportList(directory, c.Base, CaseResolver(c), ImageCodeReader(image, c.Base), list);
    ASSERT_EQ(list.Count(), static_cast<int>(c.Exports.size()));
    for (int i = 0; i < list.Count(); ++i) {
        SCOPED_TRACE("export " + std::to_string(i) + " " + c.Exports[i].Name.substr(0, 20));
        EXPECT_EQ(list.GetItem(i)->Name, c.Exports[i].Name);
        EXPECT_EQ(list.GetItem(i)->Address, c.Exports[i].Address);
        EXPECT_EQ(list.GetItem(i)->CodeSize, c.Exports[i].CodeSize);
    }
}

// Every case of the generator, the well-formed images of both forms first.
INSTANTIATE_TEST_SUITE_P(Crafted, EdebugExportsImage,
    ::testing::Values("plain32", "plain64", "forwarder32", "forwarder64", "thunks32", "thunks64", "belowcode32",
                      "belowcode64", "longnames32", "longnames64", "morenames32", "morenames64", "morefuncs32",
                      "morefuncs64", "pages32", "pages64",
                      "notmz", "lfanewoutside", "lfanewwrap", "notpe", "badmagic", "norvas", "norvas64",
                      "shortoptional", "noexports", "diroutside", "dirwrap64", "truncateddir", "namesoutside",
                      "ordinalsoutside", "functionsoutside", "hugecounts", "badordinal", "nameoutside",
                      "nameunterminated", "badaddresses"),
    [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(EdebugExportsImage, EveryCaseOfTheGeneratorIsInTheTable)
{
    // A case added to the generator but not to the table would go untested.
    EXPECT_EQ(Cases().size(), 36u);
}

bool SameEntry(const TExportDirectoryEntry& a, const TExportDirectoryEntry& b)
{
    return a.Name == b.Name && a.Ordinal == b.Ordinal && a.Address == b.Address && a.Forwarder == b.Forwarder;
}

// An image cut anywhere gives only entries of the whole image (what the cut leaves of its
// tables), never bytes from behind the cut: the block ends at the cut.
TEST(EdebugExportsImage, EveryCutGivesOnlyEntriesOfTheWhole)
{
    for (const char* name : {"plain32", "forwarder64", "longnames32"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadExportsFixture(Cases().at(name).File);
        const TImageBlock whole(bytes, bytes.size());
        const TExportDirectory full = ReadExportDirectory(whole.Bytes.get(), whole.Size);
        ASSERT_FALSE(full.Entries.empty());
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            const TImageBlock cut(bytes, size);
            const TExportDirectory part = ReadExportDirectory(cut.Bytes.get(), cut.Size);
            for (const TExportDirectoryEntry& entry : part.Entries) {
                bool found = false;
                for (const TExportDirectoryEntry& other : full.Entries) found = found || SameEntry(entry, other);
                ASSERT_TRUE(found) << "cut at " << size << " gave " << entry.Name;
            }
        }
    }
}

TEST(EdebugExportsImage, NoImageGivesNothing)
{
    EXPECT_TRUE(ReadExportDirectory(nullptr, 4096).Entries.empty());
    const unsigned char zeros[512] = {};
    EXPECT_TRUE(ReadExportDirectory(zeros, sizeof(zeros)).Entries.empty());
}

TEST(EdebugExportsList, BuildAppendsAndSortsTheWholeList)
{
    const TImageCase& c = Cases().at("plain32");
    const std::string bytes = ReadExportsFixture(c.File);
    const TImageBlock image(bytes, bytes.size());
    TVantrelFunctionsList list;
    list.AddItem(new TVantrelFunctionInfo{"Earlier", c.Base + 0x215, 0});
    BuildExportList(ReadExportDirectory(image.Bytes.get(), image.Size), c.Base, nullptr, nullptr, list);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.GetItem(2)->Name, "Gamma");
    EXPECT_EQ(list.GetItem(3)->Name, "Earlier");
    for (int i = 1; i < list.Count(); ++i) EXPECT_LE(list.GetItem(i - 1)->Address, list.GetItem(i)->Address);
}

TEST(EdebugExportsList, WithoutResolverForwardersAreLeftOut)
{
    const TImageCase& c = Cases().at("forwarder32");
    const std::string bytes = ReadExportsFixture(c.File);
    const TImageBlock image(bytes, bytes.size());
    TVantrelFunctionsList list;
    BuildExportList(ReadExportDirectory(image.Bytes.get(), image.Size), c.Base, nullptr, nullptr, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0)->Name, "Local");
}

// The list owns its records: Delete and Clear free them (the sanitizers' leak check sees a
// record that stays), Extract hands one back to the caller.
TEST(EdebugExportsList, OwnsItsRecordsUntilExtracted)
{
    TVantrelFunctionsList list;
    list.AddItem(new TVantrelFunctionInfo{"One", 1, 0});
    auto* kept = new TVantrelFunctionInfo{"Two", 2, 0};
    list.AddItem(kept);
    list.AddItem(new TVantrelFunctionInfo{"Three", 3, 0});
    list.Delete(0);
    EXPECT_EQ(list.Extract(kept), kept);
    delete kept;
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0)->Name, "Three");
    EXPECT_TRUE(list.InheritsFrom("TList"));
    EXPECT_EQ(list.ClassName(), "TVantrelFunctionsList");
}

} // namespace
