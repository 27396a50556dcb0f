#include "FolderEntries.h"

#include "PosixIO.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int ForEachEntry(int dir, const std::function<void(const char* Name)>& each)
{
    TFileHandle copy(::fcntl(dir, F_DUPFD_CLOEXEC, 0));
    DIR* stream = copy.Get() < 0 ? nullptr : ::fdopendir(copy.Get());
    if (!stream)
        return errno;
    copy.Release(); // the stream owns it now
    const std::unique_ptr<DIR, int (*)(DIR*)> owned(stream, ::closedir);
    ::rewinddir(stream);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (!entry)
            return errno;
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            each(entry->d_name);
    }
}

void RemoveOwnFiles(int dir, const std::function<bool(const char* Name)>& leftover)
{
    std::vector<std::string> names;
    ForEachEntry(dir, [&](const char* name) {
        if (leftover(name))
            names.emplace_back(name);
    });
    for (const std::string& name : names) {
        struct stat info {};
        if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == ::geteuid())
            ::unlinkat(dir, name.c_str(), 0);
    }
}
