#pragma once
// Root of the modal dialogs: a body panel over a bottom panel that keeps the OK and Cancel
// buttons centred.  A descendant fills the body with its own layout:
//
//     TfrmX::TfrmX(QWidget* owner) : TBaseOkCancel(owner) { SetupBody(ui); ... }
//
// and overrides btnOkClick (the modal result is mrOk when it runs; SetModalResult(mrNone)
// keeps the dialog open) or any other bound handler.

#include "fBaseForm.h"

#include <optional>
#include <string>
#include <utility>

class QFrame;
class QPushButton;

// Left positions of the OK and Cancel buttons, centred in a panel with 12 pixels between them.
std::pair<int, int> OkCancelPositions(int panelLeft, int panelWidth, int okWidth, int cancelWidth);

// The first entered value that a dialog's OK refuses: the field to go back to and the message
// that tells why.  A dialog's check is a plain function of the entered values giving this, or
// nothing when OK may go on.
template <class TField>
struct TInvalidInput {
    TField Field;
    std::string Message;
    bool operator==(const TInvalidInput&) const = default;
};
template <class TField>
using TInputCheck = std::optional<TInvalidInput<TField>>;

class TBaseOkCancel : public TBaseForm {
    Q_OBJECT
public:
    explicit TBaseOkCancel(QWidget* owner = nullptr);

    QFrame* pnlBody = nullptr;
    QFrame* pnlOkCancel = nullptr;
    QPushButton* btnOk = nullptr;     // result OK
    QPushButton* btnCancel = nullptr; // result Cancel; Esc presses it

protected:
    void FormResize() override;
    virtual void btnOkClick() {}
    virtual void btnCancelClick();

    // The descendant's layout in the body, before the buttons in tab order.
    template <class Ui>
    QWidget* SetupBody(Ui& ui)
    {
        QWidget* body = SetupBodyIn(pnlBody, ui);
        ButtonsLastInTabOrder();
        return body;
    }

private:
    void ButtonsLastInTabOrder();
};
