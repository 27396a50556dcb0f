#pragma once
// The candidate selection.  SelectKandidaten lets the user move candidates from the available
// list to the chosen one and gives the chosen ones as selection lines in the chosen list's order:
// the candidate number left-padded with "0" to three characters, "=" and the voting-machine name
// ("007=Jansen, P."). KandidatenToDataset turns such lines into a table with one record per
// candidate.  Texts are Windows-1252.

#include "fBaseForm.h"

#include <string>
#include <vector>

class QFrame;
class QPushButton;
class TDataSet;
class TZEBDualListBox;
struct TKandidaatRecord;

// The selection line of a candidate.
std::string SelectionLine(const TKandidaatRecord& Kandidaat);

// Whether OK may close the selection: unless an empty selection is allowed, not while candidates
// are available and none is chosen.
bool SelectionOkAllowed(bool AllowEmpty, int AvailableCount, int ChosenCount);

class TfrmSelectie : public TBaseForm {
    Q_OBJECT
public:
    explicit TfrmSelectie(QWidget* owner = nullptr);

    // Initialize, and whether OK may close with nothing chosen.
    void Init(bool AllowEmpty);

    TZEBDualListBox* dlbSelectie = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* btnOk = nullptr;        // result OK
    QPushButton* btnAnnuleren = nullptr; // result Cancel; Esc presses it

protected:
    // Refuses OK with "U dient minimaal 1 item te selecteren." (SelectionOkAllowed).
    virtual void btnOkClick();

private:
    bool allowEmpty_ = false;
};

// Shows the selection with every candidate of KandidaatList available.  After OK: true, with List
// holding the chosen candidates' lines; after a cancel: false, with List empty.  A failure leaves
// as an Exception with "SelectKandidaten: " in front of its text.
bool SelectKandidaten(std::vector<std::string>& List);

// Fills DataSet with one record per line of List: "kand_nr" (32-bit integer) the text before the
// "=", "naamkand" (text of 20 characters) the text after the first "=", cut to 20.  A table
// without fields gets these two; one that has fields is reused.  The table is opened and its
// records replaced.  A failure (a number that is not an integer) leaves as an Exception with
// "KandidatenToDataset: " in front of its text; the records of the lines before it stay.
void KandidatenToDataset(TDataSet& DataSet, const std::vector<std::string>& List);
