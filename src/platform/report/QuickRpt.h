#pragma once
// The banded report: a report with its page, bands and printable controls, and the preparing
// that lays them out into pages.
//
// Units: every position and size of a band or control is in report pixels, 96 to the inch (the
// pixels of the preview at zoom 100); the page's values are in tenths of a millimetre.  Fonts are
// QFonts with a pixel size.  Texts are Windows-1252 bytes, as everywhere in the program.
//
// Print order when preparing (TQuickRep::Prepare or the build behind TQuickRep::Preview):
//   1. the title bands (rbTitle), each followed by its chain of child bands;
//   2. the detail: each TQRStringsBand prints once per item of its Items, in order, with Item()
//      giving the current item (its children follow each row);
//   3. the summary bands (rbSummary) and their children.
// Every page starts with the page header band (rbPageHeader; on page 1 only with FirstPageHeader)
// and ends with the page footer band (rbPageFooter; on the last page only with LastPageFooter),
// placed at the bottom of the printable area.  With no items in any strings band and PrintIfEmpty
// off, nothing prints and the report has no pages.
//
// Printing one band: when not Enabled, it and its children are left out.  Its BeforePrint handler
// runs first and may change captions, load rich texts or refuse the band (PrintBand = false: the
// band and its children are left out).  Then the band is laid out: its height is its Height, or
// more when a control stretches: the band grows by as much as the control (so the room under it
// stays), and at least to the control's bottom.  A band with ForceNewPage starts a new page
// unless it would be the first band on its page.  A band that does not fit in the room left above
// the page footer moves whole to the next page; a band taller than a whole page prints from the
// top of a page and is cut off at the page footer.  The band's frame lines (Frame) follow its laid
// out height.
//
// Threads: a report may be prepared on any one thread at a time.  TQuickRep::Preview builds on a
// thread of its own, which runs the BeforePrint handlers there; nothing else may touch the report
// (its bands, controls, handlers' data) until the printer's Status() is mpFinished.  Everything the
// build paints is recorded into QPicture pages with QPainter and laid out with QTextLayout and
// QTextDocument objects that the build thread creates and frees itself; Qt supports this off the
// user-interface thread (text layout uses the font database, which is thread-safe on fontconfig
// platforms).  No widget is touched by a build.  A finished page's picture is closed (its painter
// ended, which checksums the recorded data) on a thread of its own while the build lays out the
// next page; pages reach the printer object in order, and a build returns only when its last page
// has arrived.

#include "Graphics.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;
class TQRPrinter;
class TQRCustomBand;
class TQuickRep;
struct TQRTextItem;
struct TQRBuildJob;

// ---- Controls ------------------------------------------------------------------------------------

// What a control left on a page while it was printed.
struct TQRPaintTarget {
    QPainter& Painter;
    std::vector<TQRTextItem>& Texts;
};

// A control placed on a band; Left and Top are relative to the band.
class TQRPrintable {
public:
    explicit TQRPrintable(TQRCustomBand& parent);
    virtual ~TQRPrintable() = default;
    TQRPrintable(const TQRPrintable&) = delete;
    TQRPrintable& operator=(const TQRPrintable&) = delete;

    double Left = 0;
    double Top = 0;
    double Width = 64;
    double Height = 17;
    bool Enabled = true;

    // The height the control takes when printed now (more than Height when it stretches).
    virtual double PrintHeight() const { return Height; }
    // Paints the control with its top-left corner of the band at origin (page pixels).
    virtual void Print(TQRPaintTarget& target, QPointF origin) const = 0;
};

// A text in one font.  AutoSize without WordWrap: the width follows the text (a right-aligned
// label keeps its right edge, a centred one its centre).  WordWrap: the text breaks into lines at
// word boundaries (a word longer than the width breaks inside it) within Width; AutoStretch then
// lets the label grow downwards to show every line, else lines beyond Height are cut off.  Explicit
// line breaks (CR LF or LF) in the caption start new lines.
class TQRLabel : public TQRPrintable {
public:
    explicit TQRLabel(TQRCustomBand& parent, std::string caption = {});

    std::string Caption; // Windows-1252
    QFont Font;          // the report's font when created
    TAlignment Alignment = taLeftJustify;
    bool AutoSize = true;
    bool AutoStretch = false;
    bool WordWrap = false;

    // The lines the caption prints as, and the box it covers (relative to the band).
    QStringList Lines() const;
    QRectF TextRect() const;

    double PrintHeight() const override;
    void Print(TQRPaintTarget& target, QPointF origin) const override;

private:
    // The caption measured in its font and width: its lines, each line's advance and the line
    // height.  Kept until the caption, font, width or wrapping changes, so that laying a band out
    // and printing it measure each caption once (on the one thread that builds the report).
    struct TMeasured {
        std::string Caption;
        QFont Font;
        double Width = -1;
        bool WordWrap = false;
        QStringList Lines;
        std::vector<double> Advances;
        double LineHeight = 0;
    };
    const TMeasured& Measured() const;
    mutable TMeasured measured_;
};

// A box of rich text, Width wide.  With AutoStretch it grows downwards to show all of the text;
// else text below Height is cut off.  The content is kept as its source (RTF bytes or plain text)
// and laid out afresh, on the thread that prints, every time the band prints.
class TQRRichText : public TQRPrintable {
public:
    explicit TQRRichText(TQRCustomBand& parent);

    QFont Font; // default font of the text: its family is used for all of it
    bool AutoStretch = true;

    // Reads an RTF file (RtfReader) of at most MaxRtfBytes.  A file that cannot be read, is no
    // regular file (a FIFO is not waited for) or is larger raises EInOutError (ReadRegularFile);
    // one that is not valid RTF raises EConvertError.  On failure the content is
    // left as it was.
    void LoadFromFile(const std::string& fileName);
    // RTF text (raises EConvertError as above, content then unchanged).
    void SetRtf(const std::string& rtf);
    // Plain text (Windows-1252; LF or CR LF separate paragraphs) in Font.
    void SetText(const std::string& text);
    // The content's text without formatting (paragraphs separated by LF).
    QString PlainText() const;

    double PrintHeight() const override;
    void Print(TQRPaintTarget& target, QPointF origin) const override;

private:
    std::string rtf_;
    std::string text_;
    bool isRtf_ = false;
};

enum TQRShapeType { qrsHorLine, qrsVertLine, qrsRectangle };

// A line through the middle of its box (horizontal or vertical) or a rectangle, one pixel wide.
class TQRShape : public TQRPrintable {
public:
    explicit TQRShape(TQRCustomBand& parent, TQRShapeType shape = qrsHorLine);
    TQRShapeType Shape;
    void Print(TQRPaintTarget& target, QPointF origin) const override;
};

// ---- Bands ---------------------------------------------------------------------------------------

enum TQRBandType { rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbChild };

struct TQRFrame {
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
};

// A band spans the printable width of the page (Width is kept for the controls' layout only).
// It owns its controls; Add creates one on it.
class TQRCustomBand {
public:
    TQRCustomBand(TQuickRep& report, TQRBandType type);
    virtual ~TQRCustomBand();
    TQRCustomBand(const TQRCustomBand&) = delete;
    TQRCustomBand& operator=(const TQRCustomBand&) = delete;

    TQuickRep& Report() const { return report_; }
    TQRBandType BandType() const { return type_; }
    // The child band printed right after this one (set by the child's constructor), or null.
    class TQRChildBand* ChildBand() const { return child_; }

    double Height = 40;
    double Width = 640;
    bool Enabled = true;
    bool ForceNewPage = false;
    TQRFrame Frame;
    std::function<void(TQRCustomBand& Sender, bool& PrintBand)> BeforePrint;

    template <class Control, class... Args>
    Control& Add(Args&&... args)
    {
        auto control = std::make_unique<Control>(*this, std::forward<Args>(args)...);
        Control& result = *control;
        controls_.push_back(std::move(control));
        return result;
    }
    const std::vector<std::unique_ptr<TQRPrintable>>& Controls() const { return controls_; }

    // The height the band takes when printed now.
    double PrintHeight() const;
    // Paints the band at origin with the given height; the frame follows that height.
    void Print(TQRPaintTarget& target, QPointF origin, double height, double pageWidth) const;

private:
    friend class TQRChildBand;
    TQuickRep& report_;
    TQRBandType type_;
    class TQRChildBand* child_ = nullptr;
    std::vector<std::unique_ptr<TQRPrintable>> controls_;
};

// A band of one of the kinds title, page header, page footer, summary or detail.
class TQRBand : public TQRCustomBand {
public:
    TQRBand(TQuickRep& report, TQRBandType type) : TQRCustomBand(report, type) {}
};

// Printed right after its parent band, whenever that prints.
class TQRChildBand : public TQRCustomBand {
public:
    TQRChildBand(TQuickRep& report, TQRCustomBand& parent);
    TQRCustomBand& ParentBand() const { return parent_; }

private:
    TQRCustomBand& parent_;
};

// The detail band that prints once for every item of Items.
class TQRStringsBand : public TQRCustomBand {
public:
    explicit TQRStringsBand(TQuickRep& report) : TQRCustomBand(report, rbDetail) {}
    std::vector<std::string> Items;
    // The item being printed (inside BeforePrint), else empty.
    const std::string& Item() const { return item_; }

private:
    friend class TQRReportBuilder;
    std::string item_;
};

// ---- The report ----------------------------------------------------------------------------------

enum TQRPaperSize { A4 };
enum TPrinterOrientation { poPortrait, poLandscape };

// Page values in tenths of a millimetre.
struct TQRPage {
    double BottomMargin = 127;
    double Length = 2970;
    double LeftMargin = 127;
    double Width = 2100;
    double RightMargin = 127;
    double TopMargin = 127;
    double ColumnSpace = 0;
    TQRPaperSize PaperSize = A4;
    TPrinterOrientation Orientation = poPortrait;
    int Columns = 1;
};

struct TQuickRepOptions {
    bool FirstPageHeader = false;
    bool LastPageFooter = false;
};

// The printer the report's printer objects print on: an index into QPrinterInfo's available
// printers, -1 for the system's default printer.
struct TQRPrinterSettings {
    int PrinterIndex = -1;
    int Copies = 1;
};

// Tenths of a millimetre to report pixels.
double TenthsMMToPixels(double tenths);

class TQuickRep {
public:
    TQuickRep();
    ~TQuickRep(); // stops any build still running for it
    TQuickRep(const TQuickRep&) = delete;
    TQuickRep& operator=(const TQuickRep&) = delete;

    TQRPage Page;
    TQuickRepOptions Options;
    bool PrintIfEmpty = true;
    QFont Font;          // the default of every control added afterwards
    QString ReportTitle; // the print job's name
    TQRPrinterSettings PrinterSettings;
    // Called by Preview instead of showing the library's own preview window.
    std::function<void(TQuickRep& Sender)> OnPreview;

    // Creates a band owned by the report.  Bands print in the order given above; among bands of one
    // kind in the order they were created.
    template <class Band, class... Args>
    Band& AddBand(Args&&... args)
    {
        auto band = std::make_unique<Band>(*this, std::forward<Args>(args)...);
        Band& result = *band;
        bands_.push_back(std::move(band));
        return result;
    }
    const std::vector<std::unique_ptr<TQRCustomBand>>& Bands() const { return bands_; }

    // Builds the pages now, on this thread, into a new printer object that the report keeps
    // (QRPrinter(); an earlier one is freed).  A failure of a handler leaves as it was raised.
    void Prepare();
    // Starts building the pages on a thread of its own into a new printer object (QRPrinter(),
    // status mpBusy until finished), then calls OnPreview, or without a handler shows the pages
    // in a modal window of the library.  A failure during that build stops it: the printer's
    // status becomes mpFinished with the pages made so far and ErrorMessage() set.
    void Preview();
    // Prepares and prints on the printer of PrinterSettings.
    void Print();

    // The report's current printer object, or null.
    TQRPrinter* QRPrinter() const { return qrPrinter_.get(); }
    // Hands the printer object over (the report no longer refers to it).  A build still running
    // into it is stopped when the object is freed.
    std::unique_ptr<TQRPrinter> ReleaseQRPrinter();

    // Page geometry in report pixels.
    QSizeF PagePixels() const;
    QRectF PrintableRect() const;

private:
    std::unique_ptr<TQRPrinter> NewPrinter() const;
    void StopBuilds();

    std::vector<std::unique_ptr<TQRCustomBand>> bands_;
    std::unique_ptr<TQRPrinter> qrPrinter_;
    std::vector<std::shared_ptr<TQRBuildJob>> jobs_;
};
