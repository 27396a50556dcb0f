#pragma once
// Asks for the name of a new subdirectory: letters, digits, "-" and "_" only.

#include "fBaseOkCancel.h"

#include <string>

class QLineEdit;

// Whether a typed character may stand in a new directory's name (backspace passes too).
bool DirectoryNameCharAllowed(char c);

class TfrmDirectoryNew : public TBaseOkCancel {
    Q_OBJECT
public:
    explicit TfrmDirectoryNew(QWidget* owner = nullptr);

    void Initialize() override;
    std::string GetNieuweDirectory() const;

    QLineEdit* edDirectory = nullptr;

protected:
    void FormActivate() override;
    void btnOkClick() override;
};
