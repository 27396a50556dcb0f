#pragma once
// The forms output's mail merge: the driver that merges a form's template in the word processor,
// with the data files (MergeDataFiles.h), the layout file (FormLayout.h) and the extra fields
// (ExtraFields.h) it uses.  Text is Windows-1252 throughout; paths are QStrings, and a std::string
// that names a file holds the file system's bytes for it (QFile::encodeName).

#include "ExtraFields.h"
#include "FormLayout.h"
#include "MergeDataFiles.h"

#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// ---- Word documents by name ----

class TWordApplication;

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

// What the driver talks to: the word processor (null: none can be connected) and the program's
// arguments, asked anew in every pass.
struct TTemplateEnvironment {
    std::function<TWordApplication*()> ConnectWord;
    std::function<std::vector<std::string>()> Arguments;
};
// The running word processor (ConnectWordApplication) and the program's command line.
TTemplateEnvironment ProgramEnvironment();

// Produces the form Code from FormsDir: template ZV/TEMPLATE/<Code>.dot, layout file
// ZV/FORMDAT/<Code>.dat.  Asks for candidates and extra fields when the layout wants them, writes
// the data files into the private temporary folder, merges the template once (or once per chosen
// candidate for multirun "K") and leaves the merged documents, their "[*]" markers turned into text
// form fields and protected for form filling, shown by the word processor.  The switches
// noclearformat, nofind and nohome leave steps out.  A layout with autoloop "Y" repeats the whole
// run with new extra fields until their dialog is cancelled; without [FIELDS] it runs once.
// One request at a time holds the private temporary folder: while another copy of the program
// makes a form there, the request ends with AnotherFormText under the heading "Start formulier".
// Every failure is shown inside; nothing is thrown.  Code is Windows-1252.
void StartTemplate(const std::string& Code);
extern const char* const AnotherFormText;

// How a failure of a form request is shown: the heading and text of its error box; none for a
// user's cancellation (EAbort).
struct TStartMessage {
    std::string Title, Text;
};
std::optional<TStartMessage> StartFailureMessage(const std::exception& e);
void StartTemplateWith(const std::string& Code, const TTemplateEnvironment& Environment);
