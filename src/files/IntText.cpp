#include "IntText.h"

#include "Exceptions.h"

#include <charconv>

int StrToInt(const std::string& text)
{
    const char* first = text.data();
    const char* last = text.data() + text.size();
    while (first != last && *first == ' ')
        ++first;
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '+' || *first == '-'))
        ++first;
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    // from_chars takes no sign of its own here, so only digits were read.
    if (first == last || *first < '0' || *first > '9' || error != std::errc() || end != last)
        throw EConvertError("'" + text + "' is not a valid integer value");
    if (negative)
        value = -value;
    if (value < -2147483648LL || value > 2147483647LL)
        throw EConvertError("'" + text + "' is not a valid integer value");
    return static_cast<int>(value);
}
