// Filling a three-column sort grid row by row while it keeps itself sorted, then one more sort.
#include "ZEBSortGrid.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
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
void FillAndSort(benchmark::State& state, bool entryOrder)
{
    App();
    const int rows = int(state.range(0));
    std::mt19937 random(42);
    std::vector<std::string> lists;
    for (int i = 0; i < rows; ++i) {
        const unsigned number = entryOrder ? unsigned(i + 1) : unsigned(random() % 1000000);
        lists.push_back("\"" + std::to_string(number) + "\", \"Naam " + std::to_string(random() % 5000) + "\", \"Plaats "
            + std::to_string(i) + "\"");
    }
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
    state.SetComplexityN(rows);
}

} // namespace

BENCHMARK_CAPTURE(FillAndSort, RandomOrder, false)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FillAndSort, EntryOrder, true)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
