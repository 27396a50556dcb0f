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
        throw EConvertError("Invalid argument to date encode");
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || milliSecond < 0 ||
        milliSecond > 999)
        throw EConvertError("Invalid argument to time encode");
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
