#include "StringGrid.h"

#include "Exceptions.h"
#include "GridTesting.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {



// The point inside cell (col, row) in the coordinates of the widget that shows it.
std::pair<QWidget*, QPoint> CellPoint(TStringGrid& grid, int col, int row)
{
    const TRect r = grid.CellRect(col, row);
    const QPoint client(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    QWidget* target = row < grid.FixedRows() ? grid.horizontalHeader()->viewport() : grid.viewport();
    return {target, target->mapFrom(&grid, client + grid.ClientOrigin())};
}

} // namespace

TEST(StringGrid, RowsMoveAsOneBlockOfCellsAcrossManyRows)
{
    TStringGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(3000);
    std::vector<std::string> expected;
    for (int r = 0; r < grid.RowCount(); ++r) {
        grid.SetCells(0, r, std::to_string(r));
        grid.SetCells(1, r, "x" + std::to_string(r));
        expected.push_back(std::to_string(r));
    }
    std::mt19937 random(3);
    for (int i = 0; i < 2000; ++i) {
        const int from = int(random() % 3000);
        const int to = int(random() % 3000);
        grid.MoveRow(from, to);
        const std::string moved = expected[std::size_t(from)];
        expected.erase(expected.begin() + from);
        expected.insert(expected.begin() + to, moved);
    }
    for (int r = 0; r < grid.RowCount(); ++r) {
        ASSERT_EQ(grid.Cells(0, r), expected[std::size_t(r)]) << r;
        ASSERT_EQ(grid.Cells(1, r), "x" + expected[std::size_t(r)]);
    }
    grid.DeleteRow(5);
    EXPECT_EQ(grid.RowCount(), 2999);
    EXPECT_EQ(grid.Cells(0, 5), expected[6]);
    EXPECT_EQ(grid.Cells(0, 2998), expected[2999]);
}

TEST(StringGrid, SizesFixedPartsAndTheCurrentCell)
{
    TStringGrid grid;
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 5);
    grid.SetCol(4);
    grid.SetRow(4);
    grid.SetCells(4, 4, "gone");
    grid.SetColCount(3);
    grid.SetRowCount(3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 2);
    grid.SetColCount(5);
    grid.SetRowCount(5);
    EXPECT_EQ(grid.Cells(4, 4), "");
    EXPECT_EQ(ErrorOf([&] { grid.SetFixedRows(5); }), "Fixed row count must be less than row count");
    EXPECT_EQ(ErrorOf([&] { grid.SetFixedCols(5); }), "Fixed column count must be less than column count");
    EXPECT_EQ(ErrorOf([&] { grid.SetRow(5); }), "Grid index out of range");
    EXPECT_EQ(ErrorOf([&] { grid.SetCells(0, 7, "x"); }), "Grid index out of range");
    EXPECT_EQ(grid.Cells(9, 9), "");
}

TEST(StringGrid, OwnerDrawingSeesFixedAndFocusedCells)
{
    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(4);
    grid.SetFixedCols(1);
    ShowFocused(grid);
    grid.SetCol(2);
    grid.SetRow(2);
    grid.UpdateView();
    std::map<std::pair<int, int>, std::pair<TRect, TGridDrawState>> drawn;
    auto stateOf = [&](int col, int row) { return drawn[std::make_pair(col, row)].second; };
    auto rectOf = [&](int col, int row) { return drawn[std::make_pair(col, row)].first; };
    grid.OnDrawCell = [&](TStringGrid*, int col, int row, const TRect& rect, TGridDrawState state) {
        drawn[std::make_pair(col, row)] = {rect, state};
    };
    (void)grid.grab();
    ASSERT_TRUE(drawn.count(std::make_pair(0, 0)));
    EXPECT_EQ(stateOf(0, 0), unsigned(gdFixed));
    EXPECT_EQ(stateOf(2, 0), unsigned(gdFixed));
    EXPECT_EQ(stateOf(0, 3), unsigned(gdFixed));
    EXPECT_EQ(stateOf(2, 2), unsigned(gdFocused)); // the focused cell counts as selected only on request
    EXPECT_EQ(stateOf(1, 1), 0u);
    EXPECT_EQ(rectOf(2, 2), grid.CellRect(2, 2));
    EXPECT_EQ(rectOf(1, 0), grid.CellRect(1, 0));
    EXPECT_EQ(rectOf(1, 0).Top, 0);
    grid.SetOptions(grid.Options() | goDrawFocusSelected);
    grid.UpdateView();
    (void)grid.grab();
    EXPECT_EQ(stateOf(2, 2), unsigned(gdFocused | gdSelected));
}

TEST(StringGrid, MouseAndKeysMoveTheCurrentCell)
{
    TStringGrid grid;
    grid.SetOptions(grid.Options() | goRangeSelect);
    ShowFocused(grid);
    auto [surface, point] = CellPoint(grid, 3, 2);
    int col = -1;
    int row = -1;
    const TRect r = grid.CellRect(3, 2);
    grid.MouseToCell(r.Left + 1, r.Top + 1, col, row);
    EXPECT_EQ(col, 3);
    EXPECT_EQ(row, 2);
    const TRect title = grid.CellRect(2, 0);
    grid.MouseToCell(title.Left + 1, title.Top + 1, col, row);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 0);

    std::vector<std::string> events;
    grid.OnMouseUp = [&](TStringGrid*, Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y) {
        int c = -1;
        int rr = -1;
        grid.MouseToCell(X, Y, c, rr);
        events.push_back(std::to_string(c) + "," + std::to_string(rr));
    };
    QTest::mouseClick(surface, Qt::LeftButton, {}, point);
    EXPECT_EQ(grid.Col(), 3);
    EXPECT_EQ(grid.Row(), 2);
    auto [titleSurface, titlePoint] = CellPoint(grid, 2, 0);
    QTest::mouseClick(titleSurface, Qt::LeftButton, {}, titlePoint);
    EXPECT_EQ(events, (std::vector<std::string>{"3,2", "2,0"}));

    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Selection(), (TGridRect{2, 2, 3, 3}));
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Selection(), (TGridRect{2, 2, 2, 2}));
}

// However many fixed rows there are, the scrolling rows start with the first row below them.
TEST(StringGrid, FixedRowsNeverScrollWithTheData)
{
    for (const int fixedRows : {1, 5, 63, 64, 70, 100}) {
        TStringGrid grid;
        grid.SetDefaultRowHeight(1);
        grid.SetRowCount(fixedRows + 5);
        grid.SetFixedRows(fixedRows);
        ShowFocused(grid);
        grid.resize(400, 2 * fixedRows + 100);
        grid.UpdateView();
        const TRect lastFixed = grid.CellRect(1, fixedRows - 1);
        int col = -1;
        int row = -1;
        grid.MouseToCell(lastFixed.Left + 1, lastFixed.Bottom + 2, col, row);
        EXPECT_EQ(row, fixedRows) << fixedRows;
        EXPECT_EQ(grid.CellRect(1, fixedRows).Top, lastFixed.Bottom + 1) << fixedRows;
    }
}
