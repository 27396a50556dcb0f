#include "uGlobals.h"

QString FormsDir;
std::string PrinterName;
double VerkiezingsDatum = 0;
std::uint8_t VerkiezingsToestand = 0;
// Set at start-up.
std::string StadsdeelEnkelvoud = "stadsdeel";
std::string StadsdeelLidwoord = "het";
std::string StadsdeelMeervoud = "stadsdelen";
