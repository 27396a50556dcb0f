#include "VersionBlock.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view FixedPrefix = "\\FileInfo\\";
constexpr std::size_t MaxBlockSize = 64 * 1024;

// Decimal digits, or hexadecimal ones after "0x" when hex is allowed.
std::optional<std::uint32_t> ParseNumber(std::string_view text, bool hex)
{
    if (hex) {
        if (!text.starts_with("0x"))
            return std::nullopt;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    // Unsigned, so no sign is taken; out of range fails.
    std::uint32_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value, hex ? 16 : 10);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

// "4.0.0.12" into the two double words of the fixed part.
bool ParseVersion(std::string_view text, TFixedFileInfo& fixed)
{
    std::uint32_t parts[4];
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return false;
        const std::optional<std::uint32_t> part = ParseNumber(text.substr(0, dot), false);
        if (!part || *part > 0xFFFF)
            return false;
        parts[i] = *part;
        text.remove_prefix(std::min(dot + 1, text.size()));
    }
    fixed.ProductVersionMS = parts[0] << 16 | parts[1];
    fixed.ProductVersionLS = parts[2] << 16 | parts[3];
    return true;
}

bool ParseFixedLine(std::string_view name, std::string_view value, TFixedFileInfo& fixed)
{
    if (name == "ProductVersion")
        return ParseVersion(value, fixed);
    std::uint32_t* target = name == "FileOS" ? &fixed.FileOS : name == "FileType" ? &fixed.FileType : nullptr;
    const std::optional<std::uint32_t> number = ParseNumber(value, true);
    if (!target || !number)
        return false;
    *target = *number;
    return true;
}

// The block whose lines start at text; nothing when they are not a well-formed block.
std::optional<TVersionData> ParseBlock(std::string_view text)
{
    text = text.substr(0, MaxBlockSize);
    const std::string_view endLine = std::string_view(VersionBlockEnd).substr(0, std::strlen(VersionBlockEnd) - 1);
    TVersionData data;
    TFixedFileInfo fixed;
    bool hasFixed = false;
    for (;;) {
        const std::size_t eol = text.find('\n');
        if (eol == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        if (line == endLine)
            break;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !line.starts_with('\\') || line.find('\0') != std::string_view::npos)
            return std::nullopt;
        const std::string_view path = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (path.starts_with(FixedPrefix)) {
            if (!ParseFixedLine(path.substr(FixedPrefix.size()), value, fixed))
                return std::nullopt;
            hasFixed = true;
        } else {
            data.Strings[std::string(path)] = std::string(value);
        }
    }
    if (hasFixed)
        data.Fixed = fixed;
    return data;
}

std::string Hex8(std::uint32_t value)
{
    char buffer[11];
    std::snprintf(buffer, sizeof buffer, "0x%08X", value);
    return buffer;
}

} // namespace

std::optional<std::string> TVersionData::QueryString(const std::string& Path) const
{
    const auto it = Strings.find(Path);
    if (it == Strings.end())
        return std::nullopt;
    return it->second;
}

std::optional<TVersionData> ReadVersionBlock(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return std::nullopt;
    const qint64 size = file.size();
    const uchar* bytes = file.map(0, size);
    QByteArray copy;
    if (!bytes) {
        copy = file.readAll();
        bytes = reinterpret_cast<const uchar*>(copy.constData());
    }
    const std::string_view contents(reinterpret_cast<const char*>(bytes), std::size_t(size));
    const std::string_view magic = VersionBlockMagic;
    // The magic also stands in the reader's own constants; only a well-formed block counts.
    for (std::size_t at = contents.find(magic); at != std::string_view::npos; at = contents.find(magic, at + 1))
        if (std::optional<TVersionData> data = ParseBlock(contents.substr(at + magic.size())))
            return data;
    return std::nullopt;
}

std::string VersionBlockText(const TVersionData& Data)
{
    std::string text = VersionBlockMagic;
    if (Data.Fixed) {
        const TFixedFileInfo& f = *Data.Fixed;
        text += std::string(FixedPrefix) + "ProductVersion=" + std::to_string(f.ProductVersionMS >> 16) + "."
                + std::to_string(f.ProductVersionMS & 0xFFFF) + "." + std::to_string(f.ProductVersionLS >> 16) + "."
                + std::to_string(f.ProductVersionLS & 0xFFFF) + "\n";
        text += std::string(FixedPrefix) + "FileOS=" + Hex8(f.FileOS) + "\n";
        text += std::string(FixedPrefix) + "FileType=" + Hex8(f.FileType) + "\n";
    }
    for (const auto& [path, value] : Data.Strings)
        text += path + "=" + value + "\n";
    return text + VersionBlockEnd;
}
