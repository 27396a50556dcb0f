// The H1 report: preparing it (Initialize and building every page, the six texts read from FORMS/
// included) for 80 to 10,000 candidates, and turning to the next page in the previewer.
#include "ZEBPrev.h"
#include "fOvzKandidatenlijstH1.h"
#include "report/QRPrntr.h"

#include <QApplication>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "fOvzKandidatenlijstH1_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

// One party and count candidates; numbers hold three characters, so beyond 999 they repeat.
void FillLists(int count)
{
    PartijList->Clear();
    KandidaatList->Clear();
    auto partij = std::make_unique<TPartijRecord>();
    partij->Aanduiding = "Bench Partij";
    partij->NaamGemachtigde = "A. Gemachtigde";
    PartijList->Add(std::move(partij));
    for (int i = 0; i < count; ++i) {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = std::to_string(count - i > 999 ? 1 + i % 999 : count - i);
        k->Voorvoegsels = i % 3 == 0 ? "van der" : "";
        k->Achternaam = "Achternaam" + std::to_string(i);
        k->Voorletters = "A.B.";
        k->Geboortedatum = "01-02-1970";
        k->Adres = "Lange Dorpsstraat " + std::to_string(i);
        k->Postcode = "1234 AB";
        k->Plaats = "Plaats" + std::to_string(i % 500);
        KandidaatList->Add(std::move(k));
    }
}

void PrepareH1(benchmark::State& state)
{
    App();
    TZVLists lists;
    FillLists(int(state.range(0)));
    int pages = 0;
    for (auto _ : state) {
        auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
        form->Initialize();
        form->Report.Prepare();
        pages = form->Report.QRPrinter()->PageCount();
    }
    state.counters["pages"] = pages;
    state.SetComplexityN(state.range(0));
}
BENCHMARK(PrepareH1)->Arg(80)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// Next page (button) and painting it at zoom 100, in the previewer holding the report of 80.
void NextPage(benchmark::State& state)
{
    App();
    TZVLists lists;
    FillLists(80);
    auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
    form->Initialize();
    form->Report.Prepare();
    TfrmZEBPreviewer previewer;
    const int count = form->Report.QRPrinter()->PageCount();
    previewer.SetQRPrinter(form->Report.ReleaseQRPrinter());
    previewer.resize(1024, 768);
    previewer.show();
    QApplication::processEvents();
    for (auto _ : state) {
        if (previewer.ZEBPreview->PageNumber() >= count) {
            state.PauseTiming();
            previewer.sbFirstPage->click();
            state.ResumeTiming();
        }
        previewer.sbNextPage->click();
        benchmark::DoNotOptimize(previewer.ZEBPreview->PageImage());
    }
    previewer.close();
}
BENCHMARK(NextPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
