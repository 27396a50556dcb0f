#include "fBaseMainSel.h"

#include "ActionLink.h"
#include "AnsiText.h"
#include "Exceptions.h"
#include "StrFuncs.h"
#include "SysCalls.h"
#include "ZEBDBSortGrid.h"

#include "ui_fBaseMainSel.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>

std::string RecordCounterText(const std::string& GridCaption, bool GridEmpty, int Row, int RowCount)
{
    const std::string caption = TrimStr(GridCaption.empty() ? std::string("Records") : GridCaption);
    if (GridEmpty)
        return " " + caption + " (0/0)";
    return " " + caption + " (" + std::to_string(Row) + "/" + std::to_string(RowCount - 1) + ")";
}

TBaseMainSel::TBaseMainSel(QWidget* owner) : TBaseMainSel(owner, &LoadLayout<Ui::TBaseMainSel>) {}

TBaseMainSel::TBaseMainSel(QWidget* owner, const LayoutLoader& load) : TBaseMainSel(owner, load, TBaseMainSelParts{})
{
}

TBaseMainSel::TBaseMainSel(QWidget* owner, const LayoutLoader& load, TBaseMainSelParts&& parts)
    : TBaseDialog(owner, [&](QDialog* form) {
          parts = load(form);
          return parts.Dialog;
      }),
      TBaseMainSelComponents(parts.MainSel)
{
    dbgridSelect->SetName("dbgridSelect");
    dbgridSelect->SetDataSource(&dsSelect);
    dbgridSelect->SetToggleStyle(tsToggleRowEven);
    dbgridSelect->SetDateFormat(dfNL);
    dbgridSelect->SetNumericFormat(nfNL);
    dbgridSelect->SetOptions(dbgridSelect->Options() | goColSizing);
    dbgridSelect->OnRowChange = [this](TZEBDBSortGrid*) { Handle([this] { dbgridSelectRowChange(); }); };

    LinkToAction(sbFilter, acFilter);
    LinkToAction(sbFilterUit, acFilterUit);
    BindAction(acFilter, [this] { acFilterExecute(); });
    BindAction(acFilterUit, [this] { acFilterUitExecute(); });
}

void TBaseMainSel::FormCreate()
{
    TBaseDialog::FormCreate();
    Activated = false;
    GridCaption.clear();
}

void TBaseMainSel::Initialize()
{
    TBaseDialog::Initialize();
    OpenData();
}

void TBaseMainSel::OpenData()
{
    throw Exception("Abstracte fout");
}

void TBaseMainSel::ApplyFilter(bool& /*Active*/) {}

void TBaseMainSel::FormActivate()
{
    if (!Activated) {
        Activated = true;
        dbgridSelect->SetCursorHome();
        dbgridSelect->SetFocus();
    }
    EnableDisable();
}

void TBaseMainSel::EnableDisable()
{
    Guarded("TBaseMainSel.EnableDisable: ", [this] {
        acFilter->setEnabled(acFilter->isVisible());
        acFilterUit->setEnabled(FilterActive && acFilterUit->isVisible());
        UpdateRecordCounter();
    });
}

void TBaseMainSel::UpdateRecordCounter()
{
    Guarded("TBaseMainSel.UpdateRecordCounter: ", [this] {
        lblFiltered->setText(FilterActive ? "Filter actief " : "");
        lblGrid->setText(AnsiToQString(RecordCounterText(GridCaption, dbgridSelect->IsEmpty(), dbgridSelect->Row(),
                                                         dbgridSelect->RowCount())));
    });
}

void TBaseMainSel::dbgridSelectRowChange()
{
    UpdateRecordCounter();
}

void TBaseMainSel::SetFilter(bool Active)
{
    const TWaitCursor hourglass;
    ApplyFilter(Active);
    FilterActive = Active;
    acFilterUit->setEnabled(FilterActive);
    EnableDisable();
}

void TBaseMainSel::acFilterExecute()
{
    SetFilter(true);
}

void TBaseMainSel::acFilterUitExecute()
{
    SetFilter(false);
}
