#include "AnsiText.h"

#include <QStringDecoder>
#include <QStringEncoder>
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

// The table agrees with Qt's own converter for the code page in both directions: every byte, and
// every character of the basic plane (one Qt cannot encode, or encodes to a byte that does not
// decode back to it, is not held).
// Each character Windows-1252 cannot hold, once, in order; a surrogate pair is one, a lone one too.
TEST(AnsiText, CharactersNotInAnsiAreListedOnce)
{
    const QString text = QString::fromUtf8("\u0142a\u20ac\xF0\x9F\x98\x80\u0142") + QChar(0xD800) + "b";
    EXPECT_EQ(CharactersNotInAnsi(text), (std::u32string{0x142, 0x1F600, 0xD800}));
    EXPECT_EQ(CharactersNotInAnsi(QString::fromUtf8("Caf\u00e9 \u0160")), std::u32string());
}

TEST(AnsiText, AgreesWithQtsConverterBothWays)
{
    QStringDecoder decoder("windows-1252", QStringConverter::Flag::Stateless);
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        EXPECT_EQ(AnsiToQString(std::string(1, byte)), decoder.decode(QByteArrayView(&byte, 1))) << b;
        std::string utf8 = "x";
        AppendAnsiAsUtf8(utf8, byte);
        EXPECT_EQ(utf8, "x" + QString(decoder.decode(QByteArrayView(&byte, 1))).toStdString()) << b;
    }
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    for (int c = 0; c < 0x10000; ++c) {
        const QString one{QChar(char16_t(c))};
        const QByteArray qt = encoder.encode(one);
        const bool held = !QChar::isSurrogate(char16_t(c)) && qt.size() == 1 && decoder.decode(qt) == one;
        bool ok = false;
        const std::string ours = QStringToAnsi(one, &ok);
        EXPECT_EQ(ok, held) << c;
        EXPECT_EQ(ours, held ? qt.toStdString() : "?") << c;
    }
    // A lone surrogate is one character that cannot be held.
    bool ok = true;
    EXPECT_EQ(QStringToAnsi(QString(QChar(0xD800)) + "x", &ok), "?x");
    EXPECT_FALSE(ok);
}

// A path in a message keeps every character on its way to the screen; Windows-1252 letters stay
// plain bytes, so the message reads the same wherever it is not shown.
TEST(AnsiText, APathInAMessageReachesTheScreenWhole)
{
    const QString path = QString::fromUtf8("/home/josé/Ελλάδα/łódź/\xF0\x9F\x98\x80.ini");
    const std::string message = "Unable to write to " + PathInMessage(path) + ".";
    EXPECT_EQ(MessageToQString(message), "Unable to write to " + path + ".");
    EXPECT_EQ(PathInMessage(QString::fromUtf8("/home/josé/€")), "/home/jos\xE9/\x80");
    EXPECT_EQ(NativePathInMessage("/home/jos\xC3\xA9/\xCE\xB1"), PathInMessage(QString::fromUtf8("/home/josé/α")));
    // The escape's own byte in a path is escaped too, so it comes back as itself.
    const QString control = QString("a") + QChar(0x81) + "b";
    EXPECT_EQ(MessageToQString(PathInMessage(control)), control);
}

// A message without escapes reads exactly as the plain conversion; what only looks like an
// escape is shown byte for byte.
TEST(AnsiText, MessageTextsWithoutEscapesReadAsAlways)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(MessageToQString(all), AnsiToQString(all));
    for (const std::string odd : {"\x81", "\x81;", "\x81" "ZZ;", "\x81" "1234567;", "\x81" "D800;", "\x81" "110000;",
                                  "\x81" "41"}) {
        SCOPED_TRACE(odd);
        EXPECT_EQ(MessageToQString(odd + "x"), AnsiToQString(odd + "x"));
    }
    EXPECT_EQ(MessageToQString("\x81" "41;\x81" "3B1;"), QString::fromUtf8("Aα"));
}
