#pragma once
// The party dialog: enters (mmInsert) or changes (mmEdit) the one party record.  OK stores the
// fields as a new record in place of the one in PartijList; Cancel stores nothing.
//
//     auto dialog = TBaseForm::Create<TfrmMutPartij>(owner);
//     dialog->Initialize(mode);
//     if (dialog->ShowModal() == TBaseForm::mrOk) ...
//
// Public besides that: the entry fields, and ValidateInput, Save and AddPartijRecord, which OK
// runs in that order.

#include "fBaseOkCancel.h"

#include <array>

class TZEBEdit;
struct TPartijRecord;

// The fields that OK requires, in the order it checks them.
enum class TPartijVeld { Afkorting, Aanduiding };

// The first required field of the entered record that is empty or holds blanks only, with its
// message; nothing when both are filled.
TInputCheck<TPartijVeld> ValidatePartij(const TPartijRecord& Invoer);

class TfrmMutPartij : public TBaseOkCancel {
    Q_OBJECT
public:
    explicit TfrmMutPartij(QWidget* owner = nullptr);

    // mmInsert (new): empty fields.  mmEdit: the fields of the record in PartijList.
    using TBaseOkCancel::Initialize;
    void Initialize(TMutateMode Mode);

    // ValidatePartij on the fields; a refusal is told and its field focused.
    bool ValidateInput();
    // Stores the record; a failure is told and gives false.
    bool Save();
    // Replaces whatever PartijList holds by a record filled from the fields.
    void AddPartijRecord();

    TZEBEdit* edAanduiding = nullptr;
    TZEBEdit* edStatuNaam = nullptr;
    TZEBEdit* edAfkorting = nullptr;
    TZEBEdit* edAdres = nullptr;
    TZEBEdit* edPostCode = nullptr;
    TZEBEdit* edPlaats = nullptr;
    TZEBEdit* edNaamGemachtigde = nullptr;
    TZEBEdit* edAdresGemachtigde = nullptr;
    TZEBEdit* edPostcodeGemachtigde = nullptr;
    TZEBEdit* edPlaatsGemachtigde = nullptr;
    TZEBEdit* edNaamVervanger = nullptr;
    TZEBEdit* edAdresVervanger = nullptr;
    TZEBEdit* edPostcodeVervanger = nullptr;
    TZEBEdit* edPlaatsVervanger = nullptr;

protected:
    void FormActivate() override;
    void btnOkClick() override;
    virtual void edStatuNaamEnter();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The fields in the order of the record's fields.
    std::array<TZEBEdit*, 14> RecordFields() const;
    TZEBEdit* Field(TPartijVeld Veld) const;
    void LoadRecord(const TPartijRecord& record);
    void StoreRecord(TPartijRecord& record) const;
};
