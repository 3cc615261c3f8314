// The options object: defaults, the built-in texts, setters, assignment, the filter list
// and the shared-data-write counter.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Ecore_options_samples.h"
#include "exceptions/Econsts.h"
#include "exceptions/Ecore.h"
#include "framework/exceptions.h"


namespace {

// "\r" and "\n" in the fixture stand for CR and LF.
std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'r' || text[i + 1] == 'n')) {
            out.push_back(text[i + 1] == 'r' ? '\r' : '\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

TEST(EcoreOptionsTexts, EveryDefaultTextAndMemberNameMatchTheTable)
{
    std::istringstream table(ReadFixture("Ecore_texts_defaults.tsv"));
    TVantrelModuleOptions options("");
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const int index = std::stoi(line.substr(0, tab1));
        const std::string member = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string text = Unescaped(line.substr(tab2 + 1));
        SCOPED_TRACE(member);
        ASSERT_EQ(index, rows);
        const auto messageType = static_cast<TMessageType>(index);
        EXPECT_EQ(MessageTypeName(messageType), member);
        EXPECT_EQ(DefaultMessageText(messageType), text);
        EXPECT_EQ(options.GetCustomizedTexts(messageType), text);
        EXPECT_EQ(MessageTypeFromName(member), messageType);
        ++rows;
    }
    EXPECT_EQ(rows, MessageTypeCount);
}

TEST(EcoreOptionsTexts, ValuesOutsideTheEnumerationAreRefused)
{
    TVantrelModuleOptions options("");
    const auto outside = static_cast<TMessageType>(MessageTypeCount);
    EXPECT_THROW(options.GetCustomizedTexts(outside), EListError);
    EXPECT_THROW(options.SetCustomizedTexts(outside, "x"), EListError);
    EXPECT_EQ(MessageTypeName(outside), "");
    EXPECT_FALSE(MessageTypeFromName("mtNoSuchText").has_value());
}

TEST(EcoreOptions, OptionsOutsideTheStreamStartAtTheirDefaults)
{
    TVantrelModuleOptions options("");
    EXPECT_TRUE(options.Active());
    EXPECT_EQ(options.ModuleName(), "");
    EXPECT_EQ(options.ModuleHandle(), nullptr);
    EXPECT_EQ(options.ReproduceText(), "");
    EXPECT_EQ(options.PreBuildEvent(), "");
    EXPECT_EQ(options.PostSuccessfulBuildEvent(), "");
    EXPECT_EQ(options.PostFailureBuildEvent(), "");
    EXPECT_EQ(options.SharedDataWriteCounter(), 0);
}

TEST(EcoreOptions, ErrorsNumberToSaveIsNeverZero)
{
    const struct {
        int given, stored;
    } cases[] = {{0, 1}, {1, 1}, {-1, -1}, {32, 32}, {1000, 1000}};
    TVantrelModuleOptions options("");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        options.SetErrorsNumberToSave(c.given);
        EXPECT_EQ(options.ErrorsNumberToSave(), c.stored);
    }
}

TEST(EcoreOptions, SetToDefaultOptionsUndoesEveryChangeButActive)
{
    TVantrelModuleOptions fresh("");
    TVantrelModuleOptions options("");
    ApplyNonDefaultOptions(options);
    options.SetActive(false);
    options.SetToDefaultOptions();
    EXPECT_EQ(SavedStream(options), SavedStream(fresh));
    EXPECT_EQ(options.ExceptionsFilters().Count(), 0);
    EXPECT_EQ(options.ReproduceText(), "");
    EXPECT_EQ(options.PostFailureBuildEvent(), "");
    EXPECT_FALSE(options.Active());
}

TEST(EcoreOptionsAssign, NilIsRefusedWithTheLibrarysMessage)
{
    TVantrelModuleOptions options("");
    try {
        options.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Impossible to assign nil as TVantrelModuleOptions.");
    }
}

TEST(EcoreOptionsAssign, TheObjectItselfChangesNothingAndWritesNothing)
{
    TCountingOptions options(OwnModuleName());
    ApplyNonDefaultOptions(options);
    const std::string before = SavedStream(options);
    options.Stores = 0;
    options.Assign(&options);
    EXPECT_EQ(SavedStream(options), before);
    EXPECT_EQ(options.ExceptionsFilters().Count(), 3);
    EXPECT_EQ(options.Stores, 0);
}

TEST(EcoreOptionsAssign, CopiesEveryOptionButActiveAndTheModule)
{
    TVantrelModuleOptions source("source.dll");
    ApplyNonDefaultOptions(source);
    source.SetActive(false);
    TVantrelModuleOptions target("target.dll");
    target.Assign(&source);

    EXPECT_EQ(SavedStream(target), SavedStream(source));
    EXPECT_EQ(target.ReproduceText(), "Click twice.");
    EXPECT_EQ(target.PreBuildEvent(), "pre.cmd");
    EXPECT_EQ(target.PostSuccessfulBuildEvent(), "ok.cmd");
    EXPECT_EQ(target.PostFailureBuildEvent(), "failed.cmd");
    EXPECT_TRUE(target.Active());
    EXPECT_EQ(target.ModuleName(), "target.dll");

    // The filters are copies, not shared records.
    source.ExceptionsFilters().Delete(0);
    source.ExceptionsFilters().SetItem(0, {});
    ASSERT_EQ(target.ExceptionsFilters().Count(), 3);
    EXPECT_EQ(target.ExceptionsFilters().GetItem(0)->ClassNameText, "EAccessViolation");
    EXPECT_EQ(target.ExceptionsFilters().GetItem(1)->ClassNameText, "EAbort");
}

TEST(EcoreOptionsFilters, KeepOrderAndOwnTheirRecords)
{
    TVantrelModuleOptions options("");
    TVantrelExceptionsFilters& filters = options.ExceptionsFilters();
    EXPECT_EQ(filters.Owner(), &options);
    EXPECT_TRUE(filters.InheritsFrom("TList"));

    TVantrelExceptionFilter a;
    a.ClassNameText = "A";
    TVantrelExceptionFilter b;
    b.ClassNameText = "B";
    b.ActionKind = fatTerminate;
    TVantrelExceptionFilter c;
    c.ClassNameText = "C";
    EXPECT_EQ(filters.Add(a), 0);
    EXPECT_EQ(filters.Add(c), 1);
    filters.Insert(1, b);
    ASSERT_EQ(filters.Count(), 3);
    EXPECT_EQ(*filters.GetItem(0), a);
    EXPECT_EQ(*filters.GetItem(1), b);
    EXPECT_EQ(*filters.GetItem(2), c);

    filters.Delete(0);
    ASSERT_EQ(filters.Count(), 2);
    EXPECT_EQ(filters.GetItem(0)->ClassNameText, "B");

    EXPECT_THROW(filters.GetItem(2), EListError);
    EXPECT_THROW(filters.Delete(-1), EListError);
    EXPECT_THROW(filters.Insert(3, a), EListError);
    EXPECT_THROW(filters.SetItem(2, a), EListError);
    EXPECT_EQ(filters.Count(), 2);

    TVantrelModuleOptions other("");
    other.ExceptionsFilters().Add(c);
    other.ExceptionsFilters().Assign(filters);
    ASSERT_EQ(other.ExceptionsFilters().Count(), 2);
    EXPECT_EQ(*other.ExceptionsFilters().GetItem(0), b);
    EXPECT_NE(other.ExceptionsFilters().GetItem(0), filters.GetItem(0));
    other.ExceptionsFilters().Assign(other.ExceptionsFilters());
    EXPECT_EQ(other.ExceptionsFilters().Count(), 2);

    filters.Clear();
    EXPECT_EQ(filters.Count(), 0);
}

// ---- The shared-data-write counter ----

TEST(EcoreOptionsSharedData, EverySetterAndFilterChangeWritesOnce)
{
    TCountingOptions options(OwnModuleName());
    EXPECT_EQ(options.Stores, 0) << "the constructor's defaults reach the base class only";
    ApplyNonDefaultOptions(options);
    EXPECT_EQ(options.Stores, NonDefaultSetterCalls);

    TVantrelExceptionsFilters& filters = options.ExceptionsFilters();
    const struct {
        const char* change;
        std::function<void()> run;
    } changes[] = {
        {"Add", [&] { filters.Add({}); }},
        {"Insert", [&] { filters.Insert(0, {}); }},
        {"SetItem", [&] { filters.SetItem(0, {}); }},
        {"Delete", [&] { filters.Delete(0); }},
        {"Clear", [&] { filters.Clear(); }},
        {"Assign", [&] {
             TVantrelModuleOptions other("");
             ApplyNonDefaultOptions(other);
             filters.Assign(other.ExceptionsFilters());
         }},
        {"SetActive", [&] { options.SetActive(false); }},
        {"SetFreezeActivate", [&] { options.SetFreezeActivate(false); }},
        {"SetCustomizedTexts", [&] { options.SetCustomizedTexts(mtDialog_Caption, "x"); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        options.Stores = 0;
        c.run();
        EXPECT_EQ(options.Stores, 1);
    }
}

TEST(EcoreOptionsSharedData, BulkChangesWriteOnceAtTheirEnd)
{
    TVantrelModuleOptions source("");
    ApplyNonDefaultOptions(source);
    const std::string stream = SavedStream(source);

    TCountingOptions options(OwnModuleName());
    const struct {
        const char* change;
        std::function<void()> run;
    } changes[] = {
        {"Assign", [&] { options.Assign(&source); }},
        {"SetToDefaultOptions", [&] { options.SetToDefaultOptions(); }},
        {"LoadFromStream", [&] { LoadStream(options, stream); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.change);
        options.Stores = 0;
        c.run();
        EXPECT_EQ(options.Stores, 1);
        EXPECT_EQ(options.SharedDataWriteCounter(), 0);
    }
}

TEST(EcoreOptionsSharedData, NothingIsWrittenWhileDisabledAndCallsNest)
{
    TCountingOptions options(OwnModuleName());
    options.DisableSharedDataWrite();
    options.DisableSharedDataWrite();
    ApplyNonDefaultOptions(options);
    options.SetToDefaultOptions();
    options.EnableSharedDataWrite();
    options.SetFreezeTimeout(1);
    EXPECT_EQ(options.Stores, 0);
    options.EnableSharedDataWrite();
    options.SetFreezeTimeout(2);
    EXPECT_EQ(options.Stores, 1);
    // An unmatched Enable does not make the counter negative.
    options.EnableSharedDataWrite();
    EXPECT_EQ(options.SharedDataWriteCounter(), 0);
    options.DisableSharedDataWrite();
    options.SetFreezeTimeout(3);
    EXPECT_EQ(options.Stores, 1);
}

TEST(EcoreOptionsSharedData, AFailedLoadWritesNothingAndLeavesTheWriteEnabled)
{
    TCountingOptions options(OwnModuleName());
    EXPECT_THROW(LoadStream(options, std::string(10, '\0')), EReadError);
    EXPECT_EQ(options.Stores, 0);
    EXPECT_EQ(options.SharedDataWriteCounter(), 0);
    options.SetAppendLogs(true);
    EXPECT_EQ(options.Stores, 1);
}

#ifdef _WIN32
TEST(EcoreOptionsSharedData, OptionsOfAnotherModuleAreNeverWritten)
{
    TCountingOptions other("kernel32.dll");
    EXPECT_NE(other.ModuleHandle(), nullptr);
    ApplyNonDefaultOptions(other);
    other.SetToDefaultOptions();
    EXPECT_EQ(other.Stores, 0);

    TCountingOptions unloaded("no-such-module.dll");
    EXPECT_EQ(unloaded.ModuleHandle(), nullptr);
    unloaded.SetAppendLogs(true);
    EXPECT_EQ(unloaded.Stores, 0);

    TCountingOptions own(OwnModuleName());
    EXPECT_EQ(own.ModuleHandle(), ThisModuleHandle());
    own.SetAppendLogs(true);
    EXPECT_EQ(own.Stores, 1);
}
#endif

}  // namespace
