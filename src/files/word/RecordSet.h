#pragma once
// A query result of the text driver, as the mail merge reads it.

#include <string>
#include <vector>

// Column names and rows of text (a missing value is empty).
struct TRecordSet {
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows;
};
