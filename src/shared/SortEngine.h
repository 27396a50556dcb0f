#pragma once
// The sort engine of the sort grid: the compare rules of a column (text, number or date), the keys
// of the rows as last sorted, the one place that reports numbers that do not convert, and the
// re-sort that moves only the one row changed or appended since.  It holds no cells: the grid
// hands it a column's texts by row number and moves its own rows as told.
//
//     TSortEngine engine;
//     std::vector<int> rows = engine.Sort(col, rules, first, count, text); // old row numbers, new order
//     engine.CellChanging(col, row, oldText);  // and RowCountChanged, Invalidate, as the rows change
//     TSortEngine::TMove move;
//     if (!engine.Resort(col, rules, first, count, text, move)) rows = engine.Sort(...);
//
// Keys compare by kind first (empty, then numbers that do not convert, then values), then value,
// then text; equal keys keep their former row order, and a descending sort is the ascending one
// reversed.  Dates are read by the positions of their format; a date is only read when at least
// one other non-empty cell is compared with it, and two cells whose length is none of 10, 16 or 19
// raise "DateTimeCompare: wrong date format" before any date is read.

#include "BlockList.h"

#include <functional>
#include <string>
#include <vector>

enum TColumnFormat { cfString, cfNumber, cfDate };
enum TDisplayDateFormat { dfNL, dfUK, dfNLShort, dfUKShort, dfNLLong, dfUKLong };
enum TDisplayNumericFormat { nfNL, nfUK };

namespace ZEBSortGrid {

// A cell text prepared for comparing: the text as compared, or a number or date-time.
struct TSortKey {
    enum TKind { kEmpty, kInvalid, kValue };
    TKind Kind = kEmpty;
    double Value = 0;
    std::string Text;
};

// The number a cell text stands for under the number format: thousands marks dropped, the decimal
// mark read as the decimal point, blanks around it allowed.
bool ReadNumber(const std::string& text, TDisplayNumericFormat format, double& value);

// The date-time a text stands for under the date format (positions per format); raises
// EConvertError when a field is no number or the date or time does not exist.
double ReadDateTime(const std::string& text, TDisplayDateFormat format);

} // namespace ZEBSortGrid

// How one column sorts.
struct TSortRules {
    TColumnFormat Format = cfString;
    bool CaseSensitive = false;
    bool Descending = false;
    TDisplayNumericFormat Numeric = nfNL;
    TDisplayDateFormat Date = dfNL;
};

class TSortEngine {
public:
    // The text of a row of the sorted column: refers to a callable that outlives it.
    class TCellText {
    public:
        template <class F>
        TCellText(const F& f)
            : object_(&f), call_([](const void* o, int row) -> const std::string& { return (*static_cast<const F*>(o))(row); })
        {
        }
        const std::string& operator()(int Row) const { return call_(object_, Row); }

    private:
        const void* object_;
        const std::string& (*call_)(const void*, int);
    };
    using TReport = std::function<void(const std::string&)>;
    // A row that moves from one place to another; From -1: none moves.
    struct TMove {
        int From = -1;
        int To = -1;
    };

    static constexpr const char* InvalidNumberMessage =
        "Invalid numeric format. Try setting the correct format on the grid.";

    // Report tells InvalidNumberMessage; ShowMessage when none is given.
    explicit TSortEngine(TReport Report = {});

    // Texts A (of row RowA) and B (of RowB) compared as a sort by Rules compares them: -1, 0 or 1.
    // Tells when either is a number that does not convert.
    int CompareTexts(const std::string& A, int RowA, const std::string& B, int RowB, const TSortRules& Rules) const;

    // Sorts rows First .. First + Count - 1 of column Col by their texts: the rows' former numbers
    // in their new order.  Tells once when numbers do not convert, unless Tell is false.  Remembers
    // the keys for Resort.
    std::vector<int> Sort(int Col, const TSortRules& Rules, int First, int Count, const TCellText& Text,
                          bool Tell = true);

    // What happened to the rows since the last sort.
    void Invalidate() { state_.Valid = false; }
    // The cell at Col, Row is about to change from OldText.
    void CellChanging(int Col, int Row, const std::string& OldText);
    void RowCountChanged(int OldCount, int NewCount);

    // Brings RowCount rows back in order after at most one changed or appended row: Move tells
    // the row to move.  False, with nothing told, when only a full Sort can do it.
    bool Resort(int Col, const TSortRules& Rules, int First, int RowCount, const TCellText& Text, TMove& Move);

    // Where Row stands after Move.
    static int RowAfterMove(int Row, const TMove& Move);

private:
    // What the rows were last sorted by, and the one row changed since.
    struct TState {
        bool Valid = false;
        int Col = -1;
        TSortRules Rules;
        int First = 0;
        int SortedRows = 0;    // data rows in sorted order
        int EqualPairs = 0;    // neighbours with equal keys (descending sorts)
        int InvalidKeys = 0;   // numbers that do not convert
        int OddLengthKeys = 0; // dates of a length other than 10, 16 or 19
        int NonEmptyKeys = 0;
        int ChangedRow = -1;
        bool Appended = false;
        std::string OldKey;
        TBlockList<ZEBSortGrid::TSortKey, 64> Keys; // of the sorted rows, in their order
    };
    struct TKeys;

    static TKeys BuildKeys(const TSortRules& Rules, int Count, const TCellText& Text);
    void ReportInvalid(int Count) const;
    bool SameRules(const TSortRules& Rules) const;

    TReport report_;
    TState state_;
};
