// Writing a merge's seven data files and SCHEMA.INI for 80 and 10,000 candidates, beside a baseline
// that writes the same bytes to the same files with one plain write each.
#include <QFile>
#include "uUtils.h"
#include "uZVWord.h"
#include "uZVGlobals.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

const char* const FileNames[] = {"lijst.txt", "kand.txt",   "kand2.txt",  "gemeente.txt",
                                 "deelraad.txt", "verk.txt", "overig.txt", "SCHEMA.INI"};

const std::vector<std::string> Fields = {"Datum vergadering=Datum", "Volgnummer(AUTONUM)=Nummer",
                                         "Ondertekenaar(NOSTORE)=Naam"};

// The process-wide lists filled with a party and count candidates.
class TFilledLists {
public:
    explicit TFilledLists(int count)
    {
        auto p = std::make_unique<TPartijRecord>();
        p->Afkorting = "ABC";
        p->StatuNaam = "Algemene Bond van Candidaten";
        p->Aanduiding = "ABC";
        PartijList->Add(std::move(p));
        for (int i = 0; i < count; ++i) {
            auto k = std::make_unique<TKandidaatRecord>();
            k->KandidaatNr = std::to_string(i % 1000);
            k->Achternaam = "Achternaam " + std::to_string(i);
            k->Voorletters = "A.B.";
            k->Voorvoegsels = i % 3 ? "" : "van der";
            k->Voornaam = "Voornaam";
            k->NaamStemapparaat = "Achternaam, A.B. (Voornaam) (v)";
            k->Geslacht = "V";
            k->Geboortedatum = "01-02-1970";
            k->Adres = "Straat 1";
            k->Postcode = "1234 AB";
            k->Plaats = "Plaats";
            KandidaatList->Add(std::move(k));
        }
    }

private:
    TZVLists lists_;
};

void BM_WriteMergeDataFiles(benchmark::State& state)
{
    TFilledLists lists(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteMergeDataFiles(nullptr, true, Fields));
    state.SetComplexityN(state.range(0));
}

// The baseline: the bytes those files hold, each file written with one plain write.
void BM_PlainWriteBaseline(benchmark::State& state)
{
    std::vector<std::pair<std::string, std::string>> files;
    {
        TFilledLists lists(static_cast<int>(state.range(0)));
        const std::string folder = QFile::encodeName(WriteMergeDataFiles(nullptr, true, Fields)).toStdString();
        for (const char* name : FileNames) {
            std::ifstream in(folder + name, std::ios::binary);
            files.emplace_back(folder + name, std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        for (const auto& [path, content] : files) {
            const int handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (handle < 0 || ::write(handle, content.data(), content.size()) != ssize_t(content.size()))
                state.SkipWithError("write failed");
            ::close(handle);
            bytes += std::int64_t(content.size());
        }
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(bytes);
}

} // namespace

BENCHMARK(BM_WriteMergeDataFiles)->Arg(80)->Arg(10'000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
BENCHMARK(BM_PlainWriteBaseline)->Arg(80)->Arg(10'000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
