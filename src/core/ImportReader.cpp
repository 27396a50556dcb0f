#include "ImportReader.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "PosixIO.h"
#include "RegularFile.h"
#include "StrFuncs.h"
#include "WordPackage.h"
#include "uUtils.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

std::string MaxImportBytesMessage(const std::filesystem::path& fileName)
{
    return "Het importbestand " + NativePathInMessage(fileName.native()) + " is groter dan " +
           SizeText(MaxImportBytes) + "; de kandidatenlijst blijft ongewijzigd.";
}

std::string MaxImportLinesMessage(const std::filesystem::path& fileName)
{
    return "Het importbestand " + NativePathInMessage(fileName.native()) + " bevat meer dan " +
           DutchCount(MaxImportLines) + " kandidaten; de kandidatenlijst blijft ongewijzigd.";
}

namespace {

const std::string CannotOpen = "Kan gekozen bestand niet openen.";

// Checks bytes for UTF-8 piece by piece: no overlong forms, no surrogates, nothing past U+10FFFF.
class TUtf8Check {
public:
    bool Feed(const unsigned char* p, std::size_t n)
    {
        for (std::size_t i = 0; i < n && valid_; ++i) {
            const unsigned char b = p[i];
            if (need_ == 0) {
                if (b < 0x80)
                    continue;
                low_ = 0x80;
                high_ = 0xBF;
                if (b >= 0xC2 && b <= 0xDF)
                    need_ = 1;
                else if (b >= 0xE0 && b <= 0xEF) {
                    need_ = 2;
                    if (b == 0xE0)
                        low_ = 0xA0;
                    else if (b == 0xED)
                        high_ = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    need_ = 3;
                    if (b == 0xF0)
                        low_ = 0x90;
                    else if (b == 0xF4)
                        high_ = 0x8F;
                } else
                    valid_ = false;
            } else if (b < low_ || b > high_) {
                valid_ = false;
            } else {
                low_ = 0x80;
                high_ = 0xBF;
                --need_;
            }
        }
        return valid_;
    }
    bool Finish() const { return valid_ && need_ == 0; }

private:
    bool valid_ = true;
    int need_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
};

// Windows-1252 text of one UTF-8 line; count gets the characters that became "?".
std::string Utf8LineToAnsi(const std::string& line, int& count)
{
    count = 0;
    if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return line;
    const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    bool ok = false;
    std::string ansi = QStringToAnsi(text, &ok);
    if (ok)
        return ansi;
    // Accents written as a letter followed by a combining mark become the one accented letter.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    ansi = QStringToAnsi(composed, &ok);
    if (!ok)
        count = int(std::count(ansi.begin(), ansi.end(), '?') - composed.count(QLatin1Char('?')));
    return ansi;
}

// The import's column names and the record fields they fill (each cut to its capacity).
struct TColumnField {
    std::string_view Name;
    void (*Store)(TKandidaatRecord&, const std::string&);
};

const TColumnField ColumnFields[] = {
    {"Kand_nr", [](TKandidaatRecord& r, const std::string& v) { r.KandidaatNr = v; }},
    {"Achternaam", [](TKandidaatRecord& r, const std::string& v) { r.Achternaam = v; }},
    {"Voorletters", [](TKandidaatRecord& r, const std::string& v) { r.Voorletters = v; }},
    {"Voorvoegsels", [](TKandidaatRecord& r, const std::string& v) { r.Voorvoegsels = v; }},
    {"Voornaam", [](TKandidaatRecord& r, const std::string& v) { r.Voornaam = v; }},
    {"Geslacht", [](TKandidaatRecord& r, const std::string& v) { r.Geslacht = v; }},
    {"Gebdatum", [](TKandidaatRecord& r, const std::string& v) { r.Geboortedatum = v; }},
    {"Adres", [](TKandidaatRecord& r, const std::string& v) { r.Adres = v; }},
    {"Postcode", [](TKandidaatRecord& r, const std::string& v) { r.Postcode = v; }},
    {"Plaats", [](TKandidaatRecord& r, const std::string& v) { r.Plaats = v; }},
};

// The record column a name stands for, -1 for none.
int FieldOf(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(ColumnFields); ++i)
        if (AsciiSameText(name, ColumnFields[i].Name))
            return int(i);
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reading an import file

TImportTextFile::TImportTextFile(const std::filesystem::path& fileName, TImportEncoding& encoding)
    : fileName_(fileName),
      handle_(RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }))
{
    if (handle_.Get() < 0)
        throw EInOutError(CannotOpen, errno);
    struct stat info {};
    if (::fstat(handle_.Get(), &info) != 0)
        throw EInOutError(CannotOpen, errno);
    // Only a regular file has an end: not a directory, a pipe or a device such as /dev/zero.
    if (!S_ISREG(info.st_mode))
        throw EInOutError(CannotOpen, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    size_ = std::uint64_t(info.st_size);
    if (size_ > MaxImportBytes)
        throw EInOutError(MaxImportBytesMessage(fileName), EFBIG);
    buffer_.resize(1 << 16);
    const std::int64_t modified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    const bool same = encoding.Known && encoding.Device == info.st_dev && encoding.Inode == info.st_ino &&
                      encoding.Size == std::uint64_t(info.st_size) && encoding.ModifiedNs == modified;
    if (!same) {
        encoding.Utf8 = ScanUtf8();
        encoding.Known = true;
        encoding.Device = info.st_dev;
        encoding.Inode = info.st_ino;
        encoding.Size = std::uint64_t(info.st_size);
        encoding.ModifiedNs = modified;
    }
    utf8_ = encoding.Utf8;
    // A UTF-8 file's byte-order mark is no part of its first line.
    if (utf8_ && Fill() && end_ >= 3 && std::string_view(buffer_.data(), 3) == "\xEF\xBB\xBF")
        pos_ = 3;
}

// Reads the whole file once, a piece at a time, and goes back to its start.
bool TImportTextFile::ScanUtf8()
{
    TUtf8Check check;
    while (Fill())
        if (!check.Feed(reinterpret_cast<const unsigned char*>(buffer_.data()), end_))
            break;
    const bool utf8 = check.Finish();
    if (::lseek(handle_.Get(), 0, SEEK_SET) != 0)
        ThrowIoError(errno);
    pos_ = end_ = 0;
    read_ = 0;
    return utf8;
}

bool TImportTextFile::Fill()
{
    const int n = RetryOnInterrupt([&] { return ::read(handle_.Get(), buffer_.data(), buffer_.size()); });
    if (n < 0)
        ThrowIoError(errno);
    read_ += std::uint64_t(n);
    if (read_ > MaxImportBytes) // grown since it was opened
        throw EInOutError(MaxImportBytesMessage(fileName_), EFBIG);
    pos_ = 0;
    end_ = std::size_t(n);
    return n > 0;
}

bool TImportTextFile::ReadLine(std::string& line)
{
    line.clear();
    replacedInLine_ = 0;
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !Fill())
            break;
        if (skipLineFeed_) {
            skipLineFeed_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        any = true;
        const char* begin = buffer_.data() + pos_;
        const char* end = buffer_.data() + end_;
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
        if (line.size() + std::size_t(stop - begin) > MaxLineLength)
            throw Exception("Regel " + std::to_string(lineNumber_ + 1) + " is langer dan " +
                            std::to_string(MaxLineLength) + " tekens; dit is geen CSV- of TXT-bestand.");
        line.append(begin, stop);
        pos_ += std::size_t(stop - begin);
        if (stop != end) {
            skipLineFeed_ = *stop == '\r';
            ++pos_;
            break;
        }
    }
    if (!any)
        return false;
    ++lineNumber_;
    if (utf8_)
        line = Utf8LineToAnsi(line, replacedInLine_);
    return true;
}

std::string TFieldCursor::Next()
{
    if (AtEnd())
        return {};
    // As ExtractField: the text up to the separator (or the end), with indicators stripped
    // without its first and last character; the whole separator is skipped.
    const std::size_t at = separator_.empty() ? std::string::npos : line_.find(separator_, pos_);
    const std::size_t length = (at == std::string::npos ? line_.size() : at) - pos_;
    const std::size_t begin = pos_;
    pos_ = at == std::string::npos ? line_.size() : at + separator_.size();
    if (!strip_)
        return line_.substr(begin, length);
    return length > 2 ? line_.substr(begin + 1, length - 2) : std::string();
}

std::string DetectSeparator(const std::string& firstLine)
{
    if (Occurrences(";", firstLine) >= 6)
        return ";";
    if (Occurrences(",", firstLine) >= 6)
        return ",";
    return "\t";
}

bool DetectIndicators(const std::string& firstLine)
{
    return Occurrences("\"", firstLine) >= 6 || Occurrences("'", firstLine) >= 6;
}

// ---------------------------------------------------------------------------------------------
// Records from items

TKandidaatRecord KandidaatFromItems(const std::vector<std::string>& Items)
{
    TKandidaatRecord record;
    bool found[std::size(ColumnFields)] = {};
    for (const std::string& item : Items) {
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos)
            continue;
        const int field = FieldOf(std::string_view(item.data(), eq));
        if (field >= 0 && !found[field]) {
            found[field] = true;
            ColumnFields[field].Store(record, TrimRightStr(item.substr(eq + 1)));
        }
    }
    record.NaamStemapparaat =
        BuildNaamStemapparaat(record.Achternaam.AsString(), record.Voorvoegsels.AsString(),
                              record.Voorletters.AsString(), record.Voornaam.AsString(), record.Geslacht.AsString());
    record.Geboortedatum = NormalizeDate(record.Geboortedatum.AsString());
    return record;
}

// ---------------------------------------------------------------------------------------------
// Columns
//
// The output line is name0 "=" value0 {tab name "=" value}; its items are its pieces between
// tabs.  A tab inside a name ends a piece that lies wholly in that name; the name's last part,
// "=" and the value's first part make one piece; a tab inside a value starts a piece made of the
// value alone.  So only the values vary between lines, and a column whose value is empty gives
// the same pieces on every line.

TImportColumns::TImportColumns(std::vector<std::string> names, std::string separator, bool indicators)
    : names_(std::move(names)), separator_(std::move(separator)), indicators_(indicators)
{
    columns_.resize(names_.size());
    for (std::size_t j = 0; j < names_.size(); ++j) {
        const std::string_view name = names_[j];
        TColumn& column = columns_[j];
        bool fixedField[std::size(ColumnFields)] = {};
        std::size_t order = 0;
        std::size_t start = 0;
        for (std::size_t tab = name.find('\t'); tab != std::string_view::npos; tab = name.find('\t', start)) {
            const std::string_view piece = name.substr(start, tab - start);
            const std::size_t eq = piece.find('=');
            const int field = eq == std::string_view::npos ? -1 : FieldOf(piece.substr(0, eq));
            if (field >= 0 && !fixedField[field]) {
                fixedField[field] = true;
                column.Fixed.push_back({j, order, field, std::string(piece)});
                emptyTail_[field].push_back(column.Fixed.back());
            }
            ++order;
            start = tab + 1;
        }
        const std::string_view last = name.substr(start);
        const int field = FieldOf(last.substr(0, last.find('=')));
        if (field >= 0) {
            column.MainField = field;
            column.MainOrder = order;
            column.MainHead = std::string(last) + "=";
            if (!fixedField[field])
                emptyTail_[field].push_back({j, order, field, column.MainHead});
        }
    }
}

std::string TImportColumns::OutputLine(const std::string& line) const
{
    TFieldCursor fields(line, separator_, indicators_);
    std::string out = names_.front() + "=" + fields.Next();
    for (std::size_t col = 1; col < names_.size(); ++col) {
        out += '\t';
        out += names_[col];
        out += '=';
        out += fields.Next();
    }
    return out;
}

void TImportColumns::Items(const std::string& line, std::vector<std::string>& items) const
{
    // The items are written into the caller's strings, whose room serves the next line again;
    // they are kept in line order as they come (ten at most).
    struct TPlace {
        std::size_t Column, Order;
    };
    TPlace places[std::size(ColumnFields)];
    bool found[std::size(ColumnFields)] = {};
    std::size_t count = 0;
    items.resize(std::size(ColumnFields));
    auto take = [&](int field, std::size_t column, std::size_t order, std::string_view head, std::string_view rest) {
        if (field < 0 || found[field])
            return;
        found[field] = true;
        std::size_t at = count++;
        items[at].assign(head).append(rest);
        places[at] = {column, order};
        auto later = [&](const TPlace& p) { return p.Column > column || (p.Column == column && p.Order > order); };
        for (; at > 0 && later(places[at - 1]); --at) {
            std::swap(items[at], items[at - 1]);
            std::swap(places[at], places[at - 1]);
        }
    };

    TFieldCursor fields(line, separator_, indicators_);
    std::size_t j = 0;
    for (; j < columns_.size() && !fields.AtEnd() && count < std::size(ColumnFields); ++j) {
        const TColumn& column = columns_[j];
        for (const TNamedItem& item : column.Fixed)
            take(item.Field, j, item.Order, item.Text, {});
        const std::string value = fields.Next();
        std::size_t tab = value.find('\t');
        if (column.MainField >= 0 && !found[column.MainField])
            take(column.MainField, j, column.MainOrder, column.MainHead, std::string_view(value).substr(0, tab));
        for (std::size_t order = column.MainOrder + 1; tab != std::string::npos; ++order) {
            const std::size_t start = tab + 1;
            tab = value.find('\t', start);
            const std::string_view piece =
                std::string_view(value).substr(start, tab == std::string::npos ? tab : tab - start);
            const std::size_t eq = piece.find('=');
            if (eq != std::string_view::npos)
                take(FieldOf(piece.substr(0, eq)), j, order, piece, {});
        }
    }
    // From column j on every value is empty: the first item of each name left is fixed.
    for (int field = 0; field < int(std::size(ColumnFields)) && count < std::size(ColumnFields); ++field) {
        if (found[field])
            continue;
        const auto& tail = emptyTail_[field];
        const auto at = std::lower_bound(tail.begin(), tail.end(), j,
                                         [](const TNamedItem& item, std::size_t col) { return item.Column < col; });
        if (at != tail.end())
            take(field, at->Column, at->Order, at->Text, {});
    }
    items.resize(count);
}

// ---------------------------------------------------------------------------------------------
// Lines

void TImportLines::Add(const std::shared_ptr<const TImportColumns>& columns, std::string_view line)
{
    if (parts_.empty() || parts_.back().second != columns)
        parts_.emplace_back(Count(), columns);
    text_.append(line);
    ends_.push_back(text_.size());
}

void TImportLines::Reserve(std::size_t textBytes)
{
    text_.reserve(text_.size() + textBytes);
}

void TImportLines::Truncate(std::size_t count)
{
    if (count >= Count())
        return;
    ends_.resize(count);
    text_.resize(count == 0 ? 0 : std::size_t(ends_.back()));
    while (!parts_.empty() && parts_.back().first >= count)
        parts_.pop_back();
}

std::string TImportLines::Line(std::size_t index) const
{
    const std::size_t begin = index == 0 ? 0 : std::size_t(ends_.at(index - 1));
    return text_.substr(begin, std::size_t(ends_.at(index)) - begin);
}

const TImportColumns& TImportLines::Columns(std::size_t index) const
{
    const auto after = std::upper_bound(parts_.begin(), parts_.end(), index,
                                        [](std::size_t i, const auto& part) { return i < part.first; });
    if (index >= Count() || after == parts_.begin())
        throw Exception("Lijstindex buiten bereik (" + std::to_string(index) + ")");
    return *std::prev(after)->second;
}
