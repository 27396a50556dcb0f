#pragma once
// TZEBSortGrid: the component library's string grid with per-column formats, colours and titles,
// sorting on a column (title click, Ctrl+Enter, Sort), incremental search while typing, rows in a
// second colour, and rows filled from item lists of quoted values ("1", "item 2", "item n").

#include "SortEngine.h"
#include "StringGrid.h"

#include <QPixmap>
#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum TGridColorToggleStyle { tsNone, tsToggleRowOdd, tsToggleRowEven, tsToggleColOdd, tsToggleColEven };

class TZEBSortGrid;
class TColumn;
class TZEBSortGridColumns;

using TBeginSortEvent = std::function<void(TZEBSortGrid* Sender, int& Col)>;
using TEndSortEvent = std::function<void(TZEBSortGrid* Sender, int Col)>;
using TTitleClickEvent = std::function<void(TZEBSortGrid* Sender, int Col)>;
using TGridNotifyEvent = std::function<void(TZEBSortGrid* Sender)>;

// A cell text and the row it came from, as the compare routines take them.
struct TSortedListEntry {
    std::string Key;
    int Row = 0;
};

// What Search and the incremental search look for.
class TSearchOptions {
public:
    explicit TSearchOptions(TZEBSortGrid* owner) : Owner(owner) {}
    TSearchOptions(const TSearchOptions&) = delete;
    TSearchOptions& operator=(const TSearchOptions&) = delete;

    TZEBSortGrid* Owner;
    int SearchCol = -1; // -1: every column
    std::string SearchText;
    bool CaseSensitive = false;
    bool SearchPartial = false;
};

// Bits of the values a column (and its title) holds itself instead of taking the grid's.
enum TColumnValue : unsigned {
    cvColor = 1,
    cvWidth = 2,
    cvFont = 4,
    cvAlignment = 8,
    cvReadOnly = 16,
    cvTitleCaption = 64,
    cvTitleAlignment = 128,
    cvTitleFont = 256,
};

class TColumnTitle {
public:
    explicit TColumnTitle(TColumn* column);
    virtual ~TColumnTitle() = default;
    TColumnTitle(const TColumnTitle&) = delete;
    TColumnTitle& operator=(const TColumnTitle&) = delete;

    TColumn* Column() const { return column_; }
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& value);
    // The title's font; the grid's (or the column's) while none was set.
    TFont& Font();
    void SetFont(const TFont& value);

    virtual void Assign(const TColumnTitle& source);
    virtual void RestoreDefaults();

private:
    const TFont& DefaultFont() const;
    void FontChanged();

    TColumn* column_;
    std::string caption_;
    TAlignment alignment_ = taLeftJustify;
    TFont font_;
};

class TColumn {
public:
    explicit TColumn(TZEBSortGridColumns* collection);
    virtual ~TColumn();
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    TZEBSortGridColumns* Collection() const { return collection_; }
    TZEBSortGrid* Grid() const;
    int Index() const;
    unsigned AssignedValues() const { return assigned_; }

    TColor Color() const;
    void SetColor(TColor value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value) { maxLength_ = value; }
    TColumnFormat Format() const { return format_; }
    void SetFormat(TColumnFormat value);
    TColumnTitle& Title() { return *title_; }
    const TColumnTitle& Title() const { return *title_; }
    void SetTitle(const TColumnTitle& value) { title_->Assign(value); }
    // The column's font; the grid's while none was set.
    TFont& Font();
    void SetFont(const TFont& value);
    TAlignment Alignment() const;
    virtual void SetAlignment(TAlignment value);
    int Width() const;
    virtual void SetWidth(int value);
    bool ReadOnly() const;
    virtual void SetReadOnly(bool value);
    int InternalCol() const { return internalCol_; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value) { caseSensitive_ = value; }
    // 0 ascending; any other value descending (2: never sorted).
    unsigned char SortDirection() const { return sortDirection_; }
    void SetSortDirection(unsigned char value) { sortDirection_ = value; }

    virtual void Assign(const TColumn& source);
    virtual void RestoreDefaults();

protected:
    virtual std::unique_ptr<TColumnTitle> CreateTitle();

private:
    friend class TColumnTitle;
    friend class TZEBSortGridColumns;
    const TFont& DefaultFont() const;
    void RefreshFont();
    void Changed(bool allItems = false);
    // Stores value and marks it as the column's own; nothing happens when it already is.
    template <class T>
    void SetAssigned(T& field, const T& value, unsigned bit)
    {
        if ((assigned_ & bit) && field == value)
            return;
        field = value;
        assigned_ |= bit;
        Changed();
    }

    TZEBSortGridColumns* collection_;
    TColor color_ = clWindow;
    int maxLength_ = 0;
    TColumnFormat format_ = cfString;
    std::unique_ptr<TColumnTitle> title_;
    TFont font_;
    TAlignment alignment_ = taLeftJustify;
    int width_ = 64;
    bool readOnly_ = false;
    unsigned assigned_ = 0;
    int internalCol_ = 0;
    unsigned char sortDirection_ = 2;
    bool caseSensitive_ = false;
};

// The grid's columns: one item per grid column.
class TZEBSortGridColumns {
public:
    explicit TZEBSortGridColumns(TZEBSortGrid* grid);
    virtual ~TZEBSortGridColumns();
    TZEBSortGridColumns(const TZEBSortGridColumns&) = delete;
    TZEBSortGridColumns& operator=(const TZEBSortGridColumns&) = delete;

    TZEBSortGrid* Grid() const { return grid_; }
    int Count() const { return int(items_.size()); }
    // Raises "List index out of bounds (n)" for an index out of range.
    TColumn* operator[](int index) const;
    TColumn* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TColumn* item) const;
    void Assign(const TZEBSortGridColumns& source);

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

protected:
    virtual std::unique_ptr<TColumn> CreateItem();
    // A column changed (nullptr: all of them).
    virtual void Update(TColumn* item);

private:
    friend class TColumn;
    void Changed(TColumn* item);

    TZEBSortGrid* grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    int updateCount_ = 0;
};

// How DrawCell paints one cell.
struct TCellLook {
    enum TMode { mdSelected, mdDefault, mdInherited };
    std::string Text;
    TAlignment Alignment = taLeftJustify;
    TFont Font;
    TColor Brush = clWindow;
    TMode Mode = mdDefault;
    int Arrow = 0; // 0 none, 1 ascending, 2 descending
};

namespace ZEBSortGrid {

// The date and number formats the compare routines read; every grid's DateFormat and NumericFormat
// setters write them.
extern TDisplayDateFormat DateFormat;
extern TDisplayNumericFormat NumericFormat;

// Item lists.
std::string RemoveBlanks(const std::string& Items);
void GetNextItem(std::string& Items, std::string& Item);

// Compare routines, by the sort engine's rules: -1, 0 or 1; equal keys fall back
// on the row.  CompareStrings compares the texts as they are; the other two read them under the
// formats above.
int CompareStrings(const TSortedListEntry& Item1, const TSortedListEntry& Item2);
int NumericCompare(const TSortedListEntry& Item1, const TSortedListEntry& Item2);
int DateTimeCompare(const TSortedListEntry& Item1, const TSortedListEntry& Item2);

// Where a cell text of textWidth pixels starts in Rect, for both grids: left Rect.Left + DX; right
// Rect.Right - textWidth - 3; centred the middle of Rect less half the text (integer halves),
// moved CentreDX to the right (the sort grid 0; the data-bound grid repaints its cells with its DX).
int TextLeft(const TRect& Rect, int DX, TAlignment Alignment, int textWidth, int CentreDX = 0);
// Fills Rect with the canvas's brush and writes Text clipped to it, at TextLeft and Rect.Top + DY.
void WriteCellText(TCanvas& Canvas, const TRect& Rect, int DX, TAlignment Alignment, const std::string& Text, int DY,
                   int CentreDX = 0);

} // namespace ZEBSortGrid

class TZEBSortGrid : public TStringGrid {
public:
    explicit TZEBSortGrid(QWidget* parent = nullptr);
    ~TZEBSortGrid() override;

    TZEBSortGridColumns& Columns() { return *columns_; }
    const TZEBSortGridColumns& Columns() const { return *columns_; }
    TSearchOptions& SearchOptions() { return searchOptions_; }

    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor value) { SetAndInvalidate(highlightColor_, value); }
    TColor HighlightTextColor() const { return highlightTextColor_; }
    void SetHighlightTextColor(TColor value) { SetAndInvalidate(highlightTextColor_, value); }
    bool KeyBoardBuffer() const { return keyBoardBuffer_; }
    void SetKeyBoardBuffer(bool value) { keyBoardBuffer_ = value; }
    bool Sortable() const { return sortable_; }
    void SetSortable(bool value) { sortable_ = value; }
    bool SortRowsOnUpdate() const { return sortRowsOnUpdate_; }
    void SetSortRowsOnUpdate(bool value) { sortRowsOnUpdate_ = value; }
    bool ShowSortArrow() const { return showSortArrow_; }
    void SetShowSortArrow(bool value) { SetAndInvalidate(showSortArrow_, value); }
    bool SmartScroll() const { return smartScroll_; }
    void SetSmartScroll(bool value) { smartScroll_ = value; }
    TDisplayDateFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDisplayDateFormat value);
    TDisplayNumericFormat NumericFormat() const { return numericFormat_; }
    void SetNumericFormat(TDisplayNumericFormat value);
    TGridColorToggleStyle ToggleStyle() const { return toggleStyle_; }
    void SetToggleStyle(TGridColorToggleStyle value) { SetAndInvalidate(toggleStyle_, value); }
    TColor ToggleColor() const { return toggleColor_; }
    void SetToggleColor(TColor value) { SetAndInvalidate(toggleColor_, value); }

    std::string SecondaryIndex;
    std::bitset<256> UnsortableColumns;
    TGridNotifyEvent OnUserChanged;
    TBeginSortEvent OnBeginSort;
    TEndSortEvent OnEndSort;
    TTitleClickEvent OnTitleClick;
    // The clock of the key buffer, in milliseconds.
    std::function<double()> TickCount;

    // The column of the last SortColumn (-1: none) and the column whose title shows the arrow.
    int SortedCol() const { return sortedCol_; }
    int ArrowCol() const { return arrowCol_; }
    const std::string& KeyBuffer() const { return keyBuffer_; }

    virtual void BeginUpdate();
    virtual void EndUpdate();
    virtual void MarkSortTitle();
    virtual void Clear();
    virtual void GotoCell(int ACol, int ARow);
    virtual void SortColumn(int ACol);
    void DeleteRow(int ARow) override;

    void InsertRow(const std::string& Items);
    void UpdateRow(int ARow, const std::string& Items);
    // As InsertRow and UpdateRow, with the cell texts themselves in place of an item list, so that
    // a text may hold a double quote.  Missing values leave empty cells, extra ones are ignored.
    void InsertRowValues(const std::vector<std::string>& Values);
    void UpdateRowValues(int ARow, const std::vector<std::string>& Values);
    void Sort(int ACol, bool Descending);

    // The texts FillRows takes: column Col of source row Row.
    using TRowSource = std::function<std::string_view(int Row, int Col)>;
    // The same rows, order and messages as emptying the data rows to one blank row, InsertRowValues
    // of source rows 0 .. Count - 1 with SortRowsOnUpdate off, making row 1 current and Sort
    // (SortCol, ascending); but every row is written once, straight into its sorted place, and the
    // rows already there keep their storage.  The row of source 0 ends current.
    void FillRows(int Count, const TRowSource& Source, int SortCol);

    bool Search();
    bool SearchFrom(int StartRow);
    bool MatchCell(int ACol, int ARow, const std::string& Text) const;

    // What DrawCell paints for a cell, starting from the canvas's font and brush.
    TCellLook CellLook(int ACol, int ARow, TGridDrawState AState, const TFont& canvasFont, TColor canvasBrush);

protected:
    virtual std::unique_ptr<TZEBSortGridColumns> CreateColumns();

    void DrawCell(int ACol, int ARow, const TRect& Rect, TGridDrawState AState) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;
    void ColWidthsChanged() override;
    void CellChanging(int ACol, int ARow) override;
    void RowsMoving() override;
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) override;
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override;
    void KeyUp(int& Key, Qt::KeyboardModifiers Shift) override;
    bool ScrollBarAction(Qt::Orientation orientation, int action) override;

private:
    friend class TZEBSortGridColumns;
    friend class TColumn;

    void CheckItems(const char* operation, const std::string& Items) const;
    void CheckRowNumber(int ARow) const;
    void AddInsertRow();
    void RowUpdated(int ARow);
    void TitleSort(int ACol);
    TSortRules SortRules(int ACol) const;
    template <class Move>
    void MoveRows(Move&& move);
    void ApplyColumnWidth(TColumn* item);

    std::unique_ptr<TZEBSortGridColumns> columns_;
    TSearchOptions searchOptions_;
    int sortedCol_ = -1;
    bool keyBoardBuffer_ = true;
    std::string keyBuffer_;
    double lastKeyTime_ = 0;
    int columnGuard_ = 0;
    TColor highlightColor_ = clHighlight;
    TColor highlightTextColor_ = clHighlightText;
    bool sortable_ = true;
    TDisplayDateFormat dateFormat_ = dfNL;
    TDisplayNumericFormat numericFormat_ = nfNL;
    int arrowCol_ = -1;
    QPixmap arrowAsc_;
    QPixmap arrowDesc_;
    bool sortRowsOnUpdate_ = true;
    bool showSortArrow_ = true;
    bool smartScroll_ = false;
    TColor toggleColor_ = 0xDFDFDF;
    TGridColorToggleStyle toggleStyle_ = tsNone;
    bool sizingAtPress_ = false;
    bool movingRows_ = false;
    bool fillingSorted_ = false;
    TSortEngine engine_;
};
