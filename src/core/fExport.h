#pragma once
// Asks for the directory that the export file goes into, offering to create one that does not
// exist.  It starts at the first removable volume, else the home folder.
//
//     auto dialog = TBaseForm::Create<TfrmExport>(owner);
//     dialog->Initialize();
//     if (dialog->ShowModal() == TBaseForm::mrOk) ... dialog->Directory ...
//
// Public besides that: the components and DoSelectDir (the folder button's command).

#include "fBaseOkCancel.h"

#include <QString>
#include <optional>
#include <string>

class QAction;
class QToolButton;
class TZEBEdit;

// path with the path separator "/" appended, unless it is empty or ends with one already.
QString IncludeBackslash(const QString& path);

// The export file's path: directory, a separator where it lacks one, the party abbreviation
// (Windows-1252 record text) and ".LST".  None when the abbreviation holds a character that no
// file name may hold ("/" or NUL), so that the file would not land in directory by that name.
std::optional<QString> ExportFilePath(const QString& directory, const std::string& afkorting);

class TfrmExport : public TBaseOkCancel {
    Q_OBJECT
public:
    explicit TfrmExport(QWidget* owner = nullptr);

    void Initialize() override;

    // The directory accepted by OK, as typed or picked (a file-system path, not record text).
    QString Directory;

    // Lets the user pick a directory (new ones allowed) and puts it, ending in "/", in the edit.
    void DoSelectDir();

    TZEBEdit* edDirectory = nullptr;
    QToolButton* btnSelDir = nullptr;
    QAction* acOK = nullptr;
    QAction* acSelDir = nullptr;

protected:
    void FormActivate() override;
    void btnOkClick() override;
    virtual void acOKExecute();
    virtual void acSelDirExecute();
};
