#pragma once
// The directory picker: a drive box of mounted volumes and a directory list, shown through
// SelecteerDirectory.  Removable volumes follow the rules the floppy drives had: no new
// directories there, and a volume that does not answer is refused for the home folder's one
// (which stands in for drive C).

#include "fBaseForm.h"

#include "Volumes.h"

#include <string>

class QAction;
class QLabel;
class QToolButton;
class TDirectoryListBox;
class TDriveComboBox;

class TfrmSelecteerDirectory : public TBaseForm {
    Q_OBJECT
public:
    explicit TfrmSelecteerDirectory(QWidget* owner = nullptr);

    void Initialize() override;

    bool AllowNew() const { return allowNew_; }
    void SetAllowNew(bool allow); // also enables or disables acInsert
    bool Verbose = true;          // whether notices are shown

    // Goes to the drive of path and then to path; falls back to the home drive on any failure.
    void SetDirectory(const QString& path);
    // The checks of a drive; with apply, the drive box is set to it when it passed.
    void SetDrive(const TVolume& drive, bool apply);
    void NieuweDirectory();

    QLabel* lblDirectory = nullptr;
    TDriveComboBox* drivecmbSelect = nullptr;
    TDirectoryListBox* dirlbSelect = nullptr;
    QToolButton* sbInsert = nullptr;
    QToolButton* sbSelect = nullptr;
    QToolButton* sbHelp = nullptr;
    QToolButton* sbExit = nullptr;
    QAction* acInsert = nullptr;
    QAction* acSelect = nullptr;
    QAction* acHelp = nullptr;
    QAction* acExit = nullptr;

protected:
    void FormActivate() override;
    virtual void drivecmbSelectChange();
    virtual void dirlbSelectChange();
    virtual void acInsertExecute();
    virtual void acSelectExecute();
    virtual void acHelpExecute() {}
    virtual void acExitExecute();

private:
    void ShowMessageIfVerbose(const std::string& message);
    void ToHomeDrive(); // the drive box to the home folder's drive
    void GoHomeDrive(); // and the directory list to the home folder

    bool allowNew_ = false;
};

// Shows the picker; true with Dir set to the chosen directory, false with Dir unchanged.
bool SelecteerDirectory(const std::string& Caption, const QString& StartDir, bool AllowNew, QString& Dir);
