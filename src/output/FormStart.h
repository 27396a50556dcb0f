#pragma once
// Starting one form of the forms folder: the call the forms catalogue makes for the form the
// user picked.

#include <string>

// Produces the form with this code (the text before the first ":" of its catalogue line) from
// the forms folder FormsDir: its template ZV/TEMPLATE/<Code>.dot and its layout file
// ZV/FORMDAT/<Code>.dat.  It asks for whatever the layout file wants (candidates, extra fields),
// merges the template with the party and candidate data and leaves the merged documents open in
// the word processor.  Every failure is shown to the user inside; nothing is thrown.  Code is
// Windows-1252 text.
void StartTemplate(const std::string& Code);
