#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "reporting/Ebase64.h"

namespace {

// The test vectors of RFC 4648, section 10.
const struct {
    const char* plain;
    const char* encoded;
} Rfc4648[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

constexpr char Guard = '#';

TEST(Base64, EncodesTheRfc4648Vectors)
{
    for (const auto& v : Rfc4648) {
        SCOPED_TRACE(v.plain);
        EXPECT_EQ(Base64EncodeString(v.plain), v.encoded);
        const std::string plain = v.plain;
        EXPECT_EQ(Base64EncodeToString(plain.data(), plain.size()), v.encoded);
    }
}

TEST(Base64, DecodesTheRfc4648Vectors)
{
    for (const auto& v : Rfc4648) {
        SCOPED_TRACE(v.encoded);
        EXPECT_EQ(Base64DecodeString(v.encoded), v.plain);
    }
}

// The buffer forms write exactly the counted size: guard bytes after it stay as they were.
TEST(Base64, BufferFormsWriteExactlyTheCountedSize)
{
    for (const auto& v : Rfc4648) {
        SCOPED_TRACE(v.plain);
        const std::string plain = v.plain, encoded = v.encoded;

        std::string text(encoded.size() + 4, Guard);
        Base64Encode(plain.data(), plain.size(), text.data());
        EXPECT_EQ(text, encoded + std::string(4, Guard));

        std::string bytes(plain.size() + 4, Guard);
        EXPECT_EQ(Base64Decode(encoded.data(), encoded.size(), bytes.data()), plain.size());
        EXPECT_EQ(bytes, plain + std::string(4, Guard));
    }
}

TEST(Base64, CalcEncodedSizeCountsFourPerStartedGroupOfThree)
{
    const struct {
        std::size_t length, size;
    } cases[] = {{0, 0}, {1, 4}, {2, 4}, {3, 4}, {4, 8}, {5, 8}, {6, 8}, {7, 12}, {3000, 4000}, {3001, 4004}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length);
        EXPECT_EQ(CalcEncodedSize(c.length), c.size);
    }
}

TEST(Base64, CalcDecodedSizeAtItsEdges)
{
    const struct {
        const char* text;
        std::size_t size;
    } cases[] = {
        {"", 0},
        {"Zm9", 0},           // not a multiple of 4
        {"Zm9vY", 0},
        {"Zm9vYm", 0},
        {"Zm9v", 3},
        {"Zm8=", 2},          // last "="
        {"Zg==", 1},          // second-to-last "="
        {"Zg=x", 1},          // second-to-last "=" counts alone
        {"====", 1},
        {"==Zm", 3},          // "=" in the first places is not a fill
        {"Zm9vYmFy", 6},
        {"Zm9vYg==", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = c.text;
        EXPECT_EQ(CalcDecodedSize(text.data(), text.size()), c.size);
    }
    EXPECT_EQ(CalcDecodedSize(nullptr, 0), 0u);
}

// Nothing is rejected: a character outside the alphabet, or a "=" that does not end the
// last group, stands for six one bits.
TEST(Base64, DecodesForeignCharactersAsAllOnes)
{
    const struct {
        const char* label;
        const char* text;
        std::string bytes;
    } cases[] = {
        {"all foreign", "!!!!", "\xFF\xFF\xFF"},
        {"foreign before the fill", "Zg!=", "f\x3F"},
        {"fill in the first places", "==Zm", "\xFF\xF6\x66"},
        {"fill in an earlier group", "Zg==Zg==", "f\x3F\xFF" "f"},
        {"fill then a letter ends after one byte", "Zg=x", "f"},
        {"line break in the last group", "Zm\r\n", "f\x7F\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Base64DecodeString(c.text), c.bytes);
    }
}

TEST(Base64, TextOfAnyOtherLengthThanAMultipleOfFourDecodesToNothing)
{
    for (const char* text : {"Z", "Zm", "Zm9", "Zm9vY", "Zm9vYmFyZ"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Base64DecodeString(text), "");
        const std::string source = text;
        std::string bytes(8, Guard);
        EXPECT_EQ(Base64Decode(source.data(), source.size(), bytes.data()), 0u);
        EXPECT_EQ(bytes, std::string(8, Guard));
    }
}

TEST(Base64, EveryByteValueAndLengthRoundTrips)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(255 - i);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(testing::Message() << "length " << length);
        const std::string plain = bytes.substr(0, length);
        const std::string encoded = Base64EncodeString(plain);
        ASSERT_EQ(encoded.size(), CalcEncodedSize(length));
        ASSERT_EQ(encoded.find_first_not_of(
                      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
        ASSERT_EQ(Base64DecodeString(encoded), plain);
    }
}

} // namespace
