// The per-candidate form of the shipped forms folder for 8, 80 and 800 chosen candidates, as the
// driver makes it: the data files, one statement, merge, form fields and protection per candidate,
// and the packages written into the private folder (handed to an opener that opens nothing).  The
// selection dialog is answered at once by choosing every candidate.
//
// Its floor, in the same run: the same data files written and the same template merged once with
// every candidate (one copy per candidate, form fields, protection, one package written).  At the
// end the ratios of the real and of the CPU times are printed (of the medians with
// --benchmark_repetitions): form against floor per size, and each size against the one before.
// The folders lie under $TMPDIR; on a disk file system the cost of creating the hundreds of
// documents right after the previous iteration deleted them can grow faster than their number; on
// a tmpfs it does not (TMPDIR=/dev/shm).
#include "FormsBench.h"
#include "PrivateTempFolder.h"
#include "WordProcessor.h"
#include "ZEBDLB.h"
#include "fWordSelectie.h"
#include "uUtils.h"
#include "uZVWord.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

using bench::TBenchLists;

const char* const FormCode = "ZV02";

// Chooses every candidate in the selection dialog as soon as it is shown.
void AnswerSelection()
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<TfrmSelectie*>(QApplication::activeModalWidget());
        if (!dialog) {
            AnswerSelection();
            return;
        }
        dialog->dlbSelectie->MoveAllToDestination();
        dialog->btnOk->click();
    });
}

void RemoveWrittenDocuments()
{
    for (const QString& name : QDir(PrivateTempFolder()).entryList({"*.docx"}, QDir::Files))
        QFile::remove(PrivateTempFolder() + "/" + name);
}

void BM_PerCandidateForm(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const TBenchLists lists(count);
    int written = 0;
    for (auto _ : state) {
        TWordProcessor word([&written](const QString&) { return ++written, true; });
        AnswerSelection();
        StartTemplateWith(FormCode, {[&word] { return &word; }, [] { return std::vector<std::string>{"bench"}; }});
        state.PauseTiming();
        if (word.DocumentsCount() != count)
            state.SkipWithError("not every document was made");
        RemoveWrittenDocuments();
        state.ResumeTiming();
    }
    state.counters["documents"] = benchmark::Counter(written, benchmark::Counter::kAvgIterations);
}

// The floor: the data files and one merge of the form's template with every candidate.
void BM_DataFilesAndOneMerge(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const TBenchLists lists(count);
    std::vector<std::string> selection;
    for (int i = 1; i <= count; ++i)
        selection.push_back((i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i) + "=Achternaam " + std::to_string(i));
    const std::string dot = QFile::encodeName(FormsDir + "ZV/TEMPLATE/" + FormCode + ".dot").toStdString();
    const QString output = PrivateTempFolder() + "/floor.docx";
    for (auto _ : state) {
        const std::string folder = QFile::encodeName(WriteMergeDataFiles(&selection, false, {})).toStdString();
        TWordProcessor word([](const QString&) { return true; });
        word.OpenDocument(dot);
        word.Unprotect("");
        TOpenDataSourceArgs args;
        args.Name = folder;
        args.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
        args.SQLStatement = "SELECT kand.txt.kand_nr, kand.txt.voornaam, kand.txt.voorlettrs, kand.txt.naamkand, "
                            "kand.txt.geslacht, kand.txt.gebdatum, kand.txt.adres, kand.txt.postcode, kand.txt.plaats, "
                            "lijst.txt.aanduiding FROM kand.txt, lijst.txt WHERE kand.txt.lijst_id = lijst.txt.lijst_id";
        word.OpenDataSource(args);
        word.SetSuppressBlankLines(true);
        word.ExecuteMailMerge(false);
        TFindArgs find;
        find.FindText = "[*]";
        find.Forward = false;
        find.Wrap = wdFindContinue;
        for (word.FindExecute(find); word.FindFound(); word.FindExecute(find))
            word.AddFormField(wdFieldFormTextInput);
        word.HomeKey(wdStory);
        word.Protect(wdAllowOnlyFormFields);
        word.ActiveDocument()->Save(output);
    }
}

// The console report, followed by the ratios of the real and of the CPU times.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        // One run, or the median of repetitions.
        for (const Run& run : reports)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                times_[run.run_name.function_name][std::stoi(run.run_name.args)] = {run.GetAdjustedRealTime(),
                                                                                      run.GetAdjustedCPUTime()};
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        PrintRatios("real", &TTimes::Real);
        PrintRatios("CPU", &TTimes::Cpu);
    }

private:
    struct TTimes {
        double Real = 0, Cpu = 0;
    };

    // A ratio, or "-" when one of the two was not run.
    static std::string Ratio(const TTimes* a, const TTimes* b, double TTimes::*time)
    {
        char text[32] = "-";
        if (a && b && b->*time > 0)
            std::snprintf(text, sizeof text, "%.2f", a->*time / (b->*time));
        return text;
    }

    void PrintRatios(const char* kind, double TTimes::*time)
    {
        const auto& form = times_["BM_PerCandidateForm"];
        const auto& floor = times_["BM_DataFilesAndOneMerge"];
        std::printf("\n%s time: candidates  form/floor  form growth  floor growth\n", kind);
        const TTimes* previousForm = nullptr;
        const TTimes* previousFloor = nullptr;
        for (const auto& [count, times] : form) {
            const auto f = floor.find(count);
            const TTimes* floorTimes = f == floor.end() ? nullptr : &f->second;
            std::printf("%21d  %10s  %11s  %12s\n", count, Ratio(&times, floorTimes, time).c_str(),
                        Ratio(&times, previousForm, time).c_str(), Ratio(floorTimes, previousFloor, time).c_str());
            previousForm = &times;
            previousFloor = floorTimes;
        }
    }

    std::map<std::string, std::map<int, TTimes>> times_;
};

} // namespace

// Five seconds at each size, so that the form for 800 candidates (about two seconds) is timed more
// than once and its growth is not one pass's.
BENCHMARK(BM_DataFilesAndOneMerge)->Arg(8)->Arg(80)->Arg(800)->Unit(benchmark::kMillisecond)->MinTime(5.0);
BENCHMARK(BM_PerCandidateForm)->Arg(8)->Arg(80)->Arg(800)->Unit(benchmark::kMillisecond)->MinTime(5.0);

int main(int argc, char** argv)
{
    const bench::TBenchFolders folders;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
