#include "ListFile.h"

#include "Exceptions.h"
#include "PosixIO.h"
#include "SafeFileWriter.h"

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
    // Without blocking on a pipe; only a regular file has an end (not a pipe or /dev/zero).
    explicit TListReader(const std::filesystem::path& fileName)
        : file_(RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }))
    {
        if (file_.Get() < 0)
            ThrowIoError(errno);
        struct stat info {};
        const int error = ::fstat(file_.Get(), &info) != 0 ? errno
                          : S_ISDIR(info.st_mode)       ? EISDIR
                          : !S_ISREG(info.st_mode)      ? EINVAL
                                                        : 0;
        if (error != 0)
            ThrowIoError(error);
        LockFile(file_.Get(), LOCK_SH); // a save in place holds it until the whole list is written
    }

    bool AtEnd() { return pos_ == end_ && !Fill(); }

    // Reads the next sizeof(TRecord) bytes into a record and brings it into memory form
    // (fields normalised and unscrambled).  False when the file ends before the record does.
    template <class TRecord>
    bool ReadRecord(TRecord& record)
    {
        auto* bytes = reinterpret_cast<char*>(&record);
        std::size_t done = 0;
        while (done < sizeof(TRecord) && !AtEnd()) {
            const std::size_t n = std::min(sizeof(TRecord) - done, end_ - pos_);
            std::memcpy(bytes + done, buffer_.data() + pos_, n);
            pos_ += n;
            done += n;
        }
        if (done < sizeof(TRecord))
            return false;
        TRecord::ForEachField(record, [](auto& field) { field.Normalize(); });
        CryptRecord(record);
        return true;
    }

    void Close() { file_.Close(); }

private:
    bool Fill()
    {
        const int n = RetryOnInterrupt([&] { return ::read(file_.Get(), buffer_.data(), buffer_.size()); });
        if (n < 0)
            ThrowIoError(errno);
        pos_ = 0;
        end_ = static_cast<std::size_t>(n);
        return n > 0;
    }

    TFileHandle file_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

template <class TRecord>
void AppendScrambled(std::string& bytes, const TRecord& record)
{
    TRecord copy = record;
    CryptRecord(copy);
    bytes.append(reinterpret_cast<const char*>(&copy), sizeof copy);
}

// What a failed save left, in the lines that follow "Kan gekozen bestand niet wegschrijven.".
std::string WhatTheSaveLeft(const EInOutError& error)
{
    const auto* replace = dynamic_cast<const EReplaceError*>(&error);
    if (!replace)
        return {};
    std::string text;
    if (replace->FolderTakesNoNewFile)
        text += "\r\nIn de map van het bestand kan geen nieuw bestand worden aangemaakt.";
    if (replace->OldFile == EReplaceError::TOldFile::Unchanged)
        text += "\r\nHet bestaande bestand is ongewijzigd gebleven.";
    else if (replace->OldFile == EReplaceError::TOldFile::Damaged)
        text += "\r\nDe oude inhoud van het bestand kon niet worden teruggezet; het bestand kan beschadigd zijn.";
    return text;
}

// Runs body and turns its failure into the text shown for it.
template <class Body>
std::optional<std::string> FailureText(const char* ioErrorText, const std::string& prefix, Body body)
{
    try {
        body();
        return std::nullopt;
    } catch (const EInOutError& e) {
        return ioErrorText + WhatTheSaveLeft(e);
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
