// The report previewer as a user meets it: page info, navigation by keys and buttons, zoom and
// scrolling, closing while the report is built, printer setup, and the export questions.
#include "ZEBPrev.h"

#include "EnvironmentScope.h"
#include "ModalAnswer.h"
#include "ZEBMessages.h"
#include "fSplashMessage.h"
#include "uGlobals.h"
#include "report/QRPreview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// ---- Rules ----

TEST(PreviewRules, NavigationButtonsFollowThePage)
{
    struct {
        int page, count;
        TPageButtons expected;
    } cases[] = {
        {1, 1, {false, false, false, false}}, {1, 0, {false, false, false, false}},
        {1, 3, {false, false, true, true}},   {2, 3, {true, true, true, true}},
        {3, 3, {true, true, false, false}},   {4, 3, {true, true, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageButtons(c.page, c.count), c.expected) << c.page << " of " << c.count;
    EXPECT_EQ(PageInfoText(3, 7), "3 van 7");
    EXPECT_EQ(OverwriteQuestion("/tmp/a.rtf"), "Wilt u het bestand \"/tmp/a.rtf\" overschrijven?");
}

TEST(PreviewRules, KeysWithoutModifiersOnly)
{
    const auto none = Qt::NoModifier;
    struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        Qt::MouseButtons buttons;
        TPreviewKey expected;
    } cases[] = {
        {Qt::Key_Escape, none, Qt::NoButton, TPreviewKey::Close},
        {Qt::Key_Plus, Qt::KeypadModifier, Qt::NoButton, TPreviewKey::ZoomIn},
        {Qt::Key_Minus, Qt::KeypadModifier, Qt::NoButton, TPreviewKey::ZoomOut},
        {Qt::Key_Plus, none, Qt::NoButton, TPreviewKey::None},
        {Qt::Key_Minus, none, Qt::NoButton, TPreviewKey::None},
        {Qt::Key_Up, none, Qt::NoButton, TPreviewKey::ScrollUp},
        {Qt::Key_Down, none, Qt::NoButton, TPreviewKey::ScrollDown},
        {Qt::Key_F1, none, Qt::NoButton, TPreviewKey::Help},
        {Qt::Key_F2, none, Qt::NoButton, TPreviewKey::Print},
        {Qt::Key_F3, none, Qt::NoButton, TPreviewKey::ZoomToWidth},
        {Qt::Key_F4, none, Qt::NoButton, TPreviewKey::Setup},
        {Qt::Key_PageDown, Qt::ControlModifier, Qt::NoButton, TPreviewKey::None},
        {Qt::Key_Escape, Qt::AltModifier, Qt::NoButton, TPreviewKey::None},
        {Qt::Key_F2, Qt::MetaModifier, Qt::NoButton, TPreviewKey::None},
        {Qt::Key_PageDown, none, Qt::LeftButton, TPreviewKey::None},
        {Qt::Key_A, none, Qt::NoButton, TPreviewKey::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PreviewKeyCommand(c.key, c.modifiers, c.buttons), c.expected) << std::hex << c.key;
}

// ---- The window ----

// A report of count pages, each showing "Pagina n".
std::unique_ptr<TQRPrinter> Report(int count, TQRPrinterStatus status = mpFinished, const QString& title = {})
{
    auto printer = std::make_unique<TQRPrinter>(QSizeF(794, 1123), QPageLayout::Portrait, -1, 1, title);
    for (int n = 1; n <= count; ++n) {
        TQRPageContent page;
        QFont font("Arial");
        font.setPixelSize(20);
        const QString text = "Pagina " + QString::number(n);
        {
            QPainter painter(&page.Picture);
            painter.setFont(font);
            painter.drawText(QRectF(100, 100, 300, 30), text);
        }
        page.Picture.setBoundingRect(QRect(0, 0, 794, 1123));
        page.Texts.push_back({QRectF(100, 100, 80, 24), text, font, taLeftJustify});
        printer->AddPage(std::move(page));
    }
    printer->SetStatus(status);
    return printer;
}

class Previewer : public ::testing::Test {
protected:
    // The window stands with its page info, done waiting for the report.
    bool Ready() const
    {
        return form.isVisible() && !form.findChild<TfrmSplashMessage*>() && !form.lblPage->text().startsWith("Pagina");
    }

    void Show(int pages, const QString& title = {})
    {
        printer = Report(pages, mpFinished, title).release();
        form.SetQRPrinter(std::unique_ptr<TQRPrinter>(printer));
        form.resize(800, 600);
        form.show();
        ASSERT_TRUE(WaitFor([this] { return Ready(); }));
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = form.focusWidget() ? form.focusWidget() : &form;
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    std::vector<bool> Enabled() const
    {
        return {form.sbFirstPage->isEnabled(), form.sbPreviousPage->isEnabled(), form.sbNextPage->isEnabled(),
                form.sbLastPage->isEnabled()};
    }

    TfrmZEBPreviewer form;
    TQRPrinter* printer = nullptr; // owned by form while attached
};

TEST_F(Previewer, ButtonSetShowsExactlyItsButtons)
{
    Show(1);
    EXPECT_EQ(form.Buttons(), DefaultPreviewButtons);
    const std::vector<QToolButton*> buttons = {
        form.sbFirstPage, form.sbPreviousPage, form.sbNextPage, form.sbLastPage, form.sbPrintReport,
        form.sbSetup, form.sbZoomIn, form.sbZoomOut, form.sbZoom100, form.sbZoomToWidth,
        form.sbWordExport, form.sbExcelExport, form.sbPDFExport, form.sbHelp, form.sbClose};
    for (std::uint16_t set : {std::uint16_t(0x63FF), std::uint16_t(0x7FFF), std::uint16_t(1 << pbWordExport),
                              std::uint16_t(0)}) {
        form.SetButtons(set);
        for (int bit = 0; bit < 15; ++bit)
            EXPECT_EQ(buttons[size_t(bit)]->isVisible(), bool((set >> bit) & 1)) << std::hex << set << " bit " << bit;
    }
}

TEST_F(Previewer, OnePageShowsOneOfOneWithoutNavigation)
{
    Show(1);
    EXPECT_EQ(form.lblPage->text(), "1 van 1");
    EXPECT_EQ(Enabled(), std::vector<bool>({false, false, false, false}));
    EXPECT_EQ(form.ZEBPreview->Zoom(), 100);
    EXPECT_TRUE(form.isMaximized());
}

TEST_F(Previewer, KeysNavigateOnlyWithoutModifiers)
{
    Show(3);
    EXPECT_EQ(Enabled(), std::vector<bool>({false, false, true, true}));
    struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString info;
        std::vector<bool> enabled;
    } steps[] = {
        {Qt::Key_PageUp, Qt::NoModifier, "1 van 3", {false, false, true, true}},
        {Qt::Key_PageDown, Qt::NoModifier, "2 van 3", {true, true, true, true}},
        {Qt::Key_PageDown, Qt::ControlModifier, "2 van 3", {true, true, true, true}},
        {Qt::Key_PageUp, Qt::ControlModifier, "2 van 3", {true, true, true, true}},
        {Qt::Key_End, Qt::ShiftModifier, "2 van 3", {true, true, true, true}},
        {Qt::Key_End, Qt::NoModifier, "3 van 3", {true, true, false, false}},
        {Qt::Key_PageDown, Qt::NoModifier, "3 van 3", {true, true, false, false}},
        {Qt::Key_Home, Qt::AltModifier, "3 van 3", {true, true, false, false}},
        {Qt::Key_Home, Qt::NoModifier, "1 van 3", {false, false, true, true}},
    };
    for (const auto& s : steps) {
        Key(s.key, s.modifiers);
        EXPECT_EQ(form.lblPage->text(), s.info) << std::hex << s.key << " " << s.modifiers;
        EXPECT_EQ(form.ZEBPreview->PageNumber(), s.info.left(1).toInt());
        EXPECT_EQ(Enabled(), s.enabled) << std::hex << s.key;
    }
}

TEST_F(Previewer, ButtonsNavigate)
{
    Show(3);
    QTest::mouseClick(form.sbNextPage, Qt::LeftButton);
    EXPECT_EQ(form.lblPage->text(), "2 van 3");
    QTest::mouseClick(form.sbLastPage, Qt::LeftButton);
    EXPECT_EQ(form.lblPage->text(), "3 van 3");
    QTest::mouseClick(form.sbPreviousPage, Qt::LeftButton);
    EXPECT_EQ(form.lblPage->text(), "2 van 3");
    QTest::mouseClick(form.sbFirstPage, Qt::LeftButton);
    EXPECT_EQ(form.lblPage->text(), "1 van 3");
    // The page shown is the page named.
    EXPECT_FALSE(form.ZEBPreview->PageImage().isNull());
}

TEST_F(Previewer, ZoomAndScroll)
{
    Show(2);
    struct {
        std::function<void()> act;
        int zoom;
    } steps[] = {
        {[&] { Key(Qt::Key_Plus, Qt::KeypadModifier); }, 110},
        {[&] { QTest::mouseClick(form.sbZoomIn, Qt::LeftButton); }, 120},
        {[&] { Key(Qt::Key_Minus, Qt::KeypadModifier); }, 110},
        {[&] { QTest::mouseClick(form.sbZoomOut, Qt::LeftButton); }, 100},
        {[&] { Key(Qt::Key_Plus); }, 100},
        {[&] { QTest::mouseClick(form.sbZoom100, Qt::LeftButton); }, 100},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(form.ZEBPreview->Zoom(), s.zoom);
    }
    Key(Qt::Key_F3);
    const int width = form.ZEBPreview->Zoom();
    EXPECT_NE(width, 100);
    QTest::mouseClick(form.sbZoom100, Qt::LeftButton);
    QTest::mouseClick(form.sbZoomToWidth, Qt::LeftButton);
    EXPECT_EQ(form.ZEBPreview->Zoom(), width);

    QScrollBar* bar = form.ZEBPreview->VertScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    bar->setValue(0);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(bar->value(), 20);
    Key(Qt::Key_Up);
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(form.ZEBPreview->PageNumber(), 1); // the scroll keys do not turn pages
}

TEST_F(Previewer, EscapeClosesAFinishedReportAndFreesIt)
{
    Show(3);
    Key(Qt::Key_End);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.QRPrinter(), nullptr);
    EXPECT_EQ(form.ZEBPreview->QRPrinter(), nullptr);
    EXPECT_EQ(form.ZEBPreview->PageNumber(), 1);
}

TEST_F(Previewer, WhileTheReportIsBuiltCommandsWaitAndEscapeDoesNotClose)
{
    printer = Report(3, mpBusy).release();
    form.SetQRPrinter(std::unique_ptr<TQRPrinter>(printer));
    std::string splashText;
    QStringList escapeMessage, pageDownMessage;
    bool stillOpen = false;
    int pageWhileBusy = 0;
    // While the window waits for the report (its splash stands), the user presses keys.
    RunWhen([&] { return form.findChild<TfrmSplashMessage*>() != nullptr; },
            [&] {
                splashText = form.findChild<TfrmSplashMessage*>()->Message;
                {
                    ModalAnswer message(ModalAnswer::ClickButton("OK"));
                    Key(Qt::Key_Escape);
                    escapeMessage = message.Seen().labels;
                }
                stillOpen = form.isVisible();
                {
                    ModalAnswer message(ModalAnswer::ClickButton("OK"));
                    Key(Qt::Key_PageDown);
                    pageDownMessage = message.Seen().labels;
                }
                pageWhileBusy = form.ZEBPreview->PageNumber();
                printer->SetStatus(mpFinished);
            },
            &form);
    form.resize(800, 600);
    form.show();
    ASSERT_TRUE(WaitFor([this] { return Ready(); }, 15000));
    EXPECT_EQ(splashText, "Rapport wordt opgebouwd...");
    EXPECT_TRUE(escapeMessage.contains("Rapport wordt gemaakt. Even geduld a.u.b.")) << escapeMessage.join('|').toStdString();
    EXPECT_TRUE(pageDownMessage.contains("Rapport wordt gemaakt. Even geduld a.u.b."));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(pageWhileBusy, 1);
    EXPECT_EQ(form.lblPage->text(), "1 van 3");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

// The message that the report is still being built comes up while the splash stands: the splash
// steps aside while the message stands (it would cover its button) and comes back after it.
TEST_F(Previewer, TheMessageWhileBuildingIsNeverUnderTheSplash)
{
    printer = Report(3, mpBusy).release();
    form.SetQRPrinter(std::unique_ptr<TQRPrinter>(printer));
    bool splashBefore = false, splashWithMessage = true, splashAfter = false;
    QStringList message;
    RunWhen([&] { return form.findChild<TfrmSplashMessage*>() != nullptr; },
            [&] {
                auto* splash = form.findChild<TfrmSplashMessage*>();
                splashBefore = splash->isVisible();
                // The page label shows whole while the report is waited for.
                EXPECT_GE(form.lblPage->width(), form.lblPage->sizeHint().width()) << form.lblPage->text().toStdString();
                {
                    ModalAnswer answer([&](QWidget* window) {
                        splashWithMessage = splash->isVisible();
                        for (const QLabel* label : window->findChildren<QLabel*>())
                            message << label->text();
                        ModalAnswer::ClickButton("OK")(window);
                    });
                    Key(Qt::Key_PageDown);
                }
                splashAfter = splash->isVisible();
                printer->SetStatus(mpFinished);
            },
            &form);
    form.resize(800, 600);
    form.show();
    ASSERT_TRUE(WaitFor([this] { return Ready(); }, 15000));
    EXPECT_TRUE(message.contains("Rapport wordt gemaakt. Even geduld a.u.b.")) << message.join('|').toStdString();
    EXPECT_TRUE(splashBefore);
    EXPECT_FALSE(splashWithMessage);
    EXPECT_TRUE(splashAfter);
}

TEST_F(Previewer, F4OpensThePrinterSetupOfTheReport)
{
    Show(1);
    PrinterName = "ongewijzigd";
    printer->Printer().setOutputFileName(QDir::temp().filePath("rapport.pdf")); // no printer device chosen
    ModalAnswer setup(ModalAnswer::Close());
    Key(Qt::Key_F4);
    ASSERT_TRUE(setup.Seen().shown);
    EXPECT_TRUE(setup.Seen().className.contains("PrintDialog")) << setup.Seen().className.toStdString();
    EXPECT_EQ(PrinterName, "ongewijzigd"); // printing into a file names no printer to share
    EXPECT_TRUE(form.isVisible());
}

// What a command-line tool prints for a PDF file.
QString PdfTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Without a printer F2 fails; printer setup (F4) then chooses a PDF file, and printing (F2) writes
// it, every time, carrying the report's title.  The setup dialog's button stores, it does not print.
TEST_F(Previewer, AfterAFailedPrintSetupAndEveryLaterPrintWork)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed here: F2 would print on it";
    Show(2, "Kandidatenlijst - Model H1");
    {
        ModalAnswer error(ModalAnswer::ClickButton("Ok"));
        Key(Qt::Key_F2);
        ASSERT_TRUE(error.Seen().shown);
        EXPECT_TRUE(error.Seen().labels.join('|').contains("Kan niet afdrukken: de printer is niet beschikbaar."))
            << error.Seen().labels.join('|').toStdString();
    }
    QTemporaryDir dir;
    for (const QString name : {"eerste.pdf", "tweede.pdf"}) {
        const QString pdf = dir.filePath(name);
        QString title, okCaption, chosen;
        ModalAnswer setup([&](QWidget* window) {
            title = window->windowTitle();
            auto* printers = window->findChild<QComboBox*>("printers");
            auto* file = window->findChild<QLineEdit*>("filename");
            auto* buttons = window->findChild<QDialogButtonBox*>();
            ASSERT_TRUE(printers && file && buttons);
            const int toFile = printers->findText("PDF", Qt::MatchContains);
            ASSERT_GE(toFile, 0);
            printers->setCurrentIndex(toFile);
            chosen = printers->currentText();
            file->setText(pdf);
            okCaption = buttons->button(QDialogButtonBox::Ok)->text();
            buttons->button(QDialogButtonBox::Ok)->click();
        });
        Key(Qt::Key_F4);
        ASSERT_TRUE(setup.Seen().shown) << name.toStdString();
        EXPECT_EQ(title, "Printer selectie");
        EXPECT_EQ(PlainText(okCaption), "Opslaan") << chosen.toStdString();
        EXPECT_FALSE(QFile::exists(pdf)) << "the setup printed";
        Key(Qt::Key_F2);
        ASSERT_TRUE(QFile::exists(pdf)) << name.toStdString();
        const QString info = PdfTool("pdfinfo", {pdf});
        EXPECT_TRUE(info.contains(QRegularExpression("Title: +Kandidatenlijst - Model H1\\n"))) << info.toStdString();
        EXPECT_TRUE(info.contains(QRegularExpression("Pages: +2\\n"))) << info.toStdString();
        EXPECT_TRUE(PdfTool("pdftotext", {pdf, "-"}).contains("Pagina 2"));
        EXPECT_EQ(form.lblPage->text(), "1 van 2");
    }
}

// The export buttons, made visible.
struct ExportCase {
    QToolButton* TfrmZEBPreviewer::*button;
    const char* suffix;
    QString title, buttonPrefix, routinePrefix, done;
};

class PreviewerExport : public Previewer, public ::testing::WithParamInterface<int> {
protected:
    ExportCase Case() const
    {
        if (GetParam() == 0)
            return {&TfrmZEBPreviewer::sbWordExport, "rtf", "Export naar Word", "TfrmZEBPreviewer.sbWordExportClick: ",
                    "TfrmZEBPreviewer.ExportToWord: ", "Export naar MS-Word voltooid."};
        return {&TfrmZEBPreviewer::sbExcelExport, "xls", "Export naar Excel", "TfrmZEBPreviewer.spExcelExportClick: ",
                "TfrmZEBPreviewer.ExportToExcel: ", "Export naar MS-Excel voltooid."};
    }
    void SetUp() override
    {
        Show(2);
        form.SetButtons(0x7FFF);
        for (const auto& [handler, name] : {std::pair{&form.OnBeforeExport, "before"}, {&form.OnAfterExport, "after"},
                                            {&form.OnBeforeRTFExport, "before rtf"}, {&form.OnAfterRTFExport, "after rtf"},
                                            {&form.OnBeforeXLSExport, "before xls"}, {&form.OnAfterXLSExport, "after xls"}})
            *handler = [this, name = std::string(name)](TfrmZEBPreviewer& sender) {
                EXPECT_EQ(&sender, &form);
                calls.push_back(name);
            };
        form.ExportFolder = QFile::encodeName(dir.path()).toStdString();
    }
    void Click() { QTest::mouseClick(form.*Case().button, Qt::LeftButton); }

    QTemporaryDir dir;
    std::vector<std::string> calls;
};

TEST_P(PreviewerExport, AnExistingFileAnsweredNoIsKept)
{
    const ExportCase c = Case();
    const QString file = dir.path() + "/rapport." + c.suffix;
    ASSERT_TRUE(WriteFileBytes(file, "oud"));
    QString folder, filter;
    ModalAnswer dialog([&](QWidget* window) {
        auto* fileDialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(fileDialog, nullptr);
        folder = fileDialog->directory().absolutePath();
        filter = fileDialog->selectedNameFilter();
        ModalAnswer::ChooseFile(file)(window);
    });
    ModalAnswer question(ModalAnswer::ClickButton("Nee"));
    ModalAnswer error(ModalAnswer::ClickButton("Ok"));
    Click();
    EXPECT_EQ(folder, dir.path());
    EXPECT_TRUE(filter.contains(QString("*.") + c.suffix)) << filter.toStdString();
    ASSERT_TRUE(question.Seen().shown);
    EXPECT_TRUE(question.Seen().labels.contains(c.title));
    EXPECT_TRUE(question.Seen().labels.contains("Wilt u het bestand \"" + file + "\" overschrijven?"))
        << question.Seen().labels.join('|').toStdString();
    ASSERT_TRUE(error.Seen().shown);
    EXPECT_TRUE(error.Seen().labels.contains("Fout"));
    EXPECT_TRUE(error.Seen().labels.contains(c.buttonPrefix + c.routinePrefix + "Mag bestand niet overschrijven"))
        << error.Seen().labels.join('|').toStdString();
    EXPECT_EQ(ReadFileBytes(file), "oud");
    const std::string kind = GetParam() == 0 ? "rtf" : "xls";
    EXPECT_EQ(calls, std::vector<std::string>({"before", "before " + kind}));
}

TEST_P(PreviewerExport, AnsweredYesTheFileIsWrittenAndTheHandlersRun)
{
    const ExportCase c = Case();
    const QString file = dir.path() + "/rapport." + c.suffix;
    ASSERT_TRUE(WriteFileBytes(file, "oud"));
    ModalAnswer dialog(ModalAnswer::ChooseFile(file));
    ModalAnswer question(ModalAnswer::ClickButton("Ja"));
    ModalAnswer info(ModalAnswer::ClickButton("Ok"));
    Click();
    EXPECT_TRUE(info.Seen().labels.contains(c.done)) << info.Seen().labels.join('|').toStdString();
    const std::string bytes = ReadFileBytes(file);
    if (GetParam() == 0)
        EXPECT_EQ(bytes.rfind("{\\rtf", 0), 0u);
    else
        EXPECT_EQ(bytes.substr(0, 2), std::string("\x09\x00", 2)); // the BOF record of a BIFF2 sheet
    EXPECT_NE(bytes.find("Pagina 2"), std::string::npos);
    const std::string kind = GetParam() == 0 ? "rtf" : "xls";
    EXPECT_EQ(calls, std::vector<std::string>({"before", "before " + kind, "after", "after " + kind}));
}

TEST_P(PreviewerExport, AFileThatCannotBeWrittenIsReportedAndTheRoutineGoesOn)
{
    const ExportCase c = Case();
    ModalAnswer dialog(ModalAnswer::ChooseFile(dir.path() + "/geen/map/rapport." + c.suffix));
    ModalAnswer info(ModalAnswer::ClickButton("Ok"));
    Click();
    EXPECT_TRUE(info.Seen().labels.contains("Kon bestand niet exporteren."));
    EXPECT_EQ(calls.size(), 4u);
}

TEST_P(PreviewerExport, CancellingTheDialogIsShownAsAnError)
{
    const ExportCase c = Case();
    ModalAnswer dialog(ModalAnswer::Close());
    ModalAnswer error(ModalAnswer::ClickButton("Ok"));
    Click();
    EXPECT_TRUE(error.Seen().labels.contains(c.buttonPrefix + c.routinePrefix + "Dialoog is afgebroken"));
    EXPECT_EQ(calls.size(), 2u);
}

// The save dialog is built by the first export; the next one uses the same dialog.
TEST_P(PreviewerExport, TheSaveDialogIsBuiltByTheFirstExport)
{
    EXPECT_FALSE(form.SaveDialog1.Built());
    EXPECT_TRUE(form.findChildren<QFileDialog*>().isEmpty());
    QFileDialog* seen[2] = {};
    for (QFileDialog*& dialog : seen) {
        ModalAnswer cancel([&](QWidget* window) {
            dialog = qobject_cast<QFileDialog*>(window);
            ModalAnswer::ClickButton("Annuleren")(window);
        });
        ModalAnswer error(ModalAnswer::ClickButton("Ok"));
        Click();
        ASSERT_TRUE(cancel.Seen().shown);
        EXPECT_EQ(cancel.Seen().caption, "Rapport exporteren");
    }
    ASSERT_NE(seen[0], nullptr);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0], form.SaveDialog1.Dialog());
    EXPECT_EQ(seen[0]->objectName(), "SaveDialog1");
}

// Without an export folder the dialog opens in the user's documents folder, or the home folder
// when there is none, where a typed name can be saved at once.
TEST_P(PreviewerExport, WithoutAnExportFolderTheDialogOpensInARealFolder)
{
    QTemporaryDir home;
    const EnvironmentScope homeScope{{"HOME", QFile::encodeName(home.path())}};
    form.ExportFolder.clear();
    for (const bool documents : {false, true}) {
        const QString expected = documents ? home.filePath("Documents") : home.path();
        if (documents) {
            ASSERT_TRUE(QDir().mkpath(expected));
        }
        QString folder;
        bool saveEnabled = false;
        ModalAnswer dialog([&](QWidget* window) {
            auto* fileDialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(fileDialog, nullptr);
            folder = fileDialog->directory().absolutePath();
            auto* edit = window->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            QTest::keyClicks(edit, "rapport");
            auto* buttons = window->findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            saveEnabled = buttons->button(QDialogButtonBox::Save)->isEnabled();
            buttons->button(QDialogButtonBox::Save)->click();
        });
        ModalAnswer info(ModalAnswer::ClickButton("Ok"));
        Click();
        EXPECT_EQ(folder, expected);
        EXPECT_TRUE(saveEnabled);
        EXPECT_TRUE(QFile::exists(expected + "/rapport." + Case().suffix)) << expected.toStdString();
        EXPECT_TRUE(info.Seen().labels.contains(Case().done)) << info.Seen().labels.join('|').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(WordAndExcel, PreviewerExport, ::testing::Values(0, 1));

} // namespace
