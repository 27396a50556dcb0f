#include "StrFuncs.h"

#include "ErrorOf.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <climits>

TEST(StrFuncsTrim, BlanksAreAllBytesBelow33Only)
{
    const std::string s = std::string("\t\r\n ") + '\0' + "a b\x01 \n";
    EXPECT_EQ(TrimStr(s), "a b");
    EXPECT_EQ(TrimLeftStr(s), "a b\x01 \n");
    EXPECT_EQ(TrimRightStr(s), std::string("\t\r\n ") + '\0' + "a b");
    EXPECT_EQ(TrimStr(" \t "), "");
    // Bytes from 128 up are characters, not blanks (a signed char test would take them for blanks).
    EXPECT_EQ(TrimStr("\xA0\xE9 "), "\xA0\xE9");
}

TEST(StrFuncsSelect, ClampStartAndCount)
{
    EXPECT_EQ(MidStr("abcdef", 0, 2), "ab");
    EXPECT_EQ(MidStr("abcdef", -5, 2), "ab");
    EXPECT_EQ(MidStr("abcdef", 7, 2), "");
    EXPECT_EQ(MidStr("abcdef", 6, INT_MAX), "f");
    EXPECT_EQ(MidStr("abcdef", 2, -1), "");
    EXPECT_EQ(MidStr("abcdef", INT_MAX, INT_MAX), "");
    EXPECT_EQ(LeftStr("abc", 5), "abc");
    EXPECT_EQ(LeftStr("abc", -1), "");
    EXPECT_EQ(RightStr("abc", 9), "abc");
    EXPECT_EQ(RightStr("abc", 0), "");
    EXPECT_EQ(RightStr("abc", 2), "bc");
}

TEST(StrFuncsSearch, InStrIsOneBasedAndZeroForEmpty)
{
    EXPECT_EQ(InStr("c", "abcabc"), 3);
    EXPECT_EQ(InStr("C", "abc"), 0);
    EXPECT_EQ(InStr("", "abc"), 0);
    EXPECT_EQ(InStr("a", ""), 0);
}

TEST(StrFuncsPad, FixedWidthCutsOnTheRight)
{
    EXPECT_EQ(PadLeft("7", 3, '0'), "007");
    EXPECT_EQ(PadLeft("1234", 3, '0'), "123");
    EXPECT_EQ(PadLeft("42", 10, '0'), "0000000042");
    EXPECT_EQ(PadLeft("x", 0, '0'), "");
    EXPECT_EQ(PadLeft("x", -3, '0'), "");
    EXPECT_EQ(PadRight("ab", 4, ' '), "ab  ");
    EXPECT_EQ(PadRight("abcdef", 4, ' '), "abcd");
    EXPECT_EQ(PadRight("", 2, '*'), "**");
    EXPECT_EQ(PadRight("ab", 0, ' '), "");
}

TEST(StrFuncsBuild, ReplicateZeroPadQuoteBackslash)
{
    EXPECT_EQ(Replicate("ab", 3), "ababab");
    EXPECT_EQ(Replicate("ab", 0), "");
    EXPECT_EQ(Replicate("ab", -2), "");
    EXPECT_EQ(ZeroPad(42, 8), "00000042");
    EXPECT_EQ(ZeroPad(123456, 3), "123456");
    EXPECT_EQ(ZeroPad(0, 2), "00");
    EXPECT_EQ(ZeroPad(-5, 4), "-005");
    EXPECT_EQ(ZeroPad(INT32_MIN, 1), "-2147483648");
    EXPECT_EQ(QuoteStr("it's"), "'it''s'");
    EXPECT_EQ(QuoteStr(""), "''");
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(AddBackslash("C:\\"), "C:\\");
    EXPECT_EQ(AddBackslash("/tmp"), "/tmp\\");
}

TEST(StrFuncsCase, AsciiLettersOnly)
{
    EXPECT_EQ(UpperStr("azAZ09\xE9\xE7-"), "AZAZ09\xE9\xE7-");
    EXPECT_EQ(LowerStr("AZaz\xC9M"), "azaz\xC9m");
}

TEST(StrFuncsReplaceAt, DeleteThenInsertWithClamping)
{
    EXPECT_EQ(ReplaceAt("abcdef", 2, 3, "XY"), "aXYef");
    EXPECT_EQ(ReplaceAt("abcdef", 5, 99, "X"), "abcdX");
    EXPECT_EQ(ReplaceAt("abc", 0, 2, "X"), "Xabc");
    EXPECT_EQ(ReplaceAt("abc", 9, 2, "X"), "abcX");
    EXPECT_EQ(ReplaceAt("abc", 2, -1, "X"), "aXbc");
    EXPECT_EQ(ReplaceAt("abc", 1, 3, ""), "");
}

TEST(StrFuncsStrReplace, NonOverlappingLeftToRightMatchingIgnoresCaseOnlyWhenAsked)
{
    EXPECT_EQ(StrReplace("A-b-C", "B", "x", false), "A-x-C");
    EXPECT_EQ(StrReplace("A-b-C", "B", "x", true), "A-b-C");
    EXPECT_EQ(StrReplace("aaa", "aa", "b", true), "ba");
    EXPECT_EQ(StrReplace("", "a", "b", true), "");
    // Unmatched characters keep their case; New is inserted as given.
    EXPECT_EQ(StrReplace("Line\r\nTwo\tX", "\r\n", " ", false), "Line Two\tX");
    EXPECT_EQ(StrReplace("abcABC", "bc", "Q", false), "aQAQ");
    EXPECT_EQ(StrReplace("ab", "b", "bbb", true), "abbb");
    EXPECT_EQ(StrReplace("ab", "abc", "x", true), "ab");
}

TEST(StrFuncsStrReplace, EmptyPatternRaises)
{
    EXPECT_EQ(ErrorOf([&] { StrReplace("abc", "", "x", true); }), "StrReplace: Empty search pattern is not allowed.");
}

TEST(StrFuncsReplaceTextEx, SkipsThenReplacesAtMostMaxCount)
{
    EXPECT_EQ(ReplaceTextEx("a.a.a", ".", "-", 2, 1, true), "a.a-a");
    EXPECT_EQ(ReplaceTextEx("a.a.a", ".", "-", 0, 0, true), "a-a-a");
    EXPECT_EQ(ReplaceTextEx("a.a.a", ".", "-", 1, 1, true), "a-a.a");
    EXPECT_EQ(ReplaceTextEx("a.a.a", ".", "-", 3, 0, true), "a.a.a");
    EXPECT_EQ(ReplaceTextEx("a.a.a", ".", "-", 1, -1, true), "a.a.a");
    EXPECT_EQ(ReplaceTextEx("a.a.a", "", "-", 1, 0, true), "a.a.a");
}

TEST(StrFuncsReplaceTextEx, InsertedTextIsNeverSearchedAgain)
{
    EXPECT_EQ(ReplaceTextEx("aa", "a", "aa", 0, 0, true), "aaaa");
    EXPECT_EQ(ReplaceTextEx("x-y", "-", "--", 0, 0, true), "x--y");
    // A pattern holding the masking byte itself must neither loop nor match masked text.
    EXPECT_EQ(ReplaceTextEx("\xE7\xE7", "\xE7", "\xE7\xE7", 0, 0, true), "\xE7\xE7\xE7\xE7");
    EXPECT_EQ(ReplaceTextEx("a\xE7" "b", "\xE7", "-", 0, 0, true), "a-b");
}

TEST(StrFuncsReplaceTextEx, CaseInsensitiveKeepsTheCaseOfTheText)
{
    EXPECT_EQ(ReplaceTextEx("Ab ab AB", "ab", "x", 2, 0, false), "Ab x x");
    EXPECT_EQ(ReplaceTextEx("Ab ab AB", "ab", "x", 1, 0, true), "Ab x AB");
    // Replacements of a different length keep later matches aligned.
    EXPECT_EQ(ReplaceTextEx("1 / 2 / 3", " / ", "-", 0, 0, false), "1-2-3");
}

TEST(StrFuncsOccurrences, CountsNonOverlappingAndRejectsEmptyPattern)
{
    EXPECT_EQ(Occurrences(",", "a,b,,c"), 3);
    EXPECT_EQ(Occurrences("aa", "aaaa"), 2);
    EXPECT_EQ(Occurrences("aa", "aaa"), 1);
    EXPECT_EQ(Occurrences(";", ""), 0);
    EXPECT_EQ(Occurrences("A", "aaa"), 0);
    for (const std::string s : {"", "abc"}) {
        EXPECT_EQ(ErrorOf([&] { Occurrences("", s); }), "Occurrences: Empty search pattern is not allowed.");
    }
}

TEST(StrFuncsIsInteger, DigitsWithOptionalMinusInThe32BitRange)
{
    for (const char* yes : {"0", "-0", "007", "42", "-1", "2147483647", "-2147483648", "00000000042",
                            "000000000002147483647"})
        EXPECT_TRUE(IsInteger(yes)) << yes;
    for (const char* no : {"", "-", "+5", " 5", "5 ", "12a", "1.0", "--1", "2147483648", "-2147483649",
                           "99999999999999999999999", "-99999999999999999999999"})
        EXPECT_FALSE(IsInteger(no)) << no;
}

TEST(StrFuncsStripQuotes, DropsQuoteRunsAtBothEndsOnly)
{
    EXPECT_EQ(StripQuotes("  \"'abc'\"  "), "abc");
    EXPECT_EQ(StripQuotes("a\"b"), "a\"b");
    EXPECT_EQ(StripQuotes("\" C:\\Program Files\\x.exe \""), "C:\\Program Files\\x.exe");
    EXPECT_EQ(StripQuotes(" '\" \"' "), "");
    EXPECT_EQ(StripQuotes(""), "");
}
