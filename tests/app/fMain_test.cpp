#include "fMain.h"

#include "ActionLink.h"
#include "AddressSpaceLimit.h"
#include "AnsiText.h"
#include "ChildRun.h"
#include "EnvironmentScope.h"
#include "FileSizeLimit.h"
#include "HeldComponents.h"
#include "ImportReader.h"
#include "JpegLabel.h"
#include "ListFile.h"
#include "ModalAnswer.h"
#include "RegistryStore.h"
#include "ZEBDBSortGrid.h"
#include "ZEBMessages.h"
#include "Volumes.h"
#include "ZEBPrev.h"
#include "ZEBSortGrid.h"
#include "DirectoryListBox.h"
#include "fDirectorySelectie.h"
#include "fExport.h"
#include "fMutKandidaat.h"
#include "fMutPartij.h"
#include "fSelFormulier.h"
#include "fSplashMessage.h"
#include "ZEBComp.h"
#include "uGlobals.h"
#include "report/QRPrntr.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPointer>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QHelpEvent>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QWindow>
#include <functional>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<TKandidaatRecord> Kandidaat(const std::string& nr, const std::string& naam, const std::string& plaats)
{
    auto k = std::make_unique<TKandidaatRecord>();
    k->KandidaatNr = nr;
    k->Achternaam = naam;
    k->Voorletters = "A.";
    k->NaamStemapparaat = naam + ", A.";
    k->Geboortedatum = "01-02-1970";
    k->Adres = "Dorpsstraat 1";
    k->Postcode = "1234 AB";
    k->Plaats = plaats;
    return k;
}

std::vector<std::string> GridColumn(const TZEBSortGrid& grid, int col)
{
    std::vector<std::string> cells;
    for (int r = 1; r < grid.RowCount(); ++r)
        cells.push_back(grid.Cells(col, r));
    return cells;
}

std::vector<std::string> ListNumbers()
{
    std::vector<std::string> numbers;
    for (int i = 0; i < KandidaatList->Count(); ++i)
        numbers.push_back(KandidaatList->Items(i)->KandidaatNr.AsString());
    return numbers;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
        MessageTeksten.Application = "Gebruik MessageTeksten.Application";
        QApplication::setApplicationName("Zorvandel");
        ASSERT_TRUE(dir.isValid());
    }

    // Starts the window as main() does.
    void Start()
    {
        form = TBaseForm::Create<TfrmMain>();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // A party record as the party dialog leaves it, and the grid and commands brought in line.
    struct K {
        std::string nr, naam, plaats;
    };
    void LoadPartij(const std::string& afkorting, const std::vector<K>& kandidaten = {})
    {
        PartijList->Clear();
        auto p = std::make_unique<TPartijRecord>();
        p->Afkorting = afkorting;
        p->Aanduiding = "Partij " + afkorting;
        PartijList->Add(std::move(p));
        KandidaatList->Clear();
        for (const K& k : kandidaten)
            KandidaatList->Add(Kandidaat(k.nr, k.naam, k.plaats));
        form->UpdateLijstGegevens();
        form->EnableDisable();
    }

    struct Enabled {
        bool New, Open, Import, Save, Partij, Export, Formulieren, Exit, Insert, Edit, Delete, Help, About;
        bool operator==(const Enabled&) const = default;
    };
    Enabled Commands() const
    {
        return {form->acFileNew->isEnabled(),   form->acFileOpen->isEnabled(),    form->acImportCSVTXT->isEnabled(),
                form->acFileSave->isEnabled(),  form->acPartijGeg->isEnabled(),   form->acExport->isEnabled(),
                form->acFormulieren->isEnabled(), form->acExit->isEnabled(),     form->acInsert->isEnabled(),
                form->acEdit->isEnabled(),      form->acDelete->isEnabled(),      form->acHelp->isEnabled(),
                form->acAbout->isEnabled()};
    }
    static constexpr Enabled AtStart{true, true, false, false, false, false, false, true, false, false, false, true, true};
    static constexpr Enabled PartijOnly{true, true, true, true, true, false, false, true, true, false, false, true, true};
    static constexpr Enabled WithKandidaten{true, true, true, true, true, true, true, true, true, true, true, true, true};

    // A key pressed in the window, as a user does after bringing it to the front.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : form.get(), key, modifiers);
    }

    // Types into the focused control of the active window.
    static void Type(const QString& text)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, text);
    }

    // Answers the party dialog: appellation, Tab (the statutory name takes it), Tab, abbreviation, OK.
    static ModalAnswer::Action EnterPartij(const QString& aanduiding, const QString& afkorting)
    {
        return [aanduiding, afkorting](QWidget* window) {
            auto* dialog = qobject_cast<TfrmMutPartij*>(window);
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(WaitFor([dialog] { return dialog->edAanduiding->hasFocus(); }));
            Type(aanduiding);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_TRUE(dialog->edAfkorting->hasFocus());
            Type(afkorting);
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        };
    }

    // Answers the candidate dialog in insert mode: the number typed by hand, the required fields,
    // and the repeat box as given.
    static ModalAnswer::Action EnterKandidaat(const QString& nr, const QString& naam, bool repeat)
    {
        return [nr, naam, repeat](QWidget* window) {
            auto* dialog = qobject_cast<TfrmMutKandidaat*>(window);
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->cbOkNieuw->isVisible());
            EXPECT_TRUE(dialog->cbOkNieuw->isChecked());
            dialog->edKandidaatNr->selectAll();
            QTest::keyClicks(dialog->edKandidaatNr, nr);
            QTest::keyClicks(dialog->edNaam, naam);
            QTest::keyClicks(dialog->edVoorletters, "A.");
            QTest::keyClicks(dialog->edAdres, "Straat " + nr);
            QTest::keyClicks(dialog->edPostCode, "1234 AB");
            QTest::keyClicks(dialog->edPlaats, "Plaats " + nr);
            if (!repeat)
                QTest::mouseClick(dialog->cbOkNieuw, Qt::LeftButton, {}, QPoint(5, dialog->cbOkNieuw->height() / 2));
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        };
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // An import file with the header line and the given lines, and the answers that pick it and
    // press OK in the import dialog.
    static constexpr const char* ImportHeader =
        "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats\n";
    static ModalAnswer::Action ImportOk()
    {
        return [](QWidget* window) { QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton); };
    }

    // The list file writer's output for the lists as they are, in a file of the test's folder.
    QString WriteReference(const QString& name) const
    {
        const QString path = Path(name);
        EXPECT_FALSE(SaveLijstFile(QFile::encodeName(path).toStdString(), *PartijList, *KandidaatList));
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> form;
};

} // namespace

TEST(MainWindowLogic, NumberListIsPaddedSortedAndUnique)
{
    TZVLists lists;
    for (const char* nr : {"10", "2", "1", "2", "x"})
        KandidaatList->Add(Kandidaat(nr, "N", "P"));
    EXPECT_EQ(KandidaatNrList(*KandidaatList),
              (std::vector<std::string>{"0000000001", "0000000002", "000000000x", "0000000010"}));
}

TEST(MainWindowLogic, EnablingRules)
{
    const TMainCommands none = EnabledCommands(false, true, 0);
    EXPECT_FALSE(none.Insert || none.Edit || none.Delete || none.PartijGeg || none.ImportCSVTXT || none.Export ||
                 none.FileSave || none.Formulieren);
    const TMainCommands partij = EnabledCommands(true, true, 0);
    EXPECT_TRUE(partij.Insert && partij.PartijGeg && partij.ImportCSVTXT && partij.FileSave);
    EXPECT_FALSE(partij.Edit || partij.Delete || partij.Export || partij.Formulieren);
    EXPECT_TRUE(EnabledCommands(true, false, 2).Formulieren);
    // Candidates in the list but none usable in the grid: no forms.
    EXPECT_FALSE(EnabledCommands(true, true, 3).Formulieren);
    EXPECT_FALSE(EnabledCommands(false, false, 2).Formulieren);
    // One imported candidate without a usable number: the grid counts as empty, the list does not.
    const TMainCommands odd = EnabledCommands(true, true, 1);
    EXPECT_TRUE(odd.Export);
    EXPECT_FALSE(odd.Edit || odd.Delete || odd.Formulieren);
    EXPECT_EQ(LogoLeft(721, 122), 592);
}

// The main window's own layout holds the inherited components as well as its own.
TEST_F(MainWindow, HoldsItsLayoutsComponents)
{
    form = TBaseForm::Create<TfrmMain>();
    const TfrmMain& f = *form;
    ExpectHeldComponents(f, {HELD(f, pnlToolbar),   HELD(f, pnlBody),        HELD(f, sbHelp),        HELD(f, sbExit),
                             HELD(f, acExit),       HELD(f, acHelp),         HELD(f, pnlTitle),      HELD(f, lblGrid),
                             HELD(f, lblFiltered),  HELD(f, dbgridSelect),   HELD(f, sbFilter),      HELD(f, sbFilterUit),
                             HELD(f, acFilter),     HELD(f, acFilterUit),    HELD(f, sbInsert),      HELD(f, sbEdit),
                             HELD(f, sbDelete),     HELD(f, sbRefresh),      HELD(f, sbBekijken),    HELD(f, acInsert),
                             HELD(f, acEdit),       HELD(f, acDelete),       HELD(f, acBijwerken),   HELD(f, acBekijken),
                             HELD(f, MainMenu),     HELD(f, grdKandidaten),  HELD(f, sbFormulieren), HELD(f, bvLogo),
                             HELD(f, imgLogo),      HELD(f, lblQuandorMode), HELD(f, acFileNew),     HELD(f, acFileOpen),
                             HELD(f, acImportCSVTXT), HELD(f, acFileSave),   HELD(f, acPartijGeg),   HELD(f, acExport),
                             HELD(f, acFormulieren), HELD(f, acAbout),       HELD(f, acAfdrukken)});
    EXPECT_EQ(f.layout()->menuBar(), f.MainMenu);
}

TEST_F(MainWindow, StartsWithOnlyTheListCommandsEnabled)
{
    Start();
    EXPECT_EQ(form->windowTitle(), "Zorvandel");
    EXPECT_TRUE(form->Activated);
    EXPECT_EQ(MessageTeksten.Application, "Zorvandel 4.0");
    ASSERT_NE(form->Splash(), nullptr);
    EXPECT_EQ(form->Splash()->Panel1->text(), "gegevens worden opgehaald...");
    EXPECT_FALSE(form->Splash()->isVisible());
    EXPECT_EQ(Commands(), AtStart);
    EXPECT_FALSE(form->acAfdrukken->isEnabled());
    EXPECT_FALSE(form->sbInsert->isEnabled());
    EXPECT_TRUE(form->sbExit->isEnabled());
    EXPECT_FALSE(form->sbFormulieren->isEnabled());
    EXPECT_TRUE(form->GridIsEmpty());
    EXPECT_EQ(form->grdKandidaten->RowCount(), 2);

    // The data source for the forms output was registered.
    RegistryStore reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources", false));
    EXPECT_EQ(reg.ReadString("Text Files"), "Microsoft Text Driver (*.txt; *.csv)");

    // The lists live as long as the window.
    EXPECT_NE(PartijList, nullptr);
    form.reset();
    EXPECT_EQ(PartijList, nullptr);
    EXPECT_EQ(KandidaatList, nullptr);
}

TEST_F(MainWindow, FailingRegistrationIsReportedOnceAndCommandsFollowLater)
{
    ASSERT_TRUE(QDir().mkpath(RegistryStore::FileName(HKEY_CURRENT_USER)));
    ModalAnswer report(ModalAnswer::ClickButton("OK"));
    form = TBaseForm::Create<TfrmMain>();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return report.Seen().shown && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(report.Seen().caption, "Zorvandel");
    ASSERT_FALSE(report.Seen().labels.isEmpty());
    EXPECT_TRUE(report.Seen().labels.join("\n").startsWith("InstallODBCDriverIfNecessary: "));
    EXPECT_TRUE(form->Activated);
    EXPECT_EQ(MessageTeksten.Application, "Zorvandel 4.0");

    // Another activation evaluates the commands without trying again.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(Commands(), AtStart);
    QDir(RegistryStore::FileName(HKEY_CURRENT_USER)).removeRecursively();
}

TEST_F(MainWindow, ActionsMenusAndToolbar)
{
    Start();
    struct Expected {
        QAction* action;
        const char* text;
        QKeySequence key;
        const char* tip;
        const char* longTip;
    };
    const Expected expected[] = {
        {form->acFileNew, "&Nieuwe zorvandel", QKeySequence("Ctrl+N"), "Aanmaken bestand met lijst- en kandidaat-gegevens",
         "Aanmaken bestand met lijst- en kandidaat-gegevens"},
        {form->acFileOpen, "&Openen zorvandel", QKeySequence("Ctrl+O"), "Open bestand met lijst- en kandidaat-gegevens",
         "Open bestand met lijst- en kandidaat-gegevens"},
        {form->acImportCSVTXT, "&Import kandidaten (CSV,TXT)", QKeySequence("Ctrl+I"),
         "Importeer kandidaten uit CSV- of TXT-bestand", "Importeer kandidaten uit CSV- of TXT-bestand"},
        {form->acFileSave, "Op&slaan zorvandel", QKeySequence("Ctrl+S"), "Bewaar bestand met lijst- en kandidaat-gegevens",
         "Bewaar bestand met lijst- en kandidaat-gegevens"},
        {form->acPartijGeg, "&Partijgegevens", QKeySequence(Qt::Key_F3), "Bekijken/wijzigen partijgegevens",
         "Bekijken/wijzigen partijgegevens"},
        {form->acExport, "&Exportbestand Quandor", QKeySequence(Qt::Key_F4), "Aanmaken exportbestand voor Quandor 4",
         "Aanmaken exportbestand voor Quandor 4"},
        {form->acFormulieren, "&Formulieren", QKeySequence("Ctrl+F"), "", ""},
        {form->acExit, "&Sluiten", QKeySequence(Qt::Key_Escape), "Sluiten", "Scherm afsluiten"},
        {form->acInsert, "&Toevoegen", QKeySequence(Qt::Key_Insert), "Voeg een nieuwe kandidaat toe",
         "Voeg een nieuwe kandidaat toe"},
        {form->acEdit, "&Wijzigen", QKeySequence(Qt::Key_Return), "Wijzig geselecteerde kandidaat",
         "Wijzig geselecteerde kandidaat"},
        {form->acDelete, "&Verwijderen", QKeySequence(Qt::Key_Delete), "Verwijder geselecteerde kandidaat",
         "Verwijder geselecteerde kandidaat"},
        {form->acHelp, "&Help", QKeySequence(Qt::Key_F1), "Help", "Help"},
        {form->acAbout, "&Betreft", QKeySequence(), "", ""},
        {form->acAfdrukken, "&Afdrukken", QKeySequence(), "", ""},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(e.action->text(), e.text);
        EXPECT_EQ(e.action->shortcut(), e.key) << e.text;
        EXPECT_EQ(ActionHint(e.action), e.tip) << e.text;
        EXPECT_EQ(e.action->statusTip(), e.longTip) << e.text;
    }
    EXPECT_TRUE(form->acEdit->shortcuts().contains(QKeySequence(Qt::Key_Enter)));

    // Menus in order; "-" is a separator.
    auto entries = [](QMenu* menu) {
        QStringList list;
        for (QAction* a : menu->actions())
            list << (a->isSeparator() ? QString("-") : a->text());
        return list;
    };
    const QList<QAction*> menus = form->MainMenu->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&Bestand");
    EXPECT_EQ(entries(menus[0]->menu()),
              QStringList({"&Nieuwe zorvandel", "&Openen zorvandel", "&Import kandidaten (CSV,TXT)", "-",
                           "Op&slaan zorvandel", "-", "&Partijgegevens", "&Exportbestand Quandor", "-", "&Formulieren",
                           "-", "&Sluiten"}));
    EXPECT_EQ(menus[1]->text(), "Be&werken");
    EXPECT_EQ(entries(menus[1]->menu()), QStringList({"&Toevoegen", "&Wijzigen", "&Verwijderen"}));
    EXPECT_EQ(menus[2]->text(), "&Help");
    EXPECT_EQ(entries(menus[2]->menu()), QStringList({"&Help", "-", "&Betreft"}));

    // Toolbar: six visible buttons, the inherited filter and refresh buttons hidden.
    struct Button {
        QToolButton* button;
        const char* text;
        const char* tip;
    };
    int left = 0;
    for (const Button& b : {Button{form->sbInsert, "&Toevoegen", "Nieuwe kandidaat toevoegen"},
                            Button{form->sbEdit, "&Wijzigen", "Wijzig geselecteerde kandidaat"},
                            Button{form->sbDelete, "&Verwijderen", "Geselecteerde kandidaat verwijderen"},
                            Button{form->sbFormulieren, "&Formulieren", ""},
                            Button{form->sbHelp, "&Help", "Help"},
                            Button{form->sbExit, "&Sluiten", "Sluiten"}}) {
        EXPECT_TRUE(b.button->isVisible()) << b.text;
        EXPECT_GT(b.button->x(), left) << b.text << ": left to right";
        left = b.button->x();
        EXPECT_EQ(b.button->text(), b.text);
        EXPECT_EQ(b.button->toolTip(), b.tip) << b.text;
    }
    for (QWidget* hidden : std::initializer_list<QWidget*>{form->sbFilter, form->sbFilterUit, form->sbRefresh,
                                                           form->sbBekijken, form->dbgridSelect})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_FALSE(form->acFilter->isEnabled() || form->acFilterUit->isEnabled() || form->acBijwerken->isEnabled() ||
                 form->acBekijken->isEnabled());
    EXPECT_EQ(form->lblGrid->text(), "Kandidaten");
    EXPECT_EQ(form->lblQuandorMode->text(), "Zorvandel module");
    EXPECT_EQ(form->lblQuandorMode->font().pixelSize(), 16);
    EXPECT_TRUE(form->lblQuandorMode->font().bold() && form->lblQuandorMode->font().italic());
    EXPECT_EQ(form->imgLogo->jpegFile(), ":/images/logo_main.jpg");
    EXPECT_FALSE(form->imgLogo->pixmap().isNull());

    // The grid's columns.
    const TZEBSortGrid& grid = *form->grdKandidaten;
    ASSERT_EQ(grid.ColCount(), 3);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 0);
    EXPECT_EQ(grid.Columns()[0]->Title().Caption(), "Kandidaatnummer");
    EXPECT_EQ(grid.Columns()[1]->Title().Caption(), "Naam stemapparaat");
    EXPECT_EQ(grid.Columns()[2]->Title().Caption(), "Plaats");
    EXPECT_EQ(grid.Columns()[0]->Format(), cfNumber);
    EXPECT_GE(grid.Columns()[0]->Width(), 102);
    EXPECT_EQ(grid.Columns()[1]->Width(), 350);
    EXPECT_EQ(grid.Columns()[2]->Width(), 225);
}

// A disabled button is drawn no darker anywhere than its greyed caption.
TEST_F(MainWindow, DisabledToolbarButtonsLookDisabled)
{
    Start();
    const auto darkest = [](QToolButton* button) {
        const QImage image = button->grab().toImage();
        int gray = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                gray = std::min(gray, qGray(image.pixel(x, y)));
        return gray;
    };
    for (const char* name : {"sbInsert", "sbEdit", "sbDelete", "sbFormulieren", "sbHelp", "sbExit"}) {
        auto* button = form->findChild<QToolButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        SCOPED_TRACE(name);
        const int caption = qGray(button->palette().color(QPalette::Disabled, QPalette::ButtonText).rgb());
        button->setEnabled(true);
        EXPECT_LT(darkest(button), caption);
        button->setEnabled(false);
        EXPECT_GE(darkest(button), caption - 8);
    }
}

TEST_F(MainWindow, LogoFollowsTheRightEdgeAndTheWindowKeepsItsMinimum)
{
    Start();
    EXPECT_EQ(form->minimumSize(), QSize(721, 425));
    auto checkRight = [&] {
        const int right = form->pnlToolbar->width() - 7;
        EXPECT_EQ(form->bvLogo->x() + form->bvLogo->width(), right);
        EXPECT_EQ(form->imgLogo->x() + form->imgLogo->width(), right);
    };
    checkRight();
    form->resize(1000, 600);
    ASSERT_TRUE(WaitFor([&] { return form->pnlToolbar->width() == 1000; }));
    checkRight();
    EXPECT_EQ(form->bvLogo->size(), QSize(122, 28));
    EXPECT_EQ(form->imgLogo->size(), QSize(120, 26));
    EXPECT_EQ(form->sbExit->x(), 448 + 1000 - 721);
    EXPECT_EQ(form->sbInsert->x(), 8);
    form->resize(500, 300);
    ASSERT_TRUE(WaitFor([&] { return form->width() == 721; }));
    EXPECT_EQ(form->size(), QSize(721, 425));
    checkRight();
}

TEST_F(MainWindow, EscWithoutPartyAsksToLeave)
{
    Start();
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        Press(Qt::Key_Escape);
        ASSERT_TRUE(no.Seen().shown);
        EXPECT_EQ(no.Seen().caption, "Zorvandel 4.0");
        EXPECT_TRUE(no.Seen().labels.contains("Afsluiten"));
        EXPECT_TRUE(no.Seen().labels.contains("Wilt u het programma verlaten?"));
        EXPECT_EQ(no.Seen().buttons, QStringList({"&Ja", "&Nee"}));
        EXPECT_TRUE(form->isVisible());
    }
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    QTest::mouseClick(form->sbExit, Qt::LeftButton);
    ASSERT_TRUE(yes.Seen().shown);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindow, ClosingWithPartyAsksToSave)
{
    Start();
    LoadPartij("ABC");
    const QString saved = Path("slot.lst");
    {
        ModalAnswer cancel(ModalAnswer::ClickButton("Annuleren"));
        form->close();
        ASSERT_TRUE(cancel.Seen().shown);
        EXPECT_TRUE(cancel.Seen().labels.contains("Wilt u voordat u het programma verlaat, de zorvandel gegevens opslaan?"));
        EXPECT_EQ(cancel.Seen().buttons, QStringList({"&Ja", "&Nee", "&Annuleren"}));
        EXPECT_TRUE(form->isVisible());
    }
    {
        // Yes, then Cancel in the save dialog: the program keeps running.
        ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
        ModalAnswer dialog(ModalAnswer::Close());
        Press(Qt::Key_Escape);
        ASSERT_TRUE(dialog.Seen().shown);
        EXPECT_EQ(dialog.Seen().className, "QFileDialog");
        EXPECT_TRUE(form->isVisible());
    }
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ModalAnswer dialog(ModalAnswer::ChooseFile(saved));
    ModalAnswer done(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_Escape);
    ASSERT_TRUE(done.Seen().shown);
    EXPECT_TRUE(done.Seen().labels.contains("Zorvandel is opgeslagen in " + saved));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(QFileInfo(saved).size(), 632);
}

TEST_F(MainWindow, TheSavedMessageShowsAPathOutsideWindows1252Whole)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "Ede"}});
    const QString folder = Path(QStringLiteral(u"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1 \u0142\u00f3d\u017a"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ModalAnswer dialog(ModalAnswer::ChooseFile(folder + "/lijst.lst"));
    ModalAnswer done(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(done.Seen().shown);
    EXPECT_TRUE(done.Seen().labels.contains("Zorvandel is opgeslagen in " + folder + "/lijst.lst"))
        << done.Seen().labels.join('|').toStdString();
}

TEST_F(MainWindow, SaveAsksBeforeOverwritingAndWritesTheListFile)
{
    Start();
    LoadPartij("ABC", {{"10", "Tien", "Ede"}, {"2", "Twee", "Epe"}});
    const QString first = Path("lijst.lst");
    {
        ModalAnswer dialog(ModalAnswer::ChooseFile(Path("lijst"))); // typed without extension
        ModalAnswer done(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(done.Seen().shown);
        EXPECT_TRUE(done.Seen().labels.contains("Zorvandel is opgeslagen in " + first));
    }
    // The bytes are the list file writer's.
    const QString reference = WriteReference("reference.lst");
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(reference));
    EXPECT_EQ(ReadFileBytes(first).size(), 632u + 2 * 285u);

    // Second save: the dialog asks again; the same name asks the overwrite question.  No goes back
    // to the dialog, where a new name is written at once.
    KandidaatList->Delete(1);
    const QString second = Path("tweede.lst");
    ModalAnswer dialog(ModalAnswer::ChooseFile(first));
    ModalAnswer no(ModalAnswer::ClickButton("Nee"));
    ModalAnswer again(ModalAnswer::ChooseFile(second));
    ModalAnswer done(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(done.Seen().shown);
    EXPECT_EQ(no.Seen().labels.filter("Zorvandel bewaren").size(), 1);
    EXPECT_TRUE(no.Seen().labels.contains("Het gekozen bestand bestaat al, wilt u deze overschrijven?"));
    EXPECT_EQ(ReadFileBytes(first).size(), 632u + 2 * 285u);
    EXPECT_EQ(ReadFileBytes(second).size(), 632u + 285u);
    EXPECT_TRUE(done.Seen().labels.contains("Zorvandel is opgeslagen in " + second));

    // Yes overwrites.
    ModalAnswer dialog3(ModalAnswer::ChooseFile(first));
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ModalAnswer done3(ModalAnswer::ClickButton("Ok"));
    EXPECT_TRUE(form->FileSaveAs());
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));
}

TEST_F(MainWindow, OpenAsksToSaveThenRestoresTheRecords)
{
    Start();
    LoadPartij("XYZ", {{"10", "Naam 10", "Plaats"}, {"2", "Naam 2", "Plaats"}, {"1", "Naam 1", "Plaats"}});
    const QString file = WriteReference("xyz.lst");
    const TPartijRecord partij = *PartijList->Items(0);
    std::vector<TKandidaatRecord> kandidaten;
    for (int i = 0; i < KandidaatList->Count(); ++i)
        kandidaten.push_back(*KandidaatList->Items(i));

    // Yes to the save question, then Cancel in the save dialog: nothing is opened.
    {
        ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
        ModalAnswer cancel(ModalAnswer::Close());
        Press(Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(cancel.Seen().shown);
        EXPECT_TRUE(yes.Seen().labels.contains(
            "Wilt u voordat u naar de volgende zorvandel gaat, de huidige zorvandel gegevens opslaan?"));
    }

    LoadPartij("OTHER");
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ModalAnswer save(ModalAnswer::ChooseFile(Path("other.lst")));
    ModalAnswer saved(ModalAnswer::ClickButton("Ok"));
    ModalAnswer open(ModalAnswer::ChooseFile(file));
    Press(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(open.Seen().shown);
    EXPECT_EQ(open.Seen().className, "QFileDialog");
    EXPECT_EQ(QFileInfo(Path("other.lst")).size(), 632);

    EXPECT_EQ(form->windowTitle(), "Zorvandel - XYZ");
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(*PartijList->Items(0), partij);
    ASSERT_EQ(KandidaatList->Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(*KandidaatList->Items(i), kandidaten[std::size_t(i)]);
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"10", "2", "1"}));
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), (std::vector<std::string>{"1", "2", "10"}));
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 1), (std::vector<std::string>{"Naam 1, A.", "Naam 2, A.", "Naam 10, A."}));
    EXPECT_EQ(Commands(), WithKandidaten);
}

TEST_F(MainWindow, TheOpenDialogsNameCompletionEndsWithIt)
{
    Start();
    ASSERT_TRUE(QDir(dir.path()).mkdir("lijsten"));
    TPartijRecord partij;
    partij.Afkorting = "ABC";
    TPartijList partijen;
    partijen.Add(std::make_unique<TPartijRecord>(partij));
    const QString file = Path("lijsten/abc.lst");
    ASSERT_FALSE(SaveLijstFile(QFile::encodeName(file).toStdString(), partijen, TKandidaatList()));

    // The path typed key by key, as a user types it, and Enter: the completion reads the folder
    // while the dialog closes.
    QPointer<QFileSystemModel> model;
    QStringList loaded;
    ModalAnswer open([&](QWidget* window) {
        model = window->findChild<QFileSystemModel*>();
        ASSERT_TRUE(model);
        QObject::connect(model, &QFileSystemModel::directoryLoaded, [&loaded](const QString& path) { loaded << path; });
        auto* edit = window->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(edit);
        edit->setFocus();
        QTest::keyClicks(edit, file);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Press(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(open.Seen().shown);
    EXPECT_EQ(form->windowTitle(), "Zorvandel - ABC");
    ASSERT_TRUE(WaitFor([&] { return loaded.contains(Path("lijsten")); })) << loaded.join("|").toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a completion list stayed open";

    // The next shortcut reaches the window: Ctrl+O asks to save the list first.
    ModalAnswer question(ModalAnswer::ClickButton("Nee"));
    ModalAnswer again(ModalAnswer::Close());
    if (QWidget* popup = QApplication::activePopupWidget()) // where the window system sends the keys
        QTest::keyClick(popup, Qt::Key_O, Qt::ControlModifier);
    else
        Press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(question.Seen().shown);
    EXPECT_TRUE(again.Seen().shown);
}

TEST_F(MainWindow, DamagedListFilesShowWhatSurvived)
{
    Start();
    LoadPartij("GOED", {{"5", "Vijf", "Ede"}, {"3", "Drie", "Epe"}});
    const QString good = WriteReference("goed.lst");
    const std::string bytes = ReadFileBytes(good);
    PartijList->Clear();
    KandidaatList->Clear();

    struct Case {
        const char* name;
        std::string content;
        const char* message;
        int kandidaten;
        const char* caption;
        Enabled commands;
    };
    const Case cases[] = {
        {"kort.lst", bytes.substr(0, 100), "frmMain.OpenLijst: Ongeldige partij record ingelezen.", 0, "Zorvandel",
         AtStart},
        {"leeg.lst", "", "frmMain.OpenLijst: Ongeldige partij record ingelezen.", 0, "Zorvandel", AtStart},
        {"afgekapt.lst", bytes.substr(0, 632 + 285 + 100), "frmMain.OpenLijst: Ongeldige kandidaat record ingelezen.",
         1, "Zorvandel - GOED", WithKandidaten},
        {"tekst.lst", std::string(632 + 40, 'x'), "frmMain.OpenLijst: Ongeldige kandidaat record ingelezen.", 0, nullptr,
         PartijOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(Path(c.name), c.content));
        ModalAnswer open(ModalAnswer::ChooseFile(Path(c.name)));
        ModalAnswer message(ModalAnswer::ClickButton("Ok"));
        form->FileOpen();
        ASSERT_TRUE(message.Seen().shown);
        EXPECT_TRUE(message.Seen().labels.contains(c.message)) << message.Seen().labels.join("|").toStdString();
        EXPECT_EQ(KandidaatList->Count(), c.kandidaten);
        if (c.caption) {
            EXPECT_EQ(form->windowTitle(), c.caption);
        }
        EXPECT_EQ(Commands(), c.commands);
        if (c.kandidaten == 0)
            EXPECT_TRUE(form->GridIsEmpty());
        else
            EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), std::vector<std::string>{"5"});
        // Leave without a party record, so the next open asks nothing.
        PartijList->Clear();
        KandidaatList->Clear();
    }
    // A file that cannot be opened leaves the data as it was.
    LoadPartij("BLIJFT");
    ModalAnswer message(ModalAnswer::ClickButton("Ok"));
    form->OpenLijst(Path("bestaat-niet.lst"));
    EXPECT_TRUE(message.Seen().labels.contains("Kan gekozen bestand niet openen."));
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(PartijList->Items(0)->Afkorting.AsString(), "BLIJFT");
}

TEST_F(MainWindow, GridShowsTheNumbersInOrderAndKnowsWhenItIsEmpty)
{
    Start();
    LoadPartij("ABC", {{"10", "N10", "P10"}, {"2", "N2", "P2"}, {"1", "N1", "P1"}});
    EXPECT_EQ(form->windowTitle(), "Zorvandel - ABC");
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), (std::vector<std::string>{"1", "2", "10"}));
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 2), (std::vector<std::string>{"P1", "P2", "P10"}));
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"10", "2", "1"}));
    EXPECT_FALSE(form->GridIsEmpty());
    std::vector<std::string> numbers{"stale"};
    form->UpdateNrList(numbers);
    EXPECT_EQ(numbers, (std::vector<std::string>{"0000000001", "0000000002", "0000000010"}));

    // Rebuilding from a shorter list leaves no old rows behind.
    KandidaatList->Delete(0);
    KandidaatList->Delete(0);
    form->UpdateLijstGegevens();
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), std::vector<std::string>{"1"});

    // One imported candidate whose number is no integer, or 0: the grid counts as empty, but the
    // export sees a candidate in the list.
    for (const char* odd : {"abc", "0", " "}) {
        KandidaatList->Clear();
        KandidaatList->Add(Kandidaat(odd, "Los", "Ede"));
        form->UpdateLijstGegevens();
        form->EnableDisable();
        EXPECT_TRUE(form->GridIsEmpty()) << odd;
        EXPECT_TRUE(form->acExport->isEnabled()) << odd;
        EXPECT_FALSE(form->acEdit->isEnabled()) << odd;
        EXPECT_FALSE(form->acFormulieren->isEnabled()) << odd;
    }
    KandidaatList->Clear();
    form->UpdateLijstGegevens();
    form->EnableDisable();
    EXPECT_EQ(form->grdKandidaten->RowCount(), 2);
    EXPECT_EQ(form->grdKandidaten->Cells(1, 1), "");
    EXPECT_EQ(Commands(), PartijOnly);
}

TEST_F(MainWindow, PartyDialogStartsANewList)
{
    Start();
    ModalAnswer partij(EnterPartij("Partij Een", "abc"));
    Press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(partij.Seen().shown);
    EXPECT_EQ(partij.Seen().caption, "Toevoegen zorvandel gegevens");
    EXPECT_EQ(form->windowTitle(), "Zorvandel - ABC");
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(PartijList->Items(0)->Aanduiding.AsString(), "Partij Een");
    EXPECT_EQ(PartijList->Items(0)->StatuNaam.AsString(), "Partij Een");
    EXPECT_EQ(Commands(), PartijOnly);
    EXPECT_TRUE(form->sbInsert->isEnabled());
    EXPECT_FALSE(form->sbEdit->isEnabled());

    // F3 edits the record; the candidates stay.
    KandidaatList->Add(Kandidaat("4", "Vier", "Ede"));
    form->UpdateLijstGegevens();
    {
        ModalAnswer edit([](QWidget* window) {
            auto* dialog = static_cast<TfrmMutPartij*>(window);
            EXPECT_EQ(dialog->edAfkorting->text(), "ABC");
            dialog->edAfkorting->selectAll();
            QTest::keyClicks(dialog->edAfkorting, "def");
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        });
        Press(Qt::Key_F3);
        EXPECT_EQ(edit.Seen().caption, "Wijzigen zorvandel gegevens - ABC");
    }
    EXPECT_EQ(form->windowTitle(), "Zorvandel - DEF");
    EXPECT_EQ(KandidaatList->Count(), 1);
    EXPECT_EQ(Commands(), WithKandidaten);

    // New: No to the save question, Cancel in the party dialog: nothing changes.
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        ModalAnswer cancel(ModalAnswer::ClickButton("Annuleren"));
        Press(Qt::Key_N, Qt::ControlModifier);
        EXPECT_TRUE(no.Seen().labels.contains("Opslaan zorvandel"));
        EXPECT_TRUE(no.Seen().labels.contains("Wilt u de huidige zorvandel gegevens opslaan?"));
        ASSERT_TRUE(cancel.Seen().shown);
    }
    EXPECT_EQ(form->windowTitle(), "Zorvandel - DEF");
    EXPECT_EQ(KandidaatList->Count(), 1);

    // New: No, then OK: the old candidates are gone.
    ModalAnswer no(ModalAnswer::ClickButton("Nee"));
    ModalAnswer again(EnterPartij("Partij Twee", "TWEE"));
    Press(Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(again.Seen().shown);
    EXPECT_EQ(form->windowTitle(), "Zorvandel - TWEE");
    EXPECT_EQ(KandidaatList->Count(), 0);
    EXPECT_TRUE(form->GridIsEmpty());
    EXPECT_EQ(Commands(), PartijOnly);
}

TEST_F(MainWindow, ExportWritesTheListFileIntoTheChosenFolder)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "Ede"}, {"2", "Twee", "Epe"}});
    const QString folder = Path("export");
    ASSERT_TRUE(QDir().mkpath(folder));
    auto chooseFolder = [](const QString& text) {
        return [text](QWidget* window) {
            auto* dialog = qobject_cast<TfrmExport*>(window);
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(WaitFor([dialog] { return dialog->isActiveWindow() && !dialog->edDirectory->text().isEmpty(); }));
            dialog->edDirectory->setText(text);
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        };
    };
    {
        ModalAnswer dialog(chooseFolder(folder));
        ModalAnswer done(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_F4);
        ASSERT_TRUE(done.Seen().shown);
        EXPECT_EQ(dialog.Seen().caption, "Aanmaken exportbestand voor Quandor");
        EXPECT_TRUE(done.Seen().labels.contains("Exportbestand voor Quandor aangemaakt: \r\n" + folder + "/ABC.LST"))
            << done.Seen().labels.join("|").toStdString();
    }
    const QString reference = WriteReference("reference.lst");
    EXPECT_EQ(ReadFileBytes(folder + "/ABC.LST"), ReadFileBytes(reference));

    // Cancel writes nothing and shows nothing.
    QFile::remove(folder + "/ABC.LST");
    {
        ModalAnswer cancel(ModalAnswer::ClickButton("Annuleren"));
        Press(Qt::Key_F4);
        ASSERT_TRUE(cancel.Seen().shown);
    }
    EXPECT_FALSE(QFile::exists(folder + "/ABC.LST"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // An abbreviation holding a path separator cannot name a file in the folder.
    PartijList->Items(0)->Afkorting = "../X";
    ModalAnswer dialog(chooseFolder(folder + "/"));
    ModalAnswer refused(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_F4);
    EXPECT_TRUE(refused.Seen().labels.contains("Kan gekozen bestand niet wegschrijven."));
    EXPECT_FALSE(QFile::exists(Path("X.LST")));

    // Nor can one holding a NUL byte (a list file may hold any byte): no "AB" appears instead.
    PartijList->Items(0)->Afkorting = std::string_view("AB\0CD", 5);
    ModalAnswer dialogNul(chooseFolder(folder));
    ModalAnswer refusedNul(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_F4);
    EXPECT_TRUE(refusedNul.Seen().labels.contains("Kan gekozen bestand niet wegschrijven."))
        << refusedNul.Seen().labels.join("|").toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

TEST_F(MainWindow, AnExportWhoseWriteFailsKeepsTheOldFile)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "Ede"}, {"2", "Twee", "Epe"}});
    const QString folder = Path("export");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteFileBytes(folder + "/ABC.LST", "vorige export"));
    ModalAnswer dialog([&](QWidget* window) {
        auto* exportDialog = qobject_cast<TfrmExport*>(window);
        ASSERT_NE(exportDialog, nullptr);
        exportDialog->edDirectory->setText(folder);
        QTest::mouseClick(exportDialog->btnOk, Qt::LeftButton);
    });
    ModalAnswer failed(ModalAnswer::ClickButton("Ok"));
    ModalAnswer more(ModalAnswer::ClickButton("Ok"));
    {
        const FileSizeLimit fullDisk(100);
        Press(Qt::Key_F4);
    }
    ASSERT_TRUE(failed.Seen().shown);
    EXPECT_EQ(failed.Seen().labels.filter("Kan gekozen bestand niet wegschrijven.").size(), 1)
        << failed.Seen().labels.join("|").toStdString();
    EXPECT_FALSE(more.Seen().shown) << "no success message follows";
    EXPECT_EQ(ReadFileBytes(folder + "/ABC.LST"), "vorige export");
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList("ABC.LST"));
}

TEST_F(MainWindow, ClosingWithYesWhenTheSaveFailsKeepsTheProgramAndTheOldFile)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "Ede"}});
    const QString saved = Path("slot.lst");
    ASSERT_TRUE(WriteFileBytes(saved, "vorige lijst"));
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ModalAnswer dialog(ModalAnswer::ChooseFile(saved));
    ModalAnswer overwrite(ModalAnswer::ClickButton("Ja"));
    ModalAnswer failed(ModalAnswer::ClickButton("Ok"));
    {
        const FileSizeLimit fullDisk(100);
        Press(Qt::Key_Escape);
    }
    ASSERT_TRUE(failed.Seen().shown);
    EXPECT_TRUE(overwrite.Seen().labels.contains("Het gekozen bestand bestaat al, wilt u deze overschrijven?"));
    EXPECT_TRUE(failed.Seen().labels.contains(
        "Kan gekozen bestand niet wegschrijven.\r\nHet bestaande bestand is ongewijzigd gebleven."))
        << failed.Seen().labels.join("|").toStdString();
    EXPECT_TRUE(form->isVisible()) << "the program stays open";
    EXPECT_EQ(ReadFileBytes(saved), "vorige lijst");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList("slot.lst"));
}

TEST_F(MainWindow, FoldersWhoseNamesWindows1252CannotHold)
{
    const QString home = Path("\u0142ukasz");
    const QString greek = home + "/\u0395\u03BB\u03BB\u03AC\u03B4\u03B1";
    ASSERT_TRUE(QDir().mkpath(greek));
    const EnvironmentScope homeScope{{"HOME", QFile::encodeName(home)}};
    Start();
    LoadPartij("ABC");

    // Import from there.
    const QString csv = home + "/kandidaten.csv";
    ASSERT_TRUE(WriteFileBytes(
        csv, "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats\n"
             "3;Jansen;J.;van;Jan;M;1-2-1970;Dorpsstraat 1;1234 AB;Ede\n"));
    {
        ModalAnswer picker(ModalAnswer::ChooseFile(csv));
        ModalAnswer import([](QWidget* window) {
            QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        });
        Press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(import.Seen().shown);
    }
    ASSERT_EQ(KandidaatList->Count(), 1);
    const std::string reference = ReadFileBytes(WriteReference("reference.lst"));

    // Save there and open again.
    const QString list = greek + "/lijst.lst";
    {
        ModalAnswer dialog(ModalAnswer::ChooseFile(list));
        ModalAnswer done(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(done.Seen().shown);
    }
    EXPECT_EQ(ReadFileBytes(list), reference);
    LoadPartij("XYZ");
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        ModalAnswer open(ModalAnswer::ChooseFile(list));
        Press(Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(open.Seen().shown);
    }
    EXPECT_EQ(form->windowTitle(), "Zorvandel - ABC");
    EXPECT_EQ(KandidaatList->Count(), 1);

    // Export: the dialog proposes the home folder as it is named; the picker lists the folder
    // inside it, and the file is written there.
    QString proposed, pickerStart, picked;
    ModalAnswer exportDialog([&](QWidget* window) {
        auto* dialog = qobject_cast<TfrmExport*>(window);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(WaitFor([dialog] { return dialog->isActiveWindow() && !dialog->edDirectory->text().isEmpty(); }));
        proposed = dialog->edDirectory->text();
        QTest::mouseClick(dialog->btnSelDir, Qt::LeftButton);
        picked = dialog->edDirectory->text();
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ModalAnswer picker([&](QWidget* window) {
        auto* dialog = static_cast<TfrmSelecteerDirectory*>(window);
        pickerStart = dialog->dirlbSelect->Directory();
        for (int row = 0; row < dialog->dirlbSelect->count(); ++row)
            if (dialog->dirlbSelect->ItemPath(row) == greek)
                dialog->dirlbSelect->setCurrentRow(row);
        QTest::keyClick(dialog->dirlbSelect, Qt::Key_Return);
    });
    ModalAnswer done(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_F4);
    ASSERT_TRUE(done.Seen().shown);
    const std::vector<TVolume> volumes = MountedVolumes();
    if (std::none_of(volumes.begin(), volumes.end(), [](const TVolume& v) { return v.Removable; })) {
        EXPECT_EQ(proposed, home + "/");
    }
    EXPECT_EQ(pickerStart, home);
    EXPECT_EQ(picked, greek + "/");
    EXPECT_EQ(ReadFileBytes(greek + "/ABC.LST"), reference);
}

TEST_F(MainWindow, TheMainRoadFromNewListToReopenedFile)
{
    Start();
    {
        ModalAnswer partij(EnterPartij("Partij Een", "PE"));
        Press(Qt::Key_N, Qt::ControlModifier);
        ASSERT_TRUE(partij.Seen().shown);
    }
    // Ins: three candidates in one command, the same dialog shown again while the box is ticked.
    {
        ModalAnswer k10(EnterKandidaat("10", "Tien", true));
        ModalAnswer k2(EnterKandidaat("2", "Twee", true));
        ModalAnswer k1(EnterKandidaat("1", "Een", false));
        Press(Qt::Key_Insert);
        ASSERT_TRUE(k1.Seen().shown);
        EXPECT_EQ(k10.Seen().caption, "Toevoegen kandidaat");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    const TZEBSortGrid& grid = *form->grdKandidaten;
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<std::string>{"1", "2", "10"}));
    EXPECT_EQ(GridColumn(grid, 1), (std::vector<std::string>{"Een, A.", "Twee, A.", "Tien, A."}));
    EXPECT_EQ(GridColumn(grid, 2), (std::vector<std::string>{"Plaats 1", "Plaats 2", "Plaats 10"}));
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"10", "2", "1"}));
    EXPECT_EQ(Commands(), WithKandidaten);

    // Enter edits the selected candidate; the dialog is handed its number.
    form->grdKandidaten->setFocus();
    form->grdKandidaten->SetRow(2);
    {
        ModalAnswer edit([](QWidget* window) {
            auto* dialog = static_cast<TfrmMutKandidaat*>(window);
            EXPECT_EQ(dialog->edKandidaatNr->text(), "2");
            EXPECT_FALSE(dialog->cbOkNieuw->isVisible());
            dialog->edPlaats->selectAll();
            QTest::keyClicks(dialog->edPlaats, "Elders");
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        });
        Press(Qt::Key_Return);
        ASSERT_TRUE(edit.Seen().shown);
        EXPECT_EQ(edit.Seen().caption, "Wijzigen kandidaat");
    }
    EXPECT_EQ(GridColumn(grid, 2), (std::vector<std::string>{"Plaats 1", "Elders", "Plaats 10"}));
    EXPECT_EQ(KandidaatList->Items(1)->Plaats.AsString(), "Elders");

    // Del removes the selected candidate after the question; the row number stays selected.
    form->grdKandidaten->SetRow(2);
    {
        ModalAnswer del([](QWidget* window) {
            auto* dialog = static_cast<TfrmMutKandidaat*>(window);
            ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
            EXPECT_TRUE(yes.Seen().labels.contains("Wilt u deze kandidaat verwijderen?"));
        });
        Press(Qt::Key_Delete);
        ASSERT_TRUE(del.Seen().shown);
        EXPECT_EQ(del.Seen().caption, "Verwijderen kandidaat");
    }
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<std::string>{"1", "10"}));
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"10", "1"}));
    EXPECT_EQ(grid.Row(), 2);

    // Ctrl+S writes the file.
    const QString file = Path("road.lst");
    {
        ModalAnswer save(ModalAnswer::ChooseFile(file));
        ModalAnswer done(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_S, Qt::ControlModifier);
        ASSERT_TRUE(done.Seen().shown);
    }
    const TPartijRecord partij = *PartijList->Items(0);
    const std::vector<TKandidaatRecord> kandidaten{*KandidaatList->Items(0), *KandidaatList->Items(1)};

    // Ctrl+N, No, a new party: the old list is gone.  Ctrl+O, No: the file brings it back exactly.
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        ModalAnswer partij2(EnterPartij("Ander", "AND"));
        Press(Qt::Key_N, Qt::ControlModifier);
        ASSERT_TRUE(partij2.Seen().shown);
        EXPECT_EQ(KandidaatList->Count(), 0);
    }
    ModalAnswer no(ModalAnswer::ClickButton("Nee"));
    ModalAnswer open(ModalAnswer::ChooseFile(file));
    Press(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(open.Seen().shown);
    EXPECT_EQ(form->windowTitle(), "Zorvandel - PE");
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(*PartijList->Items(0), partij);
    ASSERT_EQ(KandidaatList->Count(), 2);
    EXPECT_EQ(*KandidaatList->Items(0), kandidaten[0]);
    EXPECT_EQ(*KandidaatList->Items(1), kandidaten[1]);
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<std::string>{"1", "10"}));
}

TEST_F(MainWindow, DeletingTheLastCandidatesEmptiesTheGrid)
{
    Start();
    LoadPartij("ABC", {{"1", "N1", "P"}, {"2", "N2", "P"}, {"3", "N3", "P"}});
    auto deleteSelected = [&] {
        ModalAnswer del([](QWidget* window) {
            ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
            QTest::mouseClick(static_cast<TfrmMutKandidaat*>(window)->btnOk, Qt::LeftButton);
        });
        Press(Qt::Key_Delete);
        ASSERT_TRUE(del.Seen().shown);
    };
    // The last row of a longer grid: a remaining row is selected.
    form->grdKandidaten->SetRow(3);
    deleteSelected();
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), (std::vector<std::string>{"1", "2"}));
    EXPECT_GE(form->grdKandidaten->Row(), 1);
    EXPECT_LE(form->grdKandidaten->Row(), 2);
    form->grdKandidaten->SetRow(1);
    deleteSelected();
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), std::vector<std::string>{"2"});
    deleteSelected();
    EXPECT_EQ(form->grdKandidaten->RowCount(), 2);
    EXPECT_TRUE(form->GridIsEmpty());
    EXPECT_EQ(KandidaatList->Count(), 0);
    EXPECT_EQ(Commands(), PartijOnly);

    // A following insert reuses the blank row.
    ModalAnswer add(EnterKandidaat("7", "Zeven", false));
    Press(Qt::Key_Insert);
    ASSERT_TRUE(add.Seen().shown);
    EXPECT_EQ(form->grdKandidaten->RowCount(), 2);
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), std::vector<std::string>{"7"});
    EXPECT_EQ(Commands(), WithKandidaten);

    // A double click on a row opens it for editing.
    ModalAnswer edit(ModalAnswer::ClickButton("Annuleren"));
    const TRect cell = form->grdKandidaten->CellRect(0, 1);
    TZEBSortGrid* grid = form->grdKandidaten;
    const QPoint inGrid = grid->ClientOrigin() + QPoint(cell.Left + 3, cell.Top + 3);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->viewport()->mapFrom(grid, inGrid));
    ASSERT_TRUE(WaitFor([&] { return edit.Seen().shown; }));
    EXPECT_EQ(edit.Seen().caption, "Wijzigen kandidaat");
}

TEST_F(MainWindow, ImportAddsCandidatesAndRebuildsTheGrid)
{
    Start();
    LoadPartij("ABC");
    const QString csv = Path("kandidaten.csv");
    ASSERT_TRUE(WriteFileBytes(csv, std::string(ImportHeader) +
                    "3;Jansen;J.;van;Jan;M;1-2-1970;Dorpsstraat 1;1234 AB;Ede\n"
                    "abc;Pietersen;P.;;;;;Kerkweg 2;4321 BA;Epe\n"));
    ModalAnswer picker(ModalAnswer::ChooseFile(csv));
    ModalAnswer import(ImportOk());
    // The number column holds a text that is no number: the grid says so when it sorts.
    ModalAnswer sortMessage(ModalAnswer::ClickButton("OK"));
    Press(Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(import.Seen().shown);
    EXPECT_TRUE(sortMessage.Seen().labels.contains("Invalid numeric format. Try setting the correct format on the grid."));
    EXPECT_EQ(import.Seen().className, "TfrmImportCSVTXT");
    ASSERT_EQ(KandidaatList->Count(), 2);
    EXPECT_EQ(form->grdKandidaten->RowCount(), 3);
    const std::vector<std::string> names = GridColumn(*form->grdKandidaten, 1);
    EXPECT_NE(std::find(names.begin(), names.end(), "van Jansen, J. (Jan) (m)"), names.end());
    EXPECT_EQ(Commands(), WithKandidaten);
}

// Yes to "wissen" clears the candidates only once the import dialog ended with OK and the file was
// read whole: cancelling either dialog or a file that cannot be read leaves list and grid as they were.
TEST_F(MainWindow, AnImportThatDoesNotHappenKeepsTheCandidates)
{
    Start();
    LoadPartij("ABC", {{"2", "Twee", "Ede"}, {"1", "Een", "Epe"}});
    const std::vector<std::string> numbers{"2", "1"}, shown{"1", "2"};
    const QString csv = Path("kandidaten.csv");
    ASSERT_TRUE(WriteFileBytes(csv, std::string(ImportHeader) + "7;Zeven;Z.;;;;;Laan 7;7777 ZZ;Zeist\n"));
    const QString pipe = Path("pijp.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const auto unchanged = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(ListNumbers(), numbers);
        EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), shown);
        EXPECT_EQ(Commands(), WithKandidaten);
    };
    {
        // Enter takes the default answer, Ja; Escape closes the file dialog.
        ModalAnswer question(ModalAnswer::PressKey(Qt::Key_Return));
        ModalAnswer picker(ModalAnswer::PressKey(Qt::Key_Escape));
        Press(Qt::Key_I, Qt::ControlModifier);
        EXPECT_TRUE(question.Seen().labels.contains("Kandidaten reeds ingevoerd; Wilt u de bestaande kandidaten wissen?"));
        ASSERT_TRUE(picker.Seen().shown);
        unchanged("file dialog cancelled");
    }
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(ModalAnswer::ChooseFile(csv));
        ModalAnswer import(ModalAnswer::ClickButton("Annuleren"));
        Press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(import.Seen().shown);
        unchanged("import dialog cancelled");
    }
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(ModalAnswer::ChooseFile(pipe));
        ModalAnswer message(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_I, Qt::ControlModifier);
        EXPECT_TRUE(message.Seen().labels.contains("frmMain.OpenCSVTXTKandidaten: Kan gekozen bestand niet openen."))
            << message.Seen().labels.join("|").toStdString();
        unchanged("file cannot be read");
    }
    {
        // OK: now the candidates go, and the imported one takes their place.
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(ModalAnswer::ChooseFile(csv));
        ModalAnswer import(ImportOk());
        Press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(import.Seen().shown);
    }
    EXPECT_EQ(ListNumbers(), std::vector<std::string>{"7"});
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), std::vector<std::string>{"7"});
}

// A file larger than an import takes is refused by its size before the import dialog opens; one
// with more candidates than an import takes fails at OK and adds nothing; taken back to the limit
// in the same dialog, the next OK takes it whole, once.
TEST_F(MainWindow, AnImportBeyondItsLimitsSaysSoAndKeepsTheCandidates)
{
    Start();
    LoadPartij("ABC", {{"2", "Twee", "Ede"}, {"1", "Een", "Epe"}});
    const QString large = Path("groot.csv");
    ASSERT_TRUE(WriteFileBytes(large, std::string(ImportHeader)));
    ASSERT_EQ(::truncate(QFile::encodeName(large).constData(), off_t(MaxImportBytes + 1)), 0);
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(ModalAnswer::ChooseFile(large));
        ModalAnswer message(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_I, Qt::ControlModifier);
        EXPECT_EQ(message.Seen().className, "TZEBMessageForm");
        EXPECT_TRUE(message.Seen().labels.contains(MessageToQString(
            "frmMain.OpenCSVTXTKandidaten: Het importbestand " + PathInMessage(large) +
            " is groter dan 64 MB; de kandidatenlijst blijft ongewijzigd.")))
            << message.Seen().labels.join("|").toStdString();
    }
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"2", "1"}));

    const QString many = Path("veel.csv");
    std::string body; // exactly as many candidates as an import takes
    for (std::size_t i = 0; i < MaxImportLines; ++i)
        body += std::to_string(i % 100) + ";Naam\n";
    ASSERT_TRUE(WriteFileBytes(many, ImportHeader + body + "1;Een te veel\n"));
    SeenWindow failure;
    std::size_t countAfterFailure = 0;
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(ModalAnswer::ChooseFile(many));
        ModalAnswer import([&](QWidget* window) {
            QPushButton* ok = window->findChild<QPushButton*>("btnOk");
            {
                ModalAnswer error(ModalAnswer::ClickButton("Ok"));
                QTest::mouseClick(ok, Qt::LeftButton);
                failure = error.Seen();
            }
            countAfterFailure = std::size_t(KandidaatList->Count());
            ASSERT_TRUE(window->isVisible());
            ASSERT_TRUE(WriteFileBytes(many, ImportHeader + body));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        Press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(import.Seen().shown);
    }
    EXPECT_TRUE(failure.labels.contains(MessageToQString(
        "Fout tijdens importeren: Het bestand is niet te lezen.Het importbestand " + PathInMessage(many) +
        " bevat meer dan 100.000 kandidaten; de kandidatenlijst blijft ongewijzigd.")))
        << failure.labels.join("|").toStdString();
    EXPECT_EQ(countAfterFailure, 2u);
    EXPECT_EQ(std::size_t(KandidaatList->Count()), MaxImportLines);
    EXPECT_EQ(std::size_t(form->grdKandidaten->RowCount()), MaxImportLines + 1);
}

// Memory that runs out while the imported candidates are made is said in words, and the list keeps
// what it held: with No nothing of the file is added, with Yes no candidate goes.  Each answer in a
// fresh process, whose memory earlier tests have not left free.
TEST_F(MainWindow, AnImportForWhichMemoryRunsOutChangesNothing)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than a limit on it leaves";
#else
    for (const char* answer : {"Nee", "Ja"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZORVANDEL_IMPORT_ANSWER", answer);
        // One heap for all threads: another thread's heap would hold address space reserved
        // before the limit, in which the records would still find room.
        environment.insert("MALLOC_ARENA_MAX", "1");
        const TChildRun run = RunThisTest("MainWindow.ImportWhileMemoryRunsOut", {}, environment);
        EXPECT_TRUE(run.Passed()) << answer << ": " << run.Output;
    }
#endif
}

TEST_F(MainWindow, ImportWhileMemoryRunsOut)
{
    const QString answer = qEnvironmentVariable("ZORVANDEL_IMPORT_ANSWER");
    if (answer.isEmpty())
        GTEST_SKIP() << "runs only as the child of AnImportForWhichMemoryRunsOutChangesNothing";
    // Threads that the painting starts under the limit get small stacks, so that they start.
    pthread_attr_t threads;
    ASSERT_EQ(pthread_attr_init(&threads), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&threads, 512 << 10), 0);
    ASSERT_EQ(pthread_setattr_default_np(&threads), 0);
    pthread_attr_destroy(&threads);
    Start();
    LoadPartij("ABC", {{"2", "Twee", "Ede"}, {"1", "Een", "Epe"}});
    // About 1 MB of lines, whose records need 30 MB.
    std::string body;
    for (std::size_t i = 0; i < MaxImportLines; ++i)
        body += std::to_string(i % 100) + ";Naam\n";
    const QString csv = Path("kandidaten.csv");
    ASSERT_TRUE(WriteFileBytes(csv, ImportHeader + body));
    std::optional<AddressSpaceLimit> limit;
    ModalAnswer question(ModalAnswer::ClickButton(answer));
    ModalAnswer picker(ModalAnswer::ChooseFile(csv));
    ModalAnswer import([&](QWidget* window) {
        // From OK on, the address space in use and 8 MB more.
        limit.emplace(8 << 20);
        QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    ModalAnswer message([&](QWidget* box) {
        limit.reset();
        ModalAnswer::ClickButton("Ok")(box);
    });
    Press(Qt::Key_I, Qt::ControlModifier);
    limit.reset();
    ASSERT_TRUE(import.Seen().shown);
    EXPECT_TRUE(message.Seen().labels.contains("frmMain.OpenCSVTXTKandidaten: Onvoldoende geheugen"))
        << message.Seen().labels.join("|").toStdString();
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(GridColumn(*form->grdKandidaten, 0), (std::vector<std::string>{"1", "2"}));
}

// A double quote cannot stand inside an item list; the grid shows such texts whole all the same,
// and the records keep them unchanged.
TEST_F(MainWindow, TextsWithDoubleQuotesShowWhole)
{
    Start();
    const TZEBSortGrid& grid = *form->grdKandidaten;
    {
        ModalAnswer failure(ModalAnswer::ClickButton("Ok"));
        LoadPartij("ABC", {{"2", "Jan \"Piet\"", "Ede"}, {"1", "Een", "\"De\" Bilt"}, {"3", "\"", "\""}});
        EXPECT_FALSE(failure.Seen().shown) << failure.Seen().labels.join("|").toStdString();
    }
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(GridColumn(grid, 1), (std::vector<std::string>{"Een, A.", "Jan \"Piet\", A.", "\", A."}));
    EXPECT_EQ(GridColumn(grid, 2), (std::vector<std::string>{"\"De\" Bilt", "Ede", "\""}));

    // Typed in the candidate dialog, on insert and on edit.
    {
        ModalAnswer add(EnterKandidaat("4", "O\"Brien", false));
        ModalAnswer failure(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_Insert);
        ASSERT_TRUE(add.Seen().shown);
        EXPECT_FALSE(failure.Seen().shown) << failure.Seen().labels.join("|").toStdString();
    }
    EXPECT_EQ(GridColumn(grid, 1).back(), "O\"Brien, A.");
    EXPECT_EQ(KandidaatList->Items(3)->Achternaam.AsString(), "O\"Brien");
    form->grdKandidaten->SetRow(4);
    {
        ModalAnswer edit([](QWidget* window) {
            auto* dialog = static_cast<TfrmMutKandidaat*>(window);
            dialog->edPlaats->selectAll();
            QTest::keyClicks(dialog->edPlaats, "\"Den\", \"Bosch\"");
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        });
        ModalAnswer failure(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_Return);
        ASSERT_TRUE(edit.Seen().shown);
        EXPECT_FALSE(failure.Seen().shown) << failure.Seen().labels.join("|").toStdString();
    }
    EXPECT_EQ(GridColumn(grid, 2), (std::vector<std::string>{"\"De\" Bilt", "Ede", "\"", "\"Den\", \"Bosch\""}));
    EXPECT_EQ(KandidaatList->Items(3)->Plaats.AsString(), "\"Den\", \"Bosch\"");

    // Imported from a file.
    const QString csv = Path("quotes.csv");
    ASSERT_TRUE(WriteFileBytes(csv, std::string(ImportHeader) +
                    "5;Jansen \"Jr\";J.;;;;;Kerkweg 2;4321 BA;Epe\n"
                    "6;Smit;S.;;;;;Laan 3;4321 BA;Ede\n"));
    {
        ModalAnswer keep(ModalAnswer::ClickButton("Nee"));
        ModalAnswer picker(ModalAnswer::ChooseFile(csv));
        ModalAnswer import(ImportOk());
        ModalAnswer failure(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(import.Seen().shown);
        EXPECT_FALSE(failure.Seen().shown) << failure.Seen().labels.join("|").toStdString();
    }
    EXPECT_EQ(GridColumn(grid, 0), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(GridColumn(grid, 1)[4], "Jansen \"Jr\", J.");
    EXPECT_EQ(GridColumn(grid, 2)[5], "Ede");
}

// The number column's title and the sort arrow in its top right corner do not overlap; nor do
// the other titles and the arrow.
TEST_F(MainWindow, ColumnTitlesLeaveRoomForTheSortArrow)
{
    Start();
    TZEBSortGrid& grid = *form->grdKandidaten;
    const QPixmap arrow(":/images/BMP_SORT_ASC.bmp");
    ASSERT_FALSE(arrow.isNull());
    for (int c = 0; c < grid.ColCount(); ++c) {
        TColumn* column = grid.Columns()[c];
        TCanvas canvas;
        canvas.Font.AssignSilently(column->Title().Font());
        const int textWidth = canvas.TextWidth(column->Title().Caption());
        const TRect title{0, 0, column->Width(), grid.DefaultRowHeight()};
        const int textRight = ZEBSortGrid::TextLeft(title, 2, column->Title().Alignment(), textWidth) + textWidth;
        // Where the grid draws the arrow: 4 pixels left of the cell's right edge.
        EXPECT_LE(textRight, title.Right - arrow.width() - 4) << column->Title().Caption();
    }
}

TEST_F(MainWindow, HelpAndAboutOpenTheirWindows)
{
    Start();
    {
        ModalAnswer help(ModalAnswer::ClickButton("Ok"));
        Press(Qt::Key_F1);
        ASSERT_TRUE(help.Seen().shown);
        EXPECT_EQ(help.Seen().className, "TfrmHelp");
        EXPECT_EQ(help.Seen().caption, "Programma hulp");
    }
    {
        ModalAnswer help(ModalAnswer::ClickButton("Ok"));
        QTest::mouseClick(form->sbHelp, Qt::LeftButton);
        EXPECT_EQ(help.Seen().className, "TfrmHelp");
    }
    ModalAnswer about(ModalAnswer::ClickButton("Ok"));
    form->acAbout->trigger();
    ASSERT_TRUE(about.Seen().shown);
    EXPECT_EQ(about.Seen().className, "TfrmAbout");
    EXPECT_EQ(about.Seen().caption, "Betreft ZORVANDEL");
    // The forms and print commands stay unavailable: their shortcut does nothing.
    Press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindow, EditOnARowWhoseNumberIsNoIntegerPassesMinusOne)
{
    Start();
    // After an import a number need not be a number; the grid says so when it sorts.
    {
        ModalAnswer sortMessage(ModalAnswer::ClickButton("OK"));
        LoadPartij("ABC", {{"2", "Twee", "P"}, {"abc", "Tekst", "P"}});
    }
    int row = -1;
    for (int r = 1; r < form->grdKandidaten->RowCount(); ++r)
        if (form->grdKandidaten->Cells(0, r) == "abc")
            row = r;
    ASSERT_GT(row, 0);
    form->grdKandidaten->SetRow(row);
    // The dialog looks for candidate -1: every number on its way is converted, and "abc" cannot be.
    ModalAnswer message(ModalAnswer::ClickButton("Ok"));
    Press(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return message.Seen().shown; }));
    ASSERT_FALSE(message.Seen().labels.isEmpty());
    EXPECT_EQ(message.Seen().labels.last(), "frmMain.OpenKandidaatForm: 'abc' is not a valid integer value");
    EXPECT_EQ(ListNumbers(), (std::vector<std::string>{"2", "abc"}));
}

TEST_F(MainWindow, OnlyCommandsWithAHintShowATooltip)
{
    Start();
    struct Case {
        QToolButton* button;
        QString tip;
    };
    for (const Case& c : {Case{form->sbInsert, "Nieuwe kandidaat toevoegen"}, Case{form->sbFormulieren, ""},
                          Case{form->sbHelp, "Help"}, Case{form->sbExit, "Sluiten"}}) {
        QToolTip::hideText();
        ASSERT_TRUE(WaitFor([] { return !QToolTip::isVisible(); }));
        QHelpEvent hover(QEvent::ToolTip, c.button->rect().center(), c.button->mapToGlobal(c.button->rect().center()));
        QApplication::sendEvent(c.button, &hover);
        EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tip) << c.button->objectName().toStdString();
    }
    QToolTip::hideText();
    // Menu entries show no tooltips, so the about command's caption appears nowhere as one.
    for (QAction* menu : form->MainMenu->actions())
        EXPECT_FALSE(menu->menu()->toolTipsVisible()) << menu->text().toStdString();
}

TEST_F(MainWindow, IsANormalMainWindowAndItsDialogsBelongToIt)
{
    Start();
    EXPECT_EQ(form->windowType(), Qt::Window);
    for (Qt::WindowType hint : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
                                Qt::WindowMaximizeButtonHint, Qt::WindowCloseButtonHint})
        EXPECT_TRUE(form->windowFlags().testFlag(hint)) << hint;
    ASSERT_NE(form->windowHandle(), nullptr);
    EXPECT_EQ(form->windowHandle()->transientParent(), nullptr);

    // The windows its commands open are dialogs that belong to it.
    struct Case {
        const char* what;
        std::function<void()> open;
        const char* answer;
    };
    const Case cases[] = {
        {"about box", [this] { form->acAbout->trigger(); }, "Ok"},
        {"open dialog", [this] { form->acFileOpen->trigger(); }, "Annuleren"},
        {"leave question", [this] { Press(Qt::Key_Escape); }, "Nee"},
    };
    for (const Case& c : cases) {
        Qt::WindowType type = Qt::Widget;
        QWindow* owner = nullptr;
        ModalAnswer answer([&](QWidget* window) {
            type = window->windowType();
            owner = window->windowHandle() ? window->windowHandle()->transientParent() : nullptr;
            ModalAnswer::ClickButton(c.answer)(window);
        });
        c.open();
        ASSERT_TRUE(WaitFor([&] { return answer.Seen().shown; })) << c.what;
        EXPECT_EQ(type, Qt::Dialog) << c.what;
        EXPECT_EQ(owner, form->windowHandle()) << c.what;
    }
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainWindow, AltWithAMenuLetterOpensThatMenuOnTheFirstPress)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "P"}}); // the toolbar buttons are enabled too
    const QList<QAction*> menus = form->MainMenu->actions();
    ASSERT_EQ(menus.size(), 3);
    const std::pair<Qt::Key, QMenu*> cases[] = {
        {Qt::Key_B, menus[0]->menu()}, {Qt::Key_W, menus[1]->menu()}, {Qt::Key_H, menus[2]->menu()}};
    for (const auto& [key, menu] : cases) {
        Press(key, Qt::AltModifier);
        EXPECT_TRUE(WaitFor([menu = menu] { return menu->isVisible(); }, 1000)) << menu->title().toStdString();
        menu->close();
        ASSERT_TRUE(WaitFor([menu = menu] { return !menu->isVisible(); }));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << menu->title().toStdString();
    }
    // The toolbar captions keep their underlined letter.
    EXPECT_EQ(form->sbEdit->text(), "&Wijzigen");
    EXPECT_EQ(form->sbHelp->text(), "&Help");
}

TEST_F(MainWindow, MenusShowDutchOrNeutralKeyNames)
{
    Start();
    // Key names as a Dutch keyboard and Windows show them; Qt's translation leaves "Return" English.
    const QStringList neutral{"Ctrl", "Shift", "Alt", "Enter", "Ins", "Del", "Esc", "Tab"};
    const QRegularExpression functionKeyOrLetter("^(F[0-9]{1,2}|[A-Z0-9])$");
    int shown = 0;
    for (QAction* menu : form->MainMenu->actions())
        for (QAction* entry : menu->menu()->actions()) {
            const QString keys = entry->shortcut().toString(QKeySequence::NativeText);
            if (keys.isEmpty())
                continue;
            ++shown;
            for (const QString& name : keys.split('+'))
                EXPECT_TRUE(neutral.contains(name) || functionKeyOrLetter.match(name).hasMatch())
                    << entry->text().toStdString() << ": " << keys.toStdString();
        }
    EXPECT_GE(shown, 10);
    EXPECT_EQ(form->acEdit->shortcut().toString(QKeySequence::NativeText), "Enter");
}

TEST_F(MainWindow, FormsCommandOpensTheCatalogueOfTheProgramFolder)
{
    // The program folder of a test is its own build folder, whose FORMS/ holds only the H1 texts:
    // it gets a catalogue for this test only.
    const QString forms = QCoreApplication::applicationDirPath() + "/FORMS/";
    ASSERT_FALSE(QFileInfo::exists(forms + "ZV")) << "left over from an earlier run";
    struct Cleanup {
        QString path;
        ~Cleanup() { QDir(path).removeRecursively(); }
    } cleanup{forms + "ZV"};

    Start();
    // Without a candidate in the grid Ctrl+F opens nothing.
    LoadPartij("ABC");
    {
        ModalAnswer none(ModalAnswer::Close());
        Press(Qt::Key_F, Qt::ControlModifier);
        EXPECT_FALSE(none.Seen().shown);
    }

    LoadPartij("ABC", {{"1", "Jansen", "Ede"}, {"2", "Smit", "Epe"}});
    EXPECT_TRUE(form->sbFormulieren->isEnabled());
    ASSERT_TRUE(QDir().mkpath(forms + "ZV"));
    ASSERT_TRUE(WriteFileBytes(forms + "ZV/ZV_FORMS.DAT", "Categorie\r\n Groep\r\n  ZV01:Lijst\r\n"));
    FormsDir.clear();
    QStringList rows;
    ModalAnswer catalogue([&rows](QWidget* window) {
        auto* tree = window->findChild<QTreeWidget*>("tvFormulieren");
        ASSERT_NE(tree, nullptr);
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            rows << (*it)->text(0);
        QTest::keyClick(tree, Qt::Key_Escape);
    });
    Press(Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(catalogue.Seen().className, "TfrmSelFormulier");
    EXPECT_EQ(catalogue.Seen().caption, "Formulieren");
    EXPECT_EQ(rows, (QStringList{"Categorie", "Groep", "ZV01:Lijst"}));
    EXPECT_EQ(FormsDir, forms);
    EXPECT_TRUE(FormsDir.endsWith('/'));

    // A catalogue in another format: the catalogue does not open, but the user is told why.
    ASSERT_TRUE(WriteFileBytes(forms + "ZV/ZV_FORMS.DAT", "Categorie\r\n   ZV01:Te diep\r\n"));
    ModalAnswer error(ModalAnswer::PressKey(Qt::Key_Return));
    QTest::mouseClick(form->sbFormulieren, Qt::LeftButton);
    EXPECT_NE(error.Seen().className, "TfrmSelFormulier");
    EXPECT_TRUE(error.Seen().labels.contains("Onbekend formaat in het bestand ZV_FORMS.DAT.\r\n"
                                             "U dient contact op te nemen met de automatiserings afdeling."))
        << error.Seen().labels.join("|").toStdString();
}

// The print command: no user reaches it (acAfdrukken stays disabled), but called it previews the H1
// report of the window's lists in the shared previewer, which frees the pages when it closes.
TEST_F(MainWindow, PrintKandidatenlijstH1PreviewsTheListsInTheSharedPreviewer)
{
    Start();
    LoadPartij("ABC", {{"10", "Tien", "Utrecht"}, {"2", "Twee", "Delft"}});
    EXPECT_FALSE(form->acAfdrukken->isEnabled());
    TfrmZEBPreviewer previewer;
    frmZEBPreviewer = &previewer;
    QStringList firstPage;
    QString info;
    RunWhen([&] {
        return QApplication::activeModalWidget() == &previewer && !previewer.findChild<TfrmSplashMessage*>()
            && !previewer.lblPage->text().startsWith("Pagina");
    },
            [&] {
                info = previewer.lblPage->text();
                for (const TQRTextItem& text : previewer.QRPrinter()->Page(1).Texts)
                    firstPage << text.Text;
                QTest::keyClick(&previewer, Qt::Key_Escape);
            },
            &previewer);
    form->PrintKandidatenlijstH1();
    frmZEBPreviewer = nullptr;
    EXPECT_EQ(info, "1 van 4");
    EXPECT_TRUE(firstPage.contains("Partij ABC"));
    EXPECT_LT(firstPage.indexOf("Twee"), firstPage.indexOf("Tien"));
    EXPECT_FALSE(previewer.isVisible());
    EXPECT_EQ(previewer.QRPrinter(), nullptr);
}

// The forms command run by a copy of this program in folders whose names hold letters of
// Windows-1252 and beyond it: the catalogue of FORMS/ beside it opens.
TEST(MainWindowFolders, FormsCommandFromAProgramFolderWithLettersOutsideAscii)
{
    for (const QString& sub : FolderNamesOutsideAscii()) {
        SCOPED_TRACE(sub.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString folder = dir.filePath(sub);
        ASSERT_TRUE(QDir().mkpath(folder));
        const TChildRun run = RunThisTest("MainWindow.FormsCommandOpensTheCatalogueOfTheProgramFolder", folder);
        EXPECT_TRUE(run.Passed()) << run.Output;
    }
}

// The open and save dialogs are built when first used; the same dialog then serves every later
// use, in the folder and with the filter it was left with, in Dutch.
TEST_F(MainWindow, FileDialogsAreBuiltOnFirstUseAndKeepFolderAndFilter)
{
    Start();
    EXPECT_FALSE(form->OpenDialog.Built());
    EXPECT_FALSE(form->SaveDialog.Built());
    EXPECT_TRUE(form->findChildren<QFileDialog*>().isEmpty());

    LoadPartij("ABC", {{"1", "Een", "Ede"}});
    ASSERT_TRUE(QDir(dir.path()).mkdir("lijsten"));
    const QString folder = QDir(Path("lijsten")).absolutePath();
    const QString file = folder + "/abc.lst";
    {
        ModalAnswer save(ModalAnswer::ChooseFile(file));
        ModalAnswer done(ModalAnswer::ClickButton("Ok"));
        EXPECT_TRUE(form->FileSaveAs());
    }
    EXPECT_TRUE(form->SaveDialog.Built());
    EXPECT_FALSE(form->OpenDialog.Built());
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        ModalAnswer open([&](QWidget* window) {
            qobject_cast<QFileDialog*>(window)->selectNameFilter("Alle bestanden (*)");
            ModalAnswer::ChooseFile(file)(window);
        });
        Press(Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(open.Seen().shown);
    }
    ASSERT_TRUE(form->OpenDialog.Built());
    EXPECT_EQ(form->windowTitle(), "Zorvandel - ABC");

    struct Seen {
        QFileDialog* dialog = nullptr;
        QString folder, filter, name;
    };
    const auto look = [](Seen& seen) {
        return [&seen](QWidget* window) {
            seen.dialog = qobject_cast<QFileDialog*>(window);
            ASSERT_NE(seen.dialog, nullptr);
            seen.folder = seen.dialog->directory().absolutePath();
            seen.filter = seen.dialog->selectedNameFilter();
            seen.name = window->findChild<QLineEdit*>("fileNameEdit")->text();
            ModalAnswer::ClickButton("Annuleren")(window);
        };
    };
    Seen open;
    {
        ModalAnswer no(ModalAnswer::ClickButton("Nee"));
        ModalAnswer again(look(open));
        Press(Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(again.Seen().shown);
        EXPECT_TRUE(again.Seen().buttons.contains("Annuleren")) << again.Seen().buttons.join(", ").toStdString();
    }
    EXPECT_EQ(open.dialog, form->OpenDialog.Dialog());
    EXPECT_EQ(open.folder, folder);
    EXPECT_EQ(open.filter, "Alle bestanden (*)");
    EXPECT_EQ(open.name, "abc.lst");

    Seen save;
    {
        ModalAnswer again(look(save));
        EXPECT_FALSE(form->FileSaveAs());
        ASSERT_TRUE(again.Seen().shown);
    }
    EXPECT_EQ(save.dialog, form->SaveDialog.Dialog());
    EXPECT_EQ(save.folder, folder);
    EXPECT_EQ(save.filter, "Zorvandel bestanden (*.lst)");
    EXPECT_EQ(save.name, "abc.lst");
    EXPECT_EQ(form->findChildren<QFileDialog*>().size(), 2);
}

namespace {

TEST_F(MainWindow, FormsAreShownByTheWindowsOwnWordProcessorFromOneRequestToTheNext)
{
    Start();
    LoadPartij("ABC", {{"1", "Een", "Ede"}, {"2", "Twee", "Epe"}});
    std::vector<QString> opened;
    form->Word.HasDocxApplication = [] { return true; };
    form->Word.Opener = [&opened](const QString& path) {
        opened.push_back(path);
        return true;
    };
    TWordApplication* word = form->Word.Connect();
    ASSERT_NE(word, nullptr);
    // Each request from the catalogue that the main window opens: form ZV01 of the forms the build
    // laid out.
    for (int request = 1; request <= 2; ++request) {
        ModalAnswer catalogue([](QWidget* window) {
            auto* selection = qobject_cast<TfrmSelFormulier*>(window);
            ASSERT_NE(selection, nullptr);
            FormsDir = ZORVANDEL_FORMS_DIR;
            selection->StartForm("ZV01");
        });
        form->acFormulieren->trigger();
        ASSERT_TRUE(catalogue.Seen().shown);
        ASSERT_EQ(opened.size(), std::size_t(request));
        EXPECT_EQ(form->Word.Connect(), word);
    }
    // The first request's document stayed open beside the second's.
    EXPECT_GE(word->DocumentsCount(), 2);
    for (const QString& path : opened)
        QFile::remove(path);
}

} // namespace
