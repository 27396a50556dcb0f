#include "WindowFrame.h"

#include "ScreenCenter.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

QSize ClientSizeFor(QSize Outer, const TFrameExtents& Frame)
{
    return {std::max(1, Outer.width() - Frame.Width()), std::max(1, Outer.height() - Frame.Height())};
}

TFrameExtents FrameOf(const QWidget* Window)
{
    const QWindow* handle = Window ? Window->windowHandle() : nullptr;
    if (!handle || !Window->isVisible())
        return {};
    const QMargins m = handle->frameMargins();
    return {m.left(), m.top(), m.right(), m.bottom()};
}

namespace {

bool IsFramed(const QWidget* w)
{
    return w && w->isWindow() && w->isVisible() && !(w->windowFlags() & Qt::FramelessWindowHint)
        && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip && w->windowType() != Qt::SplashScreen
        && !(w->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized));
}

// Applies the window's own frame once the window system has framed it.
class TOuterSizeKeeper : public QObject {
public:
    TOuterSizeKeeper(QWidget* window, std::function<void(const TFrameExtents&)> apply, TFrameExtents applied)
        : QObject(window), window_(window), apply_(std::move(apply)), applied_(applied)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && (event->type() == QEvent::Show || event->type() == QEvent::Move
                                   || event->type() == QEvent::Resize || event->type() == QEvent::WindowActivate))
            Check();
        return false;
    }

private:
    void Check()
    {
        const TFrameExtents frame = FrameOf(window_);
        if (frame.IsNone())
            return; // not framed yet
        window_->removeEventFilter(this);
        if (frame != applied_)
            apply_(frame);
        CenterOnScreen(window_); // placed before the frame was known
        deleteLater();
    }

    QWidget* window_;
    std::function<void(const TFrameExtents&)> apply_;
    TFrameExtents applied_;
};

} // namespace

TFrameExtents StandardDialogFrame()
{
    if (QWidget* active = QApplication::activeWindow(); IsFramed(active) && !FrameOf(active).IsNone())
        return FrameOf(active);
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (IsFramed(w) && !FrameOf(w).IsNone())
            return FrameOf(w);
    return {};
}

void ApplyOuterSize(QWidget* Window, const std::function<void(const TFrameExtents&)>& Apply)
{
    const TFrameExtents estimate = StandardDialogFrame();
    Apply(estimate);
    new TOuterSizeKeeper(Window, Apply, estimate);
}
