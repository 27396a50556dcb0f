#pragma once
// A string list of the forms output is a vector of lines "name=value".  A line's name is the text
// before its first "="; a line without "=" has no name.  Names compare without regard to case
// (ASCII letters).

#include <optional>
#include <string>
#include <vector>

// The line's name; none without "=".
std::optional<std::string> NameOf(const std::string& line);
// The text after the first "=", "" without one.
std::string ValueOf(const std::string& line);
// The index of the first line named name, -1 when there is none.
int IndexOfName(const std::vector<std::string>& list, const std::string& name);
// The value of the first line named name, "" when there is none.
std::string ValueByName(const std::vector<std::string>& list, const std::string& name);
