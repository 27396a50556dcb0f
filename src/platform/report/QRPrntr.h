#pragma once
// The printer object (a report's built pages) and the preview control that shows them.
//
// TQRPrinter holds the pages of one build of a report, each kept as a QPicture in report pixels
// (96 to the inch, origin at the paper's top-left corner) together with the texts painted on it
// (TQRTextItem), which the export filters write.  Preview, printing and the exports all use these
// same pages.  While a build runs on its own thread (TQuickRep::Preview) the status is mpBusy and
// PageCount() grows as pages are finished; mpFinished comes last, after the final page.  All
// members may be called on the user-interface thread at any time during a build; they read what
// is finished so far.  Freeing the object stops a build still running into it first.
//
// TQRPreview is the preview control: one page at a zoom percentage on a grey desk, scrolled by its
// scroll bars.

#include "Graphics.h"

#include <QFont>
#include <QImage>
#include <QPicture>
#include <QPrinter>
#include <QRectF>
#include <QScrollArea>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class QScrollBar;
class QWidget;
class TQRExportFilter;

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
    void SetJob(std::shared_ptr<struct TQRBuildJob> job) { job_ = std::move(job); }

private:
    QSizeF pageSize_;
    QPrinter printer_;
    mutable std::mutex mutex_;
    std::vector<TQRPageContent> pages_;
    std::string error_;
    std::atomic<TQRPrinterStatus> status_{mpReady};
    std::shared_ptr<struct TQRBuildJob> job_;
};

// Paints a page scaled by scale (1 = report pixels) at the top-left of painter's device, on white.
void PaintPage(QPainter& painter, const TQRPageContent& page, QSizeF pageSize, double scale);

// The library's own preview: a modal window with the preview control, titled title.
void ShowStandardPreview(TQRPrinter& printer, const QString& title);

// The preview control.  Page numbers are 1-based; the page shown is clamped to the pages built
// so far when painted (an empty desk while none is).  Zoom is a percentage (1..1000; 100 shows a
// report pixel as a screen pixel).  The printer is not owned.  The control takes no keyboard focus,
// so keys go to the window that holds it (scroll through VertScrollBar or the mouse wheel).
class TQRPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit TQRPreview(QWidget* parent = nullptr);

    void SetQRPrinter(TQRPrinter* printer);
    TQRPrinter* QRPrinter() const { return printer_; }

    int PageNumber() const { return pageNumber_; }
    void SetPageNumber(int pageNumber);
    int Zoom() const { return zoom_; }
    void SetZoom(int zoom);
    // Sets the zoom at which the page's width fills the visible width.
    void ZoomToWidth();
    QScrollBar* VertScrollBar() const;

    // The picture of the page shown at the current zoom (null while that page is not built).
    QImage PageImage();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TQRPreviewPage;
    void UpdateSize();

    TQRPrinter* printer_ = nullptr;
    int pageNumber_ = 1;
    int zoom_ = 100;
    QImage image_;
    int imagePage_ = 0;
    int imageZoom_ = 0;
    class TQRPreviewPage* page_;
};

// The build of a report on a thread of its own; shared by the report and its printer object,
// whichever is freed first stops it.
struct TQRBuildJob {
    ~TQRBuildJob() { Stop(); }
    void Stop();
    std::atomic<bool> Cancel{false};
    std::mutex JoinMutex;
    std::thread Thread;
};
