#pragma once
// Whole numbers written as text, converted as the original's class library converted them.

#include <string>

// Text such as "42", "  -7" or "+3" as a 32-bit integer: leading blanks are skipped and one sign
// is allowed; any other character, no digit at all or a value out of range throws EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);
