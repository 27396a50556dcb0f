#include "FileDialogExec.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>

int ExecFileDialog(QFileDialog* Dialog)
{
    // A completer without a widget does not complete; its line edit gives it back on focus too.
    for (QLineEdit* edit : Dialog->findChildren<QLineEdit*>())
        if (QCompleter* completer = edit->completer())
            completer->setWidget(edit);
    const int result = Dialog->exec();
    for (QCompleter* completer : Dialog->findChildren<QCompleter*>()) {
        if (QAbstractItemView* list = completer->popup(); list && list->isVisible())
            list->hide();
        completer->setWidget(nullptr);
    }
    return result;
}
