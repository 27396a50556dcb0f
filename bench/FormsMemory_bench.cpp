// Two hundred forms made one after another in one process, as a user makes them in one run of the
// program: each a request of the list of candidates (ZV01, 80 candidates) through the driver, with
// the one word processor the program keeps for its whole run, the documents shown by handing them
// to an opener that opens nothing.  Reports the peak memory (ru_maxrss) and the heap in use after
// the first five forms and after all of them.
#include "FormsBench.h"
#include "WordProcessor.h"
#include "uZVWord.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <malloc.h>
#include <sys/resource.h>

namespace {

double PeakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

double HeapMB()
{
    return double(mallinfo2().uordblks) / (1024 * 1024);
}

void BM_TwoHundredForms(benchmark::State& state)
{
    const bench::TBenchLists lists(80);
    const int forms = 200, first = 5;
    for (auto _ : state) {
        int shown = 0;
        TWordProcessor word([&shown](const QString&) { return ++shown, true; });
        const TTemplateEnvironment environment{[&word] { return &word; }, [] { return std::vector<std::string>{"bench"}; }};
        for (int i = 1; i <= forms; ++i) {
            StartTemplateWith("ZV01", environment);
            if (i == first) {
                state.counters["peak_MB_5"] = PeakMB();
                state.counters["heap_MB_5"] = HeapMB();
            }
        }
        state.counters["peak_MB_200"] = PeakMB();
        state.counters["heap_MB_200"] = HeapMB();
        if (shown != forms || word.DocumentsCount() != forms)
            state.SkipWithError("not every form was made and shown");
    }
}

} // namespace

BENCHMARK(BM_TwoHundredForms)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    const bench::TBenchFolders folders;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
