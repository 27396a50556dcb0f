#include "fWordSelectie.h"

#include "DataSet.h"
#include "Exceptions.h"
#include "IntText.h"
#include "StrFuncs.h"
#include "ZEBDLB.h"
#include "ZEBMessages.h"
#include "uZVGlobals.h"

#include "ui_fWordSelectie.h"

#include <QFrame>
#include <QPushButton>

std::string SelectionLine(const TKandidaatRecord& Kandidaat)
{
    return PadLeft(Kandidaat.KandidaatNr.AsString(), 3, '0') + "=" + Kandidaat.NaamStemapparaat.AsString();
}

bool SelectionOkAllowed(bool AllowEmpty, int AvailableCount, int ChosenCount)
{
    return AllowEmpty || AvailableCount == 0 || ChosenCount > 0;
}

TfrmSelectie::TfrmSelectie(QWidget* owner) : TBaseForm(owner)
{
    Ui::TfrmSelectie ui;
    ui.setupUi(this);
    SetDialogBorder();
    dlbSelectie = ui.dlbSelectie;
    Panel2 = ui.Panel2;
    btnOk = ui.btnOk;
    btnAnnuleren = ui.btnAnnuleren;

    // The window's font at 8 points stands in for "MS Sans Serif" 8, as in every window.
    TFont font;
    font.SetSize(8);
    dlbSelectie->SetListBoxFont(font);
    dlbSelectie->SetCaptionFont(font);

    BindModalButton(btnOk, mrOk, [this] { btnOkClick(); });
    BindModalButton(btnAnnuleren, mrCancel, [] {});
}

void TfrmSelectie::Init(bool AllowEmpty)
{
    Initialize();
    allowEmpty_ = AllowEmpty;
}

void TfrmSelectie::btnOkClick()
{
    if (!SelectionOkAllowed(allowEmpty_, dlbSelectie->SourceItems().Count(), dlbSelectie->DestinationItems().Count())) {
        ShowInfoMessage("U dient minimaal 1 item te selecteren.");
        SetModalResult(mrNone);
    }
}

bool SelectKandidaten(std::vector<std::string>& List)
{
    return GuardedPlain("SelectKandidaten: ", [&] {
        List.clear();
        auto dialog = TBaseForm::Create<TfrmSelectie>();
        dialog->Init(false);
        dialog->setWindowTitle(QStringLiteral("Kandidaat selectie"));
        dialog->dlbSelectie->SetCaptionSource("Beschikbare kandidaten");
        dialog->dlbSelectie->SetCaptionDestination("Geselecteerde kandidaten");
        for (int i = 0; i < KandidaatList->Count(); ++i) {
            TKandidaatRecord* kandidaat = KandidaatList->Items(i);
            dialog->dlbSelectie->AddItem(SOURCE, SelectionLine(*kandidaat), kandidaat);
        }
        if (dialog->ShowModal() != TBaseForm::mrOk)
            return false;
        TDLBItems& chosen = dialog->dlbSelectie->DestinationItems();
        for (int i = 0; i < chosen.Count(); ++i)
            List.push_back(chosen.Strings(i));
        return true;
    });
}

void KandidatenToDataset(TDataSet& DataSet, const std::vector<std::string>& List)
{
    GuardedPlain("KandidatenToDataset: ", [&] {
        if (DataSet.FieldCount() == 0) {
            DataSet.AddField("kand_nr", ftInteger);
            DataSet.AddField("naamkand", ftString, 20);
        }
        DataSet.Open();
        DataSet.EmptyDataSet();
        for (const std::string& line : List) {
            const std::size_t equals = line.find('=');
            const std::string number = equals == std::string::npos ? std::string() : line.substr(0, equals);
            const std::string naam = equals == std::string::npos ? line : line.substr(equals + 1);
            DataSet.AppendRecord({std::int64_t(StrToInt(number)), naam});
        }
    });
}
