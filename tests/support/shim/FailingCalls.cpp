// A library preloaded into a child process (LD_PRELOAD) that makes chosen system calls on the files
// of one folder fail, one at a time or from some call on:
//
//   ZORVANDEL_FAIL_FOLDER=/tmp/x  ZORVANDEL_FAIL=create:ENOSPC:1+,write:EIO:2
//
// Each fault is kind:error:n: the n-th call of that kind fails (with "+" that call and every later
// one).  Kinds: open (every open), create (O_CREAT or O_TMPFILE), tmpfile (O_TMPFILE), write
// (write, pwrite), fsync, close, fchmod, truncate (ftruncate), rename, link (linkat); the error is an
// errno name (ENOSPC, EIO, EACCES, EPERM, EDQUOT, EOPNOTSUPP, ENOENT) or "short", a write of half the
// bytes asked.  A path is in the folder when it starts with the folder's path; a descriptor when it
// was opened by such a path.  A failing close still closes, as the kernel's does.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

enum TKind { kOpen, kCreate, kTmpFile, kWrite, kFsync, kClose, kFchmod, kTruncate, kRename, kLink, kKinds };
constexpr const char* KindNames[kKinds] = {"open",  "create", "tmpfile",  "write",  "fsync",
                                           "close", "fchmod", "truncate", "rename", "link"};
constexpr int Short = -1;

struct TFault {
    TKind Kind;
    int Error;
    int At;
    bool Lasting;
    std::atomic<int> Seen{0};
};

struct TConfig {
    std::string Folder;
    std::vector<TFault*> Faults;
    std::atomic<bool> Tracked[4096] = {};
};

int ErrorNumber(const std::string& name)
{
    static const struct {
        const char* Name;
        int Value;
    } known[] = {{"ENOSPC", ENOSPC}, {"EIO", EIO},       {"EACCES", EACCES},   {"EPERM", EPERM},
                 {"EDQUOT", EDQUOT}, {"ENOENT", ENOENT}, {"EOPNOTSUPP", EOPNOTSUPP}, {"short", Short}};
    for (const auto& k : known)
        if (name == k.Name)
            return k.Value;
    return std::atoi(name.c_str());
}

TConfig& Config()
{
    static TConfig* config = [] {
        auto* c = new TConfig;
        if (const char* folder = std::getenv("ZORVANDEL_FAIL_FOLDER"))
            c->Folder = folder;
        const char* wanted = std::getenv("ZORVANDEL_FAIL");
        std::string rest = wanted ? wanted : "";
        while (!rest.empty()) {
            const std::string one = rest.substr(0, rest.find(','));
            rest.erase(0, one.size() + 1);
            const std::size_t c1 = one.find(':'), c2 = one.find(':', c1 + 1);
            if (c1 == std::string::npos || c2 == std::string::npos)
                continue;
            for (int k = 0; k < kKinds; ++k)
                if (one.substr(0, c1) == KindNames[k]) {
                    auto* fault = new TFault{TKind(k), ErrorNumber(one.substr(c1 + 1, c2 - c1 - 1)),
                                             std::atoi(one.c_str() + c2 + 1), one.back() == '+'};
                    c->Faults.push_back(fault);
                }
        }
        return c;
    }();
    return *config;
}

bool InFolder(const char* path)
{
    const std::string& folder = Config().Folder;
    return !folder.empty() && path && std::strncmp(path, folder.c_str(), folder.size()) == 0 &&
           (path[folder.size()] == '\0' || path[folder.size()] == '/');
}

bool TrackedHandle(int fd)
{
    return fd >= 0 && fd < 4096 && Config().Tracked[fd].load();
}

void Track(int fd, bool on)
{
    if (fd >= 0 && fd < 4096)
        Config().Tracked[fd] = on;
}

// The error the next call of kind gets: 0 for none.
int Fault(TKind kind)
{
    for (TFault* fault : Config().Faults)
        if (fault->Kind == kind) {
            const int n = ++fault->Seen;
            if (n == fault->At || (fault->Lasting && n > fault->At))
                return fault->Error;
        }
    return 0;
}

template <class F>
F* Real(const char* name)
{
    return reinterpret_cast<F*>(::dlsym(RTLD_NEXT, name));
}

int OpenAt(int dirfd, const char* path, int flags, mode_t mode)
{
    using F = int(int, const char*, int, ...);
    static F* real = Real<F>("openat");
    const bool mine = (dirfd == AT_FDCWD || path[0] == '/') && InFolder(path);
    if (mine) {
        int error = Fault(kOpen);
        if (!error && (flags & (O_CREAT | (O_TMPFILE & ~O_DIRECTORY))))
            error = Fault(kCreate);
        if (!error && (flags & O_TMPFILE) == O_TMPFILE)
            error = Fault(kTmpFile);
        if (error > 0) {
            errno = error;
            return -1;
        }
    }
    const int fd = real(dirfd, path, flags, mode);
    if (mine && fd >= 0)
        Track(fd, true);
    return fd;
}

mode_t ModeOf(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

// Whether a write of count bytes to fd fails; a short one asks for half of them.
bool WriteFails(int fd, std::size_t& count)
{
    if (!TrackedHandle(fd))
        return false;
    const int error = Fault(kWrite);
    if (error == Short && count > 1)
        count /= 2;
    else if (error > 0) {
        errno = error;
        return true;
    }
    return false;
}

// -1 (errno set) when this call of kind on fd fails, else 0.
int FdCall(TKind kind, int fd)
{
    if (!TrackedHandle(fd))
        return 0;
    const int error = Fault(kind);
    if (error > 0)
        errno = error;
    return error > 0 ? -1 : 0;
}

// The same for a call that gives a file the name to.
int NameCall(TKind kind, const char* to)
{
    const int error = InFolder(to) ? Fault(kind) : 0;
    if (error > 0)
        errno = error;
    return error > 0 ? -1 : 0;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenAt(AT_FDCWD, path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenAt(AT_FDCWD, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenAt(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    return OpenAt(dirfd, path, flags, mode);
}

int __open_2(const char* path, int flags)
{
    return OpenAt(AT_FDCWD, path, flags, 0);
}

int __open64_2(const char* path, int flags)
{
    return OpenAt(AT_FDCWD, path, flags, 0);
}

ssize_t write(int fd, const void* buffer, std::size_t count)
{
    static auto* real = Real<ssize_t(int, const void*, std::size_t)>("write");
    if (WriteFails(fd, count))
        return -1;
    return real(fd, buffer, count);
}

ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset)
{
    static auto* real = Real<ssize_t(int, const void*, std::size_t, off_t)>("pwrite");
    if (WriteFails(fd, count))
        return -1;
    return real(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void* buffer, std::size_t count, off_t offset)
{
    static auto* real = Real<ssize_t(int, const void*, std::size_t, off_t)>("pwrite64");
    if (WriteFails(fd, count))
        return -1;
    return real(fd, buffer, count, offset);
}

int fsync(int fd)
{
    static auto* real = Real<int(int)>("fsync");
    return FdCall(kFsync, fd) < 0 ? -1 : real(fd);
}

int fdatasync(int fd)
{
    static auto* real = Real<int(int)>("fdatasync");
    return FdCall(kFsync, fd) < 0 ? -1 : real(fd);
}

int fchmod(int fd, mode_t mode)
{
    static auto* real = Real<int(int, mode_t)>("fchmod");
    return FdCall(kFchmod, fd) < 0 ? -1 : real(fd, mode);
}

int ftruncate(int fd, off_t length)
{
    static auto* real = Real<int(int, off_t)>("ftruncate");
    return FdCall(kTruncate, fd) < 0 ? -1 : real(fd, length);
}

int ftruncate64(int fd, off_t length)
{
    static auto* real = Real<int(int, off_t)>("ftruncate64");
    return FdCall(kTruncate, fd) < 0 ? -1 : real(fd, length);
}

int close(int fd)
{
    static auto* real = Real<int(int)>("close");
    const int failed = FdCall(kClose, fd) < 0 ? errno : 0;
    Track(fd, false);
    const int result = real(fd);
    if (failed) {
        errno = failed;
        return -1;
    }
    return result;
}

int rename(const char* from, const char* to)
{
    static auto* real = Real<int(const char*, const char*)>("rename");
    return NameCall(kRename, to) < 0 ? -1 : real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to)
{
    static auto* real = Real<int(int, const char*, int, const char*)>("renameat");
    return NameCall(kRename, to) < 0 ? -1 : real(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    static auto* real = Real<int(int, const char*, int, const char*, unsigned)>("renameat2");
    return NameCall(kRename, to) < 0 ? -1 : real(fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags)
{
    static auto* real = Real<int(int, const char*, int, const char*, int)>("linkat");
    return NameCall(kLink, to) < 0 ? -1 : real(fromDir, from, toDir, to, flags);
}

} // extern "C"
