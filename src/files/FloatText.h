#pragma once
// Numbers written with the locale's decimal separator.

#include <string>

// Text such as "1234,5" (Dutch settings) or "1234.5" (English) as a number; blanks around it are
// allowed, thousands separators are not.  False when the text is not such a number.
bool TryStrToFloat(const std::string& text, double& value);
