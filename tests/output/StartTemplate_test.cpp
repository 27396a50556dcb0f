// The mail-merge driver, run as the user runs it: from the forms catalogue, with the shipped forms
// folder or a test folder of its own, merging in the word processor and handing the documents to
// an opener that only records them.  The merged packages are read back.
#include "uZVWord.h"

#include "AnsiText.h"
#include "ErrorOf.h"
#include "Exceptions.h"
#include "ChildRun.h"
#include "DualListTesting.h"
#include "EnvironmentScope.h"
#include "FlockFailure.h"
#include "FolderLock.h"
#include "ModalAnswer.h"
#include "OfficeConvert.h"
#include "PrivateTempFolder.h"
#include "RegistryStore.h"
#include "WordProcessor.h"
#include "WordTesting.h"
#include "fGauge.h"
#include "fSelFormulier.h"
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <QScreen>
#include <QImage>
#include <algorithm>
#include <map>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size()))
        ++n;
    return n;
}

// Records every call of the driver, with the progress text shown at that moment, and passes it on
// to a real word processor.
class TRecordingWord : public TWordApplication {
public:
    explicit TRecordingWord(TWordApplication& word) : FWord(word) {}

    Lines Calls;
    Lines Steps;    // the progress text at each call that changed it
    std::vector<TOpenDataSourceArgs> Sources;

    void SetWindowState(int State) override { Log("WindowState " + std::to_string(State)), FWord.SetWindowState(State); }
    void SetVisible(bool Visible) override { Log(std::string("Visible ") + (Visible ? "true" : "false")), FWord.SetVisible(Visible); }
    void Activate() override { Log("Activate"), FWord.Activate(); }
    int DocumentsCount() override { return Log("Documents.Count"), FWord.DocumentsCount(); }
    std::string DocumentName(int Index) override { return Log("Item " + std::to_string(Index) + ".Name"), FWord.DocumentName(Index); }
    void CloseDocument(int Index, int SaveChanges) override
    {
        Log("Item " + std::to_string(Index) + ".Close " + std::to_string(SaveChanges)), FWord.CloseDocument(Index, SaveChanges);
    }
    void ActivateDocument(int Index) override { Log("Item " + std::to_string(Index) + ".Activate"), FWord.ActivateDocument(Index); }
    void OpenDocument(const std::string& FileName) override { Log("Open " + WordDocumentName(FileName)), FWord.OpenDocument(FileName); }
    void Unprotect(const std::string& Password) override { Log("Unprotect '" + Password + "'"), FWord.Unprotect(Password); }
    void Protect(int Type) override { Log("Protect " + std::to_string(Type)), FWord.Protect(Type); }
    void OpenDataSource(const TOpenDataSourceArgs& Args) override
    {
        Log("OpenDataSource"), Sources.push_back(Args), FWord.OpenDataSource(Args);
    }
    void SetMailMergeDestination(int Destination) override { Log("Destination " + std::to_string(Destination)), FWord.SetMailMergeDestination(Destination); }
    void SetMailAsAttachment(bool Value) override { Log(std::string("MailAsAttachment ") + (Value ? "true" : "false")), FWord.SetMailAsAttachment(Value); }
    void SetMailAddressFieldName(const std::string& Value) override { Log("MailAddressFieldName '" + Value + "'"), FWord.SetMailAddressFieldName(Value); }
    void SetMailSubject(const std::string& Value) override { Log("MailSubject '" + Value + "'"), FWord.SetMailSubject(Value); }
    void SetSuppressBlankLines(bool Value) override { Log(std::string("SuppressBlankLines ") + (Value ? "true" : "false")), FWord.SetSuppressBlankLines(Value); }
    void SetFirstRecord(int Record) override { Log("FirstRecord " + std::to_string(Record)), FWord.SetFirstRecord(Record); }
    void SetLastRecord(int Record) override { Log("LastRecord " + std::to_string(Record)), FWord.SetLastRecord(Record); }
    void ExecuteMailMerge(bool Pause) override { Log(std::string("Execute ") + (Pause ? "true" : "false")), FWord.ExecuteMailMerge(Pause); }
    std::string ActiveWindowCaption() override { return Log("Caption"), FWord.ActiveWindowCaption(); }
    void SetActiveWindowCaption(const std::string& Caption) override { Log("Caption := " + Caption), FWord.SetActiveWindowCaption(Caption); }
    void FindClearFormatting() override { Log("ClearFormatting"), FWord.FindClearFormatting(); }
    void FindExecute(const TFindArgs& Args) override
    {
        Log("Find " + Args.FindText + (Args.Forward ? " forward" : " backward") + " wrap " + std::to_string(Args.Wrap)
            + (Args.MatchCase || Args.MatchWholeWord || Args.MatchWildcards || Args.MatchSoundsLike
                       || Args.MatchAllWordForms || Args.Format || Args.Replace != wdReplaceNone || !Args.ReplaceWith.empty()
                   ? " with options"
                   : ""));
        FWord.FindExecute(Args);
    }
    bool FindFound() override
    {
        const bool found = FWord.FindFound();
        Log(std::string("Found ") + (found ? "true" : "false"));
        return found;
    }
    void AddFormField(int Type) override { Log("AddFormField " + std::to_string(Type)), FWord.AddFormField(Type); }
    void HomeKey(int Unit) override { Log("HomeKey " + std::to_string(Unit)), FWord.HomeKey(Unit); }

private:
    void Log(const std::string& call)
    {
        Calls.push_back(call);
        if (dlgGauge) {
            const std::string step = QStringToAnsi(dlgGauge->Message->text()) + " ("
                + std::to_string(dlgGauge->ProgressBar->value()) + "/" + std::to_string(dlgGauge->ProgressBar->maximum()) + ")";
            if (Steps.empty() || Steps.back() != step)
                Steps.push_back(step);
        }
    }

    TWordApplication& FWord;
};

// What an error box showed.
struct ErrorBox {
    bool shown = false;
    std::string title, message;
};

ModalAnswer::Action ReadErrorBox(ErrorBox& box)
{
    return [&box](QWidget* window) {
        box.shown = true;
        if (auto* title = window->findChild<QLabel*>("lblTitle"))
            box.title = QStringToAnsi(title->text());
        if (auto* message = window->findChild<QLabel*>("lblMessage"))
            box.message = QStringToAnsi(message->text());
        QTest::keyClick(window, Qt::Key_Return);
    };
}

const std::string Installed = "ge\xefnstalleerd.";
const std::string HelpdeskTail = "\n\nDe fout is opgetreden tijdens exporteren naar Word. Sluit Word en probeer het opnieuw. "
                                 "Neem contact op met de Quandor helpdesk indien de fout zich blijft herhalen.";
const std::string TemplateTail = "\n\nControleer of het sjabloon nog openstaat in Word. Sluit deze zonodig zonder de "
                                 "wijzigingen op te slaan. Indien de fout zich blijft herhalen is het sjabloon beschadigd "
                                 "en dient u contact op te nemen met de ORX.";

class Driver : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
        InstallODBCDriverIfNecessary();
        for (const QString& name : QDir(PrivateTempFolder()).entryList({"*.docx"}, QDir::Files))
            QFile::remove(PrivateTempFolder() + "/" + name);
        FormsDir = ZORVANDEL_FORMS_DIR;
        auto p = std::make_unique<TPartijRecord>();
        p->Afkorting = "ZP";
        p->StatuNaam = "Zorvandel Partij";
        p->Aanduiding = "ZORVANDEL";
        p->Adres = "Markt 1";
        p->PostCode = "9999 ZZ";
        p->Plaats = "Stad";
        PartijList->Add(std::move(p));
    }
    void TearDown() override { QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER)); }

    void AddKandidaat(const std::string& nr, const std::string& achternaam, const std::string& plaats = "Assen")
    {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = nr;
        k->Achternaam = achternaam;
        k->Voorletters = "A.";
        k->Voornaam = "Anna";
        k->NaamStemapparaat = achternaam + ", A. (Anna)";
        k->Geslacht = "V";
        k->Geboortedatum = "01-02-1970";
        k->Adres = "Dorpsstraat " + nr;
        k->Postcode = "1234 AB";
        k->Plaats = plaats;
        KandidaatList->Add(std::move(k));
    }

    // A forms folder of the test's own: the shipped one's templates and layouts, with changes.
    QString TestFolder(const QString& name = "forms")
    {
        QDir(forms.path()).removeRecursively();
        FormsDir = forms.filePath(name) + "/";
        for (const char* sub : {"ZV/TEMPLATE", "ZV/FORMDAT"}) {
            QDir().mkpath(FormsDir + sub);
            for (const QString& file : QDir(QString(ZORVANDEL_FORMS_DIR) + sub).entryList(QDir::Files))
                QFile::copy(QString(ZORVANDEL_FORMS_DIR) + sub + "/" + file, FormsDir + sub + "/" + file);
        }
        return FormsDir;
    }
    void WriteLayout(const std::string& code, const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(FormsDir + "ZV/FORMDAT/" + QString::fromStdString(code) + ".dat", text));
    }
    QString TemplatePath(const std::string& code) const { return FormsDir + "ZV/TEMPLATE/" + QString::fromStdString(code) + ".dot"; }

    TTemplateEnvironment Environment(TWordApplication* app = nullptr)
    {
        return {[this, app]() -> TWordApplication* { return app ? app : &word; }, [this] { return arguments; }};
    }
    void Start(const std::string& code, TWordApplication* app = nullptr) { StartTemplateWith(code, Environment(app)); }

    std::string Xml(std::size_t i, const std::string& part = "word/document.xml") const
    {
        return i < opened.size() ? PartOf(opened[i], part) : std::string();
    }
    std::vector<std::string> OpenedNames() const
    {
        std::vector<std::string> names;
        for (const QString& path : opened)
            names.push_back(QFileInfo(path).fileName().toStdString());
        return names;
    }

    TZVLists lists;
    QTemporaryDir forms;
    Lines arguments{"Zorvandel"};
    std::vector<QString> opened;
    TWordProcessor word{[this](const QString& path) {
        opened.push_back(path);
        return true;
    }};
};

// Chooses the candidates at the given rows of the available list, one after the other, and OK.
ModalAnswer::Action Choose(std::vector<int> rows)
{
    return [rows](QWidget* window) {
        auto* dlb = window->findChild<TZEBDualListBox*>("dlbSelectie");
        ASSERT_NE(dlb, nullptr);
        for (int row : rows) {
            ClickItem(dlb->ListBox(SOURCE), row);
            QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
        }
        QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    };
}

const std::string FormsProtectionXml = R"(<w:documentProtection w:edit="forms" w:enforcement="1"/>)";

TEST_F(Driver, ThePerCandidateFormFromTheCatalogueWithKeys)
{
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "de Vries", "Emmen");
    AddKandidaat("3", "Bakker");
    auto catalogue = TBaseForm::Create<TfrmSelFormulier>();
    catalogue->StartForm = [this](const std::string& code) { Start(code); };
    catalogue->Init("ZV", FormsDir);
    catalogue->show();
    catalogue->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(catalogue.get()));

    // Home, down to the second form, Enter; the third candidate, then the first.
    ModalAnswer selection(Choose({2, 0}));
    QTreeWidget* tree = catalogue->tvFormulieren;
    for (int key : {Qt::Key_Home, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
        QTest::keyClick(tree, Qt::Key(key));
    ASSERT_TRUE(tree->currentItem()->text(0).startsWith("ZV02:"));
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(selection.Seen().className, "TfrmSelectie");

    // One document per chosen candidate in the order chosen, titled with the code, number and name.
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV02 - 3 - Bakker, A. (Anna).docx", "ZV02 - 1 - Jansen, A. (Anna).docx"}));
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::string xml = Xml(i);
        const std::string name = i == 0 ? "Bakker" : "Jansen";
        const std::string other = i == 0 ? "Jansen" : "Bakker";
        EXPECT_EQ(Count(xml, ">" + name + "<"), 1);
        EXPECT_EQ(Count(xml, other), 0);
        EXPECT_EQ(Count(xml, "de Vries"), 0);
        EXPECT_EQ(Count(xml, ">Dorpsstraat " + std::string(i == 0 ? "3" : "1") + "<"), 1);
        EXPECT_EQ(Count(xml, ">ZORVANDEL<"), 1);
        EXPECT_EQ(Count(xml, "MERGEFIELD"), 0);
        // One copy, its three markers text form fields.
        EXPECT_EQ(Count(xml, "w:type=\"page\""), 0);
        EXPECT_EQ(Count(xml, "[*]"), 0);
        EXPECT_EQ(Count(xml, "<w:ffData>"), 3);
        EXPECT_EQ(Count(xml, " FORMTEXT "), 3);
        EXPECT_EQ(Count(Xml(i, "word/settings.xml"), FormsProtectionXml), 1);
    }
    // The template was closed; the documents stay open, shown, the application maximised.
    ASSERT_EQ(word.DocumentsCount(), 2);
    EXPECT_EQ(word.Document(1).Caption, "ZV02 - 3 - Bakker, A. (Anna)");
    EXPECT_TRUE(word.Visible());
    EXPECT_EQ(word.WindowState(), wdWindowStateMaximize);
    EXPECT_EQ(dlgGauge, nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(catalogue->isVisible());
}

// Every form the shipped catalogue lists is made from the catalogue window as a user makes it:
// picked in the tree, started with Enter, its questions answered; each merged document holds the
// list's data and no merge field or marker any more.
TEST_F(Driver, EveryFormTheCatalogueListsIsMadeFromTheCatalogue)
{
    const QString folder = TestFolder();
    ASSERT_TRUE(QFile::copy(QString(ZORVANDEL_FORMS_DIR) + "ZV/ZV_FORMS.DAT", folder + "ZV/ZV_FORMS.DAT"));
    TPartijRecord& party = *PartijList->Items(0);
    party.NaamGemachtigde = "P. de Boer";
    party.AdresGemachtigde = "Kade 4";
    party.PostcodeGemachtigde = "8888 XX";
    party.PlaatsGemachtigde = "Dorp";
    party.NaamVervanger = "K. Smit";
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "de Vries", "Emmen");

    auto catalogue = TBaseForm::Create<TfrmSelFormulier>();
    catalogue->StartForm = [this](const std::string& code) { Start(code); };
    catalogue->Init("ZV", FormsDir);
    catalogue->show();
    catalogue->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(catalogue.get()));
    QTreeWidget* tree = catalogue->tvFormulieren;
    tree->expandAll();

    // Answers whatever the form asks: the first candidate, or a value in every extra field.
    const auto answer = [](QWidget* window) {
        if (window->findChild<TZEBDualListBox*>("dlbSelectie")) {
            Choose({0})(window);
            return;
        }
        const QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
        for (QLineEdit* edit : edits)
            edit->setText("de gemeenteraad");
        QTest::keyClick(edits.isEmpty() ? window : edits.first(), Qt::Key_Return);
    };
    const std::map<std::string, std::vector<std::string>> expected = {
        {"ZV01", {"Lijst van kandidaten", ">Jansen<", ">de Vries<", ">Emmen<", ">ZORVANDEL<"}},
        {"ZV02", {"Verklaring van instemming", ">Jansen<", ">Dorpsstraat 1<", ">ZORVANDEL<"}},
        {"ZV03", {"Aan het centraal stembureau", ">Zorvandel Partij<", ">de gemeenteraad<", ">P. de Boer<"}},
        {"ZV04A", {"Door een partij met een geregistreerde aanduiding", ">Zorvandel Partij<", ">ZORVANDEL<",
                   ">de gemeenteraad<", ">P. de Boer<", ">Kade 4<", ">8888 XX<", ">Dorp<", ">K. Smit<"}},
        {"ZV04B", {"Door een groepering zonder geregistreerde aanduiding", ">Zorvandel Partij<", ">de gemeenteraad<",
                   ">P. de Boer<", ">K. Smit<"}},
    };
    std::vector<std::string> made;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QTreeWidgetItem* item = *it;
        if (!item->parent() || !item->parent()->parent())
            continue; // a category
        const std::string code = item->text(0).section(':', 0, 0).toStdString();
        SCOPED_TRACE(code);
        ErrorBox box;
        const std::size_t before = opened.size();
        {
            ModalAnswer questions(answer);
            ModalAnswer error(ReadErrorBox(box));
            tree->setCurrentItem(item);
            QTest::keyClick(tree, Qt::Key_Return);
        }
        EXPECT_FALSE(box.shown) << box.message;
        ASSERT_EQ(opened.size(), before + 1);
        made.push_back(code);
        const std::string xml = Xml(before);
        EXPECT_NE(xml.find(">Model " + code + "<"), std::string::npos);
        for (const std::string& text : expected.count(code) ? expected.at(code) : std::vector<std::string>{"(unknown form)"})
            EXPECT_NE(xml.find(text), std::string::npos) << text;
        EXPECT_EQ(Count(xml, "MERGEFIELD"), 0);
        EXPECT_EQ(Count(xml, "[*]"), 0);
        EXPECT_EQ(Count(Xml(before, "word/settings.xml"), FormsProtectionXml), 1);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"ZV01", "ZV02", "ZV03", "ZV04A", "ZV04B"}));
    EXPECT_TRUE(catalogue->isVisible());

    // The word processor shows the authorisation as the party signs it.
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice Writer is not installed";
    ASSERT_EQ(opened.size(), 5u);
    QTemporaryDir out;
    QString error;
    const QString txt = OfficeConvert(opened[3], "txt:Text (encoded):UTF8", out.path(), &error);
    ASSERT_FALSE(txt.isEmpty()) << error.toStdString();
    const std::string text = ReadFileBytes(txt);
    EXPECT_NE(text.find("Het bestuur van de politieke partij Zorvandel Partij, gevestigd te Stad, waarvan de aanduiding "
                        "ZORVANDEL is geregistreerd, machtigt hierbij:"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("8888 XX Dorp"), std::string::npos) << text;
    EXPECT_NE(text.find("voor de verkiezing van de gemeenteraad."), std::string::npos) << text;
    EXPECT_EQ(Count(text, "[*]"), 0);
}

// The progress of a request as a list of what it showed.
class TRecordingProgress : public TFormProgress {
public:
    explicit TRecordingProgress(Lines& shown) : FShown(shown) {}
    void Begin(int documents, const std::string& text) override { Add("Begin " + std::to_string(documents) + " " + text); }
    void Step(const std::string& text) override { Add(text); }
    void Made(int documents) override { Add("Made " + std::to_string(documents)); }

private:
    void Add(const std::string& line) { FShown.push_back(line + (dlgGauge ? " (progress window)" : "")); }
    Lines& FShown;
};

// A whole request on what its environment hands it: folders, selection and progress, no window.
TEST_F(Driver, ARequestRunsOnItsEnvironmentAlone)
{
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "de Vries");
    AddKandidaat("3", "Bakker");
    const QString folder = TestFolder();
    FormsDir = folder + "elders/";
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    Lines shown;
    TTemplateEnvironment environment = Environment();
    environment.FormsFolder = [&] { return folder; };
    environment.TempFolder = [&] { return temp.path() + "/"; };
    environment.SelectCandidates = [](Lines& selection) {
        selection = {SelectionLine(*KandidaatList->Items(2)), SelectionLine(*KandidaatList->Items(0))};
        return true;
    };
    environment.AskExtraFields = [](Lines&) -> int { throw Exception("geen extra velden verwacht"); };
    environment.ShowProgress = [&](QWidget*) { return std::make_unique<TRecordingProgress>(shown); };
    StartTemplateWith("ZV02", environment);

    EXPECT_EQ(OpenedNames(), (Lines{"ZV02 - 3 - Bakker, A. (Anna).docx", "ZV02 - 1 - Jansen, A. (Anna).docx"}));
    EXPECT_TRUE(QFileInfo::exists(temp.filePath("kand.txt")));
    EXPECT_TRUE(QFileInfo::exists(temp.filePath("SCHEMA.INI")));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), "Begin 2 Export naar Word - Ophalen gegevens");
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "Made 1"), 1);
    EXPECT_EQ(shown.back(), "Aangemaakt: ZV02 - 1 - Jansen, A. (Anna)");
    EXPECT_EQ(shown[shown.size() - 2], "Made 2");
}

// At chosen calls of the driver, whether the window system holds the progress window as it draws
// itself now: the driver runs without the event loop, so only an explicit paint puts a step there.
class TGaugeWatchingWord : public TRecordingWord {
public:
    using TRecordingWord::TRecordingWord;

    std::vector<std::string> Shown; // the step text, and whether the screen showed it

    void OpenDocument(const std::string& FileName) override { Look(), TRecordingWord::OpenDocument(FileName); }
    void ExecuteMailMerge(bool Pause) override { Look(), TRecordingWord::ExecuteMailMerge(Pause); }
    void SetVisible(bool Visible) override { Look(), TRecordingWord::SetVisible(Visible); }

private:
    void Look()
    {
        if (!dlgGauge)
            return;
        const QString text = dlgGauge->Message->text();
        const bool fits = dlgGauge->Message->fontMetrics().horizontalAdvance(text) <= dlgGauge->Message->contentsRect().width();
        const QImage drawn = dlgGauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage shown = dlgGauge->screen()
                                 ->grabWindow(dlgGauge->winId(), 0, 0, dlgGauge->width(), dlgGauge->height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const bool exposed = dlgGauge->windowHandle() && dlgGauge->windowHandle()->isExposed();
        Shown.push_back(QStringToAnsi(text) + (exposed && shown == drawn ? " shown" : " NOT shown") + (fits ? "" : " cut"));
    }
};

TEST_F(Driver, TheProgressWindowIsOnTheScreenWithEveryStepWhole)
{
    auto k = std::make_unique<TKandidaatRecord>();
    k->KandidaatNr = "12";
    k->Achternaam = "Vries-Bakker";
    k->NaamStemapparaat = "Vries-Bakker, J.P.M.W"; // one over the limit of 20
    KandidaatList->Add(std::move(k));
    TGaugeWatchingWord watching(word);
    ModalAnswer selection(Choose({0}));
    Start("ZV02", &watching);
    EXPECT_EQ(watching.Shown, (std::vector<std::string>{
                                  "Export naar Word - Openen Word shown",
                                  "Export naar Word - Aanmaken formulier shown",
                                  "Export naar Word - Samenvoegen shown",
                                  "Aangemaakt: ZV02 - 12 - Vries-Bakker, J.P.M. shown",
                              }));
}

TEST_F(Driver, ASecondFormAfterChangedDataShowsTheNewData)
{
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "de Vries");
    {
        ModalAnswer selection(Choose({0, 0}));
        ModalAnswer noError(ModalAnswer::Close());
        Start("ZV02");
        EXPECT_FALSE(noError.Seen().shown);
    }
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(Count(Xml(0), ">Jansen<"), 1);

    // The same word processor, the data files written again: a name of as many letters, a new
    // candidate, another party.
    KandidaatList->Items(0)->Achternaam = "Jonsen";
    AddKandidaat("3", "Bakker");
    PartijList->Items(0)->Aanduiding = "ZORVANDAL";
    opened.clear();
    {
        ModalAnswer selection(Choose({0, 0, 0}));
        ModalAnswer noError(ModalAnswer::Close());
        Start("ZV02");
        EXPECT_FALSE(noError.Seen().shown) << QStringToAnsi(noError.Seen().labels.join(" "));
    }
    ASSERT_EQ(opened.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::string xml = Xml(i);
        const std::string name = i == 0 ? "Jonsen" : i == 1 ? "de Vries" : "Bakker";
        EXPECT_EQ(Count(xml, ">" + name + "<"), 1);
        EXPECT_EQ(Count(xml, "Jansen"), 0);
        EXPECT_EQ(Count(xml, ">ZORVANDAL<"), 1);
    }
    // The forms of both requests stay in the word processor by name and caption; the content of
    // those shown is the user's word processor's now.
    ASSERT_EQ(word.DocumentsCount(), 5);
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(word.DocumentName(i), "Standaardbrieven" + std::to_string(i));
        EXPECT_TRUE(word.Document(i).Shown);
        EXPECT_EQ(ErrorOf([&] { word.Document(i).StoryText(); }),
                  "Deze methode of eigenschap is niet beschikbaar omdat het document al is getoond.");
    }
    EXPECT_EQ(word.Document(1).Caption, "ZV02 - 1 - Jansen, A. (Anna)");
    EXPECT_EQ(word.Document(5).Caption, "ZV02 - 3 - Bakker, A. (Anna)");
    EXPECT_EQ(word.Document(5).Path, opened[2]);
}

TEST_F(Driver, TheListInOnePassFillsTwentyRowsACopyAndEndsWithTheEndRecord)
{
    for (int nr = 1; nr <= 25; ++nr)
        AddKandidaat(std::to_string(nr), "Naam" + std::to_string(nr));
    Start("ZV01");
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV01.docx"}));
    const std::string xml = Xml(0);
    // 25 candidates and the end record: two copies of the page, every candidate once, in number order.
    EXPECT_EQ(Count(xml, "w:type=\"page\""), 1);
    EXPECT_EQ(Count(xml, ">Lijst van kandidaten<"), 2);
    std::size_t last = 0;
    for (int nr = 1; nr <= 25; ++nr) {
        const std::string name = ">Naam" + std::to_string(nr) + "<";
        EXPECT_EQ(Count(xml, name), 1) << name;
        EXPECT_GT(xml.find(name), last) << name;
        last = xml.find(name);
    }
    EXPECT_EQ(Count(xml, ">25<"), 2) << "the count of candidates on both pages";
    EXPECT_EQ(Count(xml, "NEXT"), 0);
    EXPECT_EQ(Count(xml, "MERGEFIELD"), 0);
    EXPECT_EQ(Count(Xml(0, "word/settings.xml"), FormsProtectionXml), 1);
    EXPECT_EQ(word.Document(1).Caption, "ZV01");
}

TEST_F(Driver, TheCallsInTheirOrder)
{
    AddKandidaat("4", "Jansen");
    AddKandidaat("12", "Smit");
    TRecordingWord recording(word);
    ModalAnswer selection(Choose({1, 0}));
    Start("ZV02", &recording);

    const Lines pass = {"Open ZV02.dot", "Unprotect ''", "OpenDataSource", "Destination 0",
                        "MailAsAttachment false", "MailAddressFieldName ''", "MailSubject ''", "SuppressBlankLines true",
                        "FirstRecord 1", "LastRecord 1000000", "Execute false", "Caption"};
    Lines expected = {"WindowState 0", "Visible false"};
    for (const char* title : {"ZV02 - 12 - Smit, A. (Anna)", "ZV02 - 4 - Jansen, A. (Anna)"}) {
        const bool second = expected.size() > 2;
        // Closing the template looks through the documents from the last; the first pass finds none
        // open, the second finds the first pass's merged document.
        expected.push_back("Documents.Count");
        if (second)
            expected.push_back("Item 1.Name");
        expected.insert(expected.end(), pass.begin(), pass.end());
        expected.push_back("Documents.Count");
        // After the merge: the template (1) and the new document (2, or 3 beside the first one).
        const int merged = second ? 3 : 2;
        const int tmpl = second ? 2 : 1;
        for (int i = merged; i >= tmpl; --i)
            expected.push_back("Item " + std::to_string(i) + ".Name");
        expected.push_back("Item " + std::to_string(tmpl) + ".Close 0");
        expected.push_back("Documents.Count");
        expected.push_back("Item " + std::to_string(merged - 1) + ".Name");
        expected.push_back("Item " + std::to_string(merged - 1) + ".Activate");
        expected.insert(expected.end(), {"ClearFormatting", "Find [*] backward wrap 1", "Found true", "AddFormField 70",
                                         "Find [*] backward wrap 1", "Found true", "AddFormField 70",
                                         "Find [*] backward wrap 1", "Found true", "AddFormField 70",
                                         "Find [*] backward wrap 1", "Found false", "HomeKey 6", "Protect 2",
                                         std::string("Caption := ") + title, "WindowState 0"});
    }
    expected.insert(expected.end(), {"Documents.Count", "Item 2.Name", "Item 1.Name", "Visible true", "Activate",
                                     "WindowState 1"});
    EXPECT_EQ(recording.Calls, expected);

    EXPECT_EQ(recording.Steps, (Lines{"Export naar Word - Openen Word (0/2)", "Export naar Word - Aanmaken formulier (0/2)",
                                      "Export naar Word - Samenvoegen (0/2)", "Aangemaakt: ZV02 - 12 - Smit, A. (Anna) (1/2)",
                                      "Export naar Word - Aanmaken formulier (1/2)", "Export naar Word - Samenvoegen (1/2)",
                                      "Aangemaakt: ZV02 - 4 - Jansen, A. (Anna) (2/2)"}));

    // The data source: the private folder, its statement with the candidate filled in.
    ASSERT_EQ(recording.Sources.size(), 2u);
    const std::string folder = GetQuandorTempDirectory().toStdString();
    const TOpenDataSourceArgs& source = recording.Sources[0];
    EXPECT_EQ(source.Name, folder);
    EXPECT_EQ(source.Connection, "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder);
    EXPECT_EQ(source.Format, wdOpenFormatText);
    EXPECT_TRUE(source.LinkToSource);
    EXPECT_FALSE(source.ConfirmConversions || source.ReadOnly || source.AddToRecentFiles || source.Revert);
    const std::string sql = source.SQLStatement + source.SQLStatement1;
    EXPECT_NE(sql.find("WHERE kand.txt.kand_nr = ' 12' AND"), std::string::npos) << sql;
    EXPECT_NE((recording.Sources[1].SQLStatement + recording.Sources[1].SQLStatement1).find("= '  4' AND"), std::string::npos);
}

TEST_F(Driver, TheSwitchesLeaveStepsOut)
{
    AddKandidaat("1", "Jansen");
    const struct {
        Lines arguments;
        bool clear, find, home;
    } cases[] = {
        {{"Zorvandel"}, true, true, true},
        {{"Zorvandel", "/NOFIND"}, true, false, false},
        {{"Zorvandel", "-nohome"}, true, true, false},
        {{"Zorvandel", "-NoClearFormat", "/nohome"}, false, true, false},
        {{"Zorvandel", "nofind", "--nofind", "-nofind2", "/no find"}, true, true, true},
        {{"-nofind"}, true, true, true}, // the program's own name is no switch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        arguments = c.arguments;
        opened.clear();
        TRecordingWord recording(word);
        ModalAnswer selection(Choose({0}));
        Start("ZV02", &recording);
        const Lines& calls = recording.Calls;
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "ClearFormatting"), c.clear ? 1 : 0);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "AddFormField 70"), c.find ? 3 : 0);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "HomeKey 6"), c.home ? 1 : 0);
        // The markers stay plain text without the search.
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(Count(Xml(0), "[*]"), c.find ? 0 : 3);
        EXPECT_EQ(Count(Xml(0), "<w:ffData>"), c.find ? 3 : 0);
        EXPECT_EQ(Count(Xml(0, "word/settings.xml"), FormsProtectionXml), 1);
    }
    EXPECT_TRUE(FindCmdLineSwitch({"p", "/NoFind"}, "nofind"));
    EXPECT_FALSE(FindCmdLineSwitch({"p", "\\nofind"}, "nofind"));
    EXPECT_FALSE(FindCmdLineSwitch({"p", "-"}, "nofind"));
}

TEST_F(Driver, LongStatementsAreSplitAfter255Characters)
{
    for (std::size_t length : {254u, 255u, 256u, 400u}) {
        const std::pair<std::string, std::string> split = SplitSqlStatement(std::string(length, 'x'));
        EXPECT_EQ(split.first.size(), std::min<std::size_t>(length, 255)) << length;
        EXPECT_EQ(split.second.size(), length > 255 ? length - 255 : 0) << length;
    }

    // A statement of 300 characters merges whole.
    TestFolder();
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "Smit");
    const std::string where = "kand.txt.kand_nr = kand.txt.kand_nr" + std::string(200, ' ') + " AND kand.txt.naamkand = 'Smit'";
    WriteLayout("ZV02", "[GENERAL]\r\ndoctitle=ja\r\n[SQL]\r\nselect=*\r\nfrom=kand.txt, lijst.txt\r\nwhere=" + where + "\r\n");
    TRecordingWord recording(word);
    Start("ZV02", &recording);
    ASSERT_EQ(recording.Sources.size(), 1u);
    EXPECT_EQ(recording.Sources[0].SQLStatement.size(), 255u);
    EXPECT_EQ(recording.Sources[0].SQLStatement + recording.Sources[0].SQLStatement1,
              "SELECT * FROM kand.txt, lijst.txt WHERE " + where);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(Count(Xml(0), ">Smit<"), 1);
    EXPECT_EQ(Count(Xml(0), "Jansen"), 0);
    // A doctitle keeps the caption the merge gave.
    EXPECT_EQ(word.Document(word.DocumentsCount()).Caption.rfind("Standaardbrieven", 0), 0u);
}

TEST_F(Driver, ANameWithAnApostropheFillsThePlaceholderOfEachDocument)
{
    TestFolder();
    AddKandidaat("1", "D'Hondt");
    AddKandidaat("2", "van 't Hof");
    AddKandidaat("3", "Smit");
    WriteLayout("ZV02", "[GENERAL]\r\nmultirun=K\r\n[KAND OPTIONS]\r\nselectie=Y\r\n[SQL]\r\nselect=*\r\n"
                        "from=kand.txt, lijst.txt\r\nwhere=kand.txt.naam LIKE rtrim(@naamkand) || '%'\r\n");
    ErrorBox box;
    ModalAnswer selection(Choose({0, 0, 0}));
    ModalAnswer error(ReadErrorBox(box));
    Start("ZV02");
    EXPECT_FALSE(box.shown) << box.message;
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV02 - 1 - D'Hondt, A. (Anna).docx",
                                                       "ZV02 - 2 - van 't Hof, A. (Anna.docx",
                                                       "ZV02 - 3 - Smit, A. (Anna).docx"}));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Count(Xml(i), "Hondt"), i == 0 ? 1 : 0);
        EXPECT_EQ(Count(Xml(i), "t Hof"), i == 1 ? 1 : 0);
        EXPECT_EQ(Count(Xml(i), ">Smit<"), i == 2 ? 1 : 0);
    }
}

TEST_F(Driver, FormsFolderWithLettersOutsideAscii)
{
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "Smit");
    for (const QString& name : FolderNamesOutsideAscii()) {
        SCOPED_TRACE(name.toStdString());
        const QString folder = TestFolder(name + "/FORMS");
        ASSERT_TRUE(QFile::copy(QString(ZORVANDEL_FORMS_DIR) + "ZV/ZV_FORMS.DAT", folder + "ZV/ZV_FORMS.DAT"));
        opened.clear();
        auto catalogue = TBaseForm::Create<TfrmSelFormulier>();
        catalogue->StartForm = [this](const std::string& code) { Start(code); };
        catalogue->Init("ZV", FormsDir);
        ASSERT_EQ(catalogue->tvFormulieren->topLevelItem(0)->text(0), "Kandidaatstelling");
        ErrorBox box;
        {
            ModalAnswer error(ReadErrorBox(box));
            Start("ZV01");
        }
        {
            ModalAnswer selection(Choose({1}));
            ModalAnswer error(ReadErrorBox(box));
            Start("ZV02");
        }
        {
            ModalAnswer fields([](QWidget* window) {
                QTest::keyClick(window->focusWidget(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(window->focusWidget(), "7");
                QTest::keyClick(window->focusWidget(), Qt::Key_Return);
            });
            ModalAnswer error(ReadErrorBox(box));
            Start("ZV03");
        }
        EXPECT_FALSE(box.shown) << box.message;
        // A name already taken in the private folder gets a number.
        ASSERT_EQ(OpenedNames().size(), 3u);
        EXPECT_EQ(OpenedNames()[0].rfind("ZV01", 0), 0u);
        EXPECT_EQ(OpenedNames()[1].rfind("ZV02 - 2 - Smit, A. (Anna)", 0), 0u);
        EXPECT_EQ(OpenedNames()[2].rfind("ZV03", 0), 0u);
        EXPECT_EQ(Count(Xml(0), ">Jansen<"), 1);
        EXPECT_EQ(Count(Xml(1), ">Smit<"), 1);
        // The documents lie in the private temporary folder; the extra field is kept in the forms folder.
        for (const QString& path : opened)
            EXPECT_TRUE(path.startsWith(GetQuandorTempDirectory())) << path.toStdString();
        EXPECT_NE(ReadFileBytes(folder + "FORMVARS.INI").find("briefnr(AUTONUM)=7"), std::string::npos);
    }
}

// The same forms run by a copy of this program whose temporary and configuration folders lie under
// such names.
TEST(FoldersOutsideAscii, TheFormsRunUnderSuchATemporaryFolder)
{
    for (const QString& name : FolderNamesOutsideAscii()) {
        SCOPED_TRACE(name.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString tmp = dir.filePath("tmp " + name);
        ASSERT_TRUE(QDir().mkpath(tmp));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", tmp);
        const TChildRun run =
            RunThisTest("Driver.FormsFolderWithLettersOutsideAscii:Driver.TheCallsInTheirOrder", {}, environment);
        EXPECT_TRUE(run.Passed()) << run.Output;
        EXPECT_NE(run.Output.find("[  PASSED  ] 2 tests"), std::string::npos) << run.Output;
    }
}

TEST_F(Driver, EveryFailureShowsItsMessage)
{
    AddKandidaat("1", "Jansen");
    const std::string dataFolder = GetQuandorTempDirectory().toStdString();
    const std::string noRecords = "Er zijn geen of onvoldoende gegevens beschikbaar voor dit formulier. \n"
                                  "Mogelijkerwijs zijn er nog lijsten zonder kandidaten of bureau's zonder bureauleden.";
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::string title, message;
        bool connected; // whether the word processor was reached
    } cases[] = {
        {"missing template", [&] { QFile::remove(TemplatePath("ZV01")); }, "Start formulier",
         "De sjabloon voor dit formulier kon niet worden gevonden. Controleer of u de laatste update goed heeft " + Installed,
         false},
        {"missing layout", [&] { QFile::remove(FormsDir + "ZV/FORMDAT/ZV01.dat"); }, "Start formulier",
         "Het opmaakbestand voor dit formulier kon niet worden gevonden. Controleer of u de laatste update goed heeft "
             + Installed,
         false},
        {"SQL error", [&] { WriteLayout("ZV01", "[SQL]\r\nselect=kand_nr\r\nfrom=kand.txt WHERE\r\n"); }, "Start formulier",
         "De gegevensbron kan niet worden geopend\n\nEr zit een syntactische fout in de SQL query. Controleer of de "
         "ODBC-drivers zijn " + Installed,
         true},
        {"empty result", [&] { WriteLayout("ZV01", "[SQL]\r\nselect=*\r\nfrom=kand.txt\r\nwhere=naamkand = 'Niemand'\r\n"); },
         "Start formulier", noRecords, true},
        {"data file that cannot be written",
         [&] {
             QFile::remove(QString::fromStdString(dataFolder + "kand2.txt"));
             ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dataFolder + "kand2.txt")));
         },
         "StartTemplate: ",
         "KandidatenToTextFile: File access denied" + HelpdeskTail, false},
        {"template not protected",
         [&] { MakeWordPackage(Para("Geen beveiliging")).Save(TemplatePath("ZV01")); }, "Start formulier",
         "De sjabloon is niet beveiligd." + TemplateTail, true},
        {"template not a valid package", [&] { WriteFileBytes(TemplatePath("ZV01"), "Dit is geen document.\r\n"); },
         "StartTemplate: ", "(package)", true},
        {"template part named outside ASCII",
         [&] {
             TWordPackage package = TWordPackage::Load(TemplatePath("ZV01"));
             const std::string rels = package.Part("word/_rels/document.xml.rels");
             package.SetPart("word/_rels/document.xml.rels", rels.substr(0, rels.find("settings.xml")) + "caf\xC3\xA9.xml"
                                 + rels.substr(rels.find("settings.xml") + 12));
             package.SetPart("word/caf\xC3\xA9.xml", "<w:settings><kapot>");
             package.Save(TemplatePath("ZV01"));
         },
         "StartTemplate: ",
         "Het onderdeel word/caf\xE9.xml van het document is beschadigd: een eindtag die niet bij de begintag past"
             + HelpdeskTail,
         true},
        {"template naming a part twice",
         [&] {
             TWordPackage package = TWordPackage::Load(TemplatePath("ZV01"));
             package.SetPart("word/documenX.xml", package.Part("word/document.xml") + " ");
             package.Save(TemplatePath("ZV01"));
             ASSERT_TRUE(RenameEntries(TemplatePath("ZV01"), {{"word/documenX.xml", "word/document.xml"}}));
         },
         "StartTemplate: ",
         "Het bestand (template) is beschadigd: het onderdeel word/document.xml staat er "
             "twee keer in" + HelpdeskTail,
         true},
        {"no select", [&] { WriteLayout("ZV01", "[SQL]\r\nfrom=kand.txt\r\n"); }, "StartTemplate: ",
         "Missing SQL statement in ZV01.dat" + HelpdeskTail, false},
        {"unknown pass kind", [&] { WriteLayout("ZV01", "[GENERAL]\r\nmultirun=X\r\n[SQL]\r\nselect=*\r\nfrom=kand.txt\r\n"); },
         "StartTemplate: ", "Ongeldige multirun specifier in formulieropmaakbestand: \nGebruik L, K, C, B, S of N" + HelpdeskTail,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder();
        c.prepare();
        ErrorBox box;
        ModalAnswer answer(ReadErrorBox(box));
        TRecordingWord recording(word);
        Start("ZV01", &recording);
        QDir(QString::fromStdString(dataFolder + "kand2.txt")).removeRecursively();
        EXPECT_TRUE(box.shown);
        EXPECT_EQ(box.title, c.title);
        if (c.message == "(package)") {
            EXPECT_NE(box.message.find("ZV01.dot"), std::string::npos) << box.message;
            EXPECT_EQ(box.message.substr(box.message.size() - HelpdeskTail.size()), HelpdeskTail);
        } else {
            std::string message = c.message; // "(template)" stands for the template's path
            if (const auto at = message.find("(template)"); at != std::string::npos)
                message.replace(at, 10, QStringToAnsi(TemplatePath("ZV01")));
            EXPECT_EQ(box.message, message);
        }
        EXPECT_EQ(!recording.Calls.empty(), c.connected);
        // Once connected, the word processor is shown, with no template left open.
        if (c.connected) {
            const Lines end(recording.Calls.end() - 3, recording.Calls.end());
            EXPECT_EQ(end, (Lines{"Visible true", "Activate", "WindowState 1"}));
            for (int i = 1; i <= word.DocumentsCount(); ++i)
                EXPECT_NE(word.DocumentName(i), "ZV01.dot");
        }
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(dlgGauge, nullptr);
    }
}

// A desktop without a runtime folder, TMPDIR a folder that every user writes into, as /tmp is, and
// there the private folder's old name taken first by another user (a link of theirs, or as root
// can show, a folder of theirs): the form is made all the same, and its data and document stand
// in the user's own cache folder, the user's alone, with nothing in the other user's place.
TEST_F(Driver, WithThePrivateFoldersOldNameTakenFormsAreMadeAndStayPrivate)
{
    AddKandidaat("1", "Jansen");
    QTemporaryDir top;
    const QString shared = top.filePath("tmp"), theirs = top.filePath("theirs"), cache = top.filePath("cache");
    const QString name = "zorvandel-" + QString::number(::geteuid());
    for (const QString& folder : {shared, theirs})
        ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(theirs).constData(), 0777), 0);
    const EnvironmentScope env{{"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", QFile::encodeName(shared)},
                               {"XDG_CACHE_HOME", QFile::encodeName(cache)}};
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::mkdir(QFile::encodeName(shared + "/" + name).constData(), 0777), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(shared + "/" + name).constData(), 0777), 0);
        ASSERT_EQ(::chown(QFile::encodeName(shared + "/" + name).constData(), 65534, 65534), 0);
    } else {
        ASSERT_TRUE(QFile::link(theirs, shared + "/" + name));
    }
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    TRecordingWord recording(word);
    Start("ZV01", &recording);
    EXPECT_FALSE(box.shown) << box.message;

    const QString own = cache + "/" + name + "/";
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV01.docx"}));
    EXPECT_EQ(opened[0], own + "ZV01.docx");
    ASSERT_EQ(recording.Sources.size(), 1u);
    EXPECT_EQ(recording.Sources[0].Name, QFile::encodeName(own).toStdString());
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(own).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    for (const char* file : {"lijst.txt", "kand.txt", "overig.txt", "SCHEMA.INI", "ZV01.docx"}) {
        ASSERT_EQ(::lstat(QFile::encodeName(own + file).constData(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << file;
    }
    EXPECT_NE(ReadFileBytes(own + "kand.txt").find("Jansen"), std::string::npos);
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(theirs).entryList(all), QStringList{});
    if (asRoot)
        EXPECT_EQ(QDir(shared + "/" + name).entryList(all), QStringList{});
    else
        EXPECT_EQ(QFileInfo(shared + "/" + name).symLinkTarget(), theirs);
}

// A private folder that no copy of the program can lock (no flock, and no lock file in its
// place) ends the request with that failure before any data file is written.
TEST_F(Driver, APrivateFolderThatCannotBeLockedEndsTheRequestWithItsFailure)
{
    AddKandidaat("1", "Jansen");
    const QString folder = GetQuandorTempDirectory();
    QFile::remove(folder + "kand.txt");
    ASSERT_TRUE(QDir(folder).mkdir(TFolderLock::LockFileName));
    {
        const FlockFailure noLocks(ENOLCK);
        ErrorBox box;
        ModalAnswer answer(ReadErrorBox(box));
        TRecordingWord recording(word);
        Start("ZV01", &recording);
        EXPECT_EQ(box.title, "StartTemplate: ");
        EXPECT_EQ(box.message, "De map " + QStringToAnsi(folder) + " kan niet worden vergrendeld (foutcode 21)" + HelpdeskTail);
        EXPECT_TRUE(recording.Calls.empty());
    }
    ASSERT_TRUE(QDir(folder).rmdir(TFolderLock::LockFileName));
    EXPECT_FALSE(QFileInfo::exists(folder + "kand.txt"));
    EXPECT_TRUE(opened.empty());

    // Where only flock fails, the lock file serves.
    const FlockFailure nfs(EBADF);
    Start("ZV01");
    EXPECT_EQ(OpenedNames(), (std::vector<std::string>{"ZV01.docx"}));
}

// A copy killed while it saved its documents left them half-written in the private folder; the next
// form removes them, holding the folder, and only them.
TEST_F(Driver, TheNextFormRemovesTheHalfWrittenDocumentsOfAKilledCopy)
{
    AddKandidaat("1", "Jansen");
    const QString folder = PrivateTempFolder() + "/";
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("bewaard.docx");
    ASSERT_TRUE(WriteFileBytes(target, "bewaard"));
    const QStringList leftovers = {".4242-0.docx.tmp", ".4242-1.docx.tmp.a1B2c3", ".17-12.docx.tmp.QWERTY"};
    for (const QString& name : leftovers) {
        ASSERT_TRUE(WriteFileBytes(folder + name, "PK half"));
        ASSERT_TRUE(QFile::setPermissions(folder + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    const QStringList others = {"notities.docx", ".4242-0.docx.tmp.old", "x.4242-0.docx.tmp", ".4242-0.docx.tmpx"};
    for (const QString& name : others)
        ASSERT_TRUE(WriteFileBytes(folder + name, "van de gebruiker"));
    ASSERT_TRUE(QFile::link(target, folder + ".4242-2.docx.tmp"));
    ASSERT_TRUE(QDir(folder).mkdir(".4242-3.docx.tmp"));
    const bool root = ::geteuid() == 0; // then another user's file can stand there too
    if (root) {
        ASSERT_TRUE(WriteFileBytes(folder + ".4242-4.docx.tmp", "van een ander"));
        ASSERT_EQ(::chown(QFile::encodeName(folder + ".4242-4.docx.tmp").constData(), 65534, 65534), 0);
    }

    Start("ZV01");
    EXPECT_EQ(OpenedNames(), (std::vector<std::string>{"ZV01.docx"}));
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFileInfo::exists(folder + name)) << name.toStdString();
    for (const QString& name : others) {
        EXPECT_EQ(ReadFileBytes(folder + name), "van de gebruiker") << name.toStdString();
        QFile::remove(folder + name);
    }
    EXPECT_TRUE(QFileInfo(folder + ".4242-2.docx.tmp").isSymLink());
    EXPECT_EQ(ReadFileBytes(target), "bewaard");
    EXPECT_TRUE(QFileInfo(folder + ".4242-3.docx.tmp").isDir());
    QFile::remove(folder + ".4242-2.docx.tmp");
    QDir(folder).rmdir(".4242-3.docx.tmp");
    if (root) {
        EXPECT_EQ(ReadFileBytes(folder + ".4242-4.docx.tmp"), "van een ander");
        QFile::remove(folder + ".4242-4.docx.tmp");
    }
}

// Text from the list reads in a message as it stands, even where its bytes look like a path's.
TEST_F(Driver, ACandidateNumberInAMessageReadsAsItStands)
{
    AddKandidaat("\x81" "A;", "Jansen");
    ErrorBox box;
    ModalAnswer selection(Choose({0}));
    ModalAnswer error(ReadErrorBox(box));
    Start("ZV02");
    EXPECT_EQ(box.message, "KandidatenToDataset: '\x81" "A;' is not a valid integer value" + HelpdeskTail);
    EXPECT_TRUE(opened.empty());
}

// A bound of the text driver that stops a form is shown as that bound, not as a fault in the
// statement: 100,001 candidates and the end record are more rows than a statement may give.
TEST_F(Driver, ABoundOfTheDataSourceIsShownAsThatBound)
{
    for (int nr = 1; nr <= 100001; ++nr)
        AddKandidaat(std::to_string(nr % 1000), "Naam");
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    Start("ZV01");
    EXPECT_EQ(box.title, "StartTemplate: ");
    EXPECT_EQ(box.message, "De SQL query is afgebroken: het resultaat heeft meer dan 100.000 rijen." + HelpdeskTail);
    EXPECT_TRUE(opened.empty());
}

// Memory that runs out is shown in words, never as "std::bad_alloc".
TEST_F(Driver, MemoryThatRunsOutIsShownInWords)
{
    AddKandidaat("1", "Jansen");
    struct TOutOfMemory : TRecordingWord {
        using TRecordingWord::TRecordingWord;
        void ExecuteMailMerge(bool) override { throw std::bad_alloc(); }
    } outOfMemory(word);
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    Start("ZV01", &outOfMemory);
    EXPECT_EQ(box.title, "Start formulier");
    EXPECT_EQ(box.message, "Er is onvoldoende geheugen om dit formulier te maken. Mogelijk is een bestand in de map "
                           "FORMS beschadigd of te groot. Neem contact op met de Quandor helpdesk.");
    EXPECT_TRUE(opened.empty());
}

TEST_F(Driver, ADocumentThatNoApplicationOpensIsReportedWithItsPlace)
{
    AddKandidaat("1", "Jansen");
    // The desktop's opener fails, as xdg-open does on a name that its locale cannot handle.
    QTemporaryDir bin;
    ASSERT_TRUE(WriteFileBytes(bin.filePath("xdg-open"), "#!/bin/sh\nexit 2\n"));
    ASSERT_TRUE(QFile::setPermissions(bin.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner));
    struct PathGuard {
        QByteArray saved = qgetenv("PATH");
        ~PathGuard() { qputenv("PATH", saved); }
    } guard;
    qputenv("PATH", bin.path().toUtf8());

    TWordProcessor desktop(OpenWithDesktop);
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    Start("ZV01", &desktop);
    const std::string path = QStringToAnsi(PrivateTempFolder() + "/ZV01.docx");
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.title, "StartTemplate: ");
    EXPECT_EQ(box.message, "Het document is bewaard als " + path + ", maar kon niet worden geopend: er kon geen programma "
                           "voor .docx-documenten worden gestart." + HelpdeskTail);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
}

TEST_F(Driver, WithoutAWordProcessorTheLinkCannotBeMade)
{
    AddKandidaat("1", "Jansen");
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    StartTemplateWith("ZV01", {[] { return nullptr; }, [] { return Lines{"Zorvandel"}; }});
    EXPECT_EQ(box.title, "StartTemplate: ");
    EXPECT_EQ(box.message, "Kon geen Word koppeling maken" + HelpdeskTail);
}

TEST_F(Driver, ExtraFieldsAreAskedForEveryRepetitionUntilCancelled)
{
    TestFolder();
    for (const char* nr : {"1", "2", "3"})
        AddKandidaat(nr, "Jansen");
    WriteLayout("ZV03", "[GENERAL]\r\nautoloop=Y\r\n[FIELDS]\r\nbriefnr(AUTONUM)=Volgnummer\r\nzitting=Zitting\r\n"
                        "[SQL]\r\nselect=*\r\nfrom=lijst.txt, overig.txt\r\n");
    int asked = 0;
    auto fill = [&asked](QWidget* window) {
        ++asked;
        const QList<QLineEdit*> edits = window->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 2);
        edits[1]->setText("zitting " + QString::number(asked));
        QTest::mouseClick(window->findChildren<QPushButton*>().at(0), Qt::LeftButton);
    };
    ModalAnswer first(fill);
    ModalAnswer second(fill);
    ModalAnswer cancel(ModalAnswer::PressKey(Qt::Key_Escape));
    Start("ZV03");
    EXPECT_TRUE(cancel.Seen().shown);
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV03.docx", "ZV03 (2).docx"}));
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string xml = Xml(i);
        EXPECT_EQ(Count(xml, ">" + std::to_string(i + 1) + "<"), 1) << "briefnr";
        EXPECT_EQ(Count(xml, ">zitting " + std::to_string(i + 1) + "<"), 1);
        EXPECT_EQ(Count(xml, ">Zorvandel Partij<"), 2);
        EXPECT_EQ(Count(xml, "<w:ffData>"), 1);
    }
}

TEST_F(Driver, AutoloopWithoutExtraFieldsRunsOnce)
{
    TestFolder();
    AddKandidaat("1", "Jansen");
    WriteLayout("ZV01", "[GENERAL]\r\nautoloop=Y\r\n[KAND OPTIONS]\r\neof_record=Y\r\n[SQL]\r\nselect=*\r\nfrom=kand.txt\r\n");
    Start("ZV01");
    EXPECT_EQ(OpenedNames(), (std::vector<std::string>{"ZV01.docx"}));
}

TEST_F(Driver, CancellingWritesNothingAndShowsNothing)
{
    AddKandidaat("1", "Jansen");
    const QString kand = GetQuandorTempDirectory() + "kand.txt";
    QFile::remove(kand);
    {
        ModalAnswer selection(ModalAnswer::PressKey(Qt::Key_Escape));
        ModalAnswer nothingElse(ModalAnswer::Close());
        Start("ZV02");
        EXPECT_TRUE(selection.Seen().shown);
        EXPECT_FALSE(nothingElse.Seen().shown);
    }
    TestFolder();
    {
        ModalAnswer fields(ModalAnswer::PressKey(Qt::Key_Escape));
        ModalAnswer nothingElse(ModalAnswer::Close());
        Start("ZV03");
        EXPECT_TRUE(fields.Seen().shown);
        EXPECT_FALSE(nothingElse.Seen().shown);
    }
    EXPECT_FALSE(QFileInfo::exists(kand));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(word.DocumentsCount(), 0);
}

// The second copy of the program for TwoCopiesMakeFormsOneAfterTheOther: it starts the same form
// while the first copy is making it in the same private folder.
TEST_F(Driver, SecondCopyStartingAForm)
{
    const char* tmp = std::getenv("ZORVANDEL_FIRST_COPY_TMPDIR");
    if (!tmp)
        GTEST_SKIP() << "run as a copy of the program by TwoCopiesMakeFormsOneAfterTheOther";
    setenv("TMPDIR", tmp, 1);
    setenv("XDG_RUNTIME_DIR", std::getenv("ZORVANDEL_FIRST_COPY_RUNTIME"), 1);
    FormsDir = std::getenv("ZORVANDEL_FIRST_COPY_FORMS");
    PartijList->Items(0)->StatuNaam = "Tweede Partij";
    ErrorBox box;
    ModalAnswer answer(ReadErrorBox(box));
    Start("ZV03");
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.title, "Start formulier");
    EXPECT_EQ(box.message, AnotherFormText);
    EXPECT_TRUE(opened.empty());
}

TEST_F(Driver, TwoCopiesMakeFormsOneAfterTheOther)
{
    TestFolder();
    WriteLayout("ZV03", "[FIELDS]\r\nzitting=Zitting\r\n[SQL]\r\nselect=*\r\nfrom=lijst.txt, overig.txt\r\n");
    const QString kand = GetQuandorTempDirectory() + "kand.txt";
    QFile::remove(kand);
    int secondCopy = -1;
    ModalAnswer fields([&](QWidget* window) {
        // The first copy is asking for its extra fields: the second one starts the same form now.
        QProcess copy;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVANDEL_FIRST_COPY_TMPDIR", QDir::tempPath());
        env.insert("ZORVANDEL_FIRST_COPY_RUNTIME", qEnvironmentVariable("XDG_RUNTIME_DIR"));
        env.insert("ZORVANDEL_FIRST_COPY_FORMS", FormsDir);
        copy.setProcessEnvironment(env);
        copy.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=Driver.SecondCopyStartingAForm"});
        if (copy.waitForFinished(100000))
            secondCopy = copy.exitCode();
        EXPECT_EQ(secondCopy, 0) << copy.readAllStandardOutput().toStdString();
        EXPECT_FALSE(QFileInfo::exists(kand)) << "the second copy wrote its data files";
        QTest::mouseClick(window->findChildren<QPushButton*>().at(0), Qt::LeftButton);
    });
    Start("ZV03");
    EXPECT_EQ(secondCopy, 0);
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV03.docx"}));
    EXPECT_EQ(Count(Xml(0), ">Zorvandel Partij<"), 2);
    EXPECT_EQ(Count(Xml(0), "Tweede"), 0);

    // Once the first copy is done, the folder is free again.
    const TFolderLock after(QFile::encodeName(GetQuandorTempDirectory()).toStdString(), TFolderLock::TWait::DontWait);
    EXPECT_TRUE(after.Held());
}

TEST_F(Driver, PerCandidateWithoutCandidatesMakesADocumentOnlyWhenEmptyIsSet)
{
    TestFolder();
    AddKandidaat("1", "Jansen");
    for (const bool empty : {false, true}) {
        opened.clear();
        word.SetWindowState(wdWindowStateNormal);
        WriteLayout("ZV02", std::string("[GENERAL]\r\nmultirun=k\r\nempty=") + (empty ? "y" : "N") +
                                "\r\n[SQL]\r\nselect=*\r\nfrom=lijst.txt\r\nwhere=@kand_nr = '000' AND '" +
                                std::string(20, ' ') + "' = @naamkand\r\n");
        Start("ZV02");
        EXPECT_EQ(OpenedNames(), empty ? std::vector<std::string>{"ZV02 -  -.docx"} : std::vector<std::string>{});
        EXPECT_EQ(word.WindowState(), wdWindowStateMaximize);
        EXPECT_TRUE(word.Visible());
    }
}

TEST(WordDocuments, ByNameFromTheLastOneOpened)
{
    QTemporaryDir dir;
    for (const char* name : {"a.dot", "A.dot"})
        MakeWordPackage(Para(name)).Save(dir.filePath(name));
    TWordProcessor word([](const QString&) { return true; });
    TRecordingWord recording(word);
    CloseWordDocument(recording, "/x/a.dot");
    ActivateWordDocument(recording, "a.dot");
    EXPECT_EQ(recording.Calls, (Lines{"Documents.Count", "Documents.Count"}));

    // Two documents of one name (a merged one is named by the merge): only the later one is closed.
    word.OpenDocument(dir.filePath("a.dot").toStdString());
    word.OpenDocument(dir.filePath("A.dot").toStdString());
    ASSERT_EQ(word.DocumentsCount(), 2);
    word.Document(2).Name = "a.dot";
    word.Document(2).Caption = "second";
    recording.Calls.clear();
    ActivateWordDocument(recording, "a.dot");
    EXPECT_EQ(word.ActiveDocument()->Caption, "second");
    CloseWordDocument(recording, dir.filePath("a.dot").toStdString());
    EXPECT_EQ(recording.Calls, (Lines{"Documents.Count", "Item 2.Name", "Item 2.Activate", "Documents.Count", "Item 2.Name",
                                      "Item 2.Close 0"}));
    ASSERT_EQ(word.DocumentsCount(), 1);
    // A name that differs in case only is left alone.
    CloseWordDocument(recording, "/y/A.DOT");
    EXPECT_EQ(word.DocumentsCount(), 1);
    EXPECT_EQ(WordDocumentName("/a/b/c.dot"), "c.dot");
    EXPECT_EQ(WordDocumentName("c.dot"), "c.dot");
    EXPECT_EQ(WordDocumentName("Standaardbrieven1"), "Standaardbrieven1");
}

} // namespace

namespace {

// Text of a flat OpenDocument file without its markup.
std::string BodyText(const std::string& fodt)
{
    std::string text;
    const std::size_t body = fodt.find("<office:body");
    bool inTag = false;
    for (char c : fodt.substr(body == std::string::npos ? 0 : body)) {
        if (c == '<' || c == '>')
            inTag = c == '<';
        else if (!inTag)
            text += c;
    }
    return text;
}

TEST_F(Driver, AMergedFormOpensInLibreOfficeWithItsNamesFieldsAndProtection)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice Writer is not installed";
    AddKandidaat("7", "\xc7" "elik", "Emmen");
    ModalAnswer selection(Choose({0}));
    Start("ZV02");
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV02 - 7 - \xc3\x87" "elik, A. (Anna).docx"}));
    QTemporaryDir out;
    QString error;
    const QString fodt = OfficeConvert(opened[0], "fodt", out.path(), &error);
    ASSERT_FALSE(fodt.isEmpty()) << error.toStdString();
    const std::string xml = ReadFileBytes(fodt);
    const std::string text = BodyText(xml);
    EXPECT_NE(text.find("Verklaring van instemming"), std::string::npos);
    EXPECT_EQ(Count(text, "\xc3\x87" "elik"), 1) << text;
    EXPECT_EQ(Count(text, "Emmen"), 1);
    EXPECT_NE(text.find("7 op de kandidatenlijst met de aanduiding ZORVANDEL."), std::string::npos) << text;
    EXPECT_EQ(Count(text, "[*]"), 0);
    EXPECT_EQ(Count(xml, "field:type=\"vnd.oasis.opendocument.field.FORMTEXT\""), 3) << xml;
    EXPECT_NE(xml.find("<config:config-item config:name=\"ProtectForm\" config:type=\"boolean\">true</config:config-item>"),
              std::string::npos);
}

TEST_F(Driver, ATemplateSavedByWriterWorksOnceProtected)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice Writer is not installed";
    // Writer's own document: database fields of the data source's columns, a marker whose star is bold.
    QTemporaryDir out;
    const QString fodt = out.filePath("ZV02.fodt");
    ASSERT_TRUE(WriteFileBytes(fodt, R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:xsl-formatting-objects-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:automatic-styles><style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style></office:automatic-styles>
 <office:body><office:text>
  <text:p>Kandidaat <text:database-display text:table-name="kand.txt" text:table-type="table" text:column-name="kand_nr" text:database-name="Text Files">&lt;kand_nr&gt;</text:database-display>: <text:database-display text:table-name="kand.txt" text:table-type="table" text:column-name="naamkand" text:database-name="Text Files">&lt;naamkand&gt;</text:database-display></text:p>
  <text:p>Handtekening: [<text:span text:style-name="T1">*</text:span>]</text:p>
 </office:text></office:body>
</office:document>
)"));
    QString error;
    const QString docx = OfficeConvert(fodt, "docx", out.path(), &error);
    ASSERT_FALSE(docx.isEmpty()) << error.toStdString();
    TestFolder();
    QFile::remove(TemplatePath("ZV02"));
    ASSERT_TRUE(QFile::copy(docx, TemplatePath("ZV02")));
    AddKandidaat("1", "Jansen");
    AddKandidaat("2", "Smit");

    // As Writer saved it, the template carries no protection for forms.
    {
        ErrorBox box;
        ModalAnswer selection(Choose({1}));
        ModalAnswer answer(ReadErrorBox(box));
        Start("ZV02");
        EXPECT_EQ(box.title, "Start formulier");
        EXPECT_EQ(box.message, "De sjabloon is niet beveiligd." + TemplateTail);
        EXPECT_TRUE(opened.empty());
    }

    // Protected for form filling as our templates are, it merges as they do.
    {
        std::unique_ptr<TWordDocument> doc = TWordDocument::Open(TemplatePath("ZV02"));
        doc->Protect(wdAllowOnlyFormFields);
        doc->Package().Save(TemplatePath("ZV02"));
    }
    ModalAnswer selection(Choose({1}));
    Start("ZV02");
    ASSERT_EQ(OpenedNames(), (std::vector<std::string>{"ZV02 - 2 - Smit, A. (Anna).docx"}));
    const std::string xml = Xml(0);
    EXPECT_EQ(Count(xml, "MERGEFIELD"), 0);
    EXPECT_EQ(Count(xml, ">Smit<"), 1);
    EXPECT_EQ(Count(xml, ">  2<"), 1);
    EXPECT_EQ(Count(xml, "<w:ffData>"), 1);
    EXPECT_EQ(Count(xml, "formProt w:val=\"false\""), 0);
    EXPECT_EQ(Count(Xml(0, "word/settings.xml"), FormsProtectionXml), 1);
    const QString txt = OfficeConvert(opened[0], "txt:Text (encoded):UTF8", out.path(), &error);
    ASSERT_FALSE(txt.isEmpty()) << error.toStdString();
    EXPECT_NE(ReadFileBytes(txt).find("Kandidaat   2: Smit"), std::string::npos) << ReadFileBytes(txt);
}

} // namespace
