#pragma once
// What a user sees of the focus: which entry fields of a window carry the focus tint.

#include "ZEBComp.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <string>

// Object names of the fields in window whose background is not the window colour, blank-separated.
inline std::string TintedFields(const QWidget* window)
{
    QStringList names;
    for (const QWidget* field : window->findChildren<QWidget*>()) {
        if (!qobject_cast<const QLineEdit*>(field) && !qobject_cast<const QComboBox*>(field))
            continue;
        if (qobject_cast<const QComboBox*>(field->parentWidget()))
            continue; // a combo box's own line edit follows the combo box
        if (field->palette().color(QPalette::Active, QPalette::Base) != WindowColor())
            names << field->objectName();
    }
    return names.join(' ').toStdString();
}

// Sets the high colour flag for one scope.
class ScopedHighColor {
public:
    explicit ScopedHighColor(bool value) : saved_(HighColorDisplay()) { HighColorDisplay() = value; }
    ~ScopedHighColor() { HighColorDisplay() = saved_; }

private:
    bool saved_;
};
