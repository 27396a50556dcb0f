// The per-candidate form of the shipped forms folder for 80 chosen candidates, as the driver makes
// it: the data files, 80 statements, 80 merges with their form fields and protection, and 80
// packages written into the private folder (handed to an opener that opens nothing).  The
// selection dialog is answered at once by choosing every candidate.
#include "PrivateTempFolder.h"
#include "WordProcessor.h"
#include "ZEBDLB.h"
#include "fWordSelectie.h"
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"
#include "uZVWord.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>

namespace {

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

void BM_PerCandidateForm(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    TZVLists lists;
    auto p = std::make_unique<TPartijRecord>();
    p->Afkorting = "ABC";
    p->StatuNaam = "Algemene Bond van Candidaten";
    p->Aanduiding = "ABC";
    PartijList->Add(std::move(p));
    for (int i = 1; i <= count; ++i) {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = std::to_string(i);
        k->Achternaam = "Achternaam " + std::to_string(i);
        k->Voorletters = "A.B.";
        k->Voornaam = "Voornaam";
        k->NaamStemapparaat = "Achternaam " + std::to_string(i) + ", A.B.";
        k->Geslacht = "V";
        k->Geboortedatum = "01-02-1970";
        k->Adres = "Straat 1";
        k->Postcode = "1234 AB";
        k->Plaats = "Plaats";
        KandidaatList->Add(std::move(k));
    }
    FormsDir = ZORVANDEL_FORMS_DIR;
    InstallODBCDriverIfNecessary();

    int written = 0;
    for (auto _ : state) {
        TWordProcessor word([&written](const QString&) { return ++written, true; });
        AnswerSelection();
        StartTemplateWith("ZV02", {[&word] { return &word; }, [] { return std::vector<std::string>{"bench"}; }});
        state.PauseTiming();
        if (word.DocumentsCount() != count)
            state.SkipWithError("not every document was made");
        for (const QString& name : QDir(PrivateTempFolder()).entryList({"*.docx"}, QDir::Files))
            QFile::remove(PrivateTempFolder() + "/" + name);
        state.ResumeTiming();
    }
    state.counters["documents"] = benchmark::Counter(written, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_PerCandidateForm)->Arg(80)->Unit(benchmark::kMillisecond)->MinTime(3);

int main(int argc, char** argv)
{
    // An offscreen application, with configuration and temporary folders of its own.
    QTemporaryDir home;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit().constData(), 1);
    setenv("TMPDIR", (home.path() + "/tmp").toLocal8Bit().constData(), 1);
    QDir().mkpath(home.path() + "/tmp");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
