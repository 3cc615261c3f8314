// Date-time values of the runtime.
//
// A TDateTime counts days since 30 December 1899 00:00 in its whole part, and the time of
// day in its fraction. The fraction is the time of day even for dates before that day,
// where the value is negative: -1.25 is 29 December 1899 06:00 (the day -1, then a
// quarter of a day). Supported dates are 1 January 0001 to 31 December 9999 of the
// proleptic Gregorian calendar; times have millisecond resolution. All functions may be
// called from any thread.
#pragma once

#include <windows.h>

using TDateTime = double;

bool IsLeapYear(int year) noexcept;
// Days of a month (1..12) of a year; 0 for a month out of range.
int DaysInAMonth(int year, int month) noexcept;

// The date (whole days, no time of day). Raises EConvertError "Invalid argument to date
// encode" for a year outside 1..9999, a month outside 1..12 or a day not in that month.
TDateTime EncodeDate(int year, int month, int day);
// The time of day as a fraction of a day. Raises EConvertError "Invalid argument to time
// encode" unless hour < 24, minute < 60, second < 60 and millisecond < 1000 (none negative).
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
// As above, but answer false (and leave value unchanged) instead of raising.
bool TryEncodeDate(int year, int month, int day, TDateTime& value) noexcept;
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) noexcept;

// The date part of value; all zero when value lies outside the supported years.
void DecodeDate(TDateTime value, int& year, int& month, int& day) noexcept;
// The time of day of value, rounded to the nearest millisecond.
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) noexcept;
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(TDateTime value) noexcept;

// The current local date and time; its date part only; its time part only.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// The date and time of a SYSTEMTIME (wDayOfWeek is ignored); raises EConvertError as
// EncodeDate and EncodeTime do for fields out of range.
TDateTime SystemTimeToDateTime(const SYSTEMTIME& systemTime);
// The fields of value, wDayOfWeek included (0 for Sunday). Raises EConvertError "Invalid
// argument to date encode" when value lies outside the supported years.
SYSTEMTIME DateTimeToSystemTime(TDateTime value);
// The date and time of a FILETIME taken as it is: pass a local file time (for example
// from FileTimeToLocalFileTime) to get local time. Ticks below a millisecond are dropped.
// Raises EConvertError "Invalid argument to date encode" past the year 9999.
TDateTime FileTimeToDateTime(const FILETIME& fileTime);
