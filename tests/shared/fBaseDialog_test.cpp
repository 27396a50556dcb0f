#include "fBaseDialog.h"

#include "HeldComponents.h"
#include "ModalAnswer.h"

#include <QAction>
#include <QFrame>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class ProbeDialog : public TBaseDialog {
public:
    using TBaseDialog::TBaseDialog;
    int helps = 0;
    int exits = 0;

protected:
    void acHelpExecute() override
    {
        ++helps;
        TBaseDialog::acHelpExecute();
    }
    void acExitExecute() override
    {
        ++exits;
        TBaseDialog::acExitExecute();
    }
};

std::unique_ptr<ProbeDialog> NewDialog()
{
    auto form = TBaseForm::Create<ProbeDialog>();
    form->Initialize();
    return form;
}

} // namespace

TEST(TBaseDialog, HoldsItsLayoutsComponents)
{
    auto form = NewDialog();
    ExpectHeldComponents(*form, {HELD(*form, pnlToolbar), HELD(*form, pnlBody), HELD(*form, sbHelp),
                                 HELD(*form, sbExit), HELD(*form, acExit), HELD(*form, acHelp)});
    EXPECT_TRUE(form->pnlToolbar->isAncestorOf(form->sbHelp));
    EXPECT_FALSE(form->pnlToolbar->isAncestorOf(form->pnlBody));
}

TEST(TBaseDialog, ActionsCarryTheirCaptionsShortcutsAndHints)
{
    auto form = NewDialog();
    EXPECT_EQ(form->acExit->text(), "&Sluiten");
    EXPECT_EQ(form->acExit->shortcut(), QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(form->acExit->toolTip(), "Sluiten");
    EXPECT_EQ(form->acExit->statusTip(), "Scherm afsluiten");
    EXPECT_EQ(form->acHelp->text(), "&Help");
    EXPECT_EQ(form->acHelp->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(form->acHelp->toolTip(), "Help");
    EXPECT_EQ(form->sbExit->text(), "&Sluiten");
    EXPECT_EQ(form->sbHelp->text(), "&Help");
    EXPECT_EQ(form->HelpContext(), 1);
}

TEST(TBaseDialog, EscClosesThroughTheExitActionAndF1AsksForHelp)
{
    auto form = NewDialog();
    ModalAnswer answer([&](QWidget* window) {
        QTest::keyClick(window, Qt::Key_F1);
        QTest::keyClick(window, Qt::Key_Escape);
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_EQ(form->helps, 1);
    EXPECT_EQ(form->exits, 1);
}

TEST(TBaseDialog, ExitButtonWorksWhateverTheActionStateHelpButtonFollowsItsAction)
{
    auto form = NewDialog();
    form->acExit->setEnabled(false);
    form->acHelp->setEnabled(false);
    EXPECT_TRUE(form->sbExit->isEnabled());
    EXPECT_FALSE(form->sbHelp->isEnabled());
    form->acHelp->setVisible(false);
    EXPECT_TRUE(form->sbHelp->isHidden());
    form->acHelp->setVisible(true);
    form->acHelp->setEnabled(true);
    EXPECT_FALSE(form->sbHelp->isHidden());
    EXPECT_TRUE(form->sbHelp->isEnabled());

    ModalAnswer answer([&](QWidget* window) {
        QTest::keyClick(window, Qt::Key_Escape); // disabled: nothing
        QTest::mouseClick(form->sbHelp, Qt::LeftButton);
        QTest::mouseClick(form->sbExit, Qt::LeftButton);
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_EQ(form->helps, 1);
    EXPECT_EQ(form->exits, 1);
}

TEST(TBaseDialog, HelpAndCloseButtonsKeepTheirDistanceToTheRightEdge)
{
    auto form = NewDialog();
    form->show();
    for (int width : {696, 900, 500}) {
        form->resize(width, 400);
        EXPECT_EQ(form->sbExit->geometry().right() + 1, width - 16) << width;
        EXPECT_EQ(form->sbHelp->x(), form->sbExit->x() - 88) << width;
        EXPECT_EQ(form->sbExit->y(), 8);
    }
}
