#include "fExport.h"

#include "ActionLink.h"
#include "AnsiText.h"
#include "Exceptions.h"
#include "Resources.h"
#include "Volumes.h"
#include "ZEBComp.h"
#include "ZEBMessages.h"
#include "fDirectorySelectie.h"

#include "ui_fExport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>

std::string IncludeBackslash(const std::string& path)
{
    if (path.empty() || path.back() == '/')
        return path;
    return path + '/';
}

namespace {

bool DirectoryExists(const std::string& name)
{
    return QFileInfo(AnsiToQString(name)).isDir();
}

} // namespace

TfrmExport::TfrmExport(QWidget* owner) : TBaseOkCancel(owner)
{
    EnsureResources();
    Ui::TfrmExport ui;
    SetupBody(ui);
    edDirectory = ui.edDirectory;
    btnSelDir = ui.btnSelDir;
    acOK = ui.acOK;
    acSelDir = ui.acSelDir;
    LinkToAction(btnSelDir, acSelDir);
    BindAction(acOK, [this] { acOKExecute(); });
    BindAction(acSelDir, [this] { acSelDirExecute(); });
}

void TfrmExport::Initialize()
{
    TBaseOkCancel::Initialize();
    btnSelDir->setText(QString());
}

void TfrmExport::FormActivate()
{
    Directory = IncludeBackslash(QStringToAnsi(DefaultExportFolder()));
    edDirectory->SetText(Directory);
}

void TfrmExport::btnOkClick()
{
    acOK->trigger();
}

void TfrmExport::acOKExecute()
{
    SetModalResult(mrNone);
    const std::string name = edDirectory->Text();
    if (!DirectoryExists(name) &&
        AskQuestion("Directory " + name + " bestaat niet", "Directory aanmaken?", false) == mrYes) {
        // Only the last level is made: its parent must exist.
        if (!QDir().mkdir(AnsiToQString(name)))
            throw Exception("Directory " + name + " kan niet aangemaakt worden");
    }
    if (DirectoryExists(name)) {
        Directory = name;
        SetModalResult(mrOk);
    }
}

void TfrmExport::acSelDirExecute()
{
    DoSelectDir();
}

void TfrmExport::DoSelectDir()
{
    try {
        const std::string start = QStringToAnsi(HomeFolder());
        std::string dir = start;
        if (SelecteerDirectory(QStringToAnsi(windowTitle()), start, true, dir))
            edDirectory->SetText(IncludeBackslash(dir));
    } catch (const std::exception& e) {
        ShowInfoMessage(std::string("frmExport.DoSelectDir: ") + e.what());
    }
}
