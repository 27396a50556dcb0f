#pragma once
// Date-times as the program holds them: days since 30 December 1899, the time of day as the fraction.

#include <string>

using TDateTime = double;

struct TDateTimeParts {
    int Year = 0, Month = 0, Day = 0;
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// False when the date does not exist (year outside 1..9999, month 13, 31 February, ...).
bool IsValidDate(int year, int month, int day);

// Throws EConvertError when the date or the time does not exist.
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int milliSecond = 0);

// The calendar parts of value, the time rounded to the millisecond.
TDateTimeParts DecodeDateTime(TDateTime value);

// The one date text formatter: Value as text after Pattern.  "yyyy" is the year in four digits;
// "mm" the month, "dd" the day, "hh" the hour, "nn" the minute and "ss" the second, each in two;
// "am/pm" gives "am" or "pm" and puts "hh" on the 12-hour clock (0 and 12 show as 12).  Every
// other character stands as it is.
std::string FormatDateTime(const std::string& Pattern, TDateTime Value);
