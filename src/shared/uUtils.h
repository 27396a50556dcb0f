#pragma once
// Utility routines the windows share: the "Text Files" data source, the temporary folder, the
// candidate-number key filter, volume readiness, separated lines, birth-date texts and the name
// shown on the voting machines.

#include <string>
#include <vector>

// Registers the user data source "Text Files" of the text driver under HKEY_CURRENT_USER when
// the data-source list does not name it yet.  Failures leave with "InstallODBCDriverIfNecessary: "
// in front of their message.
void InstallODBCDriverIfNecessary();

// The user's private temporary folder, ending in "/".
std::string GetQuandorTempDirectory();

// Key filter of number fields: backspace and the digits pass, every other key becomes 0.
void CheckNumericInputOnly(char& Key);

// True when Drive (a volume's mount point) is mounted and answers; never throws.
bool DriveReady(const std::string& Drive);

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
