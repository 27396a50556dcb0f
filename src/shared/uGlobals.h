#pragma once
// Settings shared by several windows for the whole run.

#include "Exceptions.h" // ExceptionWithCode

#include <QString>

#include <cstdint>
#include <string>

// The forms folder: the program folder + "FORMS/", set by the forms command.
extern QString FormsDir;
extern std::string PrinterName;
// Election date as a date-time value (days since 30 December 1899); 0 until set.
extern double VerkiezingsDatum;
// Election state: 0 none, 1 to 3 the states of the election-state query.
extern std::uint8_t VerkiezingsToestand;
// The terms for a city's sub-districts: singular, its article and plural.  Nothing reads them.
extern std::string StadsdeelEnkelvoud;
extern std::string StadsdeelLidwoord;
extern std::string StadsdeelMeervoud;
