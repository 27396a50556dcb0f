#pragma once
// Opens a file in LibreOffice (headless, with a profile of its own) and saves it in another
// format, as a user's office program would read it.

#include <QString>

// Converts file into format (a --convert-to argument such as "txt", "csv" or "rtf") in outDir.
// Returns the path of the file written, or an empty string (with the reason in *error) when
// soffice is missing, fails or writes nothing.  Takes about two seconds a call.
QString OfficeConvert(const QString& file, const QString& format, const QString& outDir, QString* error = nullptr);
