#include "FormStart.h"

#include "ZEBMessages.h"

// The program has no word-processor link yet: every request ends as the mail-merge driver ends
// one whose link cannot be made, with the driver's own message.  The driver's definition
// replaces this file.
void StartTemplate(const std::string& /*Code*/)
{
    ShowErrorMessage("StartTemplate: ", std::string("Kon geen Word koppeling maken") + "\r\r" +
                                            "De fout is opgetreden tijdens exporteren naar Word. " +
                                            "Sluit Word en probeer het opnieuw. Neem contact op met de " +
                                            "Quandor helpdesk indien de fout zich blijft herhalen.");
}
