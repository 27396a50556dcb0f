#pragma once
// The environment for a child process (RunThisTest) in which chosen system calls on the files of one
// folder fail, through a library preloaded into it (support/shim/FailingCalls.cpp):
//
//   RunThisTest("Child.Saves", {}, FailingCallsEnvironment(folder, "create:ENOSPC:1+,write:EIO:2"));
//
// A fault is kind:error:n, the n-th call of that kind failing (with "+" every later one too).  Kinds:
// open, create (a new file: O_CREAT or O_TMPFILE), tmpfile, write (also pwrite), fsync, close, fchmod,
// truncate, rename, link (linkat); errors ENOSPC, EIO, EACCES, EPERM, EDQUOT, ENOENT, EOPNOTSUPP,
// or "short" for a write that takes half the bytes.  Under the address sanitizer its runtime is
// preloaded first, as it must be.

#include <QProcessEnvironment>
#include <QString>

QProcessEnvironment FailingCallsEnvironment(const QString& Folder, const QString& Faults,
                                            QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment());
