#pragma once
// The forms output's mail merge: the driver that merges a form's template in the word processor,
// with the data files (MergeDataFiles.h), the layout file (FormLayout.h) and the extra fields
// (ExtraFields.h) it uses.  Text is Windows-1252 throughout; paths are QStrings, and a std::string
// that names a file holds the file system's bytes for it (QFile::encodeName).

#include "ExtraFields.h"
#include "FormLayout.h"
#include "MergeDataFiles.h"
#include "fWordSelectie.h"
#include "uUtils.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;
// ---- Word documents by name ----

class TWordApplication;
class TWordConnection;

// The file-name part of a path: the text after its last "/", all of it without one.
std::string WordDocumentName(const std::string& FileName);

// Closes without saving the open document with the highest index whose name equals the file-name
// part of FileName (case counts); at most one.  The word processor's failures pass unchanged.
void CloseWordDocument(TWordApplication& WordApp, const std::string& FileName);
// Activates the open document with the highest index whose name equals the file-name part of Name.
void ActivateWordDocument(TWordApplication& WordApp, const std::string& Name);

// ---- The mail-merge driver ----

// Whether one of the program's arguments (Arguments[0] is the program itself) is "-" or "/"
// followed by Switch, without regard to case.
bool FindCmdLineSwitch(const std::vector<std::string>& Arguments, const std::string& Switch);

// The statement as the data source takes it: its first 255 characters and the rest.
std::pair<std::string, std::string> SplitSqlStatement(const std::string& Sql);

// The number of documents one run makes: one for a single pass; per candidate one for each of
// Candidates, and one without a candidate when there are none and the layout's empty flag is set.
int PassCount(TPassKind Kind, int Candidates, bool Empty);

// The caption of a merged document: the word processor's Caption, or Code when the layout's
// doctitle is empty; per candidate " - ", the candidate's number, " - " and name behind it.
struct TCandidateTitle {
    std::string Number, Name;
};
std::string DocumentTitle(const std::string& Caption, const std::string& Code, bool DocTitleEmpty,
                          const std::optional<TCandidateTitle>& Candidate);

// What the user sees of a request's progress.
class TFormProgress {
public:
    virtual ~TFormProgress() = default;
    // A run of Documents documents starts with Text as its step; shown at once.
    virtual void Begin(int Documents, const std::string& Text) = 0;
    // Text as the step, shown at once.
    virtual void Step(const std::string& Text) = 0;
    // The number of documents made so far.
    virtual void Made(int Documents) = 0;
};

// The program's own parts of the environment: FormsDir, and the progress window (dlgGauge while
// the request runs) over Owner.
QString ProgramFormsFolder();
std::unique_ptr<TFormProgress> ProgramProgress(QWidget* Owner);

// What the driver talks to: the word processor (null: none can be connected) and the program's
// arguments, asked anew in every pass; the forms folder (ending in "/") and the private temporary
// folder of the data files; the candidate selection (false after a cancel) and the extra fields
// (1 after OK, 2 after a cancel), both modal; and the progress of one request.  What is not given
// is the program's own.
struct TTemplateEnvironment {
    std::function<TWordApplication*()> ConnectWord;
    std::function<std::vector<std::string>()> Arguments;
    std::function<QString()> FormsFolder = ProgramFormsFolder;
    std::function<QString()> TempFolder = GetQuandorTempDirectory;
    std::function<bool(std::vector<std::string>& Selection)> SelectCandidates = SelectKandidaten;
    std::function<int(std::vector<std::string>& Fields)> AskExtraFields = GetNewVarValues;
    std::function<std::unique_ptr<TFormProgress>(QWidget* Owner)> ShowProgress = ProgramProgress;
};
// The word processor of Word's connection (started at the first pass that needs it and kept by the
// connection), the program's command line, and the rest of the program's own.
TTemplateEnvironment ProgramEnvironment(TWordConnection& Word);

// Produces the form Code from the forms folder: template ZV/TEMPLATE/<Code>.dot, layout file
// ZV/FORMDAT/<Code>.dat.  Asks for candidates and extra fields when the layout wants them, writes
// the data files into the private temporary folder, merges the template once (or once per chosen
// candidate for multirun "K") and leaves the merged documents, their "[*]" markers turned into text
// form fields and protected for form filling, shown by the word processor.  The switches
// noclearformat, nofind and nohome leave steps out.  A layout with autoloop "Y" repeats the whole
// run with new extra fields until their dialog is cancelled; without [FIELDS] it runs once.
// One request at a time holds the private temporary folder: while another copy of the program
// makes a form there, the request ends with AnotherFormText under the heading "Start formulier";
// a folder that cannot be locked at all ends it with the lock's failure.  Holding it, the request
// first removes the half-written documents of a copy that was killed (RemovePartialDocuments).
// Every failure is shown inside; nothing is thrown.  Code is Windows-1252.
// The request connects to a word processor of its own; a window that keeps one for its requests
// gives it in the environment (ProgramEnvironment).
void StartTemplate(const std::string& Code);

// How a failure of a form request is shown: the heading and text of its error box; none for a
// user's cancellation (EAbort).
struct TStartMessage {
    std::string Title, Text;
};
std::optional<TStartMessage> StartFailureMessage(const std::exception& e);
void StartTemplateWith(const std::string& Code, const TTemplateEnvironment& Environment);
