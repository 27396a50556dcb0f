// Preparing a report of one strings band (six labels a row, two of them wrapping, a line under
// each row) with a title, page footer and summary, for 80 and 10,000 rows; building it on the
// preview's thread until finished; and showing the next page in the preview control.
#include "report/QRPreview.h"
#include "report/QuickRpt.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "QuickRpt_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

struct RowReport {
    TQuickRep report;
    TQRBand& title = report.AddBand<TQRBand>(rbTitle);
    TQRStringsBand& rows = report.AddBand<TQRStringsBand>();
    TQRBand& footer = report.AddBand<TQRBand>(rbPageFooter);
    TQRBand& summary = report.AddBand<TQRBand>(rbSummary);

    explicit RowReport(int count)
    {
        report.Options.LastPageFooter = true;
        title.Height = 241;
        title.Add<TQRLabel>("KANDIDATENLIJST");
        footer.Height = 21;
        footer.Frame.DrawTop = true;
        footer.Add<TQRLabel>("Voetregel");
        summary.Height = 74;
        summary.Add<TQRLabel>("zie toelichting");
        rows.Height = 22;
        rows.Frame.DrawBottom = true;
        QFont font("Arial");
        font.setPixelSize(11);
        std::vector<TQRLabel*> labels;
        for (const auto& [left, width, grows] : std::vector<std::tuple<double, double, bool>>{
                 {8, 30, false}, {40, 150, true}, {192, 70, false}, {264, 75, false}, {344, 155, true}, {503, 130, true}}) {
            TQRLabel& label = rows.Add<TQRLabel>();
            label.Left = left;
            label.Top = 3;
            label.Width = width;
            label.Font = font;
            label.AutoSize = !grows;
            label.AutoStretch = grows;
            label.WordWrap = grows;
            labels.push_back(&label);
        }
        rows.BeforePrint = [this, labels](TQRCustomBand&, bool&) {
            const std::string& item = rows.Item();
            labels[0]->Caption = item + ".";
            labels[1]->Caption = "van der Achternaam " + item;
            labels[2]->Caption = "A.B.C.";
            labels[3]->Caption = "01-02-1970";
            labels[4]->Caption = "Lange Straatnaam " + item;
            labels[5]->Caption = "1234 AB  Plaatsnaam";
        };
        for (int i = 1; i <= count; ++i)
            rows.Items.push_back(std::to_string(i));
    }
};

void Prepare(benchmark::State& state)
{
    App();
    RowReport r(int(state.range(0)));
    for (auto _ : state) {
        r.report.Prepare();
        benchmark::DoNotOptimize(r.report.QRPrinter()->PageCount());
    }
    state.counters["pages"] = r.report.QRPrinter()->PageCount();
}

void PreviewBuild(benchmark::State& state)
{
    App();
    RowReport r(int(state.range(0)));
    r.report.OnPreview = [](TQuickRep&) {};
    for (auto _ : state) {
        r.report.Preview();
        while (r.report.QRPrinter()->Status() != mpFinished)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void NextPageInPreview(benchmark::State& state)
{
    App();
    RowReport r(400);
    r.report.Prepare();
    TQRPreview preview;
    preview.resize(1000, 800);
    preview.SetQRPrinter(r.report.QRPrinter());
    preview.ZoomToWidth();
    const int count = r.report.QRPrinter()->PageCount();
    int page = 1;
    for (auto _ : state) {
        page = page % count + 1;
        preview.SetPageNumber(page);
        preview.viewport()->repaint();
        benchmark::DoNotOptimize(preview.PageImage().width());
    }
}

} // namespace

BENCHMARK(Prepare)->Arg(80)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PreviewBuild)->Arg(80)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(NextPageInPreview)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
