#include "ActionLink.h"

#include <QAbstractButton>
#include <QAction>
#include <QSignalBlocker>

QString ActionHint(QAction* action)
{
    // Without caption and icon text QAction answers its own tooltip only.
    const QString text = action->text();
    if (text.isEmpty())
        return action->toolTip();
    const QSignalBlocker quiet(action);
    action->setText(QString());
    const QString hint = action->toolTip();
    action->setText(text);
    return hint;
}

void LinkToAction(QAbstractButton* button, QAction* action)
{
    const bool ownText = !button->text().isEmpty();
    const bool ownTip = !button->toolTip().isEmpty();
    auto follow = [button, action, ownText, ownTip, visible = action->isVisible()]() mutable {
        button->setEnabled(action->isEnabled());
        if (action->isVisible() != visible) {
            visible = action->isVisible();
            button->setVisible(visible);
        }
        if (!ownText)
            button->setText(action->text());
        if (!ownTip)
            button->setToolTip(ActionHint(action));
    };
    follow();
    if (!action->isVisible())
        button->setVisible(false);
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
}
