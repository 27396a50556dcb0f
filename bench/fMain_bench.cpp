// The main window rebuilding its candidate grid (UpdateLijstGegevens) from a list file of
// 10,000 candidates, numbers 1 to 999 in random order.
#include "ListFile.h"
#include "ZEBSortGrid.h"
#include "fMain.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
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

void UpdateLijstGegevens(benchmark::State& state)
{
    App();
    QTemporaryDir dir;
    const QString file = WriteListFile(dir, int(state.range(0)));
    auto form = TBaseForm::Create<TfrmMain>();
    form->OpenLijst(file);
    if (KandidaatList->Count() != state.range(0))
        state.SkipWithError("the list file was not read");
    for (auto _ : state) {
        form->UpdateLijstGegevens();
        form->grdKandidaten->UpdateView();
    }
    state.counters["rows"] = double(form->grdKandidaten->RowCount() - 1);
}

} // namespace

BENCHMARK(UpdateLijstGegevens)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
