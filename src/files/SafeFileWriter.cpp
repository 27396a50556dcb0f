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
    if (TFileHandle probe(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)); probe.Get() < 0)
        ThrowIoError(errno);
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
    const TFileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Get() >= 0)
        ::fsync(handle.Get());
}

// A new file beside target for its next content: a name of its own, opened for writing with
// mode; -1 (errno set) when the folder takes none.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary, mode_t mode)
{
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string stem =
        "." + target.filename().string().substr(0, 200) + ".tmp" + std::to_string(::getpid()) + "-";
    for (int attempt = 0;; ++attempt) {
        temporary = folder / (stem + std::to_string(serial++));
        const int handle = RetryOnInterrupt([&] {
            return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        });
        if (handle >= 0 || errno != EEXIST || attempt == 100)
            return handle;
    }
}

// Writes content into the new file handle (named temporary, which is removed on failure) and renames
// it over target.
void RenameInto(int handle, const std::filesystem::path& temporary, const std::filesystem::path& target,
                std::string_view content, bool durable)
{
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
    WriteAt(file.Get(), content, 0);
    if (durable && RetryOnInterrupt([&] { return ::fsync(file.Get()); }) != 0)
        ThrowIoError(errno);
    file.Close();
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        ThrowIoError(errno);
    cleanup.done = true;
    if (durable)
        SyncFolder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
}

// What stands at path, not following a link: nothing, or a regular file.  Anything else is refused
// with the errno value given for it.
void RequireRegularOrNothing(const std::filesystem::path& path, void (*fail)(int))
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT)
            fail(errno);
        return;
    }
    if (!S_ISREG(info.st_mode))
        fail(S_ISDIR(info.st_mode) ? EISDIR : EACCES);
}

} // namespace

void ReplaceFile(const std::filesystem::path& fileName, std::string_view content, bool durable)
{
    const std::filesystem::path target = LinkTarget(fileName);
    const std::optional<mode_t> mode = ExistingMode(target);
    std::filesystem::path temporary;
    const int handle = CreateTemporary(target, temporary, 0666);
    if (handle < 0) {
        if (!mode)
            ThrowIoError(errno);
        WriteInPlace(target, content); // the folder takes no new file
        return;
    }
    if (mode)
        ::fchmod(handle, *mode); // the replaced file keeps its permissions
    RenameInto(handle, temporary, target, content, durable);
}

void ReplacePrivateFile(const std::filesystem::path& fileName, std::string_view content, bool durable)
{
    RequireRegularOrNothing(fileName, [](int error) { ThrowIoError(error); });
    std::filesystem::path temporary;
    TFileHandle file(CreateTemporary(fileName, temporary, 0600));
    if (file.Get() < 0)
        ThrowIoError(errno);
    if (::fchmod(file.Get(), 0600) != 0) {
        const int error = errno;
        file.TryClose();
        ::unlink(temporary.c_str());
        ThrowIoError(error);
    }
    RenameInto(file.Release(), temporary, fileName, content, durable);
}

int CreatePrivateFile(const std::filesystem::path& fileName)
{
    // Creating in a missing folder is the file layer's "Invalid filename".
    const auto fail = [](int error) { ThrowFileError(error == ENOENT ? ENOTDIR : error); };
    RequireRegularOrNothing(fileName, fail);
    if (::unlink(fileName.c_str()) != 0 && errno != ENOENT)
        fail(errno);
    TFileHandle handle(RetryOnInterrupt([&] {
        return ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    }));
    if (handle.Get() < 0)
        fail(errno == EEXIST ? EACCES : errno); // something was put in its place meanwhile
    if (::fchmod(handle.Get(), 0600) != 0)
        fail(errno);
    return handle.Release();
}
