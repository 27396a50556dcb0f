#include "fDirectoryNieuw.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include "ui_fDirectoryNieuw.h"

#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

bool DirectoryNameCharAllowed(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
           c == '\b';
}

namespace {

// Refuses every change that would put another character in the name, typed or pasted alike.
class DirectoryNameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override
    {
        for (QChar c : input)
            if (c.unicode() > 127 || c == '\b' || !DirectoryNameCharAllowed(char(c.unicode())))
                return Invalid;
        return Acceptable;
    }
};

} // namespace

TfrmDirectoryNew::TfrmDirectoryNew(QWidget* owner) : TBaseOkCancel(owner)
{
    Ui::TfrmDirectoryNew ui;
    SetupBody(ui);
    SetDialogBorder();
    edDirectory = ui.edDirectory;
    edDirectory->setValidator(new DirectoryNameValidator(edDirectory));
    btnOk->setProperty("Default", true);
}

void TfrmDirectoryNew::Initialize()
{
    Guarded("TfrmDirectoryNew.Initialize: ", [this] { TBaseOkCancel::Initialize(); });
}

std::string TfrmDirectoryNew::GetNieuweDirectory() const
{
    return Guarded("TfrmDirectoryNew.GetNieuweDirectory: ", [this] { return QStringToAnsi(edDirectory->text()); });
}

void TfrmDirectoryNew::FormActivate()
{
    edDirectory->setFocus();
}

void TfrmDirectoryNew::btnOkClick()
{
    if (edDirectory->text().isEmpty())
        SetModalResult(mrNone);
}
