// The H1 report: preparing it (Initialize and building every page, the six texts read from FORMS/
// included) for 100, 1,000 and 10,000 candidates, against its floor: recording the same row texts
// at fixed places into page pictures, with no measuring or laying out.  After the run the ratios
// road / floor are printed per size.  Also: turning to the next page in the previewer.
#include "ZEBPrev.h"
#include "fOvzKandidatenlijstH1.h"
#include "report/QRPreview.h"

#include <QApplication>
#include <QPainter>
#include <QPicture>
#include <QToolButton>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
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
}

// The floor: every candidate's six texts drawn at fixed places into page pictures (44 rows a page,
// as the report holds), a line under each row; the texts taken from the records as the report does.
void FloorH1(benchmark::State& state)
{
    App();
    TZVLists lists;
    FillLists(int(state.range(0)));
    QFont font("Arial");
    font.setPixelSize(11);
    for (auto _ : state) {
        std::vector<QPicture> pages;
        std::unique_ptr<QPainter> painter;
        for (int i = 0; i < KandidaatList->Count(); ++i) {
            const int row = i % 44;
            if (row == 0) {
                painter.reset();
                pages.emplace_back();
                painter = std::make_unique<QPainter>(&pages.back());
                painter->setFont(font);
            }
            const TKandidaatRecord& k = *KandidaatList->Items(i);
            const double y = 100 + row * 22;
            const auto text = [](const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); };
            painter->drawText(QPointF(56, y), text(k.KandidaatNr.AsString() + "."));
            painter->drawText(QPointF(88, y), text(k.Voorvoegsels.AsString() + " " + k.Achternaam.AsString()));
            painter->drawText(QPointF(240, y), text(k.Voorletters.AsString()));
            painter->drawText(QPointF(312, y), text(k.Geboortedatum.AsString()));
            painter->drawText(QPointF(392, y), text(k.Adres.AsString()));
            painter->drawText(QPointF(551, y), text(k.Postcode.AsString() + "  " + k.Plaats.AsString()));
            painter->drawLine(QPointF(48, y + 8), QPointF(688, y + 8));
        }
        painter.reset();
        benchmark::DoNotOptimize(pages.data());
    }
}

BENCHMARK(PrepareH1)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FloorH1)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

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

// The console report, keeping each benchmark's real time per iteration (the median when repeated)
// to print the ratios after it.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                times[name] = run.GetAdjustedRealTime();
        }
    }
    void PrintRatios()
    {
        for (const auto& [name, median] : medians)
            times[name] = median;
        std::printf("\nroad / floor (real time)\n");
        for (const char* size : {"100", "1000", "10000"}) {
            const auto road = times.find(std::string("PrepareH1/") + size);
            const auto floor = times.find(std::string("FloorH1/") + size);
            if (road != times.end() && floor != times.end() && floor->second > 0)
                std::printf("  %6s candidates: %8.2f ms / %8.2f ms = %6.1f\n", size, road->second, floor->second,
                            road->second / floor->second);
        }
        const auto small = times.find("PrepareH1/100");
        const auto large = times.find("PrepareH1/10000");
        if (small != times.end() && large != times.end() && small->second > 0)
            std::printf("  road 10000 / road 100: %.1f (100 times the candidates)\n", large->second / small->second);
    }
    std::map<std::string, double> times, medians;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
