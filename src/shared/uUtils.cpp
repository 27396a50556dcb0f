#include "uUtils.h"

#include "AnsiText.h"
#include "Database.h"
#include "Exceptions.h"
#include "PrivateTempFolder.h"
#include "RegistryStore.h"
#include "StrFuncs.h"
#include "TextDriver.h"
#include "TrailingSlash.h"
#include "Volumes.h"
#include "uGlobals.h"

#include <QPrinterInfo>

#include <climits>

namespace {

// Stands in for the system directory in which the text driver's library is registered.
const std::string SystemDirectory = "/usr/lib/";

constexpr int WholeText = INT_MAX;

} // namespace

void InstallODBCDriverIfNecessary()
{
    Guarded("InstallODBCDriverIfNecessary: ", [] {
        RegistryStore reg(HKEY_CURRENT_USER);
        if (!reg.OpenKey(OdbcDataSourcesKey, true))
            throw Exception("Kon ODBC key niet vinden en aanmaken");
        if (reg.ValueExists(TextDataSourceName))
            return;

        // The data source's own keys first and its entry in the list last, so that a failure
        // half-way leaves it unlisted and the next call writes it again.
        if (!reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\Text Files", true))
            throw Exception("Kon key niet aanmaken");
        reg.WriteString("Driver", SystemDirectory + "odbcjt32.dll");
        reg.WriteInteger("DriverId", 27);
        reg.WriteInteger("SafeTransactions", 0);
        reg.WriteString("UID", "");

        if (!reg.OpenKey("\\Software\\ODBC\\ODBC.INI\\Text Files\\Engines\\Text", true))
            throw Exception("Kon key niet aanmaken");
        reg.WriteString("ImplicitCommitSync", "");
        reg.WriteInteger("Threads", 3);
        reg.WriteString("UserCommitSync", "Yes");

        if (!reg.OpenKey(OdbcDataSourcesKey, true))
            throw Exception("Kon ODBC key niet vinden en aanmaken");
        reg.WriteString(TextDataSourceName, TextDriverName);
    });
}

QString GetQuandorTempDirectory()
{
    return Guarded("GetQuandorTempDirectory: ", [] {
        return WithTrailingSlash(PrivateTempFolder());
    });
}

void CheckNumericInputOnly(char& Key)
{
    Guarded("CheckNumericInputOnly: ", [&] {
        if (Key != '\b' && !(Key >= '0' && Key <= '9'))
            Key = '\0';
    });
}

bool DriveReady(const QString& Drive)
{
    try {
        return VolumeReady(Drive);
    } catch (...) {
        return false;
    }
}

std::string ExtractField(std::string& Line, const std::string& Separator, bool StripIndicators)
{
    const int p = InStr(Separator, Line);
    std::string field;
    if (p > 0) {
        field = StripIndicators ? MidStr(Line, 2, p - 3) : LeftStr(Line, p - 1);
        // The whole separator is skipped, also when it is longer than one character.
        Line = MidStr(Line, p + static_cast<int>(Separator.size()), WholeText);
    } else {
        field = StripIndicators ? MidStr(Line, 2, static_cast<int>(Line.size()) - 2) : Line;
        Line.clear();
    }
    return field;
}

void SplitFields(const std::string& Line, std::vector<std::string>& List, const std::string& Separator)
{
    List.clear();
    std::string rest = Line;
    while (!rest.empty())
        List.push_back(ExtractField(rest, Separator, false));
}

std::string NormalizeDate(const std::string& Date)
{
    // Blanks inside the text (before a day or a month) become zeros; trailing ones go first, so
    // that they never lengthen the year.
    std::string text = TrimStr(ReplaceTextEx(TrimRightStr(Date), " ", "0", 0, 0, true));
    text = ReplaceTextEx(text, "/", "-", 0, 0, true);
    const int p = InStr("-", text);
    if (p == 0)
        return text;
    std::string result = (p == 2 ? "0" : "") + LeftStr(text, p);
    const std::string rest = MidStr(text, p + 1, WholeText);
    if (InStr("-", rest) == 2)
        result += '0';
    return result + rest;
}

std::string BuildNaamStemapparaat(const std::string& Achternaam, const std::string& Voorvoegsels,
                                  const std::string& Voorletters, const std::string& Voornaam,
                                  const std::string& Geslacht)
{
    std::string naam = TrimStr(Achternaam);
    if (const std::string prefixes = TrimStr(Voorvoegsels); !prefixes.empty())
        naam = prefixes + " " + naam;
    if (const std::string initials = TrimStr(Voorletters); !initials.empty())
        naam += ", " + initials;
    if (const std::string first = TrimStr(Voornaam); !first.empty())
        naam += " (" + first + ")";
    if (const std::string sex = TrimStr(Geslacht); !sex.empty())
        naam += " (" + LowerStr(sex) + ")";
    return naam;
}

int GetVerkiezingsToestand(double VerkDatum)
{
    return Guarded("GetVerkiezingsToestand: ", [&] {
        const std::vector<TSqlRow> rows = SharedDatabase().Query(
            "select distinct(verk_status_id) from verkiezingen where verk_dt = :verk_dt ", {{"verk_dt", VerkDatum}});
        if (rows.empty() || rows.front().empty())
            return 0;
        const auto* status = std::get_if<std::int64_t>(&rows.front().front());
        return (status && *status >= 1 && *status <= 3) ? static_cast<int>(*status) : 0;
    });
}

void SetDBParamValue(const std::string& Name, const std::string& Value)
{
    Guarded("SetDBParamValue: ", [&] {
        TDatabase& db = SharedDatabase();
        // A transaction the caller has open is the caller's to end.
        const bool own = !db.InTransaction();
        if (own)
            db.StartTransaction();
        try {
            const std::string name = QuoteStr(LowerStr(Name));
            if (db.ExecSQL("update dbparams set param_value = " + QuoteStr(Value) + " where param_name = " + name) == 0)
                db.ExecSQL("insert into dbparams (param_name, param_value) values (" + name + ", " + QuoteStr(Value) + ")");
            if (own)
                db.Commit();
        } catch (...) {
            if (own && db.InTransaction())
                db.Rollback();
            throw;
        }
    });
}

void SetPrinterName(const std::string& Name)
{
    Guarded("SetPrinterName: ", [&] {
        PrinterName = Name;
        SetDBParamValue("printer_name", Name);
    });
}

void UpdatePrinterNameInDB()
{
    Guarded("UpdatePrinterNameInDB: ", [] {
        const std::string name = QStringToAnsi(QPrinterInfo::defaultPrinterName());
        if (!name.empty())
            SetPrinterName(name);
    });
}

void CryptChars(char* chars, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        chars[i] = static_cast<char>(static_cast<std::uint8_t>(chars[i]) ^ static_cast<std::uint8_t>(i + 1 + CryptKeyBase));
}

std::string CryptString(std::string_view text)
{
    std::string result(text);
    CryptChars(result.data(), result.size());
    return result;
}
