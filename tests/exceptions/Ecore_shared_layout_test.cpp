// The name and bytes of the per-module shared-memory copy of the options.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "exceptions/EcoreSharedMemory.h"

namespace {

TEST(SharedDataName, ProcessIdThenPointerWideModuleHandle)
{
#if UINTPTR_MAX > 0xFFFFFFFFu
    EXPECT_EQ(SharedDataName(0x1A2B, 0x140000000u), "00001A2B0000000140000000");
    EXPECT_EQ(SharedDataName(0xFFFFFFFFu, 0xFEDCBA9876543210u), "FFFFFFFFFEDCBA9876543210");
#else
    EXPECT_EQ(SharedDataName(0x1A2B, 0x400000u), "00001A2B00400000");
    EXPECT_EQ(SharedDataName(0xFFFFFFFFu, 0xFEDCBA98u), "FFFFFFFFFEDCBA98");
#endif
    EXPECT_EQ(SharedDataName(0, 0), std::string(8 + sizeof(std::uintptr_t) * 2, '0'));
}

TEST(EncodeSharedOptions, LittleEndianSizeFlagThenStream)
{
    const std::string stream("ab\0\xFF", 4);
    EXPECT_EQ(EncodeSharedOptions(stream), std::string("\x04\x00\x00\x00\x01" "ab\0\xFF", 9));
    const std::string long300(0x0123, 'x');
    EXPECT_EQ(EncodeSharedOptions(long300).substr(0, 5), std::string("\x23\x01\x00\x00\x01", 5));
    EXPECT_EQ(EncodeSharedOptions(""), std::string("\x00\x00\x00\x00\x01", 5));
}

struct TDecodeCase {
    std::string Bytes;
    bool Found;
    std::string Stream;
};

class DecodeSharedOptionsCases : public testing::TestWithParam<TDecodeCase> {};

TEST_P(DecodeSharedOptionsCases, TakesOnlyACompleteStreamWithinTheBytes)
{
    const TDecodeCase& c = GetParam();
    const std::optional<std::string> stream = DecodeSharedOptions(c.Bytes.data(), c.Bytes.size());
    ASSERT_EQ(stream.has_value(), c.Found);
    if (c.Found) {
        EXPECT_EQ(*stream, c.Stream);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DecodeSharedOptionsCases,
    testing::Values(TDecodeCase{std::string("\x03\x00\x00\x00\x01" "abc", 8), true, "abc"},
                    // Bytes after the stream (the rest of the page) are not part of it.
                    TDecodeCase{std::string("\x02\x00\x00\x00\x01" "abc\0\0", 10), true, "ab"},
                    TDecodeCase{std::string("\x00\x00\x00\x00\x01", 5), true, ""},
                    TDecodeCase{std::string("\x03\x00\x00\x00\x07" "abc", 8), true, "abc"},
                    // Flag not set: the writer has not finished.
                    TDecodeCase{std::string("\x03\x00\x00\x00\x00" "abc", 8), false, ""},
                    // A size that reaches past the bytes.
                    TDecodeCase{std::string("\x04\x00\x00\x00\x01" "abc", 8), false, ""},
                    TDecodeCase{std::string("\xFF\xFF\xFF\xFF\x01" "abc", 8), false, ""},
                    TDecodeCase{std::string("\x00\x00\x00\x01\x01" "abc", 8), false, ""},
                    // Shorter than the header.
                    TDecodeCase{std::string("\x00\x00\x00\x00", 4), false, ""}, TDecodeCase{"", false, ""}));

} // namespace
