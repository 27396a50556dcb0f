#pragma once
// The word processor, in process: documents are word-processing packages held in memory, the
// mail merge reads its data through the text driver, and making the application visible hands
// the merged documents to the desktop's own word processor.
//
// Visible(true) saves every merged document that was not shown yet into the private temporary
// folder, as its window caption made fit for a file name (unique, ".docx"), opens it with the
// opener and frees its content (TWordDocument::Release).  A document that cannot be saved or
// opened, also for want of memory or of a thread, is told in one Exception thrown after the others
// were handled, each failure on a line of its own; one that was not saved is tried again by the
// next Visible(true).

#include "TextDriver.h"
#include "WordApplication.h"
#include "WordDocument.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// Opens a saved document for the user; false when nothing could open it.
using TDocumentOpener = std::function<bool(const QString& Path)>;

// The desktop's default application for the file, started by "gio open" from PATH, or where that
// is missing or fails by "xdg-open"; false when neither started an application.
bool OpenWithDesktop(const QString& Path);
// Runs an opener and waits up to WaitMs for it: true when it ended with status 0 or still runs
// (it then runs on, the application in its place), false when it could not start or failed.
bool StartedByOpener(const QString& Program, const QStringList& Arguments, int WaitMs);
// Whether the desktop has an application for .docx documents: a default or an association in
// the mimeapps.list files, or a desktop entry that lists the type, in the folders of the XDG
// base directories.
bool DesktopHasDocxApplication();

// Writes a document to Path.
using TDocumentWriter = std::function<void(const QString& Path)>;

// Saves what Write writes as a new document in Folder named Base + ".docx", or Base + " (n).docx"
// with the first n from 2 on whose name is free, and returns its path.
// The document is written under a name of its own first, ".<process id>-<serial>.docx.tmp", which
// is of mode 0600 from its first byte on, as is the package writer's own file beside it.
QString SaveNewDocument(const TDocumentWriter& Write, const QString& Folder, const QString& Base);

// Removes from Folder what SaveNewDocument left half-written when its process was killed: regular
// files of the user's named as its temporary files, never through a link.  Only while no copy of
// the program saves into Folder, that is under its TFolderLock.  What cannot be removed stays.
void RemovePartialDocuments(const QString& Folder);

// The first word processor of a process sets the heap's policy for merges (glibc): freed memory up
// to 512 MB stays with the process for the next merge instead of being faulted in anew, and blocks
// under 32 MB come from the heap.
class TWordProcessor : public TWordApplication {
public:
    explicit TWordProcessor(TDocumentOpener Opener = OpenWithDesktop);

    void SetWindowState(int State) override;
    void SetVisible(bool Visible) override;
    void Activate() override;

    int DocumentsCount() override;
    std::string DocumentName(int Index) override;
    void CloseDocument(int Index, int SaveChanges) override;
    void ActivateDocument(int Index) override;
    void OpenDocument(const std::string& FileName) override;

    void Unprotect(const std::string& Password) override;
    void Protect(int Type) override;

    void OpenDataSource(const TOpenDataSourceArgs& Args) override;
    void SetMailMergeDestination(int Destination) override;
    void SetMailAsAttachment(bool Value) override;
    void SetMailAddressFieldName(const std::string& Value) override;
    void SetMailSubject(const std::string& Value) override;
    void SetSuppressBlankLines(bool Value) override;
    void SetFirstRecord(int Record) override;
    void SetLastRecord(int Record) override;
    void ExecuteMailMerge(bool Pause) override;

    std::string ActiveWindowCaption() override;
    void SetActiveWindowCaption(const std::string& Caption) override;

    void FindClearFormatting() override;
    void FindExecute(const TFindArgs& Args) override;
    bool FindFound() override;
    void AddFormField(int Type) override;
    void HomeKey(int Unit) override;

    // What the application shows.
    int WindowState() const { return windowState_; }
    bool Visible() const { return visible_; }
    int Activations() const { return activations_; }
    // The open documents, in their order; null when none is active.
    TWordDocument& Document(int Index); // 1-based, as the collection
    TWordDocument* ActiveDocument() const { return active_; }

private:
    TWordDocument& Active();
    TWordDocument& Item(int Index);

    TDocumentOpener opener_;
    std::vector<std::unique_ptr<TWordDocument>> documents_;
    TWordDocument* active_ = nullptr;
    int windowState_ = wdWindowStateNormal;
    bool visible_ = false;
    int activations_ = 0;
    bool found_ = false;
    int merged_ = 0;
    TTextDataSource dataSource_; // the tables stay loaded from one merge to the next
};

// A program's connection to its word processor: whether the desktop has one for .docx, and how
// documents are opened for the user.  Connect starts the word processor at the first connection
// and keeps it while the connection lives, so a later connection finds the documents left open;
// null when the desktop has no application for .docx documents.
class TWordConnection {
public:
    std::function<bool()> HasDocxApplication = DesktopHasDocxApplication;
    TDocumentOpener Opener = OpenWithDesktop;

    TWordApplication* Connect();

private:
    std::unique_ptr<TWordProcessor> running_;
};

