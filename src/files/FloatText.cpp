#include "FloatText.h"

#include "FormatSettings.h"

#include <charconv>

bool TryStrToFloat(const std::string& text, double& value)
{
    const char decimal = FormatSettings().DecimalSeparator;
    std::string s;
    for (char c : text) {
        if (c == '.' && decimal != '.')
            return false;
        s += c == decimal ? '.' : c;
    }
    const std::size_t begin = s.find_first_not_of(' ');
    if (begin == std::string::npos)
        return false;
    const char* first = s.data() + begin;
    const char* last = s.data() + s.find_last_not_of(' ') + 1;
    const char* digits = *first == '+' || *first == '-' ? first + 1 : first;
    // Digits or the point after one sign: no "inf", "nan" or a second sign.
    if (digits == last || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
        return false;
    if (*first == '+')
        ++first;
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}
