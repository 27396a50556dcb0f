#pragma once
// Small helpers for the program's own file reading and writing on POSIX calls.

#include "Exceptions.h"

#include <cerrno>
#include <string>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

// Raises the input/output error for an errno value, with the system's text.
[[noreturn]] inline void ThrowIoError(int error)
{
    throw EInOutError(std::system_category().message(error), error);
}

// Runs a system call again while a signal interrupts it.
int RetryOnInterrupt(auto call)
{
    int result;
    do
        result = static_cast<int>(call());
    while (result < 0 && errno == EINTR);
    return result;
}

// Takes the flock(2) lock operation (LOCK_SH or LOCK_EX) on handle, waiting while another process
// holds the file, about five seconds at most; then raises EInOutError (EWOULDBLOCK).  On a file
// system without such locks the file stays unlocked.
inline void LockFile(int handle, int operation)
{
    for (int wait = 0;; ++wait) {
        if (RetryOnInterrupt([&] { return ::flock(handle, operation | LOCK_NB); }) == 0 || errno != EWOULDBLOCK)
            return;
        if (wait == 500)
            ThrowIoError(EWOULDBLOCK);
        ::usleep(10000);
    }
}

// The file layer's text for an errno value: "File not found", "Invalid filename", "Too many open
// files", "File access denied", "Disk full", else "I/O error <number>".
inline std::string FileErrorText(int error)
{
    switch (error) {
    case ENOENT: return "File not found";
    case ENOTDIR: case ENAMETOOLONG: return "Invalid filename";
    case EMFILE: case ENFILE: return "Too many open files";
    case EACCES: case EPERM: case EROFS: case EISDIR: return "File access denied";
    case ENOSPC: case EDQUOT: case EFBIG: return "Disk full";
    default: return "I/O error " + std::to_string(error);
    }
}

// Raises the input/output error for an errno value, with the file layer's text.
[[noreturn]] inline void ThrowFileError(int error)
{
    throw EInOutError(FileErrorText(error), error);
}

// Owns a file descriptor: closed on destruction, or by Close, which reports a failed close.
class TFileHandle {
public:
    explicit TFileHandle(int handle) : handle_(handle) {}
    ~TFileHandle()
    {
        if (handle_ >= 0)
            ::close(handle_);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return handle_; }
    // Closes now; 0, or the errno of a failed close.
    int TryClose()
    {
        const int handle = handle_;
        handle_ = -1;
        return handle >= 0 && ::close(handle) != 0 ? errno : 0;
    }
    void Close()
    {
        if (const int error = TryClose())
            ThrowIoError(error);
    }
    // Closes the one held and holds handle instead.
    void Reset(int handle)
    {
        TryClose();
        handle_ = handle;
    }
    // Hands the descriptor to the caller, who closes it.
    int Release()
    {
        const int handle = handle_;
        handle_ = -1;
        return handle;
    }

private:
    int handle_;
};
