#include "fMain.h"

#include "ActionLink.h"
#include "Anchors.h"
#include "AnsiText.h"
#include "AppServices.h"
#include "Exceptions.h"
#include "FileDialogExec.h"
#include "JpegLabel.h"
#include "LazyIcon.h"
#include "ListFile.h"
#include "MenuBarKeys.h"
#include "StrFuncs.h"
#include "SysCalls.h"
#include "ZEBMessages.h"
#include "ZEBSortGrid.h"
#include "fAbout.h"
#include "fExport.h"
#include "fHelp.h"
#include "fImportCSVTXT.h"
#include "fMutKandidaat.h"
#include "fMutPartij.h"
#include "fOvzKandidatenlijstH1.h"
#include "fSelFormulier.h"
#include "fSplashMessage.h"
#include "uZVWord.h"
#include "uGlobals.h"
#include "uUtils.h"

#include "ui_fMain.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

namespace {

bool HasPartij()
{
    return PartijList && PartijList->Count() > 0;
}

// Runs a command step; a failure is shown with prefix in front of its text, an abort passes silently.
template <class Body>
void Reported(const std::string& prefix, Body&& body)
{
    try {
        body();
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowInfoMessage(prefix + MessageOf(e));
    }
}

// Shows a file dialog that keeps its last chosen name, as a component does; true with the name
// chosen, false when cancelled.
bool ExecuteFileDialog(QFileDialog* dialog, QString& fileName)
{
    const QString last = dialog->property("FileName").toString();
    if (!last.isEmpty())
        dialog->selectFile(last);
    if (ShowModalWithNormalCursor([dialog] { return ExecFileDialog(dialog); }) != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty())
        return false;
    fileName = chosen.first();
    dialog->setProperty("FileName", fileName);
    return true;
}

std::filesystem::path FileSystemPath(const QString& fileName)
{
    return std::filesystem::path(QFile::encodeName(fileName).toStdString());
}

} // namespace

std::vector<std::string> KandidaatNrList(const TKandidaatList& List)
{
    std::vector<std::string> numbers;
    numbers.reserve(std::size_t(List.Count()));
    for (int i = 0; i < List.Count(); ++i)
        numbers.push_back(KandidaatNrKey(List.Items(i)->KandidaatNr.AsString()));
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

bool GridShowsNoCandidate(const TZEBSortGrid& Grid)
{
    if (Grid.RowCount() > 2)
        return false;
    if (Grid.RowCount() < 2)
        return true;
    const std::string number = TrimStr(Grid.Cells(0, 1));
    return !IsInteger(number) || std::stol(number) == 0;
}

TMainCommands EnabledCommands(bool HasPartij, bool GridEmpty, int Kandidaten)
{
    const bool rows = HasPartij && !GridEmpty;
    return {.Insert = HasPartij,
            .Edit = rows,
            .Delete = rows,
            .PartijGeg = HasPartij,
            .ImportCSVTXT = HasPartij,
            .Export = HasPartij && Kandidaten > 0,
            .FileSave = HasPartij,
            .Formulieren = rows};
}

int LogoLeft(int PanelWidth, int OwnWidth)
{
    return PanelWidth - OwnWidth - 7;
}

TfrmMain::TfrmMain(QWidget* owner) : TfrmMain(owner, Ui::TfrmMain{}) {}

TfrmMain::TfrmMain(QWidget* owner, Ui::TfrmMain&& ui)
    : TBaseSelect(owner,
                  [&ui](QDialog* form) {
                      ui.setupUi(form);
                      return TBaseSelectParts::From(ui);
                  }),
      OpenDialog(this, "OpenDialog",
                 [](QFileDialog& dialog) {
                     dialog.setAcceptMode(QFileDialog::AcceptOpen);
                     dialog.setFileMode(QFileDialog::ExistingFile);
                     dialog.setNameFilters({"Zorvandel bestanden (*.lst)", "Alle bestanden (*)"});
                     dialog.setDefaultSuffix("lst");
                 }),
      SaveDialog(this, "SaveDialog", [](QFileDialog& dialog) {
          dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
          dialog.setAcceptMode(QFileDialog::AcceptSave);
          dialog.setFileMode(QFileDialog::AnyFile);
          dialog.setNameFilters({"Zorvandel bestanden (*.lst)"});
          dialog.setDefaultSuffix("lst");
      })
{
    MainMenu = ui.MainMenu;
    grdKandidaten = ui.grdKandidaten;
    sbFormulieren = ui.sbFormulieren;
    bvLogo = ui.bvLogo;
    imgLogo = ui.imgLogo;
    lblQuandorMode = ui.lblQuandorMode;
    acFileNew = ui.acFileNew;
    acFileOpen = ui.acFileOpen;
    acImportCSVTXT = ui.acImportCSVTXT;
    acFileSave = ui.acFileSave;
    acPartijGeg = ui.acPartijGeg;
    acExport = ui.acExport;
    acFormulieren = ui.acFormulieren;
    acAbout = ui.acAbout;
    acAfdrukken = ui.acAfdrukken;

    SetMainWindowBorder();
    layout()->setMenuBar(MainMenu);
    // The forms button, help and close keep their distance to the right edge, as does the title.
    AnchorRight(sbFormulieren, width());
    AnchorRight(lblQuandorMode, width());
    LinkToAction(sbFormulieren, acFormulieren);
    GiveMenuBarTheAltKeys(MainMenu, this);

    QFont modeFont = lblQuandorMode->font();
    modeFont.setPixelSize(16);
    lblQuandorMode->setFont(modeFont);
    QPalette modePalette = lblQuandorMode->palette();
    modePalette.setColor(QPalette::WindowText, QColor(0, 128, 192));
    lblQuandorMode->setPalette(modePalette);
    imgLogo->setAttribute(Qt::WA_TranslucentBackground);

    SetGlyphs();
    SetupGrid();

    BindAction(acFileNew, [this] { FileNew(); });
    BindAction(acFileOpen, [this] { FileOpen(); });
    BindAction(acFileSave, [this] { FileSaveAs(); });
    BindAction(acPartijGeg, [this] { OpenPartijForm(mmEdit); });
    BindAction(acExport, [this] { OpenExportForm(); });
    BindAction(acImportCSVTXT, [this] { acImportCSVTXTExecute(); });
    BindAction(acAbout, [this] { acAboutExecute(); });
    BindAction(acFormulieren, [this] { OpenFormulieren(); });
    // acAfdrukken is disabled in the layout and never enabled, so no user reaches the H1 report.
    BindAction(acAfdrukken, [this] { PrintKandidatenlijstH1(); });
    grdKandidaten->viewport()->installEventFilter(this);
    grdKandidaten->setFocus();
}

TfrmMain::~TfrmMain()
{
    lists_.reset(); // KandidaatList, then PartijList, with all their records
}

void TfrmMain::SetupGrid()
{
    TZEBSortGrid& grid = *grdKandidaten;
    grid.SetName("grdKandidaten");
    grid.SetColCount(3);
    grid.SetFixedCols(0);
    grid.SetFixedRows(1);
    grid.SetRowCount(2);
    grid.SetCol(0);
    grid.SetDefaultRowHeight(17);
    grid.SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect |
                    goDrawFocusSelected | goColSizing);
    struct Column {
        const char* title;
        int width;
        TColumnFormat format;
    };
    const Column columns[] = {{"Kandidaatnummer", 102, cfNumber}, {"Naam stemapparaat", 350, cfString},
                              {"Plaats", 225, cfString}};
    for (int c = 0; c < 3; ++c) {
        TColumn* column = grid.Columns()[c];
        column->Title().SetCaption(columns[c].title);
        // Wide enough for its title and the sort arrow in this platform's font.
        column->SetWidth(std::max(columns[c].width, grid.fontMetrics().horizontalAdvance(columns[c].title) + 24));
        column->SetFormat(columns[c].format);
    }
    grid.SearchOptions().CaseSensitive = false;
    grid.SearchOptions().SearchPartial = false;
    grid.SetDateFormat(dfNL);
    grid.SetNumericFormat(nfNL);
}

void TfrmMain::SetGlyphs()
{
    const struct {
        QToolButton* button;
        QStyle::StandardPixmap glyph;
    } glyphs[] = {{sbInsert, QStyle::SP_FileIcon},
                  {sbEdit, QStyle::SP_FileDialogDetailedView},
                  {sbDelete, QStyle::SP_TrashIcon},
                  {sbFormulieren, QStyle::SP_FileDialogContentsView},
                  {sbHelp, QStyle::SP_DialogHelpButton},
                  {sbExit, QStyle::SP_DialogCloseButton}};
    const QSize size(24, 24);
    for (const auto& g : glyphs) {
        // Made when the button is first painted, not while the window is built.
        g.button->setIcon(LazyIcon([glyph = g.glyph, size,
                                    caption = g.button->palette().color(QPalette::Disabled, QPalette::ButtonText)] {
            // The style greys a picture by darkening its light parts, which leaves dark pictures dark.
            const QPixmap picture = QApplication::style()->standardIcon(glyph).pixmap(size);
            QIcon icon(picture);
            icon.addPixmap(QPixmap::fromImage(DisabledGlyph(picture.toImage(), caption)), QIcon::Disabled);
            return icon;
        }));
        g.button->setIconSize(size);
    }
}

// ---------------------------------------------------------------------------------------------
// Start-up, activation, closing

void TfrmMain::FormCreate()
{
    Reported("frmMain.FormCreate: ", [this] {
        Activated = false;
        splash_ = new TfrmSplashMessage(this);
        splash_->Show();
        lists_ = std::make_unique<TZVLists>();
    });
}

void TfrmMain::FormShow()
{
    if (splash_)
        splash_->close();
}

void TfrmMain::FormActivate()
{
    if (!Activated)
        Initialize();
    EnableDisable();
}

void TfrmMain::Initialize()
{
    Activated = true;
    MessageTeksten.Application = "Zorvandel 4.0";
    InstallODBCDriverIfNecessary();
}

void TfrmMain::EnableDisable()
{
    const TMainCommands enabled = EnabledCommands(HasPartij(), GridIsEmpty(), KandidaatList ? KandidaatList->Count() : 0);
    acInsert->setEnabled(enabled.Insert);
    acEdit->setEnabled(enabled.Edit);
    acDelete->setEnabled(enabled.Delete);
    acPartijGeg->setEnabled(enabled.PartijGeg);
    acImportCSVTXT->setEnabled(enabled.ImportCSVTXT);
    acExport->setEnabled(enabled.Export);
    acFileSave->setEnabled(enabled.FileSave);
    acFormulieren->setEnabled(enabled.Formulieren);
    acAfdrukken->setEnabled(false);
}

bool TfrmMain::GridIsEmpty() const
{
    return GridShowsNoCandidate(*grdKandidaten);
}

void TfrmMain::FormResize()
{
    RealignItems();
}

void TfrmMain::RealignItems()
{
    Guarded("TfrmMain.RealignItems;: ", [this] {
        bvLogo->move(LogoLeft(pnlToolbar->width(), bvLogo->width()), bvLogo->y());
        imgLogo->move(LogoLeft(pnlToolbar->width(), imgLogo->width()), imgLogo->y());
    });
}

void TfrmMain::FormCloseQuery(bool& CanClose)
{
    try {
        if (HasPartij()) {
            switch (AskQuestion("Afsluiten", "Wilt u voordat u het programma verlaat, de zorvandel gegevens opslaan?",
                                true)) {
            case mrYes:
                CanClose = FileSaveAs();
                break;
            case mrNo:
                CanClose = true;
                break;
            default:
                CanClose = false;
            }
        } else {
            CanClose = AskQuestion("Afsluiten", "Wilt u het programma verlaten?", false) == mrYes;
        }
    } catch (const std::exception& e) {
        ShowErrorMessage("frmMain.FormCloseQuery", e.what());
        CanClose = true;
    }
}

void TfrmMain::acExitExecute()
{
    Close();
}

void TfrmMain::acHelpExecute()
{
    TfrmHelp help(this);
    help.exec();
}

void TfrmMain::acAboutExecute()
{
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::acBijwerkenExecute() {}

// ---------------------------------------------------------------------------------------------
// List file and file commands

bool TfrmMain::SaveLijst(const QString& FileName)
{
    const auto failure = SaveLijstFile(FileSystemPath(FileName), *PartijList, *KandidaatList);
    if (failure)
        ShowInfoMessage(*failure);
    return !failure;
}

void TfrmMain::OpenLijst(const QString& FileName)
{
    if (const auto failure = OpenLijstFile(FileSystemPath(FileName), *PartijList, *KandidaatList))
        ShowInfoMessage(*failure);
}

bool TfrmMain::FileSaveAs()
{
    try {
        QString fileName;
        for (;;) {
            if (!ExecuteFileDialog(SaveDialog.Dialog(), fileName))
                return false;
            if (QFileInfo::exists(fileName) &&
                AskQuestion("Zorvandel bewaren", "Het gekozen bestand bestaat al, wilt u deze overschrijven?", false) !=
                    mrYes)
                continue;
            if (!SaveLijst(fileName))
                return false;
            ShowInfoMessageUnicode("Zorvandel is opgeslagen in " + fileName);
            return true;
        }
    } catch (const std::exception&) {
        return false;
    }
}

void TfrmMain::FileOpen()
{
    try {
        if (HasPartij() &&
            AskQuestion("Zorvandel bewaren",
                        "Wilt u voordat u naar de volgende zorvandel gaat, de huidige zorvandel gegevens opslaan?",
                        false) == mrYes &&
            !FileSaveAs())
            return;
        QString fileName;
        if (!ExecuteFileDialog(OpenDialog.Dialog(), fileName))
            return;
        OpenLijst(fileName);
        UpdateLijstGegevens();
        EnableDisable();
    } catch (const std::exception&) {
    }
}

void TfrmMain::FileNew()
{
    try {
        if (HasPartij() &&
            AskQuestion("Opslaan zorvandel", "Wilt u de huidige zorvandel gegevens opslaan?", false) == mrYes &&
            !FileSaveAs())
            return;
        OpenPartijForm(mmInsert);
    } catch (const std::exception&) {
    }
}

void TfrmMain::OpenPartijForm(TMutateMode Mode)
{
    Reported("frmMain.OpenPartijForm: ", [&] {
        const TWaitCursor hourglass;
        auto dialog = TBaseForm::Create<TfrmMutPartij>(this);
        dialog->Initialize(Mode);
        if (ShowModalWithNormalCursor([&] { return dialog->ShowModal(); }) != mrOk)
            return;
        if (Mode == mmInsert)
            KandidaatList->Clear();
        UpdateLijstGegevens();
        EnableDisable();
    });
}

void TfrmMain::OpenExportForm()
{
    Reported("frmMain.OpenExportForm: ", [this] {
        const std::string afkorting = HasPartij() ? PartijList->Items(0)->Afkorting.AsString() : "ZORVAN2";
        const TWaitCursor hourglass;
        QCoreApplication::processEvents();
        auto dialog = TBaseForm::Create<TfrmExport>(this);
        dialog->Initialize();
        if (ShowModalWithNormalCursor([&] { return dialog->ShowModal(); }) != mrOk)
            return;
        QCoreApplication::processEvents();
        // The file is named after the abbreviation: one that is no single file name would put it
        // somewhere else than the chosen directory.
        const std::optional<QString> path = ExportFilePath(dialog->Directory, afkorting);
        if (!path) {
            ShowInfoMessage("Kan gekozen bestand niet wegschrijven.");
            return;
        }
        if (SaveLijst(*path))
            ShowInfoMessageUnicode("Exportbestand voor Quandor aangemaakt: \r\n" + *path);
    });
}

void TfrmMain::OpenFormulieren()
{
    auto catalogue = TBaseForm::Create<TfrmSelFormulier>(this);
    catalogue->StartForm = [this](const std::string& code) { StartTemplateWith(code, ProgramEnvironment(Word)); };
    FormsDir = QCoreApplication::applicationDirPath() + "/FORMS/";
    try {
        catalogue->Init("ZV", FormsDir);
    } catch (const EAbort& e) {
        // A catalogue file in another format: say so instead of opening nothing without a word.
        ShowApplicationError(e.Message);
        return;
    }
    catalogue->ShowModal();
}

void TfrmMain::acImportCSVTXTExecute()
{
    ImportCSVTXT(this);
    UpdateLijstGegevens();
    EnableDisable();
}

// ---------------------------------------------------------------------------------------------
// Candidate grid and commands

void TfrmMain::UpdateLijstGegevens()
{
    Reported("frmMain.UpdateLijstGegevens: ", [this] {
        // Without a party record no abbreviation belongs in the caption.
        setWindowTitle(HasPartij() ? AnsiToQString("Zorvandel - " + PartijList->Items(0)->Afkorting.AsString())
                                   : QString("Zorvandel"));
        const auto cell = [](int row, int col) { // number, voting-machine name, place
            const TKandidaatRecord& k = *KandidaatList->Items(row);
            return col == 0 ? k.KandidaatNr.View() : col == 1 ? k.NaamStemapparaat.View() : k.Plaats.View();
        };
        grdKandidaten->FillRows(KandidaatList->Count(), cell, 0);
    });
}

void TfrmMain::UpdateNrList(std::vector<std::string>& List)
{
    Guarded("frmMain.UpdateNrList: ", [&] { List = KandidaatNrList(*KandidaatList); });
}

void TfrmMain::Mutate(int Mode)
{
    OpenKandidaatForm(TMutateMode(Mode));
}

void TfrmMain::acInsertExecute()
{
    if (acInsert->isEnabled())
        OpenKandidaatForm(mmInsert);
}

void TfrmMain::acEditExecute()
{
    if (acEdit->isEnabled())
        OpenKandidaatForm(mmEdit);
}

void TfrmMain::acDeleteExecute()
{
    if (acDelete->isEnabled())
        OpenKandidaatForm(mmDelete);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == grdKandidaten->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Handle([this] { grdKandidatenDblClick(); });
    return TBaseSelect::eventFilter(watched, event);
}

void TfrmMain::grdKandidatenDblClick()
{
    acEditExecute();
}

void TfrmMain::OpenKandidaatForm(TMutateMode Mode)
{
    Reported("frmMain.OpenKandidaatForm: ", [&] {
        const TWaitCursor hourglass;
        TZEBSortGrid& grid = *grdKandidaten;
        std::vector<std::string> nrList;
        auto dialog = TBaseForm::Create<TfrmMutKandidaat>(this); // serves every pass
        bool again = true;
        while (again) {
            again = Mode == mmInsert;
            UpdateNrList(nrList);
            int currentNr = -1;
            if (!GridIsEmpty()) {
                const std::string number = TrimStr(grid.Cells(0, grid.Row()));
                if (IsInteger(number))
                    currentNr = std::stoi(number);
            }
            dialog->Initialize(Mode, again, nrList, currentNr);
            if (ShowModalWithNormalCursor([&] { return dialog->ShowModal(); }) != mrOk)
                return;
            // The texts as they are: an item list cannot hold a double quote.
            const std::vector<std::string> cells{dialog->GetKandidaatNr(), dialog->GetNaamStemapparaat(),
                                                 dialog->GetPlaats()};
            switch (Mode) {
            case mmInsert:
                grid.InsertRowValues(cells);
                again = dialog->GetOkNieuw();
                break;
            case mmEdit:
                grid.UpdateRowValues(grid.Row(), cells);
                break;
            case mmDelete:
                DeleteSelectedRow();
                break;
            default:
                break;
            }
            grid.Sort(0, false);
            EnableDisable();
        }
    });
}

void TfrmMain::DeleteSelectedRow()
{
    TZEBSortGrid& grid = *grdKandidaten;
    const int row = grid.Row();
    if (grid.RowCount() <= 2) {
        // The only data row: back to the empty state.
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCells(c, 1, std::string());
        return;
    }
    grid.DeleteRow(row);
    if (row < grid.RowCount())
        grid.SetRow(row);
}

void TfrmMain::PrintKandidatenlijstH1()
{
    auto report = TBaseForm::Create<TfrmOvzKandidatenlijstH1>(this);
    report->Initialize();
    report->ShowReport();
}
