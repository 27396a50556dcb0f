#include "fOvzKandidatenlijstH1.h"

#include "Exceptions.h"
#include "StrFuncs.h"
#include "ZEBPrev.h"
#include "fMutKandidaat.h"
#include "report/QRPrntr.h"

#include <QCoreApplication>
#include <QFile>
#include <QPrinterInfo>
#include <algorithm>
#include <new>

const char* const H1FooterNotice =
    "Inleveren bij het centraal stembureau, met de verklaringen van instemming van alle kandidaten.";
const char* const H1FormCode = "Zorvandel H1 - 2026/1";

namespace {

// Report pixels per font size of the form's labels.
constexpr int kHeading = 16;
constexpr int kNormal = 11;
constexpr int kSmall = 8;
constexpr int kFooter = 9;

QFont ArialFont(int pixels, bool bold = false)
{
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

TQRLabel& AddLabel(TQRCustomBand& band, const std::string& caption, double left, double top, int pixels = kNormal,
                   bool bold = false)
{
    TQRLabel& label = band.Add<TQRLabel>(caption);
    label.Left = left;
    label.Top = top;
    label.Font = ArialFont(pixels, bold);
    return label;
}

// A label that wraps within its width and grows downwards.
TQRLabel& AddGrowingLabel(TQRCustomBand& band, double left, double top, double width)
{
    TQRLabel& label = AddLabel(band, {}, left, top);
    label.AutoSize = false;
    label.WordWrap = true;
    label.AutoStretch = true;
    label.Width = width;
    label.Height = 16;
    return label;
}

TQRRichText& AddRichText(TQRCustomBand& band, double left, double top, double width, double height)
{
    TQRRichText& box = band.Add<TQRRichText>();
    box.Left = left;
    box.Top = top;
    box.Width = width;
    box.Height = height;
    box.AutoStretch = true;
    return box;
}

// The printer selected in the application: the default printer's place among the available
// ones, -1 when there is none.
int SelectedPrinterIndex()
{
    const QString name = QPrinterInfo::defaultPrinterName();
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    for (int i = 0; i < printers.size(); ++i)
        if (printers[i].printerName() == name)
            return i;
    return -1;
}

} // namespace

std::vector<std::string> KandidaatRowKeys(const TKandidaatList& List)
{
    std::vector<std::string> keys;
    keys.reserve(std::size_t(List.Count()));
    for (int i = 0; i < List.Count(); ++i)
        keys.push_back(KandidaatNrKey(List.Items(i)->KandidaatNr.AsString()));
    std::sort(keys.begin(), keys.end());
    return keys;
}

TKandidaatRegel KandidaatRegel(const TKandidaatRecord& Kandidaat, const std::string& NrText)
{
    return {.Nr = NrText,
            .Naam = TrimLeftStr(Kandidaat.Voorvoegsels.AsString() + " " + Kandidaat.Achternaam.AsString()),
            .Voorletters = Kandidaat.Voorletters.AsString(),
            .GebDatum = Kandidaat.Geboortedatum.AsString(),
            .Adres = Kandidaat.Adres.AsString(),
            .PC_WP = Kandidaat.Postcode.AsString() + "  " + Kandidaat.Plaats.AsString()};
}

std::string AdresPostcodePlaats(const std::string& Adres, const std::string& Postcode, const std::string& Plaats)
{
    return Adres + "   " + Postcode + "   " + Plaats;
}

std::string MissingTextNote(const std::string& FileName, const std::string& Reason)
{
    return "[De tekst van dit onderdeel ontbreekt: het bestand " + FileName + " kon niet worden gelezen (" + Reason
        + "). Vul de tekst aan voordat u dit formulier inlevert.]";
}

TfrmOvzKandidatenlijstH1::TfrmOvzKandidatenlijstH1(QWidget* owner) : TBaseForm(owner)
{
    setWindowTitle("Kandidatenlijst - Model H1");
    BuildReport();
}

TfrmOvzKandidatenlijstH1::~TfrmOvzKandidatenlijstH1() = default;

void TfrmOvzKandidatenlijstH1::BuildReport()
{
    Report.Page.BottomMargin = 127;
    Report.Page.Length = 2970;
    Report.Page.LeftMargin = 127;
    Report.Page.Width = 2100;
    Report.Page.RightMargin = 228.6;
    Report.Page.TopMargin = 177.8;
    Report.Page.ColumnSpace = 0;
    Report.Page.PaperSize = A4;
    Report.Page.Orientation = poPortrait;
    Report.Page.Columns = 1;
    Report.Options.FirstPageHeader = true;
    Report.Options.LastPageFooter = true;
    Report.PrintIfEmpty = true;
    Report.Font = ArialFont(13);
    Report.ReportTitle = windowTitle();

    // Title.
    QRBand1 = &Report.AddBand<TQRBand>(rbTitle);
    QRBand1->Height = 241;
    QRBand1->Width = 640;
    AddLabel(*QRBand1, "KANDIDATENLIJST", 0, 48, kHeading, true);
    TQRLabel& model = AddLabel(*QRBand1, "Model H1", 439, 48, kHeading, true);
    model.Width = 200;
    model.Alignment = taRightJustify;
    AddLabel(*QRBand1, "Lijst van kandidaten voor de verkiezing van", 0, 80);
    lblVerkTypeOms = &AddLabel(*QRBand1, std::string(35, '.'), 240, 80);
    AddLabel(*QRBand1, "op datum", 0, 104);
    lblDatum = &AddLabel(*QRBand1, std::string(27, '.'), 72, 104);
    AddLabel(*QRBand1, "ingeleverd door (naam)", 0, 132);
    AddLabel(*QRBand1, std::string(24, '.'), 240, 132);
    AddLabel(*QRBand1, "wonende (adres)", 0, 156);
    AddLabel(*QRBand1, std::string(24, '.'), 240, 156);
    AddLabel(*QRBand1, "op", 0, 180);
    AddLabel(*QRBand1, std::string(24, '.'), 240, 180);
    AddLabel(*QRBand1, "Aanduiding van de politieke groepering:", 0, 204);
    lblAanduiding = &AddLabel(*QRBand1, {}, 240, 204);
    QRBand1->BeforePrint = [this](TQRCustomBand&, bool&) {
        IndexKandidaten();
        ShowPartij();
    };

    // Column heads, once under the title.
    QRChildBand1 = &Report.AddBand<TQRChildBand>(*QRBand1);
    QRChildBand1->Height = 32;
    AddLabel(*QRChildBand1, "nr.", 8, 3);
    AddLabel(*QRChildBand1, "1", 23, 3, kSmall);
    AddLabel(*QRChildBand1, "naam", 40, 3);
    AddLabel(*QRChildBand1, "2", 68, 3, kSmall);
    AddLabel(*QRChildBand1, "voorletters", 192, 3);
    AddLabel(*QRChildBand1, "2", 246, 3, kSmall);
    TQRLabel& geboorte = AddGrowingLabel(*QRChildBand1, 264, 3, 57);
    geboorte.Caption = "geboorte-datum";
    AddLabel(*QRChildBand1, "adres", 344, 3);
    AddLabel(*QRChildBand1, "postcode en woonplaats", 503, 3);

    // One row per candidate.
    QRStringsBand1 = &Report.AddBand<TQRStringsBand>();
    QRStringsBand1->Height = 22;
    QRStringsBand1->Frame.DrawBottom = true;
    // Each text wraps within its column, 4 pixels short of the next one.
    lblNr = &AddLabel(*QRStringsBand1, {}, 8, 3);
    lblNaam = &AddGrowingLabel(*QRStringsBand1, 40, 3, 148);
    lblVoorletters = &AddGrowingLabel(*QRStringsBand1, 192, 3, 68);
    lblGebDatum = &AddGrowingLabel(*QRStringsBand1, 264, 3, 76);
    lblAdres = &AddGrowingLabel(*QRStringsBand1, 344, 3, 155);
    lblPC_WP = &AddGrowingLabel(*QRStringsBand1, 503, 3, 137);
    QRStringsBand1->BeforePrint = [this](TQRCustomBand&, bool&) { ShowRow(QRStringsBand1->Item()); };

    // Page footer on every page.
    QRBand2 = &Report.AddBand<TQRBand>(rbPageFooter);
    QRBand2->Height = 21;
    QRBand2->Frame.DrawTop = true;
    AddLabel(*QRBand2, H1FooterNotice, 0, 5, kFooter);
    TQRLabel& code = AddLabel(*QRBand2, H1FormCode, 439, 5, kFooter);
    code.Width = 200;
    code.Alignment = taRightJustify;

    // Footnotes after the last row.
    Footer1 = &Report.AddBand<TQRBand>(rbSummary);
    Footer1->Height = 74;
    AddLabel(*Footer1, "1", 10, 8, kSmall, true);
    AddLabel(*Footer1, "zie toelichting punt 2", 16, 9, kFooter, true);
    AddLabel(*Footer1, "2", 10, 20, kSmall, true);
    AddLabel(*Footer1, "zie toelichting punt 1", 16, 22, kFooter, true);

    // The authorisation with the agent and the substitute.
    Footer2 = &Report.AddBand<TQRChildBand>(*Footer1);
    Footer2->ForceNewPage = true;
    Footer2->Height = 712;
    QRRichText5 = &AddRichText(*Footer2, 1, 32, 624, 489);
    AddLabel(*Footer2, "1.     (naam)", 0, 533);
    lblNaamGemachtigde = &AddLabel(*Footer2, {}, 72, 533);
    AddLabel(*Footer2, "        (adres)", 0, 549);
    lblAdresGemachtigde = &AddLabel(*Footer2, {}, 72, 549);
    AddLabel(*Footer2, "Als diens plaatsvervanger(s) wordt (worden) aangewezen:", 0, 573);
    AddLabel(*Footer2, "1.     (naam)", 0, 597);
    lblNaamVervanger = &AddLabel(*Footer2, {}, 72, 597);
    AddLabel(*Footer2, "        (adres)", 0, 613);
    lblAdresVervanger = &AddLabel(*Footer2, {}, 72, 613);
    QRRichText6 = &AddRichText(*Footer2, 1, 640, 624, 65);
    Footer2->BeforePrint = [this](TQRCustomBand&, bool&) {
        LoadText(*QRRichText5, "H1a.rtf");
        LoadText(*QRRichText6, "H1b.rtf");
    };

    // The explanation, in two columns.
    Footer3 = &Report.AddBand<TQRChildBand>(*Footer2);
    Footer3->ForceNewPage = true;
    Footer3->Height = 460;
    QRRichText1 = &AddRichText(*Footer3, 0, 16, 305, 400);
    QRRichText2 = &AddRichText(*Footer3, 328, 56, 305, 400);
    Footer3->BeforePrint = [this](TQRCustomBand&, bool&) {
        LoadText(*QRRichText1, "H1c.rtf");
        LoadText(*QRRichText2, "H1d.rtf");
    };

    // The declarations, in two columns.
    Footer4 = &Report.AddBand<TQRChildBand>(*Footer3);
    Footer4->ForceNewPage = true;
    Footer4->Height = 430;
    QRRichText3 = &AddRichText(*Footer4, 0, 24, 305, 400);
    QRRichText4 = &AddRichText(*Footer4, 328, 24, 305, 400);
    Footer4->BeforePrint = [this](TQRCustomBand&, bool&) {
        LoadText(*QRRichText3, "H1e.rtf");
        LoadText(*QRRichText4, "H1f.rtf");
    };

    Report.OnPreview = [this](TQuickRep& Sender) { ReportPreview(Sender); };
}

void TfrmOvzKandidatenlijstH1::Initialize()
{
    try {
        TBaseForm::Initialize();
        ProgramDir = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/";
        QRStringsBand1->Items = KandidaatRowKeys(*KandidaatList);
        IndexKandidaten();
    } catch (const std::exception& e) {
        throw Exception(std::string("TfrmOvzKandidatenlijstH1.Initialize: ") + e.what());
    }
}

void TfrmOvzKandidatenlijstH1::IndexKandidaten()
{
    byNumber_.clear();
    byKey_.clear();
    for (int i = 0; i < KandidaatList->Count(); ++i) {
        const std::string number = KandidaatList->Items(i)->KandidaatNr.AsString();
        const std::string trimmed = TrimStr(number);
        if (IsInteger(trimmed))
            byNumber_[std::stol(trimmed)] = i;
        byKey_[KandidaatNrKey(number)] = i;
    }
}

void TfrmOvzKandidatenlijstH1::ShowPartij()
{
    if (!PartijList || PartijList->Count() == 0) {
        for (TQRLabel* label : {lblAanduiding, lblNaamGemachtigde, lblAdresGemachtigde, lblNaamVervanger,
                                lblAdresVervanger})
            label->Caption.clear();
        return;
    }
    const TPartijRecord& partij = *PartijList->Items(0);
    lblAanduiding->Caption = partij.Aanduiding.AsString();
    lblNaamGemachtigde->Caption = partij.NaamGemachtigde.AsString();
    lblAdresGemachtigde->Caption = AdresPostcodePlaats(partij.AdresGemachtigde.AsString(),
        partij.PostcodeGemachtigde.AsString(), partij.PlaatsGemachtigde.AsString());
    lblNaamVervanger->Caption = partij.NaamVervanger.AsString();
    lblAdresVervanger->Caption = AdresPostcodePlaats(partij.AdresVervanger.AsString(),
        partij.PostcodeVervanger.AsString(), partij.PlaatsVervanger.AsString());
}

void TfrmOvzKandidatenlijstH1::SetRow(const TKandidaatRegel& Regel)
{
    lblNr->Caption = Regel.Nr;
    lblNaam->Caption = Regel.Naam;
    lblVoorletters->Caption = Regel.Voorletters;
    lblGebDatum->Caption = Regel.GebDatum;
    lblAdres->Caption = Regel.Adres;
    lblPC_WP->Caption = Regel.PC_WP;
}

void TfrmOvzKandidatenlijstH1::ShowKandidaat(int Nr)
{
    const auto found = byNumber_.find(Nr);
    if (found != byNumber_.end() && found->second < KandidaatList->Count())
        SetRow(KandidaatRegel(*KandidaatList->Items(found->second), std::to_string(Nr) + "."));
}

void TfrmOvzKandidatenlijstH1::ShowRow(const std::string& Item)
{
    if (IsInteger(Item)) {
        ShowKandidaat(int(std::stol(Item)));
        return;
    }
    const auto found = byKey_.find(Item);
    if (found != byKey_.end() && found->second < KandidaatList->Count()) {
        const TKandidaatRecord& kandidaat = *KandidaatList->Items(found->second);
        SetRow(KandidaatRegel(kandidaat, TrimStr(kandidaat.KandidaatNr.AsString())));
    }
}

void TfrmOvzKandidatenlijstH1::LoadText(TQRRichText& Box, const std::string& Name)
{
    const std::string fileName = "FORMS/" + Name;
    try {
        Box.LoadFromFile(ProgramDir + fileName);
    } catch (const Exception& e) {
        Box.SetText(MissingTextNote(fileName, e.Message));
    } catch (const std::bad_alloc&) {
        Box.SetText(MissingTextNote(fileName, "onvoldoende geheugen"));
    }
}

void TfrmOvzKandidatenlijstH1::ShowReport()
{
    Report.PrinterSettings.PrinterIndex = SelectedPrinterIndex();
    Report.Prepare();
    Report.Preview();
}

void TfrmOvzKandidatenlijstH1::ReportPreview(TQuickRep& Sender)
{
    if (!frmZEBPreviewer)
        throw Exception("TfrmOvzKandidatenlijstH1.ReportPreview: geen previewer");
    // The previewer takes the printer object over and frees it when it closes; the report no
    // longer refers to it.
    frmZEBPreviewer->SetQRPrinter(Sender.ReleaseQRPrinter());
    frmZEBPreviewer->setWindowTitle("Quandor 4 - Kandidatenlijst - Model H1 ");
    frmZEBPreviewer->PrinterPreference = false;
    frmZEBPreviewer->ShowModal();
}
