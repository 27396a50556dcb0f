#pragma once
// A button linked to an action: a click triggers the action, and the button follows the action's
// enabled and visible state.  Caption and tooltip (the action's hint) come from the action unless
// the button has its own; a button hidden in its layout stays hidden until the action's
// visibility changes.

#include <QString>

class QAbstractButton;
class QAction;

void LinkToAction(QAbstractButton* button, QAction* action);

// The tooltip the action was given; empty when it has none (QAction::toolTip then answers the
// caption).
QString ActionHint(QAction* action);
