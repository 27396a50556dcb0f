#pragma once
// A window with a toolbar (help and close buttons, the actions acExit on Esc and acHelp on F1)
// over a body panel.  A descendant either fills pnlBody with its own layout (SetupBody), or
// passes a complete layout of its own to the protected constructor: a loader that sets the layout
// up and hands back the base's components from the layout's own fields, so that a component the
// layout lacks fails the build.

#include "fBaseForm.h"

#include <functional>

class QAction;
class QFrame;
class QToolButton;

// The toolbar dialog's components, taken from a loaded layout; the dialog holds them as its own.
struct TBaseDialogParts {
    QFrame* pnlToolbar = nullptr;
    QFrame* pnlBody = nullptr;
    QToolButton* sbHelp = nullptr; // linked to acHelp
    QToolButton* sbExit = nullptr; // runs acExitExecute directly, whatever the action's state
    QAction* acExit = nullptr;
    QAction* acHelp = nullptr;

    template <class Ui>
    static TBaseDialogParts From(const Ui& ui)
    {
        return {.pnlToolbar = ui.pnlToolbar,
                .pnlBody = ui.pnlBody,
                .sbHelp = ui.sbHelp,
                .sbExit = ui.sbExit,
                .acExit = ui.acExit,
                .acHelp = ui.acHelp};
    }
};

class TBaseDialog : public TBaseForm, public TBaseDialogParts {
    Q_OBJECT
public:
    explicit TBaseDialog(QWidget* owner = nullptr);

protected:
    // Sets a complete layout up on form and gives the base's components in it.
    using LayoutLoader = std::function<TBaseDialogParts(QDialog* form)>;
    template <class Ui>
    static TBaseDialogParts LoadLayout(QDialog* form)
    {
        Ui ui;
        ui.setupUi(form);
        return TBaseDialogParts::From(ui);
    }
    TBaseDialog(QWidget* owner, const LayoutLoader& load);

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
