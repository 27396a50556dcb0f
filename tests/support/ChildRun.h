#pragma once
// Runs this test program again, as a child process, for the cases that need another program
// folder, another environment or another user: the child runs one test and its result is read back.
//
//   const TChildRun run = RunThisTest("TfrmAbout.ShowsItsProgramFolderWhole", folder);
//   EXPECT_TRUE(run.Passed()) << run.Output;

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <string>

// Folder names with letters of Windows-1252 and beyond it: "jos\u00e9", "\u0142\u00f3d\u017a" and
// "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1" (Greek).
QStringList FolderNamesOutsideAscii();

struct TChildRun {
    int ExitCode = -1;
    std::string Output; // standard output and error
    // Exited with 0 after at least one test passed (a filter that matches nothing passes no test).
    bool Passed() const;
};

// Runs this program with --gtest_filter=Filter.  With CopyFolder, a copy of the program made there
// (readable and executable by everyone) runs instead.  Prefix runs before the program (such as
// setpriv and its arguments).  Waits at most two minutes.
TChildRun RunThisTest(const QString& Filter, const QString& CopyFolder = {},
                      const QProcessEnvironment& Environment = QProcessEnvironment::systemEnvironment(),
                      const QStringList& Prefix = {});
