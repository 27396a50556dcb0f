#include "fMutKandidaat.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "Exceptions.h"
#include "IntText.h"
#include "StrFuncs.h"
#include "UpDown.h"
#include "ZEBComp.h"
#include "ZEBDate.h"
#include "ZEBMessages.h"
#include "uUtils.h"

#include "ui_fMutKandidaat.h"

#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>

std::string ComposeNaamStemapparaat(const std::string& Voorvoegsels, const std::string& Achternaam,
                                    const std::string& Voorletters, const std::string& Voornaam,
                                    const std::string& Geslacht)
{
    if (Voorletters.empty() && Achternaam.empty() && Voornaam.empty() && Voorvoegsels.empty())
        return {};
    std::string naam;
    if (!Voorvoegsels.empty())
        naam = Voorvoegsels + " ";
    naam += Achternaam;
    if (!Voorletters.empty())
        naam += ", " + Voorletters;
    if (!Voornaam.empty())
        naam += " (" + Voornaam + ")";
    if (!Geslacht.empty())
        naam += " (" + LowerStr(Geslacht) + ")";
    return naam;
}

std::string KandidaatNrKey(const std::string& Nr)
{
    return PadLeft(Nr, 10, '0');
}

int FindKandidaatRecord(const TKandidaatList& List, int Nr, bool Trim)
{
    for (int i = 0; i < List.Count(); ++i) {
        const std::string number = List.Items(i)->KandidaatNr.AsString();
        if (StrToInt(Trim ? TrimStr(number) : number) == Nr)
            return i;
    }
    return -1;
}

bool KandidaatNrIsUniek(const std::string& Nr, const std::vector<std::string>& NrList)
{
    const std::string key = KandidaatNrKey(TrimStr(Nr));
    for (const std::string& entry : NrList)
        if (TrimStr(entry) == key)
            return false;
    return true;
}

TInputCheck<TKandidaatVeld> ValidateKandidaat(const TKandidaatInvoer& Invoer, const std::vector<std::string>& NrList)
{
    using enum TKandidaatVeld;
    if (Invoer.Mode == mmDelete)
        return std::nullopt;
    const auto fout = [](TKandidaatVeld veld, std::string melding) {
        return TInvalidInput<TKandidaatVeld>{veld, std::move(melding)};
    };
    const auto leeg = [](const std::string& text) { return TrimStr(text).empty(); };
    if (leeg(Invoer.KandidaatNr))
        return fout(KandidaatNr, "U dient een kandidaat nummer in te voeren.");
    if (leeg(Invoer.Naam))
        return fout(Naam, "U dient de achternaam van de kandidaat in te voeren.");
    if (leeg(Invoer.Voorletters))
        return fout(Voorletters, "U dient de voorletters van de kandidaat in te voeren.");
    if (leeg(Invoer.NaamStemapparaat))
        return fout(NaamStemapparaat, "U dient de naamsvermelding op de stemapparaatuur in te voeren.");
    if (leeg(Invoer.Plaats))
        return fout(Plaats, "U dient de woonplaats van de kandidaat in te voeren.");
    if (leeg(Invoer.Adres))
        return fout(Adres, "U dient het adres van de kandidaat in te voeren.");
    if (leeg(Invoer.PostCode))
        return fout(PostCode, "U dient de postcode van de kandidaat in te voeren.");
    if (!Invoer.GeboortedatumGeldig())
        return fout(Geboortedatum, "De ingevoerde datum is geen geldige datum.");
    // The typed number, not the spin position: a number typed outside the spin's range leaves
    // the position behind, and would otherwise pass here and be saved as another number.
    const std::string typed = TrimStr(Invoer.KandidaatNr);
    const int nr = IsInteger(typed) ? StrToInt(typed) : 0;
    if (nr < 1 || nr > MaxKandidaatNr)
        return fout(KandidaatNr, "Het kandidaatnummer dient tussen 1 en " + std::to_string(MaxKandidaatNr) + " te liggen");
    if ((Invoer.Mode == mmInsert || Invoer.Positie != Invoer.OrigNr) && !KandidaatNrIsUniek(Invoer.KandidaatNr, NrList))
        return fout(KandidaatNr, "Het ingevoerde kandidaat nummer bestaat reeds.");
    return std::nullopt;
}

namespace {

// Whether the user could put the focus on control now (its window need not be active).
bool CanFocus(const QWidget* control)
{
    return control->isEnabled() && control->isVisibleTo(control->window());
}

// Keys that reach a field's key filter as a typed character; Enter, Esc and Tab keep their
// meaning in the dialog, and the editing keys without a character pass untouched.
bool IsCharacterKey(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        return !event->text().isEmpty();
    }
}

bool AllDigits(const QString& text)
{
    for (QChar c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

TfrmMutKandidaat::TfrmMutKandidaat(QWidget* owner) : TBaseOkCancel(owner)
{
    Ui::TfrmMutKandidaat ui;
    SetupBody(ui);
    lblKandidaat = ui.lblKandidaat;
    edKandidaatNr = ui.edKandidaatNr;
    udKandidaatNr = ui.udKandidaatNr;
    edNaam = ui.edNaam;
    edVoorletters = ui.edVoorletters;
    edVoorvoegsels = ui.edVoorvoegsels;
    edVoornaam = ui.edVoornaam;
    cmbGeslacht = ui.cmbGeslacht;
    edGeboortedatum = ui.edGeboortedatum;
    edAdres = ui.edAdres;
    edPostCode = ui.edPostCode;
    edPlaats = ui.edPlaats;
    cbAutomatisch = ui.cbAutomatisch;
    edNaamStemapparaat = ui.edNaamStemapparaat;
    cbOkNieuw = ui.cbOkNieuw;

    cmbGeslacht->setCurrentIndex(-1);
    udKandidaatNr->SetAssociate(edKandidaatNr);
    // The key filter stops typed characters; this stops pasted or dropped ones as well.
    edKandidaatNr->setValidator(new TAnsiValidator(edKandidaatNr, AllDigits));
    edKandidaatNr->installEventFilter(this);

    for (TZEBEdit* part : {edNaam, edVoorletters, edVoorvoegsels, edVoornaam})
        connect(part, &QLineEdit::textChanged, this, [this] { Handle([this] { edNaamChange(); }); });
    connect(cmbGeslacht, &QComboBox::currentIndexChanged, this, [this] { Handle([this] { edNaamChange(); }); });
    connect(cbAutomatisch, &QCheckBox::toggled, this, [this] { Handle([this] { cbAutomatischClick(); }); });
}

void TfrmMutKandidaat::Initialize(TMutateMode Mode, bool OkNieuw, const std::vector<std::string>& NrList, int CurrentNr)
{
    if (Mode < mmInsert || Mode > mmDelete)
        throw Exception("TfrmMutKandidaat.Initialize: ongeldige modus " + std::to_string(Mode));
    TBaseOkCancel::Initialize();
    nrList_ = NrList;
    origNr_ = CurrentNr;
    loading_ = true;
    cbOkNieuw->setVisible(OkNieuw);
    cbOkNieuw->setChecked(OkNieuw);
    mode_ = Mode;
    switch (mode_) {
    case mmInsert:
        setWindowTitle("Toevoegen kandidaat");
        udKandidaatNr->SetPosition(NextKandidaatNr());
        for (TZEBEdit* field : {edNaam, edVoorletters, edVoorvoegsels, edVoornaam, edNaamStemapparaat})
            field->SetText("");
        SelectGeslacht(-1);
        edGeboortedatum->SetText("");
        for (TZEBEdit* field : {edAdres, edPostCode, edPlaats})
            field->SetText("");
        break;
    case mmEdit:
        setWindowTitle("Wijzigen kandidaat");
        LoadKandidaatRecord();
        break;
    default:
        setWindowTitle("Verwijderen kandidaat");
        LoadKandidaatRecord();
        break;
    }
    DisableInput();
}

bool TfrmMutKandidaat::GetOkNieuw() const
{
    return cbOkNieuw->isChecked();
}

std::string TfrmMutKandidaat::GetKandidaatNr() const
{
    return edKandidaatNr->Text();
}

std::string TfrmMutKandidaat::GetNaamStemapparaat() const
{
    return edNaamStemapparaat->Text();
}

std::string TfrmMutKandidaat::GetPlaats() const
{
    return edPlaats->Text();
}

int TfrmMutKandidaat::NextKandidaatNr() const
{
    return nrList_.empty() ? 1 : StrToInt(nrList_.back()) + 1;
}

bool TfrmMutKandidaat::KandidaatNrIsUniek() const
{
    return ::KandidaatNrIsUniek(edKandidaatNr->Text(), nrList_);
}

QWidget* TfrmMutKandidaat::Field(TKandidaatVeld Veld) const
{
    switch (Veld) {
    case TKandidaatVeld::Naam: return edNaam;
    case TKandidaatVeld::Voorletters: return edVoorletters;
    case TKandidaatVeld::NaamStemapparaat: return edNaamStemapparaat;
    case TKandidaatVeld::Plaats: return edPlaats;
    case TKandidaatVeld::Adres: return edAdres;
    case TKandidaatVeld::PostCode: return edPostCode;
    case TKandidaatVeld::Geboortedatum: return edGeboortedatum;
    default: return edKandidaatNr;
    }
}

bool TfrmMutKandidaat::ValidateInput()
{
    TKandidaatInvoer invoer;
    invoer.Mode = mode_;
    invoer.KandidaatNr = edKandidaatNr->Text();
    invoer.Positie = udKandidaatNr->Position();
    invoer.OrigNr = origNr_;
    invoer.Naam = edNaam->Text();
    invoer.Voorletters = edVoorletters->Text();
    invoer.NaamStemapparaat = edNaamStemapparaat->Text();
    invoer.Plaats = edPlaats->Text();
    invoer.Adres = edAdres->Text();
    invoer.PostCode = edPostCode->Text();
    invoer.GeboortedatumGeldig = [this] { return edGeboortedatum->ValidateDate(); };
    const TInputCheck<TKandidaatVeld> fout = ValidateKandidaat(invoer, nrList_);
    if (!fout)
        return true;
    ShowInfoMessage(fout->Message);
    QWidget* field = Field(fout->Field);
    if (CanFocus(field))
        field->setFocus();
    return false;
}

bool TfrmMutKandidaat::Save()
{
    try {
        return Guarded("frmKandidaatGeg.Save: ", [this] {
            switch (mode_) {
            case mmInsert:
                AddKandidaatRecord();
                return true;
            case mmEdit:
                UpdateKandidaatRecord();
                return true;
            default:
                if (AskQuestion("Verwijderen kandidaat", "Wilt u deze kandidaat verwijderen?", false) != mrYes)
                    return false;
                DeleteKandidaatRecord();
                return true;
            }
        });
    } catch (const Exception& e) {
        ShowInfoMessage(e.Message);
        return false;
    }
}

int TfrmMutKandidaat::FoundRecord(bool Trim) const
{
    return FindKandidaatRecord(*KandidaatList, origNr_, Trim);
}

void TfrmMutKandidaat::FillKandidaatRecord(TKandidaatRecord& Record) const
{
    Record.KandidaatNr = std::to_string(udKandidaatNr->Position());
    Record.Achternaam = edNaam->Text();
    Record.Voorletters = edVoorletters->Text();
    Record.Voorvoegsels = edVoorvoegsels->Text();
    Record.Voornaam = edVoornaam->Text();
    Record.NaamStemapparaat = edNaamStemapparaat->Text();
    Record.Geslacht = cmbGeslacht->Text();
    Record.Geboortedatum = edGeboortedatum->Text();
    Record.Adres = edAdres->Text();
    Record.Postcode = edPostCode->Text();
    Record.Plaats = edPlaats->Text();
}

void TfrmMutKandidaat::AddKandidaatRecord()
{
    Guarded("TfrmMutKandidaat.AddKandidaatRecord: ", [this] {
        auto record = std::make_unique<TKandidaatRecord>();
        FillKandidaatRecord(*record);
        KandidaatList->Add(std::move(record));
    });
}

void TfrmMutKandidaat::UpdateKandidaatRecord()
{
    Guarded("frmMutKandidaat.UpdateKandidaatRecord: ", [this] {
        const int index = FoundRecord(true);
        if (index < 0)
            throw Exception("Er is geen record gevonden voor dit kandidaatnummer");
        FillKandidaatRecord(*KandidaatList->Items(index));
    });
}

void TfrmMutKandidaat::DeleteKandidaatRecord()
{
    Guarded("frmMutKandidaat.DeleteKandidaatRecord: ", [this] {
        const int index = FoundRecord(false);
        if (index < 0)
            throw Exception("Er is geen record gevonden voor dit kandidaatnummer");
        KandidaatList->Delete(index);
    });
}

void TfrmMutKandidaat::LoadKandidaatRecord()
{
    try {
        const int index = FoundRecord(true);
        if (index >= 0) {
            const TKandidaatRecord& record = *KandidaatList->Items(index);
            udKandidaatNr->SetPosition(origNr_);
            edNaam->SetText(record.Achternaam.AsString());
            edVoorletters->SetText(record.Voorletters.AsString());
            edVoorvoegsels->SetText(record.Voorvoegsels.AsString());
            edVoornaam->SetText(record.Voornaam.AsString());
            edNaamStemapparaat->SetText(record.NaamStemapparaat.AsString());
            int sex = -1;
            for (int i = 0; i < cmbGeslacht->count() && sex < 0; ++i)
                if (UpperStr(QStringToAnsi(cmbGeslacht->itemText(i))) == UpperStr(record.Geslacht.AsString()))
                    sex = i;
            SelectGeslacht(sex);
            edGeboortedatum->SetText(record.Geboortedatum.AsString());
            edAdres->SetText(record.Adres.AsString());
            edPostCode->SetText(record.Postcode.AsString());
            edPlaats->SetText(record.Plaats.AsString());
        }
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
}

void TfrmMutKandidaat::SelectGeslacht(int Index)
{
    // A choice made by the program is no change of a name part.
    const QSignalBlocker blocker(cmbGeslacht);
    cmbGeslacht->setCurrentIndex(Index);
}

void TfrmMutKandidaat::DisableInput()
{
    // Only delete mode locks the fields; the other modes find them as the user left them.
    const bool enabled = mode_ != mmDelete;
    for (QWidget* control : std::initializer_list<QWidget*>{cbAutomatisch, udKandidaatNr, edKandidaatNr, cmbGeslacht,
             edNaam, edVoorletters, edVoornaam, edVoorvoegsels, edGeboortedatum, edAdres, edPostCode, edPlaats})
        control->setEnabled(enabled);
    edNaamStemapparaat->setEnabled(enabled && !cbAutomatisch->isChecked());
    QFont font = lblKandidaat->font();
    font.setBold(enabled);
    lblKandidaat->setFont(font);
    QPalette palette = lblKandidaat->palette();
    palette.setColor(QPalette::WindowText, enabled ? this->palette().color(QPalette::WindowText) : ColorToQColor(clGray));
    lblKandidaat->setPalette(palette);
}

void TfrmMutKandidaat::GenereerNaamStemapparaat()
{
    std::string naam = ComposeNaamStemapparaat(edVoorvoegsels->Text(), edNaam->Text(), edVoorletters->Text(),
                                               edVoornaam->Text(), cmbGeslacht->Text());
    const bool cut = naam.size() > std::size_t(MaxNaamStemapparaat);
    if (cut)
        naam.resize(MaxNaamStemapparaat);
    edNaamStemapparaat->SetText(naam);
    if (cut && !loading_)
        ShowInfoMessage("Naam stemapparaat is afgekapt op " + std::to_string(MaxNaamStemapparaat) +
                        " posities\r\nEvt. langere naam apart doorgeven aan gemeente");
}

void TfrmMutKandidaat::FormActivate()
{
    if (CanFocus(edNaam))
        edNaam->setFocus();
}

void TfrmMutKandidaat::btnOkClick()
{
    SetModalResult(mrNone);
    if (ValidateInput() && Save()) {
        // The saved number as the caller's view shows it ("007" was saved as 7).
        if (mode_ != mmDelete)
            edKandidaatNr->SetText(std::to_string(udKandidaatNr->Position()));
        SetModalResult(mrOk);
    }
}

void TfrmMutKandidaat::edKandidaatNrKeyPress(char& Key)
{
    CheckNumericInputOnly(Key);
}

void TfrmMutKandidaat::cbAutomatischClick()
{
    edNaamStemapparaat->setEnabled(!cbAutomatisch->isChecked());
}

void TfrmMutKandidaat::edNaamChange()
{
    if (cbAutomatisch->isChecked())
        GenereerNaamStemapparaat();
}

bool TfrmMutKandidaat::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == edKandidaatNr) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (IsCharacterKey(keyEvent)) {
            bool representable = false;
            const std::string typed = QStringToAnsi(keyEvent->text().left(1), &representable);
            char key = representable && !typed.empty() ? typed[0] : '\0';
            Handle([&] { edKandidaatNrKeyPress(key); });
            if (key == '\0')
                return true;
        }
    }
    return TBaseOkCancel::eventFilter(watched, event);
}
