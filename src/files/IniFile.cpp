#include "IniFile.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "RegularFile.h"
#include "SafeFileWriter.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <map>
#include <sys/stat.h>

namespace {

constexpr std::size_t MaxValueLength = 2047;
// A UTF-8 byte-order mark before the first line is passed over.
const std::string Utf8Bom = "\xEF\xBB\xBF";

enum class TLineKind { Blank, Comment, Section, BadSection, Key, NoEquals };

// One line of the file: where its text lies and what it holds.
struct TIniLine {
    std::size_t Begin = 0; // first byte
    std::size_t End = 0;   // end of the text, before CR LF
    std::size_t Next = 0;  // first byte of the next line
    TLineKind Kind = TLineKind::Blank;
    std::string Name;  // section or key name
    std::string Value; // key value, blanks and quotes dropped
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text, std::size_t begin, std::size_t end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<TIniLine> SplitLines(const std::string& text)
{
    std::vector<TIniLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        TIniLine line;
        line.Begin = pos;
        const std::size_t lf = text.find('\n', pos);
        line.Next = lf == std::string::npos ? text.size() : lf + 1;
        line.End = lf == std::string::npos ? text.size() : lf;
        if (line.End > line.Begin && text[line.End - 1] == '\r')
            --line.End;
        pos = line.Next;

        std::size_t first = line.Begin;
        if (first == 0 && text.compare(0, Utf8Bom.size(), Utf8Bom) == 0)
            first = std::min(Utf8Bom.size(), line.End);
        while (first < line.End && IsBlank(text[first]))
            ++first;
        if (first == line.End) {
            line.Kind = TLineKind::Blank;
        } else if (text[first] == ';' || text[first] == '#') {
            line.Kind = TLineKind::Comment;
        } else if (text[first] == '[') {
            const std::size_t close = text.find(']', first);
            line.Kind = close < line.End ? TLineKind::Section : TLineKind::BadSection;
            line.Name = Trimmed(text, first + 1, close < line.End ? close : line.End);
        } else {
            const std::size_t eq = text.find('=', first);
            if (eq < line.End) {
                line.Kind = TLineKind::Key;
                line.Name = Trimmed(text, first, eq);
                line.Value = Trimmed(text, eq + 1, line.End);
                const std::size_t n = line.Value.size();
                if (n >= 2 && (line.Value[0] == '"' || line.Value[0] == '\'') && line.Value[n - 1] == line.Value[0])
                    line.Value = line.Value.substr(1, n - 2);
                if (line.Value.size() > MaxValueLength)
                    line.Value.resize(MaxValueLength);
            } else {
                line.Kind = TLineKind::NoEquals;
                line.Name = Trimmed(text, first, line.End);
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The lines of the first section of that name: from its heading up to the next heading.
struct TSectionRange {
    std::size_t Heading = 0;
    std::size_t End = 0; // index of the next heading, or the line count
};

std::optional<TSectionRange> FindSection(const std::vector<TIniLine>& lines, const std::string& section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].Kind != TLineKind::Section || !AsciiSameText(lines[i].Name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].Kind != TLineKind::Section && lines[end].Kind != TLineKind::BadSection)
            ++end;
        return TSectionRange{i, end};
    }
    return std::nullopt;
}

std::string LineEnd(const std::string& text)
{
    const std::size_t lf = text.find('\n');
    return lf != std::string::npos && (lf == 0 || text[lf - 1] != '\r') ? "\n" : "\r\n";
}

// What ends the file's unfinished last line: the line feed after a lone carriage return (which
// ends no line, but was read as the first half of a line end), else a whole line end.
std::string Unfinished(const std::string& text, const std::string& eol)
{
    return !text.empty() && text.back() == '\r' ? "\n" : eol;
}

// Whether text is no text at all: it holds control characters other than tab, CR and LF.  Every
// line of a text file is read or passed over as the profile routines do.
bool IsNoText(const std::string& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\t' && c != '\r' && c != '\n')
            return true;
    return false;
}

} // namespace

TIniFile::TIniFile(std::string FileName, TIniDurability Durability)
    : fileName_(std::move(FileName)), durability_(Durability)
{
}

TIniFile::TIniFile(const QString& FileName, TIniDurability Durability)
    : TIniFile(QFile::encodeName(FileName).toStdString(), Durability)
{
}

QString TIniFile::Path() const
{
    return QFile::decodeName(QByteArray::fromStdString(fileName_));
}

std::string TIniFile::ShownName() const
{
    return PathInMessage(Path());
}

std::optional<std::string> TIniFile::Text(bool* missing) const
{
    if (pending_) {
        if (missing)
            *missing = false;
        return pending_;
    }
    return Load(missing);
}

void TIniFile::Update(const std::function<void()>& Body)
{
    if (pending_) {
        Body();
        return;
    }
    bool missing = false;
    const std::optional<std::string> loaded = RefusedScratch() ? std::nullopt : Load(&missing);
    if (!loaded && !missing)
        throw Exception("Unable to write to " + ShownName());
    pending_ = loaded.value_or(std::string());
    try {
        Body();
    } catch (...) {
        pending_.reset();
        throw;
    }
    const std::string text = std::move(*pending_);
    pending_.reset();
    Save(text);
}

// The file's bytes; none when it is missing or cannot be read as a regular file (missing tells which).
std::optional<std::string> TIniFile::Load(bool* missing) const
{
    if (missing)
        *missing = false;
    try {
        return ReadRegularFile(fileName_, MaxIniBytes);
    } catch (const EInOutError& e) {
        if (e.ErrorCode == EFBIG)
            throw Exception("Het bestand " + ShownName() + " is groter dan " + SizeText(MaxIniBytes) + ".");
        if (missing)
            *missing = e.ErrorCode == ENOENT;
        return std::nullopt;
    }
}

void TIniFile::Save(const std::string& Text)
{
    if (pending_) {
        pending_ = Text;
        return;
    }
    try {
        if (durability_ == TIniDurability::Scratch)
            ReplacePrivateFile(fileName_, Text);
        else
            ReplaceFile(fileName_, Text);
    } catch (const std::exception&) {
        throw Exception("Unable to write to " + ShownName());
    }
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const
{
    const std::optional<std::string> text = Text();
    if (!text)
        return Default;
    const std::vector<TIniLine> lines = SplitLines(*text);
    if (const auto range = FindSection(lines, Section))
        for (std::size_t i = range->Heading + 1; i < range->End; ++i)
            if (lines[i].Kind == TLineKind::Key && AsciiSameText(lines[i].Name, Ident))
                return lines[i].Value;
    return Default;
}

void TIniFile::ReadSection(const std::string& Section, std::vector<std::string>& Strings) const
{
    Strings.clear();
    const std::optional<std::string> text = Text();
    if (!text)
        return;
    const std::vector<TIniLine> lines = SplitLines(*text);
    if (const auto range = FindSection(lines, Section))
        for (std::size_t i = range->Heading + 1; i < range->End; ++i)
            if (lines[i].Kind == TLineKind::Key)
                Strings.push_back(lines[i].Name);
}

void TIniFile::ReadSectionValues(const std::string& Section, std::vector<std::string>& Strings) const
{
    // The file is read once: every key gets the value ReadString gives it, the first of its name's.
    Strings.clear();
    const std::optional<std::string> text = Text();
    if (!text)
        return;
    const std::vector<TIniLine> lines = SplitLines(*text);
    const auto range = FindSection(lines, Section);
    if (!range)
        return;
    std::map<std::string, const std::string*> first;
    for (std::size_t i = range->Heading + 1; i < range->End; ++i) {
        if (lines[i].Kind != TLineKind::Key)
            continue;
        const std::string& value = *first.emplace(AsciiUpperStr(lines[i].Name), &lines[i].Value).first->second;
        Strings.push_back(lines[i].Name + "=" + value);
    }
}

// Whether this is a scratch file with something other than a regular file in its place, which
// is neither opened (a FIFO would block) nor written through.
bool TIniFile::RefusedScratch() const
{
    struct stat info {};
    return durability_ == TIniDurability::Scratch && !pending_ && ::lstat(fileName_.c_str(), &info) == 0 &&
           !S_ISREG(info.st_mode);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    bool missing = false;
    const std::optional<std::string> loaded = RefusedScratch() ? std::nullopt : Text(&missing);
    if (!loaded && !missing)
        throw Exception("Unable to write to " + ShownName());
    std::string text = loaded.value_or(std::string());
    const std::vector<TIniLine> lines = SplitLines(text);
    const std::string eol = LineEnd(text);
    const std::string entry = Ident + "=" + Value;

    if (const auto range = FindSection(lines, Section)) {
        std::size_t last = range->Heading; // the last line of the section that is not blank
        for (std::size_t i = range->Heading + 1; i < range->End; ++i) {
            const TIniLine& line = lines[i];
            if (line.Kind == TLineKind::Key && AsciiSameText(line.Name, Ident)) {
                text.replace(line.Begin, line.End - line.Begin, entry);
                Save(text);
                return;
            }
            if (line.Kind != TLineKind::Blank)
                last = i;
        }
        const TIniLine& after = lines[last];
        std::string insert = entry + eol;
        if (text[after.Next - 1] != '\n') // the file's last line has no line end
            insert = Unfinished(text, eol) + entry;
        text.insert(after.Next, insert);
    } else {
        if (!text.empty() && text.back() != '\n')
            text += Unfinished(text, eol);
        if (!lines.empty() && lines.back().Kind != TLineKind::Blank)
            text += eol;
        text += "[" + Section + "]" + eol + entry + eol;
    }
    Save(text);
}

void TIniFile::EraseSection(const std::string& Section)
{
    if (RefusedScratch())
        throw Exception("Unable to write to " + ShownName());
    const std::optional<std::string> loaded = Text();
    if (!loaded)
        return;
    std::string text = *loaded;
    const std::vector<TIniLine> lines = SplitLines(text);
    const auto range = FindSection(lines, Section);
    if (!range)
        return;
    const std::size_t begin = lines[range->Heading].Begin;
    const std::size_t end = range->End < lines.size() ? lines[range->End].Begin : text.size();
    text.erase(begin, end - begin);
    Save(text);
}

void TIniFile::CheckFormat(const std::string& Name) const
{
    const std::optional<std::string> text = Load();
    if (!text)
        return;
    if (IsNoText(*text))
        throw Exception("Onbekend formaat in het bestand " + Name + ": geen tekstbestand.");
}
