#include "QRPrntr.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "QRExport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

void TQRBuildJob::Stop()
{
    Cancel.store(true);
    std::lock_guard lock(JoinMutex);
    if (Thread.joinable())
        Thread.join();
}

// ---- Printer object ------------------------------------------------------------------------------

TQRPrinter::TQRPrinter(QSizeF pageSize, QPageLayout::Orientation orientation, int printerIndex, int copies,
                       const QString& title)
    : pageSize_(pageSize), printer_(QPrinter::HighResolution)
{
    printer_.setDocName(title);
    // Pages are replayed in report pixels: a picture's fonts are resolved for the device's
    // resolution on replay, so a scaled painter would scale the text twice.
    printer_.setResolution(96);
    if (printerIndex >= 0) {
        const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
        if (printerIndex < printers.size())
            printer_.setPrinterName(printers[printerIndex].printerName());
    }
    const QSizeF millimetres = pageSize * 25.4 / 96.0;
    const QSizeF portrait = orientation == QPageLayout::Landscape ? millimetres.transposed() : millimetres;
    printer_.setPageSize(QPageSize(portrait, QPageSize::Millimeter));
    printer_.setPageOrientation(orientation);
    printer_.setFullPage(true);
    printer_.setCopyCount(std::max(1, copies));
}

TQRPrinter::~TQRPrinter()
{
    if (job_)
        job_->Stop();
}

int TQRPrinter::PageCount() const
{
    std::lock_guard lock(mutex_);
    return int(pages_.size());
}

TQRPageContent TQRPrinter::Page(int pageNumber) const
{
    std::lock_guard lock(mutex_);
    if (pageNumber < 1 || pageNumber > int(pages_.size()))
        throw Exception("Pagina " + std::to_string(pageNumber) + " bestaat niet");
    return pages_[size_t(pageNumber - 1)];
}

std::string TQRPrinter::ErrorMessage() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

void TQRPrinter::AddPage(TQRPageContent page)
{
    std::lock_guard lock(mutex_);
    pages_.push_back(std::move(page));
}

void TQRPrinter::SetErrorMessage(std::string message)
{
    std::lock_guard lock(mutex_);
    error_ = std::move(message);
}

std::string TQRPrinter::PrinterName() const
{
    if (!printer_.outputFileName().isEmpty())
        return {};
    return QStringToAnsi(printer_.printerName());
}

bool TQRPrinter::PrintSetup(QWidget* parent)
{
    QPrintDialog dialog(&printer_, parent);
    // The dialog only stores the choice; printing is a command of its own.
    dialog.setWindowTitle("Printer selectie");
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText("&Opslaan");
    return dialog.exec() == QDialog::Accepted;
}

void PaintPage(QPainter& painter, const TQRPageContent& page, QSizeF pageSize, double scale)
{
    painter.save();
    painter.scale(scale, scale);
    painter.fillRect(QRectF(QPointF(0, 0), pageSize), Qt::white);
    painter.drawPicture(0, 0, page.Picture);
    painter.restore();
}

void TQRPrinter::Print()
{
    std::vector<TQRPageContent> pages;
    {
        std::lock_guard lock(mutex_);
        pages = pages_;
    }
    int first = 1, last = int(pages.size());
    if (printer_.printRange() == QPrinter::PageRange && printer_.fromPage() > 0) {
        first = std::max(first, printer_.fromPage());
        last = std::min(last, printer_.toPage() > 0 ? printer_.toPage() : last);
    }
    const char* const unavailable = "Kan niet afdrukken: de printer is niet beschikbaar.";
    // Without a printer and without a file to print into, Qt's PDF engine refuses to begin but
    // stays active, which blocks every later change of the printer: do not begin then.
    if (printer_.outputFormat() == QPrinter::PdfFormat && printer_.outputFileName().isEmpty())
        throw Exception(unavailable);
    printer_.setResolution(96);
    QPainter painter;
    if (!painter.begin(&printer_))
        throw Exception(unavailable);
    for (int number = first; number <= last; ++number) {
        if (number > first)
            printer_.newPage();
        PaintPage(painter, pages[size_t(number - 1)], pageSize_, 1.0);
    }
    painter.end();
}

void TQRPrinter::ExportToFilter(TQRExportFilter& filter) const
{
    std::vector<TQRPageContent> pages;
    {
        std::lock_guard lock(mutex_);
        pages = pages_;
    }
    filter.Start(pageSize_.width(), pageSize_.height());
    for (const TQRPageContent& page : pages) {
        filter.NewPage();
        for (const TQRTextItem& text : page.Texts)
            filter.TextOut(text);
        filter.EndPage();
    }
    filter.Finish();
}

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
