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

#include <string>

class QAction;
class QToolButton;
class TZEBEdit;

// path with the path separator "/" appended, unless it is empty or ends with one already.
std::string IncludeBackslash(const std::string& path);

class TfrmExport : public TBaseOkCancel {
    Q_OBJECT
public:
    explicit TfrmExport(QWidget* owner = nullptr);

    void Initialize() override;

    // The directory accepted by OK, as typed or picked (Windows-1252).
    std::string Directory;

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
