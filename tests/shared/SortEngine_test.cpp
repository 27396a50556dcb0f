#include "SortEngine.h"

#include "ErrorOf.h"
#include "Exceptions.h"

#include <gtest/gtest.h>
#include <random>

namespace {

using Strings = std::vector<std::string>;

TSortRules Rules(TColumnFormat format, bool descending = false)
{
    TSortRules rules;
    rules.Format = format;
    rules.Descending = descending;
    return rules;
}

// Rows of one sort column below one fixed row, each with the name it started with, kept in order
// by an engine: by its re-sort when Incremental, else by a full sort every time.
struct TRows {
    explicit TRows(bool incremental) : Incremental(incremental), Engine([this](const std::string&) { ++Reports; }) {}

    void Append(const std::string& text)
    {
        Engine.RowCountChanged(int(Cells.size()), int(Cells.size()) + 1);
        Cells.push_back(text);
        Names.push_back(std::to_string(Names.size()));
    }
    void Change(int row, const std::string& text)
    {
        Engine.CellChanging(0, row, Cells[std::size_t(row)]);
        Cells[std::size_t(row)] = text;
    }
    void Sort(const TSortRules& rules)
    {
        const auto text = [this](int row) -> const std::string& { return Cells[std::size_t(row)]; };
        TSortEngine::TMove move;
        if (Incremental && Engine.Resort(0, rules, 1, int(Cells.size()), text, move)) {
            if (move.From >= 0) {
                for (auto* column : {&Cells, &Names}) {
                    std::string moved = (*column)[std::size_t(move.From)];
                    column->erase(column->begin() + move.From);
                    column->insert(column->begin() + move.To, moved);
                }
            }
            return;
        }
        const std::vector<int> order = Engine.Sort(0, rules, 1, int(Cells.size()) - 1, text);
        for (auto* column : {&Cells, &Names}) {
            Strings sorted{(*column)[0]};
            for (int row : order)
                sorted.push_back((*column)[std::size_t(row)]);
            *column = sorted;
        }
    }

    bool Incremental;
    Strings Cells{"title"};
    Strings Names{"title"};
    int Reports = 0;
    TSortEngine Engine;
};

// The texts of rows in sorted order, each row given by its index in texts.
std::vector<int> SortedIndexes(const TSortRules& rules, const Strings& texts, int* reports = nullptr)
{
    int told = 0;
    TSortEngine engine([&](const std::string& message) {
        EXPECT_EQ(message, "Invalid numeric format. Try setting the correct format on the grid.");
        ++told;
    });
    std::vector<int> order = engine.Sort(0, rules, 0, int(texts.size()),
        [&](int row) -> const std::string& { return texts[std::size_t(row)]; });
    if (reports)
        *reports = told;
    return order;
}

} // namespace

TEST(SortEngine, SortsByTheRulesOfTheColumn)
{
    TSortRules sensitive = Rules(cfString);
    sensitive.CaseSensitive = true;
    TSortRules uk = Rules(cfNumber);
    uk.Numeric = nfUK;
    TSortRules ukDate = Rules(cfDate);
    ukDate.Date = dfUK;
    TSortRules longDate = Rules(cfDate);
    longDate.Date = dfNLLong;
    TSortRules shortDate = Rules(cfDate);
    shortDate.Date = dfNLShort;
    struct Case {
        const char* what;
        TSortRules rules;
        Strings texts;
        std::vector<int> order;
        int reports;
    };
    const Case cases[] = {
        {"numbers: empty, then not converting, then by value", Rules(cfNumber), {"10", "x", "", "9", "1.000", " +2,5 "},
            {2, 1, 5, 3, 0, 4}, 1},
        {"numbers the English way", uk, {"1,000", "1.5", "2"}, {1, 2, 0}, 0},
        {"numbers descending: the ascending order reversed", Rules(cfNumber, true), {"1", "", "1", "3"}, {3, 2, 0, 1}, 0},
        {"texts ignore case; ties keep their rows", Rules(cfString), {"abc", "b", "ABC", "abc"}, {0, 2, 3, 1}, 0},
        {"ties mirror when descending", Rules(cfString, true), {"abc", "b", "ABC", "abc"}, {1, 3, 2, 0}, 0},
        {"case-sensitive texts", sensitive, {"abc", "ABC", "b"}, {1, 0, 2}, 0},
        {"texts as numbers sort as texts", Rules(cfString), {"9", "10", "", "100"}, {2, 1, 3, 0}, 0},
        {"dates by the Dutch positions", Rules(cfDate), {"01/01/2002 00:00", "31/12/2001 23:59", ""}, {2, 1, 0}, 0},
        {"English dates with am and pm", ukDate, {"12/31/2001 01:00 pm", "12/31/2001 11:00 am"}, {1, 0}, 0},
        {"seconds in the long form", longDate, {"01-01-2001 10:00:02", "01-01-2001 10:00:01"}, {1, 0}, 0},
        {"a lone date is not read", Rules(cfDate), {"", "abc", ""}, {0, 2, 1}, 0},
        {"a lone date sorts after the empty cells", Rules(cfDate), {"abc", "", ""}, {1, 2, 0}, 0},
        {"a lone impossible short date", shortDate, {"99/99/2001", ""}, {1, 0}, 0},
        {"a lone date descending", Rules(cfDate, true), {"", "31/02/2001 10:00", ""}, {1, 2, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int reports = -1;
        EXPECT_EQ(SortedIndexes(c.rules, c.texts, &reports), c.order);
        EXPECT_EQ(reports, c.reports);
    }
}

TEST(SortEngine, DatesThatCannotBeReadRaise)
{
    EXPECT_EQ(ErrorOf([] { SortedIndexes(Rules(cfDate), {"31/12/2001 2", "", "01/01/2002 0"}); }),
        "DateTimeCompare: wrong date format");
    EXPECT_EQ(ErrorOf([] { SortedIndexes(Rules(cfDate), {"02/01/2002 00:00", "31/02/2001 10:00"}); }),
        "Ongeldig argument voor datumcodering");
    EXPECT_THROW(SortedIndexes(Rules(cfDate), {"31/12/2001 2", "01/01/2002 00:00"}), EConvertError);
}

TEST(SortEngine, RowAfterAMove)
{
    struct Case {
        int row, from, to, after;
    };
    for (const Case c : {Case{5, -1, -1, 5}, Case{3, 3, 7, 7}, Case{4, 3, 7, 3}, Case{8, 3, 7, 8}, Case{2, 3, 7, 2},
             Case{5, 7, 3, 6}, Case{7, 7, 3, 3}, Case{2, 7, 3, 2}, Case{9, 7, 3, 9}}) {
        EXPECT_EQ(TSortEngine::RowAfterMove(c.row, {c.from, c.to}), c.after) << c.row << " " << c.from << ">" << c.to;
    }
}

// When only a full sort can bring the rows in order, the re-sort says so and tells nothing.
TEST(SortEngine, ResortRefusesWhatOnlyAFullSortCanDo)
{
    struct Case {
        const char* what;
        std::function<void(TRows&, TSortRules&)> change;
        bool resorts;
    };
    const std::vector<Case> cases = {
        {"nothing changed", [](TRows&, TSortRules&) {}, true},
        {"one row appended", [](TRows& r, TSortRules&) { r.Append("5"); }, true},
        {"one row changed twice", [](TRows& r, TSortRules&) { r.Change(2, "7"); r.Change(2, "8"); }, true},
        {"two rows changed", [](TRows& r, TSortRules&) { r.Change(1, "7"); r.Change(2, "8"); }, false},
        {"two rows appended", [](TRows& r, TSortRules&) { r.Append("5"); r.Append("6"); }, false},
        {"a row removed", [](TRows& r, TSortRules&) { r.Engine.RowCountChanged(5, 4); r.Cells.pop_back(); }, false},
        {"the other direction", [](TRows&, TSortRules& s) { s.Descending = true; }, false},
        {"another format", [](TRows&, TSortRules& s) { s.Format = cfString; }, false},
        {"another number format", [](TRows&, TSortRules& s) { s.Numeric = nfUK; }, false},
        {"a date format does not count for numbers", [](TRows&, TSortRules& s) { s.Date = dfUK; }, true},
        {"invalidated", [](TRows& r, TSortRules&) { r.Engine.Invalidate(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TRows rows(true);
        for (const char* text : {"4", "1", "3", "2"})
            rows.Append(text);
        TSortRules rules = Rules(cfNumber);
        rows.Sort(rules);
        c.change(rows, rules);
        const auto text = [&](int row) -> const std::string& { return rows.Cells[std::size_t(row)]; };
        TSortEngine::TMove move;
        EXPECT_EQ(rows.Engine.Resort(0, rules, 1, int(rows.Cells.size()), text, move), c.resorts);
        EXPECT_EQ(rows.Reports, 0);
    }
    // Descending, ties reverse on every sort; a date with no other date to compare is not read.
    TRows ties(true);
    for (const char* text : {"1", "1"})
        ties.Append(text);
    ties.Sort(Rules(cfNumber, true));
    TSortEngine::TMove none;
    EXPECT_FALSE(ties.Engine.Resort(0, Rules(cfNumber, true), 1, 3,
        [&](int r) -> const std::string& { return ties.Cells[std::size_t(r)]; }, none));
    TRows dates(true);
    for (const char* text : {"", ""})
        dates.Append(text);
    dates.Sort(Rules(cfDate));
    dates.Change(1, "31/02/2001");
    EXPECT_FALSE(dates.Engine.Resort(0, Rules(cfDate), 1, 3,
        [&](int r) -> const std::string& { return dates.Cells[std::size_t(r)]; }, none));

    // Another column.
    TRows rows(true);
    rows.Append("1");
    rows.Append("2");
    rows.Sort(Rules(cfNumber));
    TSortEngine::TMove move;
    EXPECT_FALSE(rows.Engine.Resort(1, Rules(cfNumber), 1, 3, [&](int r) -> const std::string& { return rows.Cells[std::size_t(r)]; }, move));
}

// Re-sorting after one appended or changed row moves only that row; the order, and what is told
// about numbers that do not convert, must be those of a full sort.
TEST(SortEngine, MovingOneRowEqualsAFullSort)
{
    struct Case {
        TColumnFormat format;
        bool descending;
    };
    for (const Case c : {Case{cfNumber, false}, Case{cfString, false}, Case{cfNumber, true}, Case{cfString, true},
             Case{cfDate, false}, Case{cfDate, true}}) {
        std::mt19937 random(7 + int(c.format) * 2 + int(c.descending));
        TSortRules rules = Rules(c.format, c.descending);
        rules.Date = dfNLShort;
        TRows fast(true);
        TRows full(false);
        auto value = [&] {
            const int n = int(random() % 40);
            switch (c.format) {
            case cfNumber: return n == 0 ? std::string() : n == 1 ? std::string("x") : std::to_string(n % 12);
            case cfDate: return n == 0 ? std::string() : "0" + std::to_string(1 + n % 9) + "/03/2001";
            default: return std::string(1, "aAbBcC"[n % 6]) + (n % 3 ? "z" : "");
            }
        };
        for (int step = 0; step < 400; ++step) {
            const bool update = fast.Cells.size() > 3 && random() % 3 == 0;
            const int row = update ? 1 + int(random() % unsigned(fast.Cells.size() - 1)) : 0;
            const std::string text = value();
            for (TRows* rows : {&fast, &full}) {
                if (update)
                    rows->Change(row, text);
                else
                    rows->Append(text);
                rows->Sort(rules);
            }
            ASSERT_EQ(fast.Names, full.Names) << "format " << c.format << " step " << step;
            ASSERT_EQ(fast.Reports, full.Reports) << "step " << step;
        }
    }
}
