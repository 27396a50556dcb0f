#pragma once
// The data files that the form templates read, and their SCHEMA.INI.  Text is Windows-1252; paths
// are QStrings, and a std::string that names a file holds the file system's bytes for it
// (QFile::encodeName).  A string list is a vector of "name=value" lines (NameValueLines.h).

#include <QString>

#include <array>
#include <string>
#include <vector>

// ---- Mail-merge data files ----
//
// Every file is created anew (mode 0600: the files hold personal data), as lines that each end in
// CR LF: a header line of column names, then the data rows.  Every name and value stands between
// double quotes, unescaped; Delimiter stands between the quoted items.  Values are the records' bytes
// as they are.  A failure raises a plain Exception: the writer's name, ": " and what failed (the
// file layer's texts "File not found", "Invalid filename", "Too many open files", "File access
// denied", "Disk full" or "I/O error <errno>"); what was written before it stays in the file.

// lijst.txt: the first record of PartijList (no row without one), and the count of KandidaatList.
void PartijToTextFile(const std::string& FileName, char Delimiter);
// kand.txt and kand2.txt: one row per record of KandidaatList in list order.  With a Selection that
// holds lines, only the candidates whose number, filled to three digits with "0", is the name of a
// line.  With EofRecord the end record "999" follows when KandidaatList holds a record.
void KandidatenToTextFile(const std::string& FileName, char Delimiter, const std::vector<std::string>* Selection,
                          bool EofRecord);
// gemeente.txt, deelraad.txt and verk.txt: fixed placeholder rows.
void GemeenteToTextFile(const std::string& FileName, char Delimiter);
void DeelraadToTextFile(const std::string& FileName, char Delimiter);
void VerkToTextFile(const std::string& FileName, char Delimiter);
// overig.txt: today's date (LongDateText), a blank, and one column per line of Fields named by the
// line's name cut before its "(", holding the value of the first line of that name.
void OverigeGegevensToTextFile(const std::string& FileName, const std::vector<std::string>& Fields, char Delimiter);

// "d mmmm yyyy": the day without leading zero, the full month name of FormatSettings(), the year.
std::string LongDateText(int Year, int Month, int Day);

// One run's data files in order (lijst.txt, kand.txt with Selection and EofRecord, kand2.txt with
// every candidate and the end record, gemeente.txt, deelraad.txt, verk.txt, overig.txt with
// Fields, SCHEMA.INI), tab-delimited, into Folder (ending in "/"), which it returns; without Folder
// into the user's private temporary folder (GetQuandorTempDirectory).  The first failure ends it;
// the files after it keep their previous content.
QString WriteMergeDataFiles(const QString& Folder, const std::vector<std::string>* Selection, bool EofRecord,
                            const std::vector<std::string>& Fields);
QString WriteMergeDataFiles(const std::vector<std::string>* Selection, bool EofRecord,
                            const std::vector<std::string>& Fields);

// ---- SCHEMA.INI ----

// The data-file names that SCHEMA.INI describes, in the order of its sections.
extern const std::array<const char*, 12> SchemaDataFiles;

// Dir + "/" (unless Dir ends in one) + "SCHEMA.INI" through TIniFile: for each name of
// SchemaDataFiles its section is erased and written anew with ColNameHeader=True,
// Format=TabDelimited (Delimited(<c>) for another delimiter) and MaxScanRows=25.  Other sections
// stay.  Failures raise a plain Exception "MakeSchemaFile: " + the message.
void MakeSchemaFile(const QString& Dir, char Delimiter);

