#pragma once
// A list screen: the toolbar dialog with a title strip, the data-bound grid dbgridSelect over the
// data source dsSelect, a record counter and a filter (acFilter on F3, acFilterUit).
//
// A descendant opens its data in OpenData (run by Initialize), may set GridCaption (after
// FormCreate, which clears it: in Initialize), and may answer ApplyFilter; like TBaseDialog it either fills pnlBody or brings a complete layout.

#include "DataSet.h"
#include "fBaseDialog.h"

#include <string>

class QLabel;
class TZEBDBSortGrid;

// The counter text: a blank, the caption (or "Records"), then " (row/records)" or " (0/0)".
std::string RecordCounterText(const std::string& GridCaption, bool GridEmpty, int Row, int RowCount);

class TBaseMainSel : public TBaseDialog {
    Q_OBJECT
public:
    explicit TBaseMainSel(QWidget* owner = nullptr);

    void Initialize() override; // inherited, then OpenData
    virtual void EnableDisable();
    virtual void ApplyFilter(bool& Active);
    virtual void OpenData(); // every list screen opens its own data
    virtual void UpdateRecordCounter();

    bool Activated = false;
    std::string GridCaption; // in front of the counter; empty shows "Records"
    bool FilterActive = false;

    QFrame* pnlTitle = nullptr;
    QLabel* lblGrid = nullptr;
    QLabel* lblFiltered = nullptr;
    TZEBDBSortGrid* dbgridSelect = nullptr;
    TDataSource dsSelect;
    QToolButton* sbFilter = nullptr;
    QToolButton* sbFilterUit = nullptr;
    QAction* acFilter = nullptr;
    QAction* acFilterUit = nullptr;

protected:
    TBaseMainSel(QWidget* owner, LayoutLoader load);

    void FormCreate() override;
    void FormActivate() override;
    virtual void dbgridSelectRowChange();
    virtual void acFilterExecute();
    virtual void acFilterUitExecute();

private:
    void SetFilter(bool Active);
};
