#include "Tlangdatetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace pevox {
namespace {

double Encode(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    DateTimeParts parts;
    parts.Year = y;
    parts.Month = mo;
    parts.Day = d;
    parts.Hour = h;
    parts.Minute = mi;
    parts.Second = s;
    parts.Millisecond = ms;
    const std::optional<double> day = EncodeDayNumber(parts);
    EXPECT_TRUE(day.has_value()) << y << "-" << mo << "-" << d;
    return day.value_or(0);
}

TEST(TlangDayNumbers, DecodeKnownDays) {
    struct Case {
        double day;
        int year, month, dayOfMonth, hour, minute, second, ms, weekday;
    };
    const Case cases[] = {
        {0, 1899, 12, 30, 0, 0, 0, 0, 6},
        {2.5, 1900, 1, 1, 12, 0, 0, 0, 1},
        {-1.25, 1899, 12, 29, 6, 0, 0, 0, 5},  // the fraction's magnitude is the time
        {-0.5, 1899, 12, 30, 12, 0, 0, 0, 6},
        {25569, 1970, 1, 1, 0, 0, 0, 0, 4},
        {45000.75, 2023, 3, 15, 18, 0, 0, 0, 3},
        {0.99999999999, 1899, 12, 31, 0, 0, 0, 0, 0},  // rounds up to the next midnight
        {-693593, 1, 1, 1, 0, 0, 0, 0, 1},
        {2958465.5, 9999, 12, 31, 12, 0, 0, 0, 5},
    };
    for (const Case& c : cases) {
        const std::optional<DateTimeParts> parts = DecodeDayNumber(c.day);
        ASSERT_TRUE(parts.has_value()) << c.day;
        EXPECT_EQ(parts->Year, c.year) << c.day;
        EXPECT_EQ(parts->Month, c.month) << c.day;
        EXPECT_EQ(parts->Day, c.dayOfMonth) << c.day;
        EXPECT_EQ(parts->Hour, c.hour) << c.day;
        EXPECT_EQ(parts->Minute, c.minute) << c.day;
        EXPECT_EQ(parts->Second, c.second) << c.day;
        EXPECT_EQ(parts->Millisecond, c.ms) << c.day;
        EXPECT_EQ(parts->DayOfWeek, c.weekday) << c.day;
    }
}

TEST(TlangDayNumbers, OutsideTheYearsOneToNineThousandIsRefused) {
    for (double day : {-693594.0, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(DecodeDayNumber(day).has_value()) << day;
        EXPECT_FALSE(DateTimeText(day).has_value()) << day;
    }
}

TEST(TlangDayNumbers, EncodeRefusesDatesThatDoNotExist) {
    DateTimeParts parts;
    for (auto change : {+[](DateTimeParts& p) { p.Month = 13; }, +[](DateTimeParts& p) { p.Month = 2, p.Day = 30; },
                        +[](DateTimeParts& p) { p.Year = 2023, p.Month = 2, p.Day = 29; },
                        +[](DateTimeParts& p) { p.Hour = 24; }, +[](DateTimeParts& p) { p.Minute = 60; },
                        +[](DateTimeParts& p) { p.Year = 0; }, +[](DateTimeParts& p) { p.Year = 10000; }}) {
        DateTimeParts wrong = parts;
        change(wrong);
        EXPECT_FALSE(EncodeDayNumber(wrong).has_value());
    }
    EXPECT_DOUBLE_EQ(Encode(2024, 2, 29), 45351);
    EXPECT_DOUBLE_EQ(Encode(1899, 12, 29, 6), -1.25);
}

TEST(TlangDateTexts, FixedRegionalTexts) {
    EXPECT_EQ(ShortDateText(2.5), "1900-01-01");
    EXPECT_EQ(LongTimeText(0.5), "12:00:00");
    EXPECT_EQ(DateTimeText(2.5), "1900-01-01 12:00:00");
    EXPECT_EQ(DateTimeText(2), "1900-01-01 00:00:00");
    EXPECT_EQ(DateTimeText(-1.25), "1899-12-29 06:00:00");
}

TEST(TlangDateTexts, FormatSpecifiers) {
    const double d = Encode(2024, 2, 29, 13, 5, 7, 89);
    struct Case {
        const char* format;
        const char* text;
    };
    const Case cases[] = {
        {"yyyy-mm-dd hh:nn:ss.zzz", "2024-02-29 13:05:07.089"},
        {"d/m/yy", "29-2-24"},
        {"y yyy", "24 2024"},
        {"dd mmm yyyy", "29 Feb 2024"},
        {"dddd d mmmm", "Thursday 29 February"},
        {"ddd", "Thu"},
        {"ddddd", "2024-02-29"},
        {"dddddd", "Thursday, 29 February 2024"},
        {"h:mm", "13:05"},       // m after h is the minute
        {"hh 'at' mm", "13 at 05"},
        {"mm", "02"},
        {"hh:mm:ss am/pm", "01:05:07 pm"},
        {"h AM/PM", "1 PM"},
        {"h a/p", "1 p"},
        {"h ampm", "1 PM"},
        {"AMPM h", "PM 1"},
        {"c", "2024-02-29 13:05:07"},
        {"", "2024-02-29 13:05:07"},
        {"t|tt", "13:05|13:05:07"},
        {"z zzz", "89 089"},
        {"'day' d \"of\" m", "day 29 of 2"},
        {"'unclosed", "unclosed"},
        {"Q#1", "Q#1"},
        {"DD.MM.YYYY", "29.02.2024"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, d), c.text) << c.format;
    EXPECT_EQ(FormatDateTime("c", Encode(2024, 2, 29)), "2024-02-29");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", Encode(2024, 2, 29)), "12:00 am");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", Encode(2024, 2, 29, 12)), "12:00 pm");
}

TEST(TlangDateTexts, ParseAcceptsTheFixedFormats) {
    struct Case {
        const char* text;
        double day;
    };
    const Case cases[] = {
        {"1900-01-01 12:00:00", 2.5},
        {"  1900-01-01  ", 2},
        {"1900-1-1", 2},
        {"1899-12-29 06:00:00", -1.25},
        {"12:00", 0.5},
        {"6:30 PM", 18.5 / 24},
        {"6:30pm", 18.5 / 24},
        {"12:00 AM", 0},
        {"12:00:00 p", 0.5},
        {"1900-01-01T06:00:00.5", 2.25 + 0.5 / 86400},
        {"0001-01-01", -693593},
    };
    for (const Case& c : cases) {
        const std::optional<double> day = ParseDateTime(c.text);
        ASSERT_TRUE(day.has_value()) << c.text;
        EXPECT_NEAR(*day, c.day, 1e-9) << c.text;
    }
    for (const char* bad : {"", "xyz", "2023-02-29", "24:00", "12:60", "13:00 PM", "0:30 AM", "1900-01-01 x",
                            "1900-01-01 12", "12345-01-01", "1900/01/01", "1900-01-01 12:00 ZZ"})
        EXPECT_FALSE(ParseDateTime(bad).has_value()) << bad;
}

TEST(TlangDateTexts, WhatIsWrittenReadsBackToTheSecond) {
    for (double day : {0.0, 2.5, -1.25, 45351.5452209375, 2958465.999988, -693592.75}) {
        const std::optional<std::string> text = DateTimeText(day);
        ASSERT_TRUE(text.has_value()) << day;
        const std::optional<double> back = ParseDateTime(*text);
        ASSERT_TRUE(back.has_value()) << *text;
        EXPECT_NEAR(*back, day, 1.0 / 86400) << *text;
        EXPECT_EQ(ParseDateTime(*ShortDateText(day)), std::trunc(day)) << day;
    }
}

TEST(TlangDateUnits, FirstCharacterChoosesTheUnit) {
    EXPECT_EQ(DateUnitSize("D"), 1.0);
    EXPECT_EQ(DateUnitSize(" days "), 1.0);
    EXPECT_EQ(DateUnitSize("h"), 0.041666666666666664);
    EXPECT_EQ(DateUnitSize("minutes"), 0.0006944444444444445);
    EXPECT_EQ(DateUnitSize("Months"), 0.0006944444444444445);  // M means minutes
    EXPECT_EQ(DateUnitSize("s"), 0.000011574074074074073);
    for (const char* bad : {"", "   ", "x", "year"}) EXPECT_FALSE(DateUnitSize(bad).has_value()) << bad;
}

TEST(TlangClock, NowIsLocalAndTimerCountsFromNineteenSeventy) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    setenv("TZ", "XYZ-5", 1);  // five hours east of UTC, no summer time
    tzset();
    const double timer = TimerSeconds();
    const double now = NowDayNumber();
    if (previous)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    EXPECT_NEAR(timer, static_cast<double>(std::time(nullptr)), 2.0);
    EXPECT_NEAR(now, timer / 86400 + 25569 + 5.0 / 24, 2.0 / 86400);
}

}  // namespace
}  // namespace pevox
