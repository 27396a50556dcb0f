#include "SafeFileWriter.h"

#include "Exceptions.h"
#include "PosixIO.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// The file a path names once every symbolic link on it is followed; it need not exist yet.
std::filesystem::path LinkTarget(std::filesystem::path path)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return path;
            ThrowIoError(errno);
        }
        if (!S_ISLNK(info.st_mode))
            return path;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            ThrowIoError(error.value());
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    ThrowIoError(ELOOP);
}

// The permissions of the file being replaced, if there is one.  Only a regular file that we may
// write is replaced: not a directory or device, nor a read-only file behind its back.
std::optional<mode_t> ExistingMode(const std::filesystem::path& target)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT)
            ThrowIoError(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode))
        ThrowIoError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0)
        ThrowIoError(errno);
    ::close(probe);
    return info.st_mode & 07777;
}

constexpr std::size_t MaxChunk = std::size_t(1) << 30;

// Writes all of bytes at offset.
void WriteAt(int handle, std::string_view bytes, off_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = RetryOnInterrupt([&] {
            return ::pwrite(handle, bytes.data() + done, std::min(bytes.size() - done, MaxChunk), offset + off_t(done));
        });
        if (n < 0)
            ThrowIoError(errno);
        done += std::size_t(n);
    }
}

std::string ReadAll(int handle)
{
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const int n = RetryOnInterrupt([&] { return ::pread(handle, buffer, sizeof buffer, off_t(bytes.size())); });
        if (n < 0)
            ThrowIoError(errno);
        if (n == 0)
            return bytes;
        bytes.append(buffer, std::size_t(n));
    }
}

// Overwrites an existing file with content, for a folder that takes no new file.  The part past
// the old end is written first, so a full disk or a size limit stops it before any old byte is
// touched; any later failure puts the old content (kept in memory) back over the blocks it had.
void WriteInPlace(const std::filesystem::path& target, std::string_view content)
{
    TFileHandle file(RetryOnInterrupt([&] { return ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); }));
    if (file.Get() < 0)
        ThrowIoError(errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        ThrowIoError(errno);
    if (!S_ISREG(info.st_mode))
        ThrowIoError(EINVAL);
    const std::string old = ReadAll(file.Get());
    bool oldTouched = false;
    try {
        if (content.size() > old.size())
            WriteAt(file.Get(), content.substr(old.size()), off_t(old.size()));
        oldTouched = true;
        WriteAt(file.Get(), content.substr(0, std::min(content.size(), old.size())), 0);
        if (::ftruncate(file.Get(), off_t(content.size())) != 0 ||
            RetryOnInterrupt([&] { return ::fsync(file.Get()); }) != 0)
            ThrowIoError(errno);
    } catch (const EInOutError&) {
        try {
            if (oldTouched)
                WriteAt(file.Get(), old, 0);
        } catch (const EInOutError&) {
        }
        if (::ftruncate(file.Get(), off_t(old.size())) == 0)
            ::fsync(file.Get());
        throw;
    }
    file.Close();
}

// Makes a rename in folder durable; the file is in place already, so a failure here is ignored.
void SyncFolder(const std::filesystem::path& folder)
{
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

// Replaces the content of the file fileName names (through its links; the links stay), or
// creates it.  The new content goes into a file beside the target that is renamed over it, so a
// failure leaves the target as it was; where the folder takes no new file, an existing target is
// overwritten in place (WriteInPlace).
} // namespace

void ReplaceFile(const std::filesystem::path& fileName, std::string_view content, bool durable)
{
    const std::filesystem::path target = LinkTarget(fileName);
    const std::optional<mode_t> mode = ExistingMode(target);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");

    static std::atomic<unsigned> serial{0};
    const std::string stem =
        "." + target.filename().string().substr(0, 200) + ".tmp" + std::to_string(::getpid()) + "-";
    std::filesystem::path temporary;
    int handle = -1;
    for (int attempt = 0; handle < 0; ++attempt) {
        temporary = folder / (stem + std::to_string(serial++));
        handle = RetryOnInterrupt(
            [&] { return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (handle < 0 && (errno != EEXIST || attempt == 100)) {
            if (!mode)
                ThrowIoError(errno);
            WriteInPlace(target, content);
            return;
        }
    }
    struct Cleanup {
        const std::filesystem::path& temporary;
        bool done = false;
        ~Cleanup()
        {
            if (!done)
                ::unlink(temporary.c_str());
        }
    } cleanup{temporary};
    TFileHandle file(handle);
    if (mode)
        ::fchmod(file.Get(), *mode); // the replaced file keeps its permissions
    WriteAt(file.Get(), content, 0);
    if (durable && RetryOnInterrupt([&] { return ::fsync(file.Get()); }) != 0)
        ThrowIoError(errno);
    file.Close();
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        ThrowIoError(errno);
    cleanup.done = true;
    if (durable)
        SyncFolder(folder);
}

