#include "IntText.h"

#include "ErrorOf.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

TEST(StrToInt, LeadingBlanksAndOneSign)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  7"), 7);
    EXPECT_EQ(StrToInt("+3"), 3);
    EXPECT_EQ(StrToInt(" -12"), -12);
    EXPECT_EQ(StrToInt("0000000042"), 42);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, AnythingElseFailsWithTheText)
{
    for (const char* text : {"", " ", "5 ", "1a", "abc", "+", "-", "+-1", "--1", "1.0", "\t5", "2147483648",
             "-2147483649", "99999999999999999999"}) {
        EXPECT_EQ(ErrorOf<EConvertError>([&] { StrToInt(text); }),
                  "'" + std::string(text) + "' is not a valid integer value");
    }
}
