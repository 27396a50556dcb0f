#include "StrFuncs.h"

#include "AsciiCase.h"
#include "Exceptions.h"

#include <algorithm>
#include <vector>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

int Length(const std::string& S) { return static_cast<int>(S.size()); }

// Marker that masks replaced or skipped text in the working copy of ReplaceTextEx.
constexpr char ReplaceMarker = static_cast<char>(0xE7);

// First position (0-based, from 'from') where pattern matches work outside any masked byte.
std::size_t FindUnmasked(const std::string& work, const std::vector<bool>& masked, const std::string& pattern,
                         std::size_t from)
{
    for (std::size_t p = work.find(pattern, from); p != std::string::npos; p = work.find(pattern, p + 1)) {
        const auto begin = masked.begin() + static_cast<std::ptrdiff_t>(p);
        if (std::find(begin, begin + static_cast<std::ptrdiff_t>(pattern.size()), true) == begin + static_cast<std::ptrdiff_t>(pattern.size()))
            return p;
    }
    return std::string::npos;
}

// Overwrites oldLen bytes at p with newLen marker bytes that no later search can match.
void Mask(std::string& work, std::vector<bool>& masked, std::size_t p, std::size_t oldLen, std::size_t newLen)
{
    work.replace(p, oldLen, newLen, ReplaceMarker);
    const auto at = masked.begin() + static_cast<std::ptrdiff_t>(p);
    masked.insert(masked.erase(at, at + static_cast<std::ptrdiff_t>(oldLen)), newLen, true);
}

} // namespace

std::string TrimLeftStr(const std::string& S)
{
    const auto first = std::find_if_not(S.begin(), S.end(), IsBlank);
    return std::string(first, S.end());
}

std::string TrimRightStr(const std::string& S)
{
    const auto last = std::find_if_not(S.rbegin(), S.rend(), IsBlank);
    return std::string(S.begin(), last.base());
}

std::string TrimStr(const std::string& S) { return TrimLeftStr(TrimRightStr(S)); }

int InStr(const std::string& SubStr, const std::string& S)
{
    if (SubStr.empty() || S.empty())
        return 0;
    const auto p = S.find(SubStr);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string MidStr(const std::string& S, int Start, int Count)
{
    if (Start < 1)
        Start = 1;
    if (Count <= 0 || Start > Length(S))
        return {};
    return S.substr(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(Count));
}

std::string LeftStr(const std::string& S, int Count) { return MidStr(S, 1, Count); }

std::string RightStr(const std::string& S, int Count)
{
    if (Count <= 0)
        return {};
    if (Count >= Length(S))
        return S;
    return S.substr(S.size() - static_cast<std::size_t>(Count));
}

std::string PadLeft(const std::string& S, int Width, char PadChar)
{
    if (Width <= 0)
        return {};
    std::string result(static_cast<std::size_t>(Width), PadChar);
    if (Width >= Length(S))
        std::copy(S.begin(), S.end(), result.end() - static_cast<std::ptrdiff_t>(S.size()));
    else
        std::copy_n(S.begin(), Width, result.begin());
    return result;
}

std::string PadRight(const std::string& S, int Width, char PadChar)
{
    if (Width <= 0)
        return {};
    std::string result(static_cast<std::size_t>(Width), PadChar);
    std::copy_n(S.begin(), std::min(Width, Length(S)), result.begin());
    return result;
}

std::string Replicate(const std::string& S, int Count)
{
    std::string result;
    if (Count > 0)
        result.reserve(S.size() * static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i)
        result += S;
    return result;
}

std::string ZeroPad(std::int32_t Value, int Width)
{
    const bool negative = Value < 0;
    std::string digits = std::to_string(Value);
    if (negative)
        digits.erase(0, 1);
    const int sign = negative ? 1 : 0;
    if (Length(digits) + sign < Width)
        digits.insert(0, static_cast<std::size_t>(Width - sign - Length(digits)), '0');
    return negative ? "-" + digits : digits;
}

std::string ReplaceAt(const std::string& S, int Index, int Count, const std::string& Insertion)
{
    std::string result = S;
    if (Index >= 1 && Index <= Length(result) && Count > 0)
        result.erase(static_cast<std::size_t>(Index - 1), static_cast<std::size_t>(Count));
    const int at = std::clamp(Index, 1, Length(result) + 1);
    result.insert(static_cast<std::size_t>(at - 1), Insertion);
    return result;
}

std::string AddBackslash(const std::string& S)
{
    if (!S.empty() && S.back() == '\\')
        return S;
    return S + '\\';
}

std::string UpperStr(const std::string& S)
{
    return AsciiUpperStr(S);
}

std::string LowerStr(const std::string& S)
{
    return AsciiLowerStr(S);
}

std::string QuoteStr(const std::string& S)
{
    std::string result = "'";
    for (char c : S) {
        result += c;
        if (c == '\'')
            result += '\'';
    }
    return result + "'";
}

std::string StrReplace(const std::string& S, const std::string& Old, const std::string& New, bool CaseSensitive)
{
    if (Old.empty())
        throw Exception("StrReplace: Empty search pattern is not allowed.");
    const std::string text = CaseSensitive ? S : LowerStr(S);
    const std::string pattern = CaseSensitive ? Old : LowerStr(Old);

    // Matches (0-based positions), left to right and non-overlapping; the result is sized once.
    std::vector<std::size_t> matches;
    for (std::size_t p = text.find(pattern); p != std::string::npos; p = text.find(pattern, p + pattern.size()))
        matches.push_back(p);

    std::string result;
    result.reserve(S.size() - matches.size() * Old.size() + matches.size() * New.size());
    std::size_t copied = 0;
    for (std::size_t p : matches) {
        result.append(S, copied, p - copied);
        result += New;
        copied = p + Old.size();
    }
    result.append(S, copied, std::string::npos);
    return result;
}

std::string ReplaceTextEx(const std::string& S, const std::string& Old, const std::string& New,
                          int FirstOccurrence, int MaxCount, bool CaseSensitive)
{
    if (Old.empty())
        return S;
    std::string result = S;
    std::string work = CaseSensitive ? S : UpperStr(S);
    const std::string pattern = CaseSensitive ? Old : UpperStr(Old);
    // Masked bytes are tracked apart from the marker bytes, so a pattern that holds the marker
    // byte itself can never match a masked spot again.
    std::vector<bool> masked(work.size(), false);

    std::size_t from = 0;
    for (int skip = std::max(FirstOccurrence, 1) - 1; skip > 0; --skip) {
        const std::size_t p = FindUnmasked(work, masked, pattern, from);
        if (p == std::string::npos)
            break;
        Mask(work, masked, p, pattern.size(), pattern.size());
        from = p + pattern.size();
    }

    for (int n = 1; MaxCount == 0 || n <= MaxCount; ++n) {
        const std::size_t p = FindUnmasked(work, masked, pattern, from);
        if (p == std::string::npos)
            break;
        result.replace(p, Old.size(), New);
        Mask(work, masked, p, pattern.size(), New.size());
        from = p + New.size();
    }
    return result;
}

int Occurrences(const std::string& Pattern, const std::string& S)
{
    if (Pattern.empty())
        throw Exception("Occurrences: Empty search pattern is not allowed.");
    int count = 0;
    for (std::size_t p = S.find(Pattern); p != std::string::npos; p = S.find(Pattern, p + Pattern.size()))
        ++count;
    return count;
}

bool IsInteger(const std::string& S)
{
    if (S.empty())
        return false;
    const bool negative = S[0] == '-' && S.size() >= 2;
    const std::string digits = negative ? S.substr(1) : S;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    // Leading zeros do not count towards the range test.
    const auto significant = digits.find_first_not_of('0');
    if (significant == std::string::npos)
        return true;
    if (digits.size() - significant > 10)
        return false;
    const long long value = std::stoll(digits.substr(significant));
    return negative ? value <= 2147483648LL : value <= 2147483647LL;
}

std::string StripQuotes(const std::string& S)
{
    const std::string trimmed = TrimStr(S);
    const auto first = trimmed.find_first_not_of("\"'");
    if (first == std::string::npos)
        return {};
    const auto last = trimmed.find_last_not_of("\"'");
    return TrimStr(trimmed.substr(first, last - first + 1));
}
