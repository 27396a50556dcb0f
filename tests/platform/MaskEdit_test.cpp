// The masked edit: mask parsing, editing steps in place, and the control driven by keys.
#include "MaskEdit.h"

#include "AnsiText.h"
#include "FormatSettings.h"
#include "KeyInput.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEditMask::TEditState At(const std::string& text, size_t cursor, size_t selStart = 0, size_t selLength = 0)
{
    TEditMask::TEditState state;
    state.text = text;
    state.cursor = cursor;
    state.selStart = selLength ? selStart : cursor;
    state.selLength = selLength;
    return state;
}

// Types keys one by one; returns the text, or "refused at i" for the first key that fits nowhere.
std::string TypeAll(const TEditMask& mask, TEditMask::TEditState state, const std::string& keys)
{
    for (size_t i = 0; i < keys.size(); ++i)
        if (!mask.Type(state, keys[i]))
            return "refused at " + std::to_string(i);
    return state.text;
}

} // namespace

TEST(EditMask, ParsesFieldsSeparatorsAndEscapes)
{
    {
        ScopedFormatSettings dutch(TFormatSettings::Dutch());
        const TEditMask date("99/99/9999;1; ");
        EXPECT_EQ(date.BlankText(), "  -  -    ");
        EXPECT_TRUE(date.SaveLiterals());
        EXPECT_EQ(date.Blank(), ' ');
    }
    ScopedFormatSettings english(TFormatSettings::English());
    EXPECT_EQ(TEditMask("99/99/9999;1; ").BlankText(), "  /  /    ");
    // An escaped colon is a plain colon, whatever the time separator; "_" is the default blank.
    TFormatSettings dotted = TFormatSettings::English();
    dotted.TimeSeparator = '.';
    ScopedFormatSettings dots(dotted);
    EXPECT_EQ(TEditMask("99\\:99:99").BlankText(), "__:__.__");
    EXPECT_FALSE(TEditMask("").IsMasked());
    // An escaped ';' belongs to the mask; save flag 0 leaves literals out of the text.
    const TEditMask semi("99\\;99;0;*");
    EXPECT_EQ(semi.BlankText(), "**;**");
    EXPECT_EQ(semi.TextOf("12;34"), "1234");
    EXPECT_EQ(semi.Fit("1234"), "12;34");
}

TEST(EditMask, ChecksCharacterClassesAndCase)
{
    const TEditMask mask(">LL<ll#Aa\\9C;1; ");
    EXPECT_EQ(mask.BlankText(), "       9 ");
    EXPECT_EQ(mask.Fit("abCD-x1\xE4?"), "ABcd-x19?");
    EXPECT_EQ(mask.Fit("1bCD+?!9\x01"), " Bcd+  9 ");
    EXPECT_TRUE(mask.Conforms("ABcd-x19?"));
    EXPECT_FALSE(mask.Conforms("ABcd-x18?")); // literal changed
    EXPECT_FALSE(mask.Conforms("ABcd-x19"));  // too short
    EXPECT_TRUE(mask.Accepts(0, '\xE9'));      // é is a letter in Windows-1252
    EXPECT_FALSE(mask.Accepts(4, 'x'));
}

TEST(EditMask, TypingReplacesInPlaceAndSkipsLiterals)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    const TEditMask date("99/99/9999;1; ");
    const std::string blank = date.BlankText();
    EXPECT_EQ(TypeAll(date, At(blank, 0), "01021970"), "01-02-1970");
    // Typing over existing text replaces it; the caret skips the separator.
    TEditMask::TEditState state = At("12-11-2000", 1);
    ASSERT_TRUE(date.Type(state, '5'));
    EXPECT_EQ(state.text, "15-11-2000");
    EXPECT_EQ(state.cursor, 3u);
    // A separator typed in the middle of a field moves on past it, leaving the rest blank.
    EXPECT_EQ(TypeAll(date, At(blank, 0), "5-3-"), "5 -3 -    ");
    // On a literal, the typed literal steps over it; a digit goes to the next input position.
    state = At(blank, 2);
    ASSERT_TRUE(date.Type(state, '-'));
    EXPECT_EQ(state.cursor, 3u);
    state = At(blank, 2);
    ASSERT_TRUE(date.Type(state, '7'));
    EXPECT_EQ(state.text, "  -7 -    ");
    // Letters and characters without a place are refused and change nothing.
    EXPECT_EQ(TypeAll(date, At(blank, 0), "1a"), "refused at 1");
    state = At("12-11-2000", 10);
    EXPECT_FALSE(date.Type(state, '1'));
    EXPECT_EQ(state.text, "12-11-2000");
    // A selection is blanked first and typing starts at its beginning.
    state = At("12-11-2000", 10, 0, 10);
    ASSERT_TRUE(date.Type(state, '3'));
    EXPECT_EQ(state.text, "3 -  -    ");
    EXPECT_EQ(state.cursor, 1u);
}

TEST(EditMask, BackspaceAndDeleteBlankPositions)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    const TEditMask date("99/99/9999;1; ");
    TEditMask::TEditState state = At("12-11-2000", 3);
    date.Backspace(state); // over the separator onto the day's second digit
    EXPECT_EQ(state.text, "1 -11-2000");
    EXPECT_EQ(state.cursor, 1u);
    date.Delete(state);
    EXPECT_EQ(state.text, "1 -11-2000");
    state.cursor = 0;
    date.Delete(state);
    EXPECT_EQ(state.text, "  -11-2000");
    EXPECT_EQ(state.cursor, 0u);
    date.Backspace(state); // nothing before the caret
    EXPECT_EQ(state.text, "  -11-2000");
    state = At("12-11-2000", 7, 2, 5); // "-11-2" selected: the separators stay
    date.Delete(state);
    EXPECT_EQ(state.text, "12-  - 000");
    EXPECT_EQ(state.cursor, 2u);
}

TEST(MaskEditControl, KeysEditInPlaceAndNothingElseGetsIn)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    TCustomMaskEdit edit;
    edit.SetText("ignored without mask");
    edit.SetEditMask("99\\:99;1; ");
    EXPECT_EQ(edit.EditText(), "  :  ");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "9x45");
    EXPECT_EQ(edit.text(), "94:5 ");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "94:  ");
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier); // undo brings the digit back
    EXPECT_EQ(edit.text(), "94:5 ");

    // Paste types the clipboard's characters one by one.
    QApplication::clipboard()->setText("1:30");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "1 :30");
    // Edits that would break the layout are refused, whichever way they come in.
    edit.insert("12");
    edit.del();
    EXPECT_EQ(edit.text(), "1 :30");
    // Program text is fitted to the mask.
    edit.SetText("2x:7");
    EXPECT_EQ(edit.EditText(), "2 :7 ");
}

TEST(MaskEditControl, RefusesCharactersWindows1252CannotHold)
{
    TCustomMaskEdit plain;
    TypeCharacters(&plain, QString::fromUtf8("a\u0142b\u20ac"));
    EXPECT_EQ(plain.Text(), "ab\x80");
    TCustomMaskEdit masked;
    masked.SetEditMask("cccc;1;_");
    masked.setCursorPosition(0);
    TypeCharacters(&masked, QString::fromUtf8("\u0142\u00e9"));
    EXPECT_EQ(masked.Text(), "\xE9___");
}
