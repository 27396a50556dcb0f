#pragma once
// The dialog in which the user adds (mmInsert), changes (mmEdit) or removes (mmDelete) one candidate.  On OK it
// validates the fields one at a time, then changes KandidaatList itself; the caller brings its
// view in line afterwards.  One dialog object may be initialised and shown any number of times:
//
//     auto d = TBaseForm::Create<TfrmMutKandidaat>(owner);
//     d->Initialize(Mode, OkNieuw, NrList, CurrentNr);   // again before every showing
//     if (d->ShowModal() == TBaseForm::mrOk)
//         row from d->GetKandidaatNr(), d->GetNaamStemapparaat(), d->GetPlaats();
//         in insert mode show it again while d->GetOkNieuw()
//
// While "Naam op stemapparaat automatisch genereren" is ticked, every change of a name part
// composes the voting-machine name (ComposeNaamStemapparaat), cut to 50 characters.

#include "fBaseOkCancel.h"
#include "uZVGlobals.h"

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class TUpDown;
class TZEBCheckBox;
class TZEBCombobox;
class TZEBDateEdit;
class TZEBEdit;

// The voting-machine name from the parts as they stand (not trimmed): the prefixes and a blank,
// the surname, ", " and the initials, " (" first name ")", " (" sex in lower case ")", each only
// when not empty.  Empty when the four name parts are all empty, whatever the sex.  No length limit.
std::string ComposeNaamStemapparaat(const std::string& Voorvoegsels, const std::string& Achternaam,
                                    const std::string& Voorletters, const std::string& Voornaam,
                                    const std::string& Geslacht);

// Position in List of the first record whose KandidaatNr (trimmed first when Trim) converts to Nr;
// -1 when none does.  A record met before the match whose number does not convert throws
// EConvertError ("'x' is not a valid integer value").
int FindKandidaatRecord(const TKandidaatList& List, int Nr, bool Trim);

constexpr int MaxKandidaatNr = 80; // highest number accepted on OK

// A candidate number as NrList holds it: left-padded with "0" to 10 characters.
std::string KandidaatNrKey(const std::string& Nr);

// No entry of NrList equals the number Nr (trimmed) left-padded with "0" to 10 characters.
bool KandidaatNrIsUniek(const std::string& Nr, const std::vector<std::string>& NrList);

// The fields that OK checks, in its order.
enum class TKandidaatVeld { KandidaatNr, Naam, Voorletters, NaamStemapparaat, Plaats, Adres, PostCode, Geboortedatum };

// What the candidate dialog holds when OK is pressed.
struct TKandidaatInvoer {
    TMutateMode Mode = mmInsert;
    std::string KandidaatNr; // as typed
    int Positie = 0;         // of the spin, which a number typed outside its range leaves behind
    int OrigNr = -1;         // the number the record was opened with
    std::string Naam, Voorletters, NaamStemapparaat, Plaats, Adres, PostCode;
    // Completes the typed birth date and tells whether it is a date (a blank one is); asked only
    // when every field before it passed.
    std::function<bool()> GeboortedatumGeldig;
};

// The checks of OK in their order: the first field refused, with its message; nothing when OK may
// save.  Delete mode checks nothing.  A number must be filled, a whole number from 1 to
// MaxKandidaatNr, and unique in NrList on insert and when an edit changes it.
TInputCheck<TKandidaatVeld> ValidateKandidaat(const TKandidaatInvoer& Invoer, const std::vector<std::string>& NrList);

class TfrmMutKandidaat : public TBaseOkCancel {
    Q_OBJECT
public:
    static constexpr int MaxKandidaatNr = ::MaxKandidaatNr;
    static constexpr int MaxNaamStemapparaat = 50; // the composed name is cut to this

    explicit TfrmMutKandidaat(QWidget* owner = nullptr);

    using TBaseOkCancel::Initialize;
    // Prepares one showing.  Insert: proposes NextKandidaatNr and empties every field; edit and
    // delete: load the record numbered CurrentNr (-1: none), delete also locks the
    // fields.  OkNieuw shows and ticks "Na opslaan nieuwe kandidaat toevoegen" (else it is hidden
    // and clear).  NrList: the numbers in use, each KandidaatNr left-padded with "0" to 10
    // characters, sorted ascending, no duplicates; it is copied.  Throws EConvertError when the
    // last entry of NrList (insert) or a record number met while searching (edit, delete) is no
    // whole number; the dialog must then not be shown.
    void Initialize(TMutateMode Mode, bool OkNieuw, const std::vector<std::string>& NrList, int CurrentNr);

    // After OK: the state of "Na opslaan nieuwe kandidaat toevoegen".
    bool GetOkNieuw() const;
    // After OK: the texts of edKandidaatNr (the saved number), edNaamStemapparaat and edPlaats,
    // Windows-1252.
    std::string GetKandidaatNr() const;
    std::string GetNaamStemapparaat() const;
    std::string GetPlaats() const;

    // The highest number in NrList plus 1; 1 when the list is empty.
    int NextKandidaatNr() const;
    // No entry of NrList equals the typed number, left-padded with "0" to 10 characters.
    bool KandidaatNrIsUniek() const;
    // ValidateKandidaat on the fields; a refusal is told and its field focused.
    bool ValidateInput();
    // Adds, overwrites or (after a question) removes the record by mode; a failure is told and
    // gives false.
    bool Save();

    QLabel* lblKandidaat = nullptr;
    TZEBEdit* edKandidaatNr = nullptr;
    TUpDown* udKandidaatNr = nullptr;
    TZEBEdit* edNaam = nullptr;
    TZEBEdit* edVoorletters = nullptr;
    TZEBEdit* edVoorvoegsels = nullptr;
    TZEBEdit* edVoornaam = nullptr;
    TZEBCombobox* cmbGeslacht = nullptr;
    TZEBDateEdit* edGeboortedatum = nullptr;
    TZEBEdit* edAdres = nullptr;
    TZEBEdit* edPostCode = nullptr;
    TZEBEdit* edPlaats = nullptr;
    TZEBCheckBox* cbAutomatisch = nullptr;
    TZEBEdit* edNaamStemapparaat = nullptr;
    QCheckBox* cbOkNieuw = nullptr;

protected:
    void FormActivate() override;
    void btnOkClick() override;
    virtual void edKandidaatNrKeyPress(char& Key);
    virtual void cbAutomatischClick();
    virtual void edNaamChange();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadKandidaatRecord();
    void DisableInput();
    void SelectGeslacht(int Index);
    void GenereerNaamStemapparaat();
    void AddKandidaatRecord();
    void UpdateKandidaatRecord();
    void DeleteKandidaatRecord();
    void FillKandidaatRecord(TKandidaatRecord& Record) const;
    int FoundRecord(bool Trim) const;
    QWidget* Field(TKandidaatVeld Veld) const;

    int origNr_ = -1;
    TMutateMode mode_ = mmInsert;
    std::vector<std::string> nrList_;
    bool loading_ = false;
};
