#include "QRPreview.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

// ---- Preview control -----------------------------------------------------------------------------

namespace {
constexpr int kDeskMargin = 10;
constexpr QSizeF kA4Pixels(2100 * 96.0 / 254.0, 2970 * 96.0 / 254.0);
} // namespace

class TQRPreviewPage : public QWidget {
public:
    explicit TQRPreviewPage(TQRPreview& preview) : preview_(preview) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(128, 128, 128));
        const QImage image = preview_.PageImage();
        if (image.isNull())
            return;
        const int left = std::max(kDeskMargin, (width() - image.width()) / 2);
        painter.fillRect(QRect(left + 3, kDeskMargin + 3, image.width(), image.height()), Qt::black);
        painter.drawImage(left, kDeskMargin, image);
    }

private:
    TQRPreview& preview_;
};

TQRPreview::TQRPreview(QWidget* parent) : QScrollArea(parent), page_(new TQRPreviewPage(*this))
{
    setBackgroundRole(QPalette::Dark);
    setFocusPolicy(Qt::NoFocus);
    setWidget(page_);
    setWidgetResizable(false);
    UpdateSize();
}

void TQRPreview::SetQRPrinter(TQRPrinter* printer)
{
    printer_ = printer;
    image_ = QImage();
    imagePage_ = 0;
    UpdateSize();
    page_->update();
}

void TQRPreview::SetPageNumber(int pageNumber)
{
    pageNumber_ = std::max(1, pageNumber);
    page_->update();
}

void TQRPreview::SetZoom(int zoom)
{
    zoom_ = std::clamp(zoom, 1, 1000);
    UpdateSize();
    page_->update();
}

void TQRPreview::ZoomToWidth()
{
    const QSizeF page = printer_ ? printer_->PageSize() : kA4Pixels;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int room = width() - 2 * frameWidth() - scrollBar - 2 * kDeskMargin;
    SetZoom(int(std::floor(room * 100.0 / page.width())));
}

QScrollBar* TQRPreview::VertScrollBar() const
{
    return verticalScrollBar();
}

QImage TQRPreview::PageImage()
{
    if (!printer_)
        return {};
    const int count = printer_->PageCount();
    if (count == 0)
        return {};
    const int number = std::min(pageNumber_, count);
    if (number != imagePage_ || zoom_ != imageZoom_ || image_.isNull()) {
        const TQRPageContent page = printer_->Page(number);
        const double scale = zoom_ / 100.0;
        const QSizeF size = printer_->PageSize() * scale;
        image_ = QImage(qMax(1, qRound(size.width())), qMax(1, qRound(size.height())), QImage::Format_RGB32);
        image_.fill(Qt::white);
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        PaintPage(painter, page, printer_->PageSize(), scale);
        imagePage_ = number;
        imageZoom_ = zoom_;
    }
    return image_;
}

void TQRPreview::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    UpdateSize();
}

void TQRPreview::UpdateSize()
{
    const QSizeF page = (printer_ ? printer_->PageSize() : kA4Pixels) * (zoom_ / 100.0);
    const int width = std::max(qRound(page.width()) + 2 * kDeskMargin, viewport()->width());
    page_->resize(width, qRound(page.height()) + 2 * kDeskMargin);
}

void ShowStandardPreview(TQRPrinter& printer, const QString& title)
{
    QDialog dialog;
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* preview = new TQRPreview(&dialog);
    layout->addWidget(preview);
    preview->SetQRPrinter(&printer);
    dialog.resize(860, 700);
    dialog.exec();
}
