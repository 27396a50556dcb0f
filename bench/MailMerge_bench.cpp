// The word processor's one-pass merge of 1,000 to 10,000 candidate records into one document, from
// opening the template to the merged package written: one copy per record, and a catalogue of 20
// rows per copy with NEXT fields; also the markers of a copy per record turned into form fields.
#include "WordProcessor.h"

#include "RegistryStore.h"
#include "uUtils.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A private folder for the files and the registry store, removed at the end of the run.
const struct TBenchFolder {
    TBenchFolder()
    {
        fs::create_directories(Path / "config");
        setenv("XDG_CONFIG_HOME", (Path / "config").c_str(), 1);
        InstallODBCDriverIfNecessary();
    }
    ~TBenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(Path, ignored);
    }
    fs::path Path = fs::temp_directory_path() / ("zorvandel-merge-bench-" + std::to_string(::getpid()));
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

// One pass: open, unprotect, merge, (fields,) protect and write the merged package.
void Run(benchmark::State& state, const std::string& dot, bool markers)
{
    const std::string folder = DataFolder(static_cast<int>(state.range(0)));
    const QString output = QString::fromStdString((Folder.Path / "merged.docx").string());
    for (auto _ : state) {
        TWordProcessor word([](const QString&) { return true; });
        word.OpenDocument(dot);
        word.Unprotect("");
        TOpenDataSourceArgs args;
        args.Name = folder;
        args.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
        args.SQLStatement = "SELECT * FROM kand.txt";
        word.OpenDataSource(args);
        word.SetSuppressBlankLines(true);
        word.ExecuteMailMerge(false);
        if (markers) {
            TFindArgs find;
            find.FindText = "[*]";
            find.Forward = false;
            find.Wrap = wdFindContinue;
            for (word.FindExecute(find); word.FindFound(); word.FindExecute(find))
                word.AddFormField(wdFieldFormTextInput);
        }
        word.Protect(wdAllowOnlyFormFields);
        word.ActiveDocument()->Package().Save(output);
    }
    state.SetComplexityN(state.range(0));
}

void BM_MergeCopyPerRecord(benchmark::State& state) { Run(state, WriteTemplate("copies", PerRecord()), false); }
void BM_MergeCatalogue(benchmark::State& state) { Run(state, WriteTemplate("catalogue", Catalogue()), false); }
void BM_MergeCopyPerRecordWithMarker(benchmark::State& state)
{
    Run(state, WriteTemplate("markers", PerRecord() + "<w:p><w:r><w:t>Handtekening: [*]</w:t></w:r></w:p>"), true);
}

} // namespace

BENCHMARK(BM_MergeCopyPerRecord)->Arg(1'000)->Arg(5'000)->Arg(10'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_MergeCatalogue)->Arg(1'000)->Arg(5'000)->Arg(10'000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_MergeCopyPerRecordWithMarker)->Arg(1'000)->Arg(5'000)->Arg(10'000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
