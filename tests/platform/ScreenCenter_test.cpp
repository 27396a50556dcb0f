#include "ScreenCenter.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>

TEST(CenterOnScreen, TheWindowOpensInTheMiddleOfTheScreenNotOverItsOwner)
{
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    QDialog dialog(&owner);
    dialog.resize(300, 200);
    CenterOnScreen(&dialog);
    dialog.show();
    const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
    // The window frame is unknown before the first show, so the frame's width is the tolerance.
    EXPECT_LE((dialog.frameGeometry().center() - middle).manhattanLength(), 8);
}
