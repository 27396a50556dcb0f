#include "WindowFrame.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <vector>

TEST(ClientSizeFor, TheOuterSizeLessFrameAndCaption)
{
    EXPECT_EQ(ClientSizeFor({449, 429}, {1, 20, 1, 5}), QSize(447, 404));
    EXPECT_EQ(ClientSizeFor({400, 128}, {}), QSize(400, 128));
    EXPECT_EQ(ClientSizeFor({10, 10}, {8, 30, 8, 8}), QSize(1, 1));
}

TEST(ApplyOuterSize, TheWindowsOwnFrameReplacesTheStandInOnceItIsFramed)
{
    // A framed window of the program shows what a standard dialog's frame is; a borderless one does not.
    QWidget borderless(nullptr, Qt::FramelessWindowHint);
    borderless.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&borderless));
    EXPECT_TRUE(StandardDialogFrame().IsNone());
    QDialog framed;
    framed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&framed));
    const QMargins m = framed.windowHandle()->frameMargins();
    ASSERT_FALSE(m.isNull());
    EXPECT_EQ(StandardDialogFrame(), (TFrameExtents{m.left(), m.top(), m.right(), m.bottom()}));
    framed.hide();

    QDialog dialog;
    std::vector<TFrameExtents> applied;
    ApplyOuterSize(&dialog, [&](const TFrameExtents& frame) {
        applied.push_back(frame);
        dialog.setFixedSize(ClientSizeFor({400, 128}, frame));
    });
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_TRUE(applied[0].IsNone()) << "no framed window shown: no stand-in";
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_FALSE(applied[1].IsNone());
    EXPECT_EQ(dialog.frameGeometry().size(), QSize(400, 128));
    const QPoint middle = dialog.screen()->availableGeometry().center();
    EXPECT_LE((dialog.frameGeometry().center() - middle).manhattanLength(), 2);
    // Moving the window later changes nothing.
    dialog.move(dialog.pos() + QPoint(10, 10));
    QCoreApplication::processEvents();
    EXPECT_EQ(applied.size(), 2u);
}
