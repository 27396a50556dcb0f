#pragma once
// Reading a CSV or TXT import file and turning its lines into candidate records, without a window.
//
// Reading the file: a file that is valid UTF-8 (with or without byte-order mark) is read as
// UTF-8 and its text converted to Windows-1252, where a character Windows-1252 cannot hold
// becomes "?"; any other file is read byte for byte.  Lines end at LF, CR LF or a lone CR.
//
// Output line: for a data line the name=value pairs of all columns joined by tabs, the names
// being the fields of the first line; missing fields give empty values, fields beyond the columns
// are dropped.  The main window splits such a line at its tabs into items and fills a record from
// them by column name.  Built in full that line grows with the number of columns for every data
// line, however short; TImportColumns gives the same items from the data line itself instead.

#include "PosixIO.h"
#include "uZVGlobals.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The largest import: a file of at most MaxImportBytes (as the other data files) with at most
// MaxImportLines data lines (as many rows as the forms' text driver reads).  No party comes near
// either; they bound what an import holds (the lines, a 285-byte record per line, a grid row per
// record) before a candidate is added.  The messages name the file and the limit.
constexpr std::uint64_t MaxImportBytes = std::uint64_t(64) << 20;
constexpr std::size_t MaxImportLines = 100'000;
std::string MaxImportBytesMessage(const std::filesystem::path& fileName);
std::string MaxImportLinesMessage(const std::filesystem::path& fileName);

// Whether a file's bytes are UTF-8, remembered for one state of the file (device, inode, size,
// modification time), so that the file is scanned only once while it does not change.
struct TImportEncoding {
    bool Known = false;
    bool Utf8 = false;
    std::uint64_t Device = 0, Inode = 0, Size = 0;
    std::int64_t ModifiedNs = 0;
};

// One import file, line by line.  Opening raises EInOutError "Kan gekozen bestand niet openen."
// when the file cannot be opened or is no regular file, and EInOutError (EFBIG)
// MaxImportBytesMessage when it is larger than MaxImportBytes, before a byte is read; reading
// raises the same when the file has grown past it, EInOutError (the system's text) on a read
// error and Exception on a line longer than MaxLineLength bytes, so that no file, however large
// or binary, is loaded into memory as a whole.
class TImportTextFile {
public:
    static constexpr std::size_t MaxLineLength = 65536;

    TImportTextFile(const std::filesystem::path& fileName, TImportEncoding& encoding);

    // The next line as Windows-1252 text, without its line end; false at the end of the file.
    bool ReadLine(std::string& line);
    // Characters of the last line read that became "?".
    int ReplacedInLine() const { return replacedInLine_; }
    bool Utf8() const { return utf8_; }
    // The file's size when it was opened.
    std::uint64_t Size() const { return size_; }

private:
    bool Fill();
    bool ScanUtf8();

    std::filesystem::path fileName_;
    TFileHandle handle_;
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0; // bytes read since the start of the file
    bool utf8_ = false;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool skipLineFeed_ = false; // the last line ended in CR: a LF right behind it belongs to it
    int lineNumber_ = 0;
    int replacedInLine_ = 0;
};

// Takes the fields off a line one by one, each exactly as ExtractField takes the first field off
// the rest of the line, without copying that rest for every field.  At the end every further
// field is empty.  The line and the separator must outlive the cursor.
class TFieldCursor {
public:
    TFieldCursor(const std::string& line, const std::string& separator, bool stripIndicators)
        : line_(line), separator_(separator), strip_(stripIndicators)
    {
    }
    bool AtEnd() const { return pos_ >= line_.size(); }
    std::string Next();

private:
    const std::string& line_;
    const std::string& separator_;
    bool strip_;
    std::size_t pos_ = 0;
};

// The separator of a first line: ";" when it holds ";" at least 6 times, else "," when it holds
// "," at least 6 times, else the tab.
std::string DetectSeparator(const std::string& firstLine);
// Text indicators: the first line holds '"' or "'" at least 6 times.
bool DetectIndicators(const std::string& firstLine);

// The record filled from name=value items by column name (Kand_nr, Achternaam, Voorletters,
// Voorvoegsels, Voornaam, Geslacht, Gebdatum, Adres, Postcode, Plaats; the name is the text
// before the first "=", compared without regard to case; the first item of a name counts, items
// without "=" or with other names are ignored, a missing one gives an empty field).  Values lose
// their trailing characters below 33 and are cut to their field; the voting-machine name is
// composed and the birth date normalised.
TKandidaatRecord KandidaatFromItems(const std::vector<std::string>& Items);

// The columns of one import: the names taken from the first line, the separator and whether
// fields lose their text indicators.
class TImportColumns {
public:
    TImportColumns(std::vector<std::string> names, std::string separator, bool indicators);

    std::size_t Count() const { return names_.size(); }
    const std::string& Separator() const { return separator_; }
    bool Indicators() const { return indicators_; }

    // The output line of a data line (see the top of this file).  Count() must not be 0.
    std::string OutputLine(const std::string& line) const;
    // Of the items of the line's output line, the first that names each record column, in line
    // order (at most ten): KandidaatFromItems gives the same record from them as from all items.
    // Takes time in the length of the line, not in the number of columns.
    void Items(const std::string& line, std::vector<std::string>& items) const;

private:
    // An item of a column that names a record column; Order counts the items within the column.
    struct TNamedItem {
        std::size_t Column;
        std::size_t Order;
        int Field;
        std::string Text;
    };
    // The fixed part of a column's items: those ended by a tab inside its name, and the name's
    // last part, which the value's first part completes.
    struct TColumn {
        std::vector<TNamedItem> Fixed; // first of each record column only
        int MainField = -1;
        std::size_t MainOrder = 0;
        std::string MainHead; // the name's last part and "=", when MainField >= 0
    };

    std::vector<std::string> names_;
    std::string separator_;
    bool indicators_;
    std::vector<TColumn> columns_;
    // Per record column, the items naming it when every value from a column on is empty, in order.
    std::vector<TNamedItem> emptyTail_[10];
};

// The data lines of an import as they were read, each with the columns it was read under.  Holds
// about the size of the lines, not of their output lines.
class TImportLines {
public:
    void Add(const std::shared_ptr<const TImportColumns>& columns, std::string_view line);
    // Room for lines of textBytes bytes in all (such as a file's size), so that the text is not
    // copied as it grows.
    void Reserve(std::size_t textBytes);
    // Drops the lines from index count on.
    void Truncate(std::size_t count);
    std::size_t Count() const { return ends_.size(); }
    std::string Line(std::size_t index) const;
    const TImportColumns& Columns(std::size_t index) const;

private:
    std::string text_;
    std::vector<std::uint64_t> ends_;
    // The columns from a line index on.
    std::vector<std::pair<std::size_t, std::shared_ptr<const TImportColumns>>> parts_;
};
