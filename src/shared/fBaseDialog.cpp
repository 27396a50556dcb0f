#include "fBaseDialog.h"

#include "ActionLink.h"
#include "Anchors.h"
#include "AppServices.h"

#include "ui_fBaseDialog.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QToolButton>

TBaseDialog::TBaseDialog(QWidget* owner) : TBaseDialog(owner, &LoadLayout<Ui::TBaseDialog>) {}

TBaseDialog::TBaseDialog(QWidget* owner, const LayoutLoader& load) : TBaseForm(owner), TBaseDialogParts(load(this))
{
    // The toolbar was laid out at the window's width; the right-hand buttons keep their distance.
    for (QToolButton* button : {sbHelp, sbExit})
        AnchorRight(button, width());
    LinkToAction(sbHelp, acHelp);
    BindAction(acExit, [this] { acExitExecute(); });
    BindAction(acHelp, [this] { acHelpExecute(); });
    connect(sbExit, &QToolButton::clicked, this, [this] { Handle([this] { acExitExecute(); }); });
    pnlToolbar->installEventFilter(this);
}

void TBaseDialog::acExitExecute()
{
    Close();
}

void TBaseDialog::acHelpExecute()
{
    ApplicationHelpContext(HelpContext());
}

bool TBaseDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pnlToolbar && event->type() == QEvent::Resize)
        Handle([this] { pnlToolbarResize(); });
    return TBaseForm::eventFilter(watched, event);
}
