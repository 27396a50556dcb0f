#pragma once
// The candidate list form model H1 as a banded report, shown in the shared previewer: the title
// with the party's appellation, one row per candidate in number order, footnotes, and three pages
// of fixed texts read from FORMS/H1a.rtf ... H1f.rtf in the program folder, with the party's
// authorised agent and substitute.
//
//   auto report = TBaseForm::Create<TfrmOvzKandidatenlijstH1>(this);
//   report->Initialize();   // the rows: every KandidaatNr padded to 10 with "0", sorted
//   report->ShowReport();   // builds, then previews in frmZEBPreviewer (modal)
//
// The window itself is never shown.  It reads PartijList and KandidaatList and writes nothing.
//
// Beyond the form's own rules:
// - an RTF text that is missing or cannot be read prints a note naming the file in its place;
// - without a party record the party's labels stay empty;
// - a row whose number is no integer (free text after an import) shows the candidate with that
//   number as stored, the number printed as it is (trimmed, without the dot).

#include "fBaseForm.h"
#include "report/QuickRpt.h"
#include "uZVGlobals.h"

#include <string>
#include <unordered_map>
#include <vector>

// The rows of the report: each KandidaatNr as stored, padded on the left with "0" to 10
// characters, sorted ascending (equal keys all stay).
std::vector<std::string> KandidaatRowKeys(const TKandidaatList& List);

// What one row shows.
struct TKandidaatRegel {
    std::string Nr, Naam, Voorletters, GebDatum, Adres, PC_WP;
    bool operator==(const TKandidaatRegel&) const = default;
};
// The row of a record; NrText is what the number column shows.
TKandidaatRegel KandidaatRegel(const TKandidaatRecord& Kandidaat, const std::string& NrText);

// "adres   postcode   plaats" (three blanks between).
std::string AdresPostcodePlaats(const std::string& Adres, const std::string& Postcode, const std::string& Plaats);

// The text printed in place of an RTF text that could not be read.
std::string MissingTextNote(const std::string& FileName, const std::string& Reason);

// The page footer's fixed texts.
extern const char* const H1FooterNotice;
extern const char* const H1FormCode;

class TfrmOvzKandidatenlijstH1 : public TBaseForm {
    Q_OBJECT
public:
    explicit TfrmOvzKandidatenlijstH1(QWidget* owner = nullptr);
    ~TfrmOvzKandidatenlijstH1() override;

    // Runs the base Initialize, takes the program folder and fills the rows.  Failures leave as
    // an Exception with "TfrmOvzKandidatenlijstH1.Initialize: " in front.
    void Initialize() override;
    // The party's labels from the first party record.
    void ShowPartij();
    // The row's labels from the last candidate whose trimmed number reads as Nr.
    void ShowKandidaat(int Nr);
    // Prepares the report, then previews it in frmZEBPreviewer.
    void ShowReport();
    // The report's preview handler: the previewer shows the pages modally and frees them.
    void ReportPreview(TQuickRep& Sender);

    // The program folder with its trailing separator (file-system bytes); FORMS/ lies in it.
    std::string ProgramDir;

    TQuickRep Report;
    TQRBand* QRBand1 = nullptr;
    TQRChildBand* QRChildBand1 = nullptr;
    TQRStringsBand* QRStringsBand1 = nullptr;
    TQRBand* QRBand2 = nullptr;
    TQRBand* Footer1 = nullptr;
    TQRChildBand* Footer2 = nullptr;
    TQRChildBand* Footer3 = nullptr;
    TQRChildBand* Footer4 = nullptr;
    TQRLabel* lblVerkTypeOms = nullptr;
    TQRLabel* lblDatum = nullptr;
    TQRLabel* lblAanduiding = nullptr;
    TQRLabel* lblNr = nullptr;
    TQRLabel* lblNaam = nullptr;
    TQRLabel* lblVoorletters = nullptr;
    TQRLabel* lblGebDatum = nullptr;
    TQRLabel* lblAdres = nullptr;
    TQRLabel* lblPC_WP = nullptr;
    TQRLabel* lblNaamGemachtigde = nullptr;
    TQRLabel* lblAdresGemachtigde = nullptr;
    TQRLabel* lblNaamVervanger = nullptr;
    TQRLabel* lblAdresVervanger = nullptr;
    TQRRichText* QRRichText1 = nullptr;
    TQRRichText* QRRichText2 = nullptr;
    TQRRichText* QRRichText3 = nullptr;
    TQRRichText* QRRichText4 = nullptr;
    TQRRichText* QRRichText5 = nullptr;
    TQRRichText* QRRichText6 = nullptr;

private:
    void BuildReport();
    void IndexKandidaten();
    void ShowRow(const std::string& Item);
    void SetRow(const TKandidaatRegel& Regel);
    void LoadText(TQRRichText& Box, const std::string& Name);

    // The last record for each integer number and for each padded number as stored.
    std::unordered_map<long, int> byNumber_;
    std::unordered_map<std::string, int> byKey_;
};
