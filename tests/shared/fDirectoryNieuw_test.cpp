#include "fDirectoryNieuw.h"

#include "ModalAnswer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TfrmDirectoryNew> NewDialog()
{
    auto form = TBaseForm::Create<TfrmDirectoryNew>();
    form->Initialize();
    return form;
}

} // namespace

TEST(TfrmDirectoryNew, LayoutAndFocus)
{
    auto form = NewDialog();
    EXPECT_EQ(form->windowTitle(), "Nieuwe directory");
    bool focused = false;
    ModalAnswer answer([&](QWidget*) { focused = WaitFor([&] { return form->edDirectory->hasFocus(); }); });
    form->ShowModal();
    EXPECT_TRUE(focused);
    EXPECT_TRUE(answer.Seen().labels.contains("Naam nieuwe subdirectory"));
}

TEST(TfrmDirectoryNew, NameTakesLettersDigitsMinusAndUnderscoreOnly)
{
    auto form = NewDialog();
    form->show();
    QTest::keyClicks(form->edDirectory, "Mijn map.2024/x-y_z\\ ");
    QTest::sendKeyEvent(QTest::Click, form->edDirectory, Qt::Key_Eacute, QString::fromUtf8("\u00e9"), Qt::NoModifier);
    EXPECT_EQ(form->edDirectory->text(), "Mijnmap2024x-y_z");
    QTest::keyClick(form->edDirectory, Qt::Key_Backspace);
    EXPECT_EQ(form->GetNieuweDirectory(), "Mijnmap2024x-y_");
    form->edDirectory->insert("../etc"); // a paste is refused as a whole
    EXPECT_EQ(form->GetNieuweDirectory(), "Mijnmap2024x-y_");

    EXPECT_TRUE(DirectoryNameCharAllowed('\b'));
    EXPECT_FALSE(DirectoryNameCharAllowed('.'));
    EXPECT_FALSE(DirectoryNameCharAllowed(' '));
    EXPECT_FALSE(DirectoryNameCharAllowed('\x16')); // Ctrl+V
}

TEST(TfrmDirectoryNew, EnterPressesOkOnlyWithANameEscCancels)
{
    auto form = NewDialog();
    bool stillOpen = false;
    ModalAnswer empty([&](QWidget* window) {
        QTest::keyClick(form->edDirectory, Qt::Key_Return);
        stillOpen = window->isVisible();
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(stillOpen);

    form = NewDialog();
    ModalAnswer typed([&](QWidget*) {
        QTest::keyClicks(form->edDirectory, "export");
        QTest::keyClick(form->edDirectory, Qt::Key_Return);
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrOk);
    EXPECT_EQ(form->GetNieuweDirectory(), "export");

    form = NewDialog();
    ModalAnswer esc([&](QWidget*) {
        QTest::keyClicks(form->edDirectory, "x");
        QTest::keyClick(form->edDirectory, Qt::Key_Escape);
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
}
