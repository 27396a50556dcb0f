#include "FolderLock.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "PosixIO.h"

#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>

namespace {

// The folders this process holds: their descriptor (which carries the lock) and the number of holders.
struct THolding {
    int Handle = -1;
    int Count = 0;
};
std::mutex HoldingsMutex;
std::map<std::pair<unsigned long long, unsigned long long>, THolding> Holdings;

[[noreturn]] void Fail(const std::string& folder, int error)
{
    throw EInOutError("De map " + NativePathInMessage(folder) + " kan niet worden vergrendeld (foutcode " +
                          std::to_string(error) + ")",
                      error);
}

// An exclusive flock on handle: 0, or errno (EWOULDBLOCK: held by another).
int TakeFlock(int handle, bool wait)
{
    return RetryOnInterrupt([&] { return ::flock(handle, LOCK_EX | (wait ? 0 : LOCK_NB)); }) == 0 ? 0 : errno;
}

// An exclusive record lock of the open file on the whole of handle: 0, or errno (EWOULDBLOCK:
// held by another).
int TakeRecordLock(int handle, bool wait)
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (RetryOnInterrupt([&] { return ::fcntl(handle, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock); }) == 0)
        return 0;
    return errno == EACCES || errno == EAGAIN ? EWOULDBLOCK : errno;
}

} // namespace

TFolderLock::TFolderLock(const std::string& Folder, TWait Wait)
{
    const TFileHandle folder(RetryOnInterrupt(
        [&] { return ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC); }));
    struct stat info {};
    if (folder.Get() < 0 || ::fstat(folder.Get(), &info) != 0)
        Fail(Folder, errno);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    {
        const std::lock_guard<std::mutex> guard(HoldingsMutex);
        if (const auto held = Holdings.find({device_, inode_}); held != Holdings.end()) {
            ++held->second.Count;
            held_ = true;
            return;
        }
    }
    const bool wait = Wait == TWait::Wait;
    TFileHandle handle(::fcntl(folder.Get(), F_DUPFD_CLOEXEC, 0));
    if (handle.Get() < 0)
        Fail(Folder, errno);
    int error = TakeFlock(handle.Get(), wait);
    if (error != 0 && error != EWOULDBLOCK) {
        handle.Reset(RetryOnInterrupt([&] {
            return ::openat(folder.Get(), LockFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        }));
        struct stat lockInfo {};
        if (handle.Get() < 0 || ::fstat(handle.Get(), &lockInfo) != 0)
            Fail(Folder, errno);
        if (!S_ISREG(lockInfo.st_mode))
            Fail(Folder, EINVAL);
        error = TakeRecordLock(handle.Get(), wait);
        if (error != 0 && error != EWOULDBLOCK)
            Fail(Folder, error);
    }
    if (error == EWOULDBLOCK)
        return;
    const std::lock_guard<std::mutex> guard(HoldingsMutex);
    Holdings[{device_, inode_}] = THolding{handle.Release(), 1};
    held_ = true;
}

TFolderLock::~TFolderLock()
{
    if (!held_)
        return;
    const std::lock_guard<std::mutex> guard(HoldingsMutex);
    const auto held = Holdings.find({device_, inode_});
    if (held != Holdings.end() && --held->second.Count == 0) {
        ::close(held->second.Handle); // gives up the lock
        Holdings.erase(held);
    }
}
