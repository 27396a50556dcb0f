// Filling a three-column sort grid row by row from item lists while it keeps itself sorted, then
// one more sort, at 1,000, 10,000 and 100,000 rows; against its floor: taking the three values
// out of each item list and putting the row into an ordered map on its number.
#include "RatioReport.h"
#include "ZEBSortGrid.h"

#include <QApplication>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <random>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "ZEBSortGrid_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

// Candidate numbers in random order (every row lands somewhere in the middle) or in entry order.
std::vector<std::string> ItemLists(int rows, bool entryOrder)
{
    std::mt19937 random(42);
    std::vector<std::string> lists;
    for (int i = 0; i < rows; ++i) {
        const unsigned number = entryOrder ? unsigned(i + 1) : unsigned(random() % 1000000);
        lists.push_back("\"" + std::to_string(number) + "\", \"Naam " + std::to_string(random() % 5000) + "\", \"Plaats "
            + std::to_string(i) + "\"");
    }
    return lists;
}

void FillAndSort(benchmark::State& state, bool entryOrder)
{
    App();
    const std::vector<std::string> lists = ItemLists(int(state.range(0)), entryOrder);
    for (auto _ : state) {
        TZEBSortGrid grid;
        grid.setObjectName("grdBench");
        grid.SetColCount(3);
        grid.SetFixedCols(0);
        grid.SetRowCount(2);
        grid.Columns()[0]->SetFormat(cfNumber);
        grid.Sort(0, false);
        for (const auto& items : lists)
            grid.InsertRow(items);
        grid.Sort(0, false);
        benchmark::DoNotOptimize(grid.Cells(0, 1));
    }
}

void FillAndSortFloor(benchmark::State& state, bool entryOrder)
{
    const std::vector<std::string> lists = ItemLists(int(state.range(0)), entryOrder);
    for (auto _ : state) {
        std::multimap<long, std::array<std::string, 3>> rows;
        for (const auto& items : lists) {
            std::array<std::string, 3> values;
            std::size_t at = 0;
            for (auto& value : values) {
                const std::size_t open = items.find('"', at);
                const std::size_t close = items.find('"', open + 1);
                value.assign(items, open + 1, close - open - 1);
                at = close + 1;
            }
            const long number = std::strtol(values[0].c_str(), nullptr, 10);
            rows.emplace(number, std::move(values));
        }
        benchmark::DoNotOptimize(rows.begin()->second[0]);
    }
}

} // namespace

BENCHMARK_CAPTURE(FillAndSort, RandomOrder, false)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillAndSortFloor, RandomOrder, false)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillAndSort, EntryOrder, true)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillAndSortFloor, EntryOrder, true)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::RunWithRatios(argc, argv);
}
