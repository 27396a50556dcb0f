#pragma once
// The preview control: one page of a printer object (QRPrntr.h) at a zoom percentage on a grey
// desk, scrolled by its scroll bars.

#include "QRPrntr.h"

#include <QImage>
#include <QScrollArea>
#include <QString>

class QScrollBar;

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
