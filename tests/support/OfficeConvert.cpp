#include "OfficeConvert.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

QString OfficeConvert(const QString& file, const QString& format, const QString& outDir, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QString();
    };
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        return fail("soffice not found (tools/setup.sh installs it)");
    QTemporaryDir profile;
    if (!profile.isValid())
        return fail("no temporary folder for the profile");
    QProcess process;
    process.start(soffice, {"--headless", "--norestore",
                            "-env:UserInstallation=" + QUrl::fromLocalFile(profile.path()).toString(),
                            "--convert-to", format, "--outdir", outDir, file});
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return fail("soffice did not finish: " + process.errorString());
    }
    const QString extension = format.section(':', 0, 0);
    const QString written = QDir(outDir).filePath(QFileInfo(file).completeBaseName() + "." + extension);
    if (!QFileInfo::exists(written))
        return fail("soffice wrote nothing: " + QString::fromLocal8Bit(process.readAllStandardError()) +
                    QString::fromLocal8Bit(process.readAllStandardOutput()));
    return written;
}
