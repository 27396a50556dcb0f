#include "AnsiText.h"

#include <QFile>

#include <array>
#include <unordered_set>

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
        char32_t point = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            point = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if ((point > 0xFFFF || AnsiByte(static_cast<char16_t>(point)) < 0) && seen.insert(point).second)
            found += point;
    }
    return found;
}

namespace {

constexpr char PathEscape = '\x81';

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string TextInMessage(const QString& text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    const std::u32string points = text.toStdU32String();
    for (const char32_t point : points) {
        const int byte = point <= 0xFFFF ? AnsiByte(static_cast<char16_t>(point)) : -1;
        if (byte >= 0 && byte != static_cast<unsigned char>(PathEscape)) {
            result += static_cast<char>(byte);
            continue;
        }
        static const char Digits[] = "0123456789ABCDEF";
        std::string hex;
        for (char32_t rest = point; rest != 0 || hex.empty(); rest >>= 4)
            hex.insert(hex.begin(), Digits[rest & 0xF]);
        result += PathEscape + hex + ';';
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
            // An escape is 1 to 6 hex digits and ';' naming a code point; anything else is the byte itself.
            std::size_t end = i + 1;
            char32_t point = 0;
            while (end < message.size() && end - i <= 6 && HexValue(message[end]) >= 0)
                point = point * 16 + static_cast<char32_t>(HexValue(message[end++]));
            if (end > i + 1 && end < message.size() && message[end] == ';' && point <= 0x10FFFF
                && !(point >= 0xD800 && point <= 0xDFFF)) {
                text += QString::fromUcs4(&point, 1);
                i = end;
                continue;
            }
        }
        text += QChar(ToUnicode[static_cast<unsigned char>(message[i])]);
    }
    return text;
}
