// The per-module shared memory as a real named mapping: one writer, readers in the same
// process, and mappings made by hand with lying or incomplete headers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "exceptions/EcoreSharedMemory.h"

namespace {

// Module handles for the tests: not loaded modules, so no other test or copy of the
// library can use the same names.
const void* FakeModule(std::uintptr_t n)
{
    return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x7E000000) + n * 0x10000);
}

std::string NameFor(const void* module)
{
    return SharedDataName(GetCurrentProcessId(), reinterpret_cast<std::uintptr_t>(module));
}

std::optional<std::string> Read(const void* module)
{
    return ReadSharedOptions(GetCurrentProcessId(), module);
}

// The bytes at the start of the mapping, read through a handle of the test's own.
std::string MappedBytes(const std::string& name, std::size_t count)
{
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    EXPECT_NE(mapping, nullptr) << "no mapping named " << name;
    if (!mapping) return {};
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    EXPECT_NE(view, nullptr);
    std::string bytes;
    if (view) {
        bytes.assign(static_cast<const char*>(view), count);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return bytes;
}

TEST(SharedOptionsMapping, WriterWritesAndAReaderInTheProcessReads)
{
    const void* module = FakeModule(1);
    EXPECT_FALSE(Read(module).has_value());
    {
        TSharedOptionsMapping writer(module);
        EXPECT_EQ(writer.Name(), NameFor(module));
        EXPECT_FALSE(Read(module).has_value()) << "nothing exists before the first write";
        const std::string stream("\x10\x00\xFFoptions", 10);
        ASSERT_TRUE(writer.Write(stream));
        EXPECT_EQ(Read(module), stream);
        EXPECT_FALSE(Read(FakeModule(2)).has_value()) << "another module's mapping";
        EXPECT_FALSE(ReadSharedOptions(GetCurrentProcessId() + 4, module).has_value()) << "another process";
    }
    EXPECT_FALSE(Read(module).has_value()) << "the mapping lives only as long as its writer";
}

TEST(SharedOptionsMapping, LayoutSeenThroughAHandleOfOurOwn)
{
    const void* module = FakeModule(3);
    TSharedOptionsMapping writer(module);
    ASSERT_TRUE(writer.Write("abc"));
    EXPECT_EQ(MappedBytes(NameFor(module), 8), std::string("\x03\x00\x00\x00\x01" "abc", 8));
    // The name is the process id and the module handle, pointer-wide, in upper-case hex.
    char expected[64];
    std::snprintf(expected, sizeof(expected), "%08lX%0*llX", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<int>(sizeof(void*) * 2),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(module)));
    EXPECT_EQ(writer.Name(), expected);
}

TEST(SharedOptionsMapping, GrowsAndShrinksWithTheStream)
{
    const void* module = FakeModule(4);
    TSharedOptionsMapping writer(module);
    ASSERT_TRUE(writer.Write("short"));
    const std::string large(100'000, 'L');
    ASSERT_TRUE(writer.Write(large));
    EXPECT_EQ(Read(module), large);
    ASSERT_TRUE(writer.Write("tiny"));
    EXPECT_EQ(Read(module), "tiny");
    ASSERT_TRUE(writer.Write(""));
    EXPECT_EQ(Read(module), "");
}

TEST(SharedOptionsMapping, AReaderHoldingTheOldMappingBlocksGrowingButNeverSeesStaleOptions)
{
    const void* module = FakeModule(5);
    TSharedOptionsMapping writer(module);
    ASSERT_TRUE(writer.Write("first"));
    const HANDLE held = OpenFileMappingA(FILE_MAP_READ, FALSE, writer.Name().c_str());
    ASSERT_NE(held, nullptr);
    const std::string large(20'000, 'G');
    EXPECT_FALSE(writer.Write(large));
    EXPECT_FALSE(Read(module).has_value()) << "the old options were left marked complete";
    EXPECT_TRUE(writer.Write("fits")) << "a stream the old mapping can hold still goes in";
    EXPECT_EQ(Read(module), "fits");
    CloseHandle(held);
    ASSERT_TRUE(writer.Write(large));
    EXPECT_EQ(Read(module), large);
}

// A mapping of `size` bytes made by hand with the given header.
class HandMadeMapping {
public:
    HandMadeMapping(const void* module, DWORD size, std::uint32_t sizeField, unsigned char flag)
    {
        FMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, NameFor(module).c_str());
        EXPECT_NE(FMapping, nullptr);
        auto* view = static_cast<unsigned char*>(MapViewOfFile(FMapping, FILE_MAP_WRITE, 0, 0, 0));
        EXPECT_NE(view, nullptr);
        if (!view) return;
        std::memcpy(view, &sizeField, 4);
        view[4] = flag;
        std::memset(view + 5, 'S', size - 5);
        UnmapViewOfFile(view);
    }
    ~HandMadeMapping() { CloseHandle(FMapping); }
    HandMadeMapping(const HandMadeMapping&) = delete;
    HandMadeMapping& operator=(const HandMadeMapping&) = delete;

private:
    HANDLE FMapping = nullptr;
};

TEST(ReadSharedOptions, RefusesASizeFieldBeyondTheMappingAndAClearedFlag)
{
    // One page: the most a reader can see of it is 4096 bytes, 4091 of them stream.
    struct TCase {
        std::uint32_t SizeField;
        unsigned char Flag;
        bool Found;
    };
    const TCase cases[] = {{4091, 1, true}, {4092, 1, false}, {100'000, 1, false},
                           {0xFFFFFFFFu, 1, false},  {10, 0, false}, {0, 1, true}};
    std::uintptr_t n = 10;
    for (const TCase& c : cases) {
        const void* module = FakeModule(n++);
        const HandMadeMapping mapping(module, 4096, c.SizeField, c.Flag);
        const std::optional<std::string> stream = Read(module);
        ASSERT_EQ(stream.has_value(), c.Found) << "size field " << c.SizeField << ", flag " << int(c.Flag);
        if (c.Found) {
            EXPECT_EQ(*stream, std::string(c.SizeField, 'S'));
        }
    }
}

} // namespace
