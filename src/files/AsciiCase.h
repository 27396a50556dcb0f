#pragma once
// Case folding of the ASCII letters A-Z and a-z alone, whatever the locale: every other byte
// (the Windows-1252 letters and UTF-8 sequences among them) stays as it is.

#include <string>
#include <string_view>

constexpr char AsciiUpper(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

inline std::string AsciiUpperStr(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

inline std::string AsciiLowerStr(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

// Whether a and b are equal once their ASCII letters are folded.
constexpr bool AsciiSameText(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
