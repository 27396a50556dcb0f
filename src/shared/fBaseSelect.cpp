#include "fBaseSelect.h"

#include "ActionLink.h"
#include "Anchors.h"
#include "Exceptions.h"
#include "SysCalls.h"
#include "ZEBDBSortGrid.h"
#include "uGlobals.h"
#include "uUtils.h"

#include "ui_fBaseSelect.h"

#include <QAction>
#include <QToolButton>

TBaseSelect::TBaseSelect(QWidget* owner) : TBaseSelect(owner, &LoadLayout<Ui::TBaseSelect>) {}

TBaseSelect::TBaseSelect(QWidget* owner, const LayoutLoader& load) : TBaseSelect(owner, load, TBaseSelectParts{}) {}

TBaseSelect::TBaseSelect(QWidget* owner, const LayoutLoader& load, TBaseSelectParts&& parts)
    : TBaseMainSel(owner, [&](QDialog* form) {
          parts = load(form);
          return parts.MainSel;
      }),
      TBaseSelectComponents(parts.Select)
{
    acEdit->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    AnchorRight(sbRefresh, width());
    LinkToAction(sbInsert, acInsert);
    LinkToAction(sbEdit, acEdit);
    LinkToAction(sbDelete, acDelete);
    LinkToAction(sbRefresh, acBijwerken);
    LinkToAction(sbBekijken, acBekijken);
    BindAction(acInsert, [this] { acInsertExecute(); });
    BindAction(acEdit, [this] { acEditExecute(); });
    BindAction(acDelete, [this] { acDeleteExecute(); });
    BindAction(acBijwerken, [this] { acBijwerkenExecute(); });
    BindAction(acBekijken, [this] { acBekijkenExecute(); });
    dbgridSelect->OnDoubleClick = [this](TZEBSortGrid*) { Handle([this] { dbgridSelectDoubleClick(); }); };
}

void TBaseSelect::EnableDisable()
{
    Guarded("TBaseSelect.EnableDisable: ", [this] {
        TBaseMainSel::EnableDisable();
        VerkiezingsToestand = static_cast<std::uint8_t>(GetVerkiezingsToestand(VerkiezingsDatum));
        const bool hasRow = !dbgridSelect->IsEmpty();
        acEdit->setEnabled(hasRow);
        acBekijken->setEnabled(hasRow);
        acDelete->setEnabled(hasRow);
        UpdateRecordCounter();
    });
}

void TBaseSelect::Mutate(int /*Mode*/)
{
    throw Exception("Abstracte fout");
}

void TBaseSelect::acInsertExecute()
{
    Mutate(mmInsert);
}

void TBaseSelect::acEditExecute()
{
    Mutate(mmEdit);
}

void TBaseSelect::acDeleteExecute()
{
    Mutate(mmDelete);
}

void TBaseSelect::acBekijkenExecute()
{
    Mutate(mmView);
}

void TBaseSelect::acBijwerkenExecute()
{
    const TWaitCursor hourglass;
    if (TDataSet* dataSet = dsSelect.DataSet) {
        dataSet->Close();
        dataSet->Open();
    }
    dbgridSelect->RefreshAll();
    EnableDisable();
}

void TBaseSelect::dbgridSelectDoubleClick()
{
    if (acEdit->isEnabled())
        acEditExecute();
    else if (acBekijken->isEnabled())
        acBekijkenExecute();
}
