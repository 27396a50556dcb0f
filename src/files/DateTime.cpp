#include "DateTime.h"

#include "Exceptions.h"

#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

constexpr sys_days Epoch = sys_days(year(1899) / December / 30);
constexpr long long MilliSecondsPerDay = 86'400'000;

} // namespace

bool IsValidDate(int y, int m, int d)
{
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31)
        return false;
    return year_month_day(year(y), month(unsigned(m)), day(unsigned(d))).ok();
}

TDateTime EncodeDateTime(int y, int m, int d, int hour, int minute, int second, int milliSecond)
{
    if (!IsValidDate(y, m, d))
        throw EConvertError("Ongeldig argument voor datumcodering");
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || milliSecond < 0 ||
        milliSecond > 999)
        throw EConvertError("Ongeldig argument voor tijdcodering");
    const int days = (sys_days(year(y) / month(unsigned(m)) / day(unsigned(d))) - Epoch).count();
    const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + milliSecond) / MilliSecondsPerDay;
    // Before the epoch the day counts down while the time still counts up.
    return days >= 0 ? days + time : days - time;
}

TDateTimeParts DecodeDateTime(TDateTime value)
{
    double wholeDays = std::trunc(value);
    long long ms = std::llround(std::fabs(value - wholeDays) * MilliSecondsPerDay);
    if (ms >= MilliSecondsPerDay) {
        ms -= MilliSecondsPerDay;
        wholeDays += value >= 0 ? 1 : -1;
    }
    const year_month_day ymd(Epoch + days(static_cast<long long>(wholeDays)));
    TDateTimeParts parts;
    parts.Year = int(ymd.year());
    parts.Month = int(unsigned(ymd.month()));
    parts.Day = int(unsigned(ymd.day()));
    parts.MilliSecond = int(ms % 1000);
    parts.Second = int(ms / 1000 % 60);
    parts.Minute = int(ms / 60'000 % 60);
    parts.Hour = int(ms / 3'600'000);
    return parts;
}

std::string FormatDateTime(const std::string& Pattern, TDateTime Value)
{
    const TDateTimeParts p = DecodeDateTime(Value);
    const bool twelveHours = Pattern.find("am/pm") != std::string::npos;
    const auto two = [](int n) { return std::string{char('0' + n / 10 % 10), char('0' + n % 10)}; };
    std::string out;
    for (std::size_t i = 0; i < Pattern.size();) {
        const auto at = [&](const char* token) { return Pattern.compare(i, std::char_traits<char>::length(token), token) == 0; };
        if (at("yyyy")) {
            out += two(p.Year / 100) + two(p.Year);
            i += 4;
        } else if (at("am/pm")) {
            out += p.Hour < 12 ? "am" : "pm";
            i += 5;
        } else if (at("mm") || at("dd") || at("hh") || at("nn") || at("ss")) {
            const char part = Pattern[i];
            const int hour = twelveHours ? (p.Hour + 11) % 12 + 1 : p.Hour;
            out += two(part == 'm' ? p.Month : part == 'd' ? p.Day : part == 'h' ? hour : part == 'n' ? p.Minute : p.Second);
            i += 2;
        } else {
            out += Pattern[i++];
        }
    }
    return out;
}
