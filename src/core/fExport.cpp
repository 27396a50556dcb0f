#include "fExport.h"

#include "ActionLink.h"
#include "AnsiText.h"
#include "Exceptions.h"
#include "Resources.h"
#include "TrailingSlash.h"
#include "Volumes.h"
#include "ZEBComp.h"
#include "ZEBMessages.h"
#include "fDirectorySelectie.h"

#include "ui_fExport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>

QString IncludeBackslash(const QString& path)
{
    return path.isEmpty() ? path : WithTrailingSlash(path);
}

std::optional<QString> ExportFilePath(const QString& directory, const std::string& afkorting)
{
    const QString name = AnsiToQString(afkorting + ".LST");
    if (name.contains('/') || name.contains(QChar(0)))
        return std::nullopt;
    return IncludeBackslash(directory) + name;
}

namespace {

bool DirectoryExists(const QString& name)
{
    return QFileInfo(name).isDir();
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
    // A folder's name may hold any character the file system takes, not only Windows-1252 ones.
    edDirectory->setValidator(nullptr);
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
    Directory = IncludeBackslash(DefaultExportFolder());
    edDirectory->setText(Directory);
}

void TfrmExport::btnOkClick()
{
    acOK->trigger();
}

void TfrmExport::acOKExecute()
{
    SetModalResult(mrNone);
    const QString name = edDirectory->text();
    const std::string shown = PathInMessage(name);
    if (!DirectoryExists(name) &&
        AskQuestion("Directory " + shown + " bestaat niet", "Directory aanmaken?", false) == mrYes) {
        // Only the last level is made: its parent must exist.
        if (!QDir().mkdir(name))
            throw Exception("Directory " + shown + " kan niet aangemaakt worden");
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
        const QString start = HomeFolder();
        QString dir = start;
        if (SelecteerDirectory(QStringToAnsi(windowTitle()), start, true, dir))
            edDirectory->setText(IncludeBackslash(dir));
    } catch (const std::exception& e) {
        ShowInfoMessage(std::string("frmExport.DoSelectDir: ") + e.what());
    }
}
