#pragma once
// The string grid the program's grids stand on: cells of text by column and row, fixed rows and
// columns, column widths (-1 hides a column), the current cell, a range selection, owner drawing
// and row deletion.  The grid holds the state; a QTableView over a cell model shows it.  Fixed
// rows are painted in the top header and fixed columns in the left header, so they stay in view.

#include "BlockList.h"
#include "Graphics.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPixmap>
#include <QTableView>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

// Grid options (bit values as in the original's option set).
enum : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};
using TGridOptions = unsigned;

// Cell state handed to the drawing.
enum : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

// A block of cells, inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
    bool operator==(const TGridRect&) const = default;
};

// The drawing surface of a cell: font, brush colour, text output and bitmaps.
class TCanvas {
public:
    TFont Font;
    TColor BrushColor = clWindow;

    int TextWidth(const std::string& text) const;
    // Fills rect with the brush and writes text with its top left corner at (x, y), clipped to rect.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    void FillRect(const TRect& rect);
    void Draw(int x, int y, const QPixmap& pixmap);

    QPainter* Painter() const { return painter_; }

private:
    friend class TStringGrid;
    QPainter* painter_ = nullptr;
};

// The rows of a grid, kept in blocks so that moving one row costs little however long the grid.
class TGridRows {
public:
    using TRowCells = std::vector<std::string>;

    int Count() const { return rows_.Count(); }
    const TRowCells& operator[](int row) const { return rows_[row]; }
    TRowCells& operator[](int row) { return rows_[row]; }
    void Resize(int count) { rows_.Resize(count); }
    void Move(int from, int to);
    // Rows first, first + 1, ... become the former rows order[0], order[1], ...
    void Reorder(int first, const std::vector<int>& order);
    void TruncateColumns(int colCount);

private:
    TBlockList<TRowCells> rows_;
};

class TStringGrid;

// The cell model the view shows.
class TStringGridModel : public QAbstractTableModel {
public:
    explicit TStringGridModel(TStringGrid* grid);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    friend class TStringGrid;
    TStringGrid* grid_;
    int rows_ = 0;
    int cols_ = 0;
};

class TStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    // The component name that messages put in front of their text.
    std::string Name() const;
    void SetName(const std::string& name);

    const std::string& Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, std::string_view text);

    int ColCount() const { return colCount_; }
    void SetColCount(int value);
    int RowCount() const { return rows_.Count(); }
    void SetRowCount(int value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);

    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int width);
    int DefaultColWidth() const { return defaultColWidth_; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);

    int Col() const { return col_; }
    void SetCol(int value);
    int Row() const { return row_; }
    void SetRow(int value);
    TGridRect Selection() const { return selection_; }

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { SetAndInvalidate(color_, value); }
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value) { SetAndInvalidate(fixedColor_, value); }
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    TCanvas* Canvas() { return &canvas_; }

    // The cell under the point (X, Y) in the grid's client coordinates; -1 where there is none.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    // Where cell (ACol, ARow) is drawn now, in client coordinates (empty when it is not in view).
    TRect CellRect(int ACol, int ARow) const;
    // The grid's client area in widget coordinates (inside the frame).
    QPoint ClientOrigin() const;

    // The row moves to the end and RowCount drops by one.
    virtual void DeleteRow(int ARow);
    // Moves row From to position To; the rows between shift by one.
    void MoveRow(int FromIndex, int ToIndex);
    // Rows first... take the former rows order[0], order[1], ...
    void ReorderRows(int first, const std::vector<int>& order);

    // Brings the view up to date with the grid now (it otherwise follows from the event loop).
    void UpdateView();
    void InvalidateGrid();

    std::function<void(TStringGrid* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)> OnDrawCell;
    std::function<void(TStringGrid* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    std::function<void(TStringGrid* Sender, int& Key, Qt::KeyboardModifiers Shift)> OnKeyUp;
    std::function<void(TStringGrid* Sender, char& Key)> OnKeyPress;
    std::function<void(TStringGrid* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)> OnMouseDown;
    std::function<void(TStringGrid* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)> OnMouseUp;
    std::function<void(TStringGrid* Sender)> OnClick;
    std::function<void(TStringGrid* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;

protected:
    virtual void DrawCell(int ACol, int ARow, const TRect& Rect, TGridDrawState AState);
    virtual bool SelectCell(int ACol, int ARow);
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    virtual void ColWidthsChanged();
    // Before the text of a cell changes (SetCells) and before rows move.
    virtual void CellChanging(int ACol, int ARow);
    virtual void RowsMoving();
    virtual void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    // Key = 0 consumes the key; the base moves the current cell for navigation keys.
    virtual void KeyDown(int& Key, Qt::KeyboardModifiers Shift);
    virtual void KeyUp(int& Key, Qt::KeyboardModifiers Shift);
    virtual void KeyPress(char& Key);
    // A scroll-bar action (QAbstractSlider::SliderAction); true when handled, which cancels the scrolling.
    virtual bool ScrollBarAction(Qt::Orientation orientation, int action);

    // The text that the key being handled types (empty for keys that type nothing).
    const std::string& KeyText() const { return keyText_; }
    // True while the mouse at (X, Y) is on a column border of the fixed rows (the user resizes).
    bool Sizing(int X, int Y) const;
    // Stores a setting that changes how cells look and repaints.
    template <class T>
    void SetAndInvalidate(T& field, const T& value)
    {
        field = value;
        InvalidateGrid();
    }
    // Makes (ACol, ARow) the current cell and scrolls it into view.
    void FocusCell(int ACol, int ARow, bool MoveAnchor);

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    friend class TStringGridModel;
    friend class TGridDelegate;
    friend class TFixedHeader;

    void PaintCell(QPainter* painter, QWidget* surface, const QRect& local, int col, int row, TGridDrawState state);
    void CheckCell(int ACol, int ARow) const;
    void ScheduleSync(bool structure);
    void ApplyHeaders();
    void SyncSelection();
    int FixedColsWidth() const;
    int FixedRowsHeight() const;
    void DispatchMouse(QWidget* source, QMouseEvent* event, bool press, const std::function<void()>& inherited);

    TGridRows rows_;
    std::vector<int> colWidths_;
    int colCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int col_ = 1;
    int row_ = 1;
    TGridRect selection_{1, 1, 1, 1};
    TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    bool defaultDrawing_ = true;
    TColor color_ = clWindow;
    TColor fixedColor_ = clBtnFace;
    TFont font_;
    TCanvas canvas_;
    std::string keyText_;
    std::function<void()> inheritedMouse_;

    TStringGridModel* model_;
    QHeaderView* fixedRowsHeader_;
    QHeaderView* fixedColsHeader_;
    bool syncScheduled_ = false;
    bool structureDirty_ = true;
    bool syncing_ = false;
    bool scrollToCurrent_ = false;
};
