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

// The list screen's own components, taken from a loaded layout; the list screen holds them.
struct TBaseMainSelComponents {
    QFrame* pnlTitle = nullptr;
    QLabel* lblGrid = nullptr;
    QLabel* lblFiltered = nullptr;
    TZEBDBSortGrid* dbgridSelect = nullptr;
    QToolButton* sbFilter = nullptr;
    QToolButton* sbFilterUit = nullptr;
    QAction* acFilter = nullptr;
    QAction* acFilterUit = nullptr;

    template <class Ui>
    static TBaseMainSelComponents From(const Ui& ui)
    {
        return {.pnlTitle = ui.pnlTitle,
                .lblGrid = ui.lblGrid,
                .lblFiltered = ui.lblFiltered,
                .dbgridSelect = ui.dbgridSelect,
                .sbFilter = ui.sbFilter,
                .sbFilterUit = ui.sbFilterUit,
                .acFilter = ui.acFilter,
                .acFilterUit = ui.acFilterUit};
    }
};

// The list screen's components in a loaded layout, beside those of the toolbar dialog.
struct TBaseMainSelParts {
    TBaseDialogParts Dialog;
    TBaseMainSelComponents MainSel;

    template <class Ui>
    static TBaseMainSelParts From(const Ui& ui)
    {
        return {TBaseDialogParts::From(ui), TBaseMainSelComponents::From(ui)};
    }
};

// The counter text: a blank, the caption (or "Records"), then " (row/records)" or " (0/0)".
std::string RecordCounterText(const std::string& GridCaption, bool GridEmpty, int Row, int RowCount);

class TBaseMainSel : public TBaseDialog, public TBaseMainSelComponents {
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

    TDataSource dsSelect;

protected:
    // As TBaseDialog's, for a layout that holds the list screen's components too.
    using LayoutLoader = std::function<TBaseMainSelParts(QDialog* form)>;
    template <class Ui>
    static TBaseMainSelParts LoadLayout(QDialog* form)
    {
        Ui ui;
        ui.setupUi(form);
        return TBaseMainSelParts::From(ui);
    }
    TBaseMainSel(QWidget* owner, const LayoutLoader& load);

    void FormCreate() override;
    void FormActivate() override;
    virtual void dbgridSelectRowChange();
    virtual void acFilterExecute();
    virtual void acFilterUitExecute();

private:
    // parts keeps what load gave while the toolbar dialog is built.
    TBaseMainSel(QWidget* owner, const LayoutLoader& load, TBaseMainSelParts&& parts);
    void SetFilter(bool Active);
};
