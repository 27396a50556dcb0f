// Importing candidates from a CSV file: the dialog's sample and ImportFile, the records, and the
// main window's grid filled from them (InsertRow per record, then one sort on the number).
#include "fImportCSVTXT.h"

#include "ZEBSortGrid.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <random>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "ImportCSVTXT_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

// A UTF-8 file of lines candidates; one line in ten has accented letters.
std::filesystem::path ImportFileOf(int lines)
{
    static QTemporaryDir dir;
    const std::filesystem::path path =
        std::filesystem::path(dir.path().toStdString()) / ("import" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(path))
        return path;
    std::mt19937 random(7);
    std::ofstream out(path, std::ios::binary);
    out << "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats\n";
    for (int i = 0; i < lines; ++i) {
        const bool accents = i % 10 == 0;
        out << random() % 1000 << ';' << (accents ? "M\xC3\xBCller-Citro\xC3\xABn" : "Jansen") << random() % 5000
            << ";J.P.;van der;" << (accents ? "Ren\xC3\xA9" : "Johannes") << ";M;" << 1 + random() % 28 << '-'
            << 1 + random() % 12 << "-19" << 40 + random() % 60 << ";Dorpsstraat " << i << ";1234 AB;Plaats "
            << random() % 400 << "\r\n";
    }
    return path;
}

std::vector<std::string> ImportLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    auto dialog = TBaseForm::Create<TfrmImportCSVTXT>();
    dialog->Initialize(file, &lines, true, false, true);
    dialog->ImportFile();
    return lines;
}

// The grid as the main window rebuilds it from KandidaatList.
void FillGrid(TZEBSortGrid& grid)
{
    for (int i = 0; i < KandidaatList->Count(); ++i) {
        const TKandidaatRecord& k = *KandidaatList->Items(i);
        grid.InsertRow("\"" + k.KandidaatNr.AsString() + "\",\"" + k.NaamStemapparaat.AsString() + "\",\"" +
                       k.Plaats.AsString() + "\"");
    }
    grid.Sort(0, false);
}

std::unique_ptr<TZEBSortGrid> EmptyGrid()
{
    auto grid = std::make_unique<TZEBSortGrid>();
    grid->setObjectName("grdKandidaten");
    grid->SetColCount(3);
    grid->SetFixedCols(0);
    grid->SetRowCount(2);
    grid->Columns()[0]->SetFormat(cfNumber);
    return grid;
}

void ImportFile(benchmark::State& state)
{
    App();
    const auto file = ImportFileOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ImportLines(file));
    state.SetComplexityN(state.range(0));
}

void Records(benchmark::State& state)
{
    App();
    const auto lines = ImportLines(ImportFileOf(int(state.range(0))));
    for (auto _ : state) {
        TZVLists lists;
        AddImportedKandidaten(lines, *KandidaatList);
        benchmark::DoNotOptimize(KandidaatList->Count());
    }
    state.SetComplexityN(state.range(0));
}

void Grid(benchmark::State& state)
{
    App();
    TZVLists lists;
    AddImportedKandidaten(ImportLines(ImportFileOf(int(state.range(0)))), *KandidaatList);
    for (auto _ : state) {
        auto grid = EmptyGrid();
        FillGrid(*grid);
        benchmark::DoNotOptimize(grid->Cells(0, 1));
    }
    state.SetComplexityN(state.range(0));
}

// File to grid, as the user waits for it.
void Whole(benchmark::State& state)
{
    App();
    const auto file = ImportFileOf(int(state.range(0)));
    for (auto _ : state) {
        TZVLists lists;
        AddImportedKandidaten(ImportLines(file), *KandidaatList);
        auto grid = EmptyGrid();
        FillGrid(*grid);
        benchmark::DoNotOptimize(grid->Cells(0, 1));
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(ImportFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Records)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Grid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Whole)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
