#pragma once
// The locale's separators and date order, in one place.  Read from the system locale at start;
// tests replace them (ScopedFormatSettings) to run under a Dutch or an English locale.

#include <array>
#include <string>

class QLocale;

struct TFormatSettings {
    char DateSeparator = '-';
    char TimeSeparator = ':';
    char DecimalSeparator = ',';
    char ThousandSeparator = '.';
    // Order of day, month and year in short dates: "d", "m", "y" letters with the separator,
    // as in "dd-mm-yyyy" or "mm/dd/yyyy".
    std::string ShortDateFormat = "dd-mm-yyyy";
    // Full month names, January first, as the locale writes them in a date ("d mmmm yyyy").
    std::array<std::string, 12> LongMonthNames = {"januari", "februari", "maart",     "april",   "mei",      "juni",
                                                  "juli",    "augustus", "september", "oktober", "november", "december"};

    static TFormatSettings Dutch();   // 31-12-2026, 1.234,5
    static TFormatSettings English(); // 12/31/2026, 1,234.5
    static TFormatSettings FromSystemLocale(); // on Linux LC_ALL, else LC_TIME for the month names
    static TFormatSettings FromLocale(const QLocale& locale);
};

// The settings in force; filled from the system locale on first use.
TFormatSettings& FormatSettings();

// Replaces the settings for one scope (tests).
class ScopedFormatSettings {
public:
    explicit ScopedFormatSettings(const TFormatSettings& settings) : saved_(FormatSettings())
    {
        FormatSettings() = settings;
    }
    ~ScopedFormatSettings() { FormatSettings() = saved_; }
    ScopedFormatSettings(const ScopedFormatSettings&) = delete;
    ScopedFormatSettings& operator=(const ScopedFormatSettings&) = delete;

private:
    TFormatSettings saved_;
};
