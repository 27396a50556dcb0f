#include "ScreenCenter.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

void CenterOnScreen(QWidget* window)
{
    QScreen* screen = nullptr;
    if (QWidget* owner = window->parentWidget())
        screen = owner->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
