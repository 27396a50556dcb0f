#pragma once
// The list file (*.lst), also the export file for the municipality.
//
// Format: a plain byte stream without header, count or checksum.  At 0 the party record
// (632 bytes), then candidate record k at 632 + 285 * k (285 bytes each), so a file with n
// candidates holds 632 + 285 * n bytes.  Records lie as in memory (see uZVGlobals.h).  In every
// field the length byte is stored as it is and the first Length characters are scrambled with
// CryptString (uUtils); the bytes past the length are ignored on reading (this program writes zeros there).

#include "uUtils.h"
#include "uZVGlobals.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Scramble or unscramble every field of one record in place.
void CryptPartij(TPartijRecord& record);
void CryptKandidaat(TKandidaatRecord& record);

// Writes the party record (when there is one) and every candidate record to fileName, as
// ReplaceFile (SafeFileWriter.h) writes: the file is replaced only once the whole new content is on
// disk (written beside it, flushed, renamed over it), so a failure, or a process killed at any
// moment, leaves any existing file as it was; the file keeps its permissions, or the save fails.
// A symbolic link stays: the file it names is replaced or created.  Only in a folder that refuses a
// new file is an existing writable file overwritten in place, under its lock; should that fail, its
// old content is written back (a process killed meanwhile leaves a mix).  The records are not
// touched.  Raises EReplaceError when the file cannot be written.
void WriteLijst(const std::filesystem::path& fileName, const TPartijList& partijList,
                const TKandidaatList& kandidaatList);

// Replaces the content of both lists with the file's records.  When the file cannot be opened
// or is no regular file (a pipe, a device), raises EInOutError and the lists are unchanged.  A save
// in place by another copy of the program is waited for (at most about five seconds, then
// EInOutError), so the file is read whole.
// Otherwise both lists are cleared first and keep whatever was read before a failure: a short
// party record raises Exception "Ongeldige partij record ingelezen.", a short candidate record
// "Ongeldige kandidaat record ingelezen.", a read error EInOutError.  A length byte above its
// field's capacity is read as the capacity.
void ReadLijst(const std::filesystem::path& fileName, TPartijList& partijList, TKandidaatList& kandidaatList);

// The main window's SaveLijst and OpenLijst: run WriteLijst / ReadLijst and return nothing on
// success, else the text to show in the information message box:
//   save: "Kan gekozen bestand niet wegschrijven." or "frmMain.SaveLijst: " + the failure's text;
//         after the first, on lines of their own, what the failure left:
//           "In de map van het bestand kan geen nieuw bestand worden aangemaakt." (it refuses a new
//             file, so an existing file was to be overwritten in place), then
//           "Het bestaande bestand is ongewijzigd gebleven." (an existing file holds its old content), or
//           "De oude inhoud van het bestand kon niet worden teruggezet; het bestand kan beschadigd zijn."
//             (in place, the old content could not be written back);
//   open: "Kan gekozen bestand niet openen." or "frmMain.OpenLijst: " + the failure's text.
std::optional<std::string> SaveLijstFile(const std::filesystem::path& fileName, const TPartijList& partijList,
                                         const TKandidaatList& kandidaatList);
std::optional<std::string> OpenLijstFile(const std::filesystem::path& fileName, TPartijList& partijList,
                                         TKandidaatList& kandidaatList);
