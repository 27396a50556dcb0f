#pragma once
// Import of candidates from a CSV or TXT file whose first line names the columns: the import
// dialog, which shows a sample of the file and turns every data line into one line of
// name=value pairs, and the main window's import command, which turns those lines into
// candidate records behind the ones in KandidaatList.
//
// Reading the file: a file that is valid UTF-8 (with or without byte-order mark) is read as
// UTF-8 and its text converted to Windows-1252, where a character Windows-1252 cannot hold
// becomes "?"; any other file is read byte for byte.  Lines end at LF, CR LF or a lone CR.

#include "fBaseOkCancel.h"
#include "uZVGlobals.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class TStringGrid;
class TWaitCursor;

// ---------------------------------------------------------------------------------------------
// The main window's import command (Ctrl+I).  KandidaatList must exist (TZVLists).

// The whole command: when KandidaatList holds candidates, asks whether they go (Yes clears the
// list, No keeps them and the imported ones follow), lets the user pick the file
// (OpenDialogTXT) and runs OpenCSVTXTKandidaten on it.  owner is the main window.  Never
// throws: a failure that reaches the command ends it without a message.
//
// The caller (acImportCSVTXTExecute) must afterwards, whatever happened, rebuild the grid and
// caption from the lists (UpdateLijstGegevens) and run EnableDisable:
//     void TfrmMain::acImportCSVTXTExecute() { ImportCSVTXT(this); UpdateLijstGegevens(); EnableDisable(); }
void ImportCSVTXT(QWidget* owner);

// The open dialog for import files (filter "Text files" on *.TXT and *.CSV).  True with the
// chosen file in FileName; false when the user cancelled.
bool OpenDialogTXT(QWidget* owner, std::filesystem::path& FileName);

// Fills *Kandidaat from the items by column name (Kand_nr, Achternaam, Voorletters,
// Voorvoegsels, Voornaam, Geslacht, Gebdatum, Adres, Postcode, Plaats; names compared without
// regard to case, the first of two equal names counts, other names are ignored, a missing one
// gives an empty field).  Values lose their trailing blanks and are cut to their field; the
// voting-machine name is composed and the birth date normalised.  A failure is shown as
// "frmMain.SLReadKandidaat: " followed by its text and gives false; the record is then unchanged.
bool SLReadKandidaat(const std::vector<std::string>& Items, TKandidaatRecord* Kandidaat);

// Fills one record from the name=value items of one import line.  Kandidaat must not be null.
using TKandidaatReader = std::function<bool(const std::vector<std::string>& Items, TKandidaatRecord* Kandidaat)>;

// Appends one record per output line of the import dialog to List, in order, each filled by
// Read from the line's tab-separated items.  A line that Read refuses raises Exception
// "Ongeldige kandidaat record ingelezen."; the records appended before it stay.
void AddImportedKandidaten(const std::vector<std::string>& Lines, TKandidaatList& List,
                           const TKandidaatReader& Read = SLReadKandidaat);

// Runs the import dialog on FileName and appends one candidate per data line to KandidaatList,
// in file order; Cancel adds nothing.  Every failure is shown in the information message box as
// "frmMain.OpenCSVTXTKandidaten: " followed by its text; a line that Read refuses ends the
// import with "Ongeldige kandidaat record ingelezen." and the candidates before it stay.  When
// characters were replaced by "?" while the file was read, one more message says how many.
void OpenCSVTXTKandidaten(QWidget* owner, const std::filesystem::path& FileName,
                          const TKandidaatReader& Read = SLReadKandidaat);

// The message after an import in which count characters (count > 0) became "?".
std::string ReplacedCharsMessage(int count);

// ---------------------------------------------------------------------------------------------
// Reading an import file

// Whether a file's bytes are UTF-8, remembered for one state of the file (device, inode, size,
// modification time), so that the file is scanned only once while it does not change.
struct TImportEncoding {
    bool Known = false;
    bool Utf8 = false;
    std::uint64_t Device = 0, Inode = 0, Size = 0;
    std::int64_t ModifiedNs = 0;
};

// One import file, line by line.  Opening raises EInOutError "Kan gekozen bestand niet openen."
// when the file cannot be opened or is no regular file; reading raises EInOutError (the system's
// text) on a read error and Exception
// on a line longer than MaxLineLength bytes, so that no file, however large or binary, is
// loaded into memory as a whole.
class TImportTextFile {
public:
    static constexpr std::size_t MaxLineLength = 65536;

    TImportTextFile(const std::filesystem::path& fileName, TImportEncoding& encoding);
    ~TImportTextFile();
    TImportTextFile(const TImportTextFile&) = delete;
    TImportTextFile& operator=(const TImportTextFile&) = delete;

    // The next line as Windows-1252 text, without its line end; false at the end of the file.
    bool ReadLine(std::string& line);
    // Characters of the last line read that became "?".
    int ReplacedInLine() const { return FReplacedInLine; }
    bool Utf8() const { return FUtf8; }

private:
    bool Fill();
    bool ScanUtf8();

    int FHandle = -1;
    bool FUtf8 = false;
    std::vector<char> FBuffer;
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    bool FSkipLineFeed = false; // the last line ended in CR: a LF right behind it belongs to it
    int FLineNumber = 0;
    int FReplacedInLine = 0;
};

// ---------------------------------------------------------------------------------------------
// The import dialog.  The main window runs
//     auto dialog = TBaseForm::Create<TfrmImportCSVTXT>(this);
//     dialog->Initialize(fileName, &lines, true, false, true);   // reads the sample; may throw
//     if (dialog->ShowModal() == TBaseForm::mrOk) ...             // lines holds the output lines
//
// Output line: for each data line the ColCount pairs name=value joined by tabs, the names being
// the fields of the first line; missing fields give empty values, fields beyond ColCount are
// dropped.

class TfrmImportCSVTXT : public TBaseOkCancel {
    Q_OBJECT
public:
    explicit TfrmImportCSVTXT(QWidget* owner = nullptr);
    ~TfrmImportCSVTXT() override;

    using TBaseOkCancel::Initialize;
    // Keeps the settings, loads the sample (which detects the separator and the text
    // indicators) and shows the indicator setting in cbIndicators.  OutLines stays the caller's.
    void Initialize(const std::filesystem::path& FileName, std::vector<std::string>* OutLines,
                    bool FirstLineHeader, bool Indicators, bool DoImport);

    // Reads the first line and at most 99 more into sgSample.
    void LoadSample();
    // Appends the output line of every data line to OutLines.  Too few fields in the first line
    // raise EAbort "Het importbestand dient <ColCount> velden te bevatten."; any other failure
    // an Exception "Het bestand is niet te lezen." followed by its text.
    void ImportFile();

    void SetFileName(const std::filesystem::path& Value) { FFileName = Value; }
    void SetFirstLineHeader(bool Value) { FFirstLineHeader = Value; }
    void SetIndicators(bool Value) { FIndicators = Value; }

    const std::filesystem::path& FileName() const { return FFileName; }
    const std::string& Separator() const { return FSeparator; }
    bool DoImport() const { return FDoImport; }
    bool FirstLineHeader() const { return FFirstLineHeader; }
    bool Indicators() const { return FIndicators; }
    int ColCount() const { return FColCount; }
    // Characters that became "?" in the lines added to OutLines.
    int ReplacedChars() const { return FReplacedChars; }

    void done(int result) override;

    QComboBox* cmbSeparator = nullptr;
    TStringGrid* sgSample = nullptr;
    QCheckBox* cbIndicators = nullptr;

protected:
    void FormCreate() override;
    void btnOkClick() override;
    void cmbSeparatorChange();
    void cbIndicatorsClick();

private:
    std::filesystem::path FFileName;
    std::string FSeparator;
    bool FDoImport = false;
    bool FFirstLineHeader = true;
    bool FIndicators = false;
    int FColCount = 0;
    std::vector<std::string>* FOutLines = nullptr;

    bool FFirstLoading = true;
    int FReplacedChars = 0;
    TImportEncoding FEncoding;
    std::unique_ptr<TWaitCursor> FWaitCursor; // from a successful import until the dialog closes
};
