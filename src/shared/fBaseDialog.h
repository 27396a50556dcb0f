#pragma once
// A window with a toolbar (help and close buttons, the actions acExit on Esc and acHelp on F1)
// over a body panel.  A descendant either fills pnlBody with its own layout (SetupBody), or
// passes a complete layout of its own to the protected constructor: the components are then
// found by name in it.

#include "fBaseForm.h"

class QAction;
class QFrame;
class QToolButton;

class TBaseDialog : public TBaseForm {
    Q_OBJECT
public:
    explicit TBaseDialog(QWidget* owner = nullptr);

    QFrame* pnlToolbar = nullptr;
    QFrame* pnlBody = nullptr;
    QToolButton* sbHelp = nullptr; // linked to acHelp
    QToolButton* sbExit = nullptr; // runs acExitExecute directly, whatever the action's state
    QAction* acExit = nullptr;
    QAction* acHelp = nullptr;

protected:
    using LayoutLoader = void (*)(QDialog* form);
    template <class Ui>
    static void LoadLayout(QDialog* form)
    {
        Ui ui;
        ui.setupUi(form);
    }
    TBaseDialog(QWidget* owner, LayoutLoader load);

    virtual void acExitExecute();
    virtual void acHelpExecute();
    virtual void pnlToolbarResize() {}

    template <class Ui>
    QWidget* SetupBody(Ui& ui)
    {
        return SetupBodyIn(pnlBody, ui);
    }

    bool eventFilter(QObject* watched, QEvent* event) override;
};
