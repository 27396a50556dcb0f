#include "fMutPartij.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "ZEBComp.h"
#include "StrFuncs.h"
#include "ZEBMessages.h"
#include "uZVGlobals.h"

#include "ui_fMutPartij.h"

#include <QFocusEvent>
#include <memory>
#include <type_traits>

namespace {

// Focuses widget when it can take the focus: shown (as far as the window goes) and enabled.
void FocusIfPossible(QWidget* widget)
{
    if (widget->isVisibleTo(widget->window()) && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus)
        widget->setFocus(Qt::OtherFocusReason);
}

} // namespace

TInputCheck<TPartijVeld> ValidatePartij(const TPartijRecord& Invoer)
{
    // The abbreviation is checked before the appellation.
    if (TrimStr(Invoer.Afkorting.AsString()).empty())
        return TInvalidInput<TPartijVeld>{TPartijVeld::Afkorting, "U dient de afkorting van de partij in te voeren."};
    if (TrimStr(Invoer.Aanduiding.AsString()).empty())
        return TInvalidInput<TPartijVeld>{TPartijVeld::Aanduiding, "U dient een naam van de partij in te voeren."};
    return std::nullopt;
}

TfrmMutPartij::TfrmMutPartij(QWidget* owner) : TBaseOkCancel(owner)
{
    Ui::TfrmMutPartij ui;
    SetupBody(ui);
    edAanduiding = ui.edAanduiding;
    edStatuNaam = ui.edStatuNaam;
    edAfkorting = ui.edAfkorting;
    edAdres = ui.edAdres;
    edPostCode = ui.edPostCode;
    edPlaats = ui.edPlaats;
    edNaamGemachtigde = ui.edNaamGemachtigde;
    edAdresGemachtigde = ui.edAdresGemachtigde;
    edPostcodeGemachtigde = ui.edPostcodeGemachtigde;
    edPlaatsGemachtigde = ui.edPlaatsGemachtigde;
    edNaamVervanger = ui.edNaamVervanger;
    edAdresVervanger = ui.edAdresVervanger;
    edPostcodeVervanger = ui.edPostcodeVervanger;
    edPlaatsVervanger = ui.edPlaatsVervanger;

    // Each field takes as many characters as its record field holds.
    const auto fields = RecordFields();
    std::size_t i = 0;
    TPartijRecord capacities;
    TPartijRecord::ForEachField(capacities, [&](auto& field) {
        fields[i++]->setMaxLength(int(std::decay_t<decltype(field)>::Capacity));
    });
    edAfkorting->SetCharCase(ecUpperCase);
    WidenToShow(edAfkorting, QString(edAfkorting->maxLength(), QLatin1Char('W')));
    edStatuNaam->installEventFilter(this);
}

std::array<TZEBEdit*, 14> TfrmMutPartij::RecordFields() const
{
    return {edAfkorting,       edStatuNaam,           edAanduiding,        edAdres,
            edPostCode,        edPlaats,              edNaamGemachtigde,   edAdresGemachtigde,
            edPostcodeGemachtigde, edPlaatsGemachtigde, edNaamVervanger,   edAdresVervanger,
            edPostcodeVervanger,   edPlaatsVervanger};
}

void TfrmMutPartij::LoadRecord(const TPartijRecord& record)
{
    const auto fields = RecordFields();
    std::size_t i = 0;
    TPartijRecord::ForEachField(record, [&](const auto& field) { fields[i++]->SetText(field.AsString()); });
}

void TfrmMutPartij::StoreRecord(TPartijRecord& record) const
{
    const auto fields = RecordFields();
    std::size_t i = 0;
    TPartijRecord::ForEachField(record, [&](auto& field) { field = fields[i++]->Text(); });
}

void TfrmMutPartij::Initialize(TMutateMode Mode)
{
    TBaseOkCancel::Initialize();
    if (Mode == mmInsert) {
        setWindowTitle("Toevoegen zorvandel gegevens");
    } else if (Mode == mmEdit) {
        LoadRecord(*PartijList->Items(0));
        setWindowTitle(AnsiToQString("Wijzigen zorvandel gegevens - " + edAfkorting->Text()));
    }
}

void TfrmMutPartij::FormActivate()
{
    FocusIfPossible(edAanduiding);
}

bool TfrmMutPartij::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edStatuNaam && event->type() == QEvent::FocusIn &&
        IsFieldChange(static_cast<QFocusEvent*>(event)))
        Handle([this] { edStatuNaamEnter(); });
    return TBaseOkCancel::eventFilter(watched, event);
}

void TfrmMutPartij::edStatuNaamEnter()
{
    if (edStatuNaam->text().isEmpty())
        edStatuNaam->SetText(edAanduiding->Text());
}

void TfrmMutPartij::btnOkClick()
{
    SetModalResult(mrNone);
    if (ValidateInput() && Save())
        SetModalResult(mrOk);
}

TZEBEdit* TfrmMutPartij::Field(TPartijVeld Veld) const
{
    return Veld == TPartijVeld::Afkorting ? edAfkorting : edAanduiding;
}

bool TfrmMutPartij::ValidateInput()
{
    TPartijRecord invoer;
    StoreRecord(invoer);
    const TInputCheck<TPartijVeld> fout = ValidatePartij(invoer);
    if (!fout)
        return true;
    ShowInfoMessage(fout->Message);
    FocusIfPossible(Field(fout->Field));
    return false;
}

bool TfrmMutPartij::Save()
{
    try {
        AddPartijRecord();
        return true;
    } catch (const std::exception& e) {
        ShowInfoMessage(std::string("TfrmMutPartij.Save: ") + e.what());
        return false;
    }
}

void TfrmMutPartij::AddPartijRecord()
{
    // The new record is complete before the old one goes, so a failure keeps the old one.
    auto record = Guarded("TfrmMutPartij.AddPartijRecord: ", [this] {
        auto filled = std::make_unique<TPartijRecord>();
        StoreRecord(*filled);
        return filled;
    });
    PartijList->Clear();
    PartijList->Add(std::move(record));
}
