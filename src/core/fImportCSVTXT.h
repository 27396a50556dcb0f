#pragma once
// Import of candidates from a CSV or TXT file whose first line names the columns: the import
// dialog, which shows a sample of the file and on OK hands on every data line, and the main
// window's import command, which turns those lines into candidate records behind the ones in
// KandidaatList.  Reading the file and turning its lines into records: ImportReader.h.

#include "ImportReader.h"
#include "fBaseOkCancel.h"
#include "uZVGlobals.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class TStringGrid;
class TWaitCursor;

// ---------------------------------------------------------------------------------------------
// The main window's import command (Ctrl+I).  KandidaatList must exist (TZVLists).

// The whole command: when KandidaatList holds candidates, asks whether they go (Yes: the imported
// candidates take their place; No: they follow the existing ones), lets the user pick the file
// (OpenDialogTXT) and runs OpenCSVTXTKandidaten on it.  The existing candidates go only with a
// successful import: cancelling either dialog or a failure keeps them.  owner is the main window.
// Never throws: a failure that reaches the command ends it without a message.
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

// Fills one record from the name=value items of one import line: of its items, the first that
// names each record column (TImportColumns::Items).  Kandidaat must not be null.
using TKandidaatReader = std::function<bool(const std::vector<std::string>& Items, TKandidaatRecord* Kandidaat)>;

// Appends one record per data line of the import dialog to List, in order, each filled by Read
// from the line's items; with ClearFirst they replace the records List holds.  All or nothing: a
// line that Read refuses raises Exception "Ongeldige kandidaat record ingelezen.", memory that
// runs out std::bad_alloc, and List stays as it was.
void AddImportedKandidaten(const TImportLines& Lines, TKandidaatList& List,
                           const TKandidaatReader& Read = SLReadKandidaat, bool ClearFirst = false);

// Runs the import dialog on FileName and appends one candidate per data line to KandidaatList,
// in file order; with ClearFirst the imported candidates replace those of KandidaatList.  Cancel
// or a failure leaves KandidaatList as it was.  Every failure is shown in the information
// message box as "frmMain.OpenCSVTXTKandidaten: " followed by its text (MessageOf: memory that
// runs out reads "Onvoldoende geheugen"); a line that Read refuses ends the import with
// "Ongeldige kandidaat record ingelezen.".  When characters were replaced by "?" while the file
// was read, one more message says how many.
void OpenCSVTXTKandidaten(QWidget* owner, const std::filesystem::path& FileName,
                          const TKandidaatReader& Read = SLReadKandidaat, bool ClearFirst = false);

// The message after an import in which count characters (count > 0) became "?".
std::string ReplacedCharsMessage(int count);

// ---------------------------------------------------------------------------------------------
// The import dialog.  The main window runs
//     TImportLines lines;
//     auto dialog = TBaseForm::Create<TfrmImportCSVTXT>(this);
//     dialog->Initialize(fileName, &lines, true, false, true);   // reads the sample; may throw
//     if (dialog->ShowModal() == TBaseForm::mrOk) ...             // lines holds the data lines
//
// OK reads the whole file: into a TImportLines the data lines with their columns, into a list of
// texts the output line of each (ImportReader.h).

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
    void Initialize(const std::filesystem::path& FileName, TImportLines* OutData, bool FirstLineHeader,
                    bool Indicators, bool DoImport);

    // Reads the first line and at most 99 more into sgSample.
    void LoadSample();
    // Appends every data line to the output.  Too few fields in the first line raise EAbort
    // "Het importbestand dient <ColCount> velden te bevatten."; any other failure, a file larger
    // than MaxImportBytes, more than MaxImportLines data lines and a failed allocation among them,
    // an Exception "Het bestand is niet te lezen." followed by its text.  A failure leaves the
    // output as it was.
    void ImportFile();

    void SetFileName(const std::filesystem::path& Value) { fileName_ = Value; }
    void SetFirstLineHeader(bool Value) { firstLineHeader_ = Value; }
    void SetIndicators(bool Value) { indicators_ = Value; }

    const std::filesystem::path& FileName() const { return fileName_; }
    const std::string& Separator() const { return separator_; }
    bool DoImport() const { return doImport_; }
    bool FirstLineHeader() const { return firstLineHeader_; }
    bool Indicators() const { return indicators_; }
    int ColCount() const { return colCount_; }
    // Characters that became "?" in the lines added to OutLines.
    int ReplacedChars() const { return replacedChars_; }

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
    void Start(const std::filesystem::path& FileName, bool FirstLineHeader, bool Indicators, bool DoImport);

    std::filesystem::path fileName_;
    std::string separator_;
    bool doImport_ = false;
    bool firstLineHeader_ = true;
    bool indicators_ = false;
    int colCount_ = 0;
    std::vector<std::string>* outLines_ = nullptr; // one output: the texts or the data lines
    TImportLines* outData_ = nullptr;

    bool firstLoading_ = true;
    int replacedChars_ = 0;
    TImportEncoding encoding_;
    std::unique_ptr<TWaitCursor> waitCursor_; // from a successful import until the dialog closes
};
