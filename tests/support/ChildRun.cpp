#include "ChildRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QStringList FolderNamesOutsideAscii()
{
    return {QStringLiteral(u"jos\u00e9"), QStringLiteral(u"\u0142\u00f3d\u017a"),
            QStringLiteral(u"\u0395\u03bb\u03bb\u03ac\u03b4\u03b1")};
}

bool TChildRun::Passed() const
{
    return ExitCode == 0 && Output.find("[  PASSED  ] ") != std::string::npos
        && Output.find("[  PASSED  ] 0 tests") == std::string::npos;
}

TChildRun RunThisTest(const QString& Filter, const QString& CopyFolder, const QProcessEnvironment& Environment,
                      const QStringList& Prefix)
{
    QString program = QCoreApplication::applicationFilePath();
    if (!CopyFolder.isEmpty()) {
        const QString copy = CopyFolder + "/" + QFileInfo(program).fileName();
        QFile::remove(copy);
        if (!QFile::copy(program, copy))
            return {-1, "could not copy the program to " + copy.toStdString()};
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                        | QFile::ReadOther | QFile::ExeOther);
        program = copy;
    }
    QStringList arguments = Prefix;
    arguments << program << "--gtest_filter=" + Filter;
    QProcess run;
    run.setProcessEnvironment(Environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(arguments.takeFirst(), arguments);
    TChildRun result;
    if (!run.waitForFinished(120000)) {
        run.kill();
        run.waitForFinished();
        result.Output = "no end after two minutes: ";
    }
    result.Output += run.readAll().toStdString();
    if (run.exitStatus() == QProcess::NormalExit)
        result.ExitCode = run.exitCode();
    return result;
}
