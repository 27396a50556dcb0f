// The main window rebuilding its candidate grid (UpdateLijstGegevens) from a list file of 1,000,
// 10,000 and 100,000 candidates, numbers 1 to 999 in random order, against its floor: copying the
// three texts of every candidate into a table and putting the table in the order of the numbers.
#include "ListFile.h"
#include "RatioReport.h"
#include "ZEBSortGrid.h"
#include "fMain.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdlib>
#include <numeric>
#include <random>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "fMain_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

// Writes a list file with one party record and count candidates.
QString WriteListFile(const QTemporaryDir& dir, int count)
{
    TPartijList partijen;
    TKandidaatList kandidaten;
    auto partij = std::make_unique<TPartijRecord>();
    partij->Afkorting = "BENCH";
    partijen.Add(std::move(partij));
    std::mt19937 random(42);
    for (int i = 0; i < count; ++i) {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = std::to_string(1 + random() % 999);
        k->Achternaam = "Naam " + std::to_string(i);
        k->NaamStemapparaat = "Naam " + std::to_string(i) + ", A.B.";
        k->Plaats = "Plaats " + std::to_string(random() % 500);
        kandidaten.Add(std::move(k));
    }
    const QString path = dir.filePath("bench.lst");
    WriteLijst(QFile::encodeName(path).toStdString(), partijen, kandidaten);
    return path;
}

// A main window with the list file of state.range(0) candidates opened.
std::unique_ptr<TfrmMain> OpenedMainWindow(benchmark::State& state, const QTemporaryDir& dir)
{
    App();
    auto form = TBaseForm::Create<TfrmMain>();
    form->OpenLijst(WriteListFile(dir, int(state.range(0))));
    if (KandidaatList->Count() != state.range(0))
        state.SkipWithError("the list file was not read");
    return form;
}

void UpdateLijstGegevens(benchmark::State& state)
{
    QTemporaryDir dir;
    auto form = OpenedMainWindow(state, dir);
    for (auto _ : state) {
        form->UpdateLijstGegevens();
        form->grdKandidaten->UpdateView();
    }
    state.counters["rows"] = double(form->grdKandidaten->RowCount() - 1);
}

void UpdateLijstGegevensFloor(benchmark::State& state)
{
    QTemporaryDir dir;
    auto form = OpenedMainWindow(state, dir);
    const TKandidaatList& list = *KandidaatList;
    std::vector<std::array<std::string, 3>> table;
    std::vector<std::array<std::string, 3>> sorted;
    std::vector<int> numbers;
    std::vector<int> order;
    for (auto _ : state) {
        const auto count = std::size_t(list.Count());
        table.resize(count);
        numbers.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const TKandidaatRecord& k = *list.Items(int(i));
            const std::string_view number = k.KandidaatNr.View();
            table[i][0].assign(number);
            table[i][1].assign(k.NaamStemapparaat.View());
            table[i][2].assign(k.Plaats.View());
            std::from_chars(number.data(), number.data() + number.size(), numbers[i]);
        }
        order.resize(count);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return numbers[a] < numbers[b]; });
        sorted.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            sorted[i] = table[std::size_t(order[i])];
        benchmark::DoNotOptimize(sorted.data());
    }
}

} // namespace

BENCHMARK(UpdateLijstGegevens)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateLijstGegevensFloor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return bench::RunWithRatios(argc, argv);
}
