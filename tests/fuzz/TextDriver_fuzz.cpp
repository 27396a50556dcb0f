// The text driver's files: SCHEMA.INI and a delimited data file of the data source's folder.  The
// input is SCHEMA.INI, a NUL byte and the data file (without a NUL: the data file alone).  Any
// bytes give a result, the driver's message or a bound's.
#include "FuzzSupport.h"
#include "RegistryStore.h"
#include "TextDriver.h"

#include <string_view>

namespace {

std::filesystem::path Folder() { return FuzzFolder() / "gegevens"; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    std::filesystem::create_directories(Folder());
    RegistryStore reg;
    if (!reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources", true))
        FuzzFail(__FILE__, __LINE__, "cannot register the data source");
    reg.WriteString("Text Files", "Microsoft Text Driver (*.txt; *.csv)");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = FuzzBytes(data, size);
    const std::size_t nul = bytes.find('\0');
    const std::filesystem::path schema = Folder() / "SCHEMA.INI";
    if (nul == std::string_view::npos) {
        std::filesystem::remove(schema);
        WriteFileBytes(Folder() / "kand.txt", bytes);
    } else {
        WriteFileBytes(schema, bytes.substr(0, nul));
        WriteFileBytes(Folder() / "kand.txt", bytes.substr(nul + 1));
    }
    const std::string connection = "DSN=Text Files;DBQ=" + Folder().string() + ";";
    for (const char* sql : {"SELECT * FROM [kand.txt]", "SELECT kand.txt.* FROM kand.txt ORDER BY 1"}) {
        try {
            const TRecordSet result = RunTextQuery(connection, sql);
            for (const auto& row : result.Rows)
                FUZZ_CHECK(row.size() == result.Columns.size());
        } catch (const Exception& e) {
            // The data source's message, or a bound's own.
            const std::string_view message = e.what();
            FUZZ_CHECK(message == DataSourceFailedText || message.rfind("De SQL query is afgebroken: ", 0) == 0
                       || message.rfind("Het gegevensbestand ", 0) == 0);
        }
    }
    // The data file split on its own, as the driver does for each delimiter it knows.
    for (char delimiter : {',', '\t', ';'})
        for (const auto& line : SplitDelimitedText(std::string(bytes), delimiter))
            FUZZ_CHECK(!line.empty());
    return 0;
}
