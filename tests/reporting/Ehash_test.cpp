#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "reporting/Ehash.h"

namespace {

std::string Hex(const TMD5Digest& digest)
{
    std::string text;
    for (std::uint8_t b : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        text += pair;
    }
    return text;
}

std::string MD5Hex(const std::string& text)
{
    TMD5Digest digest{};
    GetMD5(digest, text.data(), text.size());
    return Hex(digest);
}

std::string AllByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

struct CheckCase {
    const char* label;
    std::string data;
    std::uint32_t expected;
};

// CRC-16/XMODEM catalogue values; the bytes above 0x7F come from Python's
// binascii.crc_hqx(data, 0), the same CRC written independently.
TEST(GetCRC16, MatchesTheXmodemCatalogue)
{
    const CheckCase cases[] = {
        {"empty", "", 0x0000},
        {"check string", "123456789", 0x31C3},
        {"abc", "abc", 0x9DD6},
        {"one letter", "A", 0x58E5},
        {"byte 0xFF (a negative char)", "\xFF", 0x1EF0},
        {"bytes 80 00 FE", std::string("\x80\x00\xFE", 3), 0x358B},
        {"all 256 byte values", AllByteValues(), 0x7E55},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(GetCRC16(c.data), c.expected);
    }
}

TEST(GetCRC32, MatchesTheIsoHdlcCatalogue)
{
    const CheckCase cases[] = {
        {"check string", "123456789", 0xCBF43926},
        {"pangram", "The quick brown fox jumps over the lazy dog", 0x414FA339},
        {"one letter", "A", 0xD3D99E8B},
        {"byte 0xFF", "\xFF", 0xFF000000},
        {"all 256 byte values", AllByteValues(), 0x29058C73},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(GetCRC32(c.data.data(), c.data.size()), c.expected);
    }
}

TEST(GetCRC32, IsZeroForNoBytesAndForANullBuffer)
{
    const char byte = 'x';
    EXPECT_EQ(GetCRC32(&byte, 0), 0u);
    EXPECT_EQ(GetCRC32(nullptr, 0), 0u);
    EXPECT_EQ(GetCRC32(nullptr, 100), 0u);
}

TEST(GetMD5, PassesTheRfc1321TestSuite)
{
    const struct {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MD5Hex(c.text), c.digest);
    }
}

// The end mark and the bit count need a second block from 56 bytes of tail on; these
// lengths straddle that edge and the block edge (digests from Python's hashlib).
TEST(GetMD5, HandlesTheLengthsAroundTheBlockEdges)
{
    const struct {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},
        {65, "c743a45e0d2e6a95cb859adae0248435"},
        {128, "e510683b3f5ffe4093d021808bc6ff70"},
        {1000000, "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " times 'a'");
        EXPECT_EQ(MD5Hex(std::string(c.length, 'a')), c.digest);
    }
}

TEST(GetMD5, AcceptsANullBufferOfNoBytes)
{
    TMD5Digest digest{};
    GetMD5(digest, nullptr, 0);
    EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
}

} // namespace
