// Entry controls as a user meets them: focus tint, Enter as Tab, read-only fields, the glyph.
#include "ZEBComp.h"

#include "FocusLook.h"
#include "KeyInput.h"
#include "ModalAnswer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

const QColor kTint(255, 255, 223);

// A window holding the given controls one below the other, shown and active.
class Form {
public:
    template <class... Controls>
    explicit Form(Controls*... controls)
    {
        auto* layout = new QVBoxLayout(&window);
        (layout->addWidget(controls), ...);
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
    }
    QWidget window;
    bool active = false;
};

QColor Background(const QWidget* field)
{
    return field->palette().color(QPalette::Active, QPalette::Base);
}

bool ContextMenuOpens(QWidget* field)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    QWidget* popup = QApplication::activePopupWidget();
    if (popup)
        popup->close();
    return popup != nullptr;
}

std::string Pixel(const std::string& bitmap, int row, int pixel) // both from 1, rows from the top
{
    return bitmap.substr(size_t(54 + (9 - row) * 28 + (pixel - 1) * 3), 3);
}

} // namespace

TEST(EntryControls, FocusTintFollowsTheFocusAndLeavingGivesTheWindowColour)
{
    ScopedHighColor highColor(true);
    auto* edit = new TZEBEdit;
    auto* masked = new TZEBMaskEdit;
    auto* combo = new TZEBCombobox;
    combo->SetStyle(csDropDown);
    SetFieldColor(masked, Qt::red);
    Form form(edit, masked, combo);
    ASSERT_TRUE(form.active);

    edit->setFocus();
    EXPECT_EQ(Background(edit), kTint);
    QTest::keyClick(edit, Qt::Key_Tab);
    ASSERT_TRUE(masked->hasFocus());
    EXPECT_EQ(Background(edit), WindowColor());
    EXPECT_EQ(Background(masked), kTint);
    QTest::keyClick(masked, Qt::Key_Tab);
    ASSERT_TRUE(combo->hasFocus());
    EXPECT_EQ(Background(masked), WindowColor()); // red before it was entered
    EXPECT_EQ(Background(combo), kTint);

    // Own colours; a window losing the active state is not leaving the field.
    edit->SetFocusedColor(0x00FF00);
    edit->setFocus();
    EXPECT_EQ(Background(edit), QColor(0, 255, 0));
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(edit, &deactivated);
    EXPECT_EQ(Background(edit), QColor(0, 255, 0));
}

// The focus may move while a window is hidden or inactive, where its fields see no focus change.
TEST(EntryControls, OneFieldOnlyLooksFocusedWhateverHappenedWhileTheWindowWasAway)
{
    ScopedHighColor highColor(true);
    auto* first = new TZEBEdit;
    auto* second = new TZEBMaskEdit;
    auto* combo = new TZEBCombobox;
    auto* button = new QPushButton("Ok");
    first->setObjectName("first");
    second->setObjectName("second");
    combo->setObjectName("combo");
    Form form(first, second, combo, button);
    ASSERT_TRUE(form.active);
    first->setFocus();
    ASSERT_EQ(TintedFields(&form.window), "first");

    QWidget elsewhere; // another window takes the active state meanwhile
    const auto activate = [](QWidget& window) {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    };
    const struct {
        QWidget* focused;
        const char* tinted;
    } cases[] = {{second, "second"}, {combo, "combo"}, {button, ""}, {first, "first"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.focused->metaObject()->className());
        ASSERT_TRUE(activate(elsewhere));
        c.focused->setFocus();
        ASSERT_TRUE(activate(form.window));
        ASSERT_TRUE(WaitFor([&] { return c.focused->hasFocus(); }));
        EXPECT_EQ(TintedFields(&form.window), c.tinted);
    }

    // Across windows too: entering a field of another window takes the tint from this one.
    auto* other = new TZEBEdit;
    other->setObjectName("other");
    Form second_window(other);
    ASSERT_TRUE(second_window.active);
    other->setFocus();
    EXPECT_EQ(TintedFields(&form.window), "");
    EXPECT_EQ(TintedFields(&second_window.window), "other");
}

TEST(EntryControls, NoTintOnDisplaysOfEightBitsOrLess)
{
    ScopedHighColor lowColor(false);
    auto* edit = new TZEBEdit;
    auto* combo = new TZEBCombobox;
    auto* box = new TZEBCheckBox;
    box->setChecked(true);
    Form form(edit, combo, box);
    ASSERT_TRUE(form.active);
    edit->setFocus();
    EXPECT_NE(Background(edit), kTint);
    combo->setFocus();
    EXPECT_NE(Background(combo), kTint);
    box->setFocus();
    const QPoint corner = box->GlyphPosition();
    EXPECT_NE(box->grab().toImage().pixelColor(corner), QColor(255, 255, 191));
}

TEST(EntryControls, EnterMovesOnLikeTabUnlessSwitchedOff)
{
    auto* edit = new TZEBEdit;
    auto* masked = new TZEBMaskEdit;
    auto* box = new TZEBCheckBox;
    auto* combo = new TZEBCombobox;
    combo->addItems({"", "M", "V"});
    auto* last = new QLineEdit;
    Form form(edit, masked, box, combo, last);
    ASSERT_TRUE(form.active);

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(masked->hasFocus());
    QTest::keyClick(masked, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(combo->hasFocus());
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_TRUE(last->hasFocus());

    // Switched off, Enter is the plain control's: the edit keeps the focus and reports Enter.
    edit->SetTabOnEnter(false);
    box->SetTabOnEnter(false);
    QSignalSpy returnPressed(edit, &QLineEdit::returnPressed);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(returnPressed.count(), 1);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(box->hasFocus());
}

TEST(EntryControls, EnterInAnOpenListSelectsAndClosesIt)
{
    auto* combo = new TZEBCombobox;
    combo->addItems({"A", "B", "C"});
    auto* next = new TZEBEdit;
    Form form(combo, next);
    ASSERT_TRUE(form.active);
    combo->setFocus();
    combo->showPopup();
    ASSERT_TRUE(WaitFor([&] { return combo->DroppedDown(); }));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return !combo->DroppedDown(); }));
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_TRUE(combo->hasFocus());
}

TEST(EntryControls, ReadOnlyComboShowsTheSimpleStyleAndRefusesChanges)
{
    auto* combo = new TZEBCombobox;
    combo->addItems({"Aap", "Noot", "Mies"});
    combo->SetStyle(csDropDown);
    combo->setCurrentIndex(1);
    auto* next = new TZEBEdit;
    Form form(combo, next);
    ASSERT_TRUE(form.active);

    combo->SetReadOnly(true);
    EXPECT_EQ(combo->Style(), csSimple);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClicks(combo, "x");
    QTest::keyClick(combo, Qt::Key_Backspace);
    QTest::keyClick(combo, Qt::Key_F4);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), "Noot");
    EXPECT_FALSE(combo->DroppedDown());
    QTest::keyClick(combo, Qt::Key_Home);
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 0);
    QTest::keyClick(combo, Qt::Key_Right);
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 1);
    QTest::keyClick(combo, Qt::Key_End);
    EXPECT_EQ(combo->lineEdit()->cursorPosition(), 4);
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_FALSE(ContextMenuOpens(combo));
    combo->showPopup();
    EXPECT_FALSE(combo->DroppedDown());
    // Enter is not taken as Tab in the simple style.
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_TRUE(combo->hasFocus());

    // A style set meanwhile shows at once but is forgotten when read-only goes off.
    combo->SetStyle(csDropDownList);
    EXPECT_EQ(combo->Style(), csDropDownList);
    combo->SetReadOnly(false);
    EXPECT_EQ(combo->Style(), csDropDown);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_FALSE(combo->IsEmpty());
    combo->setCurrentIndex(-1);
    EXPECT_TRUE(combo->IsEmpty());
}

TEST(EntryControls, ReadOnlyEditsShowNoContextMenu)
{
    TZEBEdit edit;
    TZEBMaskEdit masked;
    masked.SetEditMask("99:99;1;_");
    edit.show();
    masked.show();
    EXPECT_TRUE(ContextMenuOpens(&edit));
    edit.setReadOnly(true);
    masked.setReadOnly(true);
    EXPECT_FALSE(ContextMenuOpens(&edit));
    EXPECT_FALSE(ContextMenuOpens(&masked));
    // Read-only for typing too, through the base's own flag.
    masked.setCursorPosition(0);
    QTest::keyClicks(&masked, "12");
    EXPECT_TRUE(masked.IsEmpty());
}

TEST(EntryControls, EditKeepsWindows1252TextAndTellsEmpty)
{
    TZEBEdit edit;
    TypeCharacters(&edit, QString::fromUtf8("Caf\u00e9 \u0142\u20ac"));
    EXPECT_EQ(edit.Text(), "Caf\xE9 \x80");
    QApplication::clipboard()->setText(QString::fromUtf8("x\u0142"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.Text(), "Caf\xE9 \x80");
    edit.SetText(std::string("\x81\x8D\xFF", 3));
    EXPECT_EQ(edit.Text(), std::string("\x81\x8D\xFF", 3));
    EXPECT_FALSE(edit.IsEmpty());
    edit.SetText(" \t  ");
    EXPECT_TRUE(edit.IsEmpty());

    // Upper case as typed; letters without an upper case in Windows-1252 stay.
    edit.SetCharCase(ecUpperCase);
    edit.SetText("abc");
    EXPECT_EQ(edit.Text(), "ABC");
    edit.clear();
    TypeCharacters(&edit, QString::fromUtf8("vvd \u00e9\u00df\u00b5\u00ff"));
    EXPECT_EQ(edit.Text(), "VVD \xC9\xDF\xB5\x9F");

    // An editable list refuses them too, also when made editable directly.
    TZEBCombobox combo;
    combo.setEditable(true);
    combo.show();
    TypeCharacters(&combo, QString::fromUtf8("M\u0142"));
    EXPECT_EQ(combo.Text(), "M");
}

// A masked field that takes text names the characters it refuses, once per input; a field of
// digits refuses them as it refuses a letter, without a message.
TEST(EntryControls, MaskEditThatTakesTextNamesRefusedCharacters)
{
    TZEBMaskEdit text;
    text.SetEditMask("cccccc;1;_");
    text.show();
    text.setCursorPosition(0);
    {
        ModalAnswer box(ModalAnswer::ClickButton("Ok"));
        QApplication::clipboard()->setText(QString::fromUtf8("a\u0142\u0142b"));
        QTest::keyClick(&text, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(text.EditText(), "______");
        EXPECT_TRUE(WaitFor([&] { return box.Seen().shown && !QApplication::activeModalWidget(); }));
        EXPECT_TRUE(box.Seen().labels.contains(QString::fromUtf8(
            "De invoer bevat het teken '\u0142' (U+0142) dat het programma niet kan opslaan; de invoer is niet "
            "overgenomen.")))
            << box.Seen().labels.join('|').toStdString();
    }
    TZEBMaskEdit digits;
    digits.SetEditMask("99:99;1;_");
    digits.show();
    ModalAnswer none(ModalAnswer::ClickButton("Ok"));
    digits.setCursorPosition(0);
    TypeCharacters(&digits, QString::fromUtf8("1\u0142"));
    QTest::qWait(100);
    EXPECT_FALSE(none.Seen().shown);
    EXPECT_EQ(digits.EditText(), "1_:__");
}

TEST(EntryControls, MaskEditClickPutsTheCaretAtTheStart)
{
    TZEBMaskEdit edit;
    EXPECT_TRUE(edit.IsEmpty()); // no mask, no text
    edit.SetEditMask("99:99;1; ");
    EXPECT_TRUE(edit.IsEmpty());
    edit.SetText("12:34");
    EXPECT_FALSE(edit.IsEmpty());
    edit.show();
    edit.setCursorPosition(5);
    QTest::mouseClick(&edit, Qt::LeftButton, {}, QPoint(edit.width() - 4, edit.height() / 2));
    EXPECT_EQ(edit.cursorPosition(), 0);
}

TEST(CheckBoxGlyph, StoredImagesHoldTheCheckMark)
{
    const std::string checked = StoredGlyph(true);
    const std::string unchecked = StoredGlyph(false);
    ASSERT_EQ(checked.size(), 306u);
    ASSERT_EQ(unchecked.size(), 306u);
    EXPECT_EQ(checked.substr(0, 2), "BM");
    const std::vector<std::vector<int>> black = {{}, {8}, {7, 8}, {2, 6, 7, 8}, {2, 3, 5, 6, 7}, {2, 3, 4, 5, 6},
                                                 {3, 4, 5}, {4}, {}};
    for (int row = 1; row <= 9; ++row)
        for (int pixel = 1; pixel <= 9; ++pixel) {
            const bool mark = std::find(black[size_t(row - 1)].begin(), black[size_t(row - 1)].end(), pixel)
                              != black[size_t(row - 1)].end();
            EXPECT_EQ(Pixel(checked, row, pixel), mark ? std::string(3, '\0') : "\xBF\xFF\xFF")
                << "row " << row << " pixel " << pixel;
            EXPECT_EQ(Pixel(unchecked, row, pixel), "\xBF\xFF\xFF");
        }
    const std::string red = RecolorGlyph(checked, 0x0000FF);
    EXPECT_EQ(Pixel(red, 1, 1), std::string("\0\0\xFF", 3));
    EXPECT_EQ(Pixel(red, 2, 8), std::string(3, '\0'));
    EXPECT_EQ(red.substr(0, 54), checked.substr(0, 54));
}

TEST(CheckBoxGlyph, RecolouringStartsFromTheStoredImagesEachTime)
{
    TZEBCheckBox box;
    EXPECT_EQ(box.FocusedColor(), 0xBFFFFFu);
    box.SetFocusedColor(0x00FF00);
    box.SetFocusedColor(0xFF0000); // blue
    const QImage stored = QImage::fromData(QByteArray::fromStdString(StoredGlyph(true)), "BMP");
    const QImage& glyph = box.Glyph(true);
    ASSERT_EQ(glyph.size(), QSize(9, 9));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool background = stored.pixelColor(x, y) == QColor(255, 255, 191);
            EXPECT_EQ(glyph.pixelColor(x, y), background ? QColor(0, 0, 255) : QColor(0, 0, 0));
        }
    EXPECT_EQ(box.Glyph(false).pixelColor(4, 4), QColor(0, 0, 255));
}

TEST(CheckBoxGlyph, DrawnInTheBoxWhileTheCheckBoxHasTheFocus)
{
    ScopedHighColor highColor(true);
    auto* box = new TZEBCheckBox;
    box->setText("Naam op stemapparaat automatisch genereren");
    box->setChecked(true);
    auto* other = new TZEBEdit;
    Form form(box, other);
    ASSERT_TRUE(form.active);
    const QPoint at = box->GlyphPosition();
    const QColor tint(255, 255, 191);

    box->setFocus();
    QImage shot = box->grab().toImage();
    EXPECT_EQ(shot.pixelColor(at), tint);
    EXPECT_EQ(shot.pixelColor(at + QPoint(7, 1)), QColor(0, 0, 0)); // the check mark
    QTest::keyClick(box, Qt::Key_Space);                             // unticked: the empty glyph
    ASSERT_FALSE(box->isChecked());
    shot = box->grab().toImage();
    EXPECT_EQ(shot.pixelColor(at + QPoint(7, 1)), tint);

    other->setFocus();
    shot = box->grab().toImage();
    EXPECT_NE(shot.pixelColor(at), tint);
}
