#pragma once
// A stand-in browser: a script in a temporary folder that notes its arguments, registered for
// ".htm" pages as the desktop's browser is.

#include "RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class FakeBrowser {
public:
    FakeBrowser() { QFile::remove(RegistryStore::FileName(HKEY_CLASSES_ROOT)); }
    ~FakeBrowser() { QFile::remove(RegistryStore::FileName(HKEY_CLASSES_ROOT)); }

    // Writes the script at relative (folders made as needed); it writes its argument count and
    // then each argument on a line of their own to Output().
    QString Make(const QString& relative, bool executable = true)
    {
        const QString name = dir.filePath(relative);
        QDir().mkpath(QFileInfo(name).path());
        QFile script(name);
        EXPECT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + Output() + ".part'\nmv '" + Output() + ".part' '"
                      + Output() + "'\n")
                         .toUtf8());
        script.close();
        if (executable)
            script.setPermissions(script.permissions() | QFile::ExeOwner);
        return name;
    }

    // Registers command as the open command of ".htm" pages.
    static void Register(const std::string& command)
    {
        RegistryStore reg(HKEY_CLASSES_ROOT);
        ASSERT_TRUE(reg.OpenKey("\\.htm", true));
        reg.WriteString("", "htmlfile");
        ASSERT_TRUE(reg.OpenKey("\\htmlfile\\shell\\open\\command", true));
        reg.WriteString("", command);
    }

    QString Output() const { return dir.filePath("arguments.txt"); }

    QTemporaryDir dir;
};
