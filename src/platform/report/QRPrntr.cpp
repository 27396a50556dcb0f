#include "QRPrntr.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "QRBuildJob.h"
#include "QRExport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
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
