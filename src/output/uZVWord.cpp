#include "uZVWord.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "FolderLock.h"
#include "DataSet.h"
#include "StrFuncs.h"
#include "SysCalls.h"
#include "TrailingSlash.h"
#include "WordApplication.h"
#include "WordProcessor.h"
#include "ZEBMessages.h"
#include "fGauge.h"
#include "fWordSelectie.h"
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include <memory>

// ---- Word documents by name ----

std::string WordDocumentName(const std::string& FileName)
{
    const std::size_t slash = FileName.find_last_of('/');
    return slash == std::string::npos ? FileName : FileName.substr(slash + 1);
}

namespace {

// The highest index of an open document named like the file-name part of FileName, 0 when none.
int FindWordDocument(TWordApplication& word, const std::string& FileName)
{
    const std::string name = WordDocumentName(FileName);
    for (int i = word.DocumentsCount(); i >= 1; --i)
        if (word.DocumentName(i) == name)
            return i;
    return 0;
}

} // namespace

void CloseWordDocument(TWordApplication& WordApp, const std::string& FileName)
{
    if (const int i = FindWordDocument(WordApp, FileName))
        WordApp.CloseDocument(i, wdDoNotSaveChanges);
}

void ActivateWordDocument(TWordApplication& WordApp, const std::string& Name)
{
    if (const int i = FindWordDocument(WordApp, Name))
        WordApp.ActivateDocument(i);
}

// ---- The mail-merge driver ----

bool FindCmdLineSwitch(const std::vector<std::string>& Arguments, const std::string& Switch)
{
    const std::string wanted = UpperStr(Switch);
    for (std::size_t i = 1; i < Arguments.size(); ++i) {
        const std::string& arg = Arguments[i];
        if (!arg.empty() && (arg[0] == '-' || arg[0] == '/') && UpperStr(arg.substr(1)) == wanted)
            return true;
    }
    return false;
}

std::pair<std::string, std::string> SplitSqlStatement(const std::string& Sql)
{
    if (Sql.size() >= 255)
        return {Sql.substr(0, 255), Sql.substr(255)};
    return {Sql, {}};
}

namespace {

const char* const StartHeading = "Start formulier";
const char* const OutOfMemoryText = "Er is onvoldoende geheugen om dit formulier te maken. Mogelijk is een bestand in de "
                                    "map FORMS beschadigd of te groot. Neem contact op met de Quandor helpdesk.";

} // namespace

std::optional<TStartMessage> StartFailureMessage(const std::exception& e)
{
    if (dynamic_cast<const EAbort*>(&e))
        return std::nullopt;
    const std::string message = MessageOf(e);
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return TStartMessage{StartHeading, OutOfMemoryText};
    if (dynamic_cast<const EConvertError*>(&e))
        return TStartMessage{StartHeading, message + "\r\r" + "Controleer of het sjabloon nog openstaat in Word. " +
                                          "Sluit deze zonodig zonder de wijzigingen op te slaan. " +
                                          "Indien de fout zich blijft herhalen is het sjabloon beschadigd en dient u " +
                                          "contact op te nemen met de ORX."};
    if (dynamic_cast<const ENoRecords*>(&e))
        return TStartMessage{StartHeading, "Er zijn geen of onvoldoende gegevens beschikbaar voor dit formulier. \r"
                                      "Mogelijkerwijs zijn er nog lijsten zonder kandidaten of bureau's zonder bureauleden."};
    if (dynamic_cast<const EDataSourceFailed*>(&e))
        return TStartMessage{StartHeading, message + "\r\r" + "Er zit een syntactische fout in de SQL query. " +
                                          "Controleer of de ODBC-drivers zijn ge\xefnstalleerd."};
    return TStartMessage{"StartTemplate: ", message + "\r\r" + "De fout is opgetreden tijdens exporteren naar Word. " +
                                                "Sluit Word en probeer het opnieuw. Neem contact op met de " +
                                                "Quandor helpdesk indien de fout zich blijft herhalen."};
}

TTemplateEnvironment ProgramEnvironment(TWordConnection& Word)
{
    return {[&Word] { return Word.Connect(); }, [] {
                std::vector<std::string> arguments;
                for (const QString& arg : QCoreApplication::arguments())
                    arguments.push_back(QStringToAnsi(arg));
                return arguments;
            }};
}

QString ProgramFormsFolder()
{
    return FormsDir;
}

int PassCount(TPassKind Kind, int Candidates, bool Empty)
{
    if (Kind == TPassKind::Single)
        return 1;
    return Candidates == 0 && Empty ? 1 : Candidates;
}

std::string DocumentTitle(const std::string& Caption, const std::string& Code, bool DocTitleEmpty,
                          const std::optional<TCandidateTitle>& Candidate)
{
    std::string title = DocTitleEmpty ? Code : Caption;
    if (Candidate)
        title += " - " + Candidate->Number + " - " + Candidate->Name;
    return title;
}

namespace {

// An error box of the request, with the normal cursor over it.
void ShowStartError(const std::string& title, const std::string& text)
{
    ShowModalWithNormalCursor([&] {
        ShowErrorMessage(title, text);
        return 0;
    });
}

// The progress window, dlgGauge while it lives.
class TGaugeProgress : public TFormProgress {
public:
    explicit TGaugeProgress(QWidget* owner) : gauge_(new TdlgGauge(owner)) { dlgGauge = gauge_.get(); }
    ~TGaugeProgress() override { dlgGauge = nullptr; }

    void Begin(int documents, const std::string& text) override
    {
        gauge_->ProgressBar->setRange(0, documents);
        gauge_->ProgressBar->setValue(0);
        gauge_->Message->setText(AnsiToQString(text));
        gauge_->Initialize();
        gauge_->ShowNow();
    }
    void Step(const std::string& text) override { gauge_->ShowStep(AnsiToQString(text)); }
    void Made(int documents) override { gauge_->ProgressBar->setValue(documents); }

private:
    const std::unique_ptr<TdlgGauge> gauge_;
};

// One request's working objects and settings.
class TTemplateRun {
public:
    TTemplateRun(const std::string& code, const TTemplateEnvironment& environment, TFormProgress& progress)
        : code_(code), environment_(environment), progress_(progress), formsFolder_(environment.FormsFolder()),
          templateName_(code + ".dot"), templatePath_(formsFolder_ + "ZV/TEMPLATE/" + AnsiToQString(templateName_)),
          layoutPath_(formsFolder_ + "ZV/FORMDAT/" + AnsiToQString(code + ".dat")), layout_(layoutPath_)
    {
    }

    // The steps up to the first repetition; false when the request ends with a message.
    bool Prepare()
    {
        if (!QFileInfo(templatePath_).isFile()) {
            ShowStartError(StartHeading, "De sjabloon voor dit formulier kon niet worden gevonden. "
                                           "Controleer of u de laatste update goed heeft ge\xefnstalleerd.");
            return false;
        }
        if (!QFileInfo(layoutPath_).isFile()) {
            ShowStartError(StartHeading, "Het opmaakbestand voor dit formulier kon niet worden gevonden. "
                                           "Controleer of u de laatste update goed heeft ge\xefnstalleerd.");
            return false;
        }
        // The data files of the private folder are this request's until it ends.
        folderLock_ = std::make_unique<TFolderLock>(QFile::encodeName(environment_.TempFolder()).toStdString(),
                                                     TFolderLock::TWait::DontWait);
        if (folderLock_->Busy()) {
            ShowStartError(StartHeading, AnotherFormText);
            return false;
        }
        RemovePartialDocuments(environment_.TempFolder());
        empty_ = layout_.Empty();
        eofRecord_ = layout_.EofRecord();
        if (layout_.Selectie() && !ShowModalWithNormalCursor([this] { return int(environment_.SelectCandidates(selection_)); }))
            throw EAbort("user abort");
        return true;
    }

    // One run: extra fields, data files, the passes.  Returns whether the run asks to be repeated.
    bool Run()
    {
        layout_.ReadFields(fields_);
        if (!fields_.empty() && ShowModalWithNormalCursor([this] { return environment_.AskExtraFields(fields_); }) == 2)
            throw EAbort("User abort");
        QCoreApplication::processEvents();

        const std::string sql = layout_.SqlStatement();
        const TPassKind kind = layout_.PassKind();
        const bool perCandidate = kind == TPassKind::PerCandidate;
        int candidates = 0;
        if (perCandidate) {
            KandidatenToDataset(kandidaten_, selection_);
            candidates = kandidaten_.RecordCount();
        }

        progress_.Begin(perCandidate ? candidates : 1, "Export naar Word - Ophalen gegevens");
        const bool autoLoop = layout_.AutoLoop();

        const QString dataFolder = WriteMergeDataFiles(environment_.TempFolder(), &selection_, eofRecord_, fields_);

        progress_.Step("Export naar Word - Openen Word");
        TWordApplication* word = environment_.ConnectWord();
        if (!word)
            throw Exception("Kon geen Word koppeling maken");
        word->SetWindowState(wdWindowStateNormal);
        word->SetVisible(false);

        if (perCandidate)
            kandidaten_.First();
        const int passes = PassCount(kind, candidates, empty_);
        try {
            for (int i = 1; i <= passes; ++i)
                Pass(*word, i, sql, dataFolder, perCandidate);
        } catch (...) {
            ShowWord(*word);
            throw;
        }
        ShowWord(*word);
        // Without extra fields there is no dialog whose cancel would end the repetition.
        return autoLoop && !fields_.empty();
    }

private:
    void Pass(TWordApplication& word, int i, const std::string& sql, const QString& dataFolder, bool perCandidate)
    {
        CloseWordDocument(word, templateName_);
        progress_.Step("Export naar Word - Aanmaken formulier");
        word.OpenDocument(QFile::encodeName(templatePath_).toStdString());
        try {
            word.Unprotect("");
        } catch (const std::exception&) {
            throw EConvertError("De sjabloon is niet beveiligd.");
        }

        const auto [statement, statement1] = SplitSqlStatement(perCandidate ? SubstituteSqlParams(sql, kandidaten_) : sql);
        progress_.Step("Export naar Word - Samenvoegen");
        TOpenDataSourceArgs source;
        // The word processor takes paths as the file system's bytes.
        const std::string folder = QFile::encodeName(WithTrailingSlash(dataFolder)).toStdString();
        source.Name = folder;
        source.Format = wdOpenFormatText;
        source.ConfirmConversions = false;
        source.ReadOnly = false;
        source.LinkToSource = true;
        source.AddToRecentFiles = false;
        source.Revert = false;
        source.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
        source.SQLStatement = statement;
        source.SQLStatement1 = statement1;
        word.OpenDataSource(source);
        word.SetMailMergeDestination(wdSendToNewDocument);
        word.SetMailAsAttachment(false);
        word.SetMailAddressFieldName("");
        word.SetMailSubject("");
        word.SetSuppressBlankLines(true);
        word.SetFirstRecord(1);
        word.SetLastRecord(1000000);
        word.ExecuteMailMerge(false);

        std::string title = word.ActiveWindowCaption();
        CloseWordDocument(word, templateName_);
        ActivateWordDocument(word, title);

        const std::vector<std::string> arguments = environment_.Arguments();
        const bool noFind = FindCmdLineSwitch(arguments, "nofind");
        if (!FindCmdLineSwitch(arguments, "noclearformat"))
            word.FindClearFormatting();
        if (!noFind) {
            TFindArgs find;
            find.FindText = "[*]";
            find.Forward = false;
            find.Wrap = wdFindContinue;
            find.Replace = wdReplaceNone;
            word.FindExecute(find);
            while (word.FindFound()) {
                word.AddFormField(wdFieldFormTextInput);
                word.FindExecute(find);
            }
            if (!FindCmdLineSwitch(arguments, "nohome"))
                word.HomeKey(wdStory);
        }
        word.Protect(wdAllowOnlyFormFields);

        std::optional<TCandidateTitle> candidate;
        if (perCandidate)
            candidate = TCandidateTitle{kandidaten_.Fields(0).AsString(), kandidaten_.Fields(1).AsString()};
        title = DocumentTitle(title, code_, layout_.DocTitleEmpty(), candidate);
        word.SetActiveWindowCaption(title);
        word.SetWindowState(wdWindowStateNormal);
        if (perCandidate)
            kandidaten_.Next();

        progress_.Made(i);
        progress_.Step("Aangemaakt: " + title);
    }

    // The end of the passes, also after a failure: the template closed, the documents shown.
    void ShowWord(TWordApplication& word)
    {
        CloseWordDocument(word, templateName_);
        word.SetVisible(true);
        word.Activate();
        word.SetWindowState(wdWindowStateMaximize);
    }

    std::string code_;
    const TTemplateEnvironment& environment_;
    TFormProgress& progress_;
    QString formsFolder_;
    std::string templateName_; // Windows-1252, as the word processor names the document
    QString templatePath_, layoutPath_;
    TFormLayout layout_;
    std::unique_ptr<TFolderLock> folderLock_;
    std::vector<std::string> fields_;
    std::vector<std::string> selection_;
    TDataSet kandidaten_;
    bool empty_ = false;
    bool eofRecord_ = false;
};

// Shows a failure of the request by its kind.
void ShowStartFailure(const std::exception& e, QWidget* programWindow)
{
    const std::optional<TStartMessage> shown = StartFailureMessage(e);
    if (!shown)
        return;
    if (programWindow) {
        programWindow->raise();
        programWindow->activateWindow();
    }
    ShowStartError(shown->Title, shown->Text);
}

} // namespace

std::unique_ptr<TFormProgress> ProgramProgress(QWidget* Owner)
{
    return std::make_unique<TGaugeProgress>(Owner);
}

void StartTemplateWith(const std::string& Code, const TTemplateEnvironment& Environment)
{
    const QPointer<QWidget> programWindow = QApplication::activeWindow();
    const std::unique_ptr<TFormProgress> progress = Environment.ShowProgress(programWindow);
    const TWaitCursor hourglass;
    try {
        TTemplateRun run(Code, Environment, *progress);
        if (!run.Prepare())
            return;
        while (run.Run()) {
        }
    } catch (const std::exception& e) {
        ShowStartFailure(e, programWindow);
    }
}

void StartTemplate(const std::string& Code)
{
    TWordConnection word;
    StartTemplateWith(Code, ProgramEnvironment(word));
}
