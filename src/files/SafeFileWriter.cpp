#include "SafeFileWriter.h"

#include "Exceptions.h"
#include "FolderEntries.h"
#include "PosixIO.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
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

// The permissions of the regular file at target; none when nothing stands there.  A directory or
// device is not replaced.
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
    return info.st_mode & 07777;
}

// Only a file that we may write is replaced, not a read-only one behind its back.
void RequireWritable(const std::filesystem::path& target)
{
    if (TFileHandle probe(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)); probe.Get() < 0)
        ThrowIoError(errno);
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

int Sync(int handle)
{
    return RetryOnInterrupt([&] { return ::fsync(handle); });
}

// Overwrites an existing file with content, for a folder that takes no new file, as the header
// tells.  Sets damaged when a failure leaves the file with other than its old content.
void WriteInPlace(const std::filesystem::path& target, std::string_view content, bool& damaged)
{
    TFileHandle file(RetryOnInterrupt([&] { return ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); }));
    if (file.Get() < 0)
        ThrowIoError(errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        ThrowIoError(errno);
    if (!S_ISREG(info.st_mode))
        ThrowIoError(EINVAL);
    LockFile(file.Get(), LOCK_EX);
    const std::string old = ReadAll(file.Get());
    bool oldTouched = false;
    try {
        if (content.size() > old.size())
            WriteAt(file.Get(), content.substr(old.size()), off_t(old.size()));
        oldTouched = true;
        WriteAt(file.Get(), content.substr(0, std::min(content.size(), old.size())), 0);
        if (::ftruncate(file.Get(), off_t(content.size())) != 0 || Sync(file.Get()) != 0)
            ThrowIoError(errno);
    } catch (const EInOutError&) {
        try {
            if (oldTouched)
                WriteAt(file.Get(), old, 0);
            damaged = ::ftruncate(file.Get(), off_t(old.size())) != 0 || Sync(file.Get()) != 0;
        } catch (const EInOutError&) {
            damaged = true;
        }
        throw;
    }
    // The content is on the disk: a failed close loses nothing.
}

// Makes a rename in folder durable; the file is in place already, so a failure here is ignored.
void SyncFolder(const std::filesystem::path& folder)
{
    const TFileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.Get() >= 0)
        ::fsync(handle.Get());
}

std::filesystem::path FolderOf(const std::filesystem::path& target)
{
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// The temporary names of target's next content: this stem, the process number, "-" and a number.
std::string TemporaryStem(const std::filesystem::path& target)
{
    return "." + target.filename().string().substr(0, 200) + ".tmp";
}

std::string TemporaryName(const std::string& stem)
{
    static std::atomic<unsigned> serial{0};
    return stem + std::to_string(::getpid()) + "-" + std::to_string(serial++);
}

// The process that named a temporary, when name is stem, a process number, "-" and a number.
std::optional<pid_t> TemporaryOwner(std::string_view name, std::string_view stem)
{
    if (!name.starts_with(stem))
        return std::nullopt;
    name.remove_prefix(stem.size());
    const auto digits = [](std::string_view part) {
        return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::size_t dash = name.find('-');
    pid_t pid = 0;
    if (dash == std::string_view::npos || !digits(name.substr(0, dash)) || !digits(name.substr(dash + 1)) ||
        std::from_chars(name.data(), name.data() + dash, pid).ec != std::errc() || pid <= 0)
        return std::nullopt;
    return pid;
}

// Removes what processes that have ended left in folder under the temporary names of stem: regular
// files of this user only; no link is followed.  A process that still runs may be writing its own.
void RemoveLeftovers(const std::filesystem::path& folder, const std::string& stem)
{
    const TFileHandle handle(
        RetryOnInterrupt([&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC); }));
    if (handle.Get() < 0)
        return;
    RemoveOwnFiles(handle.Get(), [&](const char* name) {
        const std::optional<pid_t> owner = TemporaryOwner(name, stem);
        return owner && ::kill(*owner, 0) != 0 && errno == ESRCH;
    });
}

// A new file in folder for the next content, open for writing with mode: unnamed where asked (and
// temporary left empty), else under a temporary name of its own.  -1 (errno set) on failure.
int CreateNew(const std::filesystem::path& folder, const std::string& stem, mode_t mode, bool unnamed,
              std::filesystem::path& temporary)
{
    temporary.clear();
    if (unnamed)
        return RetryOnInterrupt([&] { return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode); });
    for (int attempt = 0;; ++attempt) {
        const std::filesystem::path name = folder / TemporaryName(stem);
        const int handle = RetryOnInterrupt(
            [&] { return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode); });
        if (handle >= 0)
            temporary = name;
        if (handle >= 0 || errno != EEXIST || attempt == 100)
            return handle;
    }
}

// Gives the complete unnamed file handle a temporary name in folder: through /proc, else directly
// (which takes a privilege).  False (errno set) when it cannot.
bool NameUnnamed(int handle, const std::filesystem::path& folder, const std::string& stem,
                 std::filesystem::path& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(handle);
    for (int attempt = 0;; ++attempt) {
        const std::filesystem::path name = folder / TemporaryName(stem);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno == ENOENT && ::linkat(handle, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
            temporary = name;
            return true;
        }
        if (errno != EEXIST || attempt == 100)
            return false;
    }
}

// Removes a temporary name unless the file was renamed into place.
struct TRemoveTemporary {
    const std::filesystem::path& Name;
    bool Done = false;
    ~TRemoveTemporary()
    {
        if (!Done && !Name.empty())
            ::unlink(Name.c_str());
    }
};

// Writes content into a new file beside target and renames it over target, as the header tells.
// The new file gets keepMode (a failure to give it is a failure), else the mode a new file gets.
// Returns 0, or EACCES or EPERM when the folder takes no new file; raises every other failure.
int RenameInto(const std::filesystem::path& target, std::string_view content, std::optional<mode_t> keepMode,
               bool durable)
{
    const std::filesystem::path folder = FolderOf(target);
    const std::string stem = TemporaryStem(target);
    RemoveLeftovers(folder, stem);
    for (const bool unnamed : {true, false}) {
        std::filesystem::path temporary;
        TFileHandle file(CreateNew(folder, stem, keepMode ? 0600 : 0666, unnamed, temporary));
        if (file.Get() < 0) {
            const int error = errno;
            if (unnamed && (error == EOPNOTSUPP || error == EISDIR || error == EINVAL))
                continue; // the file system has no unnamed files
            if (error == EACCES || error == EPERM)
                return error;
            ThrowIoError(error);
        }
        TRemoveTemporary cleanup{temporary};
        if (keepMode && ::fchmod(file.Get(), *keepMode) != 0)
            ThrowIoError(errno);
        WriteAt(file.Get(), content, 0);
        if (durable && Sync(file.Get()) != 0)
            ThrowIoError(errno);
        if (unnamed && !NameUnnamed(file.Get(), folder, stem, temporary)) {
            if (errno == ENOENT)
                continue; // no /proc: written again under a name
            ThrowIoError(errno);
        }
        if (!durable)
            file.Close(); // a failed close may have lost what was written
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            ThrowIoError(errno);
        cleanup.Done = true;
        if (durable)
            SyncFolder(folder);
        return 0; // durable: the content is on the disk, so a failed close loses nothing
    }
    ThrowIoError(EOPNOTSUPP);
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
    bool noNewFile = false;
    auto old = EReplaceError::TOldFile::None;
    try {
        const std::filesystem::path target = LinkTarget(fileName);
        const std::optional<mode_t> mode = ExistingMode(target);
        if (mode) {
            old = EReplaceError::TOldFile::Unchanged;
            RequireWritable(target);
        }
        const int refused = RenameInto(target, content, mode, durable);
        if (refused == 0)
            return;
        noNewFile = true;
        if (!mode)
            ThrowIoError(refused);
        bool damaged = false;
        try {
            WriteInPlace(target, content, damaged);
        } catch (const EInOutError&) {
            if (damaged)
                old = EReplaceError::TOldFile::Damaged;
            throw;
        }
    } catch (const EInOutError& e) {
        throw EReplaceError(e, noNewFile, old);
    }
}

void ReplacePrivateFile(const std::filesystem::path& fileName, std::string_view content, bool durable)
{
    RequireRegularOrNothing(fileName, [](int error) { ThrowIoError(error); });
    if (const int refused = RenameInto(fileName, content, 0600, durable))
        ThrowIoError(refused);
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
