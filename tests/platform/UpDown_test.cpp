#include "UpDown.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(TUpDown, StepsWithinItsBoundsAndShowsThePositionInTheEdit)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* upDown = new TUpDown(&window);
    upDown->SetMin(1);
    upDown->SetMax(3);
    upDown->SetAssociate(edit);
    EXPECT_EQ(upDown->Position(), 1);
    EXPECT_EQ(edit->text(), "1");
    window.show();

    QTest::mouseClick(upDown->UpButton(), Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(upDown->Position(), 3);
    EXPECT_EQ(edit->text(), "3");
    QTest::mouseClick(upDown->DownButton(), Qt::LeftButton);
    EXPECT_EQ(edit->text(), "2");

    upDown->SetWrap(true);
    upDown->SetPosition(3);
    upDown->Step(true);
    EXPECT_EQ(edit->text(), "1");
    upDown->Step(false);
    EXPECT_EQ(edit->text(), "3");

    upDown->SetPosition(50);
    EXPECT_EQ(upDown->Position(), 3);
    upDown->SetMax(2);
    EXPECT_EQ(upDown->Position(), 2);
    EXPECT_EQ(edit->text(), "2");
}

TEST(TUpDown, TypedNumbersInRangeMoveThePositionOthersLeaveIt)
{
    QLineEdit edit;
    TUpDown upDown;
    upDown.SetMin(1);
    upDown.SetMax(99);
    upDown.SetAssociate(&edit);
    edit.setText("42");
    EXPECT_EQ(upDown.Position(), 42);
    for (const char* other : {"150", "0", "", "x"}) {
        edit.setText(other);
        EXPECT_EQ(upDown.Position(), 42) << other;
        EXPECT_EQ(edit.text(), other) << "the edit keeps what was typed";
    }
    upDown.Step(true);
    EXPECT_EQ(edit.text(), "43") << "a step starts from the position";

    upDown.setEnabled(false);
    upDown.Step(true);
    EXPECT_EQ(upDown.Position(), 43);
    EXPECT_FALSE(upDown.UpButton()->isEnabled());
}

// Destroying the edit while it has the focus sends it focus events through the up-down's key
// filter; the filter must not look at the edit as such any more (the sanitizer build tells).
TEST(TUpDown, OutlivesItsFocusedEditAndTheEditItsUpDown)
{
    for (bool editFirst : {true, false}) {
        QWidget window;
        auto* edit = new QLineEdit(&window);
        auto* upDown = new TUpDown(&window);
        upDown->SetAssociate(edit);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
        if (editFirst) {
            delete edit;
            EXPECT_EQ(upDown->Associate(), nullptr);
            upDown->Step(true); // nothing to show it in
            EXPECT_EQ(upDown->Position(), 1);
        } else {
            delete upDown;
            QTest::keyClick(edit, Qt::Key_Up); // no up-down steps any more
            EXPECT_EQ(edit->text(), "0");
        }
    }
}
