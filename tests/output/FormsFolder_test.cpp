// The forms folder the build lays out beside the program: every form the catalogue offers has a
// layout file and a template, the templates are packages a word processor opens, protected for
// form filling, and their merge fields are columns that the layout's statement selects.
#include "fSelFormulier.h"

#include "ModalAnswer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const QString Forms = ZORVANDEL_FORMS_DIR;

// The columns of the data files the statements read.
const std::map<std::string, std::vector<std::string>> DataColumns = {
    {"lijst.txt",
     {"lijst_id", "lijst_nr", "afkorting", "kandidaten", "NAAM", "statunaam", "aanduiding", "adres", "postcode",
      "plaats", "kleur", "ZETELS", "ZETELSS", "RESTZETELS", "RESTSNEL", "NMGEMACHT", "ADRGEMACHT", "PCGEMACHT",
      "PLGEMACHT", "NMVERVANG", "ADRVERVANG", "PCVERVANG", "PLVERVANG"}},
    {"kand.txt",
     {"kandidaat_id", "lijst_id", "kand_nr", "naam", "voorlettrs", "voorvoegsels", "voornaam", "geslacht", "gebdatum",
      "naamkand", "adres", "postcode", "plaats", "zetel_nr", "nr", "voorletters_ext"}},
    {"overig.txt", {"dHuidig", "Dummy"}},
};

// The forms the catalogue lists (depth 2 and deeper), and those of them that can be started:
// depth 2 without versions.
std::vector<std::string> ListedCodes(bool startableOnly)
{
    const std::vector<TFormNode> nodes =
        ParseFormCatalogue(TextLines(ReadFileBytes(Forms + "ZV/ZV_FORMS.DAT")));
    std::vector<std::string> codes;
    for (const TFormNode& node : nodes)
        if (startableOnly ? node.Depth == 2 && !node.HasChildren : node.Depth >= 2)
            codes.push_back(FormCode(node.Text).value_or("(no code)"));
    return codes;
}
std::vector<std::string> StartableCodes()
{
    return ListedCodes(true);
}

// A layout file's sections as name -> key -> value (keys and names upper-cased).
using Layout = std::map<std::string, std::map<std::string, std::string>>;
Layout ReadLayout(const std::string& code)
{
    Layout layout;
    std::string section;
    for (std::string line : TextLines(ReadFileBytes(Forms + "ZV/FORMDAT/" + QString::fromStdString(code) + ".dat"))) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = QString::fromStdString(line.substr(1, line.size() - 2)).toUpper().toStdString();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            layout[section][QString::fromStdString(line.substr(0, eq)).toUpper().toStdString()] = line.substr(eq + 1);
    }
    return layout;
}

// The package's parts, unpacked into dir.
bool Unpack(const QString& package, const QString& dir)
{
    QProcess tar;
    tar.setWorkingDirectory(dir);
    tar.start(ZORVANDEL_CMAKE, {"-E", "tar", "xf", package});
    return tar.waitForFinished(30000) && tar.exitStatus() == QProcess::NormalExit && tar.exitCode() == 0;
}

// The instructions of the fields of a document part, simple and complex forms alike.
QStringList FieldInstructions(const QString& part)
{
    QFile file(part);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QStringList fields;
    QString complex;
    bool inField = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.qualifiedName() == u"w:fldSimple") {
            fields << xml.attributes().value("w:instr").toString().trimmed();
        } else if (xml.qualifiedName() == u"w:fldChar") {
            const auto type = xml.attributes().value("w:fldCharType");
            if (type == u"begin") {
                inField = true;
                complex.clear();
            } else if (type == u"separate" || type == u"end") {
                if (inField)
                    fields << complex.trimmed();
                inField = false;
            }
        } else if (xml.qualifiedName() == u"w:instrText" && inField) {
            complex += xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << part.toStdString() << ": " << xml.errorString().toStdString();
    return fields;
}

// The columns a layout's statement selects: the select list, or every column of its tables.
std::set<std::string> SelectedColumns(const Layout& layout)
{
    std::set<std::string> columns;
    const QString select = QString::fromStdString(layout.at("SQL").at("SELECT"));
    if (select.trimmed() == "*") {
        for (const QString& table : QString::fromStdString(layout.at("SQL").at("FROM")).split(',')) {
            const auto it = DataColumns.find(table.trimmed().toStdString());
            EXPECT_NE(it, DataColumns.end()) << table.toStdString();
            if (it != DataColumns.end())
                columns.insert(it->second.begin(), it->second.end());
        }
        if (layout.count("FIELDS"))
            for (const auto& [key, prompt] : layout.at("FIELDS"))
                columns.insert(key.substr(0, key.find('(')));
        return columns;
    }
    for (const QString& item : select.split(',')) {
        const QStringList parts = item.trimmed().split('.');
        // table.txt.column: the table must exist and hold the column.
        EXPECT_EQ(parts.size(), 3) << item.toStdString();
        const std::string table = (parts.value(0) + "." + parts.value(1)).toStdString();
        const std::string column = parts.value(2).toStdString();
        const auto it = DataColumns.find(table);
        EXPECT_TRUE(it != DataColumns.end() &&
                    std::find(it->second.begin(), it->second.end(), column) != it->second.end())
            << item.toStdString();
        columns.insert(column);
    }
    return columns;
}

// Upper-cases the way the layout keys were read, for comparing field names.
std::set<std::string> Upper(const std::set<std::string>& names)
{
    std::set<std::string> upper;
    for (const std::string& n : names)
        upper.insert(QString::fromStdString(n).toUpper().toStdString());
    return upper;
}

TEST(FormsFolder, EveryFormHasALayoutAndAProtectedTemplateWhoseFieldsItSelects)
{
    // Every form listed can be started: none has versions.
    const std::vector<std::string> codes = StartableCodes();
    EXPECT_EQ(codes, (std::vector<std::string>{"ZV01", "ZV02", "ZV03", "ZV04A", "ZV04B"}));
    EXPECT_EQ(codes, ListedCodes(false));
    for (const std::string& code : codes) {
        SCOPED_TRACE(code);
        const QString template_ = Forms + "ZV/TEMPLATE/" + QString::fromStdString(code) + ".dot";
        ASSERT_TRUE(QFileInfo::exists(Forms + "ZV/FORMDAT/" + QString::fromStdString(code) + ".dat"));
        ASSERT_TRUE(QFileInfo::exists(template_));
        QTemporaryDir parts;
        ASSERT_TRUE(Unpack(template_, parts.path()));
        for (const char* part : {"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml",
                                 "word/settings.xml", "word/_rels/document.xml.rels"})
            EXPECT_TRUE(QFileInfo::exists(parts.filePath(part))) << part;

        const std::string settings = ReadFileBytes(parts.filePath("word/settings.xml"));
        EXPECT_NE(settings.find(R"(<w:documentProtection w:edit="forms" w:enforcement="1"/>)"), std::string::npos);

        const Layout layout = ReadLayout(code);
        const std::set<std::string> selected = Upper(SelectedColumns(layout));
        int merged = 0;
        for (const QString& field : FieldInstructions(parts.filePath("word/document.xml"))) {
            const QStringList words = field.split(' ', Qt::SkipEmptyParts);
            if (words.value(0) == "MERGEFIELD") {
                ++merged;
                EXPECT_TRUE(selected.count(words.value(1).toUpper().toStdString())) << field.toStdString();
            } else {
                EXPECT_EQ(field, "NEXT");
            }
        }
        EXPECT_GT(merged, 0);
    }
}

TEST(FormsFolder, TheThreeKindsOfFormAreThere)
{
    // A list of every candidate in one pass: NEXT fields and the end record.
    const Layout list = ReadLayout("ZV01");
    EXPECT_EQ(list.at("KAND OPTIONS").at("EOF_RECORD"), "Y");
    EXPECT_EQ(list.at("GENERAL").at("MULTIRUN"), "N");
    QTemporaryDir zv01;
    ASSERT_TRUE(Unpack(Forms + "ZV/TEMPLATE/ZV01.dot", zv01.path()));
    EXPECT_GE(FieldInstructions(zv01.filePath("word/document.xml")).count("NEXT"), 10);

    // One document per chosen candidate, its statement picking that candidate, with fields to fill in.
    const Layout perCandidate = ReadLayout("ZV02");
    EXPECT_EQ(perCandidate.at("GENERAL").at("MULTIRUN"), "K");
    EXPECT_EQ(perCandidate.at("KAND OPTIONS").at("SELECTIE"), "Y");
    EXPECT_NE(perCandidate.at("SQL").at("WHERE").find("@kand_nr"), std::string::npos);
    QTemporaryDir zv02;
    ASSERT_TRUE(Unpack(Forms + "ZV/TEMPLATE/ZV02.dot", zv02.path()));
    EXPECT_GE(QString::fromStdString(ReadFileBytes(zv02.filePath("word/document.xml"))).count("[*]"), 2);

    // Extra fields: one numbered on, one not kept.
    const Layout extra = ReadLayout("ZV03");
    std::vector<std::string> options;
    for (const auto& [key, prompt] : extra.at("FIELDS"))
        if (key.find('(') != std::string::npos)
            options.push_back(key.substr(key.find('(')));
    std::sort(options.begin(), options.end());
    EXPECT_EQ(options, (std::vector<std::string>{"(AUTONUM)", "(NOSTORE)"}));
}

TEST(FormsFolder, LibreOfficeWriterOpensTheTemplates)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice Writer is not installed";
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    QStringList documents;
    for (const char* code : {"ZV01", "ZV02", "ZV03", "ZV04A", "ZV04B"}) {
        // Writer decides by the contents, not the name; .docx keeps its choice of filter plain.
        const QString copy = work.filePath(QString(code) + ".docx");
        ASSERT_TRUE(QFile::copy(Forms + "ZV/TEMPLATE/" + code + ".dot", copy));
        documents << copy;
    }
    QProcess writer;
    writer.start(soffice, QStringList{"--headless", "--norestore",
                                      "-env:UserInstallation=" + QUrl::fromLocalFile(work.filePath("profile")).toString(),
                                      "--convert-to", "txt:Text (encoded):UTF8", "--outdir", work.path()}
                              << documents);
    ASSERT_TRUE(writer.waitForFinished(110000));
    const QString zv01 = QString::fromUtf8(ReadFileBytes(work.filePath("ZV01.txt")));
    const QString zv02 = QString::fromUtf8(ReadFileBytes(work.filePath("ZV02.txt")));
    const QString zv03 = QString::fromUtf8(ReadFileBytes(work.filePath("ZV03.txt")));
    EXPECT_TRUE(zv01.contains("Lijst van kandidaten")) << zv01.left(200).toStdString();
    EXPECT_EQ(zv01.count(QString::fromUtf8("\u00abnaamkand\u00bb")), 20);
    EXPECT_TRUE(zv02.contains("Verklaring van instemming")) << zv02.left(200).toStdString();
    EXPECT_TRUE(zv02.contains(QString::fromUtf8("nummer \u00abkand_nr\u00bb op de kandidatenlijst")));
    EXPECT_TRUE(zv02.contains("Plaats: [*]"));
    EXPECT_TRUE(zv03.contains(QString::fromUtf8("Briefnummer: \u00abbriefnr\u00bb")));
    for (const char* code : {"ZV04A", "ZV04B"}) {
        const QString zv04 = QString::fromUtf8(ReadFileBytes(work.filePath(QString(code) + ".txt")));
        EXPECT_TRUE(zv04.contains("Machtiging tot indiening van de kandidatenlijst")) << zv04.left(200).toStdString();
        EXPECT_TRUE(zv04.contains(QString::fromUtf8("verkiezing van \u00abverkiezing\u00bb"))) << code;
        EXPECT_TRUE(zv04.contains("Datum: [*]")) << code;
    }
}

} // namespace
