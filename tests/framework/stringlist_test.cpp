#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/streams.h"
#include "framework/stringlist.h"
#include "tests/framework/string_lines.h"

namespace {

using zv::test::Lines;
using zv::test::LinesOf;

void Fill(TStrings& strings, const Lines& lines)
{
    for (const std::string& line : lines) strings.Add(line);
}

// The least a TStrings must provide: shows that the shared behaviour works on any of them.
class TVectorStrings : public TStrings {
    RUNTIME_CLASS(TVectorStrings, TStrings)
public:
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string Strings(int index) const override
    {
        if (index < 0 || index >= Count()) ListIndexError(index);
        return FLines[index];
    }
    void Insert(int index, const std::string& s) override
    {
        if (index < 0 || index > Count()) ListIndexError(index);
        FLines.insert(FLines.begin() + index, s);
    }
    void Delete(int index) override
    {
        if (index < 0 || index >= Count()) ListIndexError(index);
        FLines.erase(FLines.begin() + index);
    }
    void Clear() override { FLines.clear(); }

private:
    Lines FLines;
};

// ---- Text ----

TEST(TStrings, SetTextSplitsAtEveryKindOfLineBreak)
{
    struct Case {
        const char* label;
        std::string text;
        Lines expected;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"one line without a break", "abc", {"abc"}},
        {"CR LF, last line ended", "a\r\nb\r\n", {"a", "b"}},
        {"lone LF", "a\nb", {"a", "b"}},
        {"lone CR", "a\rb", {"a", "b"}},
        {"empty line between", "a\r\n\r\nb", {"a", "", "b"}},
        {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
        {"only a break", "\r\n", {""}},
        {"CR then CR LF", "a\r\r\n", {"a", ""}},
        {"blanks are kept", "  x  \r\n\t", {"  x  ", "\t"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        list.Add("replaced");
        list.SetText(c.text);
        EXPECT_EQ(LinesOf(list), c.expected);
    }
}

TEST(TStrings, TextEndsEveryLineWithCrLfAndReadsBack)
{
    for (const Lines& lines : {Lines{}, Lines{""}, Lines{"a", "", " b ", "c"}, Lines{"x\ty", "", ""}}) {
        SCOPED_TRACE(::testing::PrintToString(lines));
        TStringList list;
        Fill(list, lines);
        std::string expected;
        for (const std::string& line : lines) expected += line + "\r\n";
        EXPECT_EQ(list.Text(), expected);
        TStringList back;
        back.SetText(list.Text());
        EXPECT_EQ(LinesOf(back), lines);
    }
}

// ---- Delimited forms ----

TEST(TStrings, CommaTextQuotesOnlyWhatNeedsIt)
{
    struct Case {
        const char* label;
        Lines lines;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", {"a", "b", "c"}, "a,b,c"},
        {"empty list", {}, ""},
        {"inner blank", {"a b", "c"}, "\"a b\",c"},
        {"control character", {"a\tb"}, "\"a\tb\""},
        {"delimiter", {"a,b"}, "\"a,b\""},
        {"quotes are doubled", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"empty among others stays bare", {"a", "", "b"}, "a,,b"},
        {"one empty string", {""}, "\"\""},
        {"other punctuation is bare", {"x=1;y'z"}, "x=1;y'z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        Fill(list, c.lines);
        EXPECT_EQ(list.CommaText(), c.expected);
    }
}

TEST(TStrings, SetCommaTextSeparatesAtCommasAndUnquotedBlanks)
{
    struct Case {
        const char* label;
        std::string text;
        Lines expected;
    };
    const Case cases[] = {
        {"plain", "a,b,c", {"a", "b", "c"}},
        {"blanks around items dropped", "  a , b ,c  ", {"a", "b", "c"}},
        {"unquoted blank separates", "a b\tc", {"a", "b", "c"}},
        {"quoted blank kept", "\"a b\",c", {"a b", "c"}},
        {"doubled quote", "\"x\"\"y\"", {"x\"y"}},
        {"empty item", "a,,b", {"a", "", "b"}},
        {"trailing comma", "a,", {"a", ""}},
        {"leading comma", ",a", {"", "a"}},
        {"nothing", "", {}},
        {"only blanks", "   ", {}},
        {"a pair of quotes", "\"\"", {""}},
        {"unterminated quote takes the rest", "\"ab, c", {"ab, c"}},
        {"text right after a quote starts another item", "\"ab\"cd", {"ab", "cd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        list.Add("replaced");
        list.SetCommaText(c.text);
        EXPECT_EQ(LinesOf(list), c.expected);
    }
}

TEST(TStrings, DelimitedTextRoundTripsWithAnyDelimiterAndQuote)
{
    const Lines samples[] = {
        {"plain", "two words", "comma,inside", "semi;colon", "\"double\"", "'single'", "", "end"},
        {""},
        {"", ""},
        {" lead", "trail ", "tab\t"},
    };
    struct Style {
        char delimiter;
        char quote;
    };
    for (Style style : {Style{',', '"'}, Style{';', '\''}, Style{'|', '"'}}) {
        for (const Lines& lines : samples) {
            SCOPED_TRACE(std::string("delimiter ") + style.delimiter + " quote " + style.quote + ": " +
                         ::testing::PrintToString(lines));
            TStringList list;
            list.SetDelimiter(style.delimiter);
            list.SetQuoteChar(style.quote);
            Fill(list, lines);
            TStringList back;
            back.SetDelimiter(style.delimiter);
            back.SetQuoteChar(style.quote);
            back.SetDelimitedText(list.DelimitedText());
            EXPECT_EQ(LinesOf(back), lines) << list.DelimitedText();
        }
    }
}

TEST(TStrings, CommaTextIgnoresTheDelimiterSettings)
{
    TStringList list;
    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    Fill(list, {"a;b", "c d"});
    EXPECT_EQ(list.DelimitedText(), "'a;b';'c d'");
    EXPECT_EQ(list.CommaText(), "a;b,\"c d\"");
    list.SetCommaText("x;y,'z'");
    EXPECT_EQ(LinesOf(list), (Lines{"x;y", "'z'"}));
}

// ---- Names and values ----

TEST(TStrings, NamesAndValuesSplitAtTheFirstSeparator)
{
    TStringList list;
    Fill(list, {"Port=COM1", "AltChar=No", "no separator", "Key=a=b", "Empty="});
    EXPECT_EQ(list.Names(0), "Port");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.ValueFromIndex(3), "a=b");
    EXPECT_EQ(list.ValueFromIndex(2), "");
    EXPECT_EQ(list.Values("port"), "COM1") << "names match without regard to case";
    EXPECT_EQ(list.Values("Key"), "a=b");
    EXPECT_EQ(list.Values("Empty"), "");
    EXPECT_EQ(list.Values("Missing"), "");
    EXPECT_EQ(list.IndexOfName("ALTCHAR"), 1);
    EXPECT_EQ(list.IndexOfName("no separator"), -1) << "a string without separator has no name";
}

TEST(TStrings, SetValuesReplacesAppendsOrDeletes)
{
    TStringList list;
    Fill(list, {"A=1", "B=2", "C=3"});
    list.SetValues("b", "two");
    list.SetValues("D", "4");
    list.SetValues("A", "");
    list.SetValues("Z", "");
    EXPECT_EQ(LinesOf(list), (Lines{"b=two", "C=3", "D=4"}));
}

TEST(TStrings, NameValueSeparatorCanChange)
{
    TStringList list;
    list.SetNameValueSeparator(':');
    Fill(list, {"Host: example", "a=b"});
    EXPECT_EQ(list.Values("Host"), " example");
    EXPECT_EQ(list.Values("a"), "");
    list.SetValues("Port", "80");
    EXPECT_EQ(list.Strings(2), "Port:80");
}

// ---- Searching and objects ----

TEST(TStringList, CaseSensitivityDecidesWhatMatches)
{
    TStringList list;
    Fill(list, {"alpha", "Beta", "GAMMA"});
    EXPECT_FALSE(list.CaseSensitive());
    EXPECT_EQ(list.IndexOf("beta"), 1);
    EXPECT_EQ(list.IndexOf("gamma"), 2);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("beta"), -1);
    EXPECT_EQ(list.IndexOf("Beta"), 1);
    EXPECT_EQ(list.IndexOf("Bet"), -1);
}

TEST(TStringList, ObjectsTravelWithTheirStrings)
{
    TObject one, two, three;
    TStringList list;
    list.AddObject("one", &one);
    list.AddObject("two", &two);
    list.Add("none");
    list.InsertObject(0, "three", &three);
    EXPECT_EQ(list.IndexOfObject(&two), 2);
    EXPECT_EQ(list.Objects(3), nullptr);

    list.Move(0, 3);      // one two none three
    list.Exchange(0, 1);  // two one none three
    list.Put(2, "nothing");
    list.Delete(1);       // two nothing three
    EXPECT_EQ(LinesOf(list), (Lines{"two", "nothing", "three"}));
    EXPECT_EQ(list.Objects(0), &two);
    EXPECT_EQ(list.Objects(1), nullptr);
    EXPECT_EQ(list.Objects(2), &three);
    list.PutObject(1, &one);
    EXPECT_EQ(list.IndexOfObject(&one), 1);
    EXPECT_EQ(list.IndexOfObject(nullptr), -1);
}

TEST(TStringList, BadIndicesRaiseStringListErrorNamingTheIndex)
{
    struct Case {
        const char* label;
        std::function<void(TStringList&)> call;
        int index;
    };
    const Case cases[] = {
        {"Strings(-1)", [](TStringList& l) { l.Strings(-1); }, -1},
        {"Strings(Count)", [](TStringList& l) { l.Strings(2); }, 2},
        {"Objects(Count)", [](TStringList& l) { l.Objects(2); }, 2},
        {"Put(Count)", [](TStringList& l) { l.Put(2, "x"); }, 2},
        {"PutObject(-1)", [](TStringList& l) { l.PutObject(-1, nullptr); }, -1},
        {"Delete(Count)", [](TStringList& l) { l.Delete(2); }, 2},
        {"Insert(Count+1)", [](TStringList& l) { l.Insert(3, "x"); }, 3},
        {"Exchange second", [](TStringList& l) { l.Exchange(1, 5); }, 5},
        {"Move to Count", [](TStringList& l) { l.Move(0, 2); }, 2},
        {"Names(Count)", [](TStringList& l) { l.Names(2); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        Fill(list, {"a", "b"});
        try {
            c.call(list);
            ADD_FAILURE() << "no exception";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), Format("List index out of bounds (%d)", {c.index}));
        }
        EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
    }
}

// ---- Sorting ----

TEST(TStringList, SortedListsPlaceEveryAddedString)
{
    TStringList list;
    Fill(list, {"delta", "Alpha", "charlie", "Bravo", "alp"});
    list.SetSorted(true);
    EXPECT_EQ(LinesOf(list), (Lines{"alp", "Alpha", "Bravo", "charlie", "delta"})) << "a prefix sorts first";
    EXPECT_EQ(list.Add("Echo"), 5);
    EXPECT_EQ(list.Add("aardvark"), 0);
    int index = -1;
    EXPECT_TRUE(list.Find("CHARLIE", index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(list.Find("cat", index));
    EXPECT_EQ(index, 4) << "where it would go";
    EXPECT_EQ(list.IndexOf("ECHO"), 6);
    EXPECT_EQ(list.IndexOf("cat"), -1);
}

TEST(TStringList, DuplicatesDecideAboutAnEqualString)
{
    TObject first, second;
    struct Case {
        const char* label;
        TDuplicates duplicates;
        int expectedIndex;
        Lines expected;
    };
    const Case cases[] = {
        {"ignore", dupIgnore, 1, {"a", "B", "c"}},
        {"accept, after the equal one", dupAccept, 2, {"a", "B", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        Fill(list, {"c", "a"});
        list.AddObject("B", &first);
        EXPECT_EQ(list.AddObject("b", &second), c.expectedIndex);
        EXPECT_EQ(LinesOf(list), c.expected);
        EXPECT_EQ(list.Objects(1), &first);
    }

    TStringList strict;
    strict.SetSorted(true);
    strict.SetDuplicates(dupError);
    strict.Add("x");
    try {
        strict.Add("X");
        ADD_FAILURE() << "no exception";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "String list does not allow duplicates");
    }
    EXPECT_EQ(strict.Count(), 1);
}

TEST(TStringList, SortedListsResortWhenTheComparisonChanges)
{
    TStringList list;
    Fill(list, {"b", "A", "a", "B"});
    list.SetSorted(true);
    EXPECT_EQ(LinesOf(list), (Lines{"A", "a", "b", "B"})) << "equal without case: kept in the order they came";
    EXPECT_EQ(list.Add("b"), 2) << "without case this is a duplicate";
    list.SetCaseSensitive(true);
    EXPECT_EQ(LinesOf(list), (Lines{"A", "B", "a", "b"}));
    int index = -1;
    EXPECT_TRUE(list.Find("a", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.Add("Ab"), 1);
    EXPECT_EQ(list.Count(), 5);
}

TEST(TStringList, ChangingTheOrderOfASortedListIsRefused)
{
    struct Case {
        const char* label;
        std::function<void(TStringList&)> call;
    };
    const Case cases[] = {
        {"Insert", [](TStringList& l) { l.Insert(0, "z"); }},
        {"InsertObject", [](TStringList& l) { l.InsertObject(2, "z", nullptr); }},
        {"Move", [](TStringList& l) { l.Move(0, 1); }},
        {"Exchange", [](TStringList& l) { l.Exchange(0, 1); }},
        {"Put", [](TStringList& l) { l.Put(0, "z"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        list.SetSorted(true);
        Fill(list, {"b", "a"});
        try {
            c.call(list);
            ADD_FAILURE() << "no exception";
        } catch (const EStringListError& e) {
            EXPECT_EQ(e.Message(), "Operations not allowed on sorted string list");
        }
        EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
    }
}

int CompareLengths(TStringList* list, int index1, int index2)
{
    return static_cast<int>(list->Strings(index1).size()) - static_cast<int>(list->Strings(index2).size());
}

TEST(TStringList, CustomSortIsStableAndLeavesSortedListsAlone)
{
    TObject marker;
    TStringList list;
    Fill(list, {"ccc", "a", "bb", "x", "dd", ""});
    list.PutObject(2, &marker);
    list.CustomSort(&CompareLengths);
    EXPECT_EQ(LinesOf(list), (Lines{"", "a", "x", "bb", "dd", "ccc"}));
    EXPECT_EQ(list.Objects(3), &marker);

    list.Sort();
    EXPECT_EQ(LinesOf(list), (Lines{"", "a", "bb", "ccc", "dd", "x"}));
    list.SetSorted(true);
    list.CustomSort(&CompareLengths);
    EXPECT_EQ(LinesOf(list), (Lines{"", "a", "bb", "ccc", "dd", "x"}));
}

// ---- Change notification ----

class ChangeLog {
public:
    explicit ChangeLog(TStringList& list)
    {
        list.SetOnChanging([this, &list](TObject* sender) {
            EXPECT_EQ(sender, &list);
            FEntries.push_back("changing " + std::to_string(list.Count()));
        });
        list.SetOnChange([this, &list](TObject* sender) {
            EXPECT_EQ(sender, &list);
            FEntries.push_back("change " + std::to_string(list.Count()));
        });
    }
    Lines Take()
    {
        Lines entries;
        entries.swap(FEntries);
        return entries;
    }

private:
    Lines FEntries;
};

TEST(TStringList, FiresChangingBeforeAndChangeAfterEveryChange)
{
    TObject object;
    struct Case {
        const char* label;
        std::function<void(TStringList&)> call;
        Lines expected;
    };
    const Case cases[] = {
        {"Add", [](TStringList& l) { l.Add("c"); }, {"changing 2", "change 3"}},
        {"Insert", [](TStringList& l) { l.Insert(0, "c"); }, {"changing 2", "change 3"}},
        {"Delete", [](TStringList& l) { l.Delete(0); }, {"changing 2", "change 1"}},
        {"Put", [](TStringList& l) { l.Put(0, "z"); }, {"changing 2", "change 2"}},
        {"PutObject", [&](TStringList& l) { l.PutObject(0, &object); }, {"changing 2", "change 2"}},
        {"Exchange", [](TStringList& l) { l.Exchange(0, 1); }, {"changing 2", "change 2"}},
        {"Move", [](TStringList& l) { l.Move(0, 1); }, {"changing 2", "change 2"}},
        {"Sort", [](TStringList& l) { l.Sort(); }, {"changing 2", "change 2"}},
        {"Clear", [](TStringList& l) { l.Clear(); }, {"changing 2", "change 0"}},
        {"SetText, once", [](TStringList& l) { l.SetText("x\r\ny\r\nz"); }, {"changing 2", "change 3"}},
        {"SetCommaText, once", [](TStringList& l) { l.SetCommaText("x"); }, {"changing 2", "change 1"}},
        {"a refused change", [](TStringList& l) { EXPECT_THROW(l.Delete(9), EStringListError); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TStringList list;
        Fill(list, {"b", "a"});
        ChangeLog log(list);
        c.call(list);
        EXPECT_EQ(log.Take(), c.expected);
    }
}

TEST(TStringList, UpdatesHoldNotificationsUntilTheOutermostEnd)
{
    TStringList list;
    ChangeLog log(list);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("a");
    list.Add("b");
    list.EndUpdate();
    EXPECT_EQ(log.Take(), (Lines{"changing 0"}));
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(log.Take(), (Lines{"change 1"}));
    list.EndUpdate();
    EXPECT_EQ(log.Take(), Lines{}) << "an unmatched EndUpdate is ignored";
    list.Clear();
    list.Clear();
    EXPECT_EQ(log.Take(), (Lines{"changing 1", "change 0"})) << "clearing an empty list changes nothing";
}

// ---- Whole-list operations ----

TEST(TStrings, AssignCopiesStringsAndObjectsFromAnyStrings)
{
    TObject object;
    TStringList source;
    source.AddObject("one", &object);
    source.Add("two");
    TStringList target;
    target.Add("old");
    target.Assign(&source);
    EXPECT_EQ(LinesOf(target), (Lines{"one", "two"}));
    EXPECT_EQ(target.Objects(0), &object);

    TVectorStrings plain;
    plain.Assign(&source);
    EXPECT_EQ(LinesOf(plain), (Lines{"one", "two"}));
    TStringList sorted;
    sorted.SetSorted(true);
    Fill(plain, {"a"});
    sorted.Assign(&plain);
    EXPECT_EQ(LinesOf(sorted), (Lines{"a", "one", "two"}));
}

TEST(TStrings, AssignFromAnotherKindOfObjectIsRefused)
{
    TPersistent other;
    TStringList list;
    list.Add("kept");
    EXPECT_THROW(list.Assign(&other), EConvertError);
    EXPECT_EQ(LinesOf(list), (Lines{"kept"}));
}

TEST(TStrings, AddStringsAppendsAndEqualsComparesStringsExactly)
{
    TStringList list, more;
    Fill(list, {"a"});
    Fill(more, {"b", "c"});
    list.AddStrings(more);
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));

    TVectorStrings same;
    Fill(same, {"a", "b", "c"});
    EXPECT_TRUE(list.Equals(same));
    same.Put(2, "C");
    EXPECT_FALSE(list.Equals(same)) << "case counts";
    same.Delete(2);
    EXPECT_FALSE(list.Equals(same));
}

TEST(TStrings, DefaultMoveAndExchangeWorkThroughTheAbstractInterface)
{
    TVectorStrings strings;
    Fill(strings, {"a", "b", "c", "d"});
    strings.Move(0, 2);
    EXPECT_EQ(LinesOf(strings), (Lines{"b", "c", "a", "d"}));
    strings.Exchange(0, 3);
    EXPECT_EQ(LinesOf(strings), (Lines{"d", "c", "a", "b"}));
    EXPECT_THROW(strings.Move(0, 4), EStringListError);
    EXPECT_EQ(strings.IndexOf("A"), 2);
    EXPECT_EQ(strings.CommaText(), "d,c,a,b");
}

// ---- Streams ----
//
// The file operations are tested with the file streams (stringlist_file_test.cpp).

TEST(TStrings, StreamsCarryTheTextFromThePositionOn)
{
    TMemoryStream stream;
    stream.WriteBuffer("skip", 4);
    TStringList list;
    Fill(list, {"a", "b"});
    list.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 10);
    stream.SetPosition(4);
    TStringList loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(LinesOf(loaded), (Lines{"a", "b"}));
    EXPECT_EQ(stream.Position(), 10);
}

} // namespace
