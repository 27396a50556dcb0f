#include "NameValueLines.h"

#include "StrFuncs.h"

std::optional<std::string> NameOf(const std::string& line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

std::string ValueOf(const std::string& line)
{
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int IndexOfName(const std::vector<std::string>& list, const std::string& name)
{
    const std::string wanted = UpperStr(name);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (const auto n = NameOf(list[i]); n && UpperStr(*n) == wanted)
            return int(i);
    return -1;
}

std::string ValueByName(const std::vector<std::string>& list, const std::string& name)
{
    const int i = IndexOfName(list, name);
    return i < 0 ? std::string() : ValueOf(list[std::size_t(i)]);
}
