#include "fDirectorySelectie.h"

#include "ActionLink.h"
#include "AnsiText.h"
#include "DirectoryListBox.h"
#include "DriveComboBox.h"
#include "Exceptions.h"
#include "ZEBMessages.h"
#include "fDirectoryNieuw.h"
#include "uUtils.h"

#include "ui_fDirectorySelectie.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QToolButton>

TfrmSelecteerDirectory::TfrmSelecteerDirectory(QWidget* owner) : TBaseForm(owner)
{
    Ui::TfrmSelecteerDirectory ui;
    ui.setupUi(this);
    SetDialogBorder();
    lblDirectory = ui.lblDirectory;
    drivecmbSelect = ui.drivecmbSelect;
    dirlbSelect = ui.dirlbSelect;
    sbInsert = ui.sbInsert;
    sbSelect = ui.sbSelect;
    sbHelp = ui.sbHelp;
    sbExit = ui.sbExit;
    acInsert = ui.acInsert;
    acSelect = ui.acSelect;
    acHelp = ui.acHelp;
    acExit = ui.acExit;
    acSelect->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    acInsert->setEnabled(allowNew_);

    LinkToAction(sbInsert, acInsert);
    LinkToAction(sbSelect, acSelect);
    LinkToAction(sbHelp, acHelp);
    LinkToAction(sbExit, acExit);
    BindAction(acInsert, [this] { acInsertExecute(); });
    BindAction(acSelect, [this] { acSelectExecute(); });
    BindAction(acHelp, [this] { acHelpExecute(); });
    BindAction(acExit, [this] { acExitExecute(); });
    connect(drivecmbSelect, &TDriveComboBox::currentIndexChanged, this, [this] { Handle([this] { drivecmbSelectChange(); }); });
    connect(dirlbSelect, &TDirectoryListBox::DirectoryChanged, this, [this] { Handle([this] { dirlbSelectChange(); }); });

    // The drive box starts at the drive of the list's directory.
    try {
        const QSignalBlocker blocker(drivecmbSelect);
        drivecmbSelect->SetDrive(drivecmbSelect->VolumeOf(dirlbSelect->Directory()).RootPath);
        dirlbSelect->SetRoot(drivecmbSelect->Drive().RootPath);
    } catch (const Exception&) {
    }
    lblDirectory->setText(dirlbSelect->Directory());
}

void TfrmSelecteerDirectory::Initialize()
{
    Guarded("TfrmSelecteerDirectory.Initialize: ", [this] {
        TBaseForm::Initialize();
        SetHelpContext(1);
        lblDirectory->setText(dirlbSelect->Directory());
    });
}

void TfrmSelecteerDirectory::FormActivate()
{
    // The picker is worked with the keyboard (arrows, Enter): it opens on the folder list.
    dirlbSelect->setFocus(Qt::ActiveWindowFocusReason);
}

void TfrmSelecteerDirectory::SetAllowNew(bool allow)
{
    allowNew_ = allow;
    acInsert->setEnabled(allow);
}

void TfrmSelecteerDirectory::ToHomeDrive()
{
    drivecmbSelect->SetDrive(drivecmbSelect->VolumeOf(HomeFolder()).RootPath);
}

void TfrmSelecteerDirectory::GoHomeDrive()
{
    // Falling back counts as choosing the drive, also when the box shows it already.
    const int before = drivecmbSelect->currentIndex();
    ToHomeDrive();
    if (drivecmbSelect->currentIndex() == before)
        drivecmbSelectChange();
}

void TfrmSelecteerDirectory::SetDirectory(const QString& target)
{
    if (target.isEmpty())
        return;
    try {
        if (target.startsWith("\\\\") || target.startsWith("//")) {
            GoHomeDrive(); // network paths are not supported
            return;
        }
        if (!target.startsWith('/'))
            return; // no drive part
        const TVolume drive = drivecmbSelect->VolumeOf(target);
        SetDrive(drive, true);
        if (drivecmbSelect->Drive() == drive)
            dirlbSelect->SetDirectory(target);
    } catch (...) {
        try {
            GoHomeDrive();
        } catch (...) {
        }
    }
}

void TfrmSelecteerDirectory::SetDrive(const TVolume& drive, bool apply)
{
    Guarded("TfrmSelecteerDirectory.SetDrive: ", [&] {
        if (drive.Removable) {
            acInsert->setEnabled(false); // no new directories on removable media
            if (!DriveReady(drive.RootPath)) {
                ShowMessageIfVerbose("Schijf " + QStringToAnsi(drive.Name) + ": is niet gereed");
                GoHomeDrive();
                return;
            }
        } else if (allowNew_) {
            acInsert->setEnabled(true);
        }
        if (apply)
            drivecmbSelect->SetDrive(drive.RootPath);
    });
}

void TfrmSelecteerDirectory::drivecmbSelectChange()
{
    try {
        SetDrive(drivecmbSelect->Drive(), false);
        // The drive's own directory: the home folder for its drive, else the mount point.
        const TVolume drive = drivecmbSelect->Drive();
        const QString home = HomeFolder();
        dirlbSelect->SetRoot(drive.RootPath);
        dirlbSelect->SetDirectory(drivecmbSelect->VolumeOf(home) == drive ? home : drive.RootPath);
    } catch (...) {
        ToHomeDrive();
    }
}

void TfrmSelecteerDirectory::dirlbSelectChange()
{
    lblDirectory->setText(dirlbSelect->Directory());
}

void TfrmSelecteerDirectory::acInsertExecute()
{
    NieuweDirectory();
}

void TfrmSelecteerDirectory::acSelectExecute()
{
    dirlbSelect->OpenCurrent();
    SetModalResult(mrOk);
}

void TfrmSelecteerDirectory::acExitExecute()
{
    Close();
}

void TfrmSelecteerDirectory::NieuweDirectory()
{
    try {
        auto dialog = TBaseForm::Create<TfrmDirectoryNew>(this);
        dialog->Initialize();
        if (dialog->ShowModal() != mrOk)
            return;
        const QString newPath = QDir(dirlbSelect->Directory()).filePath(AnsiToQString(dialog->GetNieuweDirectory()));
        if (QFileInfo(newPath).isDir())
            ShowMessageIfVerbose("Directory bestaat al");
        else if (QDir().mkdir(newPath))
            SetDirectory(newPath);
        else
            ShowMessageIfVerbose("Kon directory niet aanmaken");
    } catch (const std::exception& e) {
        ShowErrorMessage("TfrmSelecteerDirectory.NieuweDirectory: ", std::string("De volgende fout is opgetreden: ") + e.what());
    }
}

void TfrmSelecteerDirectory::ShowMessageIfVerbose(const std::string& message)
{
    Guarded("TfrmSelecteerDirectory.ShowMessageIfVerbose: ", [&] {
        if (Verbose)
            ShowInfoMessage(message);
    });
}

bool SelecteerDirectory(const std::string& Caption, const QString& StartDir, bool AllowNew, QString& Dir)
{
    return Guarded("SelecteerDirectory: ", [&] {
        auto picker = TBaseForm::Create<TfrmSelecteerDirectory>();
        picker->SetAllowNew(AllowNew);
        picker->Verbose = false;
        picker->SetDirectory(StartDir);
        picker->Verbose = true;
        picker->setWindowTitle(AnsiToQString(Caption));
        picker->Initialize();
        if (picker->ShowModal() != TBaseForm::mrOk)
            return false;
        Dir = picker->dirlbSelect->Directory();
        return true;
    });
}
