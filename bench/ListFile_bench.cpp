// Opening and saving list files of 80, 10,000 and 100,000 candidates, beside a baseline that only
// reads the same bytes into memory and XORs them.
#include "ListFile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <map>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A private folder for the files, removed at the end of the run.
const struct TBenchFolder {
    TBenchFolder() { fs::create_directories(Path); }
    ~TBenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    fs::path Path = fs::temp_directory_path() / ("zorvandel-bench-" + std::to_string(::getpid()));
} Folder;

void FillLists(TPartijList& partijen, TKandidaatList& kandidaten, int count)
{
    auto p = std::make_unique<TPartijRecord>();
    p->Afkorting = "ABC";
    p->StatuNaam = "Algemene Bond van Candidaten";
    partijen.Add(std::move(p));
    for (int i = 0; i < count; ++i) {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = std::to_string(i % 1000);
        k->Achternaam = "Achternaam " + std::to_string(i);
        k->Voorletters = "A.B.";
        k->Voornaam = "Voornaam";
        k->NaamStemapparaat = "Achternaam, A.B. (Voornaam)";
        k->Geslacht = "V";
        k->Geboortedatum = "01-02-1970";
        k->Adres = "Straat 1";
        k->Postcode = "1234 AB";
        k->Plaats = "Plaats";
        kandidaten.Add(std::move(k));
    }
}

// The list file with count candidates, written once.
fs::path ListFileOf(int count)
{
    static std::map<int, fs::path> files;
    auto& path = files[count];
    if (path.empty()) {
        TPartijList partijen;
        TKandidaatList kandidaten;
        FillLists(partijen, kandidaten, count);
        path = Folder.Path / ("open-" + std::to_string(count) + ".lst");
        WriteLijst(path, partijen, kandidaten);
    }
    return path;
}

void BM_OpenLijst(benchmark::State& state)
{
    const fs::path file = ListFileOf(static_cast<int>(state.range(0)));
    TPartijList partijen;
    TKandidaatList kandidaten;
    for (auto _ : state) {
        ReadLijst(file, partijen, kandidaten);
        benchmark::DoNotOptimize(kandidaten.Items(kandidaten.Count() - 1));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(file)));
}

// The baseline: the same bytes read into memory and XORed in a plain loop.
void BM_ReadAndXorBaseline(benchmark::State& state)
{
    const fs::path file = ListFileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const int handle = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        std::vector<char> bytes(fs::file_size(file));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(handle, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::close(handle);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ static_cast<char>(i + CryptKeyBase));
        benchmark::DoNotOptimize(bytes.data());
        benchmark::ClobberMemory();
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(file)));
}

void BM_SaveLijst(benchmark::State& state)
{
    TPartijList partijen;
    TKandidaatList kandidaten;
    FillLists(partijen, kandidaten, static_cast<int>(state.range(0)));
    const fs::path file = Folder.Path / ("save-" + std::to_string(state.range(0)) + ".lst");
    for (auto _ : state)
        WriteLijst(file, partijen, kandidaten);
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(file)));
}

} // namespace

BENCHMARK(BM_OpenLijst)->Arg(80)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
BENCHMARK(BM_ReadAndXorBaseline)
    ->Arg(80)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_SaveLijst)->Arg(80)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
