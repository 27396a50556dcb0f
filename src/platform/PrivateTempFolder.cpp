#include "PrivateTempFolder.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const QString& path, const char* what, int error)
{
    std::string message = "Temporary folder " + QStringToAnsi(path) + " " + what;
    if (error != 0)
        message += std::string(": ") + std::strerror(error);
    throw EInOutError(message, error);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

QString PrivateTempFolder()
{
    const uid_t user = ::geteuid();
    const QString path = QDir::tempPath() + "/zorvandel-" + QString::number(user);
    const QByteArray name = QFile::encodeName(path);

    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        Fail(path, "cannot be created", errno);

    // Checked through a descriptor of the directory itself, never through a link in its place.
    const Descriptor dir(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0)
        Fail(path, "is not a directory of its own", errno);
    struct stat info {};
    if (::fstat(dir.get(), &info) != 0)
        Fail(path, "cannot be examined", errno);
    if (info.st_uid != user)
        Fail(path, "belongs to another user", 0);
    if ((info.st_mode & 07777) != 0700 && ::fchmod(dir.get(), 0700) != 0)
        Fail(path, "cannot be made private", errno);
    return path;
}
