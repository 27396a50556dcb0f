#include "DateTime.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

TEST(DateTime, EncodesDaysFromTheEpochAndTimeAsFraction)
{
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 12), 2.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 5), 45356.0);
    // Before the epoch the time still counts forward within the day.
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);
}

TEST(DateTime, DecodeRoundTripsToTheMillisecond)
{
    for (const TDateTime value : {EncodeDateTime(2024, 3, 5, 14, 7), EncodeDateTime(2000, 2, 29, 23, 59, 59, 999),
                                  EncodeDateTime(1850, 7, 1, 0, 0, 1), EncodeDateTime(9999, 12, 31, 23, 59, 59)}) {
        const TDateTimeParts p = DecodeDateTime(value);
        EXPECT_DOUBLE_EQ(EncodeDateTime(p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.MilliSecond), value);
    }
    const TDateTimeParts p = DecodeDateTime(EncodeDateTime(2024, 3, 5, 14, 7));
    EXPECT_EQ(p.Year, 2024);
    EXPECT_EQ(p.Month, 3);
    EXPECT_EQ(p.Day, 5);
    EXPECT_EQ(p.Hour, 14);
    EXPECT_EQ(p.Minute, 7);
    EXPECT_EQ(p.Second, 0);
    // A time a hair below midnight rounds up to the next day.
    const TDateTimeParts midnight = DecodeDateTime(EncodeDateTime(2024, 3, 5) + 0.9999999999);
    EXPECT_EQ(midnight.Day, 6);
    EXPECT_EQ(midnight.Hour, 0);
}

TEST(DateTime, RejectsDatesAndTimesThatDoNotExist)
{
    EXPECT_FALSE(IsValidDate(0, 1, 1));
    EXPECT_FALSE(IsValidDate(2024, 13, 1));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_THROW(EncodeDateTime(2024, 2, 31), EConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 2, 1, 24), EConvertError);
}

TEST(DateTime, FormatsAfterAPattern)
{
    const TDateTime afternoon = EncodeDateTime(2024, 3, 5, 14, 7, 9);
    const TDateTime midnight = EncodeDateTime(812, 12, 31, 0, 5);
    struct Case {
        TDateTime value;
        const char* pattern;
        const char* text;
    };
    for (const Case& c : {Case{afternoon, "dd-mm-yyyy hh:nn:ss", "05-03-2024 14:07:09"},
             Case{afternoon, "mm/dd/yyyy hh.nn am/pm", "03/05/2024 02.07 pm"},
             Case{midnight, "yyyy hh am/pm", "0812 12 am"},
             Case{EncodeDateTime(2024, 1, 2, 12), "hh:nn am/pm", "12:00 pm"},
             Case{afternoon, "d m y h n s am", "d m y h n s am"}, // single letters stand as they are
             Case{afternoon, "", ""}}) {
        EXPECT_EQ(FormatDateTime(c.pattern, c.value), c.text) << c.pattern;
    }
}
