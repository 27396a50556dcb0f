#include "AnsiText.h"

#include <gtest/gtest.h>

TEST(AnsiText, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString text = AnsiToQString(all);
    ASSERT_EQ(text.size(), 256);
    bool ok = false;
    EXPECT_EQ(QStringToAnsi(text, &ok), all);
    EXPECT_TRUE(ok);
}

TEST(AnsiText, MapsTheWindowsCharacters)
{
    EXPECT_EQ(AnsiToQString("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(AnsiToQString("caf\xE9"), QString::fromUtf8("café"));
    EXPECT_EQ(QStringToAnsi(QString::fromUtf8("€ é ß")), "\x80 \xE9 \xDF");
}

TEST(AnsiText, UnencodableCharactersBecomeOneQuestionMarkEach)
{
    bool ok = true;
    // U+0100, a CJK character and a character outside the basic plane (surrogate pair).
    const QString text = QString::fromUtf8("a\xC4\x80" "b\xE4\xB8\xAD" "c\xF0\x9F\x98\x80" "d");
    EXPECT_EQ(QStringToAnsi(text, &ok), "a?b?c?d");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(IsAnsiRepresentable(text));
    EXPECT_TRUE(IsAnsiRepresentable(QString::fromUtf8("Jan-Willem van 't Hoff")));
}
