#include "fSplashMessage.h"

#include "AnsiText.h"
#include "ScreenCenter.h"

#include "ui_fSplashMessage.h"

#include <QCoreApplication>
#include <QEvent>

TfrmSplashMessage::TfrmSplashMessage(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    Ui::TfrmSplashMessage ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    setFixedSize(size());
}

void TfrmSplashMessage::SetMessage(const std::string& text)
{
    Message = text;
    Panel1->setText(AnsiToQString(text));
    if (isVisible())
        repaint();
}

void TfrmSplashMessage::Show()
{
    CenterOnScreen(this);
    show();
    raise();
    // The caller keeps the thread busy: let the window appear and paint now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

bool TfrmSplashMessage::event(QEvent* event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate)
        repaint();
    return result;
}
