#pragma once
// INI files with the rules of the Windows profile routines:
// - section and key names compare without regard to case (ASCII letters); blanks (spaces, tabs)
//   around names and values are dropped, then one pair of enclosing double or single quotes;
// - a value is read up to 2047 characters; a missing file, section or key gives the default;
// - nothing is cached: every read reads the file, every write rewrites it at once;
// - a write changes one key in place (or adds it at the end of its section, or adds the section at
//   the end of the file) and keeps every other byte of the file; the first write creates the file;
// - a write goes to a new file beside the old one that is renamed over it, so a failure leaves the
//   file as it was.  A refused write raises Exception "Unable to write to <file name>".
// Lines end in CR LF, or as the file's first line ends.  Text and names are Windows-1252; the file
// name is a path (QString), or its bytes in the file system's encoding (QFile::encodeName).
// Only a regular file is read, opened without blocking: anything else (a FIFO, a device) reads as
// a file that cannot be read, which gives the defaults and refuses writes.  A file larger than
// MaxIniBytes raises Exception "Het bestand <file name> is groter dan 256 kB." on every read and
// write.
//
// Update runs several writes as one: the file is read once, the writes change the text in memory
// and the result is written once at the end (nothing when a write fails or the body throws).

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Far beyond any settings or layout file; bounds the memory and time a damaged file can take.
constexpr std::size_t MaxIniBytes = std::size_t(256) << 10;

// Whether a write waits until the file is on the disk.  A scratch file that is written anew on
// every use does not need that; it lies in the user's private folder and is the user's alone: it is
// written as ReplacePrivateFile writes (mode 0600, no link followed), and a write to a scratch file
// that is not a regular file raises "Unable to write to <file name>" without opening it.
enum class TIniDurability { Durable, Scratch };

class TIniFile {
public:
    explicit TIniFile(std::string FileName, TIniDurability Durability = TIniDurability::Durable);
    explicit TIniFile(const QString& FileName, TIniDurability Durability = TIniDurability::Durable);
    const std::string& FileName() const { return fileName_; }
    QString Path() const;

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    // The key names of the section, in file order.
    void ReadSection(const std::string& Section, std::vector<std::string>& Strings) const;
    // One line per key of the section: the name, "=" and its value as ReadString gives it.
    void ReadSectionValues(const std::string& Section, std::vector<std::string>& Strings) const;

    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    // Removes the section's heading and every line up to the next heading.
    void EraseSection(const std::string& Section);

    void Update(const std::function<void()>& Body);

    // Lines the profile routines pass over (comments after ";" or "#", lines outside a section,
    // lines without "=", a UTF-8 byte-order mark) are read past and kept on a write.  A file that is
    // no text at all (control characters other than tab, CR and LF) raises Exception "Onbekend
    // formaat in het bestand " + Name + ": geen tekstbestand.".  A missing file passes.
    void CheckFormat(const std::string& Name) const;

private:
    std::optional<std::string> Load(bool* missing = nullptr) const;
    std::optional<std::string> Text(bool* missing = nullptr) const; // the pending text, else the file's
    void Save(const std::string& Text);
    bool RefusedScratch() const;
    std::string ShownName() const; // the path as messages show it

    std::string fileName_;
    TIniDurability durability_;
    std::optional<std::string> pending_; // the text of a running Update
};
