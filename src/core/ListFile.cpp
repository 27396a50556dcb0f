#include "ListFile.h"

#include "Exceptions.h"
#include "PosixIO.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

template <class TRecord>
void CryptRecord(TRecord& record)
{
    TRecord::ForEachField(record, [](auto& field) { CryptChars(field.Chars, field.View().size()); });
}

// Reads a file through a buffer; never asks for bytes past its end twice.
class TListReader {
public:
    explicit TListReader(const std::filesystem::path& fileName)
    {
        // Without blocking on a pipe; only a regular file has an end (not a pipe or /dev/zero).
        FHandle = RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); });
        if (FHandle < 0)
            ThrowIoError(errno);
        struct stat info {};
        const int error = ::fstat(FHandle, &info) != 0 ? errno
                          : S_ISDIR(info.st_mode)       ? EISDIR
                          : !S_ISREG(info.st_mode)      ? EINVAL
                                                        : 0;
        if (error != 0) {
            ::close(FHandle);
            FHandle = -1;
            ThrowIoError(error);
        }
    }
    ~TListReader()
    {
        if (FHandle >= 0)
            ::close(FHandle);
    }
    TListReader(const TListReader&) = delete;
    TListReader& operator=(const TListReader&) = delete;

    bool AtEnd() { return FPos == FEnd && !Fill(); }

    // Reads the next sizeof(TRecord) bytes into a record and brings it into memory form
    // (fields normalised and unscrambled).  False when the file ends before the record does.
    template <class TRecord>
    bool ReadRecord(TRecord& record)
    {
        auto* bytes = reinterpret_cast<char*>(&record);
        std::size_t done = 0;
        while (done < sizeof(TRecord) && !AtEnd()) {
            const std::size_t n = std::min(sizeof(TRecord) - done, FEnd - FPos);
            std::memcpy(bytes + done, FBuffer.data() + FPos, n);
            FPos += n;
            done += n;
        }
        if (done < sizeof(TRecord))
            return false;
        TRecord::ForEachField(record, [](auto& field) { field.Normalize(); });
        CryptRecord(record);
        return true;
    }

    void Close()
    {
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0)
            ThrowIoError(errno);
    }

private:
    bool Fill()
    {
        const int n = RetryOnInterrupt([&] { return ::read(FHandle, FBuffer.data(), FBuffer.size()); });
        if (n < 0)
            ThrowIoError(errno);
        FPos = 0;
        FEnd = static_cast<std::size_t>(n);
        return n > 0;
    }

    int FHandle = -1;
    std::vector<char> FBuffer = std::vector<char>(1 << 16);
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
};

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

class TFileHandle {
public:
    explicit TFileHandle(int handle) : FHandle(handle) {}
    ~TFileHandle()
    {
        if (FHandle >= 0)
            ::close(FHandle);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    int Get() const { return FHandle; }
    void Close()
    {
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0)
            ThrowIoError(errno);
    }

private:
    int FHandle;
};

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
void ReplaceFile(const std::filesystem::path& fileName, std::string_view content)
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
    if (RetryOnInterrupt([&] { return ::fsync(file.Get()); }) != 0)
        ThrowIoError(errno);
    file.Close();
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        ThrowIoError(errno);
    cleanup.done = true;
    SyncFolder(folder);
}

template <class TRecord>
void AppendScrambled(std::string& bytes, const TRecord& record)
{
    TRecord copy = record;
    CryptRecord(copy);
    bytes.append(reinterpret_cast<const char*>(&copy), sizeof copy);
}

// Runs body and turns its failure into the text shown for it.
template <class Body>
std::optional<std::string> FailureText(const char* ioErrorText, const std::string& prefix, Body body)
{
    try {
        body();
        return std::nullopt;
    } catch (const EInOutError&) {
        return ioErrorText;
    } catch (const Exception& e) {
        return prefix + e.Message;
    } catch (const std::exception& e) {
        return prefix + e.what();
    }
}

} // namespace

void CryptPartij(TPartijRecord& record)
{
    CryptRecord(record);
}

void CryptKandidaat(TKandidaatRecord& record)
{
    CryptRecord(record);
}

void WriteLijst(const std::filesystem::path& fileName, const TPartijList& partijList,
                const TKandidaatList& kandidaatList)
{
    std::string bytes;
    bytes.reserve(sizeof(TPartijRecord) + sizeof(TKandidaatRecord) * std::size_t(kandidaatList.Count()));
    if (partijList.Count() > 0)
        AppendScrambled(bytes, *partijList.Items(0));
    for (int i = 0; i < kandidaatList.Count(); ++i)
        AppendScrambled(bytes, *kandidaatList.Items(i));
    ReplaceFile(fileName, bytes);
}

void ReadLijst(const std::filesystem::path& fileName, TPartijList& partijList, TKandidaatList& kandidaatList)
{
    TListReader file(fileName);
    partijList.Clear();
    kandidaatList.Clear();
    auto partij = std::make_unique<TPartijRecord>();
    if (!file.ReadRecord(*partij))
        throw Exception("Ongeldige partij record ingelezen.");
    partijList.Add(std::move(partij));
    while (!file.AtEnd()) {
        auto kandidaat = std::make_unique<TKandidaatRecord>();
        if (!file.ReadRecord(*kandidaat))
            throw Exception("Ongeldige kandidaat record ingelezen.");
        kandidaatList.Add(std::move(kandidaat));
    }
    file.Close();
}

std::optional<std::string> SaveLijstFile(const std::filesystem::path& fileName, const TPartijList& partijList,
                                         const TKandidaatList& kandidaatList)
{
    return FailureText("Kan gekozen bestand niet wegschrijven.", "frmMain.SaveLijst: ",
                       [&] { WriteLijst(fileName, partijList, kandidaatList); });
}

std::optional<std::string> OpenLijstFile(const std::filesystem::path& fileName, TPartijList& partijList,
                                         TKandidaatList& kandidaatList)
{
    return FailureText("Kan gekozen bestand niet openen.", "frmMain.OpenLijst: ",
                       [&] { ReadLijst(fileName, partijList, kandidaatList); });
}
