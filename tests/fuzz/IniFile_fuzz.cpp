// INI files (layout files, FORMVARS.INI, SCHEMA.INI): any bytes are read by the profile rules or
// refused with a message, and a write changes its own key only.
#include "FuzzSupport.h"
#include "IniFile.h"
#include "uZVWord.h"

namespace {

// The section names of the file's heading lines (without the blanks around them), at most a few.
std::vector<std::string> Sections(std::string_view text)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; (at = text.find('[', at)) != std::string_view::npos && names.size() < 4; ++at) {
        const std::size_t close = text.find_first_of("]\r\n", at);
        if (close == std::string_view::npos || text[close] != ']')
            continue;
        const std::string_view name = text.substr(at + 1, close - at - 1);
        const std::size_t first = name.find_first_not_of(" \t");
        names.emplace_back(first == std::string_view::npos ? std::string_view()
                                                            : name.substr(first, name.find_last_not_of(" \t") - first + 1));
    }
    names.push_back("GENERAL");
    return names;
}

// A section name as the profile rules compare it.
std::string Normal(const std::string& name)
{
    const std::size_t first = name.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::string normal = name.substr(first, name.find_last_not_of(" \t") - first + 1);
    for (char& c : normal)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return normal;
}

// What the mail-merge driver reads from a layout file.
void ReadLayout(const std::string& fileName)
{
    const TFormLayout layout(QString::fromStdString(fileName));
    try {
        layout.Empty();
        layout.AutoLoop();
        layout.EofRecord();
        layout.Selectie();
        layout.DocTitleEmpty();
        layout.PassKind();
        std::vector<std::string> fields;
        layout.ReadFields(fields);
        layout.SqlStatement();
    } catch (const Exception&) {
        // the driver's message
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
    const std::string_view bytes = FuzzBytes(data, size);
    const std::string fileName = WriteFuzzFile("ZV01.dat", bytes).string();
    ReadLayout(fileName);

    TIniFile ini(fileName, TIniDurability::Scratch);
    try {
        ini.CheckFormat("ZV01.dat");
    } catch (const Exception& e) {
        FUZZ_CHECK(e.Message.rfind("Onbekend formaat in het bestand ZV01.dat: ", 0) == 0);
        return 0;
    }
    const std::vector<std::string> sections = Sections(bytes);
    std::vector<std::vector<std::string>> before;
    for (const std::string& section : sections) {
        std::vector<std::string> keys, values;
        ini.ReadSection(section, keys);
        ini.ReadSectionValues(section, values);
        FUZZ_CHECK(keys.size() == values.size());
        for (const std::string& key : keys)
            FUZZ_CHECK(ini.ReadString(section, key, "").size() <= 2047);
        before.push_back(values);
    }
    // A new key in the first section; every other section reads as before.
    ini.WriteString(sections.front(), "FuzzSleutel", "waarde");
    FUZZ_CHECK(ini.ReadString(sections.front(), "FUZZSLEUTEL", "") == "waarde");
    for (std::size_t i = 0; i < sections.size(); ++i) {
        std::vector<std::string> values;
        ini.ReadSectionValues(sections[i], values);
        if (Normal(sections[i]) != Normal(sections.front()))
            FUZZ_CHECK(values == before[i]);
    }
    ini.EraseSection(sections.front());
    return 0;
}
