#include "StringGrid.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

const std::string kEmpty;

[[noreturn]] void IndexOutOfRange()
{
    throw Exception("Grid index out of range");
}

bool IsNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Canvas

int TCanvas::TextWidth(const std::string& text) const
{
    return QFontMetrics(Font.ToQFont()).horizontalAdvance(AnsiToQString(text));
}

void TCanvas::FillRect(const TRect& rect)
{
    if (painter_)
        painter_->fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), ColorToQColor(BrushColor));
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text)
{
    if (!painter_)
        return;
    FillRect(rect);
    const QFont font = Font.ToQFont();
    painter_->save();
    painter_->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), Qt::IntersectClip);
    painter_->setFont(font);
    painter_->setPen(ColorToQColor(Font.Color()));
    painter_->drawText(QPoint(x, y + QFontMetrics(font).ascent()), AnsiToQString(text));
    painter_->restore();
}

void TCanvas::Draw(int x, int y, const QPixmap& pixmap)
{
    if (painter_)
        painter_->drawPixmap(x, y, pixmap);
}

// ---------------------------------------------------------------------------------------------
// Rows

void TGridRows::Move(int from, int to)
{
    if (from != to)
        rows_.Insert(to, rows_.Take(from));
}

void TGridRows::Reorder(int first, const std::vector<int>& order)
{
    std::vector<TRowCells> old = rows_.TakeAll();
    std::vector<TRowCells> result;
    result.reserve(old.size());
    for (int i = 0; i < first; ++i)
        result.push_back(std::move(old[std::size_t(i)]));
    for (int source : order)
        result.push_back(std::move(old[std::size_t(source)]));
    for (std::size_t i = std::size_t(first) + order.size(); i < old.size(); ++i)
        result.push_back(std::move(old[i]));
    rows_.Assign(std::move(result));
}

void TGridRows::TruncateColumns(int colCount)
{
    rows_.ForEach([colCount](TRowCells& cells) {
        if (int(cells.size()) > colCount)
            cells.resize(std::size_t(colCount));
    });
}

// ---------------------------------------------------------------------------------------------
// Model, delegate and the headers that show the fixed cells

TStringGridModel::TStringGridModel(TStringGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

int TStringGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int TStringGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : cols_;
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || index.row() >= grid_->RowCount() || index.column() >= grid_->ColCount())
        return {};
    return AnsiToQString(grid_->Cells(index.column(), index.row()));
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex&) const
{
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

class TGridDelegate : public QStyledItemDelegate {
public:
    explicit TGridDelegate(TStringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int col = index.column();
        const int row = index.row();
        if (col >= grid_->ColCount() || row >= grid_->RowCount())
            return;
        TGridDrawState state = 0;
        const bool focused = grid_->hasFocus() && col == grid_->Col() && row == grid_->Row();
        const TGridRect sel = grid_->Selection();
        const bool inSelection = (grid_->Options() & goRowSelect) ? (row >= sel.Top && row <= sel.Bottom)
                                                                   : sel.Contains(col, row);
        if (focused)
            state |= gdFocused;
        if (inSelection && (!focused || (grid_->Options() & (goDrawFocusSelected | goRowSelect))))
            state |= gdSelected;
        grid_->PaintCell(painter, grid_->viewport(), option.rect, col, row, state);
    }

private:
    TStringGrid* grid_;
};

class TFixedHeader : public QHeaderView {
public:
    TFixedHeader(Qt::Orientation orientation, TStringGrid* grid) : QHeaderView(orientation, grid), grid_(grid)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(0);
    }

    QSize sizeHint() const override
    {
        return orientation() == Qt::Horizontal ? QSize(length(), grid_->FixedRowsHeight())
                                               : QSize(grid_->FixedColsWidth(), length());
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        if (logicalIndex >= (orientation() == Qt::Horizontal ? grid_->ColCount() : grid_->RowCount()))
            return;
        const QColor line = ColorToQColor(clGray);
        if (orientation() == Qt::Horizontal) {
            int y = 0;
            for (int r = 0; r < grid_->FixedRows(); ++r) {
                const QRect cell(rect.x(), y, rect.width() - 1, grid_->DefaultRowHeight());
                grid_->PaintCell(painter, viewport(), cell, logicalIndex, r, gdFixed);
                painter->fillRect(QRect(cell.right() + 1, y, 1, cell.height() + 1), line);
                painter->fillRect(QRect(cell.x(), cell.bottom() + 1, cell.width(), 1), line);
                y += grid_->DefaultRowHeight() + 1;
            }
        } else {
            int x = 0;
            for (int c = 0; c < grid_->FixedCols(); ++c) {
                const int width = std::max(0, grid_->ColWidths(c));
                const QRect cell(x, rect.y(), width, rect.height() - 1);
                grid_->PaintCell(painter, viewport(), cell, c, logicalIndex, gdFixed);
                painter->fillRect(QRect(cell.right() + 1, cell.y(), 1, cell.height() + 1), line);
                painter->fillRect(QRect(cell.x(), cell.bottom() + 1, cell.width(), 1), line);
                x += width + 1;
            }
        }
    }

private:
    TStringGrid* grid_;
};

// ---------------------------------------------------------------------------------------------
// Grid

TStringGrid::TStringGrid(QWidget* parent)
    : QTableView(parent), model_(new TStringGridModel(this)), fixedRowsHeader_(new TFixedHeader(Qt::Horizontal, this)),
      fixedColsHeader_(new TFixedHeader(Qt::Vertical, this))
{
    colWidths_.assign(std::size_t(colCount_), defaultColWidth_);
    rows_.Resize(5);
    setHorizontalHeader(fixedRowsHeader_);
    setVerticalHeader(fixedColsHeader_);
    setModel(model_);
    setItemDelegate(new TGridDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    fixedColsHeader_->setSectionResizeMode(QHeaderView::Fixed);
    for (QHeaderView* header : {fixedRowsHeader_, fixedColsHeader_})
        header->viewport()->installEventFilter(this);
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);
    connect(fixedRowsHeader_, &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
        if (syncing_ || logical >= colCount_ || logical < fixedCols_)
            return;
        colWidths_[std::size_t(logical)] = newSize - 1;
        ColWidthsChanged();
        InvalidateGrid();
    });
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (ScrollBarAction(Qt::Vertical, action))
            verticalScrollBar()->setSliderPosition(verticalScrollBar()->value());
    });
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (ScrollBarAction(Qt::Horizontal, action))
            horizontalScrollBar()->setSliderPosition(horizontalScrollBar()->value());
    });
    ScheduleSync(true);
}

TStringGrid::~TStringGrid() = default;

std::string TStringGrid::Name() const
{
    return QStringToAnsi(objectName());
}

void TStringGrid::SetName(const std::string& name)
{
    setObjectName(AnsiToQString(name));
}

void TStringGrid::CheckCell(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= colCount_ || ARow < 0 || ARow >= RowCount())
        IndexOutOfRange();
}

const std::string& TStringGrid::Cells(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= colCount_ || ARow < 0 || ARow >= RowCount())
        return kEmpty;
    const auto& cells = rows_[ARow];
    return std::size_t(ACol) < cells.size() ? cells[std::size_t(ACol)] : kEmpty;
}

void TStringGrid::SetCells(int ACol, int ARow, std::string_view text)
{
    CheckCell(ACol, ARow);
    CellChanging(ACol, ARow);
    auto& cells = rows_[ARow];
    if (cells.size() <= std::size_t(ACol))
        cells.resize(std::size_t(colCount_));
    cells[std::size_t(ACol)].assign(text); // keeps the cell's buffer when it is large enough
    ScheduleSync(false);
}

void TStringGrid::SetColCount(int value)
{
    value = std::max(1, value);
    if (value == colCount_)
        return;
    if (fixedCols_ >= value)
        fixedCols_ = value - 1;
    const int old = colCount_;
    colCount_ = value;
    colWidths_.resize(std::size_t(value), defaultColWidth_);
    if (value < old)
        rows_.TruncateColumns(value);
    col_ = std::min(col_, value - 1);
    selection_.Left = std::min(selection_.Left, value - 1);
    selection_.Right = std::min(selection_.Right, value - 1);
    ScheduleSync(true);
    SizeChanged(old, RowCount());
}

void TStringGrid::SetRowCount(int value)
{
    value = std::max(1, value);
    if (value == RowCount())
        return;
    if (fixedRows_ >= value)
        fixedRows_ = value - 1;
    const int old = RowCount();
    if (value < old)
        RowsMoving();
    rows_.Resize(value);
    row_ = std::min(row_, value - 1);
    selection_.Top = std::min(selection_.Top, value - 1);
    selection_.Bottom = std::min(selection_.Bottom, value - 1);
    ScheduleSync(true);
    SizeChanged(colCount_, old);
}

void TStringGrid::SetFixedCols(int value)
{
    if (value < 0 || value >= colCount_)
        throw Exception("Fixed column count must be less than column count");
    fixedCols_ = value;
    if (col_ < value)
        FocusCell(value, row_, true);
    ScheduleSync(true);
}

void TStringGrid::SetFixedRows(int value)
{
    if (value < 0 || value >= RowCount())
        throw Exception("Fixed row count must be less than row count");
    fixedRows_ = value;
    if (row_ < value)
        FocusCell(col_, value, true);
    ScheduleSync(true);
}

int TStringGrid::ColWidths(int ACol) const
{
    if (ACol < 0 || ACol >= colCount_)
        IndexOutOfRange();
    return colWidths_[std::size_t(ACol)];
}

void TStringGrid::SetColWidths(int ACol, int width)
{
    if (ACol < 0 || ACol >= colCount_)
        IndexOutOfRange();
    colWidths_[std::size_t(ACol)] = width;
    ScheduleSync(true);
}

void TStringGrid::SetDefaultRowHeight(int value)
{
    defaultRowHeight_ = value;
    ScheduleSync(true);
}

void TStringGrid::SetCol(int value)
{
    CheckCell(value, row_);
    FocusCell(value, row_, true);
}

void TStringGrid::SetRow(int value)
{
    CheckCell(col_, value);
    FocusCell(col_, value, true);
}

void TStringGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    CheckCell(ACol, ARow);
    if (MoveAnchor) {
        selection_ = {ACol, ARow, ACol, ARow};
    } else {
        const int anchorCol = selection_.Left == col_ ? selection_.Right : selection_.Left;
        const int anchorRow = selection_.Top == row_ ? selection_.Bottom : selection_.Top;
        selection_ = {std::min(anchorCol, ACol), std::min(anchorRow, ARow), std::max(anchorCol, ACol),
            std::max(anchorRow, ARow)};
    }
    col_ = ACol;
    row_ = ARow;
    scrollToCurrent_ = true;
    ScheduleSync(false);
}

void TStringGrid::SetOptions(TGridOptions value)
{
    options_ = value;
    ScheduleSync(true);
}

int TStringGrid::FixedColsWidth() const
{
    int width = 0;
    for (int c = 0; c < fixedCols_; ++c)
        width += std::max(0, colWidths_[std::size_t(c)]) + 1;
    return width;
}

int TStringGrid::FixedRowsHeight() const
{
    return fixedRows_ * (defaultRowHeight_ + 1);
}

QPoint TStringGrid::ClientOrigin() const
{
    return contentsRect().topLeft();
}

void TStringGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const
{
    const QPoint vp = viewport()->geometry().topLeft() - ClientOrigin();
    ACol = -1;
    ARow = -1;
    if (X >= 0 && X < vp.x()) {
        int left = 0;
        for (int c = 0; c < fixedCols_; ++c) {
            left += std::max(0, colWidths_[std::size_t(c)]) + 1;
            if (X < left) {
                ACol = c;
                break;
            }
        }
    } else if (X >= vp.x()) {
        ACol = fixedRowsHeader_->logicalIndexAt(X - vp.x());
    }
    if (Y >= 0 && Y < vp.y()) {
        ARow = std::min(Y / (defaultRowHeight_ + 1), fixedRows_ - 1);
    } else if (Y >= vp.y()) {
        ARow = fixedColsHeader_->logicalIndexAt(Y - vp.y());
    }
    if (ACol >= colCount_)
        ACol = -1;
    if (ARow >= RowCount())
        ARow = -1;
}

TRect TStringGrid::CellRect(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= colCount_ || ARow < 0 || ARow >= RowCount() || colWidths_[std::size_t(ACol)] < 0)
        return {};
    const QPoint vp = viewport()->geometry().topLeft() - ClientOrigin();
    int x = 0;
    if (ACol < fixedCols_) {
        for (int c = 0; c < ACol; ++c)
            x += std::max(0, colWidths_[std::size_t(c)]) + 1;
    } else {
        x = vp.x() + fixedRowsHeader_->sectionViewportPosition(ACol);
    }
    int y = 0;
    if (ARow < fixedRows_)
        y = ARow * (defaultRowHeight_ + 1);
    else
        y = vp.y() + fixedColsHeader_->sectionViewportPosition(ARow);
    return {x, y, x + colWidths_[std::size_t(ACol)], y + defaultRowHeight_};
}

bool TStringGrid::Sizing(int X, int Y) const
{
    const QPoint vp = viewport()->geometry().topLeft() - ClientOrigin();
    if (!(options_ & goColSizing) || Y < 0 || Y >= vp.y() || X < vp.x())
        return false;
    const int x = X - vp.x();
    const int margin = 3;
    return fixedRowsHeader_->logicalIndexAt(x - margin) != fixedRowsHeader_->logicalIndexAt(x + margin);
}

void TStringGrid::DeleteRow(int ARow)
{
    MoveRow(ARow, RowCount() - 1);
    SetRowCount(RowCount() - 1);
}

void TStringGrid::MoveRow(int FromIndex, int ToIndex)
{
    CheckCell(0, FromIndex);
    CheckCell(0, ToIndex);
    if (FromIndex == ToIndex)
        return;
    RowsMoving();
    rows_.Move(FromIndex, ToIndex);
    ScheduleSync(false);
}

void TStringGrid::ReorderRows(int first, const std::vector<int>& order)
{
    RowsMoving();
    rows_.Reorder(first, order);
    ScheduleSync(false);
}

void TStringGrid::InvalidateGrid()
{
    viewport()->update();
    fixedRowsHeader_->viewport()->update();
    fixedColsHeader_->viewport()->update();
    if (auto* corner = findChild<QAbstractButton*>())
        corner->update();
}

void TStringGrid::ScheduleSync(bool structure)
{
    structureDirty_ = structureDirty_ || structure;
    if (syncScheduled_)
        return;
    syncScheduled_ = true;
    QMetaObject::invokeMethod(this, [this] { UpdateView(); }, Qt::QueuedConnection);
}

void TStringGrid::UpdateView()
{
    syncScheduled_ = false;
    syncing_ = true;
    if (structureDirty_) {
        structureDirty_ = false;
        if (model_->rows_ != RowCount() || model_->cols_ != colCount_) {
            model_->beginResetModel();
            model_->rows_ = RowCount();
            model_->cols_ = colCount_;
            model_->endResetModel();
        }
        ApplyHeaders();
    }
    SyncSelection();
    syncing_ = false;
    InvalidateGrid();
}

void TStringGrid::ApplyHeaders()
{
    fixedRowsHeader_->setSectionResizeMode((options_ & goColSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    for (int c = 0; c < colCount_; ++c) {
        const int width = colWidths_[std::size_t(c)];
        const bool hidden = c < fixedCols_ || width < 0;
        fixedRowsHeader_->setSectionHidden(c, hidden);
        if (!hidden)
            fixedRowsHeader_->resizeSection(c, width + 1);
    }
    fixedColsHeader_->setDefaultSectionSize(defaultRowHeight_ + 1);
    for (int r = 0; r < std::min(RowCount(), std::max(64, fixedRows_ + 1)); ++r)
        fixedColsHeader_->setSectionHidden(r, r < fixedRows_);
    fixedRowsHeader_->setVisible(fixedRows_ > 0);
    fixedColsHeader_->setVisible(fixedCols_ > 0);
    setShowGrid(options_ & (goVertLine | goHorzLine));
    setSelectionMode((options_ & goRangeSelect) ? QAbstractItemView::ContiguousSelection
                                                : QAbstractItemView::SingleSelection);
    setSelectionBehavior((options_ & goRowSelect) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    updateGeometries();
}

void TStringGrid::SyncSelection()
{
    if (model_->rows_ == 0 || model_->cols_ == 0)
        return;
    const QModelIndex current = model_->index(row_, col_);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(model_->index(selection_.Top, selection_.Left),
                                 model_->index(selection_.Bottom, selection_.Right)),
        QItemSelectionModel::ClearAndSelect);
    if (scrollToCurrent_) {
        scrollToCurrent_ = false;
        scrollTo(current);
    }
}

void TStringGrid::PaintCell(QPainter* painter, QWidget* surface, const QRect& local, int col, int row,
    TGridDrawState state)
{
    const QPoint offset = surface->mapTo(this, QPoint(0, 0)) - ClientOrigin();
    painter->save();
    painter->translate(-offset);
    const TRect rect{local.x() + offset.x(), local.y() + offset.y(), local.x() + offset.x() + local.width(),
        local.y() + offset.y() + local.height()};
    canvas_.painter_ = painter;
    canvas_.Font.AssignSilently(font_);
    if (state & gdFixed) {
        canvas_.BrushColor = fixedColor_;
    } else if (state & gdSelected) {
        canvas_.BrushColor = clHighlight;
        canvas_.Font.SetColor(clHighlightText);
    } else {
        canvas_.BrushColor = color_;
    }
    DrawCell(col, row, rect, state);
    canvas_.painter_ = nullptr;
    painter->restore();
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& Rect, TGridDrawState AState)
{
    if (defaultDrawing_)
        canvas_.TextRect(Rect, Rect.Left + 2, Rect.Top + 2, Cells(ACol, ARow));
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, Rect, AState);
}

bool TStringGrid::SelectCell(int ACol, int ARow)
{
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, canSelect);
    return canSelect;
}

void TStringGrid::SizeChanged(int, int) {}
void TStringGrid::ColWidthsChanged() {}
void TStringGrid::CellChanging(int, int) {}
void TStringGrid::RowsMoving() {}

bool TStringGrid::ScrollBarAction(Qt::Orientation, int)
{
    return false;
}

void TStringGrid::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (inheritedMouse_)
        inheritedMouse_();
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TStringGrid::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (inheritedMouse_)
        inheritedMouse_();
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
    if (Button == Qt::LeftButton && OnClick)
        OnClick(this);
}

void TStringGrid::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
    if (Key == 0 || !IsNavigationKey(Key))
        return;
    if (syncScheduled_)
        UpdateView();
    QKeyEvent event(QEvent::KeyPress, Key, Shift);
    QTableView::keyPressEvent(&event);
}

void TStringGrid::KeyUp(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TStringGrid::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

namespace {

// The Windows-1252 text a key types; empty when it types a character Windows-1252 cannot hold
// (that one matches nothing in the grid; it must not search as "?").
std::string AnsiKeyText(const QKeyEvent* event)
{
    bool ok = false;
    std::string text = QStringToAnsi(event->text(), &ok);
    return ok ? text : std::string();
}

} // namespace

void TStringGrid::keyPressEvent(QKeyEvent* event)
{
    if (syncScheduled_)
        UpdateView();
    keyText_ = AnsiKeyText(event);
    int key = event->key();
    KeyDown(key, event->modifiers() & ~Qt::KeypadModifier);
    if (keyText_.size() == 1) {
        char ch = keyText_[0];
        KeyPress(ch);
    }
    keyText_.clear();
    // Keys the grid has no use for go on to the window (Enter to its default button, Escape).
    event->setAccepted(key == 0 || IsNavigationKey(event->key()));
}

void TStringGrid::keyReleaseEvent(QKeyEvent* event)
{
    keyText_ = AnsiKeyText(event);
    int key = event->key();
    KeyUp(key, event->modifiers() & ~Qt::KeypadModifier);
    keyText_.clear();
    event->accept();
}

void TStringGrid::DispatchMouse(QWidget* source, QMouseEvent* event, bool press, const std::function<void()>& inherited)
{
    if (syncScheduled_)
        UpdateView();
    const QPoint client = source->mapTo(this, event->position().toPoint()) - ClientOrigin();
    inheritedMouse_ = inherited;
    if (press)
        MouseDown(event->button(), event->modifiers(), client.x(), client.y());
    else
        MouseUp(event->button(), event->modifiers(), client.x(), client.y());
    inheritedMouse_ = nullptr;
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    DispatchMouse(viewport(), event, true, [this, event] { QTableView::mousePressEvent(event); });
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    DispatchMouse(viewport(), event, false, [this, event] { QTableView::mouseReleaseEvent(event); });
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event)
{
    auto* corner = findChild<QAbstractButton*>();
    if (watched == corner && event->type() == QEvent::Paint) {
        QPainter painter(corner);
        int y = 0;
        for (int r = 0; r < fixedRows_; ++r) {
            int x = 0;
            for (int c = 0; c < fixedCols_; ++c) {
                const int width = std::max(0, colWidths_[std::size_t(c)]);
                PaintCell(&painter, corner, QRect(x, y, width, defaultRowHeight_), c, r, gdFixed);
                x += width + 1;
            }
            y += defaultRowHeight_ + 1;
        }
        return true;
    }
    const bool header = watched == fixedRowsHeader_->viewport() || watched == fixedColsHeader_->viewport();
    if (header && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        DispatchMouse(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event),
            event->type() == QEvent::MouseButtonPress, nullptr);
        return false;
    }
    return QTableView::eventFilter(watched, event);
}

void TStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!syncing_ && current.isValid() && current.row() < RowCount() && current.column() < colCount_) {
        col_ = current.column();
        row_ = current.row();
        InvalidateGrid();
    }
}

void TStringGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (syncing_)
        return;
    const QItemSelection all = selectionModel()->selection();
    if (all.isEmpty()) {
        selection_ = {col_, row_, col_, row_};
    } else {
        TGridRect rect{colCount_, RowCount(), -1, -1};
        for (const QItemSelectionRange& range : all) {
            rect.Left = std::min(rect.Left, range.left());
            rect.Top = std::min(rect.Top, range.top());
            rect.Right = std::max(rect.Right, range.right());
            rect.Bottom = std::max(rect.Bottom, range.bottom());
        }
        selection_ = rect;
    }
    InvalidateGrid();
}
