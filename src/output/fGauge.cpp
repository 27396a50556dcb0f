#include "fGauge.h"

#include "ScreenCenter.h"
#include "ui_fGauge.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <algorithm>

TdlgGauge* dlgGauge = nullptr;

namespace {

constexpr int TextLeft = 16;
constexpr int TextRightMargin = 19;

} // namespace

int GaugeWidth(int TextWidth, int CurrentWidth, int ScreenWidth)
{
    const int needed = TextLeft + TextWidth + TextRightMargin;
    return std::max(CurrentWidth, std::min(needed, ScreenWidth));
}

TdlgGauge::TdlgGauge(QWidget* owner) : TBaseForm(owner)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    Ui::TdlgGauge ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Message = ui.Message;
    ProgressBar = ui.ProgressBar;
    setFixedSize(size());
}

void TdlgGauge::ShowNow()
{
    show();
    // The window system puts a new window on the screen after a round trip; painting before that
    // reaches nothing.  Only its own events are taken in the meantime, no input.
    const QDeadlineTimer deadline(2000);
    while (!(windowHandle() && windowHandle()->isExposed()) && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!windowHandle() || !windowHandle()->isExposed())
            QThread::msleep(2);
    }
    repaint();
}

void TdlgGauge::ShowStep(const QString& Text)
{
    Message->setText(Text);
    const QScreen* shownOn = screen();
    const int width = GaugeWidth(Message->fontMetrics().horizontalAdvance(Text) + 1, this->width(),
                                 shownOn ? shownOn->availableGeometry().width() : this->width());
    if (width != this->width()) {
        const int grown = width - this->width();
        setFixedSize(width, height());
        Message->resize(Message->width() + grown, Message->height());
        ProgressBar->resize(ProgressBar->width() + grown, ProgressBar->height());
        CenterOnScreen(this);
    }
    repaint();
}
