#pragma once
// The word processor's object model as the mail-merge driver uses it: one operation per call of
// the Word 97 object model that the driver makes, with the same arguments.  Texts are the
// program's Windows-1252 text; a file or folder name is the file system's bytes for its path
// (QFile::encodeName).  Documents are numbered from 1 in the order they were opened or
// made.  A failing operation throws Exception with the word processor's own message.

#include "Exceptions.h"

#include <string>

// The word processor's messages that the driver recognises: a merge whose data source has no
// records, and a data source that cannot be opened or a statement that fails.
extern const char* const NoRecordsText;
extern const char* const DataSourceFailedText;

// The failures with those messages, told apart by their types.
class ENoRecords : public Exception {
public:
    ENoRecords() : Exception(NoRecordsText) {}
};
class EDataSourceFailed : public Exception {
public:
    EDataSourceFailed() : Exception(DataSourceFailedText) {}
};

// Values of the object model's enumerations that the driver passes.
constexpr int wdWindowStateNormal = 0;
constexpr int wdWindowStateMaximize = 1;
constexpr int wdDoNotSaveChanges = 0;
constexpr int wdOpenFormatText = 4;
constexpr int wdSendToNewDocument = 0;
constexpr int wdFindContinue = 1;
constexpr int wdReplaceNone = 0;
constexpr int wdStory = 6;
constexpr int wdFieldFormTextInput = 70;
constexpr int wdAllowOnlyRevisions = 0;
constexpr int wdAllowOnlyComments = 1;
constexpr int wdAllowOnlyFormFields = 2;
constexpr int wdAllowOnlyReading = 3;

// MailMerge.OpenDataSource.
struct TOpenDataSourceArgs {
    std::string Name;
    int Format = 0;
    bool ConfirmConversions = false;
    bool ReadOnly = false;
    bool LinkToSource = false;
    bool AddToRecentFiles = false;
    std::string PasswordDocument;
    std::string PasswordTemplate;
    bool Revert = false;
    std::string WritePasswordDocument;
    std::string WritePasswordTemplate;
    std::string Connection;    // "DSN=...;DBQ=<folder>;..." (the folder as Name)
    std::string SQLStatement;  // the statement's first part
    std::string SQLStatement1; // and its continuation
};

// Selection.Find.Execute.
struct TFindArgs {
    std::string FindText;
    bool MatchCase = false;
    bool MatchWholeWord = false;
    bool MatchWildcards = false;
    bool MatchSoundsLike = false;
    bool MatchAllWordForms = false;
    bool Forward = true;
    int Wrap = 0; // wdFindContinue: go on at the other end of the document
    bool Format = false;
    std::string ReplaceWith;
    int Replace = wdReplaceNone;
};

class TWordApplication {
public:
    virtual ~TWordApplication() = default;

    // Application
    virtual void SetWindowState(int State) = 0;
    virtual void SetVisible(bool Visible) = 0;
    virtual void Activate() = 0;

    // Documents
    virtual int DocumentsCount() = 0;
    virtual std::string DocumentName(int Index) = 0; // the file name without folder
    virtual void CloseDocument(int Index, int SaveChanges) = 0;
    virtual void ActivateDocument(int Index) = 0;
    virtual void OpenDocument(const std::string& FileName) = 0; // becomes the active document

    // ActiveDocument
    virtual void Unprotect(const std::string& Password) = 0; // fails when not protected
    virtual void Protect(int Type) = 0;

    // ActiveDocument.MailMerge
    virtual void OpenDataSource(const TOpenDataSourceArgs& Args) = 0;
    virtual void SetMailMergeDestination(int Destination) = 0;
    virtual void SetMailAsAttachment(bool Value) = 0;
    virtual void SetMailAddressFieldName(const std::string& Value) = 0;
    virtual void SetMailSubject(const std::string& Value) = 0;
    virtual void SetSuppressBlankLines(bool Value) = 0;
    virtual void SetFirstRecord(int Record) = 0;
    virtual void SetLastRecord(int Record) = 0;
    virtual void ExecuteMailMerge(bool Pause) = 0; // the merged document becomes the active one

    // ActiveWindow
    virtual std::string ActiveWindowCaption() = 0;
    virtual void SetActiveWindowCaption(const std::string& Caption) = 0;

    // Selection
    virtual void FindClearFormatting() = 0;
    virtual void FindExecute(const TFindArgs& Args) = 0; // a hit becomes the selection
    virtual bool FindFound() = 0;
    virtual void AddFormField(int Type) = 0; // at the selection's range, which it replaces
    virtual void HomeKey(int Unit) = 0;
};
