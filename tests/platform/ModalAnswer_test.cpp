// The test helper that answers modal windows is itself relied on by every window test.  Qt's
// own buttons speak Dutch here, as in the program.
#include "ModalAnswer.h"

#include <QMessageBox>
#include <gtest/gtest.h>

TEST(ModalAnswer, AnswersNestedWindowsInOrderAndRecordsThem)
{
    int inner = -1;
    ModalAnswer outer([&](QWidget* window) {
        ModalAnswer nested(ModalAnswer::ClickButton("Nee"));
        inner = QMessageBox::question(window, "Inner", "Second?");
        EXPECT_EQ(nested.Seen().caption, "Inner");
        ModalAnswer::ClickButton("Ja")(window);
    });
    const int result = QMessageBox::question(nullptr, "Outer", "First?");
    EXPECT_EQ(result, QMessageBox::Yes);
    EXPECT_EQ(inner, QMessageBox::No);
    EXPECT_TRUE(outer.Seen().labels.contains("First?"));
}

TEST(ModalAnswer, ClosesTheWindowWhenTheAnswerDoesNothing)
{
    ModalAnswer nothing([](QWidget*) {});
    QMessageBox box(QMessageBox::Information, "Caption", "Text", QMessageBox::Ok);
    box.exec();
    EXPECT_TRUE(nothing.Seen().shown);
    EXPECT_EQ(nothing.Seen().caption, "Caption");
}

TEST(ModalAnswer, AnswersTheSameWindowShownAgain)
{
    QMessageBox box(QMessageBox::Question, "Again", "Once more?", QMessageBox::Yes | QMessageBox::No);
    for (int pass = 0; pass < 3; ++pass) {
        ModalAnswer answer(ModalAnswer::ClickButton("Ja"));
        EXPECT_EQ(box.exec(), QMessageBox::Yes) << "pass " << pass;
        EXPECT_TRUE(answer.Seen().shown);
    }
}
