#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>

#include "framework/exceptions.h"
#include "framework/strutils.h"

namespace {

TEST(IntToStr, WritesBothWidthsInDecimal)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-17), "-17");
    EXPECT_EQ(IntToStr(INT_MIN), "-2147483648");
    EXPECT_EQ(IntToStr(INT_MAX), "2147483647");
    EXPECT_EQ(IntToStr(std::numeric_limits<long long>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToStr(1LL << 40), "1099511627776");
}

TEST(IntToHex, ZeroFillsToTheDigitsAndShowsNegativesInTheirOwnWidth)
{
    struct {
        std::string actual;
        const char* expected;
    } cases[] = {
        {IntToHex(255, 4), "00FF"},
        {IntToHex(0x1234, 2), "1234"},
        {IntToHex(0, 0), "0"},
        {IntToHex(0xabc, 1), "ABC"},
        {IntToHex(-1, 2), "FFFFFFFF"},
        {IntToHex(-1LL, 1), "FFFFFFFFFFFFFFFF"},
        {IntToHex(0x1FLL, 10), "000000001F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(StrToInt, ReadsDecimalAndBothHexPrefixes)
{
    struct {
        const char* text;
        int expected;
    } cases[] = {
        {"0", 0},
        {"123", 123},
        {"-123", -123},
        {"+7", 7},
        {"007", 7},
        {"$FF", 255},
        {"$ff", 255},
        {"0x1f", 31},
        {"0XFF", 255},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToInt(c.text), c.expected);
        int value = 99;
        EXPECT_TRUE(TryStrToInt(c.text, value));
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(StrToIntDef(c.text, 99), c.expected);
    }
}

TEST(StrToInt, RefusesBlanksJunkAndOutOfRangeText)
{
    for (const char* text : {"", " 1", "1 ", "12a", "$", "0x", "-", "+", "2147483648", "-2147483649",
                             "$100000000", "1.0", "--1", "0x-1", "$G", "1,000"}) {
        SCOPED_TRACE(text);
        try {
            StrToInt(text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid integer value");
        }
        int value = 99;
        EXPECT_FALSE(TryStrToInt(text, value));
        EXPECT_EQ(value, 99);
        EXPECT_EQ(StrToIntDef(text, -5), -5);
    }
}

TEST(StrToInt64, CoversTheSixtyFourBitRange)
{
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_EQ(StrToInt64("$FFFFFFFF"), 0xFFFFFFFFLL);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", 3), 3);
}

TEST(Trim, DropsBlanksAndControlCharactersOnlyFromTheChosenEnds)
{
    const std::string text = " \t a b \r\n";
    EXPECT_EQ(Trim(text), "a b");
    EXPECT_EQ(TrimLeft(text), "a b \r\n");
    EXPECT_EQ(TrimRight(text), " \t a b");
    EXPECT_EQ(Trim(" \x01\x1F "), "");
    EXPECT_EQ(Trim(""), "");
    // Bytes above 127 (a no-break space in most code pages) are text, not blanks.
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(CaseConversion, ChangesOnlyAsciiLetters)
{
    EXPECT_EQ(UpperCase("abc xyz 09 \xE4\xF6"), "ABC XYZ 09 \xE4\xF6");
    EXPECT_EQ(LowerCase("ABC XYZ @[ \xC4\xD6"), "abc xyz @[ \xC4\xD6");
}

TEST(CompareText, IgnoresAsciiCaseAndSortsPrefixesFirst)
{
    struct {
        const char* a;
        const char* b;
        int textSign;
        int strSign;
    } cases[] = {
        {"abc", "ABC", 0, 1},
        {"abc", "abd", -1, -1},
        {"ABD", "abc", 1, -1},
        {"ab", "abc", -1, -1},
        {"", "", 0, 0},
        {"a", "B", -1, 1},
        {"\xE4", "\xC4", 1, 1},
        {"_", "a", 1, -1},   // "_" sorts after the letters once they are upper case
    };
    auto sign = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(sign(CompareText(c.a, c.b)), c.textSign);
        EXPECT_EQ(sign(CompareText(c.b, c.a)), -c.textSign);
        EXPECT_EQ(sign(CompareStr(c.a, c.b)), c.strSign);
        EXPECT_EQ(SameText(c.a, c.b), c.textSign == 0);
    }
}

TEST(StringReplace, HonoursReplaceAllAndIgnoreCase)
{
    struct {
        const char* label;
        std::string actual;
        const char* expected;
    } cases[] = {
        {"first only", StringReplace("a-b-c", "-", "+", rfNone), "a+b-c"},
        {"all", StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c"},
        {"case differs", StringReplace("Hello hello", "HELLO", "bye", rfReplaceAll), "Hello hello"},
        {"ignore case", StringReplace("Hello hello", "HELLO", "bye", rfIgnoreCase), "bye hello"},
        {"both", StringReplace("Hello hello", "HELLO", "bye", rfReplaceAll | rfIgnoreCase), "bye bye"},
        {"replaced text is not searched again", StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa"},
        {"matches do not overlap", StringReplace("aaaa", "aa", "b", rfReplaceAll), "bb"},
        {"deletion", StringReplace("a, b, c", ", ", "", rfReplaceAll), "abc"},
        {"empty pattern", StringReplace("abc", "", "x", rfReplaceAll), "abc"},
        {"no match", StringReplace("abc", "d", "x", rfReplaceAll), "abc"},
        {"whole text", StringReplace("abc", "ABC", "", rfIgnoreCase), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(PathHelpers, SplitAtTheLastDelimiterAndTakeExtensionsOnlyFromTheName)
{
    struct {
        const char* fileName;
        const char* path;
        const char* dir;
        const char* name;
        const char* ext;
        const char* changed;   // ChangeFileExt(fileName, ".new")
    } cases[] = {
        {"C:\\dir\\file.txt", "C:\\dir\\", "C:\\dir", "file.txt", ".txt", "C:\\dir\\file.new"},
        {"C:\\dir.d\\file", "C:\\dir.d\\", "C:\\dir.d", "file", "", "C:\\dir.d\\file.new"},
        {"C:\\file.txt", "C:\\", "C:\\", "file.txt", ".txt", "C:\\file.new"},
        {"C:file.txt", "C:", "C:", "file.txt", ".txt", "C:file.new"},
        {"\\file.txt", "\\", "\\", "file.txt", ".txt", "\\file.new"},
        {"dir/sub/a.b.c", "dir/sub/", "dir/sub", "a.b.c", ".c", "dir/sub/a.b.new"},
        {"dir.x/name", "dir.x/", "dir.x", "name", "", "dir.x/name.new"},
        {"\\\\server\\share\\f.txt", "\\\\server\\share\\", "\\\\server\\share", "f.txt", ".txt",
         "\\\\server\\share\\f.new"},
        {"C:\\dir\\", "C:\\dir\\", "C:\\dir", "", "", "C:\\dir\\.new"},
        {"file", "", "", "file", "", "file.new"},
        {".profile", "", "", ".profile", ".profile", ".new"},
        {"a.", "", "", "a.", ".", "a.new"},
        {"", "", "", "", "", ".new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        EXPECT_EQ(ExtractFilePath(c.fileName), c.path);
        EXPECT_EQ(ExtractFileDir(c.fileName), c.dir);
        EXPECT_EQ(ExtractFileName(c.fileName), c.name);
        EXPECT_EQ(ExtractFileExt(c.fileName), c.ext);
        EXPECT_EQ(ChangeFileExt(c.fileName, ".new"), c.changed);
        EXPECT_EQ(ExtractFilePath(c.fileName) + ExtractFileName(c.fileName), c.fileName);
    }
    EXPECT_EQ(ChangeFileExt("C:\\a\\b.txt", ""), "C:\\a\\b");
}

TEST(PathHelpers, TrailingDelimiterIsAddedOrRemovedOnce)
{
    struct {
        const char* path;
        const char* included;
        const char* excluded;
    } cases[] = {
        {"C:\\dir", "C:\\dir\\", "C:\\dir"},
        {"C:\\dir\\", "C:\\dir\\", "C:\\dir"},
        {"dir/", "dir/", "dir"},
        {"C:\\", "C:\\", "C:"},
        {"C:", "C:\\", "C:"},
        {"", "\\", ""},
        {"a\\\\", "a\\\\", "a\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IncludeTrailingPathDelimiter(c.path), c.included);
        EXPECT_EQ(ExcludeTrailingPathDelimiter(c.path), c.excluded);
    }
}

} // namespace
