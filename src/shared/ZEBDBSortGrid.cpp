#include "ZEBDBSortGrid.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "StrFuncs.h"
#include "SysCalls.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr TColor SearchBoxActiveColor = 0xDFFFFF;
constexpr TColor MarkedRowColor = 0xC08000;
const std::string Marker = ">";

bool IsDutch(TDisplayDateFormat format)
{
    return format == dfNL || format == dfNLShort || format == dfNLLong;
}

struct TDate {
    int Year = 0, Month = 0, Day = 0;
    auto operator<=>(const TDate&) const = default;
};

int IntOr(const std::string& text, int fallback)
{
    return IsInteger(text) ? std::stoi(text) : fallback;
}

// The date typed into the search box: yyyy, then mm and dd when typed.
bool TypedDate(const std::string& text, TDate& date)
{
    if (text.size() < 4)
        return false;
    date.Year = IntOr(text.substr(0, 4), 0);
    date.Month = text.size() >= 6 ? IntOr(text.substr(4, 2), 1) : 1;
    date.Day = text.size() >= 8 ? IntOr(text.substr(6, 2), 1) : 1;
    return IsValidDate(date.Year, date.Month, date.Day);
}

// The date a cell shows, read from its fixed positions; the time is ignored.
bool CellDate(const std::string& cell, TDisplayDateFormat format, TDate& date)
{
    const std::string first = MidStr(cell, 1, 2), second = MidStr(cell, 4, 2);
    date.Year = IntOr(MidStr(cell, 7, 4), -1);
    const std::string& day = IsDutch(format) ? first : second;
    const std::string& month = IsDutch(format) ? second : first;
    if (date.Year < 0 || !IsInteger(day) || !IsInteger(month))
        return false;
    date.Day = std::stoi(day);
    date.Month = std::stoi(month);
    return IsValidDate(date.Year, date.Month, date.Day);
}

} // namespace

// ---- Cell texts ----

std::string FormatGridDate(TDateTime value, TDisplayDateFormat format)
{
    const bool dutch = IsDutch(format);
    std::string pattern = dutch ? "dd-mm-yyyy" : "mm/dd/yyyy";
    if (format != dfNLShort && format != dfUKShort) {
        const char sep = FormatSettings().TimeSeparator;
        pattern += std::string(" hh") + sep + "nn";
        if (format == dfNLLong || format == dfUKLong)
            pattern += std::string(1, sep) + "ss";
        if (!dutch)
            pattern += " am/pm";
    }
    return FormatDateTime(pattern, value);
}

std::string FormatGridNumber(double value, TDisplayNumericFormat format)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    // The shortest decimal form of the value, rounded half away from zero to two decimals.
    char buffer[400];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed).ptr;
    const std::string digits(static_cast<const char*>(buffer), end);
    const std::size_t point = std::min(digits.find('.'), digits.size());
    std::string fraction = point < digits.size() ? digits.substr(point + 1) : "";
    const bool roundUp = fraction.size() > 2 && fraction[2] >= '5';
    fraction.resize(2, '0');
    std::string all = digits.substr(0, point) + fraction; // hundredths
    if (roundUp) {
        std::size_t i = all.size();
        while (i > 0 && all[i - 1] == '9')
            all[--i] = '0';
        if (i == 0)
            all.insert(all.begin(), '1');
        else
            ++all[i - 1];
    }
    std::string text = all.substr(0, all.size() - 2);
    fraction = all.substr(all.size() - 2);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += (format == nfNL ? ',' : '.') + fraction;
    const bool zero = text == "0";
    return value < 0 && !zero ? "-" + text : text;
}

std::string FormatGridText(const std::string& text)
{
    std::string s = TrimStr(text);
    for (const char* lineBreak : {"\r\n", "\n", "\r", "\t"})
        s = StrReplace(s, lineBreak, " ", true);
    return s;
}

std::string FieldCellText(const TField& field, TColumnFormat format, TDisplayDateFormat dateFormat,
                          TDisplayNumericFormat numericFormat)
{
    if (format == cfDate)
        return field.IsNull() ? std::string() : FormatGridDate(field.AsDateTime(), dateFormat);
    if (format == cfNumber)
        return field.IsNull() ? std::string() : FormatGridNumber(field.AsFloat(), numericFormat);
    if (field.DataType() == ftMemo)
        return "[MEMO]";
    return field.IsNull() ? std::string() : FormatGridText(field.AsString());
}

TColumnFormat FieldColumnFormat(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint:
        return cfNumber;
    case ftDate: case ftTime: case ftDateTime:
        return cfDate;
    default:
        return cfString;
    }
}

// ---- The panel ----

TZEBDBSortGrid::TZEBDBSortGrid(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken); // lowered bevel
    resize(385, 169);
    setFocusPolicy(Qt::NoFocus);

    grid_ = new TZEBSortGrid(this);
    grid_->SetFixedCols(1);
    grid_->SetFixedRows(1);
    grid_->SetKeyBoardBuffer(false); // the panel searches on typed characters itself
    grid_->SetColCount(2);
    grid_->SetRowCount(2);
    grid_->SetOptions(grid_->Options() & ~TGridOptions(goRangeSelect));
    grid_->Columns()[0]->SetWidth(8);
    grid_->Columns()[1]->SetWidth(64);
    grid_->OnClick = [this](TStringGrid*) { GridClick(); };
    grid_->OnKeyDown = [this](TStringGrid*, int& key, Qt::KeyboardModifiers shift) { GridKeyDown(key, shift); };
    grid_->OnKeyPress = [this](TStringGrid*, char& key) { GridKeyPress(key); };
    grid_->OnDrawCell = [this](TStringGrid*, int c, int r, const TRect& rect, TGridDrawState) {
        GridDrawCell(c, r, rect);
    };
    grid_->OnTitleClick = [this](TZEBSortGrid*, int c) { GridTitleClick(c); };
    grid_->OnMouseDown = [this](TStringGrid*, Qt::MouseButton b, Qt::KeyboardModifiers s, int x, int y) {
        GridMouseDown(b, s, x, y);
    };
    grid_->installEventFilter(this);
    grid_->viewport()->installEventFilter(this);

    searchBox_ = new QLineEdit(this);
    searchBox_->setEnabled(false); // it only shows what is typed into the grid

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    layout->setSpacing(0);
    layout->addWidget(grid_);
    layout->addWidget(searchBox_);

    SetCtl3D(false);
    SetUnsortableColumns({}); // the marker column never sorts
    anchorRow_ = grid_->FixedRows();
    UpdateSearchBoxColor();
}

TZEBDBSortGrid::~TZEBDBSortGrid() = default;

std::string TZEBDBSortGrid::Name() const
{
    return QStringToAnsi(objectName());
}

void TZEBDBSortGrid::SetName(const std::string& name)
{
    setObjectName(AnsiToQString(name));
}

void TZEBDBSortGrid::SetAllowSelection(bool value)
{
    allowSelection_ = value;
    if (value)
        hideFirstColumn_ = false;
}

void TZEBDBSortGrid::SetHideFirstColumn(bool value)
{
    hideFirstColumn_ = value;
    if (value)
        allowSelection_ = false;
    grid_->InvalidateGrid();
}

void TZEBDBSortGrid::SetCtl3D(bool value)
{
    ctl3D_ = value;
    grid_->setFrameShadow(value ? QFrame::Sunken : QFrame::Plain);
    searchBox_->setFrame(value);
}

bool TZEBDBSortGrid::Tab_Stop() const
{
    return grid_->focusPolicy() & Qt::TabFocus;
}

void TZEBDBSortGrid::SetTab_Stop(bool value)
{
    grid_->setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TZEBDBSortGrid::SetRow(int value)
{
    grid_->SetRow(value);
    lastRow_ = value;
    if (OnRowChange)
        OnRowChange(this);
}

void TZEBDBSortGrid::SetColor(TColor value)
{
    grid_->SetColor(value);
    UpdateSearchBoxColor();
}

void TZEBDBSortGrid::SetShowIncrementalSearchBox(bool value)
{
    showIncrementalSearchBox_ = value;
    searchBox_->setVisible(value);
}

void TZEBDBSortGrid::SetUnsortableColumns(std::bitset<256> value)
{
    value.set(0);
    grid_->UnsortableColumns = value;
}

void TZEBDBSortGrid::SetFocus()
{
    grid_->setFocus();
}

bool TZEBDBSortGrid::Focused() const
{
    return grid_->hasFocus();
}

// ---- Loading ----

TColumnFormat TZEBDBSortGrid::ColumnFormat(int ACol) const
{
    return grid_->Columns()[ACol]->Format();
}

void TZEBDBSortGrid::LoadRow(TDataSet& dataSet, int ARow)
{
    const int offset = FieldOffset();
    for (int c = offset; c < dataSet.FieldCount() + offset; ++c)
        grid_->SetCells(c, ARow,
                        FieldCellText(dataSet.Fields(c - offset), ColumnFormat(c), DateFormat(), NumericFormat()));
    if (OnFetchRow)
        OnFetchRow(this, ARow);
}

void TZEBDBSortGrid::LoadData(bool Redefine)
{
    if (!dataSource_ || !dataSource_->DataSet || !dataSource_->DataSet->Active())
        return;
    TDataSet& dataSet = *dataSource_->DataSet;
    if (Redefine) {
        grid_->Clear();
    } else {
        grid_->SetRowCount(2);
        for (int c = 0; c < grid_->ColCount(); ++c)
            for (int r = 0; r < grid_->RowCount(); ++r)
                grid_->SetCells(c, r, "");
    }
    const int offset = FieldOffset();
    if (Redefine) {
        grid_->SetColCount(dataSet.FieldCount() + offset);
        const int fontSize = grid_->Font().Size();
        for (int c = offset; c < grid_->ColCount(); ++c) {
            const TField& field = dataSet.Fields(c - offset);
            TColumn& column = *grid_->Columns()[c];
            grid_->SetCells(c, 0, field.FieldName());
            column.Title().SetCaption(UpperStr(LeftStr(field.FieldName(), 1)) +
                                      LowerStr(MidStr(field.FieldName(), 2, int(field.FieldName().size()))));
            if (c > 0)
                column.SetWidth(std::max(field.DisplayWidth(), int(field.FieldName().size()) + 3) * fontSize);
            column.SetFormat(FieldColumnFormat(field.DataType()));
            if (column.Format() == cfNumber)
                column.SetAlignment(taRightJustify);
        }
        if (AfterDefineColumns)
            AfterDefineColumns(this);
    }
    if (dataSet.RecordCount() > 0) {
        grid_->SetRowCount(dataSet.RecordCount() + 1);
        dataSet.First();
        for (int r = 1; r < grid_->RowCount(); ++r) {
            LoadRow(dataSet, r);
            dataSet.Next();
        }
    }
    ResetSearchBox();
}

void TZEBDBSortGrid::LoadCurrentRecord()
{
    TDataSet& dataSet = *dataSource_->DataSet;
    if (dataSet.RecordCount() == 0 || dataSet.Eof())
        return;
    LoadRow(dataSet, grid_->Row());
    ResetSearchBox();
}

void TZEBDBSortGrid::Refresh(bool AllRows)
{
    const int arrowCol = grid_->ArrowCol();
    bool descending = false;
    int col = 0;
    if (arrowCol >= 0) {
        descending = grid_->Columns()[arrowCol]->SortDirection() != 0;
        col = grid_->Col();
    }
    const bool locate = locateOnCol_ >= 0 && locateOnCol_ < grid_->ColCount();
    const std::string value = locate ? grid_->Cells(locateOnCol_, grid_->Row()) : std::string();
    if (AllRows)
        LoadData(false);
    else
        LoadCurrentRecord();
    if (locate)
        LocateValue(value);
    if (arrowCol >= 0) {
        grid_->Sort(arrowCol, descending);
        grid_->SetCol(col);
    }
}

bool TZEBDBSortGrid::LocateInColumn(int ACol, const std::string& Value)
{
    int row = 1;
    while (row < grid_->RowCount() - 1 && grid_->Cells(ACol, row) != Value)
        ++row;
    SetRow(row);
    return grid_->Cells(ACol, row) == Value;
}

void TZEBDBSortGrid::SetCursorHome()
{
    Guarded("TZEBDBSortGrid.SetCursorHome: ", [&] {
        SetRow(grid_->FixedRows());
        int col = 1;
        while (col < grid_->ColCount() - 1 && grid_->Columns()[col]->Width() == -1)
            ++col;
        grid_->SetCol(std::min(col, grid_->ColCount() - 1));
    });
}

// ---- Search box ----

void TZEBDBSortGrid::SetSearchText(const std::string& text)
{
    searchText_ = text;
    searchBox_->setText(AnsiToQString(text));
}

void TZEBDBSortGrid::UpdateSearchBoxColor()
{
    QPalette palette = searchBox_->palette();
    const QColor color = ColorToQColor(searchText_.empty() ? grid_->Color() : SearchBoxActiveColor);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, color);
    searchBox_->setPalette(palette);
}

void TZEBDBSortGrid::ResetSearchBox()
{
    SetSearchText("");
    UpdateSearchBoxColor();
}

void TZEBDBSortGrid::Search(int ACol, const std::string& Text)
{
    grid_->SetRow(1);
    switch (ColumnFormat(ACol)) {
    case cfString:
        grid_->SearchOptions().SearchPartial = true;
        grid_->SearchOptions().SearchCol = ACol;
        grid_->SearchOptions().SearchText = Text;
        grid_->Search();
        break;
    case cfDate:
        SearchDate(ACol, Text);
        break;
    case cfNumber:
        SearchNumber(ACol, Text);
        break;
    }
}

// The first row at or after the target whose cell is not empty; the last row is taken without a look.
template <class TValue, class ReadCell>
static int FirstRowAtOrAfter(const TZEBSortGrid& grid, int ACol, const TValue& target, ReadCell readCell)
{
    int row = 1;
    for (; row < grid.RowCount() - 1; ++row) {
        const std::string& cell = grid.Cells(ACol, row);
        if (cell.empty())
            continue;
        TValue value{};
        if (!readCell(cell, value))
            return 1;
        if (value >= target)
            break;
    }
    return row;
}

void TZEBDBSortGrid::SearchDate(int ACol, const std::string& Text)
{
    TDate target;
    if (!TypedDate(Text, target))
        return;
    const TDisplayDateFormat format = DateFormat();
    grid_->SetRow(FirstRowAtOrAfter(*grid_, ACol, target,
                                    [format](const std::string& cell, TDate& date) { return CellDate(cell, format, date); }));
}

void TZEBDBSortGrid::SearchNumber(int ACol, const std::string& Text)
{
    const TDisplayNumericFormat format = NumericFormat();
    double target = 0;
    if (!ZEBSortGrid::ReadNumber(Text, format, target))
        return;
    grid_->SetRow(FirstRowAtOrAfter(*grid_, ACol, target, [format](const std::string& cell, double& value) {
        return ZEBSortGrid::ReadNumber(cell, format, value);
    }));
}

// ---- Handlers of the grid ----

void TZEBDBSortGrid::ReportRowChange()
{
    if (grid_->Row() != lastRow_) {
        lastRow_ = grid_->Row();
        if (OnRowChange)
            OnRowChange(this);
    }
}

void TZEBDBSortGrid::GridClick()
{
    if (grid_->Col() != grid_->ArrowCol())
        SetSearchText("");
    ReportRowChange();
}

void TZEBDBSortGrid::GridKeyPress(char& Key)
{
    if (allowSelection_ && (Key == '+' || Key == '-')) {
        Key = 0;
        return;
    }
    const int col = grid_->Col();
    if ((col < int(grid_->UnsortableColumns.size()) && grid_->UnsortableColumns.test(std::size_t(col))) ||
        !allowIncrementalSearch_)
        return;
    const unsigned char code = static_cast<unsigned char>(Key);
    bool accepted = false;
    switch (ColumnFormat(col)) {
    case cfDate: accepted = code >= '0' && code <= '9'; break;
    case cfNumber: accepted = (code >= '0' && code <= '9') || code == ',' || code == '.'; break;
    case cfString: accepted = code >= 32 && code <= 127; break;
    }
    if (accepted) {
        if (col != grid_->ArrowCol())
            grid_->Sort(col, false);
        SetSearchText(searchText_ + UpperStr(std::string(1, Key)));
        Search(col, searchText_);
        Key = 0;
    } else if (Key == 8) {
        SetSearchText(searchText_.substr(0, searchText_.empty() ? 0 : searchText_.size() - 1));
        Search(col, searchText_);
        Key = 0;
    } else if (Key == 27) {
        SetSearchText("");
    }
    UpdateSearchBoxColor();
}

void TZEBDBSortGrid::GridKeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    const Qt::KeyboardModifiers mods = Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (Key == Qt::Key_F12 && mods == (Qt::ControlModifier | Qt::ShiftModifier))
        ShowMessage("ColumnWidth = " + std::to_string(grid_->Columns()[grid_->Col()]->Width()));
    switch (Key) {
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_End: case Qt::Key_Home: case Qt::Key_Left:
    case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Insert: case Qt::Key_Delete:
        ResetSearchBox();
        break;
    default:
        break;
    }
    if (allowSelection_ && keypadKey_ && (Key == Qt::Key_Plus || Key == Qt::Key_Minus)) {
        const bool add = Key == Qt::Key_Plus;
        if (Shift & Qt::ShiftModifier) {
            add ? SelectAll() : SelectNone();
        } else {
            add ? SelectRow(grid_->Row()) : UnselectRow(grid_->Row());
            if (grid_->Row() < grid_->RowCount() - 1)
                SetRow(grid_->Row() + 1);
        }
        Key = 0;
    }
    if (OnKeyDown)
        OnKeyDown(grid_, Key, Shift);
    ReportRowChange();
}

void TZEBDBSortGrid::GridTitleClick(int ACol)
{
    ResetSearchBox();
    if (OnTitleClick)
        OnTitleClick(grid_, ACol);
}

void TZEBDBSortGrid::GridMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y)
{
    try {
        if (allowSelection_) {
            int col = -1, row = -1;
            grid_->MouseToCell(X, Y, col, row);
            if (row >= grid_->FixedRows()) {
                if (Shift & Qt::ShiftModifier) {
                    if (grid_->Cells(0, anchorRow_) == Marker)
                        SelectUntil(row);
                    else
                        UnselectUntil(row);
                } else if (col == 0 || (Shift & Qt::ControlModifier)) {
                    if (grid_->Cells(0, row) == Marker)
                        UnselectRow(row);
                    else
                        SelectRow(row);
                }
                anchorRow_ = row;
            }
        }
        if (OnMouseDown)
            OnMouseDown(grid_, Button, Shift, X, Y);
    } catch (const std::exception& e) {
        QMessageBox box(QMessageBox::Critical, "Exception", AnsiToQString(e.what()), QMessageBox::Ok, this);
        box.exec();
    }
}

bool TZEBDBSortGrid::eventFilter(QObject* watched, QEvent* event)
{
    // A key is handled by the grid as a whole (key down, navigation, typed character); the row it
    // leaves current is reported afterwards.  The grid's key handling does not tell keypad keys
    // apart, so that is noted here first.
    if (watched == grid_ && event->type() == QEvent::KeyPress && !forwardingKey_) {
        keypadKey_ = static_cast<QKeyEvent*>(event)->modifiers() & Qt::KeypadModifier;
        forwardingKey_ = true;
        QCoreApplication::sendEvent(grid_, event);
        forwardingKey_ = false;
        keypadKey_ = false;
        ReportRowChange();
        return true;
    }
    if (watched == grid_->viewport() && event->type() == QEvent::MouseButtonDblClick && OnDoubleClick)
        OnDoubleClick(grid_);
    return QFrame::eventFilter(watched, event);
}

// ---- Painting ----

void TZEBDBSortGrid::GridDrawCell(int ACol, int ARow, const TRect& Rect)
{
    TCanvas& canvas = *grid_->Canvas();
    if (ACol == 0) {
        canvas.Font.SetBold(!hideFirstColumn_);
        canvas.Font.SetColor(hideFirstColumn_ ? grid_->FixedColor() : clWindowText);
    } else if (ARow >= grid_->FixedRows()) {
        TColor itemColor = clWindowText;
        if (OnDrawRow)
            OnDrawRow(this, ACol, ARow, itemColor);
        canvas.Font.SetColor(itemColor);
        if (grid_->Cells(0, ARow) == Marker) {
            canvas.BrushColor = MarkedRowColor;
            canvas.Font.SetColor(clWhite);
        }
    } else {
        return;
    }
    const TAlignment alignment = ACol < grid_->Columns().Count() ? grid_->Columns()[ACol]->Alignment() : taLeftJustify;
    const int dx = 2;
    ZEBSortGrid::WriteCellText(canvas, Rect, dx, alignment, grid_->Cells(ACol, ARow), 2, dx);
}

// ---- Row marking ----

void TZEBDBSortGrid::SetMarker(int ARow, bool marked)
{
    grid_->SetCells(0, ARow, marked ? Marker : std::string());
    grid_->InvalidateGrid();
}

void TZEBDBSortGrid::SelectRow(int ARow)
{
    Guarded("TZEBDBSortGrid.SelectRow: ", [&] {
        if (allowSelection_)
            SetMarker(ARow, true);
    });
}

void TZEBDBSortGrid::UnselectRow(int ARow)
{
    Guarded("TZEBDBSortGrid.UnselectRow: ", [&] {
        if (allowSelection_)
            SetMarker(ARow, false);
    });
}

void TZEBDBSortGrid::SelectAll()
{
    Guarded("TZEBDBSortGrid.SelectAll: ", [&] {
        if (allowSelection_)
            for (int r = grid_->FixedRows(); r < grid_->RowCount(); ++r)
                SelectRow(r);
    });
}

void TZEBDBSortGrid::SelectNone()
{
    Guarded("TZEBDBSortGrid.SelectNone: ", [&] {
        if (allowSelection_)
            for (int r = grid_->FixedRows(); r < grid_->RowCount(); ++r)
                UnselectRow(r);
    });
}

namespace {

// The rows StartRow to EndRow after the range checks of SelectRows and UnselectRows.
void CheckRowRange(const TStringGrid& grid, int& StartRow, int EndRow)
{
    if (EndRow < StartRow)
        StartRow = grid.FixedRows();
    if (StartRow < grid.FixedRows())
        throw Exception("StartRow must be greather than number of fixed rows");
    if (EndRow > grid.RowCount() - 1)
        throw Exception("EndRow out of grid range");
}

} // namespace

void TZEBDBSortGrid::SelectRows(int StartRow, int EndRow)
{
    Guarded("TZEBDBSortGrid.SelectRows: ", [&] {
        if (!allowSelection_)
            return;
        CheckRowRange(*grid_, StartRow, EndRow);
        for (int r = StartRow; r <= EndRow; ++r)
            SelectRow(r);
    });
}

void TZEBDBSortGrid::UnselectRows(int StartRow, int EndRow)
{
    Guarded("TZEBDBSortGrid.UnselectRows: ", [&] {
        if (!allowSelection_)
            return;
        CheckRowRange(*grid_, StartRow, EndRow);
        for (int r = StartRow; r <= EndRow; ++r)
            UnselectRow(r);
    });
}

void TZEBDBSortGrid::SelectUntil(int ARow)
{
    Guarded("TZEBDBSortGrid.SelectUntil: ", [&] {
        SelectRows(std::min(ARow, anchorRow_), std::max(ARow, anchorRow_));
    });
}

void TZEBDBSortGrid::UnselectUntil(int ARow)
{
    Guarded("TZEBDBSortGrid.UnselectUntil: ", [&] {
        UnselectRows(std::min(ARow, anchorRow_), std::max(ARow, anchorRow_));
    });
}

std::set<std::string> TZEBDBSortGrid::SelectionList() const
{
    std::set<std::string> keys;
    for (int r = grid_->FixedRows(); r < grid_->RowCount(); ++r)
        if (grid_->Cells(0, r) == Marker)
            keys.insert(ZeroPad(r, 8));
    return keys;
}

// ---- Queries ----

bool TZEBDBSortGrid::IsEmpty() const
{
    return Guarded("TZEBDBSortGrid.IsEmpty: ", [&] {
        if (grid_->RowCount() <= grid_->FixedRows() || grid_->Columns().Count() <= grid_->FixedCols())
            return true;
        for (int c = 0; c < grid_->ColCount(); ++c)
            if (!ColumnValue(c).empty())
                return false;
        return true;
    });
}

std::string TZEBDBSortGrid::ColumnValue(int ACol) const
{
    if (ACol < 0 || ACol >= grid_->ColCount())
        throw Exception(Name() + ".ColumnValue : Index out of column range");
    return grid_->Cells(ACol, grid_->Row());
}
