// Every reader of outside files on the worst shapes of input that fuzzing and reading the code
// brought up, each at growing sizes, so that the fitted complexity shows whether time stays linear
// in the input; and the slowest inputs per byte that the fuzz targets found (bench/inputs/<reader>/),
// each timed on its own.  Memory: "--read <reader> <file>" reads one file once, for /usr/bin/time
// to give its peak (see bench/inputs/README.md).
#include "IniFile.h"
#include "ImportReader.h"
#include "ListFile.h"
#include "RegistryStore.h"
#include "TextDriver.h"
#include "WordDocument.h"
#include "WordTesting.h"
#include "fOvzKandidatenlijstH1.h"
#include "fSelFormulier.h"
#include "report/QRPrntr.h"
#include "uGlobals.h"
#include "uZVWord.h"
#include "RtfReader.h"
#include "uUtils.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QTimer>
#include <QTextDocument>
#include <fstream>
#include <functional>
#include <iterator>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Folder;

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// --- each reader as the program calls it, on the bytes of one file

void ReadListFile(const std::string& bytes)
{
    WriteBytes(Folder / "lijst.lst", bytes);
    TPartijList partij;
    TKandidaatList kandidaten;
    benchmark::DoNotOptimize(OpenLijstFile(Folder / "lijst.lst", partij, kandidaten));
}

// The import as the dialog and the main window run it: lines with their columns, then records.
void ReadImport(const std::string& bytes)
{
    WriteBytes(Folder / "import.csv", bytes);
    try {
        TImportEncoding encoding;
        TImportTextFile file(Folder / "import.csv", encoding);
        std::string line;
        file.ReadLine(line);
        const std::string separator = DetectSeparator(line);
        const bool indicators = DetectIndicators(line);
        std::vector<std::string> names;
        for (TFieldCursor fields(line, separator, indicators); !fields.AtEnd();)
            names.push_back(fields.Next());
        if (names.empty())
            return;
        const auto columns = std::make_shared<const TImportColumns>(names, separator, indicators);
        TImportLines lines;
        while (file.ReadLine(line))
            lines.Add(columns, line);
        std::vector<std::string> items;
        for (std::size_t i = 0; i < lines.Count(); ++i) {
            lines.Columns(i).Items(lines.Line(i), items);
            benchmark::DoNotOptimize(KandidaatFromItems(items));
        }
    } catch (const Exception&) {
    }
}

void ReadRtfText(const std::string& bytes)
{
    QTextDocument doc;
    doc.setDocumentMargin(0);
    try {
        ReadRtf(bytes, doc);
    } catch (const Exception&) {
    }
    doc.setTextWidth(600);
    benchmark::DoNotOptimize(doc.size());
}

void ReadRegistry(const std::string& bytes)
{
    // The other root, so that the text driver's data source stays registered.
    WriteBytes(RegistryStore::FileName(HKEY_CLASSES_ROOT).toStdString(), bytes);
    RegistryStore reg(HKEY_CLASSES_ROOT);
    try {
        benchmark::DoNotOptimize(reg.GetKeyNames());
        benchmark::DoNotOptimize(reg.KeyExists("\\Software\\ODBC\\ODBC.INI\\Text Files"));
    } catch (const Exception&) {
    }
}

void ReadCatalogue(const std::string& bytes)
{
    try {
        benchmark::DoNotOptimize(ParseFormCatalogue(TextLines(bytes)));
    } catch (const Exception&) {
    }
}

// SCHEMA.INI, a NUL byte and the data file, as in the fuzz target.
void ReadTextDriver(const std::string& bytes)
{
    const std::size_t nul = bytes.find('\0');
    fs::create_directories(Folder / "gegevens");
    if (nul == std::string::npos) {
        fs::remove(Folder / "gegevens" / "SCHEMA.INI");
        WriteBytes(Folder / "gegevens" / "kand.txt", bytes);
    } else {
        WriteBytes(Folder / "gegevens" / "SCHEMA.INI", bytes.substr(0, nul));
        WriteBytes(Folder / "gegevens" / "kand.txt", bytes.substr(nul + 1));
    }
    try {
        benchmark::DoNotOptimize(RunTextQuery("DSN=Text Files;DBQ=" + (Folder / "gegevens").string(), "SELECT * FROM [kand.txt]"));
    } catch (const Exception&) {
    }
}

void ReadWordPackage(const std::string& bytes)
{
    WriteBytes(Folder / "ZV01.dot", bytes);
    try {
        const auto doc = TWordDocument::Open(QString::fromStdString((Folder / "ZV01.dot").string()));
        benchmark::DoNotOptimize(doc->StoryText());
    } catch (const Exception&) {
    }
}

// What the mail-merge driver reads from a layout file: its flags and the lines of [FIELDS].
void ReadIniFile(const std::string& bytes)
{
    WriteBytes(Folder / "ZV01.dat", bytes);
    TIniFile ini((Folder / "ZV01.dat").string());
    try {
        ini.CheckFormat("ZV01.dat");
    } catch (const Exception&) {
    }
    std::vector<std::string> fields;
    ini.ReadSectionValues("FIELDS", fields);
    benchmark::DoNotOptimize(ini.ReadString("GENERAL", "multirun", "N"));
}

// --- the same files as the windows and the report read them (for "--read"): the file is copied
// into its place (so that its bytes are not held here), read, and the message it ends with printed

// The forms catalogue as the window loads and shows it.
void PlaceFile(const fs::path& file, const fs::path& place)
{
    fs::create_directories(place.parent_path());
    fs::copy_file(file, place, fs::copy_options::overwrite_existing);
}

void ReadCatalogueWindow(const fs::path& file)
{
    PlaceFile(file, Folder / "FORMS" / "ZV" / "ZV_FORMS.DAT");
    auto form = TBaseForm::Create<TfrmSelFormulier>();
    try {
        form->Init("ZV", QFile::decodeName(QByteArray::fromStdString((Folder / "FORMS").string())) + "/");
        form->show(); // as the user sees it
        QApplication::processEvents();
        form->repaint();
    } catch (const Exception& e) {
        std::printf("%s\n", e.Message.c_str());
    }
}

// FORMVARS.INI as the extra fields' dialog reads and writes it; the dialog is cancelled.
void ReadFormVars(const fs::path& file)
{
    PlaceFile(file, Folder / "FORMS" / "FORMVARS.INI");
    FormsDir = QFile::decodeName(QByteArray::fromStdString((Folder / "FORMS").string())) + "/";
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    cancel.start(10);
    std::vector<std::string> fields{"Datum=Datum vergadering", "Nummer(AUTONUM)=Volgnummer"};
    try {
        std::printf("%d\n", GetNewVarValues(fields));
    } catch (const Exception& e) {
        std::printf("%s\n", e.Message.c_str());
    }
}

// An RTF text as FORMS/H1a.rtf of the H1 report, which is prepared.
void ReadH1Report(const fs::path& file)
{
    PlaceFile(file, Folder / "FORMS" / "H1a.rtf");
    const TZVLists lists;
    PartijList->Add(std::make_unique<TPartijRecord>());
    auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
    form->Initialize();
    form->ProgramDir = Folder.string() + "/";
    form->Report.Prepare();
    const QStringList pages = [&] {
        QStringList texts;
        for (const TQRTextItem& item : form->Report.QRPrinter()->Page(2).Texts)
            texts << item.Text;
        return texts;
    }();
    std::printf("%s\n", pages.join(' ').left(300).toLocal8Bit().constData());
}

// A statement (the file's text) on a data folder of one small file.
void RunQuery(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string sql((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::create_directories(Folder / "query");
    WriteBytes(Folder / "query" / "kand.txt", "\"kand_nr\"\r\n\"1\"\r\n");
    try {
        std::printf("%zu rows\n", RunTextQuery("DSN=Text Files;DBQ=" + (Folder / "query").string(), sql).Rows.size());
    } catch (const Exception& e) {
        std::printf("%s\n", e.Message.c_str());
    }
}

// A data file as kand.txt of a data folder (tab-delimited, with a header line), counted by a
// statement: what loading it costs.
void LoadDataFile(const fs::path& file)
{
    PlaceFile(file, Folder / "laden" / "kand.txt");
    WriteBytes(Folder / "laden" / "SCHEMA.INI", "[kand.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\n");
    try {
        const TRecordSet count = RunTextQuery("DSN=Text Files;DBQ=" + (Folder / "laden").string(), "SELECT count(*) FROM kand.txt");
        std::printf("%s rows\n", count.Rows.at(0).at(0).c_str());
    } catch (const Exception& e) {
        std::printf("%s\n", e.Message.c_str());
    }
}

const std::map<std::string, std::function<void(const fs::path&)>> WholeReaders = {
    {"CatalogueWindow", ReadCatalogueWindow}, {"FormVars", ReadFormVars}, {"H1Report", ReadH1Report},
    {"Query", RunQuery}, {"DataFile", LoadDataFile},
};

const std::map<std::string, std::function<void(const std::string&)>> Readers = {
    {"ListFile", ReadListFile},   {"ImportReader", ReadImport},       {"RtfReader", ReadRtfText},
    {"RegistryStore", ReadRegistry}, {"FormCatalogue", ReadCatalogue}, {"TextDriver", ReadTextDriver},
    {"WordPackage", ReadWordPackage}, {"IniFile", ReadIniFile},
    {"ImportReaderDecomposed", ReadImport},
};

// --- the worst shapes, n units each

std::string Repeat(const std::string& unit, std::int64_t n)
{
    std::string s;
    s.reserve(unit.size() * std::size_t(n));
    for (std::int64_t i = 0; i < n; ++i)
        s += unit;
    return s;
}

std::string Shape(const std::string& name, std::int64_t n)
{
    if (name == "ListFile")
        return std::string(632 + 285 * std::size_t(n), '\x07');
    if (name == "ImportReader") // a header of 1000 columns with the record names, short data lines
        return "Kand_nr" + Repeat(";Achternaam\tPlaats=x", 1000) + "\n" + Repeat("1;a\tb;c\n", n);
    if (name == "ImportReaderDecomposed") // UTF-8 whose accents follow their letters: each line composed
        return "Kand_nr;Achternaam;Plaats\n" + Repeat("5;C\xcc\xa7" "eli\xcc\x81k;E\xcc\x81" "de\n", n);
    if (name == "RtfReader") // 64 tab stops copied into every group, groups 400 deep
        return "{\\rtf1 " + Repeat("\\tx100", 100) + Repeat(std::string(400, '{') + "x\\line" + std::string(400, '}'), n) + "}";
    if (name == "RegistryStore") // keys with a value and a key below, side by side
        return "{\"keys\":[" +
               Repeat("{\"name\":\"k\",\"values\":[{\"name\":\"v\",\"type\":\"number\",\"data\":1}],\"keys\":[{\"name\":\"l\"}]},", n) +
               "{\"name\":\"Software\"}]}";
    if (name == "FormCatalogue") // down to the deepest level and back up, again and again
        return [&] {
            std::string s;
            for (std::int64_t i = 0; i < n; ++i)
                s += std::string(std::size_t(i % 63), ' ') + "ZV" + std::to_string(i) + ":x\r\n";
            return s;
        }();
    if (name == "TextDriver") // quoted values with delimiters and quotes in them
        return std::string("[kand.txt]\nFormat=Delimited(;)\n") + '\0' + "a;b;c\n" + Repeat("\"x;\"\"y\";\"\";\"z\"\n", n);
    if (name == "IniFile") // many keys in [FIELDS], each read back as its line
        return "[GENERAL]\r\nmultirun=N\r\n[FIELDS]\r\n" + [&] {
            std::string s;
            for (std::int64_t i = 0; i < n; ++i)
                s += "veld" + std::to_string(i) + "=Prompt " + std::to_string(i) + "\r\n";
            return s;
        }();
    return {};
}

void BM_Shape(benchmark::State& state, const std::string& name)
{
    const std::string bytes = Shape(name, state.range(0));
    for (auto _ : state)
        Readers.at(name)(bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
    state.SetComplexityN(std::int64_t(bytes.size()));
}

void BM_Found(benchmark::State& state, const std::string& name, const std::string& bytes)
{
    for (auto _ : state)
        Readers.at(name)(bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

// A package of n paragraphs, each with a merge field and a marker: what the word processor opens.
std::string WordShape(std::int64_t n)
{
    const QString path = QString::fromStdString((Folder / "vorm.dot").string());
    std::string body;
    for (std::int64_t i = 0; i < n; ++i)
        body += "<w:p><w:r><w:t>Naam [*]</w:t></w:r><w:fldSimple w:instr=\" MERGEFIELD naam \"/></w:p>";
    MakeWordPackage(body, FormsProtection).Save(path);
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void BM_WordShape(benchmark::State& state)
{
    const std::string bytes = WordShape(state.range(0));
    for (auto _ : state)
        ReadWordPackage(bytes);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
    state.SetComplexityN(state.range(0));
}

} // namespace

int main(int argc, char** argv)
{
    Folder = fs::temp_directory_path() / ("zorvandel-readers-" + std::to_string(::getpid()));
    fs::create_directories(Folder / "config");
    setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QDir().mkpath(QFileInfo(RegistryStore::FileName(HKEY_CURRENT_USER)).path());
    InstallODBCDriverIfNecessary();

    // "--read <reader> <file>": one reading of one file, for measuring its time and peak memory.
    if (argc == 4 && std::string(argv[1]) == "--read") {
        if (WholeReaders.count(argv[2])) {
            WholeReaders.at(argv[2])(argv[3]);
        } else {
            std::ifstream in(argv[3], std::ios::binary);
            Readers.at(argv[2])(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
        }
        std::error_code ignored;
        fs::remove_all(Folder, ignored);
        return 0;
    }

    for (const auto& [name, read] : Readers) {
        if (name == "WordPackage")
            continue;
        benchmark::RegisterBenchmark(("Shape/" + name).c_str(), BM_Shape, name)
            ->RangeMultiplier(4)->Range(256, 16384)->Unit(benchmark::kMicrosecond)->Complexity();
    }
    benchmark::RegisterBenchmark("Shape/WordPackage", BM_WordShape)
        ->RangeMultiplier(4)->Range(64, 4096)->Unit(benchmark::kMicrosecond)->Complexity();
    for (const auto& [name, read] : Readers) {
        const fs::path inputs = fs::path(ZORVANDEL_BENCH_INPUTS) / name;
        if (!fs::is_directory(inputs))
            continue;
        for (const auto& entry : fs::directory_iterator(inputs)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            benchmark::RegisterBenchmark(("Found/" + name + "/" + entry.path().filename().string()).c_str(), BM_Found,
                                         name, bytes)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(Folder, ignored);
    return 0;
}
