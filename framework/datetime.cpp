#include "framework/datetime.h"

#include <cmath>
#include <cstdint>

#include "framework/exceptions.h"

namespace {

constexpr std::int64_t MsPerDay = 24LL * 60 * 60 * 1000;
constexpr std::int64_t TicksPerMs = 10'000;   // FILETIME counts 100 ns ticks

// Days from 0001-01-01 of the proleptic Gregorian calendar, counted in 400-year eras of
// 146097 days so that the arithmetic is exact for every supported year.
std::int64_t DaysFromCivil(int year, int month, int day) noexcept
{
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yearOfEra = y - era * 400;
    std::int64_t shiftedMonth = month > 2 ? month - 3 : month + 9;   // March = 0
    std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) noexcept
{
    std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    std::int64_t dayOfEra = days - era * 146097;
    std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

const std::int64_t DayZero = DaysFromCivil(1899, 12, 30);
const std::int64_t FirstDay = DaysFromCivil(1, 1, 1) - DayZero;
const std::int64_t LastDay = DaysFromCivil(9999, 12, 31) - DayZero;
// FILETIME counts from 1601-01-01.
const std::int64_t FileTimeEpochDay = DaysFromCivil(1601, 1, 1) - DayZero;

// A value split into its day number and the milliseconds of that day. Rounding happens
// once, on the whole value in milliseconds, so 23:59:59.9996 becomes midnight of the next
// day rather than a time of 24:00.
struct TDayAndTime {
    std::int64_t Day;
    std::int64_t Ms;
};

TDayAndTime Split(TDateTime value) noexcept
{
    // The day part can be negative while the time part counts forward from midnight, so
    // the total keeps the value's sign and the remainder is taken by magnitude.
    double scaled = std::round(value * static_cast<double>(MsPerDay));
    if (!(std::fabs(scaled) < 9.0e18)) return {LastDay + 1, 0};   // NaN or far out of range
    std::int64_t total = static_cast<std::int64_t>(scaled);
    std::int64_t ms = total % MsPerDay;
    return {total / MsPerDay, ms < 0 ? -ms : ms};
}

// 32-bit builds compute on the x87 with a 64-bit mantissa and may hand a result on
// unrounded in a register; going through memory rounds it to a double, so the same date
// and time always give the same value, however the caller keeps it.
TDateTime RoundedToDouble(double value) noexcept
{
    volatile double rounded = value;
    return rounded;
}

TDateTime Combine(TDateTime date, TDateTime time) noexcept
{
    return RoundedToDouble(date < 0 ? date - time : date + time);
}

[[noreturn]] void RaiseDateEncode()
{
    throw EConvertError("Invalid argument to date encode");
}

[[noreturn]] void RaiseTimeEncode()
{
    throw EConvertError("Invalid argument to time encode");
}

} // namespace

bool IsLeapYear(int year) noexcept
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) noexcept
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) noexcept
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    value = static_cast<double>(DaysFromCivil(year, month, day) - DayZero);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) noexcept
{
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || millisecond < 0 ||
        millisecond >= 1000)
        return false;
    std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    value = RoundedToDouble(static_cast<double>(ms) / static_cast<double>(MsPerDay));
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value)) RaiseDateEncode();
    return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    TDateTime value = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, value)) RaiseTimeEncode();
    return value;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept
{
    TDayAndTime parts = Split(value);
    if (parts.Day < FirstDay || parts.Day > LastDay) {
        year = month = day = 0;
        return;
    }
    CivilFromDays(parts.Day + DayZero, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) noexcept
{
    std::int64_t ms = Split(value).Ms;
    millisecond = static_cast<int>(ms % 1000);
    second = static_cast<int>(ms / 1000 % 60);
    minute = static_cast<int>(ms / 60'000 % 60);
    hour = static_cast<int>(ms / 3'600'000);
}

int DayOfWeek(TDateTime value) noexcept
{
    // Day 0 was a Saturday.
    std::int64_t weekday = (Split(value).Day + 6) % 7;
    if (weekday < 0) weekday += 7;
    return static_cast<int>(weekday) + 1;
}

TDateTime Now()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return SystemTimeToDateTime(now);
}

TDateTime Date()
{
    return std::trunc(Now());
}

TDateTime Time()
{
    TDateTime now = Now();
    return now - std::trunc(now);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& systemTime)
{
    TDateTime date = EncodeDate(systemTime.wYear, systemTime.wMonth, systemTime.wDay);
    TDateTime time = EncodeTime(systemTime.wHour, systemTime.wMinute, systemTime.wSecond, systemTime.wMilliseconds);
    return Combine(date, time);
}

SYSTEMTIME DateTimeToSystemTime(TDateTime value)
{
    TDayAndTime parts = Split(value);
    if (parts.Day < FirstDay || parts.Day > LastDay) RaiseDateEncode();
    int year, month, day, hour, minute, second, millisecond;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
    SYSTEMTIME result{};
    result.wYear = static_cast<WORD>(year);
    result.wMonth = static_cast<WORD>(month);
    result.wDay = static_cast<WORD>(day);
    result.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
    result.wHour = static_cast<WORD>(hour);
    result.wMinute = static_cast<WORD>(minute);
    result.wSecond = static_cast<WORD>(second);
    result.wMilliseconds = static_cast<WORD>(millisecond);
    return result;
}

TDateTime FileTimeToDateTime(const FILETIME& fileTime)
{
    // Done in integers rather than through FileTimeToSystemTime: exact to the millisecond
    // and the same on every Windows version.
    std::uint64_t ticks = (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    std::uint64_t ms = ticks / TicksPerMs;
    std::int64_t day = static_cast<std::int64_t>(ms / MsPerDay) + FileTimeEpochDay;
    if (day > LastDay) RaiseDateEncode();
    return Combine(static_cast<double>(day), static_cast<double>(ms % MsPerDay) / static_cast<double>(MsPerDay));
}
