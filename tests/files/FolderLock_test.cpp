#include "FolderLock.h"

#include "ErrorOf.h"
#include "Exceptions.h"
#include "FlockFailure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Another copy's record lock on the file path (an open file of its own); false when it is taken.
bool OtherTakesRecordLock(int handle)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(handle, F_OFD_SETLK, &lock) == 0;
}

// Where flock fails as on NFS, the lock is a record lock of the lock file in the folder, which
// another copy meets as on any other file system.
TEST(FolderLock, AFolderWithoutFlockIsLockedByARecordLockOnItsLockFile)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string lockFile = folder + "/" + TFolderLock::LockFileName;
    const FlockFailure nfs(EBADF);
    {
        const TFolderLock lock(folder, TFolderLock::TWait::DontWait);
        EXPECT_TRUE(lock.Held());
        EXPECT_FALSE(lock.Busy());
        const TFolderLock nested(folder, TFolderLock::TWait::DontWait);
        EXPECT_TRUE(nested.Held());
        const int other = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(other, 0);
        EXPECT_FALSE(OtherTakesRecordLock(other)) << "the other copy got the folder too";
        ::close(other);
    }
    const int other = ::open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_TRUE(OtherTakesRecordLock(other)) << "the lock was not given up";
    {
        const TFolderLock lock(folder, TFolderLock::TWait::DontWait);
        EXPECT_TRUE(lock.Busy());
        EXPECT_FALSE(lock.Held());
    }
    ::close(other);
    EXPECT_TRUE(TFolderLock(folder, TFolderLock::TWait::Wait).Held());
}

// A lock that can be taken in no way is a failure that names the folder, never a lock that is
// neither held nor busy.
TEST(FolderLock, ALockThatCannotBeTakenRaisesItsFailure)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    EXPECT_EQ(ErrorOf<EInOutError>([&] { const TFolderLock lock(folder + "/weg", TFolderLock::TWait::DontWait); }),
              "De map " + folder + "/weg kan niet worden vergrendeld (foutcode 2)");

    ASSERT_TRUE(QDir(dir.path()).mkdir(TFolderLock::LockFileName)); // no lock file can be made
    const FlockFailure noLocks(ENOLCK);
    EXPECT_EQ(ErrorOf<EInOutError>([&] { const TFolderLock lock(folder, TFolderLock::TWait::DontWait); }),
              "De map " + folder + " kan niet worden vergrendeld (foutcode 21)");
    ASSERT_TRUE(QDir(dir.path()).rmdir(TFolderLock::LockFileName));
    ASSERT_EQ(::symlink("/dev/null", (folder + "/" + TFolderLock::LockFileName).c_str()), 0);
    EXPECT_EQ(ErrorOf<EInOutError>([&] { const TFolderLock lock(folder, TFolderLock::TWait::Wait); }),
              "De map " + folder + " kan niet worden vergrendeld (foutcode 40)");
}

// Where flock works, a copy holding the folder makes it busy, and no lock file is made.
TEST(FolderLock, AnotherCopyHoldingTheFolderMakesItBusy)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const int other = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_TRUE(TFolderLock(folder, TFolderLock::TWait::DontWait).Busy());
    ::close(other);
    EXPECT_TRUE(TFolderLock(folder, TFolderLock::TWait::DontWait).Held());
    EXPECT_FALSE(QFile::exists(dir.filePath(TFolderLock::LockFileName)));
}

} // namespace
