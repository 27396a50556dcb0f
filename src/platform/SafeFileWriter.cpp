#include "SafeFileWriter.h"

#include "PosixIO.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

TSafeFileWriter::TSafeFileWriter(std::filesystem::path fileName) : FTarget(std::move(fileName))
{
    std::error_code ignored;
    if (std::filesystem::is_symlink(FTarget, ignored)) // replace the file the link names, keep the link
        FTarget = std::filesystem::weakly_canonical(FTarget, ignored);
    CreateTemporary(ExistingMode());
}

TSafeFileWriter::~TSafeFileWriter()
{
    if (FHandle >= 0)
        ::close(FHandle);
    if (!FTemporary.empty())
        ::unlink(FTemporary.c_str());
}

void TSafeFileWriter::Write(const void* data, std::size_t size)
{
    FBuffer.append(static_cast<const char*>(data), size);
    if (FBuffer.size() >= BufferSize)
        Flush();
}

void TSafeFileWriter::Commit(bool durable)
{
    Flush();
    if (durable && RetryOnInterrupt([&] { return ::fsync(FHandle); }) != 0)
        ThrowIoError(errno);
    const int handle = FHandle;
    FHandle = -1;
    if (::close(handle) != 0)
        ThrowIoError(errno);
    if (::rename(FTemporary.c_str(), FTarget.c_str()) != 0)
        ThrowIoError(errno);
    FTemporary.clear();
    if (durable)
        SyncFolder();
}

std::filesystem::path TSafeFileWriter::Folder() const
{
    return FTarget.has_parent_path() ? FTarget.parent_path() : std::filesystem::path(".");
}

// The permissions of the file being replaced, if there is one.  Only a regular file that we
// may write is replaced: not a directory or device, nor a read-only file behind its back.
std::optional<mode_t> TSafeFileWriter::ExistingMode() const
{
    struct stat info {};
    if (::stat(FTarget.c_str(), &info) != 0) {
        if (errno != ENOENT)
            ThrowIoError(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode))
        ThrowIoError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    const int probe = ::open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0)
        ThrowIoError(errno);
    ::close(probe);
    return info.st_mode & 07777;
}

void TSafeFileWriter::CreateTemporary(std::optional<mode_t> mode)
{
    static std::atomic<unsigned> serial{0};
    const std::string stem =
        "." + FTarget.filename().string().substr(0, 200) + ".tmp" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; FHandle < 0; ++attempt) {
        FTemporary = Folder() / (stem + std::to_string(serial++));
        FHandle = RetryOnInterrupt(
            [&] { return ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (FHandle < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            FTemporary.clear();
            ThrowIoError(error);
        }
    }
    if (mode)
        ::fchmod(FHandle, *mode); // the replaced file keeps its permissions
}

void TSafeFileWriter::Flush()
{
    std::size_t done = 0;
    while (done < FBuffer.size()) {
        const int n =
            RetryOnInterrupt([&] { return ::write(FHandle, FBuffer.data() + done, FBuffer.size() - done); });
        if (n < 0)
            ThrowIoError(errno);
        done += static_cast<std::size_t>(n);
    }
    FBuffer.clear();
}

// Makes the rename itself durable; the file is in place already, so a failure here is ignored.
void TSafeFileWriter::SyncFolder() const
{
    const int folder = ::open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
