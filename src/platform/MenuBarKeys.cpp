#include "MenuBarKeys.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QMenuBar>

void GiveMenuBarTheAltKeys(QMenuBar* bar, QWidget* window)
{
    QList<QKeySequence> menuKeys;
    for (const QAction* menu : bar->actions())
        if (const QKeySequence key = QKeySequence::mnemonic(menu->text()); !key.isEmpty())
            menuKeys << key;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (!button->shortcut().isEmpty() && menuKeys.contains(button->shortcut()))
            button->setShortcut(QKeySequence());
}
