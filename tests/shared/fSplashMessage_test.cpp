#include "fSplashMessage.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <gtest/gtest.h>

TEST(TfrmSplashMessage, BorderlessPanelOnTopWithItsText)
{
    TfrmSplashMessage splash;
    EXPECT_EQ(splash.Panel1->text(), "gegevens worden opgehaald...");
    EXPECT_TRUE(splash.Panel1->font().bold());
    EXPECT_EQ(splash.Panel1->palette().color(QPalette::WindowText), QColor(0, 128, 192));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);

    splash.Show();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.geometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());

    splash.SetMessage("Rapport wordt opgebouwd...");
    EXPECT_EQ(splash.Panel1->text(), "Rapport wordt opgebouwd...");
    splash.SetMessage("caf\xe9");
    EXPECT_EQ(splash.Panel1->text(), QString::fromUtf8("caf\u00e9"));
}

TEST(TfrmSplashMessage, OwnedByItsCreator)
{
    auto* owner = new QWidget;
    auto* splash = new TfrmSplashMessage(owner);
    EXPECT_TRUE(splash->isWindow());
    QPointer<TfrmSplashMessage> guard(splash);
    delete owner;
    EXPECT_TRUE(guard.isNull());
}
