// Dates and times of the script language. A date is a day number: the whole
// part counts days from 30 December 1899, the fraction is the time of day
// (0.5 is noon). For a negative day number the whole part still names the day
// and the fraction's magnitude the time, so -1.25 is 29 December 1899 06:00.
//
// The engine's date texts do not depend on the machine's regional settings:
// they follow the one fixed set of settings below, so a script prints and
// reads dates the same everywhere.
//   short date    yyyy-mm-dd          (1900-01-01)
//   long date     dddd, d mmmm yyyy   (Monday, 1 January 1900)
//   short time    hh:nn               (06:00)
//   long time     hh:nn:ss            (06:00:00)
//   date and time short date, a blank, long time (1900-01-01 06:00:00)
//   separators    date "-", time ":"; 12-hour markers "AM" and "PM"
//   names         English month and day names
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pevox {

// The calendar fields of a day number.
struct DateTimeParts {
    int Year = 1899;
    int Month = 12;  // 1-12
    int Day = 30;    // 1-31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    int DayOfWeek = 0;  // 0 = Sunday
};

// The calendar fields of a day number, the time rounded to the millisecond;
// none for a day number outside the years 1 to 9999 (or not a number).
std::optional<DateTimeParts> DecodeDayNumber(double dayNumber);
// The day number of calendar fields; none for a date or time that does not
// exist (month 13, 30 February, minute 60, ...) or lies outside the years 1 to 9999.
std::optional<double> EncodeDayNumber(const DateTimeParts& parts);

// The current local date and time, to the millisecond.
double NowDayNumber();
// The seconds since 1 January 1970 UTC, with the milliseconds as fraction.
double TimerSeconds();

// The fixed regional texts; none for a day number outside the years 1 to 9999.
std::optional<std::string> ShortDateText(double dayNumber);
std::optional<std::string> LongTimeText(double dayNumber);
std::optional<std::string> DateTimeText(double dayNumber);

// Formats a day number by a format text of the class library's date
// specifiers, matched without regard to case:
//   c       short date, then a blank and the long time unless the time is midnight
//   d dd    day of the month without / with a leading zero
//   ddd dddd        short / long day name (Sun, Sunday)
//   ddddd dddddd    short / long date
//   m mm    month without / with a leading zero; right after h or hh the minute
//   mmm mmmm        short / long month name (Jan, January)
//   yy yyyy two-digit / four-digit year (one "y" counts as yy, three as yyyy)
//   h hh n nn s ss  hour, minute, second without / with a leading zero
//   z zzz   millisecond without / with leading zeros
//   t tt    short / long time
//   am/pm a/p ampm  12-hour clock for every hour of the format, shown as
//                   am or pm (in the case written), a or p, AM or PM
//   /  :    date separator, time separator
//   "..." '...'     literal text
// Any other character stands for itself. An empty format means "c". None for
// a day number outside the years 1 to 9999.
std::optional<std::string> FormatDateTime(std::string_view format, double dayNumber);

// Reads a date and time in the fixed formats: a date (year-month-day, the
// year of one to four digits), a time (hours:minutes, optionally :seconds
// and .milliseconds, optionally followed by AM or PM), or a date, blanks or a
// "T", and a time. Blanks around are allowed. None for any other text.
std::optional<double> ParseDateTime(std::string_view text);

// The size of one unit of DATEADD and DATESUB in days, chosen by the first
// character of the trimmed unit text: D days, H hours, M minutes, S seconds
// (in either case); none for any other text.
std::optional<double> DateUnitSize(std::string_view unit);

}  // namespace pevox
