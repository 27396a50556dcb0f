#pragma once
// The forms output's mail merge: the data files that the templates read, their SCHEMA.INI, the
// form's layout file with its SQL statement, the extra fields asked of the user (FORMVARS.INI), and
// the driver that merges a form's template in the word processor.  Text is Windows-1252 throughout;
// paths are QStrings, and a std::string that names a file holds the file system's bytes for it
// (QFile::encodeName).
//
// A string list here is a vector of lines "name=value".  A line's name is the text before its first
// "="; a line without "=" has no name.  Names compare without regard to case (ASCII letters).

#include "WindowFrame.h"

#include <QSize>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TDataSet;
class TIniFile;

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
// Fields, SCHEMA.INI), tab-delimited, into the user's private temporary folder (GetQuandorTempDirectory),
// which it returns.  The first failure ends it; the files after it keep their previous content.
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

// ---- Form layout file ----

enum class TPassKind { Single, PerCandidate };

// A form's layout file (<code>.dat), read through TIniFile on every call.  The first call checks
// that the file is text (TIniFile::CheckFormat, with the file's name), and raises that error
// on every call while it is not; a missing file gives the defaults.
class TFormLayout {
public:
    explicit TFormLayout(QString FileName);

    // The flags: the upper-cased value (default "N") equals "Y".
    bool Empty() const;     // [GENERAL] empty
    bool AutoLoop() const;  // [GENERAL] autoloop
    bool EofRecord() const; // [KAND OPTIONS] eof_record
    bool Selectie() const;  // [KAND OPTIONS] selectie
    bool DocTitleEmpty() const; // [GENERAL] doctitle is empty or missing

    // [GENERAL] multirun upper-cased: "N" (also missing), or a first letter B, L or S, one pass;
    // a first letter K one pass per selected candidate.  Anything else raises "Ongeldige multirun
    // specifier in formulieropmaakbestand: " CR "Gebruik L, K, C, B, S of N".
    TPassKind PassKind() const;

    // Fields := one line per key of [FIELDS]: the key, "=" and its prompt.
    void ReadFields(std::vector<std::string>& Fields) const;

    // "SELECT " select " FROM " from [" WHERE " where] [" ORDER BY " orderby] from [SQL]; a key that
    // is missing or reads exactly "nodef" is absent.  No select raises "Missing SQL statement in "
    // + the file's name, no from "Missing FROM statement in " + the file's name.
    std::string SqlStatement() const;

private:
    TIniFile Ini() const;
    std::string Read(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    bool Flag(const std::string& Section, const std::string& Ident) const;

    QString FFileName;
    std::string FName; // the file name without folder
    mutable bool FChecked = false;
};

// SQL with every "@name" (name: the longest run of 0-9, A-Z, a-z, "_") replaced by the value of
// DataSet's field of that name in the current record (none: the field's null value), between single
// quotes (a quote inside a value doubled): integer fields right-aligned with blanks in a width given by the field's name (lijst_id 5,
// lijst_nr 2, kand_id 5, kand_nr 3, bureau_id 4, bureau_nr 4, else the display width), null as that
// many "0"; floating-point and currency fields as "0.00" right-aligned in the display width; other
// fields left-aligned in the display width.  Longer texts are cut to the width.  The scan goes on
// after each inserted value.  An "@" at the very end raises "SQL syntax error in
// formulieropmaakbestand"; an unknown name the data set's field-not-found error.
std::string SubstituteSqlParams(const std::string& SQL, const TDataSet& DataSet);

// ---- Extra fields and FORMVARS.INI ----

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
// (TFolderLock, waiting for another copy of the program) from the first read to the last write, so
// that two copies never hand out the same "AUTONUM" number.  A file that is not an INI file is left
// alone (TIniFile::CheckFormat).  Returns 1 after OK, 2 after a cancel.
int AskExtraFieldValues(std::vector<std::string>& Fields, const QString& FormVarsFile, const TAskExtraFields& Ask);

// The FORMVARS.INI in use: FormsDir + "FORMVARS.INI" while the forms folder and that file can be
// written; otherwise (a program installed for all users) the user's own copy beside the registry
// store's files, made from the shipped one when it is missing.
QString FormVarsFileName();

// Asks the values of Fields' lines in the dialog "Extra velden voor MS Word koppeling" and stores them
// in FormVarsFileName() ([General] dtKlanten := today as "dd-mm-yy" first, also when the
// dialog is cancelled).  Returns 1 after OK (Fields holds the entered values), 2 after a cancel
// (Fields unchanged).  A FORMVARS.INI that is no text file is left alone; lines it cannot read stay.
// Failures raise a plain Exception "GetNewVarValues: " + the message.
int GetNewVarValues(std::vector<std::string>& Fields);

// ---- Word documents by name ----

class TWordApplication;

// The file-name part of a path: the text after its last "/", all of it without one.
std::string WordDocumentName(const std::string& FileName);

// Closes without saving the open document with the highest index whose name equals the file-name
// part of FileName (case counts); at most one.  The word processor's failures pass unchanged.
void CloseWordDocument(TWordApplication& WordApp, const std::string& FileName);
// Activates the open document with the highest index whose name equals the file-name part of Name.
void ActivateWordDocument(TWordApplication& WordApp, const std::string& Name);

// ---- The mail-merge driver ----

// Whether one of the program's arguments (Arguments[0] is the program itself) is "-" or "/"
// followed by Switch, without regard to case.
bool FindCmdLineSwitch(const std::vector<std::string>& Arguments, const std::string& Switch);

// The statement as the data source takes it: its first 255 characters and the rest.
std::pair<std::string, std::string> SplitSqlStatement(const std::string& Sql);

// What the driver talks to: the word processor (null: none can be connected) and the program's
// arguments, asked anew in every pass.
struct TTemplateEnvironment {
    std::function<TWordApplication*()> ConnectWord;
    std::function<std::vector<std::string>()> Arguments;
};
// The running word processor (ConnectWordApplication) and the program's command line.
TTemplateEnvironment ProgramEnvironment();

// Produces the form Code from FormsDir: template ZV/TEMPLATE/<Code>.dot, layout file
// ZV/FORMDAT/<Code>.dat.  Asks for candidates and extra fields when the layout wants them, writes
// the data files into the private temporary folder, merges the template once (or once per chosen
// candidate for multirun "K") and leaves the merged documents, their "[*]" markers turned into text
// form fields and protected for form filling, shown by the word processor.  The switches
// noclearformat, nofind and nohome leave steps out.  A layout with autoloop "Y" repeats the whole
// run with new extra fields until their dialog is cancelled; without [FIELDS] it runs once.
// One request at a time holds the private temporary folder: while another copy of the program
// makes a form there, the request ends with AnotherFormText under the heading "Start formulier".
// Every failure is shown inside; nothing is thrown.  Code is Windows-1252.
void StartTemplate(const std::string& Code);
extern const char* const AnotherFormText;

// How a failure of a form request is shown: the heading and text of its error box; none for a
// user's cancellation (EAbort).
struct TStartMessage {
    std::string Title, Text;
};
std::optional<TStartMessage> StartFailureMessage(const std::exception& e);
void StartTemplateWith(const std::string& Code, const TTemplateEnvironment& Environment);
