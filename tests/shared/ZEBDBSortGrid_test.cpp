#include "ZEBDBSortGrid.h"

#include "FormatSettings.h"
#include "GridTesting.h"
#include "KeyInput.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A panel on a table of people, shown offscreen.
class DBGrid : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.AddField("NAAM", ftString, 20);
        table.AddField("GEBDATUM", ftDate);
        table.AddField("BEDRAG", ftFloat);
        table.Open();
        source.DataSet = &table;
        panel.SetName("dbgridSelect");
        panel.SetDataSource(&source);
        panel.resize(500, 300);
        panel.show();
    }

    void Add(const char* name, TFieldValue date, TFieldValue amount) { table.AppendRecord({name, date, amount}); }

    // Four people, loaded with their columns defined.
    void LoadPeople()
    {
        Add("Visser", EncodeDateTime(2025, 1, 1), 15.0);
        Add("Bakker", EncodeDateTime(2024, 3, 5), 3.0);
        Add("Jansen", EncodeDateTime(2025, 6, 1), 20.0);
        Add("Pieters", EncodeDateTime(2024, 8, 17), 8.0);
        panel.LoadData(true);
    }

    std::vector<std::string> ColumnTexts(int col) const
    {
        std::vector<std::string> texts;
        for (int r = 1; r < panel.RowCount(); ++r)
            texts.push_back(panel.Grid()->Cells(col, r));
        return texts;
    }

    QLineEdit* SearchBox() const { return panel.findChild<QLineEdit*>(); }
    std::string BoxText() const { return SearchBox()->text().toStdString(); }

    // Gives the grid the focus on column col, as a user does before typing.
    void FocusCol(int col)
    {
        panel.SetFocus();
        panel.SetCol(col);
    }

    void Type(const std::string& keys)
    {
        for (char c : keys)
            QTest::keyClick(panel.Grid(), c);
    }

    // Clicks the middle of a cell, on whichever part of the grid shows it.
    void ClickCell(int col, int row, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        TZEBSortGrid* grid = panel.Grid();
        grid->UpdateView();
        const TRect r = grid->CellRect(col, row);
        ASSERT_GT(r.Width(), 0) << "cell " << col << "," << row << " not in view";
        const QPoint point = QPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2) + grid->ClientOrigin();
        QWidget* target = grid->childAt(point);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, mods, target->mapFrom(grid, point));
    }

    ScopedFormatSettings dutch{TFormatSettings::Dutch()};
    TDataSet table{"tblPersonen"};
    TDataSource source;
    TZEBDBSortGrid panel;
};

} // namespace

// ---- Cell texts ----

TEST(DBGridFormat, DatesFollowTheGridFormatWhateverTheLocale)
{
    const TDateTime afternoon = EncodeDateTime(2024, 3, 5, 14, 7, 9);
    const TDateTime midnight = EncodeDateTime(2024, 12, 31, 0, 5);
    TFormatSettings dotted = TFormatSettings::Dutch();
    dotted.DateSeparator = '.';
    dotted.TimeSeparator = '.'; // date and time share the separator
    for (const TFormatSettings& settings : {TFormatSettings::Dutch(), TFormatSettings::English(), dotted}) {
        ScopedFormatSettings scope(settings);
        const std::string sep(1, settings.TimeSeparator);
        EXPECT_EQ(FormatGridDate(afternoon, dfNL), "05-03-2024 14" + sep + "07");
        EXPECT_EQ(FormatGridDate(afternoon, dfUK), "03/05/2024 02" + sep + "07 pm");
        EXPECT_EQ(FormatGridDate(afternoon, dfNLShort), "05-03-2024");
        EXPECT_EQ(FormatGridDate(afternoon, dfUKShort), "03/05/2024");
        EXPECT_EQ(FormatGridDate(afternoon, dfNLLong), "05-03-2024 14" + sep + "07" + sep + "09");
        EXPECT_EQ(FormatGridDate(afternoon, dfUKLong), "03/05/2024 02" + sep + "07" + sep + "09 pm");
        EXPECT_EQ(FormatGridDate(midnight, dfUK), "12/31/2024 12" + sep + "05 am"); // hour 0 shows as 12
        EXPECT_EQ(FormatGridDate(EncodeDateTime(2024, 1, 2, 12), dfUK), "01/02/2024 12" + sep + "00 pm");
    }
    EXPECT_EQ(FormatGridDate(EncodeDateTime(812, 7, 4), dfNLShort), "04-07-0812");
}

TEST(DBGridFormat, NumbersShowAtMostTwoDecimalsInTheGridForm)
{
    for (const TFormatSettings& settings : {TFormatSettings::Dutch(), TFormatSettings::English()}) {
        ScopedFormatSettings scope(settings);
        EXPECT_EQ(FormatGridNumber(1234.567, nfNL), "1234,57");
        EXPECT_EQ(FormatGridNumber(1234.567, nfUK), "1234.57");
        EXPECT_EQ(FormatGridNumber(3.0, nfNL), "3");
        EXPECT_EQ(FormatGridNumber(2.5, nfNL), "2,5");
        EXPECT_EQ(FormatGridNumber(1234.565, nfUK), "1234.57"); // rounded as written, half up
        EXPECT_EQ(FormatGridNumber(0.995, nfNL), "1");
        EXPECT_EQ(FormatGridNumber(999.999, nfNL), "1000");
        EXPECT_EQ(FormatGridNumber(-7.125, nfUK), "-7.13");
        EXPECT_EQ(FormatGridNumber(-0.001, nfNL), "0");
        EXPECT_EQ(FormatGridNumber(0.0, nfNL), "0");
        EXPECT_EQ(FormatGridNumber(1234567890123.0, nfNL), "1234567890123"); // never grouped
        EXPECT_EQ(FormatGridNumber(0.05, nfNL), "0,05");
    }
}

TEST(DBGridFormat, TextIsTrimmedAndLineBreaksBecomeBlanks)
{
    EXPECT_EQ(FormatGridText("  Dorpsstraat 1\r\nKamer 2\tachter  "), "Dorpsstraat 1 Kamer 2 achter");
    EXPECT_EQ(FormatGridText("a\n\rb\rc"), "a  b c");
    EXPECT_EQ(FormatGridText("\t\r\n"), "");
    EXPECT_EQ(FormatGridText("Caf\xE9"), "Caf\xE9");
}

TEST(DBGridFormat, FieldTextByColumnFormat)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    TDataSet table;
    table.AddField("OPMERKING", ftMemo);
    table.AddField("BEDRAG", ftCurrency);
    table.AddField("DATUM", ftDateTime);
    table.Open();
    table.AppendRecord({TFieldValue{}, TFieldValue{}, TFieldValue{}});
    EXPECT_EQ(FieldCellText(table.Fields(0), cfString, dfNL, nfNL), "[MEMO]"); // also when null
    EXPECT_EQ(FieldCellText(table.Fields(1), cfNumber, dfNL, nfNL), "");
    EXPECT_EQ(FieldCellText(table.Fields(2), cfDate, dfNL, nfNL), "");
    table.AppendRecord({"tekst", 1234.5, EncodeDateTime(2024, 3, 5, 14, 7)});
    EXPECT_EQ(FieldCellText(table.Fields(0), cfString, dfNL, nfNL), "[MEMO]");
    EXPECT_EQ(FieldCellText(table.Fields(1), cfNumber, dfNL, nfUK), "1234.5");
    EXPECT_EQ(FieldCellText(table.Fields(2), cfDate, dfUKShort, nfNL), "03/05/2024");
    // A column given another format reads the value as that format asks.
    EXPECT_EQ(FieldCellText(table.Fields(1), cfString, dfNL, nfNL), "1234,5");

    EXPECT_EQ(FieldColumnFormat(ftLargeint), cfNumber);
    EXPECT_EQ(FieldColumnFormat(ftAutoInc), cfNumber);
    EXPECT_EQ(FieldColumnFormat(ftTime), cfDate);
    EXPECT_EQ(FieldColumnFormat(ftMemo), cfString);
}

// ---- Loading ----

TEST_F(DBGrid, CreatedEmptyWithAMarkerColumn)
{
    EXPECT_EQ(panel.ColCount(), 2);
    EXPECT_EQ(panel.RowCount(), 2);
    EXPECT_EQ(panel.Columns()[0]->Width(), 8);
    EXPECT_TRUE(panel.UnsortableColumns().test(0));
    EXPECT_FALSE(panel.Options() & goRangeSelect);
    EXPECT_TRUE(SearchBox()->isVisible());
    EXPECT_FALSE(SearchBox()->isEnabled());
    EXPECT_TRUE(panel.IsEmpty());
}

TEST_F(DBGrid, DefinesColumnsFromTheFields)
{
    panel.Grid()->Font().SetSize(8);
    int defined = 0;
    panel.AfterDefineColumns = [&](TZEBDBSortGrid* sender) {
        EXPECT_EQ(sender, &panel);
        ++defined;
    };
    Add("Jansen", EncodeDateTime(2024, 3, 5), 1234.567);
    panel.LoadData(true);
    EXPECT_EQ(defined, 1);
    ASSERT_EQ(panel.ColCount(), 4);
    EXPECT_EQ(panel.Columns()[0]->Width(), 8);
    EXPECT_EQ(panel.Grid()->Cells(0, 1), "");
    EXPECT_EQ(panel.Grid()->Cells(1, 0), "NAAM");
    EXPECT_EQ(panel.Columns()[1]->Title().Caption(), "Naam");
    EXPECT_EQ(panel.Columns()[1]->Width(), 160);
    EXPECT_EQ(panel.Columns()[1]->Format(), cfString);
    EXPECT_EQ(panel.Columns()[2]->Title().Caption(), "Gebdatum");
    EXPECT_EQ(panel.Columns()[2]->Width(), 11 * 8); // the name plus 3 is wider than the date
    EXPECT_EQ(panel.Columns()[2]->Format(), cfDate);
    EXPECT_EQ(panel.Columns()[3]->Format(), cfNumber);
    EXPECT_EQ(panel.Columns()[3]->Alignment(), taRightJustify);
    EXPECT_EQ(panel.Grid()->Cells(1, 1), "Jansen");
    EXPECT_EQ(panel.Grid()->Cells(2, 1), "05-03-2024 00:00");
    EXPECT_EQ(panel.Grid()->Cells(3, 1), "1234,57");

    panel.SetNumericFormat(nfUK);
    panel.SetDateFormat(dfNLShort);
    panel.LoadData(false);
    EXPECT_EQ(panel.Grid()->Cells(2, 1), "05-03-2024");
    EXPECT_EQ(panel.Grid()->Cells(3, 1), "1234.57");
    EXPECT_EQ(panel.Grid()->Cells(1, 0), ""); // a reload empties row 0; the titles stay
    EXPECT_EQ(panel.Columns()[1]->Title().Caption(), "Naam");
    EXPECT_EQ(defined, 1);
}

TEST_F(DBGrid, HiddenFirstColumnHoldsTheFirstField)
{
    panel.SetHideFirstColumn(true);
    LoadPeople();
    ASSERT_EQ(panel.ColCount(), 3);
    EXPECT_EQ(panel.Grid()->Cells(0, 0), "NAAM");
    EXPECT_EQ(ColumnTexts(0), (std::vector<std::string>{"Visser", "Bakker", "Jansen", "Pieters"}));
    EXPECT_EQ(panel.Columns()[0]->Width(), 8); // column 0 keeps its width
    EXPECT_EQ(panel.Columns()[1]->Format(), cfDate);
    // Selection and the hidden column exclude each other.
    panel.SetAllowSelection(true);
    EXPECT_FALSE(panel.HideFirstColumn());
    panel.SetHideFirstColumn(true);
    EXPECT_FALSE(panel.AllowSelection());
}

TEST_F(DBGrid, LoadsEveryRecordAndReportsEachRow)
{
    std::vector<int> fetched;
    panel.OnFetchRow = [&](TZEBDBSortGrid*, int row) { fetched.push_back(row); };
    table.Close();
    panel.LoadData(true);
    EXPECT_EQ(panel.ColCount(), 2) << "an inactive table leaves the grid alone";
    table.Open();
    panel.LoadData(true);
    EXPECT_EQ(panel.RowCount(), 2); // one empty data row
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(panel.IsEmpty());

    LoadPeople();
    EXPECT_EQ(panel.RowCount(), 5);
    EXPECT_EQ(fetched, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Visser", "Bakker", "Jansen", "Pieters"}));
    EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"15", "3", "20", "8"}));
    EXPECT_TRUE(table.Eof());
}

TEST_F(DBGrid, ErrorsOfTheTableReachTheCallerAndKeepEarlierRows)
{
    Add("Visser", EncodeDateTime(2025, 1, 1), 15.0);
    panel.LoadData(true);
    table.Close();
    TDataSet text("tblTekst");
    text.AddField("NAAM", ftString);
    text.AddField("GEBDATUM", ftString);
    text.AddField("BEDRAG", ftString);
    text.Open();
    text.AppendRecord({"Bakker", "x", "1"});
    text.AppendRecord({"Jansen", "y", "zes"});
    source.DataSet = &text;
    // The columns stay date and number; the second row's amount is no number.
    panel.Columns()[2]->SetFormat(cfString);
    EXPECT_THROW(panel.LoadData(false), EConvertError);
    EXPECT_EQ(panel.Grid()->Cells(3, 1), "1");
    EXPECT_EQ(panel.Grid()->Cells(1, 2), "Jansen");
}

TEST_F(DBGrid, LoadCurrentRecordRewritesTheCurrentRow)
{
    LoadPeople();
    panel.SetRow(3);
    table.First();
    table.Next(); // Bakker
    panel.LoadCurrentRecord();
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Visser", "Bakker", "Bakker", "Pieters"}));
    table.Next();
    table.Next();
    table.Next(); // past the end: nothing happens
    panel.SetRow(1);
    panel.LoadCurrentRecord();
    EXPECT_EQ(panel.Grid()->Cells(1, 1), "Visser");
}

TEST_F(DBGrid, LocateInColumnFindsTheFirstEqualCellElseTheLastRow)
{
    LoadPeople();
    int changes = 0;
    panel.OnRowChange = [&](TZEBDBSortGrid*) { ++changes; };
    EXPECT_TRUE(panel.LocateInColumn(1, "Jansen"));
    EXPECT_EQ(panel.Row(), 3);
    EXPECT_FALSE(panel.LocateInColumn(1, "jansen")); // byte for byte
    EXPECT_EQ(panel.Row(), 4);
    EXPECT_TRUE(panel.LocateInColumn(1, "Pieters")); // the last row is compared too
    EXPECT_EQ(changes, 3);
    panel.SetLocateOnCol(3);
    EXPECT_TRUE(panel.LocateValue("15"));
    EXPECT_EQ(panel.Row(), 1);
}

TEST_F(DBGrid, RefreshKeepsTheRowAndTheSort)
{
    LoadPeople();
    panel.SetLocateOnCol(1);
    panel.Grid()->Sort(2, true); // by birth date, newest first
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Jansen", "Visser", "Pieters", "Bakker"}));
    panel.SetCol(3);
    panel.SetRow(3); // Pieters
    table.AppendRecord({"Aarts", EncodeDateTime(2030, 1, 1), 1.0});
    panel.RefreshAll();
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Aarts", "Jansen", "Visser", "Pieters", "Bakker"}));
    EXPECT_EQ(panel.Grid()->Cells(1, panel.Row()), "Pieters");
    EXPECT_EQ(panel.Col(), 3);
    EXPECT_EQ(panel.Grid()->ArrowCol(), 2);
}

TEST_F(DBGrid, RefreshAfterTheCurrentRecordWasDeletedGoesToTheLastRow)
{
    panel.SetHideFirstColumn(true);
    panel.SetLocateOnCol(0);
    LoadPeople();
    panel.SetRow(2); // Bakker
    table.EmptyDataSet();
    Add("Visser", EncodeDateTime(2025, 1, 1), 15.0);
    Add("Jansen", EncodeDateTime(2025, 6, 1), 20.0);
    Add("Pieters", EncodeDateTime(2024, 8, 17), 8.0);
    panel.Refresh(true);
    EXPECT_EQ(panel.RowCount(), 4);
    EXPECT_EQ(panel.Row(), 3);
}

TEST_F(DBGrid, RefreshOfOneRecordFollowsItToItsSortedPlace)
{
    LoadPeople();
    panel.SetLocateOnCol(1);
    panel.Grid()->Sort(2, false); // by birth date
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Bakker", "Pieters", "Visser", "Jansen"}));
    panel.SetRow(4);
    // Jansen's birth date is corrected in the table, which stands on that record.
    table.EmptyDataSet();
    Add("Jansen", EncodeDateTime(2020, 6, 1), 20.0);
    panel.Refresh(false);
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Jansen", "Bakker", "Pieters", "Visser"}));
    EXPECT_EQ(panel.Row(), 1);
    EXPECT_EQ(panel.Grid()->Cells(2, 1), "01-06-2020 00:00");
}

TEST_F(DBGrid, CursorHomeSkipsHiddenColumns)
{
    LoadPeople();
    int changes = 0;
    panel.OnRowChange = [&](TZEBDBSortGrid*) { ++changes; };
    panel.SetRow(4);
    panel.SetCol(3);
    panel.Columns()[1]->SetWidth(-1);
    panel.SetCursorHome();
    EXPECT_EQ(panel.Row(), 1);
    EXPECT_EQ(panel.Col(), 2);
    EXPECT_EQ(changes, 2);
    panel.Columns()[2]->SetWidth(-1);
    panel.Columns()[3]->SetWidth(-1);
    panel.SetCursorHome();
    EXPECT_EQ(panel.Col(), 3); // all hidden: the last column
}

// ---- Search box ----

TEST_F(DBGrid, TypingInATextColumnSortsItAndSearches)
{
    LoadPeople();
    std::vector<int> rows;
    panel.OnRowChange = [&](TZEBDBSortGrid* sender) { rows.push_back(sender->Row()); };
    FocusCol(1);
    Type("p");
    EXPECT_EQ(panel.Grid()->ArrowCol(), 1);
    EXPECT_EQ(ColumnTexts(1), (std::vector<std::string>{"Bakker", "Jansen", "Pieters", "Visser"}));
    EXPECT_EQ(BoxText(), "P");
    EXPECT_EQ(panel.Row(), 3);
    EXPECT_EQ(SearchBox()->palette().color(QPalette::Disabled, QPalette::Base), QColor(0xFF, 0xFF, 0xDF));
    Type("x"); // "PX": Visser is the first at or after it
    EXPECT_EQ(panel.Row(), 4);
    QTest::keyClick(panel.Grid(), Qt::Key_Backspace);
    EXPECT_EQ(BoxText(), "P");
    EXPECT_EQ(panel.Row(), 3);
    QTest::keyClick(panel.Grid(), Qt::Key_Escape);
    EXPECT_EQ(BoxText(), "");
    EXPECT_EQ(SearchBox()->palette().color(QPalette::Disabled, QPalette::Base),
              ColorToQColor(panel.Color()));
    Type("b");
    EXPECT_EQ(panel.Row(), 1);
    QTest::keyClick(panel.Grid(), Qt::Key_Down); // navigation empties the box
    EXPECT_EQ(BoxText(), "");
    EXPECT_EQ(panel.Row(), 2);
    EXPECT_EQ(rows, (std::vector<int>{3, 4, 3, 1, 2})) << "typed and navigated row changes are reported";
}

// A letter the list cannot hold matches no cell; it is not searched as the "?" it would become.
TEST_F(DBGrid, ALetterOutsideWindows1252IsNotSearched)
{
    LoadPeople();
    FocusCol(1);
    Type("j");
    ASSERT_EQ(BoxText(), "J");
    const int row = panel.Row();
    TypeCharacters(panel.Grid(), QString::fromUtf8("\u015f"));
    EXPECT_EQ(BoxText(), "J");
    EXPECT_EQ(panel.Row(), row);
}

TEST_F(DBGrid, DateSearchReadsTheTypedYearMonthAndDay)
{
    LoadPeople();
    panel.Grid()->Sort(2, false);
    EXPECT_EQ(ColumnTexts(2), (std::vector<std::string>{"05-03-2024 00:00", "17-08-2024 00:00", "01-01-2025 00:00",
                                                        "01-06-2025 00:00"}));
    FocusCol(2);
    panel.SetRow(4);
    Type("202");
    EXPECT_EQ(panel.Row(), 1) << "three digits are not yet a year";
    Type("4");
    EXPECT_EQ(panel.Row(), 1);
    Type("08");
    EXPECT_EQ(panel.Row(), 2);
    Type(",a");
    EXPECT_EQ(BoxText(), "202408") << "only digits go into a date search";
    QTest::keyClick(panel.Grid(), Qt::Key_Escape);
    Type("2025");
    EXPECT_EQ(panel.Row(), 3);
    Type("0101");
    EXPECT_EQ(panel.Row(), 3);
    QTest::keyClick(panel.Grid(), Qt::Key_Escape);
    Type("2026");
    EXPECT_EQ(panel.Row(), 4); // the last row is never compared
    QTest::keyClick(panel.Grid(), Qt::Key_Escape);
    Type("202413");
    EXPECT_EQ(panel.Row(), 1) << "month 13 is no date";
}

TEST_F(DBGrid, DateSearchInTheEnglishForm)
{
    panel.SetDateFormat(dfUKShort);
    LoadPeople();
    panel.Grid()->Sort(2, false);
    panel.Search(2, "20240601");
    EXPECT_EQ(panel.Row(), 2);
    panel.Grid()->SetCells(2, 1, "13/45/2024"); // no date: the search gives up at the first row
    panel.Search(2, "20240601");
    EXPECT_EQ(panel.Row(), 1);
}

TEST_F(DBGrid, NumberSearchReadsTheGridNumberForm)
{
    LoadPeople();
    panel.Grid()->Sort(3, false);
    EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"3", "8", "15", "20"}));
    FocusCol(3);
    Type("1");
    EXPECT_EQ(panel.Row(), 1);
    Type("0");
    EXPECT_EQ(panel.Row(), 3);
    Type("x");
    EXPECT_EQ(BoxText(), "10") << "letters do not go into a number search";
    QTest::keyClick(panel.Grid(), Qt::Key_Escape);
    Type("7,5");
    EXPECT_EQ(panel.Row(), 2); // seven and a half
    panel.SetNumericFormat(nfUK);
    panel.Search(3, "7,5"); // 75
    EXPECT_EQ(panel.Row(), 4);
    panel.Search(3, "7.5");
    EXPECT_EQ(panel.Row(), 2);
    panel.Search(3, "7.5.1");
    EXPECT_EQ(panel.Row(), 1) << "no number: the search stops at the first row";
    {
        ScopedFormatSettings english(TFormatSettings::English());
        panel.SetNumericFormat(nfNL);
        panel.Search(3, "7,5");
        EXPECT_EQ(panel.Row(), 2);
    }
}

TEST_F(DBGrid, NoSearchInTheMarkerColumnOrWhenSwitchedOff)
{
    LoadPeople();
    FocusCol(0);
    Type("b");
    EXPECT_EQ(BoxText(), "");
    EXPECT_EQ(panel.Grid()->ArrowCol(), -1);
    panel.SetCol(1);
    panel.SetAllowIncrementalSearch(false);
    Type("b");
    EXPECT_EQ(BoxText(), "");
    panel.SetAllowIncrementalSearch(true);
    panel.SetShowIncrementalSearchBox(false);
    EXPECT_FALSE(SearchBox()->isVisible());
}

TEST_F(DBGrid, TitleClickEmptiesTheBox)
{
    LoadPeople();
    int clicked = -1;
    panel.OnTitleClick = [&](TZEBSortGrid* sender, int col) {
        EXPECT_EQ(sender, panel.Grid());
        clicked = col;
    };
    FocusCol(1);
    Type("j");
    ClickCell(3, 0);
    EXPECT_EQ(clicked, 3);
    EXPECT_EQ(BoxText(), "");
    EXPECT_EQ(ColumnTexts(3), (std::vector<std::string>{"3", "8", "15", "20"}));
}

TEST_F(DBGrid, ColumnWidthShowsOnCtrlShiftF12)
{
    LoadPeople();
    FocusCol(1);
    ModalAnswer ok(ModalAnswer::ClickButton("OK"));
    QTest::keyClick(panel.Grid(), Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(ok.Seen().labels.contains(QString("ColumnWidth = %1").arg(panel.Columns()[1]->Width())));
}

// ---- Marking rows ----

TEST_F(DBGrid, KeypadMarksAndUnmarksRows)
{
    LoadPeople();
    panel.SetAllowSelection(true);
    FocusCol(1);
    panel.SetRow(3);
    QTest::keyClick(panel.Grid(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(panel.Grid()->Cells(0, 3), ">");
    EXPECT_EQ(panel.Row(), 4);
    QTest::keyClick(panel.Grid(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(panel.Grid()->Cells(0, 4), ">");
    EXPECT_EQ(panel.Row(), 4) << "the last row stays current";
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000003", "00000004"}));
    EXPECT_EQ(BoxText(), "") << "the typed + does not search";

    QTest::keyClick(panel.Grid(), Qt::Key_Plus, Qt::KeypadModifier | Qt::ShiftModifier);
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000001", "00000002", "00000003", "00000004"}));
    panel.SetRow(2);
    QTest::keyClick(panel.Grid(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(panel.Grid()->Cells(0, 2), "");
    EXPECT_EQ(panel.Row(), 3);
    QTest::keyClick(panel.Grid(), Qt::Key_Minus, Qt::KeypadModifier | Qt::ShiftModifier);
    EXPECT_TRUE(panel.SelectionList().empty());

    QTest::keyClick(panel.Grid(), Qt::Key_Plus); // the main keyboard's + marks nothing
    EXPECT_TRUE(panel.SelectionList().empty());
    panel.SetAllowSelection(false);
    QTest::keyClick(panel.Grid(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_TRUE(panel.SelectionList().empty());
}

TEST_F(DBGrid, MouseMarksWithCtrlAndShift)
{
    LoadPeople();
    panel.SetAllowSelection(true);
    panel.Grid()->UpdateView();
    ClickCell(0, 2); // the marker column toggles
    EXPECT_EQ(panel.Grid()->Cells(0, 2), ">");
    ClickCell(3, 4, Qt::ShiftModifier); // from a marked anchor: marks 2 to 4
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000002", "00000003", "00000004"}));
    ClickCell(3, 3, Qt::ControlModifier); // Ctrl toggles in any column
    EXPECT_EQ(panel.Grid()->Cells(0, 3), "");
    ClickCell(3, 1); // a plain click only moves the anchor
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000002", "00000004"}));
    ClickCell(2, 4, Qt::ShiftModifier); // from an unmarked anchor: unmarks 1 to 4
    EXPECT_TRUE(panel.SelectionList().empty());
}

TEST_F(DBGrid, MouseDownIsPassedOnAndItsFailureShown)
{
    LoadPeople();
    panel.Grid()->UpdateView();
    int downs = 0;
    panel.OnMouseDown = [&](TStringGrid* sender, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
        EXPECT_EQ(sender, panel.Grid());
        EXPECT_EQ(button, Qt::LeftButton);
        if (++downs == 2)
            throw Exception("kapot");
    };
    ClickCell(1, 2);
    EXPECT_EQ(downs, 1);
    ModalAnswer ok(ModalAnswer::ClickButton("OK"));
    ClickCell(1, 3);
    EXPECT_EQ(ok.Seen().caption, "Exception");
    EXPECT_TRUE(ok.Seen().labels.contains("kapot"));
}

TEST_F(DBGrid, RowRangesAreChecked)
{
    LoadPeople();
    panel.SelectRows(1, 4);
    EXPECT_TRUE(panel.SelectionList().empty()) << "nothing is marked without AllowSelection";
    panel.SetAllowSelection(true);
    panel.SelectRows(5, 2); // an end before the start counts from the first data row
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(ErrorOf([&] { panel.SelectRows(0, 2); }),
              "TZEBDBSortGrid.SelectRows: StartRow must be greather than number of fixed rows");
    EXPECT_EQ(ErrorOf([&] { panel.UnselectRows(1, 5); }), "TZEBDBSortGrid.UnselectRows: EndRow out of grid range");
    EXPECT_EQ(ErrorOf([&] { panel.SelectUntil(7); }),
              "TZEBDBSortGrid.SelectUntil: TZEBDBSortGrid.SelectRows: EndRow out of grid range");
    panel.UnselectRows(2, 4);
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000001"}));
    panel.SelectUntil(3); // the anchor is still the first data row
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000001", "00000002", "00000003"}));
}

TEST_F(DBGrid, MarksMoveWithTheirRowsAndAReloadClearsThem)
{
    LoadPeople();
    panel.SetAllowSelection(true);
    panel.SelectRow(2); // Bakker
    panel.Grid()->Sort(1, false);
    EXPECT_EQ(panel.SelectionList(), (std::set<std::string>{"00000001"}));
    EXPECT_EQ(panel.Grid()->Cells(1, 1), "Bakker");
    panel.LoadData(false);
    EXPECT_TRUE(panel.SelectionList().empty());
}

TEST_F(DBGrid, MarkedRowsArePaintedInTheMarkColour)
{
    LoadPeople();
    panel.SetAllowSelection(true);
    panel.SelectRow(2);
    panel.SetRow(4);
    panel.Grid()->UpdateView();
    const QImage image = panel.Grid()->grab().toImage();
    const TRect marked = panel.Grid()->CellRect(2, 2);
    const TRect plain = panel.Grid()->CellRect(2, 3);
    const QPoint origin = panel.Grid()->ClientOrigin();
    EXPECT_EQ(image.pixelColor(QPoint(marked.Right - 2, marked.Top + 2) + origin), QColor(0x00, 0x80, 0xC0));
    EXPECT_NE(image.pixelColor(QPoint(plain.Right - 2, plain.Top + 2) + origin), QColor(0x00, 0x80, 0xC0));
}

TEST_F(DBGrid, DrawRowChoosesTheTextColour)
{
    LoadPeople();
    std::vector<std::pair<int, int>> asked;
    panel.OnDrawRow = [&](TZEBDBSortGrid*, int col, int row, TColor& color) {
        asked.emplace_back(col, row);
        color = 0x0000FF; // red
    };
    panel.SetRow(4);
    panel.Grid()->UpdateView();
    const QImage image = panel.Grid()->grab().toImage();
    EXPECT_FALSE(asked.empty());
    for (const auto& [col, row] : asked) {
        EXPECT_GE(col, 1);
        EXPECT_GE(row, 1);
    }
    // Some pixel of "Visser" is red.
    const TRect cell = panel.Grid()->CellRect(1, 1);
    const QPoint origin = panel.Grid()->ClientOrigin();
    bool red = false;
    for (int x = cell.Left; x < cell.Right; ++x)
        for (int y = cell.Top; y < cell.Bottom; ++y) {
            const QColor c = image.pixelColor(QPoint(x, y) + origin);
            red = red || (c.red() > 200 && c.green() < 80 && c.blue() < 80);
        }
    EXPECT_TRUE(red);
}

// ---- Queries ----

TEST_F(DBGrid, IsEmptyAndColumnValue)
{
    panel.LoadData(true);
    EXPECT_TRUE(panel.IsEmpty());
    panel.SetAllowSelection(true);
    panel.SelectRow(1);
    EXPECT_FALSE(panel.IsEmpty()) << "the marker counts as text";
    LoadPeople();
    panel.SetRow(2);
    EXPECT_FALSE(panel.IsEmpty());
    EXPECT_EQ(panel.ColumnValue(1), "Bakker");
    EXPECT_EQ(panel.ColumnValue(3), "3");
    EXPECT_EQ(ErrorOf([&] { panel.ColumnValue(4); }), "dbgridSelect.ColumnValue : Index out of column range");
    EXPECT_EQ(ErrorOf([&] { panel.ColumnValue(-1); }), "dbgridSelect.ColumnValue : Index out of column range");
}

TEST_F(DBGrid, PropertiesReachTheGrid)
{
    panel.SetColor(0xF0E8E0);
    EXPECT_EQ(panel.Grid()->Color(), 0xF0E8E0u);
    panel.SetUnsortableColumns({});
    EXPECT_TRUE(panel.UnsortableColumns().test(0));
    panel.SetOptions(goFixedVertLine | goColSizing);
    EXPECT_TRUE(panel.Grid()->Options() & goEditing);
    panel.SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(panel.Focused(), panel.Grid()->hasFocus());
    // As a layout file sets them.
    panel.setProperty("LocateOnCol", 0);
    panel.setProperty("HideFirstColumn", true);
    panel.setProperty("ToggleColor", 0xF0E8E0u);
    EXPECT_EQ(panel.LocateOnCol(), 0);
    EXPECT_TRUE(panel.HideFirstColumn());
    EXPECT_EQ(panel.Grid()->ToggleColor(), 0xF0E8E0u);
}
