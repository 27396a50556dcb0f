#include "FormatSettings.h"

#include <gtest/gtest.h>


TEST(FormatSettings, ScopedOverrideRestores)
{
    const char before = FormatSettings().DateSeparator;
    {
        ScopedFormatSettings english(TFormatSettings::English());
        EXPECT_EQ(FormatSettings().DateSeparator, '/');
    }
    EXPECT_EQ(FormatSettings().DateSeparator, before);
}

TEST(FormatSettings, SystemLocaleGivesAUsableDateFormat)
{
    // Whatever locale the machine runs under (the C locale writes "d MMM yyyy"), the date edit
    // needs a punctuation separator.
    const TFormatSettings sys = TFormatSettings::FromSystemLocale();
    EXPECT_EQ(sys.ShortDateFormat.size(), 10u);
    EXPECT_NE(sys.DecimalSeparator, sys.ThousandSeparator);
    EXPECT_TRUE(sys.DateSeparator == '-' || sys.DateSeparator == '.' || sys.DateSeparator == '/');
    EXPECT_EQ(sys.ShortDateFormat[2], sys.DateSeparator);
}
