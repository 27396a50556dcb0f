#pragma once
// The dialog "Extra velden voor MS Word koppeling": one labelled edit per extra field, OK and
// Annuleren.  Its sizes and places come from ExtraFieldsGeometry; with more fields than the screen
// holds, the fields scroll.  Texts are Windows-1252.

#include "ExtraFields.h"

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QPushButton;
class QScrollArea;

class TdlgExtraFields : public QDialog {
    Q_OBJECT
public:
    // Result 1 after OK, 2 after Annuleren, Esc or the close box.
    explicit TdlgExtraFields(const std::vector<TExtraField>& fields, QWidget* owner = nullptr);

    void reject() override;

    // The edits' texts in the fields' order.
    std::vector<std::string> Texts() const;

protected:
    // An edit that takes the focus is scrolled into view whole, not only its cursor.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place(const TExtraFieldsGeometry& g);

    std::vector<QLineEdit*> edits_;
    QScrollArea* scroll_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
