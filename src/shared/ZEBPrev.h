#pragma once
// The report previewer: one page of a built report at a time, with page navigation, zoom,
// scrolling, printing and printer choice from a button bar and keys, and exports to RTF and XLS.
//
// One instance, frmZEBPreviewer, lives from start-up to the end of the program.  A report attaches
// its printer object (SetQRPrinter; the previewer then owns it), sets the caption and shows the
// window modally; closing frees the printer object and detaches it.  While the report is still
// being built every command but zoom 100 shows "Rapport wordt gemaakt. Even geduld a.u.b." and does
// nothing, and the window refuses to close.

#include "LazyFileDialog.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QFileDialog;
class QFrame;
class QLabel;
class QToolButton;
class TQRPrinter;
class TQRPreview;

// ---- Rules without a window ----

// Bits of the button set, one per toolbar button.
enum TZEBPrevButton : int {
    pbFirstPage = 0,
    pbPreviousPage,
    pbNextPage,
    pbLastPage,
    pbPrintReport,
    pbSetup,
    pbZoomIn,
    pbZoomOut,
    pbZoom100,
    pbZoomToWidth,
    pbWordExport,
    pbExcelExport,
    pbPDFExport,
    pbHelp,
    pbClose,
};
// Every button but the three exports.
constexpr std::uint16_t DefaultPreviewButtons = 0x63FF;

// Which navigation buttons are enabled on page PageNumber of PageCount.
struct TPageButtons {
    bool First, Previous, Next, Last;
    bool operator==(const TPageButtons&) const = default;
};
TPageButtons PageButtons(int PageNumber, int PageCount);

// "3 van 7".
std::string PageInfoText(int PageNumber, int PageCount);

// What a key does in the previewer.
enum class TPreviewKey {
    None, PreviousPage, NextPage, FirstPage, LastPage, Close, ZoomIn, ZoomOut,
    ScrollUp, ScrollDown, Help, Print, ZoomToWidth, Setup,
};
// The command of a Qt key; None when a modifier key (shift, control, alt, meta) or a mouse button
// is held.  Plus and minus count on the keypad only.
TPreviewKey PreviewKeyCommand(int Key, Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

// The question before an existing file is overwritten.
std::string OverwriteQuestion(const std::string& FileName);

// Where the export's save dialog opens: the export folder when it is an existing folder, else the
// user's documents folder when there is one, else the home folder.
QString ExportStartFolder(const QString& ExportFolder);

// ---- The window ----

class TfrmZEBPreviewer : public QDialog {
    Q_OBJECT
public:
    // Failures leave as an Exception with "TfrmZEBPreviewer.FormCreate: " in front.
    explicit TfrmZEBPreviewer(QWidget* owner = nullptr);
    ~TfrmZEBPreviewer() override;

    using TNotify = std::function<void(TfrmZEBPreviewer& Sender)>;

    // Attaches a report's printer object; the previewer owns it until it closes.
    void SetQRPrinter(std::unique_ptr<TQRPrinter> Printer);
    TQRPrinter* QRPrinter() const;

    // Shows exactly the buttons whose bit is set.
    void SetButtons(std::uint16_t Set);
    std::uint16_t Buttons() const { return buttons_; }

    // Waits up to 10 seconds for the report to be finished, then shows the page and enables the
    // navigation buttons.
    void UpdatePageInfo();
    // True when no report is attached or it is finished; otherwise says so and is false.
    bool ReportReady();
    void PrintReport();
    void ZoomToWidth();
    void ChangeZoom(int Delta);
    void ScrollVertical(int Delta);
    // Ask for a file, then export the pages to it.  Failures leave as an Exception with
    // "TfrmZEBPreviewer.ExportToWord: " (or ExportToExcel) in front, aborts included.
    void ExportToWord();
    void ExportToExcel();
    void ExportToPDF();

    // Shows the window maximised and modally; the result is the dialog's.
    int ShowModal();

    // Fields.
    std::string ExportFolder;     // where the save dialog starts
    bool PrinterPreference = true; // printer setup stores the chosen printer as PrinterName
    TNotify OnBeforeExport, OnAfterExport, OnBeforeXLSExport, OnAfterXLSExport, OnBeforeRTFExport, OnAfterRTFExport;

    // Components.
    QFrame* panToolbar = nullptr;
    QFrame* panStatus = nullptr;
    QLabel* lblPage = nullptr;
    QToolButton* sbFirstPage = nullptr;
    QToolButton* sbPreviousPage = nullptr;
    QToolButton* sbNextPage = nullptr;
    QToolButton* sbLastPage = nullptr;
    QToolButton* sbPrintReport = nullptr;
    QToolButton* sbZoomIn = nullptr;
    QToolButton* sbZoomOut = nullptr;
    QToolButton* sbZoomToWidth = nullptr;
    QToolButton* sbHelp = nullptr;
    QToolButton* sbClose = nullptr;
    QToolButton* sbSetup = nullptr;
    QToolButton* sbWordExport = nullptr;
    TLazyFileDialog SaveDialog1; // built on first use
    QToolButton* sbExcelExport = nullptr;
    TQRPreview* ZEBPreview = nullptr;
    QToolButton* sbZoom100 = nullptr;
    QToolButton* sbPDFExport = nullptr;

    void reject() override; // closing: only when the report is ready
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    // Shows Text in lblPage, whole and centred in the status bar.
    void ShowPageLabel(const QString& Text);
    void FormClose();
    void GoToPage(int Page);
    void sbSetupClick();
    void Help();
    void HandleKey(TPreviewKey Command);
    void Export(bool Excel);

    std::unique_ptr<TQRPrinter> printer_;
    std::uint16_t buttons_ = 0;
};

// The shared previewer; created at start-up, null before.
extern TfrmZEBPreviewer* frmZEBPreviewer;
