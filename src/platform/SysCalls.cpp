#include "SysCalls.h"

#include "AnsiText.h"
#include "AppServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

double GetTickCount()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(timer.nsecsElapsed()) / 1e6;
}

void MessageBeep(unsigned)
{
    QApplication::beep();
}

void LockWindowUpdate(QWidget* window)
{
    static QPointer<QWidget> locked;
    if (locked && locked != window)
        locked->setUpdatesEnabled(true);
    locked = window;
    if (window)
        window->setUpdatesEnabled(false);
}

void ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), MessageToQString(text), QMessageBox::Ok);
    BelongToActiveWindow(&box);
    box.exec();
}

int ShowModalWithNormalCursor(const std::function<int()>& show)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    return show();
}

TWaitCursor::TWaitCursor()
    : active_(!QApplication::overrideCursor() || QApplication::overrideCursor()->shape() != Qt::WaitCursor)
{
    if (active_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

TWaitCursor::~TWaitCursor()
{
    if (active_)
        QApplication::restoreOverrideCursor();
}
