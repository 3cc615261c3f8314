// The data block parser, on blocks that tools/eldata/data_block.py writes from the
// documented layout at build time (see CMakeLists.txt): the good block, the odd versions
// and signatures, damaged compression, every cut of the good block, and random bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "exceptions/EcoreDataBlock.h"
#include "tests/exceptions/block_fixtures.h"

namespace {

// What the build wrote into good.bin (CMakeLists.txt).
constexpr double FixtureDate = 45000.5;
constexpr std::uint32_t FixtureHandleException = 0x1234;
constexpr std::uint32_t FixtureShowException = 0x56789A;
const char* const FixturePassword = "S3cret pass";

std::optional<TModuleDataBlock> ParseFixture(const std::string& name)
{
    const std::string bytes = ReadBlockFixture(name);
    EXPECT_FALSE(bytes.empty()) << name << " is missing";
    return ParseDataBlock(bytes.data(), bytes.size());
}

TEST(EcoreBlockParser, GoodBlockGivesEveryField)
{
    const std::optional<TModuleDataBlock> block = ParseFixture("good.bin");
    ASSERT_TRUE(block);
    EXPECT_EQ(block->DataVersion, 6015);
    EXPECT_EQ(block->CompiledAt, FixtureDate);
    EXPECT_EQ(block->Options, ReadBlockFixture("good.stream"));
    EXPECT_EQ(block->DebugData, ReadBlockFixture("debug.data"));
    ASSERT_EQ(block->Symbols.size(), 2u);
    EXPECT_EQ(FindBlockSymbol(*block, bsHandleException), FixtureHandleException);
    EXPECT_EQ(FindBlockSymbol(*block, bsShowException), FixtureShowException);
    EXPECT_FALSE(FindBlockSymbol(*block, 2));
    EXPECT_TRUE(IsBlockPassword(*block, FixturePassword));
    EXPECT_FALSE(IsBlockPassword(*block, ""));
    EXPECT_FALSE(IsBlockPassword(*block, "S3cret pas"));
}

TEST(EcoreBlockParser, DefaultBlockHasEmptyPasswordAndNoDebugData)
{
    const std::optional<TModuleDataBlock> block = ParseFixture("default.bin");
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Options, ReadBlockFixture("default.stream"));
    EXPECT_TRUE(block->DebugData.empty());
    EXPECT_TRUE(block->Symbols.empty());
    EXPECT_TRUE(IsBlockPassword(*block, ""));
    EXPECT_FALSE(IsBlockPassword(*block, FixturePassword));
}

TEST(EcoreBlockParser, VersionsAndSignatures)
{
    struct Case {
        const char* file;
        bool usable;
        int version;
    };
    const Case cases[] = {
        {"v601.bin", true, 6001},     // the short form of 6001
        {"v600.bin", true, 6000},
        {"v602.bin", true, 6002},
        {"v603.bin", true, 603},      // not a short form: the 14-byte header
        {"v6000.bin", true, 6000},
        {"v5000.bin", true, 5000},    // the 14-byte header of versions below 6000
        {"v500.bin", true, 500},
        {"v499.bin", false, 0},       // older layouts are refused
        {"v6016.bin", false, 0},      // newer than the library
        {"v65535.bin", false, 0},
        {"oldsig.bin", true, 6015},   // 0x000FAB10
        {"badsig.bin", false, 0},     // 0x100FAB11
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::optional<TModuleDataBlock> block = ParseFixture(c.file);
        ASSERT_EQ(block.has_value(), c.usable);
        if (!block) continue;
        EXPECT_EQ(block->DataVersion, c.version);
        EXPECT_EQ(block->Options, ReadBlockFixture("good.stream"));
        EXPECT_EQ(FindBlockSymbol(*block, bsShowException), FixtureShowException);
        EXPECT_EQ(block->CompiledAt, FixtureDate);
    }
}

TEST(EcoreBlockParser, DamagedCompressionGivesNoData)
{
    for (const char* file : {"truncate-options.bin", "empty-options.bin", "truncate-debug.bin",
                             "empty-debug.bin", "no-debug.bin", "overlong-debug.bin"}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(ParseFixture(file));
    }
}

// Each cut is copied into a buffer of exactly its length, so that AddressSanitizer sees a
// read past it.
TEST(EcoreBlockParser, EveryCutOfTheGoodBlockGivesNoData)
{
    const std::string bytes = ReadBlockFixture("good.bin");
    ASSERT_FALSE(bytes.empty());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const std::string cut = bytes.substr(0, length);
        EXPECT_FALSE(ParseDataBlock(cut.data(), cut.size())) << "cut at " << length;
    }
    EXPECT_FALSE(ParseDataBlock(nullptr, 0));
}

// A length field that reaches past the block, at each of the three places one is read.
TEST(EcoreBlockParser, LengthsPastTheEndGiveNoData)
{
    const std::string good = ReadBlockFixture("good.bin");
    ASSERT_GT(good.size(), 40u);
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    const std::size_t tableLength = 16;
    const std::size_t optionsLength = 20 + 2 * 9;
    for (const std::uint32_t value : {0xFFFFFFFFu, 0x80000000u, static_cast<std::uint32_t>(good.size())}) {
        SCOPED_TRACE(value);
        for (const std::size_t offset : {tableLength, optionsLength}) {
            const std::string bytes = patched(offset, value);
            EXPECT_FALSE(ParseDataBlock(bytes.data(), bytes.size()));
        }
    }
    // A table length that is not a multiple of 9 leaves the partial record unread, and the
    // fields after it are read from where the length says.
    const std::optional<TModuleDataBlock> block = ParseFixture("partial-record.bin");
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Symbols.size(), 1u);
    EXPECT_EQ(block->Options, ReadBlockFixture("good.stream"));
}

TEST(EcoreBlockParser, RandomBytesGiveNoData)
{
    std::mt19937 random(20261210);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 200, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        // Half the rounds start like a real block, so the parser gets past the signature.
        if (round % 2 && bytes.size() >= 6) {
            const std::uint32_t signature = DataBlockSignature;
            std::memcpy(bytes.data(), &signature, 4);
            bytes[4] = static_cast<char>(0x7F);
            bytes[5] = static_cast<char>(0x17);
        }
        EXPECT_FALSE(ParseDataBlock(bytes.data(), bytes.size())) << "round " << round;
        EXPECT_FALSE(ParseDataTrailer(bytes.data(), bytes.size())) << "round " << round;
    }
}

// A block whose debug data expands past the bound is refused without expanding it all.
TEST(EcoreBlockParser, DebugDataPastItsBoundGivesNoData)
{
    EXPECT_FALSE(ParseFixture("huge-debug.bin"));
}

TEST(EcoreBlockParser, TrailerFormGivesTheFields)
{
    const std::string file = ReadBlockFixture("trailer.bin");
    const std::optional<TModuleDataBlock> block = ParseDataTrailer(file.data(), file.size());
    ASSERT_TRUE(block);
    EXPECT_EQ(block->DataVersion, 6001);
    EXPECT_EQ(block->CompiledAt, FixtureDate);
    EXPECT_EQ(block->Options, ReadBlockFixture("good.stream"));
    EXPECT_EQ(block->DebugData, ReadBlockFixture("debug.data"));
    EXPECT_TRUE(block->Symbols.empty());
    EXPECT_FALSE(block->PasswordCheck);
    EXPECT_TRUE(IsBlockPassword(*block, ""));

    // The trailer alone, without the module bytes before it, reads the same.
    const std::optional<std::uint64_t> size = DataTrailerSize(file.data() + file.size() - 8);
    ASSERT_TRUE(size);
    ASSERT_LT(*size, file.size());
    const std::string trailer = file.substr(file.size() - *size);
    const std::optional<TModuleDataBlock> alone = ParseDataTrailer(trailer.data(), trailer.size());
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->Options, block->Options);

    // Any shorter tail cuts into the block.
    for (std::size_t cut = 1; cut <= 64; ++cut) {
        const std::string shorter = trailer.substr(cut);
        EXPECT_FALSE(ParseDataTrailer(shorter.data(), shorter.size())) << "cut " << cut;
    }
    // A stored length that reaches before the file's start.
    std::string forged = trailer;
    forged[forged.size() - 8] = static_cast<char>(0xFF);
    forged[forged.size() - 5] = static_cast<char>(0x7F);
    EXPECT_FALSE(ParseDataTrailer(forged.data(), forged.size()));
}

TEST(EcoreBlockParser, OptionsStreamLengthWalksTheLayout)
{
    for (const char* name : {"good.stream", "default.stream"}) {
        SCOPED_TRACE(name);
        const std::string stream = ReadBlockFixture(name);
        ASSERT_FALSE(stream.empty());
        const std::string padded = stream + std::string(16, '\x55');
        EXPECT_EQ(OptionsStreamLength(padded.data(), padded.size()), stream.size());
        const std::string cut = stream.substr(0, stream.size() - 1);
        EXPECT_FALSE(OptionsStreamLength(cut.data(), cut.size()));
    }
}

} // namespace
