#pragma once
// TZEBDBSortGrid: a panel that shows the records of a table in a sortable string grid, with a
// one-line box under it that shows what the user types to search.  Rows can be marked with the
// numeric keypad and the mouse; marked rows carry ">" in column 0.  The grid never writes back
// to the table.

#include "DataSet.h"
#include "ZEBSortGrid.h"

#include <QFrame>
#include <bitset>
#include <functional>
#include <set>
#include <string>

class QLineEdit;

// Cell texts of table values, by the grid's date and number formats.
// Dates: "dd-mm-yyyy hh:mm" (dfNL), "mm/dd/yyyy hh:mm am/pm" (dfUK), without the time (Short)
// or with seconds (Long); the time separator is the locale's.
std::string FormatGridDate(TDateTime value, TDisplayDateFormat format);
// At most two decimals, rounded, no grouping; decimal comma (nfNL) or point (nfUK).
std::string FormatGridNumber(double value, TDisplayNumericFormat format);
// Trimmed, each line break and tab made one blank.
std::string FormatGridText(const std::string& text);
// The text a cell of the given format shows for the field's current value.
std::string FieldCellText(const TField& field, TColumnFormat format, TDisplayDateFormat dateFormat,
                          TDisplayNumericFormat numericFormat);
// The column format a field of this type gets.
TColumnFormat FieldColumnFormat(TFieldType type);

// Can be placed in .ui files as a promoted widget (header "ZEBDBSortGrid.h"); the properties
// below can be set there as dynamic properties, the others in code.
class TZEBDBSortGrid : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool AllowIncrementalSearch READ AllowIncrementalSearch WRITE SetAllowIncrementalSearch)
    Q_PROPERTY(bool AllowSelection READ AllowSelection WRITE SetAllowSelection)
    Q_PROPERTY(bool HideFirstColumn READ HideFirstColumn WRITE SetHideFirstColumn)
    Q_PROPERTY(bool ShowIncrementalSearchBox READ ShowIncrementalSearchBox WRITE SetShowIncrementalSearchBox)
    Q_PROPERTY(bool Tab_Stop READ Tab_Stop WRITE SetTab_Stop)
    Q_PROPERTY(int LocateOnCol READ LocateOnCol WRITE SetLocateOnCol)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(uint ToggleColor READ ToggleColor WRITE SetToggleColor)

public:
    explicit TZEBDBSortGrid(QWidget* parent = nullptr);
    ~TZEBDBSortGrid() override;

    // The component name that messages put in front of their text.
    std::string Name() const;
    void SetName(const std::string& name);

    TZEBSortGrid* Grid() const { return grid_; }

    // Reads every record of the table into the grid; with redefine the columns are first defined
    // from the table's fields.  Does nothing without an active table.
    void LoadData(bool Redefine);
    // Writes the table's current record into the current row.
    void LoadCurrentRecord();
    // Reloads all rows or the current record, keeping the current row (by LocateOnCol) and the sort.
    void Refresh(bool AllRows);
    void RefreshAll() { Refresh(true); }
    // Makes the first row whose cell in ACol equals Value current (else the last row); true when found.
    bool LocateInColumn(int ACol, const std::string& Value);
    bool LocateValue(const std::string& Value) { return LocateInColumn(LocateOnCol(), Value); }
    // The first data row and the first visible column.
    void SetCursorHome();
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const { grid_->MouseToCell(X, Y, ACol, ARow); }
    void SetFocus();
    bool Focused() const;

    // Moves to the first row at or after Text in column ACol, compared by the column's format.
    void Search(int ACol, const std::string& Text);

    // Marking rows; each does nothing unless AllowSelection is on.
    void SelectRow(int ARow);
    void UnselectRow(int ARow);
    void SelectAll();
    void SelectNone();
    void SelectRows(int StartRow, int EndRow);
    void UnselectRows(int StartRow, int EndRow);
    void SelectUntil(int ARow);
    void UnselectUntil(int ARow);
    // The marked rows: each row number zero-padded to 8 digits, sorted.
    std::set<std::string> SelectionList() const;

    // True when the grid has no data row or the current row holds no text.
    bool IsEmpty() const;
    // The text of column ACol in the current row.
    std::string ColumnValue(int ACol) const;

    // Properties.
    bool AllowIncrementalSearch() const { return allowIncrementalSearch_; }
    void SetAllowIncrementalSearch(bool value) { allowIncrementalSearch_ = value; }
    bool AllowSelection() const { return allowSelection_; }
    void SetAllowSelection(bool value);
    bool HideFirstColumn() const { return hideFirstColumn_; }
    void SetHideFirstColumn(bool value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* value) { dataSource_ = value; }
    bool Tab_Stop() const;
    void SetTab_Stop(bool value);
    int Row() const { return grid_->Row(); }
    void SetRow(int value); // also reports the row change
    int Col() const { return grid_->Col(); }
    void SetCol(int value) { grid_->SetCol(value); }
    TColor Color() const { return grid_->Color(); }
    void SetColor(TColor value);
    int FixedRows() const { return grid_->FixedRows(); }
    int FixedCols() const { return grid_->FixedCols(); }
    int RowCount() const { return grid_->RowCount(); }
    int ColCount() const { return grid_->ColCount(); }
    TColor HighlightColor() const { return grid_->HighlightColor(); }
    void SetHighlightColor(TColor value) { grid_->SetHighlightColor(value); }
    TColor HighlightTextColor() const { return grid_->HighlightTextColor(); }
    void SetHighlightTextColor(TColor value) { grid_->SetHighlightTextColor(value); }
    TDisplayDateFormat DateFormat() const { return grid_->DateFormat(); }
    void SetDateFormat(TDisplayDateFormat value) { grid_->SetDateFormat(value); }
    TDisplayNumericFormat NumericFormat() const { return grid_->NumericFormat(); }
    void SetNumericFormat(TDisplayNumericFormat value) { grid_->SetNumericFormat(value); }
    int DefaultRowHeight() const { return grid_->DefaultRowHeight(); }
    void SetDefaultRowHeight(int value) { grid_->SetDefaultRowHeight(value); }
    TColor FixedColor() const { return grid_->FixedColor(); }
    void SetFixedColor(TColor value) { grid_->SetFixedColor(value); }
    const TFont& Font() const { return grid_->Font(); }
    void SetFont(const TFont& value) { grid_->Font().Assign(value); }
    int LocateOnCol() const { return locateOnCol_; }
    void SetLocateOnCol(int value) { locateOnCol_ = value; }
    TGridOptions Options() const { return grid_->Options() & ~TGridOptions(goRangeSelect); }
    void SetOptions(TGridOptions value) { grid_->SetOptions(value | goEditing); }
    bool ShowIncrementalSearchBox() const { return showIncrementalSearchBox_; }
    void SetShowIncrementalSearchBox(bool value);
    bool ShowSortArrow() const { return grid_->ShowSortArrow(); }
    void SetShowSortArrow(bool value) { grid_->SetShowSortArrow(value); }
    bool SmartScroll() const { return grid_->SmartScroll(); }
    void SetSmartScroll(bool value) { grid_->SetSmartScroll(value); }
    TColor ToggleColor() const { return grid_->ToggleColor(); }
    void SetToggleColor(TColor value) { grid_->SetToggleColor(value); }
    TGridColorToggleStyle ToggleStyle() const { return grid_->ToggleStyle(); }
    void SetToggleStyle(TGridColorToggleStyle value) { grid_->SetToggleStyle(value); }
    TZEBSortGridColumns& Columns() const { return grid_->Columns(); }
    std::bitset<256> UnsortableColumns() const { return grid_->UnsortableColumns; }
    void SetUnsortableColumns(std::bitset<256> value);

    // Events of the panel (Sender is the panel).
    std::function<void(TZEBDBSortGrid* Sender)> OnRowChange;
    std::function<void(TZEBDBSortGrid* Sender, int ACol, int ARow, TColor& ItemColor)> OnDrawRow;
    std::function<void(TZEBDBSortGrid* Sender, int ACol, int ARow, std::string& Data)> OnFetchData; // never raised
    std::function<void(TZEBDBSortGrid* Sender, int ARow)> OnFetchRow;
    std::function<void(TZEBDBSortGrid* Sender)> AfterDefineColumns;
    // Events of the inner grid passed on (Sender is the grid).  The sort events are the grid's own:
    // Grid()->OnBeginSort, Grid()->OnEndSort.
    std::function<void(TStringGrid* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    std::function<void(TStringGrid* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)>
        OnMouseDown;
    std::function<void(TZEBSortGrid* Sender, int Col)> OnTitleClick;
    std::function<void(TZEBSortGrid* Sender)> OnDoubleClick;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int FieldOffset() const { return hideFirstColumn_ ? 0 : 1; }
    TColumnFormat ColumnFormat(int ACol) const;
    void LoadRow(TDataSet& dataSet, int ARow);
    void ResetSearchBox();
    void SetSearchText(const std::string& text);
    void UpdateSearchBoxColor();
    void ReportRowChange();
    void SetMarker(int ARow, bool marked);
    void SearchDate(int ACol, const std::string& Text);
    void SearchNumber(int ACol, const std::string& Text);

    // Handlers of the inner grid's events.
    void GridClick();
    void GridKeyDown(int& Key, Qt::KeyboardModifiers Shift);
    void GridKeyPress(char& Key);
    void GridDrawCell(int ACol, int ARow, const TRect& Rect);
    void GridTitleClick(int ACol);
    void GridMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

    bool ctl3D_ = false;
    TDataSource* dataSource_ = nullptr;
    bool hideFirstColumn_ = false;
    int lastRow_ = 1;
    bool showIncrementalSearchBox_ = true;
    bool allowIncrementalSearch_ = true;
    int locateOnCol_ = -1;
    bool allowSelection_ = false;
    bool forwardingKey_ = false;
    bool keypadKey_ = false; // the key being handled is on the numeric keypad
    int anchorRow_;
    std::string searchText_;
    QLineEdit* searchBox_;
    TZEBSortGrid* grid_;
};
