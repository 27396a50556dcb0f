#include "fSplashMessage.h"

#include "AnsiText.h"
#include "ScreenCenter.h"

#include "ui_fSplashMessage.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>

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

void TfrmSplashMessage::setVisible(bool visible)
{
    wanted_ = visible;
    // Modal windows are watched only while the panel is wanted.
    if (visible) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
        covering_.clear();
    }
    QWidget::setVisible(visible && covering_.empty());
}

bool TfrmSplashMessage::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched != this
        && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        const auto known = std::find(covering_.begin(), covering_.end(), window);
        if (event->type() == QEvent::Show && window->isWindow() && window->isModal()
            && known == covering_.end()) {
            covering_.emplace_back(window);
            StepAsideOrBack();
        } else if (event->type() == QEvent::Hide && known != covering_.end()) {
            covering_.erase(known);
            StepAsideOrBack();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmSplashMessage::StepAsideOrBack()
{
    std::erase_if(covering_, [](const QPointer<QWidget>& window) { return window.isNull(); });
    const bool show = wanted_ && covering_.empty();
    if (show == isVisible())
        return;
    QWidget::setVisible(show);
    if (show) {
        raise();
        repaint();
    }
}
