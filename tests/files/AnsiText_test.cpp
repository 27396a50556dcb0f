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
    // Data such as a candidate number "\x81A;" reads as itself, never as a character it names.
    for (const std::string data : {"\x81" "A;", "\x81" "41;\x81" "3B1;", "\x81" "0;", "\x81" "202E;", "\x81" "D;"}) {
        SCOPED_TRACE(data);
        EXPECT_EQ(MessageToQString("'" + data + "' is not a valid integer value"),
                  AnsiToQString("'" + data + "' is not a valid integer value"));
    }
}

namespace {

// The key of this run's escapes, taken from a path that needs one.
std::string EscapeKey()
{
    const std::string alpha = PathInMessage(QString::fromUtf8("α"));
    EXPECT_EQ(alpha.substr(0, 1), "\x81");
    EXPECT_EQ(alpha.substr(alpha.size() - 4), "3B1;");
    return alpha.substr(1, alpha.size() - 5);
}

} // namespace

// Only what PathInMessage writes is turned back: with this run's key, a code point Windows-1252
// cannot hold (or the escape's own byte), spelt as it spells it.  Anything else, also with the
// key, is shown byte for byte.
TEST(AnsiText, OnlyTheEscapesOfAPathAreTurnedBack)
{
    const std::string key = EscapeKey();
    ASSERT_EQ(key.size(), 12u);
    EXPECT_EQ(MessageToQString("\x81" + key + "3B1;"), QString::fromUtf8("α"));
    EXPECT_EQ(MessageToQString("\x81" + key + "81;"), QString(QChar(0x81)));
    for (const std::string& forged : {"\x81" + key + "A;", "\x81" + key + "0;", "\x81" + key + "41;", "\x81" + key + "E9;",
                                     "\x81" + key + "03B1;", "\x81" + key + "3b1;", "\x81" + key + "202E;",
                                     "\x81" + key + "2028;", "\x81" + key + "85;", "\x81" + key + "D800;",
                                     "\x81" + key + "110000;", "\x81" + key + "3B1", "\x81" + key.substr(1) + "3B1;"}) {
        SCOPED_TRACE(forged);
        EXPECT_EQ(MessageToQString("x" + forged + "y"), AnsiToQString("x" + forged + "y"));
    }
    // The escape's own byte in a path is escaped, whatever follows it.
    for (const QString& path : {QChar(0x81) + QString("41;"), QChar(0x81) + QString::fromStdString(key + "41;"),
                                QChar(0x81) + QString::fromStdString(key + "3B1;")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(MessageToQString(PathInMessage(path)), path);
        EXPECT_EQ(MessageToQString("Het bestand " + PathInMessage(path) + " ontbreekt"), "Het bestand " + path + " ontbreekt");
    }
}

// A character in a path that would act on the message (a line break, a NUL, a change of writing
// direction) shows as the replacement character instead.
TEST(AnsiText, ControlsInAPathShowAsReplacements)
{
    const QString path = QString::fromUtf8("/tmp/a\nb\rc") + QChar(0) + "d\te" + QChar(0x202E) + "f" + QChar(0x2066) + "g"
        + QChar(0x200F) + QChar(0x061C) + QChar(0x2028) + QChar(0x85) + QChar(0x9D) + QChar(0x7F) + ".ini";
    const QString shown = QString::fromUtf8("/tmp/a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFDf\uFFFDg\uFFFD\uFFFD\uFFFD\uFFFD")
        + QChar(0x9D) + QChar(0x7F) + ".ini";
    EXPECT_EQ(MessageToQString("Kan " + PathInMessage(path) + " niet lezen"), "Kan " + shown + " niet lezen");
    EXPECT_EQ(MessageToQString(NativePathInMessage(std::string("/tmp/a\nb\0c", 10))), QString::fromUtf8("/tmp/a\uFFFDb\uFFFDc"));
}
