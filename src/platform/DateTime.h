#pragma once
// Date-times as the program holds them: days since 30 December 1899, the time of day as the fraction.

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
