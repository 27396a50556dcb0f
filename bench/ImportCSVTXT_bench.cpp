// Importing candidates from a CSV file: the dialog's sample and ImportFile, the records, and the
// main window's grid filled from them (InsertRow per record, then one sort on the number).
//
// Large inputs (run each alone, its peak memory is the process's; /usr/bin/time -v agrees):
//   --benchmark_filter=WideHeader   a 66 KB file: a header of 65,535 ";" and 2,000 empty lines
//   --benchmark_filter=LargeFile    the most candidates an import takes (100,000 ordinary rows,
//                                   about 10 MB); peak_per_file is the peak memory over the file's size
//   --benchmark_filter=EmptyLines   64 MB of empty lines under a 10-column header: more data lines
//                                   than one import takes, refused
//   --benchmark_filter=OverSize     a file of 1 GB (sparse): refused by its size
#include "fImportCSVTXT.h"

#include "ZEBSortGrid.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sys/resource.h>

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

const char* const Header =
    "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats";

std::filesystem::path TempFile(const std::string& name)
{
    static QTemporaryDir dir;
    return std::filesystem::path(dir.path().toStdString()) / name;
}

// A UTF-8 file of lines candidates; one line in ten has accented letters.
std::filesystem::path ImportFileOf(int lines)
{
    const std::filesystem::path path = TempFile("import" + std::to_string(lines) + ".csv");
    if (std::filesystem::exists(path))
        return path;
    std::mt19937 random(7);
    std::ofstream out(path, std::ios::binary);
    out << Header << "\n";
    for (int i = 0; i < lines; ++i) {
        const bool accents = i % 10 == 0;
        out << random() % 1000 << ';' << (accents ? "M\xC3\xBCller-Citro\xC3\xABn" : "Jansen") << random() % 5000
            << ";J.P.;van der;" << (accents ? "Ren\xC3\xA9" : "Johannes") << ";M;" << 1 + random() % 28 << '-'
            << 1 + random() % 12 << "-19" << 40 + random() % 60 << ";Dorpsstraat " << i << ";1234 AB;Plaats "
            << random() % 400 << "\r\n";
    }
    return path;
}

// A header and then lines empty lines.
std::filesystem::path EmptyLinesFile(const std::string& header, long lines)
{
    const std::filesystem::path path =
        TempFile("empty" + std::to_string(header.size()) + "_" + std::to_string(lines) + ".csv");
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        out << header << "\n";
        const std::string block(1 << 20, '\n');
        for (long left = lines; left > 0; left -= long(block.size()))
            out.write(block.data(), std::streamsize(std::min<long>(left, long(block.size()))));
    }
    return path;
}

TImportLines ImportLines(const std::filesystem::path& file)
{
    TImportLines lines;
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

// File to records, as the main window's import runs it once OK is pressed.
void FileToRecords(benchmark::State& state, const std::filesystem::path& file)
{
    App();
    std::string failure;
    for (auto _ : state) {
        TZVLists lists;
        try {
            AddImportedKandidaten(ImportLines(file), *KandidaatList);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        state.counters["records"] = KandidaatList->Count();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024;
    state.counters["peak_per_file"] = double(usage.ru_maxrss) * 1024 / double(std::filesystem::file_size(file));
    if (!failure.empty())
        state.SetLabel(failure);
}

void WideHeader(benchmark::State& state)
{
    FileToRecords(state, EmptyLinesFile(std::string(65535, ';'), 2000));
}

void LargeFile(benchmark::State& state)
{
    FileToRecords(state, ImportFileOf(int(MaxImportLines)));
}

void EmptyLines(benchmark::State& state)
{
    FileToRecords(state, EmptyLinesFile(Header, long(MaxImportBytes) - long(std::strlen(Header)) - 1));
}

void OverSize(benchmark::State& state)
{
    const std::filesystem::path path = TempFile("groot.csv");
    std::ofstream(path, std::ios::binary) << Header << "\n";
    std::filesystem::resize_file(path, std::uintmax_t(1) << 30);
    FileToRecords(state, path);
}

} // namespace

BENCHMARK(WideHeader)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeFile)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyLines)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OverSize)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Records)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Grid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(Whole)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
