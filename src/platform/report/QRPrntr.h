#pragma once
// The printer object: a report's built pages.
//
// TQRPrinter holds the pages of one build of a report, each kept as a QPicture in report pixels
// (96 to the inch, origin at the paper's top-left corner) together with the texts painted on it
// (TQRTextItem), which the export filters write.  Preview, printing and the exports all use these
// same pages.  While a build runs on its own thread (TQuickRep::Preview) the status is mpBusy and
// PageCount() grows as pages are finished; mpFinished comes last, after the final page.  All
// members may be called on the user-interface thread at any time during a build; they read what
// is finished so far.  Freeing the object stops a build still running into it first.
//
// The preview control that shows them is TQRPreview (QRPreview.h).

#include "Graphics.h"

#include <QFont>
#include <QPicture>
#include <QPrinter>
#include <QRectF>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QPainter;
class QWidget;
class TQRExportFilter;
struct TQRBuildJob;

// One text as painted on a page: its box in page pixels (for a right-aligned or centred text the
// box of the text itself), the text (one line) and its font.
struct TQRTextItem {
    QRectF Rect;
    QString Text;
    QFont Font;
    TAlignment Alignment = taLeftJustify;
};

struct TQRPageContent {
    QPicture Picture;
    std::vector<TQRTextItem> Texts;
};

enum TQRPrinterStatus { mpReady, mpBusy, mpFinished };

class TQRPrinter {
public:
    // pageSize: the paper in report pixels; printerIndex: into QPrinterInfo::availablePrinters(),
    // -1 for the default printer; title: the print job's name (a PDF file's title).
    TQRPrinter(QSizeF pageSize, QPageLayout::Orientation orientation, int printerIndex = -1, int copies = 1,
               const QString& title = {});
    ~TQRPrinter();
    TQRPrinter(const TQRPrinter&) = delete;
    TQRPrinter& operator=(const TQRPrinter&) = delete;

    TQRPrinterStatus Status() const { return status_.load(); }
    int PageCount() const;
    QSizeF PageSize() const { return pageSize_; }
    // A finished page, 1-based; raises Exception when there is no such page (yet).
    TQRPageContent Page(int pageNumber) const;
    // The failure that stopped the build, or empty.
    std::string ErrorMessage() const;

    // The device printing goes to.  Setting an output file name on it prints into that PDF file.
    QPrinter& Printer() { return printer_; }
    // The printer's name (Windows-1252), empty when printing into a file.
    std::string PrinterName() const;
    // The printer setup dialog on Printer() ("Printer selectie": it stores the choice, its button
    // says "Opslaan"); returns whether the user accepted it.
    bool PrintSetup(QWidget* parent = nullptr);
    // Prints the finished pages (the dialog's page range when one was chosen).  Raises Exception
    // "Kan niet afdrukken: de printer is niet beschikbaar." when there is neither a printer nor an
    // output file, or the device cannot be opened; the printer can then still be set up anew.
    void Print();
    // Writes the finished pages through filter: Start, then per page NewPage, its texts in the
    // order painted through TextOut, EndPage; then Finish.  Failures of the filter leave as raised.
    void ExportToFilter(TQRExportFilter& filter) const;

    // Used by the build.
    void AddPage(TQRPageContent page);
    void SetStatus(TQRPrinterStatus status) { status_.store(status); }
    void SetErrorMessage(std::string message);
    void SetJob(std::shared_ptr<TQRBuildJob> job) { job_ = std::move(job); }

private:
    QSizeF pageSize_;
    QPrinter printer_;
    mutable std::mutex mutex_;
    std::vector<TQRPageContent> pages_;
    std::string error_;
    std::atomic<TQRPrinterStatus> status_{mpReady};
    std::shared_ptr<TQRBuildJob> job_;
};

// Paints a page scaled by scale (1 = report pixels) at the top-left of painter's device, on white.
void PaintPage(QPainter& painter, const TQRPageContent& page, QSizeF pageSize, double scale);
