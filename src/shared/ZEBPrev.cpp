#include "ZEBPrev.h"

#include "AnsiText.h"
#include "AppServices.h"
#include "Exceptions.h"
#include "FileDialogExec.h"
#include "Resources.h"
#include "SysCalls.h"
#include "ZEBMessages.h"
#include "fSplashMessage.h"
#include "report/QRExport.h"
#include "report/QRPreview.h"
#include "uUtils.h"

#include "ui_ZEBPrev.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QShowEvent>
#include <QStandardPaths>
#include <QToolButton>
#include <chrono>
#include <thread>

TfrmZEBPreviewer* frmZEBPreviewer = nullptr;

namespace {

constexpr const char* kNotReady = "Rapport wordt gemaakt. Even geduld a.u.b.";
constexpr double kWaitMilliseconds = 10000;
constexpr int kHelpContext = 1;

} // namespace

TPageButtons PageButtons(int PageNumber, int PageCount)
{
    const bool back = PageNumber >= 2;
    const bool forward = PageCount > 1 && PageCount > PageNumber;
    return {back, back, forward, forward};
}

std::string PageInfoText(int PageNumber, int PageCount)
{
    return std::to_string(PageNumber) + " van " + std::to_string(PageCount);
}

TPreviewKey PreviewKeyCommand(int Key, Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    if ((Modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        || Buttons != Qt::NoButton)
        return TPreviewKey::None;
    const bool keypad = Modifiers & Qt::KeypadModifier;
    switch (Key) {
    case Qt::Key_PageUp:
        return TPreviewKey::PreviousPage;
    case Qt::Key_PageDown:
        return TPreviewKey::NextPage;
    case Qt::Key_Home:
        return TPreviewKey::FirstPage;
    case Qt::Key_End:
        return TPreviewKey::LastPage;
    case Qt::Key_Escape:
        return TPreviewKey::Close;
    case Qt::Key_Plus:
        return keypad ? TPreviewKey::ZoomIn : TPreviewKey::None;
    case Qt::Key_Minus:
        return keypad ? TPreviewKey::ZoomOut : TPreviewKey::None;
    case Qt::Key_Up:
        return TPreviewKey::ScrollUp;
    case Qt::Key_Down:
        return TPreviewKey::ScrollDown;
    case Qt::Key_F1:
        return TPreviewKey::Help;
    case Qt::Key_F2:
        return TPreviewKey::Print;
    case Qt::Key_F3:
        return TPreviewKey::ZoomToWidth;
    case Qt::Key_F4:
        return TPreviewKey::Setup;
    default:
        return TPreviewKey::None;
    }
}

std::string OverwriteQuestion(const std::string& FileName)
{
    return "Wilt u het bestand \"" + FileName + "\" overschrijven?";
}

QString ExportStartFolder(const QString& ExportFolder)
{
    if (!ExportFolder.isEmpty() && QFileInfo(ExportFolder).isDir())
        return ExportFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

// ---- The window ----

TfrmZEBPreviewer::TfrmZEBPreviewer(QWidget* owner)
    : QDialog(owner), SaveDialog1(this, "SaveDialog1", [](QFileDialog& dialog) {
          dialog.setWindowTitle("Rapport exporteren");
          dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
          dialog.setAcceptMode(QFileDialog::AcceptSave);
          dialog.setFileMode(QFileDialog::AnyFile);
          dialog.setNameFilter("RTF-bestanden (*.rtf)");
          dialog.setDefaultSuffix("rtf");
      })
{
    Guarded("TfrmZEBPreviewer.FormCreate: ", [this] {
        EnsureResources();
        Ui::TfrmZEBPreviewer ui;
        ui.setupUi(this);
        setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                       | Qt::WindowCloseButtonHint);
        setProperty("HelpContext", kHelpContext);
        panToolbar = ui.panToolbar;
        panStatus = ui.panStatus;
        lblPage = ui.lblPage;
        sbFirstPage = ui.sbFirstPage;
        sbPreviousPage = ui.sbPreviousPage;
        sbNextPage = ui.sbNextPage;
        sbLastPage = ui.sbLastPage;
        sbPrintReport = ui.sbPrintReport;
        sbZoomIn = ui.sbZoomIn;
        sbZoomOut = ui.sbZoomOut;
        sbZoomToWidth = ui.sbZoomToWidth;
        sbHelp = ui.sbHelp;
        sbClose = ui.sbClose;
        sbSetup = ui.sbSetup;
        sbWordExport = ui.sbWordExport;
        sbExcelExport = ui.sbExcelExport;
        ZEBPreview = ui.ZEBPreview;
        sbZoom100 = ui.sbZoom100;
        sbPDFExport = ui.sbPDFExport;

        // Key preview: the window sees every key of its own controls first.
        installEventFilter(this);
        for (QWidget* child : findChildren<QWidget*>())
            child->installEventFilter(this);

        const auto bind = [this](QToolButton* button, std::function<void()> handler) {
            connect(button, &QToolButton::clicked, this, [handler = std::move(handler)] { RunReported(handler); });
        };
        bind(sbFirstPage, [this] { HandleKey(TPreviewKey::FirstPage); });
        bind(sbPreviousPage, [this] { HandleKey(TPreviewKey::PreviousPage); });
        bind(sbNextPage, [this] { HandleKey(TPreviewKey::NextPage); });
        bind(sbLastPage, [this] { HandleKey(TPreviewKey::LastPage); });
        bind(sbPrintReport, [this] { PrintReport(); });
        bind(sbSetup, [this] { sbSetupClick(); });
        bind(sbZoomIn, [this] { ChangeZoom(10); });
        bind(sbZoomOut, [this] { ChangeZoom(-10); });
        bind(sbZoom100, [this] { ZEBPreview->SetZoom(100); });
        bind(sbZoomToWidth, [this] { ZoomToWidth(); });
        bind(sbHelp, [this] { Help(); });
        bind(sbClose, [this] { close(); });
        const auto exportButton = [](const std::string& prefix, std::function<void()> routine) {
            return [prefix, routine = std::move(routine)] {
                try {
                    routine();
                } catch (const std::exception& e) {
                    ShowErrorMessage("Fout", prefix + e.what());
                }
            };
        };
        bind(sbWordExport, exportButton("TfrmZEBPreviewer.sbWordExportClick: ", [this] { ExportToWord(); }));
        bind(sbExcelExport, exportButton("TfrmZEBPreviewer.spExcelExportClick: ", [this] { ExportToExcel(); }));
        bind(sbPDFExport, exportButton("TfrmZEBPreviewer.spPDFExportClick: ", [this] { ExportToPDF(); }));

        SetButtons(DefaultPreviewButtons);
    });
}

TfrmZEBPreviewer::~TfrmZEBPreviewer()
{
    ZEBPreview->SetQRPrinter(nullptr);
    if (frmZEBPreviewer == this)
        frmZEBPreviewer = nullptr;
}

void TfrmZEBPreviewer::SetQRPrinter(std::unique_ptr<TQRPrinter> Printer)
{
    printer_ = std::move(Printer);
    ZEBPreview->SetQRPrinter(printer_.get());
}

TQRPrinter* TfrmZEBPreviewer::QRPrinter() const
{
    return printer_.get();
}

void TfrmZEBPreviewer::SetButtons(std::uint16_t Set)
{
    buttons_ = Set;
    QToolButton* const order[] = {sbFirstPage, sbPreviousPage, sbNextPage, sbLastPage, sbPrintReport,
                                  sbSetup, sbZoomIn, sbZoomOut, sbZoom100, sbZoomToWidth,
                                  sbWordExport, sbExcelExport, sbPDFExport, sbHelp, sbClose};
    for (int bit = 0; bit < int(std::size(order)); ++bit)
        order[bit]->setVisible((Set >> bit) & 1);
}

void TfrmZEBPreviewer::UpdatePageInfo()
{
    const double start = GetTickCount();
    while (printer_ && printer_->Status() != mpFinished && GetTickCount() - start <= kWaitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const int page = ZEBPreview->PageNumber();
    const int count = printer_ ? printer_->PageCount() : 0;
    const TPageButtons enabled = PageButtons(page, count);
    sbFirstPage->setEnabled(enabled.First);
    sbPreviousPage->setEnabled(enabled.Previous);
    sbNextPage->setEnabled(enabled.Next);
    sbLastPage->setEnabled(enabled.Last);
    ShowPageLabel(AnsiToQString(PageInfoText(page, count)));
    repaint();
}

bool TfrmZEBPreviewer::ReportReady()
{
    if (!printer_ || printer_->Status() == mpFinished)
        return true;
    ShowMessage(kNotReady);
    return false;
}

void TfrmZEBPreviewer::GoToPage(int Page)
{
    ZEBPreview->SetPageNumber(Page);
    UpdatePageInfo();
}

void TfrmZEBPreviewer::PrintReport()
{
    if (!ReportReady() || !printer_)
        return;
    const QString saved = lblPage->text();
    ShowPageLabel("Bezig met afdrukken...");
    struct Restore {
        TfrmZEBPreviewer& form;
        QString text;
        ~Restore()
        {
            form.ShowPageLabel(text);
            form.repaint();
        }
    } restore{*this, saved};
    TWaitCursor wait;
    repaint();
    printer_->Print();
}

void TfrmZEBPreviewer::ZoomToWidth()
{
    if (ReportReady())
        ZEBPreview->ZoomToWidth();
}

void TfrmZEBPreviewer::ChangeZoom(int Delta)
{
    if (ReportReady())
        ZEBPreview->SetZoom(ZEBPreview->Zoom() + Delta);
}

void TfrmZEBPreviewer::ScrollVertical(int Delta)
{
    if (!ReportReady())
        return;
    QScrollBar* bar = ZEBPreview->VertScrollBar();
    bar->setValue(bar->value() - Delta);
}

void TfrmZEBPreviewer::Help()
{
    ApplicationHelpContext(property("HelpContext").toInt());
}

void TfrmZEBPreviewer::sbSetupClick()
{
    try {
        if (!printer_)
            return;
        printer_->PrintSetup(this);
        // The printer chosen in the dialog becomes the shared printer name.
        const std::string name = printer_->PrinterName();
        if (PrinterPreference && !name.empty())
            SetPrinterName(name);
    } catch (const std::exception& e) {
        ShowErrorMessage("TfrmZEBPreviewer.sbSetupClick : ", std::string("De volgende fout is opgetreden: ") + e.what());
    }
}

void TfrmZEBPreviewer::HandleKey(TPreviewKey Command)
{
    const auto navigate = [this](QToolButton* button, auto target) {
        if (button->isEnabled() && ReportReady())
            GoToPage(target());
    };
    switch (Command) {
    case TPreviewKey::FirstPage:
        navigate(sbFirstPage, [] { return 1; });
        break;
    case TPreviewKey::PreviousPage:
        navigate(sbPreviousPage, [this] { return ZEBPreview->PageNumber() - 1; });
        break;
    case TPreviewKey::NextPage:
        navigate(sbNextPage, [this] { return ZEBPreview->PageNumber() + 1; });
        break;
    case TPreviewKey::LastPage:
        navigate(sbLastPage, [this] { return printer_ ? printer_->PageCount() : 1; });
        break;
    case TPreviewKey::Close:
        close();
        break;
    case TPreviewKey::ZoomIn:
        ChangeZoom(10);
        break;
    case TPreviewKey::ZoomOut:
        ChangeZoom(-10);
        break;
    case TPreviewKey::ScrollUp:
        ScrollVertical(10);
        break;
    case TPreviewKey::ScrollDown:
        ScrollVertical(-10);
        break;
    case TPreviewKey::Help:
        Help();
        break;
    case TPreviewKey::Print:
        PrintReport();
        break;
    case TPreviewKey::ZoomToWidth:
        ZoomToWidth();
        break;
    case TPreviewKey::Setup:
        sbSetupClick();
        break;
    case TPreviewKey::None:
        break;
    }
}

void TfrmZEBPreviewer::Export(bool Excel)
{
    const auto notify = [this](const TNotify& handler) {
        if (handler)
            handler(*this);
    };
    try {
        if (!ReportReady())
            return;
        SaveDialog1->setNameFilter(Excel ? "Microsoft Excel-werkmap (*.xls)" : "RTF-bestanden (*.rtf)");
        SaveDialog1->setDefaultSuffix(Excel ? "xls" : "rtf");
        notify(OnBeforeExport);
        notify(Excel ? OnBeforeXLSExport : OnBeforeRTFExport);
        SaveDialog1->setDirectory(ExportStartFolder(AnsiToQString(ExportFolder)));
        if (ExecFileDialog(SaveDialog1.Dialog()) != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty())
            throw EAbort("Dialoog is afgebroken");
        const QString fileName = SaveDialog1->selectedFiles().first();
        if (QFileInfo::exists(fileName)
            && AskQuestion(Excel ? "Export naar Excel" : "Export naar Word",
                           OverwriteQuestion(PathInMessage(QDir::toNativeSeparators(fileName))), false)
                   != mrYes)
            throw EAbort("Mag bestand niet overschrijven");
        try {
            const std::filesystem::path path(QFile::encodeName(fileName).toStdString());
            std::unique_ptr<TQRExportFilter> filter;
            if (Excel)
                filter = std::make_unique<TQRXLSFilter>(path);
            else
                filter = std::make_unique<TQRRTFExportFilter>(path);
            if (!printer_)
                throw Exception("Geen rapport");
            printer_->ExportToFilter(*filter);
            ShowInfoMessage(Excel ? "Export naar MS-Excel voltooid." : "Export naar MS-Word voltooid.");
        } catch (const std::exception&) {
            ShowInfoMessage("Kon bestand niet exporteren.");
        }
        notify(OnAfterExport);
        notify(Excel ? OnAfterXLSExport : OnAfterRTFExport);
    } catch (const std::exception& e) {
        throw Exception(std::string(Excel ? "TfrmZEBPreviewer.ExportToExcel: " : "TfrmZEBPreviewer.ExportToWord: ")
                        + e.what());
    }
}

void TfrmZEBPreviewer::ExportToWord()
{
    Export(false);
}

void TfrmZEBPreviewer::ExportToExcel()
{
    Export(true);
}

void TfrmZEBPreviewer::ExportToPDF() {}

int TfrmZEBPreviewer::ShowModal()
{
    setWindowState(windowState() | Qt::WindowMaximized);
    return exec();
}

void TfrmZEBPreviewer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The waiting for the report runs once the window stands, inside its own modal loop.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, [this] { RunReported([this] { FormShow(); }); }, Qt::QueuedConnection);
}

void TfrmZEBPreviewer::ShowPageLabel(const QString& Text)
{
    lblPage->setText(Text);
    lblPage->adjustSize();
    lblPage->move((panStatus->width() - lblPage->width()) / 2, lblPage->y());
}

void TfrmZEBPreviewer::FormShow()
{
    ShowPageLabel(lblPage->text()); // whole and centred while the report is waited for
    TfrmSplashMessage splash(this);
    splash.SetMessage("Rapport wordt opgebouwd...");
    splash.Show();
    {
        TWaitCursor wait;
        ZEBPreview->SetPageNumber(1);
        setWindowState(windowState() | Qt::WindowMaximized);
        UpdatePageInfo();
        ZEBPreview->SetZoom(100);
    }
    splash.hide();
}

void TfrmZEBPreviewer::reject()
{
    if (ReportReady())
        QDialog::reject();
}

void TfrmZEBPreviewer::done(int result)
{
    QDialog::done(result);
    FormClose();
}

void TfrmZEBPreviewer::FormClose()
{
    ZEBPreview->SetPageNumber(1);
    ZEBPreview->SetQRPrinter(nullptr);
    printer_.reset();
}

bool TfrmZEBPreviewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panStatus && event->type() == QEvent::Resize)
        ShowPageLabel(lblPage->text());
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const TPreviewKey command = PreviewKeyCommand(key->key(), key->modifiers(), QGuiApplication::mouseButtons());
        if (command != TPreviewKey::None) {
            RunReported([&] { HandleKey(command); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
