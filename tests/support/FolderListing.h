#pragma once
// What a folder holds, as the tests of saving files look at it.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// The names of the entries of folder (hidden ones too), sorted.
inline std::vector<std::string> Entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
