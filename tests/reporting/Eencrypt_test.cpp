#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "reporting/Eencrypt.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string Password = "Zorvan switch box";

TBytes BytesOf(const std::string& text) { return TBytes(text.begin(), text.end()); }

// A text of the given length whose bytes all differ from their neighbours'.
TBytes Sample(std::size_t length)
{
    TBytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

TBytes Encrypted(const TBytes& plain)
{
    TBytes out(plain.size());
    Encrypt(plain.data(), out.data(), plain.size());
    return out;
}

TBytes Decrypted(const TBytes& cipher)
{
    TBytes out(cipher.size());
    Decrypt(cipher.data(), out.data(), cipher.size());
    return out;
}

// Known answers from Eencrypt_vectors.py, which derives the key with Python's hashlib and
// writes the block function and the chaining out apart from this code.
TEST(Cipher, MatchesIndependentlyWorkedOutAnswers)
{
    const struct {
        const char* label;
        std::string password;
        std::string plain;
        TBytes cipher;
    } cases[] = {
        {"one block", Password, "ABCDEFGH", {0xE2, 0xBC, 0x83, 0xAF, 0xA5, 0x96, 0x5F, 0x4C}},
        {"a block and a 5-byte tail", Password, "Hello, world!",
         {0xB5, 0xEF, 0x68, 0x48, 0x0F, 0x87, 0x11, 0x12, 0x18, 0x3B, 0xCD, 0xFF, 0xFB}},
        {"two chained blocks, no tail", Password, "ABCDEFGHIJKLMNOP",
         {0xE2, 0xBC, 0x83, 0xAF, 0xA5, 0x96, 0x5F, 0x4C, 0x34, 0xF6, 0xE1, 0x8F, 0xF3, 0x7F, 0x64, 0x85}},
        {"three chained blocks and a 7-byte tail", Password, "Three blocks chain, then a tail",
         {0xFD, 0x5A, 0x0D, 0x18, 0x8F, 0x48, 0x4B, 0xA6, 0xCD, 0x2D, 0x2F, 0xE8, 0xB5, 0x6D, 0x8A, 0xE5,
          0x53, 0x41, 0x9A, 0x5F, 0x86, 0x53, 0xEF, 0x22, 0x4A, 0x33, 0xFD, 0x05, 0x58, 0xE9, 0x6B}},
        {"empty password, tail only", "", "abc", {0x51, 0xDC, 0x1C}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        InitKey(c.password);
        EXPECT_EQ(Encrypted(BytesOf(c.plain)), c.cipher);
        EXPECT_EQ(Decrypted(c.cipher), BytesOf(c.plain));
    }
}

TEST(Cipher, DecryptRestoresEveryLengthWithTheSameKey)
{
    InitKey(Password);
    for (std::size_t length = 0; length <= 40; ++length) {
        SCOPED_TRACE(testing::Message() << "length " << length);
        const TBytes plain = Sample(length);
        const TBytes cipher = Encrypted(plain);
        ASSERT_EQ(cipher.size(), length);
        if (length > 0) {
            EXPECT_NE(cipher, plain);
        }
        EXPECT_EQ(Decrypted(cipher), plain);
    }
}

TEST(Cipher, WorksInPlace)
{
    InitKey(Password);
    for (std::size_t length = 0; length <= 40; ++length) {
        SCOPED_TRACE(testing::Message() << "length " << length);
        const TBytes plain = Sample(length);
        TBytes buffer = plain;
        Encrypt(buffer.data(), buffer.data(), buffer.size());
        EXPECT_EQ(buffer, Encrypted(plain));
        Decrypt(buffer.data(), buffer.data(), buffer.size());
        EXPECT_EQ(buffer, plain);
    }
}

TEST(Cipher, AWrongKeyDoesNotRestore)
{
    for (std::size_t length : {1u, 7u, 8u, 13u, 40u}) {
        SCOPED_TRACE(testing::Message() << "length " << length);
        const TBytes plain = Sample(length);
        InitKey(Password);
        const TBytes cipher = Encrypted(plain);
        InitKey(Password + " ");
        EXPECT_NE(Decrypted(cipher), plain);
    }
}

// The chaining block starts over at every call, so the same text always gives the same
// bytes and a leading full block encrypts alike whatever follows it; the tail is a key
// stream, so one flipped tail bit flips only that bit.
TEST(Cipher, ChainsFullBlocksFromAFreshStartAndStreamsTheTail)
{
    InitKey(Password);
    const TBytes plain = Sample(21);
    const TBytes cipher = Encrypted(plain);
    EXPECT_EQ(Encrypted(plain), cipher);

    const TBytes firstBlock(plain.begin(), plain.begin() + 8);
    EXPECT_EQ(Encrypted(firstBlock), TBytes(cipher.begin(), cipher.begin() + 8));

    TBytes tailChanged = plain;
    tailChanged[18] ^= 0x01;
    TBytes expected = cipher;
    expected[18] ^= 0x01;
    EXPECT_EQ(Encrypted(tailChanged), expected);

    // A change in the first block reaches every later block and the tail.
    TBytes headChanged = plain;
    headChanged[0] ^= 0x01;
    const TBytes changed = Encrypted(headChanged);
    for (std::size_t i = 8; i < 21; i += 8) {
        SCOPED_TRACE(testing::Message() << "offset " << i);
        EXPECT_NE(TBytes(changed.begin() + i, changed.begin() + std::min<std::size_t>(i + 8, 21)),
                  TBytes(cipher.begin() + i, cipher.begin() + std::min<std::size_t>(i + 8, 21)));
    }
}

TEST(Cipher, TakesNullBuffersOfNoBytes)
{
    InitKey(Password);
    Encrypt(nullptr, nullptr, 0);
    Decrypt(nullptr, nullptr, 0);
}

} // namespace
