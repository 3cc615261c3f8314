// The options stream: byte equality with the independent writer of the build tools,
// round trips, the CR LF rule, the data versions and malformed streams.
#include <gtest/gtest.h>

#include <cstdint>

#include "Ecore_options_samples.h"
#include "exceptions/Econsts.h"
#include "exceptions/Ecore.h"
#include "framework/exceptions.h"

namespace {

// Streams written at build time by tools/eldata/options_stream.py: the defaults, and
// the options of Ecore_stream_options.txt.
const char* const DefaultsStream = "Ecore_stream_defaults.bin";
const char* const NonDefaultStream = "Ecore_stream_options.bin";

// Offsets in a stream of the defaults (fixed-width options before the first string).
constexpr std::size_t LogOptionsOffset = 2;
constexpr std::size_t ForegroundTabOffset = 5;
constexpr std::size_t SMTPFromLengthOffset = 11;

void PutInteger(std::string& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// Where the filter count sits in a stream without filters: before EMailMessage, the
// texts and TextsCollection, which are all at their defaults.
std::size_t FilterCountOffsetOfDefaults(const std::string& stream)
{
    std::size_t tail = 4 + 4 + DefaultTextsCollection.size();
    for (int i = 0; i < MessageTypeCount; ++i) tail += 4 + DefaultMessageText(static_cast<TMessageType>(i)).size();
    return stream.size() - tail - 4;
}

TEST(EcoreStream, DefaultsAreWrittenAsTheIndependentWriterWritesThem)
{
    TVantrelModuleOptions options("");
    EXPECT_EQ(SavedStream(options), ReadFixture(DefaultsStream));
}

TEST(EcoreStream, EveryOptionAwayFromItsDefaultIsWrittenAsTheIndependentWriterWritesIt)
{
    TVantrelModuleOptions options("");
    ApplyNonDefaultOptions(options);
    const std::string expected = ReadFixture(NonDefaultStream);
    const std::string written = SavedStream(options);
    ASSERT_EQ(written.size(), expected.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        ASSERT_EQ(written[i], expected[i]) << "first difference at offset " << i;
    }
}

TEST(EcoreStream, LoadingTheIndependentWritersStreamRestoresEveryOption)
{
    const std::string expected = ReadFixture(NonDefaultStream);
    TVantrelModuleOptions options("");
    LoadStream(options, expected);
    // Every option of that stream differs from its default, so one that was not read
    // (or read into the wrong option) would show in the stream written back.
    EXPECT_EQ(SavedStream(options), expected);

    EXPECT_EQ(options.ErrorsNumberToSave(), 1);
    EXPECT_EQ(options.ShowOptions(), (TShowOptions::All() - TShowOptions{soAppStartDate, soNetIP, soCustomData}));
    EXPECT_EQ(options.SMTPPassword(), "p\xE4ss w\"rd");
    EXPECT_EQ(options.AutoCrashMinutes(), -0x7FFFFFFF - 1);
    EXPECT_EQ(options.ProxyPort(), 0xFFFF);
    EXPECT_EQ(options.SupportURL(), "http://support.test.invalid/");
    EXPECT_EQ(options.EMailMessage(), "Line 1\r\nLine 2\r\n");
    ASSERT_EQ(options.ExceptionsFilters().Count(), 3);
    const TVantrelExceptionFilter second{false, "EAbort", "Ignored: %_ExceptMsg%", fetUnhandled, fdtUnchanged, fhtVantrelLog, fatTerminate};
    EXPECT_EQ(*options.ExceptionsFilters().GetItem(1), second);
    EXPECT_EQ(options.ExceptionsFilters().GetItem(2)->MessageText, "");
    EXPECT_EQ(options.GetCustomizedTexts(mtReserved153), "now used");
    EXPECT_EQ(options.GetCustomizedTexts(mtLog_CmpTotalMemory), "");
    EXPECT_EQ(options.GetCustomizedTexts(mtLog_CmpFreeMemory), "Free Memory");
    EXPECT_EQ(options.TextsCollection(), "Deutsch");
    // Not in the stream: untouched.
    EXPECT_EQ(options.ReproduceText(), "");
    EXPECT_TRUE(options.Active());
}

TEST(EcoreStream, LoadingReplacesTheFiltersAndTextsHeldBefore)
{
    TVantrelModuleOptions options("");
    ApplyNonDefaultOptions(options);
    LoadStream(options, ReadFixture(DefaultsStream));
    TVantrelModuleOptions fresh("");
    EXPECT_EQ(SavedStream(options), SavedStream(fresh));
    EXPECT_EQ(options.ExceptionsFilters().Count(), 0);
}

TEST(EcoreStream, AStringLosesOneLineBreakOnlyWhenItIsItsFirstAndLast)
{
    const struct {
        const char* given;
        const char* stored;
    } cases[] = {
        {"abc\r\n", "abc"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\r\n", ""},
        {"abc\r\n\r\n", "abc\r\n\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"abc\n", "abc\n"},
        {"abc\r", "abc\r"},
        {"\r", "\r"},
        {"\r\nabc", "\r\nabc"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.given)));
        TVantrelModuleOptions options("");
        options.SetSMTPHost(c.given);
        options.SetCustomizedTexts(mtInvalidEmailMsg, c.given);
        TVantrelModuleOptions loaded("");
        LoadStream(loaded, SavedStream(options));
        EXPECT_EQ(loaded.SMTPHost(), c.stored);
        EXPECT_EQ(loaded.GetCustomizedTexts(mtInvalidEmailMsg), c.stored);
        // Only the stream form changes; the option keeps what it was given.
        EXPECT_EQ(options.SMTPHost(), c.given);
    }
}

TEST(EcoreStream, EveryDataVersionFrom6000ToTheCurrentOneIsReadAndNoOther)
{
    const std::string stream = ReadFixture(NonDefaultStream);
    const struct {
        int version;
        bool readable;
    } cases[] = {{0, true},     {6000, true},  {6001, true},  {6015, true}, {5999, false},
                 {500, false},  {1, false},    {-1, false},   {6016, false}, {0x7FFF, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        TVantrelModuleOptions options("");
        if (c.readable) {
            LoadStream(options, stream, c.version);
            EXPECT_EQ(SavedStream(options), stream);
        } else {
            try {
                LoadStream(options, stream, c.version);
                ADD_FAILURE() << "read";
            } catch (const EReadError& e) {
                EXPECT_NE(e.Message().find(std::to_string(c.version)), std::string::npos) << e.Message();
            }
            // Refused before anything was read.
            EXPECT_FALSE(options.ActivateLog());
        }
    }
    EXPECT_EQ(LastVantrelVersion, 0);
}

TEST(EcoreStream, EveryTruncationIsRefusedAndLeavesAUsableObject)
{
    const std::string stream = ReadFixture(NonDefaultStream);
    TVantrelModuleOptions options("");
    for (std::size_t size = 0; size < stream.size(); ++size) {
        SCOPED_TRACE(size);
        ASSERT_THROW(LoadStream(options, stream.substr(0, size)), EReadError);
    }
    LoadStream(options, stream);
    EXPECT_EQ(SavedStream(options), stream);
}

TEST(EcoreStream, MalformedValuesAreRefused)
{
    const std::string defaults = ReadFixture(DefaultsStream);
    const std::size_t filterCount = FilterCountOffsetOfDefaults(defaults);
    ASSERT_EQ(defaults.substr(filterCount, 4), std::string(4, '\0'));
    const struct {
        const char* fault;
        std::size_t offset;
        std::uint32_t value;
        bool integer;
    } cases[] = {
        {"string longer than the stream", SMTPFromLengthOffset, 0x7FFFFFFF, true},
        {"string just past the end", SMTPFromLengthOffset, static_cast<std::uint32_t>(defaults.size()), true},
        {"negative string length", SMTPFromLengthOffset, 0xFFFFFFFF, true},
        {"enumeration value past its members", ForegroundTabOffset, ftCPU + 1, false},
        {"enumeration value 255", ForegroundTabOffset, 0xFF, false},
        {"set bit past its members", LogOptionsOffset, 1u << 6, false},
        {"filter count beyond the stream", filterCount, 0x7FFFFFFF, true},
        {"filter count just beyond the stream", filterCount, 1000, true},
        {"negative filter count", filterCount, 0x80000000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        std::string bytes = defaults;
        if (c.integer) {
            PutInteger(bytes, c.offset, c.value);
        } else {
            bytes[c.offset] = static_cast<char>(c.value);
        }
        TVantrelModuleOptions options("");
        EXPECT_THROW(LoadStream(options, bytes), EReadError);
    }
}

TEST(EcoreStream, ShowOptionsKeepAllSixBytes)
{
    TVantrelModuleOptions options("");
    options.SetShowOptions({soCustomData, soNetDHCP});
    TVantrelModuleOptions loaded("");
    LoadStream(loaded, SavedStream(options));
    EXPECT_EQ(loaded.ShowOptions(), (TShowOptions{soCustomData, soNetDHCP}));
}

}  // namespace
