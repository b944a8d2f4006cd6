// The proleptic Gregorian calendar, with dates counted as days from
// 1 January 1970 (negative before it), for every date-time format built on it.
#pragma once

#include <cstdint>

namespace platform {

constexpr bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// `month` in 1 to 12.
constexpr int DaysInMonth(std::int64_t year, int month) {
    constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// The year is counted from March, so that the leap day falls at its end, in
// eras of 400 years (146097 days); 1 January 1970 is day 719468 of era 0.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;  // 1 to 12
    int day;    // 1 to 31
};

constexpr CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

static_assert(DaysFromCivil(1970, 1, 1) == 0 && DaysFromCivil(1600, 2, 29) == -135081);
static_assert(CivilFromDays(-135081).year == 1600 && CivilFromDays(-135081).month == 2 &&
              CivilFromDays(-135081).day == 29);

}  // namespace platform
