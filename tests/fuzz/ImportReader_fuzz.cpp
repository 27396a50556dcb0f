// A CSV or TXT import: any bytes give candidate records or end in a message.  The records made
// from a line's items (as the main window makes them) are the records of its full output line.
#include "FuzzSupport.h"
#include "ImportReader.h"

#include <cstring>
#include <memory>

namespace {

std::vector<std::string> SplitAtTabs(const std::string& line)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        items.push_back(line.substr(start, tab - start));
    items.push_back(line.substr(start));
    return items;
}

// The import as the dialog and the main window run it, with the given text indicators.
void Import(const std::filesystem::path& path, TImportEncoding& encoding, bool flipIndicators)
{
    TImportTextFile file(path, encoding);
    std::string first;
    const bool firstRead = file.ReadLine(first);
    const std::string separator = DetectSeparator(first);
    const bool indicators = DetectIndicators(first) != flipIndicators;
    std::vector<std::string> names;
    for (TFieldCursor fields(first, separator, indicators); !fields.AtEnd();)
        names.push_back(fields.Next());
    FUZZ_CHECK(firstRead || names.empty());
    if (names.empty())
        return;
    const auto columns = std::make_shared<const TImportColumns>(names, separator, indicators);
    FUZZ_CHECK(columns->Count() == names.size());
    TImportLines lines;
    for (std::string line; file.ReadLine(line);) {
        FUZZ_CHECK(line.size() <= TImportTextFile::MaxLineLength);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        lines.Add(columns, line);
    }
    std::vector<std::string> items;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string line = lines.Line(i);
        lines.Columns(i).Items(line, items);
        FUZZ_CHECK(items.size() <= 10);
        const TKandidaatRecord record = KandidaatFromItems(items);
        const TKandidaatRecord full = KandidaatFromItems(SplitAtTabs(columns->OutputLine(line)));
        FUZZ_CHECK(std::memcmp(&record, &full, sizeof record) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path path = WriteFuzzFile("import.csv", FuzzBytes(data, size));
    TImportEncoding encoding;
    for (bool flip : {false, true}) {
        try {
            Import(path, encoding, flip);
        } catch (const Exception&) {
            // a message for the user
        }
    }
    return 0;
}
