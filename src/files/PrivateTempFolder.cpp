#include "PrivateTempFolder.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "FolderEntries.h"
#include "PosixIO.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const QString& path, const char* what, int error)
{
    std::string message = "De tijdelijke map " + PathInMessage(path) + " " + what;
    if (error != 0)
        message += " (foutcode " + std::to_string(error) + ")";
    throw EInOutError(message, error);
}

// The entries of the open directory dir, without "." and "..".  Returns errno, 0 when it could be read.
int EntriesOf(int dir, std::vector<std::string>& names)
{
    return ForEachEntry(dir, [&](const char* name) { names.emplace_back(name); });
}

// Whether the directory holds an entry that is not the user's.
bool HoldsForeignEntries(int dir, uid_t user)
{
    std::vector<std::string> names;
    if (EntriesOf(dir, names) != 0)
        return true;
    for (const std::string& name : names) {
        struct stat info {};
        if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_uid != user)
            return true;
    }
    return false;
}

// Removes everything inside the open directory dir, never following a link: a subdirectory is
// opened relative to its parent with O_NOFOLLOW, so a link swapped in meanwhile is only unlinked.
// Returns errno of the first failure, 0 when it is empty.
int RemoveEntries(int dir, int depth = 0)
{
    if (depth > 64)
        return ELOOP;
    std::vector<std::string> names;
    if (const int error = EntriesOf(dir, names))
        return error;
    for (const std::string& name : names) {
        if (::unlinkat(dir, name.c_str(), 0) == 0 || errno == ENOENT)
            continue;
        if (errno != EISDIR && errno != EPERM)
            return errno;
        const TFileHandle sub(::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (sub.Get() < 0)
            return errno;
        if (const int error = RemoveEntries(sub.Get(), depth + 1))
            return error;
        if (::unlinkat(dir, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            return errno;
    }
    return 0;
}

// The folder this process last found private and free of other users' entries, held open so
// that no other directory can take its device and inode number.  While it stays ours with mode
// 0700 no other user can add an entry, so its entries need no second look.
struct TCheckedFolder {
    std::mutex Lock;
    TFileHandle Folder{-1};
};

TCheckedFolder& CheckedFolder()
{
    static TCheckedFolder checked;
    return checked;
}

bool SameDirectory(int held, const struct stat& info)
{
    struct stat heldInfo {};
    return held >= 0 && ::fstat(held, &heldInfo) == 0 && heldInfo.st_dev == info.st_dev && heldInfo.st_ino == info.st_ino;
}

// Whether path names a folder of the user's into which no one else can put anything.  The runtime
// folder must be as the desktop makes it: a directory itself (no link), the user's, mode 0700.  A
// TMPDIR the user set may be reached through a link, but a shared one such as /tmp does not count.
enum class TBase { Runtime, TmpDir };
bool UsersOwnFolder(const QByteArray& path, uid_t user, TBase base)
{
    struct stat info {};
    if (!path.startsWith('/'))
        return false;
    if ((base == TBase::Runtime ? ::lstat(path.constData(), &info) : ::stat(path.constData(), &info)) != 0)
        return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != user)
        return false;
    return base == TBase::Runtime ? (info.st_mode & 07777) == 0700 : (info.st_mode & 022) == 0;
}

// Makes the missing folders of path, each of mode 0700 (a folder that is there is left as it is).
void MakeFolders(const QString& path)
{
    const QStringList parts = path.split('/', Qt::SkipEmptyParts);
    QString made;
    for (const QString& part : parts) {
        made += "/" + part;
        ::mkdir(QFile::encodeName(made).constData(), 0700);
    }
}

// The folder that holds the private folder, where no other user can take its name first: the
// desktop's runtime folder for the user, else the TMPDIR the user set, else the user's cache folder.
QString PrivateTempBase(uid_t user)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (UsersOwnFolder(runtime, user, TBase::Runtime))
        return QDir::cleanPath(QFile::decodeName(runtime));
    const QByteArray tmpDir = qgetenv("TMPDIR");
    if (UsersOwnFolder(tmpDir, user, TBase::TmpDir))
        return QDir::cleanPath(QFile::decodeName(tmpDir));
    const QString cache = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
    if (!cache.startsWith('/'))
        Fail("zorvandel-" + QString::number(user), "kan niet worden aangemaakt", ENOENT);
    MakeFolders(cache);
    return cache;
}

} // namespace

QString PrivateTempFolder()
{
    const uid_t user = ::geteuid();
    const QString path = PrivateTempBase(user) + "/zorvandel-" + QString::number(user);
    const QByteArray name = QFile::encodeName(path);

    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        Fail(path, "kan niet worden aangemaakt", errno);

    // Checked through a descriptor of the directory itself, never through a link in its place.
    const TFileHandle dir(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.Get() < 0)
        Fail(path, "is geen eigen map", errno);
    struct stat info {};
    if (::fstat(dir.Get(), &info) != 0)
        Fail(path, "kan niet worden onderzocht", errno);
    if (info.st_uid != user)
        Fail(path, "is van een andere gebruiker", 0);
    const bool wasOpen = (info.st_mode & 07777) != 0700;
    if (wasOpen && ::fchmod(dir.Get(), 0700) != 0)
        Fail(path, "kan niet worden afgeschermd", errno);
    TCheckedFolder& checked = CheckedFolder();
    const std::lock_guard<std::mutex> guard(checked.Lock);
    if (!wasOpen && SameDirectory(checked.Folder.Get(), info))
        return path;
    if (wasOpen || HoldsForeignEntries(dir.Get(), user))
        if (const int error = RemoveEntries(dir.Get()))
            Fail(path, "kan niet worden leeggemaakt", error);
    checked.Folder.Reset(::fcntl(dir.Get(), F_DUPFD_CLOEXEC, 0));
    return path;
}
