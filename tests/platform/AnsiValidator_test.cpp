// What an entry field tells the user when it refuses characters the list file cannot hold.
#include "AnsiValidator.h"

#include "AnsiText.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QString Shown(const QString& characters)
{
    return MessageToQString(RefusedCharactersMessage(characters));
}

TEST(RefusedCharacters, TheMessageNamesEachCharacterOnceWithItsCode)
{
    const QString tail = "; de invoer is niet overgenomen.";
    EXPECT_EQ(Shown(QString::fromUtf8("\u0132sselmeer")),
              QString::fromUtf8("De invoer bevat het teken '\u0132' (U+0132) dat het programma niet kan opslaan") + tail);
    EXPECT_EQ(Shown(QString::fromUtf8("Ay\u015fe Y\u0131lmaz Ay\u015fe")),
              QString::fromUtf8("De invoer bevat 2 tekens die het programma niet kan opslaan: '\u015f' (U+015F) en "
                                "'\u0131' (U+0131)") + tail);
    // Outside the basic plane, and characters with nothing to see: the code alone.
    EXPECT_EQ(Shown(QString::fromUtf8("\xF0\x9F\x98\x80 a\u200Bb\u0301\u3000")),
              QString::fromUtf8("De invoer bevat 4 tekens die het programma niet kan opslaan: '\xF0\x9F\x98\x80' "
                                "(U+1F600), U+200B, U+0301 en U+3000") + tail);
    // Six are named; from seven on, five and the count of the others.
    EXPECT_EQ(Shown(QString::fromUtf8("\u0100\u0101\u0102\u0103\u0104\u0105")),
              QString::fromUtf8("De invoer bevat 6 tekens die het programma niet kan opslaan: '\u0100' (U+0100), "
                                "'\u0101' (U+0101), '\u0102' (U+0102), '\u0103' (U+0103), '\u0104' (U+0104) en "
                                "'\u0105' (U+0105)") + tail);
    QString fifty;
    for (char16_t c = 0x4E00; c < 0x4E00 + 50; ++c)
        fifty += QChar(c);
    EXPECT_TRUE(Shown(fifty + fifty).startsWith(QString::fromUtf8(
        "De invoer bevat 50 tekens die het programma niet kan opslaan: '\u4e00' (U+4E00), '\u4e01' (U+4E01)")));
    EXPECT_TRUE(Shown(fifty).endsWith(QString::fromUtf8("'\u4e04' (U+4E04) en 45 andere") + tail));
    // Windows-1252 text is never refused.
    EXPECT_EQ(RefusedCharactersMessage(QString::fromUtf8("Caf\u00e9 \u20ac \u0160")), "");
    // The message is Windows-1252 text: the characters travel as escapes, the rest as plain bytes.
    EXPECT_EQ(RefusedCharactersMessage(QString::fromUtf8("\u0142")),
              "De invoer bevat het teken '" + TextInMessage(QString::fromUtf8("\u0142")) +
                  "' (U+0142) dat het programma niet kan opslaan; de invoer is niet overgenomen.");
}

TEST(RefusedCharacters, TheValidatorRefusesTheEditAndSaysWhy)
{
    TAnsiValidator validator(nullptr);
    QSignalSpy refused(&validator, &TAnsiValidator::Refused);
    QString input = QString::fromUtf8("Ay\u015fe \u015f\u0131");
    int pos = 0;
    EXPECT_EQ(validator.validate(input, pos), QValidator::Invalid);
    ASSERT_EQ(refused.count(), 1);
    EXPECT_EQ(refused.at(0).at(0).toString(), QString::fromUtf8("\u015f\u0131"));
    input = QString::fromUtf8("Ren\u00e9");
    EXPECT_EQ(validator.validate(input, pos), QValidator::Acceptable);
    EXPECT_EQ(refused.count(), 1);
}

} // namespace
