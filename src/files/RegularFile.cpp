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

namespace {

// Reads the file in pieces of pieceBytes into a buffer and hands full the buffer and how many
// bytes of it the piece holds, once the piece is whole and at the file's end (an empty last piece
// is not handed).  Room grows only for a file that grew past its size.
template <class F>
void ReadPieces(const std::filesystem::path& fileName, std::size_t maxBytes, std::size_t pieceBytes, F full)
{
    // Opened without waiting for a FIFO's writer; only a regular file of at most maxBytes is read.
    const TFileHandle file(RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }));
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
    const std::size_t size = std::size_t(info.st_size);

    // A file smaller than a piece needs no more room than its size, and one byte to see its end.
    std::string buffer(std::max<std::size_t>(1, std::min(pieceBytes, size + 1)), '\0');
    std::size_t done = 0, filled = 0;
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.data() + filled, buffer.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Refuse(errno, maxBytes);
        done += std::size_t(n);
        if (done > maxBytes)
            Refuse(EFBIG, maxBytes);
        filled += std::size_t(n);
        if ((n == 0 || filled == pieceBytes) && filled > 0) {
            full(buffer, filled);
            filled = 0;
        }
        if (n == 0)
            return;
        if (filled == buffer.size()) // a file that grew past its size: room for a whole piece
            buffer.resize(std::min(pieceBytes, buffer.size() * 2));
    }
}

} // namespace

std::string ReadRegularFile(const std::filesystem::path& fileName, std::size_t maxBytes)
{
    // One piece: a file is refused once it passes maxBytes, before a piece of one byte more is
    // whole, so the piece is handed at the end, and its buffer becomes the bytes.
    std::string bytes;
    ReadPieces(fileName, maxBytes, maxBytes + 1, [&](std::string& buffer, std::size_t filled) {
        buffer.resize(filled);
        bytes.swap(buffer);
    });
    return bytes;
}

void ReadRegularFileInPieces(const std::filesystem::path& fileName, std::size_t maxBytes, std::size_t pieceBytes,
                             const std::function<void(std::string_view)>& piece)
{
    ReadPieces(fileName, maxBytes, pieceBytes,
               [&](const std::string& buffer, std::size_t filled) { piece(std::string_view(buffer.data(), filled)); });
}
