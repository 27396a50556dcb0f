#include "RegularFile.h"

#include "Exceptions.h"
#include "PosixIO.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

[[noreturn]] void Refuse(int error, std::size_t maxBytes)
{
    switch (error) {
    case ENOENT: throw EInOutError("het bestand bestaat niet", error);
    case EACCES: case EPERM: throw EInOutError("geen toegang", error);
    case EISDIR: throw EInOutError("het is een map", error);
    case EINVAL: throw EInOutError("het is geen gewoon bestand", error);
    case EFBIG: throw EInOutError("het bestand is groter dan " + SizeText(maxBytes), error);
    default: throw EInOutError("leesfout " + std::to_string(error), error);
    }
}

} // namespace

std::string SizeText(std::size_t bytes)
{
    if (bytes != 0 && bytes % (std::size_t(1) << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    if (bytes != 0 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + " kB";
    return std::to_string(bytes) + " bytes";
}

std::string ReadRegularFile(const std::filesystem::path& fileName, std::size_t maxBytes)
{
    TFileHandle file(RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
    if (file.Get() < 0)
        Refuse(errno, maxBytes);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        Refuse(errno, maxBytes);
    if (S_ISDIR(info.st_mode))
        Refuse(EISDIR, maxBytes);
    if (!S_ISREG(info.st_mode))
        Refuse(EINVAL, maxBytes);
    if (info.st_size < 0 || std::uintmax_t(info.st_size) > maxBytes)
        Refuse(EFBIG, maxBytes);

    // One byte more than allowed tells a file that grew while it was read.
    std::string bytes(std::size_t(info.st_size) + 1, '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > maxBytes)
                Refuse(EFBIG, maxBytes);
            bytes.resize(std::min(maxBytes + 1, done + std::max<std::size_t>(done / 2, 1 << 16)));
        }
        const ssize_t n = ::read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Refuse(errno, maxBytes);
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    if (done > maxBytes)
        Refuse(EFBIG, maxBytes);
    bytes.resize(done);
    return bytes;
}
