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
        FHandle = RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC); });
        if (FHandle < 0)
            ThrowIoError(errno);
        struct stat info {};
        const int error = ::fstat(FHandle, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
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

// Writes a new file beside the target and renames it over the target on Commit; until then, and
// after any failure, the target stays as it was and the new file is removed.
class TSafeFileWriter {
public:
    explicit TSafeFileWriter(std::filesystem::path fileName) : FTarget(std::move(fileName))
    {
        std::error_code ignored;
        if (std::filesystem::is_symlink(FTarget, ignored)) // replace the file the link names, keep the link
            FTarget = std::filesystem::weakly_canonical(FTarget, ignored);
        CreateTemporary(ExistingMode());
    }
    ~TSafeFileWriter()
    {
        if (FHandle >= 0)
            ::close(FHandle);
        if (!FTemporary.empty())
            ::unlink(FTemporary.c_str());
    }
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    void Write(const void* data, std::size_t size)
    {
        FBuffer.append(static_cast<const char*>(data), size);
        if (FBuffer.size() >= BufferSize)
            Flush();
    }

    void Commit()
    {
        Flush();
        if (RetryOnInterrupt([&] { return ::fsync(FHandle); }) != 0)
            ThrowIoError(errno);
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0)
            ThrowIoError(errno);
        if (::rename(FTemporary.c_str(), FTarget.c_str()) != 0)
            ThrowIoError(errno);
        FTemporary.clear();
        SyncFolder();
    }

private:
    static constexpr std::size_t BufferSize = 1 << 16;

    std::filesystem::path Folder() const
    {
        return FTarget.has_parent_path() ? FTarget.parent_path() : std::filesystem::path(".");
    }

    // The permissions of the file being replaced, if there is one.  Only a regular file that we
    // may write is replaced: not a directory or device, nor a read-only file behind its back.
    std::optional<mode_t> ExistingMode() const
    {
        struct stat info {};
        if (::stat(FTarget.c_str(), &info) != 0) {
            if (errno != ENOENT)
                ThrowIoError(errno);
            return std::nullopt;
        }
        if (!S_ISREG(info.st_mode))
            ThrowIoError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        const int probe = ::open(FTarget.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            ThrowIoError(errno);
        ::close(probe);
        return info.st_mode & 07777;
    }

    void CreateTemporary(std::optional<mode_t> mode)
    {
        static std::atomic<unsigned> serial{0};
        const std::string stem = "." + FTarget.filename().string().substr(0, 200) + ".tmp" +
                                 std::to_string(::getpid()) + "-";
        for (int attempt = 0; FHandle < 0; ++attempt) {
            FTemporary = Folder() / (stem + std::to_string(serial++));
            FHandle = RetryOnInterrupt(
                [&] { return ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
            if (FHandle < 0 && (errno != EEXIST || attempt == 100)) {
                const int error = errno;
                FTemporary.clear();
                ThrowIoError(error);
            }
        }
        if (mode)
            ::fchmod(FHandle, *mode); // the replaced file keeps its permissions
    }

    void Flush()
    {
        std::size_t done = 0;
        while (done < FBuffer.size()) {
            const int n = RetryOnInterrupt(
                [&] { return ::write(FHandle, FBuffer.data() + done, FBuffer.size() - done); });
            if (n < 0)
                ThrowIoError(errno);
            done += static_cast<std::size_t>(n);
        }
        FBuffer.clear();
    }

    // Makes the rename itself durable; the file is in place already, so a failure here is ignored.
    void SyncFolder() const
    {
        const int folder = ::open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

    std::filesystem::path FTarget;
    std::filesystem::path FTemporary;
    int FHandle = -1;
    std::string FBuffer;
};

template <class TRecord>
void WriteScrambled(TSafeFileWriter& file, const TRecord& record)
{
    TRecord copy = record;
    CryptRecord(copy);
    file.Write(&copy, sizeof copy);
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
    TSafeFileWriter file(fileName);
    if (partijList.Count() > 0)
        WriteScrambled(file, *partijList.Items(0));
    for (int i = 0; i < kandidaatList.Count(); ++i)
        WriteScrambled(file, *kandidaatList.Items(i));
    file.Commit();
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
