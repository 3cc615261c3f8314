#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>

#include "framework/datetime.h"
#include "framework/exceptions.h"
#include "framework/format.h"

namespace {

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    st.wMilliseconds = static_cast<WORD>(ms);
    return st;
}

TEST(EncodeDate, CountsDaysFromTheLastDaysOf1899)
{
    struct {
        int year, month, day;
        double expected;
        int dayOfWeek;
    } cases[] = {
        {1899, 12, 30, 0, 7},     {1899, 12, 31, 1, 1},   {1900, 1, 1, 2, 2},
        {1899, 12, 29, -1, 6},    {1900, 3, 1, 61, 5},    {2000, 1, 1, 36526, 7},
        {2024, 2, 29, 45351, 5},  {1601, 1, 1, -109205, 2}, {1, 1, 1, -693593, 2},
        {9999, 12, 31, 2958465, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Format("%.4d-%.2d-%.2d", {c.year, c.month, c.day}));
        TDateTime date = EncodeDate(c.year, c.month, c.day);
        EXPECT_EQ(date, c.expected);
        EXPECT_EQ(DayOfWeek(date), c.dayOfWeek);
        int year, month, day;
        DecodeDate(date, year, month, day);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
    }
}

TEST(EncodeDate, RefusesDaysThatDoNotExist)
{
    struct {
        int year, month, day;
    } cases[] = {{0, 1, 1},    {10000, 1, 1}, {-1, 1, 1},   {2001, 2, 29}, {1900, 2, 29}, {2000, 13, 1},
                 {2000, 0, 1}, {2000, 1, 0},  {2000, 4, 31}, {2000, 1, 32}, {2000, -1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Format("%d-%d-%d", {c.year, c.month, c.day}));
        try {
            EncodeDate(c.year, c.month, c.day);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to date encode");
        }
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeDate(c.year, c.month, c.day, value));
        EXPECT_EQ(value, 123);
    }
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
}

TEST(IsLeapYear, FollowsTheGregorianRule)
{
    struct {
        int year;
        bool leap;
    } cases[] = {{1900, false}, {2000, true}, {2004, true}, {2100, false}, {2023, false}, {4, true}, {1600, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(IsLeapYear(c.year), c.leap);
        EXPECT_EQ(DaysInAMonth(c.year, 2), c.leap ? 29 : 28);
    }
    EXPECT_EQ(DaysInAMonth(2023, 4), 30);
    EXPECT_EQ(DaysInAMonth(2023, 12), 31);
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

TEST(EncodeTime, IsTheFractionOfADay)
{
    EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), (86'400'000.0 - 1) / 86'400'000.0);
    EXPECT_DOUBLE_EQ(EncodeTime(0, 0, 1, 0), 1.0 / 86'400);
}

TEST(EncodeTime, RefusesFieldsOutOfRange)
{
    struct {
        int hour, minute, second, ms;
    } cases[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(Format("%d:%d:%d.%d", {c.hour, c.minute, c.second, c.ms}));
        try {
            EncodeTime(c.hour, c.minute, c.second, c.ms);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "Invalid argument to time encode");
        }
        TDateTime value = 123;
        EXPECT_FALSE(TryEncodeTime(c.hour, c.minute, c.second, c.ms, value));
        EXPECT_EQ(value, 123);
    }
}

void ExpectDecodes(TDateTime value, int year, int month, int day, int hour, int minute, int second, int ms)
{
    int y, mo, d, h, mi, s, mss;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, mss);
    EXPECT_EQ(Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d", {y, mo, d, h, mi, s, mss}),
              Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d.%.3d", {year, month, day, hour, minute, second, ms}));
}

TEST(DecodeDateTime, TheFractionIsTheTimeOfDayOnBothSidesOfDayZero)
{
    ExpectDecodes(-1.25, 1899, 12, 29, 6, 0, 0, 0);
    ExpectDecodes(1.25, 1899, 12, 31, 6, 0, 0, 0);
    ExpectDecodes(-2.75, 1899, 12, 28, 18, 0, 0, 0);
    ExpectDecodes(-0.5, 1899, 12, 30, 12, 0, 0, 0);
    EXPECT_EQ(SystemTimeToDateTime(MakeSystemTime(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(SystemTimeToDateTime(MakeSystemTime(1899, 12, 28, 18)), -2.75);
    EXPECT_EQ(DayOfWeek(-1.25), 6);
}

TEST(DecodeDateTime, RoundsToTheMillisecondIntoTheNextDay)
{
    const double almostMidnight = 1.0 + (86'400'000.0 - 0.4) / 86'400'000.0;
    ExpectDecodes(almostMidnight, 1900, 1, 1, 0, 0, 0, 0);
    ExpectDecodes(-(1.0 + (86'400'000.0 - 0.4) / 86'400'000.0), 1899, 12, 28, 0, 0, 0, 0);
}

TEST(DecodeDateTime, OutsideTheSupportedYearsGivesZeros)
{
    for (double value : {-693594.0, 2958466.0, std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        SCOPED_TRACE(value);
        int year = 1, month = 1, day = 1;
        DecodeDate(value, year, month, day);
        EXPECT_EQ(year, 0);
        EXPECT_EQ(month, 0);
        EXPECT_EQ(day, 0);
        EXPECT_THROW(DateTimeToSystemTime(value), EConvertError);
    }
}

// Every millisecond of a day must survive encoding at both ends of the calendar, where a
// double has the fewest bits left for the fraction.
TEST(DecodeDateTime, RoundTripsEveryMillisecondAtTheEndsOfTheCalendar)
{
    for (int year : {1, 1899, 1900, 9999}) {
        const int month = year == 1 ? 1 : 12;
        const int day = year == 1 ? 1 : 31;
        for (int ms = 0; ms < 86'400'000; ms += 997) {
            SYSTEMTIME st = MakeSystemTime(year, month, day, ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000);
            SYSTEMTIME back = DateTimeToSystemTime(SystemTimeToDateTime(st));
            ASSERT_EQ(std::make_tuple(back.wYear, back.wMonth, back.wDay, back.wHour, back.wMinute, back.wSecond,
                                      back.wMilliseconds),
                      std::make_tuple(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                                      st.wMilliseconds));
        }
    }
}

TEST(DecodeDateTime, RoundTripsDatesAcrossTheCalendar)
{
    // Steps of 1 to 997 days walk through every month and leap rule of all ten millennia.
    int checked = 0;
    for (double day = -693593; day <= 2958465; day += 1 + (checked % 997), ++checked) {
        int year, month, dayOfMonth;
        DecodeDate(day, year, month, dayOfMonth);
        ASSERT_EQ(EncodeDate(year, month, dayOfMonth), day);
        ASSERT_EQ(DayOfWeek(day), static_cast<int>(std::fmod(std::fmod(day + 6, 7) + 7, 7)) + 1) << day;
    }
    EXPECT_GT(checked, 5000);
}

TEST(SystemTime, AgreesWithWindowsOnDatesAndWeekdays)
{
    for (SYSTEMTIME st : {MakeSystemTime(1601, 1, 1), MakeSystemTime(1970, 1, 1, 0, 0, 0, 1),
                          MakeSystemTime(2000, 2, 29, 23, 59, 59, 999), MakeSystemTime(2038, 1, 19, 3, 14, 8),
                          MakeSystemTime(9999, 12, 31, 12, 30)}) {
        SCOPED_TRACE(Format("%d-%d-%d", {st.wYear, st.wMonth, st.wDay}));
        // Windows fills in the day of the week when a SYSTEMTIME goes through a FILETIME.
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&st, &ft)) << GetLastError();
        SYSTEMTIME windows;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &windows)) << GetLastError();

        TDateTime value = SystemTimeToDateTime(st);
        EXPECT_EQ(FileTimeToDateTime(ft), value);
        SYSTEMTIME ours = DateTimeToSystemTime(value);
        EXPECT_EQ(ours.wDayOfWeek, windows.wDayOfWeek);
        EXPECT_EQ(ours.wYear, windows.wYear);
        EXPECT_EQ(ours.wMonth, windows.wMonth);
        EXPECT_EQ(ours.wDay, windows.wDay);
        EXPECT_EQ(ours.wHour, windows.wHour);
        EXPECT_EQ(ours.wMinute, windows.wMinute);
        EXPECT_EQ(ours.wSecond, windows.wSecond);
        EXPECT_EQ(ours.wMilliseconds, windows.wMilliseconds);
    }
}

TEST(SystemTime, FieldsOutOfRangeAreRefused)
{
    EXPECT_THROW(SystemTimeToDateTime(MakeSystemTime(2023, 2, 29)), EConvertError);
    EXPECT_THROW(SystemTimeToDateTime(MakeSystemTime(2023, 1, 1, 24)), EConvertError);
}

TEST(FileTimeToDateTime, DropsTicksBelowAMillisecondAndStopsAfter9999)
{
    FILETIME epoch{0, 0};
    EXPECT_EQ(FileTimeToDateTime(epoch), -109205.0);

    // 1601-01-01 00:00:00.0019999: the 9999 ticks below the millisecond do not round up.
    FILETIME almost{19'999, 0};
    ExpectDecodes(FileTimeToDateTime(almost), 1601, 1, 1, 0, 0, 0, 1);

    FILETIME beyond{0xFFFFFFFFu, 0x7FFFFFFFu};
    EXPECT_THROW(FileTimeToDateTime(beyond), EConvertError);
}

TEST(Now, IsTheLocalTimeAndSplitsIntoDateAndTime)
{
    SYSTEMTIME before;
    GetLocalTime(&before);
    TDateTime now = Now();
    SYSTEMTIME after;
    GetLocalTime(&after);
    EXPECT_GE(now, SystemTimeToDateTime(before));
    EXPECT_LE(now, SystemTimeToDateTime(after));

    TDateTime date = Date();
    TDateTime time = Time();
    EXPECT_EQ(date, std::floor(date));
    EXPECT_GE(date, std::floor(SystemTimeToDateTime(before)));
    EXPECT_LE(date, std::floor(Now()));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
}

} // namespace
