#include "FloatText.h"

#include "FormatSettings.h"

#include <gtest/gtest.h>

TEST(FloatText, ReadsTheLocaleDecimalSeparatorOnly)
{
    double v = -1;
    {
        ScopedFormatSettings dutch(TFormatSettings::Dutch());
        EXPECT_TRUE(TryStrToFloat("1234,5", v));
        EXPECT_DOUBLE_EQ(v, 1234.5);
        EXPECT_TRUE(TryStrToFloat(" -7,25 ", v));
        EXPECT_DOUBLE_EQ(v, -7.25);
        EXPECT_TRUE(TryStrToFloat(",5", v));
        EXPECT_DOUBLE_EQ(v, 0.5);
        EXPECT_FALSE(TryStrToFloat("1.234,5", v)); // no thousands separators
        EXPECT_FALSE(TryStrToFloat("1234.5", v));
    }
    ScopedFormatSettings english(TFormatSettings::English());
    EXPECT_TRUE(TryStrToFloat("+1234.5", v));
    EXPECT_DOUBLE_EQ(v, 1234.5);
    EXPECT_TRUE(TryStrToFloat("1e3", v));
    EXPECT_DOUBLE_EQ(v, 1000.0);
    v = 42;
    for (const char* bad : {"", "  ", "1,5", "abc", "12a", "inf", "nan", "+-1", "-", "+"})
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_DOUBLE_EQ(v, 42.0); // untouched on failure
}
