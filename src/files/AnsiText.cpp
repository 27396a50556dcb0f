#include "AnsiText.h"

#include <QFile>
#include <QRandomGenerator>

#include <array>
#include <optional>
#include <unordered_set>
#include <utility>

namespace {

// Windows-1252 bytes 0x80..0x9F.  The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the control characters of the same code, so every byte round-trips; every
// other byte is its own code point (Latin-1).
constexpr char16_t High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> MakeToUnicode()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = b >= 0x80 && b < 0xA0 ? High[b - 0x80] : static_cast<char16_t>(b);
    return table;
}

constexpr std::array<char16_t, 256> ToUnicode = MakeToUnicode();

// The byte of c, or -1 when Windows-1252 cannot hold it.
int AnsiByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (High[i] == c)
            return 0x80 + i;
    return -1;
}

// The byte of a code point, or -1 when Windows-1252 cannot hold it.
int AnsiByteOf(char32_t point) { return point <= 0xFFFF ? AnsiByte(static_cast<char16_t>(point)) : -1; }

} // namespace

QString AnsiToQString(const std::string& ansi)
{
    QString text(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : ansi)
        *out++ = QChar(ToUnicode[static_cast<unsigned char>(c)]);
    return text;
}

void AppendAnsiAsUtf8(std::string& utf8, char byte)
{
    const char16_t c = ToUnicode[static_cast<unsigned char>(byte)];
    if (c < 0x80) {
        utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        utf8 += static_cast<char>(0xE0 | (c >> 12));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A character Windows-1252 cannot hold (a surrogate pair counting as one) becomes one '?'.
std::string QStringToAnsi(const QString& text, bool* ok)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    bool allEncoded = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const int byte = AnsiByte(c);
        if (byte >= 0) {
            result += static_cast<char>(byte);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        allEncoded = false;
        result += '?';
    }
    if (ok)
        *ok = allEncoded;
    return result;
}

bool IsAnsiRepresentable(const QString& text)
{
    bool ok = false;
    QStringToAnsi(text, &ok);
    return ok;
}

std::u32string CharactersNotInAnsi(const QString& text)
{
    std::u32string found;
    std::unordered_set<char32_t> seen;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t point = text.at(i).unicode(); // a surrogate without its pair is named as it stands
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            point = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (AnsiByteOf(point) < 0 && seen.insert(point).second)
            found += point;
    }
    return found;
}

namespace {

constexpr char PathEscape = '\x81';
constexpr std::size_t KeyLength = 12;
constexpr char32_t Replacement = 0xFFFD;

// The escapes of this run carry a key that no file, list or input can hold, so that text from
// data is never taken for one: letters that are no hex digits, drawn once per run.
const std::string& EscapeKey()
{
    static const std::string key = [] {
        std::string letters(KeyLength, 'g');
        for (char& c : letters)
            c = static_cast<char>('g' + QRandomGenerator::system()->bounded(20));
        return letters;
    }();
    return key;
}

// Characters that would act in a message rather than show: the C0 controls, the C1 controls
// that Windows-1252 has no byte for, line and paragraph separators, the bidirectional controls.
bool Acts(char32_t point)
{
    return point < 0x20 || (point >= 0x80 && point <= 0x9F && AnsiByteOf(point) < 0) || point == 0x2028
        || point == 0x2029 || point == 0x200E || point == 0x200F || point == 0x061C || (point >= 0x202A && point <= 0x202E)
        || (point >= 0x2066 && point <= 0x2069);
}

// Whether TextInMessage writes point as an escape: the escape's own byte, and what Windows-1252
// cannot hold and does not act.
bool Escaped(char32_t point)
{
    return point == static_cast<unsigned char>(PathEscape)
        || (AnsiByteOf(point) < 0 && !Acts(point) && point <= 0x10FFFF && !(point >= 0xD800 && point <= 0xDFFF));
}

std::string EscapeOf(char32_t point)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string hex;
    for (char32_t rest = point; rest != 0 || hex.empty(); rest >>= 4)
        hex.insert(hex.begin(), Digits[rest & 0xF]);
    return PathEscape + EscapeKey() + hex + ';';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code point of the escape at message[at], written as TextInMessage writes it, with its
// length; nothing when the bytes there are no such escape.
std::optional<std::pair<char32_t, std::size_t>> EscapeAt(const std::string& message, std::size_t at)
{
    const std::string& key = EscapeKey();
    if (message.compare(at + 1, key.size(), key) != 0)
        return std::nullopt;
    std::size_t end = at + 1 + key.size();
    char32_t point = 0;
    while (end < message.size() && end - at <= key.size() + 6 && HexValue(message[end]) >= 0)
        point = point * 16 + static_cast<char32_t>(HexValue(message[end++]));
    if (end >= message.size() || message[end] != ';' || !Escaped(point))
        return std::nullopt;
    const std::size_t length = end + 1 - at;
    if (message.compare(at, length, EscapeOf(point)) != 0) // the one spelling it writes
        return std::nullopt;
    return std::make_pair(point, length);
}

} // namespace

std::string TextInMessage(const QString& text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t point : text.toStdU32String()) {
        const int byte = AnsiByteOf(point);
        if (Escaped(point))
            result += EscapeOf(point);
        else if (byte >= 0 && !Acts(point))
            result += static_cast<char>(byte);
        else // a control, or no character at all
            result += EscapeOf(Replacement);
    }
    return result;
}

std::string NativePathInMessage(const std::string& bytes)
{
    return PathInMessage(QFile::decodeName(QByteArray::fromStdString(bytes)));
}

QString MessageToQString(const std::string& message)
{
    QString text;
    text.reserve(static_cast<qsizetype>(message.size()));
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == PathEscape) {
            if (const auto escape = EscapeAt(message, i)) {
                text += QString::fromUcs4(&escape->first, 1);
                i += escape->second - 1;
                continue;
            }
        }
        text += QChar(ToUnicode[static_cast<unsigned char>(message[i])]);
    }
    return text;
}
