// Test entry point: an offscreen application with a fixed font and Qt's texts in Dutch, as the
// program has them, and configuration and temporary folders of its own so that no test touches
// the user's files.
#include "QtTranslations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray root = home.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
    setenv("TMPDIR", (root + "/tmp").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").constData(), 1);
    home.setAutoRemove(true);
    QDir().mkpath(home.path() + "/tmp");
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QApplication app(argc, argv);
    QApplication::setFont(QFont("DejaVu Sans", 8));
    InstallQtTranslations();
    return RUN_ALL_TESTS();
}
