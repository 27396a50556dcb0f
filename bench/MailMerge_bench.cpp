// The word processor's one-pass merge of 1,000 to 100,000 candidate records into one document, from
// opening the template to the merged package written, beside its floor: unpacking the same template
// and packing the same output.  Three roads: one copy per record; a catalogue of 20 rows per copy
// with NEXT fields; a copy per record whose marker becomes a form field.
//
// After the timings the program prints each road's ratio to its floor (also without the text driver's
// query of the records, timed on its own) and the peak memory of one
// pass, measured in a child process of its own (this program started with --peak ROAD N, which
// prints its peak resident size).  Run
// with --hostile text|empty N (under /usr/bin/time -v) it merges a hostile template for N
// candidates.
#include "WordProcessor.h"

#include "Exceptions.h"
#include "RegistryStore.h"
#include "uUtils.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <unistd.h>
#include <zip.h>

namespace fs = std::filesystem;

namespace {

// A private folder for the files and the registry store, removed at the end of the run; the
// children that measure peak memory work in their parent's.
const struct TBenchFolder {
    TBenchFolder()
    {
        if (const char* inherited = std::getenv("ZORVANDEL_MERGE_BENCH_DIR")) {
            Path = inherited;
            Owned = false;
        }
        fs::create_directories(Path / "config");
        setenv("XDG_CONFIG_HOME", (Path / "config").c_str(), 1);
        setenv("ZORVANDEL_MERGE_BENCH_DIR", Path.c_str(), 1);
        InstallODBCDriverIfNecessary();
    }
    ~TBenchFolder()
    {
        std::error_code ignored;
        if (Owned)
            fs::remove_all(Path, ignored);
    }
    fs::path Path = fs::temp_directory_path() / ("zorvandel-merge-bench-" + std::to_string(::getpid()));
    bool Owned = true;
} Folder;

const char* const Namespaces = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string Field(const std::string& instruction)
{
    return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> " + instruction
        + " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>x</w:t></w:r>"
          "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

std::string WriteTemplate(const std::string& name, const std::string& body)
{
    TWordPackage package;
    package.SetPart("[Content_Types].xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                    "<Override PartName=\"/word/settings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/></Types>");
    package.SetPart("_rels/.rels", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                                   "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    package.SetPart("word/_rels/document.xml.rels",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/></Relationships>");
    package.SetPart("word/document.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document ") + Namespaces + "><w:body>" + body
                                             + "<w:sectPr/></w:body></w:document>");
    package.SetPart("word/settings.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:settings ") + Namespaces
                                             + "><w:documentProtection w:edit=\"forms\" w:enforcement=\"1\"/></w:settings>");
    const fs::path path = Folder.Path / (name + ".dot");
    package.Save(QString::fromStdString(path.string()));
    return path.string();
}

// kand.txt with count records, in its own folder, with its SCHEMA.INI.
std::string DataFolder(int count)
{
    const fs::path folder = Folder.Path / ("data" + std::to_string(count));
    if (!fs::exists(folder)) {
        fs::create_directories(folder);
        std::string text = "\"kand_nr\"\t\"naamkand\"\t\"adres\"\t\"postcode\"\t\"plaats\"\r\n";
        for (int i = 1; i <= count; ++i)
            text += "\"" + std::to_string(i) + "\"\t\"Achternaam " + std::to_string(i) + "\"\t\"Straat " + std::to_string(i)
                + "\"\t\"1234 AB\"\t\"Plaats\"\r\n";
        QFile data(QString::fromStdString((folder / "kand.txt").string()));
        data.open(QIODevice::WriteOnly);
        data.write(text.data(), static_cast<qint64>(text.size()));
        QFile schema(QString::fromStdString((folder / "SCHEMA.INI").string()));
        schema.open(QIODevice::WriteOnly);
        schema.write("[kand.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n");
    }
    return folder.string() + "/";
}

std::string PerRecord()
{
    return "<w:p>" + Field("MERGEFIELD kand_nr") + "<w:r><w:t xml:space=\"preserve\"> </w:t></w:r>" + Field("MERGEFIELD naamkand")
        + "</w:p><w:p>" + Field("MERGEFIELD adres") + "</w:p><w:p>" + Field("MERGEFIELD postcode")
        + "<w:r><w:t xml:space=\"preserve\">  </w:t></w:r>" + Field("MERGEFIELD plaats") + "</w:p>";
}

std::string Catalogue()
{
    std::string rows;
    for (int i = 0; i < 20; ++i)
        rows += "<w:tr><w:tc><w:p>" + (i ? Field("NEXT") : std::string()) + Field("MERGEFIELD kand_nr") + "</w:p></w:tc><w:tc><w:p>"
            + Field("MERGEFIELD naamkand") + "</w:p></w:tc></w:tr>";
    return "<w:tbl>" + rows + "</w:tbl>";
}

struct TRoad {
    const char* Name;
    std::string (*Body)();
    bool Markers;
};

const TRoad Roads[] = {
    {"CopyPerRecord", PerRecord, false},
    {"Catalogue", Catalogue, false},
    {"CopyPerRecordWithMarker", [] { return PerRecord() + "<w:p><w:r><w:t>Handtekening: [*]</w:t></w:r></w:p>"; }, true},
};
const int Sizes[] = {1'000, 10'000, 100'000};

const std::string& TemplateOf(const TRoad& road)
{
    static std::map<std::string, std::string> written;
    auto it = written.find(road.Name);
    if (it == written.end())
        it = written.emplace(road.Name, WriteTemplate(road.Name, road.Body())).first;
    return it->second;
}

// Every part of the package at path, whatever its size: the floor packs what the pass wrote.
TWordPackage Unpack(const QString& path)
{
    TWordPackage package;
    zip_t* archive = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, nullptr);
    for (zip_int64_t i = 0; archive && i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(file, data.data(), st.size);
        zip_fclose(file);
        package.SetPart(st.name, std::move(data));
    }
    if (archive)
        zip_discard(archive);
    return package;
}

QString OutputPath() { return QString::fromStdString((Folder.Path / "merged.docx").string()); }

// The forms driver's search for the markers that become form fields.
TFindArgs MarkerSearch()
{
    TFindArgs find;
    find.FindText = "[*]";
    find.Forward = false;
    find.Wrap = wdFindContinue;
    return find;
}

// One pass as the forms driver makes it: open, unprotect, merge, close the template, (fields,) protect and write the merged package; what the merge made.
TMergedSize Pass(const TRoad& road, int records)
{
    const std::string folder = DataFolder(records);
    TWordProcessor word([](const QString&) { return true; });
    word.OpenDocument(TemplateOf(road));
    word.Unprotect("");
    TOpenDataSourceArgs args;
    args.Name = folder;
    args.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
    args.SQLStatement = "SELECT * FROM kand.txt";
    word.OpenDataSource(args);
    word.SetSuppressBlankLines(true);
    word.ExecuteMailMerge(false);
    word.CloseDocument(1, wdDoNotSaveChanges); // the template, as the forms driver closes it
    if (road.Markers)
        for (word.FindExecute(MarkerSearch()); word.FindFound(); word.FindExecute(MarkerSearch()))
            word.AddFormField(wdFieldFormTextInput);
    word.Protect(wdAllowOnlyFormFields);
    word.ActiveDocument()->Save(OutputPath());
    return word.ActiveDocument()->Merged;
}

void Merge(benchmark::State& state, const TRoad* road)
{
    // The first pass writes the template and the data files; it is not timed, as in the floor.
    Pass(*road, static_cast<int>(state.range(0)));
    for (auto _ : state)
        Pass(*road, static_cast<int>(state.range(0)));
    state.SetComplexityN(state.range(0));
}

// The floor: unpack the template, pack the output of the same pass.
void Floor(benchmark::State& state, const TRoad* road)
{
    Pass(*road, static_cast<int>(state.range(0)));
    const TWordPackage output = Unpack(OutputPath());
    const QString dot = QString::fromStdString(TemplateOf(*road));
    for (auto _ : state) {
        const TWordPackage unpacked = TWordPackage::Load(dot);
        benchmark::DoNotOptimize(unpacked.Parts().size());
        output.Save(OutputPath());
    }
}

// The data source's part of a pass: the text driver's query of the records.
void Query(benchmark::State& state)
{
    const std::string folder = DataFolder(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(RunTextQuery("DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder, "SELECT * FROM kand.txt").Rows.size());
}

// Collects the real time of every run for the ratios.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Times; // by name and size ("BM_Query/1000"), in ms
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                Times[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime(); // without "/min_time:..."
    }
};

// The peak resident size of this process in KB (its own, not what a parent held before exec).
long PeakKilobytes()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The peak resident size of this program run as a child for one pass, in MB.
double PeakMegabytes(const std::string& self, const char* what, const TRoad& road, int records)
{
    const std::string command = "'" + self + "' " + what + " " + road.Name + " " + std::to_string(records) + " 2>/dev/null";
    FILE* child = popen(command.c_str(), "r");
    long kilobytes = -1;
    if (child && std::fscanf(child, "peak %ld", &kilobytes) != 1)
        kilobytes = -1;
    if (child)
        pclose(child);
    return static_cast<double>(kilobytes) / 1024.0;
}

int ChildPass(const std::string& what, const std::string& name, int records)
{
    for (const TRoad& road : Roads)
        if (name == road.Name) {
            if (what == "--peak") {
                const TMergedSize merged = Pass(road, records);
                std::fprintf(stderr, "%s %d: %zu bytes, %zu nodes merged\n", road.Name, records, merged.Bytes, merged.Nodes);
            } else {
                const TWordPackage unpacked = TWordPackage::Load(QString::fromStdString(TemplateOf(road)));
                const TWordPackage output = Unpack(OutputPath()); // left by the last pass
                output.Save(OutputPath() + ".floor");
            }
            std::printf("peak %ld\n", PeakKilobytes());
            return 0;
        }
    return 2;
}

// Hostile templates within the package bound, merged once per candidate as the forms driver does:
// 62 MB of text in 62,000 paragraphs, or 10 million empty paragraphs.  Prints how the passes end.
// The template and the data are made by the first run (N = 0) in ZORVANDEL_MERGE_BENCH_DIR.
int HostilePasses(const std::string& kind, int candidates)
{
    std::string dot = (Folder.Path / ("hostile-" + kind + ".dot")).string();
    if (!fs::exists(dot)) {
        const std::string text = kind == "text" ? std::string(1000, 'x') : std::string();
        std::string body = "<w:p>" + Field("MERGEFIELD naamkand") + "</w:p>";
        const std::string paragraph = text.empty() ? "<w:p/>" : "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
        for (int i = 0; i < (text.empty() ? 10'000'000 : 62'000); ++i)
            body += paragraph;
        dot = WriteTemplate("hostile-" + kind, body);
    }
    const std::string folder = DataFolder(1'000);
    TWordProcessor word([](const QString&) { return true; });
    int made = 0;
    try {
        for (int i = 1; i <= candidates; ++i) {
            word.OpenDocument(dot);
            word.Unprotect("");
            TOpenDataSourceArgs args;
            args.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
            args.SQLStatement = "SELECT * FROM kand.txt WHERE kand_nr = '" + std::to_string(i) + "'";
            word.OpenDataSource(args);
            word.ExecuteMailMerge(false);
            for (int d = word.DocumentsCount(); d >= 1; --d)
                if (word.DocumentName(d) == "hostile-" + kind + ".dot")
                    word.CloseDocument(d, wdDoNotSaveChanges);
            word.FindExecute(MarkerSearch());
            word.Protect(wdAllowOnlyFormFields);
            ++made;
        }
        std::printf("%s, %d candidates: %d documents made\n", kind.c_str(), candidates, made);
    } catch (const Exception& e) {
        std::printf("%s, %d candidates: %d documents made, then \"%s\"\n", kind.c_str(), candidates, made, e.Message.c_str());
    } catch (const std::exception& e) {
        std::printf("%s, %d candidates: %d documents made, then %s\n", kind.c_str(), candidates, made, e.what());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && (std::strcmp(argv[1], "--peak") == 0 || std::strcmp(argv[1], "--peak-floor") == 0))
        return ChildPass(argv[1], argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "--hostile") == 0) {
        const rlimit memory{std::size_t(6) << 30, std::size_t(6) << 30}; // what the old merge took ran far past this
        setrlimit(RLIMIT_AS, &memory);
        return HostilePasses(argv[2], std::atoi(argv[3]));
    }

    // Two seconds of passes at each size, so that a pass of half a second is timed several times
    // and one slow pass does not make the ratio.
    for (const TRoad& road : Roads)
        for (const int n : Sizes) {
            benchmark::RegisterBenchmark((std::string("BM_Merge") + road.Name).c_str(), Merge, &road)->Arg(n)->Unit(benchmark::kMillisecond)->MinTime(2.0);
            benchmark::RegisterBenchmark((std::string("BM_Floor") + road.Name).c_str(), Floor, &road)->Arg(n)->Unit(benchmark::kMillisecond)->MinTime(2.0);
        }
    for (const int n : Sizes)
        benchmark::RegisterBenchmark("BM_Query", Query)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-26s %8s %10s %10s %7s %10s %13s %9s %13s\n", "road", "records", "merge ms", "floor ms", "ratio",
                "query ms", "ratio -query", "peak MB", "floor peak MB");
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    for (const TRoad& road : Roads)
        for (const int n : Sizes) {
            const std::string suffix = std::string(road.Name) + "/" + std::to_string(n);
            const auto merge = reporter.Times.find("BM_Merge" + suffix);
            const auto floor = reporter.Times.find("BM_Floor" + suffix);
            const auto query = reporter.Times.find("BM_Query/" + std::to_string(n));
            if (merge == reporter.Times.end() || floor == reporter.Times.end() || query == reporter.Times.end())
                continue;
            const double peak = PeakMegabytes(self, "--peak", road, n);
            const double floorPeak = PeakMegabytes(self, "--peak-floor", road, n);
            std::printf("%-26s %8d %10.1f %10.1f %7.2f %10.1f %13.2f %9.1f %13.1f\n", road.Name, n, merge->second, floor->second,
                        merge->second / floor->second, query->second, (merge->second - query->second) / floor->second, peak,
                        floorPeak);
        }
    benchmark::Shutdown();
    return 0;
}
