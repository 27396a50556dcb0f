#pragma once
// Utility routines the windows share: the "Text Files" data source, the temporary folder, the
// candidate-number key filter, volume readiness, separated lines, birth-date texts and the name
// shown on the voting machines, and the list-file scrambling.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Registers the user data source "Text Files" of the text driver under HKEY_CURRENT_USER when
// the data-source list does not name it yet.  Failures leave with "InstallODBCDriverIfNecessary: "
// in front of their message.
void InstallODBCDriverIfNecessary();

// The user's private temporary folder, ending in "/".
QString GetQuandorTempDirectory();

// Key filter of number fields: backspace and the digits pass, every other key becomes 0.
void CheckNumericInputOnly(char& Key);

// True when Drive (a volume's mount point) is mounted and answers; never throws.
bool DriveReady(const QString& Drive);

// Takes the first field off Line (which keeps the rest after the separator).  With
// StripIndicators the field loses its first and last character.
std::string ExtractField(std::string& Line, const std::string& Separator, bool StripIndicators);

// List := the fields of Line; two separators in a row give an empty item, a separator at the
// end gives no empty last item.
void SplitFields(const std::string& Line, std::vector<std::string>& List, const std::string& Separator);

// Day-month-year text with day and month made two digits: "1/2/1970" -> "01-02-1970".
std::string NormalizeDate(const std::string& Date);

// "van Jansen, J.P. (Jan) (m)": prefixes, surname, initials, first name and sex, each part only
// when present.  No length limit.
std::string BuildNaamStemapparaat(const std::string& Achternaam, const std::string& Voorvoegsels,
                                  const std::string& Voorletters, const std::string& Voornaam,
                                  const std::string& Geslacht);

// Routines on the shared database connection (SharedDatabase()); nothing in the program's own
// commands reaches them.  Failures leave with the routine's name in front of their message.

// The state (1 to 3) of the election on VerkDatum (a TDateTime), 0 for any other value or none.
int GetVerkiezingsToestand(double VerkDatum);

// Stores Value under the lower-cased Name in dbparams: updates the row, or adds it when none
// was there.  Runs in a transaction of its own unless the caller has one open.
void SetDBParamValue(const std::string& Name, const std::string& Value);

// PrinterName := Name, also stored as the database parameter "printer_name".
void SetPrinterName(const std::string& Name);

// Stores the current (default) printer's name through SetPrinterName when there is one.
void UpdatePrinterNameInDB();

// List-file scrambling.  Part of the file format: character i of a field (counted from 1) is
// stored as its code XOR the key byte (i + CryptKeyBase) mod 256.  Every reader of these files
// (the municipality's election program among them) must use the same value.
inline constexpr std::uint8_t CryptKeyBase = 0x5A;

// Scrambles a field's text, or unscrambles it: applying it twice gives the text back.  The length
// never changes; any byte may come out (0, quotes, line breaks).
std::string CryptString(std::string_view text);

// CryptString in place, for count characters starting at chars.
void CryptChars(char* chars, std::size_t count);
