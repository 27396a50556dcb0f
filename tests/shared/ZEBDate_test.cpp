// Date and time edits: completing and checking dates, the keys of the date edit, the error box,
// the time formats and the invalid-time report.
#include "ZEBDate.h"

#include "ErrorOf.h"
#include "Exceptions.h"
#include "FocusLook.h"
#include "FormatSettings.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QMimeData>
#include <QWindow>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct DateCase {
    const char* typed;    // with '-' for the separator
    const char* expected; // the text afterwards
    bool valid;
};

std::string WithSeparator(std::string text, char separator)
{
    for (char& c : text)
        if (c == '-')
            c = separator;
    return text;
}

// Completes typed under separator; returns the text and sets valid.
std::string Complete(const char* typed, char separator, bool& valid, int epoch = 50, TDateFormat format = DDMMYYYY)
{
    std::string text = WithSeparator(typed, separator);
    valid = CompleteDate(text, WithSeparator("  -  -    ", separator), format, epoch, 2026);
    return text;
}

const QDate kToday(2026, 6, 15);

// A window with a date edit (made under the settings in force) and an edit after it.
class DateForm {
public:
    DateForm()
    {
        auto* layout = new QVBoxLayout(&window);
        date = new TZEBDateEdit;
        date->setObjectName("date");
        date->SetToday([] { return kToday; });
        next = new TZEBEdit;
        next->setObjectName("next");
        layout->addWidget(date);
        layout->addWidget(next);
        window.show();
        window.activateWindow();
        active = QTest::qWaitForWindowActive(&window);
        date->setFocus();
        date->selectAll(); // as when a user tabs in
    }
    QWidget window;
    TZEBDateEdit* date;
    TZEBEdit* next;
    bool active = false;
};

} // namespace

TEST(CompleteDate, PadsFillsTheYearAndChecksUnderEitherSeparator)
{
    const DateCase cases[] = {
        {"5 -3 -    ", "05-03-2026", true},  // day 5 and month 3 typed, year left blank
        {" 5- 3-    ", "05-03-2026", true},
        {"1 -12-1970", "01-12-1970", true},
        {"01-01-49  ", "01-01-2049", true},  // epoch 50
        {"01-01-50  ", "01-01-1950", true},
        {"01-01-  95", "01-01-  95", true},  // the year 95
        {"0 -03-2000", "0 -03-2000", false}, // a 0 and a blank stays and is wrong
        {"31-02-2000", "31-02-2000", false},
        {"29-02-2000", "29-02-2000", true},
        {"29-02-1900", "29-02-1900", false},
        {"01-13-2000", "01-13-2000", false},
        {"00-01-2000", "00-01-2000", false},
        {"01-01-0000", "01-01-0000", false},
        {"01-01- 995", "01-01- 995", false}, // one of the first two year digits blank
        {"01-01-9 95", "01-01-9 95", false},
        {"  -05-2000", "  -05-2000", false}, // no day at all
        {"12-  -2000", "12-  -2000", false},
        {"12-05-199 ", "12-05-199 ", false},
        {"  -  -    ", "  -  -    ", true},  // wholly blank
    };
    for (char separator : {'-', '/'})
        for (const DateCase& c : cases) {
            bool valid = false;
            EXPECT_EQ(Complete(c.typed, separator, valid), WithSeparator(c.expected, separator)) << c.typed;
            EXPECT_EQ(valid, c.valid) << c.typed << " with " << separator;
        }
}

TEST(CompleteDate, EpochAndMonthFirstOrder)
{
    bool valid = false;
    EXPECT_EQ(Complete("01-01-09  ", '-', valid, 10), "01-01-2009");
    EXPECT_EQ(Complete("01-01-10  ", '-', valid, 10), "01-01-1910");
    EXPECT_EQ(Complete("01-01-99  ", '-', valid, 0), "01-01-1999");
    EXPECT_EQ(Complete("01-01-99  ", '-', valid, 99), "01-01-1999");
    EXPECT_EQ(Complete("01-01-98  ", '-', valid, 99), "01-01-2098");
    Complete("02-30-2000", '/', valid, 50, MMDDYYYY);
    EXPECT_FALSE(valid);
    Complete("12-31-2000", '/', valid, 50, MMDDYYYY);
    EXPECT_TRUE(valid);
    Complete("31-12-2000", '/', valid, 50, MMDDYYYY);
    EXPECT_FALSE(valid);
}

TEST(DateEdit, TypedDateIsCompletedWhenTheFieldIsLeft)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    DateForm form;
    ASSERT_TRUE(form.active);
    EXPECT_EQ(form.date->EditText(), "  -  -    ");
    EXPECT_TRUE(form.date->IsEmpty());
    QTest::keyClicks(form.date, "5 3 ");
    EXPECT_EQ(form.date->EditText(), "5 -3 -    ");
    QTest::keyClick(form.date, Qt::Key_Tab);
    EXPECT_EQ(form.date->Text(), "05-03-2026");
    EXPECT_TRUE(form.next->hasFocus());

    // Separators typed out of habit: right behind a separator they are dropped.
    QTest::keyClick(form.next, Qt::Key_Tab, Qt::ShiftModifier); // back in, all selected
    ASSERT_TRUE(form.date->hasFocus());
    QTest::keyClicks(form.date, "05-03-1999x");
    EXPECT_EQ(form.date->EditText(), "05-03-1999");
    form.date->selectAll();
    QTest::keyClicks(form.date, "7.8.");
    EXPECT_EQ(form.date->EditText(), "7 -8 -    ");
    // Enter moves on as Tab does, completing on the way.
    QTest::keyClick(form.date, Qt::Key_Return);
    EXPECT_TRUE(form.next->hasFocus());
    EXPECT_EQ(form.date->Text(), "07-08-2026");
}

TEST(DateEdit, EnglishSeparatorIsTypedAndKept)
{
    ScopedFormatSettings english(TFormatSettings::English());
    DateForm form;
    ASSERT_TRUE(form.active);
    EXPECT_EQ(form.date->EditText(), "  /  /    ");
    QTest::keyClicks(form.date, "5/3/95");
    QTest::keyClick(form.date, Qt::Key_Tab);
    EXPECT_EQ(form.date->Text(), "05/03/1995");
    // A stored text is fitted to this layout.
    form.date->SetText("01-02-1970");
    EXPECT_EQ(form.date->Text(), "01/02/1970");
}

TEST(DateEdit, InvalidDateIsReportedAndTheFocusReturns)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    ScopedHighColor highColor(true);
    DateForm form;
    ASSERT_TRUE(form.active);
    QTest::keyClicks(form.date, "31022000");
    {
        ModalAnswer answer(ModalAnswer::ClickButton("OK"));
        QTest::keyClick(form.date, Qt::Key_Tab);
        EXPECT_EQ(form.date->Text(), "31-02-2000");
        ASSERT_TRUE(WaitFor([&] { return answer.Seen().shown; }));
        EXPECT_EQ(answer.Seen().caption, "Date error");
        EXPECT_TRUE(answer.Seen().labels.contains("31-02-2000 is not a valid date."));
    }
    EXPECT_TRUE(WaitFor([&] { return form.date->hasFocus(); }));
    EXPECT_EQ(TintedFields(&form.window), "date") << "the field the focus passed through looks focused";
    EXPECT_EQ(form.date->selectedText(), "31-02-2000");
    EXPECT_EQ(form.date->LastErrorKind(), 1);

    // Without error display an invalid date is left silently.
    form.date->SetDisplayErrors(false);
    ModalAnswer none(ModalAnswer::Close());
    QTest::keyClick(form.date, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_FALSE(none.Seen().shown);
    EXPECT_TRUE(form.next->hasFocus());
    EXPECT_EQ(form.date->Text(), "31-02-2000");
}

TEST(DateEdit, ConversionErrorKind)
{
    TZEBDateEdit date;
    ModalAnswer answer(ModalAnswer::ClickButton("OK"));
    date.ShowDateError(2);
    EXPECT_EQ(answer.Seen().caption, "Conversion error");
    EXPECT_TRUE(answer.Seen().labels.contains("Could not convert to date"));
    EXPECT_EQ(date.LastErrorKind(), 2);
}

TEST(DateEdit, ReadOnlyRefusesTypingButMovesOn)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    DateForm form;
    ASSERT_TRUE(form.active);
    form.date->SetText("01-02-2000");
    form.date->SetReadOnly(true);
    form.date->setCursorPosition(3);
    QTest::keyClicks(form.date, "9 ");
    QTest::keyClick(form.date, Qt::Key_Backspace);
    QTest::keyClick(form.date, Qt::Key_Delete);
    QTest::keyClick(form.date, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form.date->Text(), "01-02-2000");
    QTest::keyClick(form.date, Qt::Key_Home);
    EXPECT_EQ(form.date->cursorPosition(), 0);
    QTest::keyClick(form.date, Qt::Key_Right);
    EXPECT_EQ(form.date->cursorPosition(), 1);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(3, 3), form.date->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(form.date, &menu);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QTest::keyClick(form.date, Qt::Key_Return);
    EXPECT_TRUE(form.next->hasFocus());
}

// Text dragged from elsewhere and dropped on the field, delivered to its window as the window
// system delivers a drag: the window finds the control under the pointer that takes drops.  A
// drop taken (even when the mask then refuses the text) tells a moving source to delete its text.
TEST(DateEdit, AReadOnlyDateTakesNoDrop)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "editable");
        DateForm form;
        ASSERT_TRUE(form.active);
        form.date->SetText("01-02-2000");
        form.date->SetReadOnly(readOnly);
        QMimeData dragged;
        dragged.setText("31");
        QWindow* window = form.window.windowHandle();
        const QPointF at = form.date->mapTo(&form.window, QPointF(3, form.date->height() / 2.0));
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        EXPECT_EQ(enter.isAccepted(), !readOnly);
        QDropEvent drop(at, Qt::MoveAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        EXPECT_EQ(drop.isAccepted(), !readOnly);
        EXPECT_EQ(form.date->Text(), "01-02-2000");
    }
}

TEST(DateEdit, FixedYearIsShownAndCannotBeTyped)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    DateForm form;
    ASSERT_TRUE(form.active);
    form.date->SetFixedYear(2009);
    EXPECT_EQ(form.date->EditText(), "  -  -2009");
    EXPECT_TRUE(form.date->IsEmpty());
    EXPECT_TRUE(form.date->ValidateDate());
    form.date->setCursorPosition(0);
    QTest::keyClicks(form.date, "010119");
    EXPECT_EQ(form.date->EditText(), "01-01-2009");
    EXPECT_TRUE(form.date->ValidateDate());
    form.date->SetFixedYear(0); // the year can be typed again
    EXPECT_EQ(form.date->EditText(), "01-01-2009");
    form.date->SetFixedYear(7);
    EXPECT_EQ(form.date->EditText(), "01-01-0007");
}

TEST(DateEdit, ClickInABlankFieldStartsAtTheBeginning)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    DateForm form;
    ASSERT_TRUE(form.active);
    const QPoint end(form.date->width() - 4, form.date->height() / 2);
    QTest::mouseClick(form.date, Qt::LeftButton, {}, end);
    EXPECT_EQ(form.date->cursorPosition(), 0);
    form.date->SetText("01-02-2000");
    QTest::mouseClick(form.date, Qt::LeftButton, {}, end);
    EXPECT_EQ(form.date->cursorPosition(), 10);
}

TEST(CheckTime, HoursMinutesAndSecondsPerFormat)
{
    EXPECT_TRUE(CheckTime("  :  ", "hh:mm"));
    EXPECT_TRUE(CheckTime("  :  :  ", "hh:mm:ss(AM/PM)"));
    EXPECT_TRUE(CheckTime("23:59", "hh:mm"));
    EXPECT_FALSE(CheckTime("24:00", "hh:mm"));
    EXPECT_FALSE(CheckTime("12:60", "hh:mm"));
    EXPECT_TRUE(CheckTime("12:59", "hh:mm(AM/PM)"));
    EXPECT_FALSE(CheckTime("13:00", "hh:mm(AM/PM)"));
    EXPECT_FALSE(CheckTime("12:5 ", "hh:mm"));
    EXPECT_FALSE(CheckTime(" 1:30", "hh:mm"));
    EXPECT_TRUE(CheckTime("23:30:59", "hh:mm:ss"));
    EXPECT_FALSE(CheckTime("23:30:60", "hh:mm:ss"));
    EXPECT_FALSE(CheckTime("13:30:00", "hh:mm:ss(AM/PM)"));
    EXPECT_FALSE(CheckTime("12:30", "hh:mm:ss"));
}

TEST(TimeEdit, FormatsGiveTheirLayout)
{
    TZEBTimeEdit time;
    EXPECT_EQ(time.TimeFormat(), "hh:mm");
    EXPECT_EQ(time.width(), 33);
    EXPECT_EQ(time.Edit()->EditText(), "  :  ");
    EXPECT_FALSE(time.AmPm()->isVisibleTo(&time));

    struct Row {
        const char* format;
        int panel, edit, boxLeft;
        bool amPm;
        const char* blank;
    };
    const Row rows[] = {{"hh:mm(AM/PM)", 73, 33, 32, true, "  :  "},
                        {"hh:mm:ss", 49, 49, 48, false, "  :  :  "},
                        {"hh:mm:ss(AM/PM)", 89, 49, 48, true, "  :  :  "},
                        {"hh:mm", 33, 33, 48, false, "  :  "}};
    for (const Row& row : rows) {
        time.AmPm()->setCurrentIndex(1);
        time.SetTimeFormat(row.format);
        EXPECT_EQ(time.width(), row.panel) << row.format;
        EXPECT_EQ(time.height(), time.Edit()->height());
        EXPECT_EQ(time.Edit()->width(), row.edit);
        EXPECT_EQ(time.Edit()->EditText(), row.blank);
        EXPECT_EQ(time.AmPm()->x(), row.boxLeft);
        EXPECT_EQ(time.AmPm()->isVisibleTo(&time), row.amPm);
        if (row.amPm) {
            EXPECT_EQ(time.AmPm()->currentText(), "AM");
            EXPECT_EQ(time.AmPm()->width(), 41);
        }
    }

    time.setObjectName("teTijd");
    time.SetTimeFormat("hh:mm:ss");
    EXPECT_EQ(ErrorOf([&] { time.SetTimeFormat("HH:MM"); }), "teTijdInvalid TimeFormat");
    EXPECT_EQ(time.TimeFormat(), "hh:mm:ss");
    EXPECT_EQ(time.width(), 49);
}

TEST(TimeEdit, LeavingWithAnInvalidTimeIsReported)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* time = new TZEBTimeEdit;
    time->SetTimeFormat("hh:mm(AM/PM)");
    auto* next = new TZEBEdit;
    layout->addWidget(time);
    layout->addWidget(next);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy invalid(time, &TZEBTimeEdit::OnInvalidTime);

    time->setFocus();
    ASSERT_TRUE(time->Edit()->hasFocus());
    time->Edit()->setCursorPosition(0);
    QTest::keyClicks(time->Edit(), "1300");
    QTest::keyClick(time->Edit(), Qt::Key_Tab); // on to the AM/PM box: still inside
    EXPECT_TRUE(time->AmPm()->hasFocus());
    EXPECT_EQ(invalid.count(), 0);
    QTest::keyClick(time->AmPm(), Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus());
    ASSERT_EQ(invalid.count(), 1);
    EXPECT_EQ(invalid.at(0).at(0).value<TZEBTimeEdit*>(), time);

    time->Edit()->SetText("12:00");
    time->setFocus();
    next->setFocus();
    EXPECT_EQ(invalid.count(), 1);
}

TEST(TimeEdit, ReadOnlyAndTabStopReachBothParts)
{
    TZEBTimeEdit time;
    time.SetReadOnly(true);
    EXPECT_TRUE(time.Edit()->isReadOnly());
    EXPECT_TRUE(time.AmPm()->ReadOnly());
    time.SetTab_Stop(false);
    EXPECT_EQ(time.Edit()->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(time.AmPm()->focusPolicy(), Qt::ClickFocus);
}

TEST(TimeEdit, LinksToDateEditsAreUndoneOnEitherSide)
{
    auto time = std::make_unique<TZEBTimeEdit>();
    TZEBTimeEdit other;
    TZEBDateEdit first;
    auto second = std::make_unique<TZEBDateEdit>();
    first.SetTimeEdit(time.get());
    second->SetTimeEdit(time.get());
    EXPECT_EQ(time->DateEdits().size(), 2u);
    second->SetTimeEdit(&other);
    EXPECT_EQ(time->DateEdits(), std::vector<TZEBDateEdit*>{&first});
    EXPECT_EQ(other.DateEdits(), std::vector<TZEBDateEdit*>{second.get()});
    second.reset();
    EXPECT_TRUE(other.DateEdits().empty());
    time.reset();
    EXPECT_EQ(first.TimeEdit(), nullptr);
}
