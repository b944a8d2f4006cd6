#include "Tlangdatetime.h"

#include "platform/Calendar.h"
#include "platform/Text.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace pevox {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kUnixEpochDayNumber = 25569;  // 1 January 1970

const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

constexpr std::string_view kShortDateFormat = "yyyy/mm/dd";
constexpr std::string_view kLongDateFormat = "dddd, d mmmm yyyy";
constexpr std::string_view kShortTimeFormat = "hh:nn";
constexpr std::string_view kLongTimeFormat = "hh:nn:ss";
constexpr char kDateSeparator = '-';
constexpr char kTimeSeparator = ':';

std::string Padded(int value, int digits) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return text;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[at + i]) != Upper(prefix[i])) return false;
    return true;
}

// Whether the format holds an am/pm specifier outside quoted text.
bool UsesTwelveHourClock(std::string_view format) {
    char quote = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (StartsWithNoCase(format, i, "am/pm") || StartsWithNoCase(format, i, "a/p") ||
                   StartsWithNoCase(format, i, "ampm")) {
            return true;
        }
    }
    return false;
}

class Formatter {
public:
    Formatter(const DateTimeParts& parts, bool midnight, bool twelveHour)
        : parts_(parts), midnight_(midnight), twelveHour_(twelveHour) {}

    void Append(std::string_view format) {
        char lastLetter = 0;
        std::size_t i = 0;
        while (i < format.size()) {
            const char written = format[i];
            char token = Upper(written);
            if (token >= 'A' && token <= 'Z') {
                if (token == 'M' && lastLetter == 'H') token = 'N';
                lastLetter = token;
            }
            const std::size_t start = i;
            switch (token) {
            case 'C':
                i = RunEnd(format, i);
                Append(kShortDateFormat);
                if (!midnight_) {
                    out_ += ' ';
                    Append(kLongTimeFormat);
                }
                break;
            case 'D': {
                i = RunEnd(format, i);
                const std::size_t count = i - start;
                if (count <= 2) out_ += Padded(parts_.Day, static_cast<int>(count));
                else if (count == 3) out_ += kShortDayNames[parts_.DayOfWeek];
                else if (count == 4) out_ += kLongDayNames[parts_.DayOfWeek];
                else if (count == 5) Append(kShortDateFormat);
                else Append(kLongDateFormat);
                break;
            }
            case 'M': {
                i = RunEnd(format, i);
                const std::size_t count = i - start;
                if (count <= 2) out_ += Padded(parts_.Month, static_cast<int>(count));
                else if (count == 3) out_ += kShortMonthNames[parts_.Month - 1];
                else out_ += kLongMonthNames[parts_.Month - 1];
                break;
            }
            case 'Y':
                i = RunEnd(format, i);
                out_ += i - start <= 2 ? Padded(parts_.Year % 100, 2) : Padded(parts_.Year, 4);
                break;
            case 'H': {
                i = RunEnd(format, i);
                int hour = parts_.Hour;
                if (twelveHour_) hour = hour % 12 == 0 ? 12 : hour % 12;
                out_ += Padded(hour, i - start >= 2 ? 2 : 1);
                break;
            }
            case 'N':
                i = RunEnd(format, i);
                out_ += Padded(parts_.Minute, i - start >= 2 ? 2 : 1);
                break;
            case 'S':
                i = RunEnd(format, i);
                out_ += Padded(parts_.Second, i - start >= 2 ? 2 : 1);
                break;
            case 'Z':
                i = RunEnd(format, i);
                out_ += Padded(parts_.Millisecond, i - start >= 3 ? 3 : static_cast<int>(i - start));
                break;
            case 'T':
                i = RunEnd(format, i);
                Append(i - start == 1 ? kShortTimeFormat : kLongTimeFormat);
                break;
            case 'A':
                i = AppendAmPm(format, i);
                break;
            case '/':
                out_ += kDateSeparator;
                ++i;
                break;
            case ':':
                out_ += kTimeSeparator;
                ++i;
                break;
            case '"':
            case '\'': {
                const std::size_t close = format.find(written, i + 1);
                const std::size_t end = close == std::string_view::npos ? format.size() : close;
                out_.append(format.substr(i + 1, end - i - 1));
                i = end == format.size() ? end : end + 1;
                break;
            }
            default:
                out_ += written;
                ++i;
                break;
            }
        }
    }

    std::string Text() && { return std::move(out_); }

private:
    // The end of the run of the same letter (in either case) that starts at `at`.
    static std::size_t RunEnd(std::string_view format, std::size_t at) {
        const char letter = Upper(format[at]);
        std::size_t end = at + 1;
        while (end < format.size() && Upper(format[end]) == letter) ++end;
        return end;
    }

    std::size_t AppendAmPm(std::string_view format, std::size_t at) {
        const bool afternoon = parts_.Hour >= 12;
        if (StartsWithNoCase(format, at, "am/pm")) {
            out_.append(format.substr(afternoon ? at + 3 : at, 2));
            return at + 5;
        }
        if (StartsWithNoCase(format, at, "a/p")) {
            out_ += format[afternoon ? at + 2 : at];
            return at + 3;
        }
        if (StartsWithNoCase(format, at, "ampm")) {
            out_ += afternoon ? "PM" : "AM";
            return at + 4;
        }
        out_ += format[at];
        return at + 1;
    }

    const DateTimeParts& parts_;
    bool midnight_;
    bool twelveHour_;
    std::string out_;
};

// A small reader of the date and time texts.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    bool Take(char c) {
        if (AtEnd() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool TakeNoCase(std::string_view word) {
        if (!StartsWithNoCase(text_, at_, word)) return false;
        at_ += word.size();
        return true;
    }
    std::size_t SkipBlanks() {
        const std::size_t start = at_;
        while (!AtEnd() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
        return at_ - start;
    }
    // One to `maxDigits` decimal digits.
    bool Number(int maxDigits, int& value) {
        int digits = 0;
        value = 0;
        while (!AtEnd() && digits < maxDigits && text_[at_] >= '0' && text_[at_] <= '9') {
            value = value * 10 + (text_[at_++] - '0');
            ++digits;
        }
        return digits > 0 && (AtEnd() || text_[at_] < '0' || text_[at_] > '9');
    }
    std::size_t Position() const { return at_; }
    void Rewind(std::size_t position) { at_ = position; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool ReadDate(Reader& reader, DateTimeParts& parts) {
    return reader.Number(4, parts.Year) && reader.Take('-') && reader.Number(2, parts.Month) && reader.Take('-') &&
           reader.Number(2, parts.Day);
}

bool ReadTime(Reader& reader, DateTimeParts& parts) {
    if (!reader.Number(2, parts.Hour) || !reader.Take(':') || !reader.Number(2, parts.Minute)) return false;
    if (reader.Take(':')) {
        if (!reader.Number(2, parts.Second)) return false;
        if (reader.Take('.')) {
            const std::size_t start = reader.Position();
            if (!reader.Number(3, parts.Millisecond)) return false;
            for (std::size_t digits = reader.Position() - start; digits < 3; ++digits) parts.Millisecond *= 10;
        }
    }
    const std::size_t beforeMarker = reader.Position();
    reader.SkipBlanks();
    const bool pm = reader.TakeNoCase("PM") || reader.TakeNoCase("P");
    const bool am = !pm && (reader.TakeNoCase("AM") || reader.TakeNoCase("A"));
    if (!am && !pm) {
        reader.Rewind(beforeMarker);
        return true;
    }
    if (parts.Hour < 1 || parts.Hour > 12) return false;
    parts.Hour = parts.Hour % 12 + (pm ? 12 : 0);
    return true;
}

}  // namespace

std::optional<DateTimeParts> DecodeDayNumber(double dayNumber) {
    // Beyond this every day number lies outside the years 1 to 9999.
    if (!(std::fabs(dayNumber) < 3e6)) return std::nullopt;
    const double whole = std::trunc(dayNumber);
    std::int64_t day = static_cast<std::int64_t>(whole);
    std::int64_t ms = std::llround(std::fabs(dayNumber - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++day;
    }
    DateTimeParts parts;
    const std::int64_t civilDay = day - kUnixEpochDayNumber;
    const platform::CivilDate date = platform::CivilFromDays(civilDay);
    parts.Year = static_cast<int>(date.year);
    parts.Month = date.month;
    parts.Day = date.day;
    if (parts.Year < 1 || parts.Year > 9999) return std::nullopt;
    parts.DayOfWeek = static_cast<int>(((civilDay % 7) + 11) % 7);  // 1 January 1970 was a Thursday
    parts.Hour = static_cast<int>(ms / 3600000);
    parts.Minute = static_cast<int>(ms / 60000 % 60);
    parts.Second = static_cast<int>(ms / 1000 % 60);
    parts.Millisecond = static_cast<int>(ms % 1000);
    return parts;
}

std::optional<double> EncodeDayNumber(const DateTimeParts& p) {
    if (p.Year < 1 || p.Year > 9999 || p.Month < 1 || p.Month > 12 || p.Day < 1 || p.Day > platform::DaysInMonth(p.Year, p.Month))
        return std::nullopt;
    if (p.Hour < 0 || p.Hour > 23 || p.Minute < 0 || p.Minute > 59 || p.Second < 0 || p.Second > 59 ||
        p.Millisecond < 0 || p.Millisecond > 999)
        return std::nullopt;
    const double day = static_cast<double>(platform::DaysFromCivil(p.Year, p.Month, p.Day) + kUnixEpochDayNumber);
    const double time =
        static_cast<double>(((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond) / kMsPerDay;
    return day >= 0 ? day + time : day - time;
}

double NowDayNumber() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    DateTimeParts parts;
    parts.Year = local.tm_year + 1900;
    parts.Month = local.tm_mon + 1;
    parts.Day = local.tm_mday;
    parts.Hour = local.tm_hour;
    parts.Minute = local.tm_min;
    // A leap second shows as the last second of its minute.
    parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
    parts.Millisecond = static_cast<int>(ms - static_cast<std::int64_t>(seconds) * 1000);
    return EncodeDayNumber(parts).value_or(0);
}

double TimerSeconds() {
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    return static_cast<double>(ms) / 1000.0;
}

std::optional<std::string> FormatDateTime(std::string_view format, double dayNumber) {
    const std::optional<DateTimeParts> parts = DecodeDayNumber(dayNumber);
    if (!parts) return std::nullopt;
    const bool midnight = parts->Hour == 0 && parts->Minute == 0 && parts->Second == 0 && parts->Millisecond == 0;
    const std::string_view used = format.empty() ? std::string_view("c") : format;
    Formatter formatter(*parts, midnight, UsesTwelveHourClock(used));
    formatter.Append(used);
    return std::move(formatter).Text();
}

std::optional<std::string> ShortDateText(double dayNumber) { return FormatDateTime("ddddd", dayNumber); }

std::optional<std::string> LongTimeText(double dayNumber) { return FormatDateTime("tt", dayNumber); }

std::optional<std::string> DateTimeText(double dayNumber) { return FormatDateTime("ddddd tt", dayNumber); }

std::optional<double> ParseDateTime(std::string_view text) {
    const std::string trimmed = platform::Trim(text);
    Reader reader(trimmed);
    DateTimeParts parts;
    bool haveDate = false;
    if (ReadDate(reader, parts)) {
        haveDate = true;
        if (!reader.AtEnd()) {
            if (reader.SkipBlanks() == 0 && !reader.Take('T') && !reader.Take('t')) return std::nullopt;
            if (!ReadTime(reader, parts)) return std::nullopt;
        }
    } else {
        reader.Rewind(0);
        parts = DateTimeParts();
        if (!ReadTime(reader, parts)) return std::nullopt;
    }
    if (!reader.AtEnd()) return std::nullopt;
    if (haveDate) return EncodeDayNumber(parts);
    // A time alone is a time on day 0.
    DateTimeParts dayZero = parts;
    dayZero.Year = 1899;
    dayZero.Month = 12;
    dayZero.Day = 30;
    return EncodeDayNumber(dayZero);
}

std::optional<double> DateUnitSize(std::string_view unit) {
    const std::string trimmed = platform::Trim(unit);
    if (trimmed.empty()) return std::nullopt;
    switch (Upper(trimmed[0])) {
    case 'D': return 1.0;
    case 'H': return 0.041666666666666664;
    case 'M': return 0.0006944444444444445;
    case 'S': return 0.000011574074074074073;
    default: return std::nullopt;
    }
}

}  // namespace pevox
