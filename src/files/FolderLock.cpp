#include "FolderLock.h"

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

} // namespace

TFolderLock::TFolderLock(const std::string& Folder, TWait Wait)
{
    TFileHandle handle(RetryOnInterrupt(
        [&] { return ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC); }));
    struct stat info {};
    if (handle.Get() < 0 || ::fstat(handle.Get(), &info) != 0)
        return;
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
    const int operation = LOCK_EX | (Wait == TWait::DontWait ? LOCK_NB : 0);
    if (RetryOnInterrupt([&] { return ::flock(handle.Get(), operation); }) != 0) {
        busy_ = errno == EWOULDBLOCK;
        return;
    }
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
