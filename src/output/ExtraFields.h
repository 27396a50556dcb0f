#pragma once
// The extra fields of a form that the user fills in before the merge, with their values kept in
// FORMVARS.INI.  Text is Windows-1252; a string list is a vector of "name=value" lines
// (NameValueLines.h).

#include "WindowFrame.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The option of a field key: the upper-cased text between its first "(" and its first ")" when both
// are there in that order, else "".
std::string FieldOption(const std::string& Key);

// One field of the dialog.
struct TExtraField {
    std::string Key;    // the line's name, option included
    std::string Prompt; // the line's value
    std::string Initial;
};

// The fields of Fields' lines with their initial texts from the [Vars] section of FORMVARS.INI:
// the stored value; empty for "NOSTORE"; for "AUTONUM" the stored number plus 1, "1" when none is
// stored, empty when the stored value is no integer.
std::vector<TExtraField> ExtraFieldsFor(const std::vector<std::string>& Fields, const QString& FormVarsFile);

// After OK: line i of Fields takes Texts[i] (an empty text makes the line its key and "="; another
// sets the value of the first line with that key) and [Vars] of FORMVARS.INI stores every key with
// its text, in one write.
void StoreExtraFieldValues(std::vector<std::string>& Fields, const std::vector<std::string>& Texts,
                           const QString& FormVarsFile);

// Sizes and places of the extra-fields dialog for n fields whose widest prompt is WidestPrompt
// pixels, in the window system's Frame, on a screen whose usable area is Screen.  The dialog's outer
// size (frame and caption included) is 400 by 25 n + 78; the client area is what the frame leaves.
// Field i's label stands at (8, 8 + 25 i) and its edit at (EditLeft, 4 + 25 i), 218 by 21; EditLeft
// is 170 unless a prompt needs more room, which widens the dialog as much (not beyond the screen).
// The buttons stand at outer height - 25 - 38 (still inside the client area) and outer width div 2
// - 90 and + 5.  When the dialog would not fit on the screen, it is cut to fit and widened by the
// scroll bar, and the fields scroll in an area AreaHeight high at its top left.
struct TExtraFieldsGeometry {
    int Width = 400; // outer
    int Height = 0;  // outer
    int ClientWidth = 0;
    int ClientHeight = 0;
    int EditLeft = 170;
    bool Scrolls = false;
    int AreaHeight = 0;    // when Scrolls
    int ContentHeight = 0; // height of the fields' area content
    int ButtonTop = 0;
    int OkLeft = 0;
    int CancelLeft = 0;
    static constexpr int LabelLeft = 8;
    static constexpr int EditWidth = 218;
    static constexpr int ButtonWidth = 85;
    static constexpr int ButtonHeight = 25;
    static constexpr int EditHeight = 21;
};
TExtraFieldsGeometry ExtraFieldsGeometry(int FieldCount, int WidestPrompt, const TFrameExtents& Frame, QSize Screen,
                                         int ScrollBarWidth);

// The extra fields asked of the user: given the fields with their initial texts, the texts entered
// after OK, none after a cancel.
using TAskExtraFields = std::function<std::optional<std::vector<std::string>>(const std::vector<TExtraField>&)>;

// One asking of extra fields against the FORMVARS.INI FormVarsFile: [General] dtKlanten := today as
// "dd-mm-yy" (also when cancelled), Ask gets the fields and their initial texts, and after OK the
// entered texts are stored (StoreExtraFieldValues).  The folder of FormVarsFile is locked
// (TFolderLock) from the first read to the last write, so that two copies never hand out the same
// "AUTONUM" number; a folder that cannot be locked fails the asking with the lock's failure.
// Another copy holds it while its user fills in its fields: after waiting
// FormVarsWaitMilliseconds for it, the asking fails with AnotherFormText rather than freeze the
// window.  A file that is not an INI file is left alone (TIniFile::CheckFormat).  Returns 1 after
// OK, 2 after a cancel.
int AskExtraFieldValues(std::vector<std::string>& Fields, const QString& FormVarsFile, const TAskExtraFields& Ask);
inline constexpr int FormVarsWaitMilliseconds = 2000;

// The text for a form that another copy of the program is making.
extern const char* const AnotherFormText;

// The FORMVARS.INI in use: FormsDir + "FORMVARS.INI" while the forms folder and that file can be
// written; otherwise (a program installed for all users) the user's own copy beside the registry
// store's files, made when it is missing from the shipped one (or empty), of mode 0600.
QString FormVarsFileName();

// Asks the values of Fields' lines in the dialog "Extra velden voor MS Word koppeling" and stores them
// in FormVarsFileName() ([General] dtKlanten := today as "dd-mm-yy" first, also when the
// dialog is cancelled).  Returns 1 after OK (Fields holds the entered values), 2 after a cancel
// (Fields unchanged).  A FORMVARS.INI that is no text file is left alone; lines it cannot read stay.
// Failures raise a plain Exception "GetNewVarValues: " + the message.
int GetNewVarValues(std::vector<std::string>& Fields);
