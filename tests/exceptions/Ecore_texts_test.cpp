// The line rules of the customized-texts file.
#include <gtest/gtest.h>

#include "exceptions/EcoreHelpers.h"
#include "exceptions/EcoreTexts.h"

namespace {

using Lines = std::vector<std::string>;

TEST(EcoreTextsLines, ATextIsCutAtEveryLineBreak)
{
    const struct {
        const char* text;
        Lines lines;
    } cases[] = {
        {"", {""}},
        {"one", {"one"}},
        {"one\r\ntwo", {"one", "two"}},
        {"one\r\n", {"one", ""}},
        {"\r\n", {"", ""}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"lone\nfeed", {"lone", "feed"}},
        {"lone\rreturn", {"lone", "return"}},
        {"\n\r", {"", "", ""}},
        {" padded \"quoted\" ", {" padded \"quoted\" "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(SplitRawLines(c.text), c.lines);
    }
}

TEST(EcoreTextsLines, LinesAreJoinedWithCrLfAndLoseOneTrailingBreak)
{
    const struct {
        Lines lines;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{""}, ""},
        {{"one"}, "one"},
        {{"one", "two"}, "one\r\ntwo"},
        {{"one", ""}, "one\r\n"},
        {{"", ""}, "\r\n"},
        {{"a", "", ""}, "a\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.lines));
        EXPECT_EQ(JoinRawLines(c.lines), c.text);
    }
}

TEST(EcoreTextsLines, EveryTextWithCrLfBreaksSurvivesTheRoundTrip)
{
    for (const char* text : {"", "x", "\r\n", "\r\n\r\n", "a\r\nb", "a\r\n", "\r\na", " \" "}) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        EXPECT_EQ(JoinRawLines(SplitRawLines(text)), text);
    }
}

TEST(EcoreTextsLines, KeysQuotesAndCollectionNames)
{
    EXPECT_EQ(TextsCountKey(mtDialog_Caption), "Count mtDialog_Caption");
    EXPECT_EQ(TextsLineKey(mtDialog_Caption, 0), "mtDialog_Caption0");
    EXPECT_EQ(TextsLineKey(mtInvalidEmailMsg, 12), "mtInvalidEmailMsg12");
    EXPECT_EQ(QuoteRawLine(" a \"b\" "), "\" a \"b\" \"");
    EXPECT_EQ(TextsCollectionName("C:\\Texts\\Deutsch.ini"), "Deutsch");
    EXPECT_EQ(TextsCollectionName("Fran\xE7" "ais.lng"), "Fran\xE7" "ais");
    EXPECT_EQ(TextsCollectionName("C:\\Texts\\NoExtension"), "NoExtension");
    EXPECT_EQ(TextsCollectionName("C:\\v1.2\\texts.old.ini"), "texts.old");
}

}  // namespace
