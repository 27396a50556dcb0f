#include "ZEBSortGrid.h"

#include "Exceptions.h"
#include "Resources.h"
#include "StrFuncs.h"
#include "SysCalls.h"

#include <QAbstractSlider>
#include <QBitmap>
#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// The compare routines

namespace ZEBSortGrid {

TDisplayDateFormat DateFormat = dfNL;
TDisplayNumericFormat NumericFormat = nfNL;

namespace {

int CompareEntries(const TSortedListEntry& Item1, const TSortedListEntry& Item2, const TSortRules& rules)
{
    static const TSortEngine engine;
    return engine.CompareTexts(Item1.Key, Item1.Row, Item2.Key, Item2.Row, rules);
}

} // namespace

int CompareStrings(const TSortedListEntry& Item1, const TSortedListEntry& Item2)
{
    return CompareEntries(Item1, Item2, {.Format = cfString, .CaseSensitive = true});
}

int NumericCompare(const TSortedListEntry& Item1, const TSortedListEntry& Item2)
{
    return CompareEntries(Item1, Item2, {.Format = cfNumber, .Numeric = NumericFormat});
}

int DateTimeCompare(const TSortedListEntry& Item1, const TSortedListEntry& Item2)
{
    return CompareEntries(Item1, Item2, {.Format = cfDate, .Date = DateFormat});
}

std::string RemoveBlanks(const std::string& Items)
{
    std::string result;
    result.reserve(Items.size());
    bool inside = false;
    for (char c : Items) {
        if (c == '"')
            inside = !inside;
        if (c != ' ' || inside)
            result += c;
    }
    return result;
}

void GetNextItem(std::string& Items, std::string& Item)
{
    if (Items.empty()) {
        Item.clear();
        return;
    }
    if (Items[0] != '"')
        throw Exception("ZEBSortGrid.GetNextItem: Syntax error");
    const std::size_t close = Items.find('"', 1);
    if (close == std::string::npos) {
        Item = Items.size() >= 2 ? Items.substr(1, Items.size() - 2) : std::string();
        Items.clear();
        return;
    }
    Item = Items.substr(1, close - 1);
    Items = close + 2 <= Items.size() ? Items.substr(close + 2) : std::string();
}

int TextLeft(const TRect& Rect, int DX, TAlignment Alignment, int textWidth, int CentreDX)
{
    switch (Alignment) {
    case taRightJustify: return Rect.Right - textWidth - 3;
    case taCenter: return Rect.Left + CentreDX + (Rect.Right - Rect.Left) / 2 - textWidth / 2;
    default: return Rect.Left + DX;
    }
}

void WriteCellText(TCanvas& Canvas, const TRect& Rect, int DX, TAlignment Alignment, const std::string& Text, int DY,
                   int CentreDX)
{
    Canvas.TextRect(Rect, TextLeft(Rect, DX, Alignment, Canvas.TextWidth(Text), CentreDX), Rect.Top + DY, Text);
}

} // namespace ZEBSortGrid

using namespace ZEBSortGrid;

// ---------------------------------------------------------------------------------------------
// Column titles

TColumnTitle::TColumnTitle(TColumn* column) : column_(column)
{
    font_.AssignSilently(DefaultFont());
    font_.OnChange = [this] { FontChanged(); };
}

const TFont& TColumnTitle::DefaultFont() const
{
    TZEBSortGrid* grid = column_->Grid();
    return grid ? grid->Font() : column_->Font();
}

TAlignment TColumnTitle::Alignment() const
{
    return (column_->assigned_ & cvTitleAlignment) ? alignment_ : taLeftJustify;
}

void TColumnTitle::SetAlignment(TAlignment value)
{
    column_->SetAssigned(alignment_, value, cvTitleAlignment);
}

void TColumnTitle::SetCaption(const std::string& value)
{
    column_->SetAssigned(caption_, value, cvTitleCaption);
}

TFont& TColumnTitle::Font()
{
    if (!(column_->assigned_ & cvTitleFont) && !font_.SameAs(DefaultFont()))
        font_.AssignSilently(DefaultFont());
    return font_;
}

void TColumnTitle::SetFont(const TFont& value)
{
    font_.Assign(value);
}

void TColumnTitle::FontChanged()
{
    column_->assigned_ |= cvTitleFont;
    column_->Changed();
}

void TColumnTitle::Assign(const TColumnTitle& source)
{
    const unsigned assigned = source.column_->assigned_;
    if (assigned & cvTitleAlignment)
        SetAlignment(source.alignment_);
    if (assigned & cvTitleCaption)
        SetCaption(source.caption_);
    if (assigned & cvTitleFont)
        SetFont(source.font_);
}

void TColumnTitle::RestoreDefaults()
{
    const bool fontAssigned = column_->assigned_ & cvTitleFont;
    column_->assigned_ &= ~unsigned(cvTitleCaption | cvTitleAlignment | cvTitleFont);
    caption_.clear();
    font_.AssignSilently(DefaultFont());
    column_->Changed(fontAssigned);
}

// ---------------------------------------------------------------------------------------------
// Columns

TColumn::TColumn(TZEBSortGridColumns* collection) : collection_(collection)
{
    font_.AssignSilently(DefaultFont());
    font_.OnChange = [this] {
        assigned_ |= cvFont;
        title_->Font();
        Changed();
    };
}

TColumn::~TColumn() = default;

std::unique_ptr<TColumnTitle> TColumn::CreateTitle()
{
    return std::make_unique<TColumnTitle>(this);
}

TZEBSortGrid* TColumn::Grid() const
{
    return collection_ ? collection_->Grid() : nullptr;
}

int TColumn::Index() const
{
    return collection_ ? collection_->IndexOf(this) : -1;
}

const TFont& TColumn::DefaultFont() const
{
    static const TFont standalone;
    TZEBSortGrid* grid = Grid();
    return grid ? grid->Font() : standalone;
}

void TColumn::RefreshFont()
{
    if (!(assigned_ & cvFont) && !font_.SameAs(DefaultFont()))
        font_.AssignSilently(DefaultFont());
}

void TColumn::Changed(bool allItems)
{
    if (collection_)
        collection_->Changed(allItems ? nullptr : this);
}

TColor TColumn::Color() const
{
    if (assigned_ & cvColor)
        return color_;
    return Grid() ? Grid()->Color() : clWindow;
}

void TColumn::SetColor(TColor value)
{
    SetAssigned(color_, value, cvColor);
}

void TColumn::SetFormat(TColumnFormat value)
{
    if (value == format_)
        return;
    format_ = value;
    Changed();
}

TFont& TColumn::Font()
{
    RefreshFont();
    return font_;
}

void TColumn::SetFont(const TFont& value)
{
    font_.Assign(value);
}

TAlignment TColumn::Alignment() const
{
    return (assigned_ & cvAlignment) ? alignment_ : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment value)
{
    SetAssigned(alignment_, value, cvAlignment);
}

int TColumn::Width() const
{
    if (assigned_ & cvWidth)
        return width_;
    return Grid() ? Grid()->DefaultColWidth() : 64;
}

void TColumn::SetWidth(int value)
{
    SetAssigned(width_, value, cvWidth);
}

bool TColumn::ReadOnly() const
{
    if (assigned_ & cvReadOnly)
        return readOnly_;
    return Grid() ? !(Grid()->Options() & goEditing) : true;
}

void TColumn::SetReadOnly(bool value)
{
    SetAssigned(readOnly_, value, cvReadOnly);
}

void TColumn::Assign(const TColumn& source)
{
    if (collection_)
        collection_->BeginUpdate();
    RestoreDefaults();
    if (source.assigned_ & cvColor)
        SetColor(source.color_);
    if (source.assigned_ & cvFont)
        SetFont(source.font_);
    if (source.assigned_ & cvAlignment)
        SetAlignment(source.alignment_);
    if (source.assigned_ & cvWidth)
        SetWidth(source.width_);
    if (source.assigned_ & cvReadOnly)
        SetReadOnly(source.readOnly_);
    title_->Assign(*source.title_);
    if (collection_)
        collection_->EndUpdate();
}

void TColumn::RestoreDefaults()
{
    const bool fontAssigned = assigned_ & cvFont;
    title_->RestoreDefaults();
    assigned_ = 0;
    font_.AssignSilently(DefaultFont());
    Changed(fontAssigned);
}

TZEBSortGridColumns::TZEBSortGridColumns(TZEBSortGrid* grid) : grid_(grid) {}

TZEBSortGridColumns::~TZEBSortGridColumns() = default;

TColumn* TZEBSortGridColumns::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    return items_[std::size_t(index)].get();
}

std::unique_ptr<TColumn> TZEBSortGridColumns::CreateItem()
{
    return std::make_unique<TColumn>(this);
}

TColumn* TZEBSortGridColumns::Add()
{
    items_.push_back(CreateItem());
    TColumn* item = items_.back().get();
    item->title_ = item->CreateTitle();
    if (grid_) {
        if (grid_->columnGuard_ < 1)
            grid_->SetColCount(Count());
        item->internalCol_ = Count() - 1;
    }
    Changed(item);
    return item;
}

void TZEBSortGridColumns::Delete(int index)
{
    (void)(*this)[index];
    items_.erase(items_.begin() + index);
    if (grid_ && grid_->columnGuard_ < 1)
        grid_->SetColCount(grid_->ColCount() - 1);
    Changed(nullptr);
}

void TZEBSortGridColumns::Clear()
{
    BeginUpdate();
    while (Count() > 0)
        Delete(Count() - 1);
    EndUpdate();
}

int TZEBSortGridColumns::IndexOf(const TColumn* item) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return int(i);
    return -1;
}

void TZEBSortGridColumns::Assign(const TZEBSortGridColumns& source)
{
    BeginUpdate();
    Clear();
    for (const auto& item : source.items_)
        Add()->Assign(*item);
    EndUpdate();
}

void TZEBSortGridColumns::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Update(nullptr);
}

void TZEBSortGridColumns::Changed(TColumn* item)
{
    if (updateCount_ == 0)
        Update(item);
}

void TZEBSortGridColumns::Update(TColumn* item)
{
    if (grid_ && item)
        grid_->ApplyColumnWidth(item);
    else if (grid_)
        grid_->InvalidateGrid();
}

// ---------------------------------------------------------------------------------------------
// The grid


namespace {

QPixmap LoadArrow(const QString& resource)
{
    QPixmap pixmap(resource);
    if (!pixmap.isNull())
        pixmap.setMask(pixmap.createMaskFromColor(ColorToQColor(clOlive)));
    return pixmap;
}

} // namespace

TZEBSortGrid::TZEBSortGrid(QWidget* parent) : TStringGrid(parent), searchOptions_(this)
{
    SetDefaultRowHeight(17);
    ++columnGuard_;
    SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect | goDrawFocusSelected |
               goColSizing | goEditing);
    columns_ = CreateColumns();
    SetHighlightColor(clHighlight);
    SetHighlightTextColor(clHighlightText);
    --columnGuard_;
    SizeChanged(ColCount(), RowCount());
    TickCount = GetTickCount;
    SetDateFormat(dfNL);
    SetNumericFormat(nfNL);
    EnsureResources();
    arrowAsc_ = LoadArrow(QStringLiteral(":/images/BMP_SORT_ASC.bmp"));
    arrowDesc_ = LoadArrow(QStringLiteral(":/images/BMP_SORT_DESC.bmp"));
}

TZEBSortGrid::~TZEBSortGrid()
{
    columnGuard_ = 2;
    columns_.reset();
}

std::unique_ptr<TZEBSortGridColumns> TZEBSortGrid::CreateColumns()
{
    return std::make_unique<TZEBSortGridColumns>(this);
}

void TZEBSortGrid::SetDateFormat(TDisplayDateFormat value)
{
    dateFormat_ = value;
    ZEBSortGrid::DateFormat = value;
}

void TZEBSortGrid::SetNumericFormat(TDisplayNumericFormat value)
{
    numericFormat_ = value;
    ZEBSortGrid::NumericFormat = value;
}

void TZEBSortGrid::ApplyColumnWidth(TColumn* item)
{
    const int index = columns_ ? columns_->IndexOf(item) : -1;
    if (index < 0 || index >= ColCount())
        return;
    SetColWidths(index, item->Width());
    InvalidateGrid();
}

void TZEBSortGrid::SizeChanged(int OldColCount, int OldRowCount)
{
    TStringGrid::SizeChanged(OldColCount, OldRowCount);
    if (OldColCount != ColCount())
        engine_.Invalidate();
    engine_.RowCountChanged(OldRowCount, RowCount());
    if (columnGuard_ > 0 || !columns_)
        return;
    ++columnGuard_;
    while (columns_->Count() > ColCount())
        columns_->Delete(ColCount());
    while (columns_->Count() < ColCount())
        columns_->Add();
    --columnGuard_;
}

void TZEBSortGrid::ColWidthsChanged()
{
    TStringGrid::ColWidthsChanged();
    for (int c = 0; c < std::min(ColCount(), columns_->Count()); ++c)
        (*columns_)[c]->SetWidth(ColWidths(c));
}

void TZEBSortGrid::CellChanging(int ACol, int ARow)
{
    if (!fillingSorted_)
        engine_.CellChanging(ACol, ARow, Cells(ACol, ARow));
}

void TZEBSortGrid::RowsMoving()
{
    if (!movingRows_)
        engine_.Invalidate();
}

void TZEBSortGrid::BeginUpdate()
{
    LockWindowUpdate(parentWidget());
}

void TZEBSortGrid::EndUpdate()
{
    LockWindowUpdate(nullptr);
}

void TZEBSortGrid::MarkSortTitle()
{
    for (int c = 0; c < columns_->Count(); ++c)
        (*columns_)[c]->Title().Font().SetColor(clBlack);
    if (sortedCol_ >= 0 && sortedCol_ < columns_->Count())
        (*columns_)[sortedCol_]->Title().Font().SetColor(clMaroon);
}

void TZEBSortGrid::Clear()
{
    BeginUpdate();
    for (int r = 1; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c)
            SetCells(c, r, std::string());
    SetRowCount(FixedRows() + 1);
    EndUpdate();
}

void TZEBSortGrid::GotoCell(int ACol, int ARow)
{
    ACol = std::max(ACol, 0);
    ARow = std::max(ARow, 1);
    const int width = (*columns_)[ACol]->Width();
    if (width >= 0 && SelectCell(ACol, ARow))
        FocusCell(ACol, ARow, true);
    else if (width == -1 && (Options() & goRowSelect))
        SetRow(ARow);
}

void TZEBSortGrid::DeleteRow(int ARow)
{
    TStringGrid::DeleteRow(ARow);
}

// ---------------------------------------------------------------------------------------------
// Item lists

void TZEBSortGrid::CheckItems(const char* operation, const std::string& Items) const
{
    auto refuse = [&](const std::string& text) { throw Exception(Name() + "." + operation + " : " + text); };
    const char* const example = ". (vb \"1\", \"item 2\", ...., \"item n\")";
    if (Items.empty())
        refuse("no items specified");
    if (Occurrences(",", Items) == 0)
        refuse(std::string("error reading items") + example);
    if (RightStr(TrimStr(Items), 1) != "\"")
        refuse(std::string("unterminated item") + example);
}

void TZEBSortGrid::CheckRowNumber(int ARow) const
{
    if (ARow > RowCount() - 1)
        throw Exception(Name() + ".UpdateRow : invalid row number");
}

// The last row becomes the one to fill: the single data row when all its cells are blank, else a new one.
void TZEBSortGrid::AddInsertRow()
{
    bool reuse = RowCount() - FixedRows() == 1;
    for (int c = 0; reuse && c < ColCount(); ++c)
        reuse = TrimStr(Cells(c, RowCount() - 1)).empty();
    if (!reuse)
        SetRowCount(RowCount() + 1);
}

void TZEBSortGrid::InsertRow(const std::string& Items)
{
    CheckItems("InsertRow", Items);
    AddInsertRow();
    UpdateRow(RowCount() - 1, Items);
}

void TZEBSortGrid::InsertRowValues(const std::vector<std::string>& Values)
{
    AddInsertRow();
    UpdateRowValues(RowCount() - 1, Values);
}

void TZEBSortGrid::UpdateRow(int ARow, const std::string& Items)
{
    CheckRowNumber(ARow);
    CheckItems("UpdateRow", Items);
    std::string rest = RemoveBlanks(Items);
    std::string item;
    GetNextItem(rest, item);
    for (int c = 0; c < ColCount(); ++c) {
        SetCells(c, ARow, item);
        GetNextItem(rest, item);
    }
    RowUpdated(ARow);
}

void TZEBSortGrid::UpdateRowValues(int ARow, const std::vector<std::string>& Values)
{
    CheckRowNumber(ARow);
    for (int c = 0; c < ColCount(); ++c)
        SetCells(c, ARow, std::size_t(c) < Values.size() ? Values[std::size_t(c)] : std::string());
    RowUpdated(ARow);
}

// The updated row becomes current and, in a grid sorted by its arrow column, moves to its place.
void TZEBSortGrid::RowUpdated(int ARow)
{
    SetRow(ARow);
    if (arrowCol_ >= 0 && sortRowsOnUpdate_) {
        const int col = Col();
        Sort(arrowCol_, (*columns_)[arrowCol_]->SortDirection() != 0);
        SetCol(col);
    }
}

// ---------------------------------------------------------------------------------------------
// Sorting

void TZEBSortGrid::Sort(int ACol, bool Descending)
{
    (*columns_)[ACol]->SetSortDirection(Descending ? 1 : 0);
    SortColumn(ACol);
    arrowCol_ = ACol;
}

void TZEBSortGrid::FillRows(int Count, const TRowSource& Source, int SortCol)
{
    const int first = FixedRows();
    const int cols = ColCount();
    SetRowCount(first + std::max(Count, 1));
    // The source's texts, read once in source order into one buffer: row by row, each cell as its
    // length and its bytes, the row starting at starts[row].  Placing the rows then reads one
    // stretch of this buffer per row instead of the source.
    std::string texts;
    std::vector<std::size_t> starts(static_cast<std::size_t>(Count));
    texts.reserve(std::size_t(Count) * std::size_t(cols) * 16);
    for (int row = 0; row < Count; ++row) {
        starts[std::size_t(row)] = texts.size();
        for (int c = 0; c < cols; ++c) {
            const std::string_view cell = Source(row, c);
            const std::size_t length = cell.size();
            texts.append(reinterpret_cast<const char*>(&length), sizeof length);
            texts += cell;
        }
    }
    // Calls cell(col, text) for every cell of source row row.
    const auto forCells = [&](int row, auto&& cell) {
        const char* at = texts.data() + starts[std::size_t(row)];
        for (int c = 0; c < cols; ++c) {
            std::size_t length = 0;
            std::memcpy(&length, at, sizeof length);
            at += sizeof length;
            cell(c, std::string_view(at, length));
            at += length;
        }
    };
    // Where each source row goes: sorted here, unless a handler may change the column to sort or
    // the sort fails (Sort below then fails the same way, with the rows as they came).
    std::vector<int> rows;
    if (Count >= 2 && !OnBeginSort && SortCol >= 0 && SortCol < cols) {
        (*columns_)[SortCol]->SetSortDirection(0);
        std::vector<std::string> keys(static_cast<std::size_t>(Count));
        for (int i = 0; i < Count; ++i)
            forCells(i, [&](int c, std::string_view text) {
                if (c == SortCol)
                    keys[std::size_t(i)] = text;
            });
        const auto key = [&](int row) -> const std::string& { return keys[std::size_t(row - first)]; };
        try {
            // Quiet: the Sort below tells of numbers that do not convert.
            rows = engine_.Sort(SortCol, SortRules(SortCol), first, Count, key, false);
        } catch (const std::exception&) {
            rows.clear();
        }
    }
    int currentRow = first;
    {
        // Written in sorted order, the rows leave the engine's keys as they are.
        fillingSorted_ = !rows.empty();
        struct Quiet {
            bool& flag;
            ~Quiet() { flag = false; }
        } quiet{fillingSorted_};
        const auto sourceOf = [&](int k) { return rows.empty() ? k : rows[std::size_t(k)] - first; };
        constexpr int ahead = 8; // rows whose texts are fetched while earlier rows are written
        for (int k = 0; k < Count; ++k) {
            if (k + ahead < Count)
                __builtin_prefetch(texts.data() + starts[std::size_t(sourceOf(k + ahead))]);
            const int source = sourceOf(k);
            if (source == 0)
                currentRow = first + k;
            forCells(source, [&](int c, std::string_view text) { SetCells(c, first + k, text); });
        }
    }
    if (Count == 0)
        for (int c = 0; c < cols; ++c)
            SetCells(c, first, std::string_view());
    SetRow(currentRow);
    Sort(SortCol, false);
}

// The rows move as the engine sorted them, which it need not hear of.
template <class Move>
void TZEBSortGrid::MoveRows(Move&& move)
{
    movingRows_ = true;
    move();
    movingRows_ = false;
}

TSortRules TZEBSortGrid::SortRules(int ACol) const
{
    const TColumn* column = (*columns_)[ACol];
    return {column->Format(), column->CaseSensitive(), column->SortDirection() != 0, numericFormat_, dateFormat_};
}

void TZEBSortGrid::SortColumn(int ACol)
{
    TWaitCursor cursor;
    if (OnBeginSort)
        OnBeginSort(this, ACol);
    // A single data row has nothing to sort: neither the row nor the column moves.
    if (RowCount() > FixedRows() + 1) {
        int target = Row();
        const int oldRow = target;
        try {
            const TSortRules rules = SortRules(ACol);
            const int first = FixedRows();
            const auto text = [this, ACol](int row) -> const std::string& { return Cells(ACol, row); };
            TSortEngine::TMove move;
            if (engine_.Resort(ACol, rules, first, RowCount(), text, move)) {
                target = TSortEngine::RowAfterMove(target, move);
                if (move.From >= 0)
                    MoveRows([&] { MoveRow(move.From, move.To); });
            } else {
                const std::vector<int> rows = engine_.Sort(ACol, rules, first, RowCount() - first, text);
                const auto at = std::find(rows.begin(), rows.end(), target);
                if (at != rows.end())
                    target = first + int(at - rows.begin());
                MoveRows([&] { ReorderRows(first, rows); });
            }
        } catch (...) {
            GotoCell(ACol, oldRow);
            throw;
        }
        GotoCell(ACol, target);
    } else {
        engine_.Invalidate();
    }
    if (OnEndSort)
        OnEndSort(this, ACol);
    sortedCol_ = ACol;
    EndUpdate();
}

void TZEBSortGrid::TitleSort(int ACol)
{
    if (ACol >= 0 && ACol < 256 && UnsortableColumns.test(std::size_t(ACol)))
        return;
    TColumn* column = (*columns_)[ACol];
    if (ACol == sortedCol_)
        column->SetSortDirection(column->SortDirection() != 0 ? 0 : 1);
    else
        column->SetSortDirection(0);
    arrowCol_ = ACol;
    sortedCol_ = ACol;
    SortColumn(ACol);
}

// ---------------------------------------------------------------------------------------------
// Searching

bool TZEBSortGrid::Search()
{
    return SearchFrom(1);
}

bool TZEBSortGrid::MatchCell(int ACol, int ARow, const std::string& Text) const
{
    const std::string& cell = Cells(ACol, ARow);
    std::string compared = searchOptions_.SearchPartial ? LeftStr(cell, int(Text.size())) : cell;
    if (!searchOptions_.CaseSensitive)
        compared = UpperStr(compared);
    if (!searchOptions_.SearchPartial)
        return Text == compared;
    return LowerStr(Text).compare(LowerStr(compared)) <= 0;
}

bool TZEBSortGrid::SearchFrom(int StartRow)
{
    const TSearchOptions& o = searchOptions_;
    const std::string text = o.CaseSensitive ? o.SearchText : UpperStr(o.SearchText);
    if (o.SearchCol >= 0) {
        const int col = o.SearchCol;
        if ((*columns_)[col]->SortDirection() != 0) {
            for (int r = RowCount() - 1; r >= StartRow; --r)
                if (MatchCell(col, r, text)) {
                    GotoCell(col, r);
                    return true;
                }
        } else {
            for (int r = StartRow; r < RowCount(); ++r)
                if (MatchCell(col, r, text)) {
                    GotoCell(col, r);
                    return true;
                }
        }
        return false;
    }
    for (int r = StartRow; r < RowCount(); ++r)
        for (int c = 0; c < ColCount(); ++c) {
            const std::string cell = o.CaseSensitive ? Cells(c, r) : UpperStr(Cells(c, r));
            const bool fits = cell == text || (o.SearchPartial && text.compare(LeftStr(cell, int(text.size()))) <= 0);
            if (fits && InStr(text, cell) > 0) {
                GotoCell(c, r);
                return true;
            }
        }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Mouse and keyboard

void TZEBSortGrid::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    sizingAtPress_ = Sizing(X, Y);
    const TGridOptions options = Options();
    SetOptions(options & ~goEditing);
    try {
        TStringGrid::MouseDown(Button, Shift, X, Y);
    } catch (...) {
        ShowMessage("fout");
        return;
    }
    SetOptions(options);
}

void TZEBSortGrid::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    if (sortable_) {
        int col = -1;
        int row = -1;
        MouseToCell(X, Y, col, row);
        if (!sizingAtPress_ && row == 0 && FixedRows() >= 1 && col >= 0) {
            if (OnTitleClick)
                OnTitleClick(this, col);
            TitleSort(col);
        }
    }
    sizingAtPress_ = false;
    TStringGrid::MouseUp(Button, Shift, X, Y);
}

void TZEBSortGrid::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (Shift == Qt::ControlModifier) {
        if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
            Key = 0;
            if (OnTitleClick)
                OnTitleClick(this, Col());
            TitleSort(Col());
        } else if (Key == Qt::Key_PageUp) {
            Key = 0;
            SetRow(1);
        } else if (Key == Qt::Key_PageDown) {
            Key = 0;
            SetRow(RowCount() - 1);
        }
    }
    if (Key == Qt::Key_Right && Col() + 1 < ColCount() && ColWidths(Col() + 1) == -1) {
        Key = 0;
        for (int c = Col() + 2; c < ColCount(); ++c)
            if (ColWidths(c) != -1) {
                SetCol(c);
                break;
            }
    }
    if (Key == Qt::Key_Left && Col() - 1 >= FixedCols() && ColWidths(Col() - 1) == -1) {
        Key = 0;
        for (int c = Col() - 2; c >= FixedCols(); --c)
            if (ColWidths(c) != -1) {
                SetCol(c);
                break;
            }
    }
    if (Key == Qt::Key_Home) {
        TStringGrid::KeyDown(Key, Shift);
        int c = std::min(1, ColCount() - 1);
        while (c < ColCount() - 1 && ColWidths(c) == -1)
            ++c;
        SetCol(c);
        Key = 0;
    }
    if (Key == Qt::Key_End) {
        TStringGrid::KeyDown(Key, Shift);
        int c = ColCount() - 1;
        while (c >= 0 && ColWidths(c) == -1)
            --c;
        if (c >= 0)
            SetCol(c);
        Key = 0;
    }
    if (Key == Qt::Key_F2)
        Key = 0;
    if (Key != 0)
        TStringGrid::KeyDown(Key, Shift);
}

void TZEBSortGrid::KeyUp(int& Key, Qt::KeyboardModifiers Shift)
{
    TStringGrid::KeyUp(Key, Shift);
    if (!keyBoardBuffer_ || sortedCol_ < 0)
        return;
    const std::string& typed = KeyText();
    if (typed.size() != 1 || static_cast<unsigned char>(typed[0]) < 32 || static_cast<unsigned char>(typed[0]) > 127)
        return;
    std::string remembered = keyBuffer_;
    const double now = TickCount();
    if (now - lastKeyTime_ > 1000)
        remembered.clear();
    keyBuffer_ = remembered + typed;
    lastKeyTime_ = now;
    Key = 0;
    searchOptions_.SearchPartial = true;
    searchOptions_.SearchCol = sortedCol_;
    searchOptions_.SearchText = keyBuffer_;
    if (!Search()) {
        MessageBeep(mbIconError);
        keyBuffer_ = remembered;
    }
}

bool TZEBSortGrid::ScrollBarAction(Qt::Orientation orientation, int action)
{
    if (!smartScroll_)
        return false;
    if (!hasFocus()) {
        setFocus();
        FocusCell(Col(), Row(), true);
    }
    int key = 0;
    if (orientation == Qt::Vertical) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: key = Qt::Key_Up; break;
        case QAbstractSlider::SliderSingleStepAdd: key = Qt::Key_Down; break;
        case QAbstractSlider::SliderPageStepSub: key = Qt::Key_PageUp; break;
        case QAbstractSlider::SliderPageStepAdd: key = Qt::Key_PageDown; break;
        default: break;
        }
    } else {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepSub: key = Qt::Key_Left; break;
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderPageStepAdd: key = Qt::Key_Right; break;
        default: break;
        }
    }
    if (key != 0)
        KeyDown(key, Qt::NoModifier);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Drawing

TCellLook TZEBSortGrid::CellLook(int ACol, int ARow, TGridDrawState AState, const TFont& canvasFont, TColor canvasBrush)
{
    TCellLook look;
    look.Text = Cells(ACol, ARow);
    look.Font.AssignSilently(canvasFont);
    look.Brush = canvasBrush;
    const bool hasItem = ACol < columns_->Count();
    if (hasItem) {
        TColumn* column = (*columns_)[ACol];
        look.Alignment = column->Alignment();
        look.Font.AssignSilently(column->Font());
        if ((AState & gdFocused) || ((AState & gdSelected) && (Options() & goRowSelect))) {
            look.Font.SetColor(highlightTextColor_);
            look.Brush = highlightColor_;
        } else {
            look.Brush = column->Color();
        }
        if (ARow == 0 && FixedRows() >= 1) {
            TColumnTitle& title = column->Title();
            if (!title.Caption().empty())
                look.Text = title.Caption();
            look.Alignment = title.Alignment();
            look.Font.AssignSilently(title.Font());
        }
    }
    if (ACol < FixedCols() || ARow < FixedRows())
        look.Brush = FixedColor();
    if (arrowCol_ >= 0 && showSortArrow_ && ACol == arrowCol_ && ACol < columns_->Count())
        look.Arrow = (*columns_)[ACol]->SortDirection() != 0 ? 2 : 1;
    if (AState & gdSelected) {
        look.Mode = TCellLook::mdSelected;
        if (AState & gdFocused) {
            look.Brush = highlightColor_;
            look.Font.SetColor(highlightTextColor_);
        } else {
            look.Brush = clBtnShadow;
            look.Font.SetColor(clWindow);
        }
        return look;
    }
    if (!DefaultDrawing()) {
        look.Mode = TCellLook::mdInherited;
        return look;
    }
    if (toggleStyle_ != tsNone && ARow >= FixedRows() && ACol >= FixedCols()) {
        bool toggle = false;
        switch (toggleStyle_) {
        case tsToggleRowOdd: toggle = ARow % 2 == 1; break;
        case tsToggleRowEven: toggle = ARow % 2 == 0; break;
        case tsToggleColOdd: toggle = ACol % 2 == 1; break;
        case tsToggleColEven: toggle = ACol % 2 == 0; break;
        default: break;
        }
        if (toggle)
            look.Brush = toggleColor_;
    }
    return look;
}

void TZEBSortGrid::DrawCell(int ACol, int ARow, const TRect& Rect, TGridDrawState AState)
{
    TCanvas& canvas = *Canvas();
    const TCellLook look = CellLook(ACol, ARow, AState, canvas.Font, canvas.BrushColor);
    canvas.Font.AssignSilently(look.Font);
    canvas.BrushColor = look.Brush;
    if (look.Mode == TCellLook::mdInherited) {
        TStringGrid::DrawCell(ACol, ARow, Rect, AState);
    } else {
        WriteCellText(canvas, Rect, 2, look.Alignment, look.Text, 2);
        if (look.Mode == TCellLook::mdDefault && OnDrawCell)
            OnDrawCell(this, ACol, ARow, Rect, AState);
    }
    // The arrow shows in the top right corner of the title cell.
    if (look.Arrow != 0 && ARow == 0) {
        const QPixmap& arrow = look.Arrow == 2 ? arrowDesc_ : arrowAsc_;
        canvas.Draw(Rect.Right - arrow.width() - 4, 2, arrow);
    }
}
