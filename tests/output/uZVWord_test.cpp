#include "uZVWord.h"

#include "ChildRun.h"
#include "DataSet.h"
#include "EnvironmentScope.h"
#include "ErrorOf.h"
#include "FileSizeLimit.h"
#include "FlockFailure.h"
#include "FolderLock.h"
#include "FormatSettings.h"
#include "IniFile.h"
#include "ModalAnswer.h"
#include "PrivateTempFolder.h"
#include "RegistryStore.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QWindow>
#include <gtest/gtest.h>
#include <tuple>

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <QProcess>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

std::unique_ptr<TKandidaatRecord> Kandidaat(const std::string& nr, const std::string& achternaam,
                                            const std::string& voorvoegsels = "", const std::string& naam = "")
{
    auto k = std::make_unique<TKandidaatRecord>();
    k->KandidaatNr = nr;
    k->Achternaam = achternaam;
    k->Voorletters = "J.";
    k->Voorvoegsels = voorvoegsels;
    k->Voornaam = "Jan";
    k->NaamStemapparaat = naam.empty() ? achternaam + ", J. (Jan)" : naam;
    k->Geslacht = "M";
    k->Geboortedatum = "01-02-1970";
    k->Adres = "Dorpsstraat 1";
    k->Postcode = "1234 AB";
    k->Plaats = "Ons Dorp";
    return k;
}

// Joins quoted items with tabs and ends the line with CR LF.
std::string Row(std::initializer_list<std::string> items)
{
    std::string line;
    for (const std::string& item : items)
        line += (line.empty() ? "\"" : "\t\"") + item + "\"";
    return line + "\r\n";
}

const std::string KandHeader = Row({"kandidaat_id", "lijst_id", "kand_nr", "naam", "voorlettrs", "voorvoegsels",
                                    "voornaam", "geslacht", "gebdatum", "naamkand", "adres", "postcode", "plaats",
                                    "zetel_nr", "nr", "voorletters_ext"});
const std::string EndRecord =
    Row({"999", "1", "999", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "});

// The row of a candidate made by Kandidaat() with the given number key.
std::string KandRow(const std::string& key, const std::string& achternaam, const std::string& naamkand = "")
{
    return Row({key, "1", key, achternaam + ", J. (Jan)", "J.", "", "Jan", "M", "01-02-1970",
                naamkand.empty() ? achternaam : naamkand, "Dorpsstraat 1", "1234 AB", "Ons Dorp", "0", key + ".",
                " J. (Jan)"});
}

class DataFiles : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
    std::string Bytes(const char* name) const { return ReadFileBytes(dir.path() + "/" + name); }
    void AddKandidaten(std::initializer_list<const char*> numbers)
    {
        for (const char* nr : numbers)
            KandidaatList->Add(Kandidaat(nr, std::string("Naam") + nr));
    }

    TZVLists lists;
    QTemporaryDir dir;
};

TEST_F(DataFiles, LijstHoldsThePartyAndCountsEveryCandidate)
{
    PartijToTextFile(Path("lijst.txt"), '\t');
    const std::string header =
        Row({"lijst_id", "lijst_nr", "afkorting", "kandidaten", "NAAM", "statunaam", "aanduiding", "adres", "postcode",
             "plaats", "kleur", "ZETELS", "ZETELSS", "RESTZETELS", "RESTSNEL", "NMGEMACHT", "ADRGEMACHT",
             "PCGEMACHT", "PLGEMACHT", "NMVERVANG", "ADRVERVANG", "PCVERVANG", "PLVERVANG"});
    EXPECT_EQ(Bytes("lijst.txt"), header);

    auto p = std::make_unique<TPartijRecord>();
    p->Afkorting = "ZP";
    p->StatuNaam = "Zorvandel Partij";
    p->Aanduiding = "ZORVANDEL";
    p->Adres = "Markt 1";
    p->PostCode = "9999 ZZ";
    p->Plaats = "Stad";
    p->NaamGemachtigde = "G. Gemachtigde";
    p->AdresGemachtigde = "Laan 2";
    p->PostcodeGemachtigde = "1111 AA";
    p->PlaatsGemachtigde = "Dorp";
    p->NaamVervanger = "V. Vervanger";
    p->AdresVervanger = "Weg 3";
    p->PostcodeVervanger = "2222 BB";
    p->PlaatsVervanger = "Gehucht";
    PartijList->Add(std::move(p));
    AddKandidaten({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});

    const Lines selection = {"002=x"}; // a selection does not change the count
    KandidatenToTextFile(Path("kand.txt"), '\t', &selection, false);
    PartijToTextFile(Path("lijst.txt"), '\t');
    EXPECT_EQ(Bytes("lijst.txt"),
              header + Row({"1", "1", "ZP", "12", "ZORVANDEL", "Zorvandel Partij", "ZORVANDEL", "Markt 1", "9999 ZZ",
                            "Stad", "0", "0", "0", "0", "0", "G. Gemachtigde", "Laan 2", "1111 AA", "Dorp",
                            "V. Vervanger", "Weg 3", "2222 BB", "Gehucht"}));
}

TEST_F(DataFiles, OneCandidateNumberedFiveWithTheEndRecord)
{
    AddKandidaten({"5"});
    KandidatenToTextFile(Path("kand2.txt"), '\t', nullptr, true);
    EXPECT_EQ(Bytes("kand2.txt"), KandHeader + KandRow("  5", "Naam5") + EndRecord);
}

TEST_F(DataFiles, SelectionFiltersByZeroFilledKeysInListOrder)
{
    AddKandidaten({"12", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "11"});
    const Lines selection = {"002=Naam2", "x=not a key", "010=Naam10", "7", "00=no one"};
    const Lines noMatch = {"nothing=matches"};
    const struct {
        const Lines* selection;
        bool eof;
        std::string expected;
    } cases[] = {
        {&selection, false, KandHeader + KandRow(" 10", "Naam10") + KandRow("  2", "Naam2")},
        {&selection, true, KandHeader + KandRow(" 10", "Naam10") + KandRow("  2", "Naam2") + EndRecord},
        {&noMatch, true, KandHeader + EndRecord},
    };
    for (const auto& c : cases) {
        KandidatenToTextFile(Path("kand.txt"), '\t', c.selection, c.eof);
        EXPECT_EQ(Bytes("kand.txt"), c.expected);
    }

    // No list, or an empty one, writes every candidate.
    const Lines none;
    for (const Lines* all : {static_cast<const Lines*>(nullptr), &none}) {
        KandidatenToTextFile(Path("kand.txt"), '\t', all, false);
        const std::string bytes = Bytes("kand.txt");
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 13);
        EXPECT_EQ(bytes.substr(KandHeader.size(), KandRow(" 12", "Naam12").size()), KandRow(" 12", "Naam12"));
    }
}

TEST_F(DataFiles, SelectionKeysIgnoreCase)
{
    KandidaatList->Add(Kandidaat("a", "Vrij"));
    const Lines selection = {"00A=Vrij"};
    KandidatenToTextFile(Path("kand.txt"), '\t', &selection, false);
    EXPECT_EQ(Bytes("kand.txt"), KandHeader + Row({"  a", "1", "  a", "Vrij, J. (Jan)", "J.", "", "Jan", "M",
                                                   "01-02-1970", "Vrij", "Dorpsstraat 1", "1234 AB", "Ons Dorp", "0",
                                                   "  a.", " J. (Jan)"}));
}

TEST_F(DataFiles, WithoutCandidatesOnlyTheHeader)
{
    KandidatenToTextFile(Path("kand2.txt"), '\t', nullptr, true);
    EXPECT_EQ(Bytes("kand2.txt"), KandHeader);
}

TEST_F(DataFiles, NamesInitialsAndValuesAsTheyStand)
{
    auto k = Kandidaat("123", "Berg", "van den", "van den Berg, A.B. (Ab)");
    k->Voorletters = "A.B.";
    KandidaatList->Add(std::move(k));
    auto q = Kandidaat("7", "O\"Neil\tx", "", "Zonder komma");
    q->Voorletters = " Q. ";
    KandidaatList->Add(std::move(q));
    KandidatenToTextFile(Path("kand.txt"), ';', nullptr, false);
    EXPECT_EQ(Bytes("kand.txt"),
              std::string("\"kandidaat_id\";\"lijst_id\";\"kand_nr\";\"naam\";\"voorlettrs\";\"voorvoegsels\";"
                          "\"voornaam\";\"geslacht\";\"gebdatum\";\"naamkand\";\"adres\";\"postcode\";\"plaats\";"
                          "\"zetel_nr\";\"nr\";\"voorletters_ext\"\r\n") +
                  "\"123\";\"1\";\"123\";\"van den Berg, A.B. (Ab)\";\"A.B.\";\"van den\";\"Jan\";\"M\";"
                  "\"01-02-1970\";\"van den Berg\";\"Dorpsstraat 1\";\"1234 AB\";\"Ons Dorp\";\"0\";\"123.\";"
                  "\" A.B. (Ab)\"\r\n"
                  "\"  7\";\"1\";\"  7\";\"Zonder komma\";\" Q. \";\"\";\"Jan\";\"M\";\"01-02-1970\";"
                  "\"O\"Neil\tx\";\"Dorpsstraat 1\";\"1234 AB\";\"Ons Dorp\";\"0\";\"  7.\";\" Q. \"\r\n");
}

TEST_F(DataFiles, PlaceholderTables)
{
    GemeenteToTextFile(Path("gemeente.txt"), '\t');
    DeelraadToTextFile(Path("deelraad.txt"), '\t');
    VerkToTextFile(Path("verk.txt"), '\t');
    const std::string b(10, ' ');
    EXPECT_EQ(Bytes("gemeente.txt"),
              Row({"GemNummer", "Gemeente", "Provincie", "GemHuis", "GemAdres", "GemPostcode", "GemPlaats", "Zetels",
                   "Burgemeester", "Secretaris", "KiesKring"}) +
                  Row({"1", b, b, b, b, b, b, b, b, b, b}));
    EXPECT_EQ(Bytes("deelraad.txt"), Row({"GemNummer", "Deelraad_Nr", "Deelraad_naam", "Adres", "Postcode", "Plaats",
                                          "Zetels", "Voorzitter", "Secretaris", "Telefoon"}) +
                                         Row({"1", "1", b, b, b, b, b, b, b, b}));
    const std::string verk = Row({"Aanduiding", "Omschrijving", "LOmschrijving", "Datum", "LDatum", "DatumKand",
                                  "LDatumKand", "DatumKand3", "LDatumKand3", "Datum5", "LDatum5", "Datum14",
                                  "LDatum14", "Datum28", "LDatum28", "Datum43", "LDatum43", "DatumKand2",
                                  "LDatumKand2", "DatumKand43", "LDatumKand43", "VerkType"});
    EXPECT_EQ(Bytes("verk.txt"), verk + verk);
}

// overig.txt as written under the given settings; the date is taken around the call, so that a run
// across midnight does not fail.
std::string OverigUnder(const TFormatSettings& settings, const std::string& path, const Lines& fields,
                        std::string& date)
{
    ScopedFormatSettings scope(settings);
    QDate today;
    do {
        today = QDate::currentDate();
        OverigeGegevensToTextFile(path, fields, '\t');
    } while (today != QDate::currentDate());
    date = LongDateText(today.year(), today.month(), today.day());
    return ReadFileBytes(QString::fromStdString(path));
}

TEST_F(DataFiles, OverigHoldsTodayAndTheExtraFields)
{
    const Lines fields = {"Datum vergadering=12 mei", "Volgnummer(AUTONUM)=42", "Geheim (NOSTORE)=x",
                          "volgnummer(autonum)=second", "Zonder"};
    std::string date;
    const std::string bytes = OverigUnder(TFormatSettings::Dutch(), Path("overig.txt"), fields, date);
    EXPECT_EQ(bytes, Row({"dHuidig", "Dummy", "Datum vergadering", "Volgnummer", "Geheim ", "volgnummer", ""}) +
                         Row({date, " ", "12 mei", "42", "x", "42", ""}));
    const std::string english = OverigUnder(TFormatSettings::English(), Path("overig.txt"), {}, date);
    EXPECT_EQ(english, Row({"dHuidig", "Dummy"}) + Row({date, " "}));
}

TEST(LongDateText, MonthNamesOfTheLocaleSettings)
{
    const struct {
        TFormatSettings settings;
        int y, m, d;
        const char* expected;
    } cases[] = {
        {TFormatSettings::Dutch(), 2026, 3, 5, "5 maart 2026"},
        {TFormatSettings::Dutch(), 2026, 12, 31, "31 december 2026"},
        {TFormatSettings::English(), 2026, 3, 5, "5 March 2026"},
        {TFormatSettings::FromLocale(QLocale("nl_NL")), 2027, 1, 1, "1 januari 2027"},
        {TFormatSettings::FromLocale(QLocale("nl_NL")), 2026, 10, 9, "9 oktober 2026"},
        {TFormatSettings::FromLocale(QLocale("en_GB")), 2026, 5, 17, "17 May 2026"},
        {TFormatSettings::FromLocale(QLocale("fr_FR")), 2026, 2, 1, "1 f\xE9vrier 2026"}, // Windows-1252 bytes
        {TFormatSettings::Dutch(), 987, 8, 1, "1 augustus 0987"},
    };
    for (const auto& c : cases) {
        ScopedFormatSettings scope(c.settings);
        EXPECT_EQ(LongDateText(c.y, c.m, c.d), c.expected);
    }
}

mode_t ModeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::string SchemaSection(const std::string& name, const std::string& format)
{
    return "[" + name + "]\r\nColNameHeader=True\r\nFormat=" + format + "\r\nMaxScanRows=25\r\n";
}

std::string FullSchema(const std::string& format, const std::string& before = "")
{
    std::string text = before;
    for (const char* name : SchemaDataFiles)
        text += (text.empty() ? "" : "\r\n") + SchemaSection(name, format);
    return text;
}

// Sets the umask for the scope.
struct Umask {
    explicit Umask(mode_t mask) : previous(::umask(mask)) {}
    ~Umask() { ::umask(previous); }
    mode_t previous;
};

TEST_F(DataFiles, AllFilesGoIntoThePrivateFolderReadableByTheUserAlone)
{
    const Umask umask(022);
    const std::string folder = GetQuandorTempDirectory().toStdString();
    ASSERT_TRUE(WriteFileBytes(QString::fromStdString(folder + "kand.txt"), "old personal data, old mode"));
    ASSERT_EQ(::chmod((folder + "kand.txt").c_str(), 0644), 0);
    ASSERT_TRUE(WriteFileBytes(QString::fromStdString(folder + "SCHEMA.INI"), "[other.txt]\r\nFormat=CSVDelimited\r\n"));
    ASSERT_EQ(::chmod((folder + "SCHEMA.INI").c_str(), 0666), 0);
    // Whoever opened the old file sees nothing of the new one.
    const int held = ::open((folder + "kand.txt").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    AddKandidaten({"1"});
    EXPECT_EQ(WriteMergeDataFiles(nullptr, false, {"a=b"}), GetQuandorTempDirectory());
    for (const char* name : {"lijst.txt", "kand.txt", "kand2.txt", "gemeente.txt", "deelraad.txt", "verk.txt",
                             "overig.txt", "SCHEMA.INI"}) {
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(folder + name))) << name;
        EXPECT_EQ(ModeOf(folder + name), 0600u) << name;
    }
    EXPECT_EQ(ModeOf(PrivateTempFolder().toStdString()), 0700u);
    EXPECT_EQ(ReadFileBytes(QString::fromStdString(folder + "kand.txt")), KandHeader + KandRow("  1", "Naam1"));
    char buffer[64] = {};
    EXPECT_EQ(::pread(held, buffer, sizeof buffer - 1, 0), 27);
    EXPECT_STREQ(buffer, "old personal data, old mode");
    ::close(held);
}

// Runs shell commands as the user nobody; returns the exit code.
int AsNobody(const QString& commands)
{
    QProcess child;
    child.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "sh", "-c", commands});
    if (!child.waitForFinished(60000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

TEST_F(DataFiles, WhatAnotherUserPlantedInAnOpenFolderGetsNoData)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "another user's files need root";
    // The folders above it are opened to others below, which a runtime folder may not be.
    const EnvironmentScope env{{"XDG_RUNTIME_DIR", std::nullopt}};
    QDir(PrivateTempFolder()).removeRecursively();
    const std::string folder = GetQuandorTempDirectory().toStdString();
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    const std::string own = Path("own.ini"); // a file of the user's outside the folder
    ASSERT_TRUE(WriteFileBytes(QString::fromStdString(own), "[mine]\r\nkey=value\r\n"));
    for (QString above = QFileInfo(QString::fromStdString(folder)).path(); above != "/"; above = QFileInfo(above).path())
        QFile::setPermissions(above, QFile::permissions(above) | QFile::ExeOther);
    ASSERT_EQ(AsNobody(QString("cd %1 && mkfifo kand2.txt && chmod 666 kand2.txt && ln -s %2 SCHEMA.INI")
                           .arg(QString::fromStdString(folder), QString::fromStdString(own))),
              0);
    // The planter listens at the FIFO.
    const int reader = ::open((folder + "kand2.txt").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    AddKandidaten({"1", "2"});
    EXPECT_EQ(WriteMergeDataFiles(nullptr, false, {}).toStdString(), folder);
    char buffer[256];
    EXPECT_LE(::read(reader, buffer, sizeof buffer), 0) << "the FIFO received candidates";
    ::close(reader);
    EXPECT_EQ(ReadFileBytes(QString::fromStdString(own)), "[mine]\r\nkey=value\r\n");
    EXPECT_EQ(ModeOf(folder), 0700u);
    for (const char* name : {"kand2.txt", "SCHEMA.INI"}) {
        struct stat info {};
        ASSERT_EQ(::lstat((folder + name).c_str(), &info), 0) << name;
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
        EXPECT_EQ(info.st_uid, ::geteuid()) << name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
    }
    EXPECT_EQ(ReadFileBytes(QString::fromStdString(folder + "kand2.txt")),
              KandHeader + KandRow("  1", "Naam1") + KandRow("  2", "Naam2") + EndRecord);
    EXPECT_EQ(ReadFileBytes(QString::fromStdString(folder + "SCHEMA.INI")), FullSchema("TabDelimited"));
}

TEST_F(DataFiles, AFifoDeviceOrLinkInAFilesPlaceIsRefusedWithoutWaiting)
{
    const std::string folder = GetQuandorTempDirectory().toStdString();
    const std::string kand = folder + "kand.txt", schema = folder + "SCHEMA.INI";
    const auto plant = [&](const std::string& path, const std::function<int()>& make) {
        ::unlink(path.c_str());
        ASSERT_EQ(make(), 0) << path;
    };
    const auto fifo = [](const std::string& path) { return [path] { return ::mkfifo(path.c_str(), 0600); }; };
    const auto link = [](const char* target, const std::string& path) {
        return [target, path] { return ::symlink(target, path.c_str()); };
    };
    const std::string fifoElsewhere = Path("fifo");
    ASSERT_EQ(::mkfifo(fifoElsewhere.c_str(), 0600), 0);
    AddKandidaten({"1"});
    for (const auto& make : std::vector<std::function<int()>>{fifo(kand), link("/dev/zero", kand),
                                                              link(fifoElsewhere.c_str(), kand)}) {
        plant(kand, make);
        EXPECT_EQ(ErrorOf([&] { WriteMergeDataFiles(nullptr, false, {}); }), "KandidatenToTextFile: File access denied");
    }
    ::unlink(kand.c_str());
    for (const auto& make : std::vector<std::function<int()>>{fifo(schema), link("/dev/zero", schema),
                                                              link(fifoElsewhere.c_str(), schema)}) {
        plant(schema, make);
        EXPECT_EQ(ErrorOf([&] { WriteMergeDataFiles(nullptr, false, {}); }),
                  "MakeSchemaFile: Unable to write to " + schema);
    }
    ::unlink(schema.c_str());
    EXPECT_EQ(ErrorOf([&] { KandidatenToTextFile("/dev/zero", '\t', nullptr, true); }),
              "KandidatenToTextFile: File access denied");
}

TEST_F(DataFiles, FailuresCarryTheWritersNameAndTheFileLayersText)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.txt"));
    const struct {
        std::function<void()> write;
        std::string expected;
    } cases[] = {
        {[&] { PartijToTextFile(Path("folder.txt"), '\t'); }, "PartijToTextFile: File access denied"},
        {[&] { KandidatenToTextFile(Path("none/kand.txt"), '\t', nullptr, true); },
         "KandidatenToTextFile: Invalid filename"},
        {[&] {
             const FileSizeLimit full(10);
             GemeenteToTextFile(Path("gemeente.txt"), '\t');
         },
         "GemeenteToTextFile: Disk full"},
        {[&] { DeelraadToTextFile("/dev/full", '\t'); }, "DeelraadToTextFile: File access denied"},
        {[&] { VerkToTextFile(Path("folder.txt/verk.txt/x"), '\t'); }, "VerkToTextFile: Invalid filename"},
        {[&] { OverigeGegevensToTextFile(Path("folder.txt"), {}, '\t'); },
         "OverigeGegevensToTextFile: File access denied"},
    };
    for (const auto& c : cases) {
        try {
            c.write();
            ADD_FAILURE() << "no error for " << c.expected;
        } catch (const EInOutError&) {
            ADD_FAILURE() << "the file error left as it was: " << c.expected;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.expected);
        }
    }
}

// ---- SCHEMA.INI ----

TEST_F(DataFiles, SchemaCoversTheTwelveFilesInTableOrder)
{
    MakeSchemaFile(dir.path(), '\t');
    const std::string expected = FullSchema("TabDelimited");
    EXPECT_EQ(Bytes("SCHEMA.INI"), expected);
    EXPECT_NE(expected.find("[comb.txt]"), std::string::npos);
    MakeSchemaFile(dir.path() + "/", '\t'); // the same file, and the same bytes again
    EXPECT_EQ(Bytes("SCHEMA.INI"), expected);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"SCHEMA.INI"});
}

TEST_F(DataFiles, SchemaKeepsOtherSectionsAndReplacesItsOwn)
{
    ASSERT_TRUE(WriteFileBytes(dir.path() + "/SCHEMA.INI",
                               "[extra.txt]\r\nFormat=CSVDelimited\r\n\r\n[KAND.TXT]\r\nCol1=kand_nr Text\r\n"
                               "ColNameHeader=False\r\nCharacterSet=ANSI\r\n"));
    MakeSchemaFile(dir.path(), ';');
    EXPECT_EQ(Bytes("SCHEMA.INI"), FullSchema("Delimited(;)", "[extra.txt]\r\nFormat=CSVDelimited\r\n"));
}

TEST_F(DataFiles, SchemaRefusedNamesTheFile)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("SCHEMA.INI"));
    EXPECT_EQ(ErrorOf([&] { MakeSchemaFile(dir.path(), '\t'); }),
              "MakeSchemaFile: Unable to write to " + Path("SCHEMA.INI"));
    EXPECT_EQ(ErrorOf([&] { MakeSchemaFile(QString::fromStdString(Path("missing")), '\t'); }),
              "MakeSchemaFile: Unable to write to " + Path("missing") + "/SCHEMA.INI");
}

// ---- Form layout file ----

class Layout : public ::testing::Test {
protected:
    TFormLayout Make(const std::string& text)
    {
        EXPECT_TRUE(WriteFileBytes(dir.path() + "/H3.dat", text));
        return TFormLayout(dir.path() + "/H3.dat");
    }
    QTemporaryDir dir;
};

TEST_F(Layout, FlagsAreSetByYAlone)
{
    const struct {
        const char* value;
        bool set;
    } cases[] = {{"Y", true}, {"y", true}, {" \"y\" ", true}, {"Yes", false}, {"N", false}, {"", false}, {"J", false}};
    for (const auto& c : cases) {
        const std::string v = c.value;
        const TFormLayout layout = Make("[General]\r\nempty=" + v + "\r\nautoloop=" + v + "\r\ndoctitle=" + v +
                                        "\r\n[Kand Options]\r\neof_record=" + v + "\r\nselectie=" + v + "\r\n");
        EXPECT_EQ(layout.Empty(), c.set) << v;
        EXPECT_EQ(layout.AutoLoop(), c.set) << v;
        EXPECT_EQ(layout.EofRecord(), c.set) << v;
        EXPECT_EQ(layout.Selectie(), c.set) << v;
        EXPECT_EQ(layout.DocTitleEmpty(), v.empty()) << v;
    }
    const TFormLayout none = Make("[SQL]\r\nselect=*\r\n");
    EXPECT_FALSE(none.Empty() || none.AutoLoop() || none.EofRecord() || none.Selectie());
    EXPECT_TRUE(none.DocTitleEmpty());
    EXPECT_EQ(none.PassKind(), TPassKind::Single);
}

TEST_F(Layout, PassKinds)
{
    const std::string multirunError = "Ongeldige multirun specifier in formulieropmaakbestand: \rGebruik L, K, C, B, S of N";
    const struct {
        const char* value;
        std::optional<TPassKind> kind;
    } cases[] = {
        {"N", TPassKind::Single},  {"n", TPassKind::Single},       {"B", TPassKind::Single},
        {"Lijst", TPassKind::Single}, {"s", TPassKind::Single},    {"K", TPassKind::PerCandidate},
        {"k", TPassKind::PerCandidate}, {"Kandidaat", TPassKind::PerCandidate}, {"X", std::nullopt},
        {"C", std::nullopt},       {"No", std::nullopt},           {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const TFormLayout layout = Make(std::string("[GENERAL]\r\nmultirun=") + c.value + "\r\n");
        if (c.kind)
            EXPECT_EQ(layout.PassKind(), *c.kind) << c.value;
        else
            EXPECT_EQ(ErrorOf([&] { layout.PassKind(); }), multirunError) << c.value;
    }
}

TEST_F(Layout, SqlStatement)
{
    const struct {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"select=kand_nr, naamkand\r\nfrom=kand.txt\r\norderby=kand_nr\r\n",
         "SELECT kand_nr, naamkand FROM kand.txt ORDER BY kand_nr"},
        {"SELECT=*\r\nFROM=[kand.txt], lijst.txt\r\nWHERE=kand_nr=@kand_nr\r\n",
         "SELECT * FROM [kand.txt], lijst.txt WHERE kand_nr=@kand_nr"},
        {"select=a\r\nfrom=b\r\nwhere=\r\norderby=\r\n", "SELECT a FROM b WHERE  ORDER BY "},
        {"select=a\r\nfrom=b\r\nwhere=nodef\r\norderby=NODEF\r\n", "SELECT a FROM b ORDER BY NODEF"},
        {"select=\r\nfrom=b\r\n", "SELECT  FROM b"},
        {"from=b\r\n", "Missing SQL statement in H3.dat"},
        {"select=nodef\r\nfrom=b\r\n", "Missing SQL statement in H3.dat"},
        {"select=a\r\n", "Missing FROM statement in H3.dat"},
        {"select=a\r\nfrom=nodef\r\n", "Missing FROM statement in H3.dat"},
    };
    for (const auto& c : cases) {
        const TFormLayout layout = Make(std::string("[SQL]\r\n") + c.sql);
        std::string result;
        try {
            result = layout.SqlStatement();
        } catch (const Exception& e) {
            result = e.Message;
        }
        EXPECT_EQ(result, c.expected);
    }
}

TEST_F(Layout, FieldsAreReadInFileOrder)
{
    std::string text = "[FIELDS]\r\n";
    Lines expected;
    for (int i = 1; i <= 200; ++i) {
        text += "Veld" + std::to_string(i) + (i % 2 ? "(AUTONUM)" : "") + " = Vraag " + std::to_string(i) + "\r\n";
        expected.push_back("Veld" + std::to_string(i) + (i % 2 ? "(AUTONUM)" : "") + "=Vraag " + std::to_string(i));
    }
    Lines fields = {"left over"};
    Make(text).ReadFields(fields);
    EXPECT_EQ(fields, expected);
    Make("[GENERAL]\r\n").ReadFields(fields);
    EXPECT_TRUE(fields.empty());
}

TEST_F(Layout, LinesTheProfileRoutinesPassOverAreReadPast)
{
    const TFormLayout layout = Make("\xEF\xBB\xBF# Opmaak van H3\r\nlos van een sectie\r\n[GENERAL]\r\nmultirun=K\r\n"
                                    "[FIELDS]\r\nDatum\r\n# Plaats=Waar?\r\nNaam=Uw naam\r\n"
                                    "[SQL]\r\nselect=*\r\n# where=weg\r\nfrom=kand.txt\r\n");
    EXPECT_EQ(layout.SqlStatement(), "SELECT * FROM kand.txt");
    EXPECT_EQ(layout.PassKind(), TPassKind::PerCandidate);
    Lines fields;
    layout.ReadFields(fields);
    EXPECT_EQ(fields, Lines{"Naam=Uw naam"});
}

TEST_F(Layout, AFileThatIsNoLayoutGivesAClearMessage)
{
    const struct {
        std::string text, expected;
    } cases[] = {
        {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\0\0", 10), "Onbekend formaat in het bestand H3.dat: geen tekstbestand."},
    };
    for (const auto& c : cases) {
        const TFormLayout layout = Make(c.text);
        EXPECT_EQ(ErrorOf([&] { layout.SqlStatement(); }), c.expected);
        EXPECT_EQ(ErrorOf([&] { layout.Selectie(); }), c.expected);
        EXPECT_EQ(ReadFileBytes(dir.path() + "/H3.dat"), c.text); // never written
    }
}

// ---- SubstituteSqlParams ----

class Substitute : public ::testing::Test {
protected:
    Substitute()
    {
        table.AddField("kand_nr", ftInteger);
        table.AddField("naamkand", ftString, 20);
        table.AddField("lijst_id", ftSmallint);
        table.AddField("bedrag", ftCurrency, 0, 8);
        table.AddField("stemmen", ftLargeint);
        table.Open();
    }
    TDataSet table;
};

TEST_F(Substitute, ValuesInTheirWidthsBetweenSingleQuotes)
{
    ScopedFormatSettings dutch(TFormatSettings::Dutch());
    table.AppendRecord({std::int64_t(5), std::string("Jansen"), std::int64_t(7), 3.5, std::int64_t(42)});
    const struct {
        const char* sql;
        std::string expected;
    } cases[] = {
        {"SELECT * FROM kand.txt WHERE kand_nr=@kand_nr", "SELECT * FROM kand.txt WHERE kand_nr='  5'"},
        {"WHERE (kand_nr=@kand_nr)", "WHERE (kand_nr='  5')"},
        {"@KAND_NR,@Naamkand", "'  5','Jansen              '"},
        {"@lijst_id|@bedrag|@stemmen", "'    7'|'    3,50'|'             42'"},
        {"no placeholder", "no placeholder"},
        {"a@kand_nr@kand_nr", "a'  5''  5'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SubstituteSqlParams(c.sql, table), c.expected) << c.sql;

    table.EmptyDataSet();
    table.AppendRecord({std::int64_t(123), std::string("Een naam van 25 tekens..."), std::int64_t(123456)});
    EXPECT_EQ(SubstituteSqlParams("=@kand_nr @naamkand @lijst_id", table), "='123' 'Een naam van 25 teke' '12345'");
}

TEST_F(Substitute, AnEmptyRecordGivesZerosAndBlanks)
{
    EXPECT_EQ(SubstituteSqlParams("@kand_nr @naamkand @stemmen", table),
              "'000' '" + std::string(20, ' ') + "' '000000000000000'");
}

TEST_F(Substitute, AnAtSignInsideAValueIsNoPlaceholder)
{
    table.AppendRecord({std::int64_t(5), std::string("Jan@kand_nr")});
    EXPECT_EQ(SubstituteSqlParams("@naamkand", table), "'Jan@kand_nr         '");
    table.AppendRecord({std::int64_t(6), std::string("@naamkand")}); // would never end if scanned again
    EXPECT_EQ(SubstituteSqlParams("@naamkand", table), "'@naamkand           '");
}

TEST_F(Substitute, SyntaxErrorsAndUnknownFields)
{
    table.AppendRecord({std::int64_t(5)});
    EXPECT_EQ(ErrorOf([&] { SubstituteSqlParams("WHERE kand_nr=@", table); }),
              "SQL syntax error in formulieropmaakbestand");
    EXPECT_EQ(ErrorOf([&] { SubstituteSqlParams("@@kand_nr", table); }), "Veld '' niet gevonden");
    EXPECT_EQ(ErrorOf([&] { SubstituteSqlParams("a=@ b", table); }), "Veld '' niet gevonden");
    EXPECT_EQ(ErrorOf([&] { SubstituteSqlParams("@bureau_id", table); }), "Veld 'bureau_id' niet gevonden");
}

} // namespace

// ---- Extra fields and FORMVARS.INI ----

#include "uGlobals.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <sys/stat.h>

namespace {

TEST(FieldOption, TheUpperCasedTextBetweenTheFirstParentheses)
{
    const struct {
        const char *key, *option;
    } cases[] = {{"Nummer(AUTONUM)", "AUTONUM"}, {"Geheim (nostore)", "NOSTORE"}, {"a(b)(c)", "B"},
                 {"a)b(c", ""},                 {"geen", ""},                     {"open(", ""},
                 {"a(x)y)", "X"},               {"a()", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(FieldOption(c.key), c.option) << c.key;
}

class ExtraFields : public ::testing::Test {
protected:
    ExtraFields() : saved(FormsDir) { FormsDir = dir.path() + "/"; }
    ~ExtraFields() override { FormsDir = saved; }

    QString FormVars() const { return dir.path() + "/FORMVARS.INI"; }
    static std::string Today() { return QDate::currentDate().toString("dd-MM-yy").toStdString(); }
    static std::vector<QLineEdit*> Edits(QWidget* w)
    {
        const QList<QLineEdit*> edits = w->findChildren<QLineEdit*>();
        return {edits.begin(), edits.end()};
    }
    static void Type(QWidget* w, const QString& text)
    {
        QTest::keyClicks(w->focusWidget() ? w->focusWidget() : w, text);
    }

    QString saved;
    QTemporaryDir dir;
};

TEST_F(ExtraFields, TwoFieldsAsTheUserMeetsThem)
{
    ASSERT_TRUE(WriteFileBytes(FormVars(), "[General]\r\ndtKlanten=01-01-20\r\n\r\n[Vars]\r\nNummer(AUTONUM)=41\r\n"));
    Lines fields = {"Datum=Datum vergadering", "Nummer(AUTONUM)=Volgnummer"};
    QStringList labels, texts;
    std::vector<QRect> editPlaces;
    QStringList focusOrder; // "edit <n>" or a button's text
    QSize outer, client;
    QRect ok;
    QMargins frame;
    ModalAnswer answer([&](QWidget* w) {
        outer = w->frameGeometry().size();
        client = w->size();
        frame = w->windowHandle()->frameMargins();
        ok = w->findChildren<QPushButton*>()[0]->geometry();
        for (QLabel* label : w->findChildren<QLabel*>())
            labels << label->text() + "@" + QString::number(label->x()) + "," + QString::number(label->y());
        for (QLineEdit* edit : Edits(w)) {
            texts << edit->text();
            editPlaces.push_back(edit->geometry());
        }
        const std::vector<QLineEdit*> edits = Edits(w);
        const auto focused = [&] {
            QWidget* f = w->focusWidget();
            for (std::size_t i = 0; i < edits.size(); ++i)
                if (f == edits[i])
                    return "edit " + QString::number(i);
            auto* button = qobject_cast<QPushButton*>(f);
            return button ? PlainText(button->text()) : QString("?");
        };
        for (int i = 0; i < 4; ++i) {
            focusOrder << focused();
            QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        }
        focusOrder << focused();
        // Back at the first edit: type there, then over the proposed number.
        Type(w, "1 mei");
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        Type(w, "43");
        auto buttons = w->findChildren<QPushButton*>();
        QTest::mouseClick(buttons[0], Qt::LeftButton);
    });
    EXPECT_EQ(GetNewVarValues(fields), 1);
    EXPECT_EQ(answer.Seen().caption, "Extra velden voor MS Word koppeling");
    EXPECT_EQ(answer.Seen().buttons, (QStringList{"&OK", "&Annuleren"}));
    // 400 by 128 with frame and caption; the buttons stand 38 above the outer bottom edge.
    EXPECT_FALSE(frame.isNull());
    EXPECT_EQ(outer, QSize(400, 128));
    EXPECT_EQ(client, QSize(400 - frame.left() - frame.right(), 128 - frame.top() - frame.bottom()));
    EXPECT_EQ(ok, QRect(400 / 2 - 90, 128 - 25 - 38, 85, 25));
    EXPECT_EQ(labels, (QStringList{"Datum vergadering@8,8", "Volgnummer@8,33"}));
    EXPECT_EQ(texts, (QStringList{"", "42"}));
    ASSERT_EQ(editPlaces.size(), 2u);
    EXPECT_EQ(editPlaces[0], QRect(170, 4, 218, 21));
    EXPECT_EQ(editPlaces[1], QRect(170, 29, 218, 21));
    EXPECT_EQ(focusOrder, (QStringList{"edit 0", "edit 1", "OK", "Annuleren", "edit 0"}));

    EXPECT_EQ(fields, (Lines{"Datum=1 mei", "Nummer(AUTONUM)=43"}));
    EXPECT_EQ(ReadFileBytes(FormVars()), "[General]\r\ndtKlanten=" + Today() +
                                             "\r\n\r\n[Vars]\r\nNummer(AUTONUM)=43\r\nDatum=1 mei\r\n");
}

TEST_F(ExtraFields, InitialTextsByOption)
{
    ASSERT_TRUE(WriteFileBytes(FormVars(), "[Vars]\r\nPlain=vorige\r\nGeheim(NOSTORE)=opgeslagen\r\n"
                                           "Tekst(AUTONUM)=abc\r\nNul(autonum)=\r\nMin(AUTONUM)= -5 \r\n"));
    Lines fields = {"Plain=a", "Geheim(NOSTORE)=b", "Tekst(AUTONUM)=c", "Nul(autonum)=d", "Min(AUTONUM)=e",
                    "Nieuw(AUTONUM)=f", "Onbekend=g"};
    QStringList texts;
    ModalAnswer answer([&](QWidget* w) {
        for (QLineEdit* edit : Edits(w))
            texts << edit->text();
        QTest::keyClick(w->focusWidget(), Qt::Key_Return); // OK is the default button
    });
    EXPECT_EQ(GetNewVarValues(fields), 1);
    EXPECT_EQ(texts, (QStringList{"vorige", "", "", "1", "-4", "1", ""}));
    EXPECT_EQ(fields, (Lines{"Plain=vorige", "Geheim(NOSTORE)=", "Tekst(AUTONUM)=", "Nul(autonum)=1",
                             "Min(AUTONUM)=-4", "Nieuw(AUTONUM)=1", "Onbekend="}));
    TIniFile vars(FormVars().toStdString());
    EXPECT_EQ(vars.ReadString("Vars", "Geheim(NOSTORE)", "?"), "");
    EXPECT_EQ(vars.ReadString("Vars", "Nieuw(AUTONUM)", "?"), "1");
}

TEST_F(ExtraFields, ClearingAnEditStoresAnEmptyValue)
{
    ASSERT_TRUE(WriteFileBytes(FormVars(), "[Vars]\r\nNaam=Piet\r\n"));
    Lines fields = {"Naam=Uw naam", "Naam=Nog eens"};
    ModalAnswer answer([&](QWidget* w) {
        QLineEdit* first = Edits(w)[0];
        first->selectAll();
        QTest::keyClick(first, Qt::Key_Delete);
        QTest::keyClick(first, Qt::Key_Tab);
        Type(w, "Klaas");
        QTest::mouseClick(w->findChildren<QPushButton*>()[0], Qt::LeftButton);
    });
    EXPECT_EQ(GetNewVarValues(fields), 1);
    // The second line's value goes to the first line of that key, as the list's values work.
    EXPECT_EQ(fields, (Lines{"Naam=Klaas", "Naam=Nog eens"}));
    EXPECT_EQ(TIniFile(FormVars().toStdString()).ReadString("Vars", "Naam", "?"), "Klaas");
}

TEST_F(ExtraFields, CancelLeavesTheFieldsButUpdatesTheDate)
{
    const std::string before = "[General]\r\ndtKlanten=01-01-20\r\n\r\n[Vars]\r\nDatum=oud\r\n";
    const struct {
        const char* how;
        ModalAnswer::Action action;
    } cases[] = {
        {"Esc", ModalAnswer::PressKey(Qt::Key_Escape)},
        {"button", ModalAnswer::ClickButton("Annuleren")},
        {"close box", ModalAnswer::Close()},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(FormVars(), before));
        Lines fields = {"Datum=Datum vergadering"};
        ModalAnswer answer([&](QWidget* w) {
            Type(w, "nieuw");
            c.action(w);
        });
        EXPECT_EQ(GetNewVarValues(fields), 2) << c.how;
        EXPECT_EQ(fields, Lines{"Datum=Datum vergadering"}) << c.how;
        EXPECT_EQ(ReadFileBytes(FormVars()), "[General]\r\ndtKlanten=" + Today() + "\r\n\r\n[Vars]\r\nDatum=oud\r\n");
    }
}

TEST(ExtraFieldsGeometry, OuterSizeLessTheFrameAndRoomForEveryPrompt)
{
    const QSize screen(1024, 740);
    const TFrameExtents openbox{1, 21, 1, 5};
    // Two short prompts in a frame: the outer size as given, the client area what the frame leaves.
    TExtraFieldsGeometry g = ExtraFieldsGeometry(2, 120, openbox, screen, 15);
    EXPECT_EQ(std::tie(g.Width, g.Height, g.ClientWidth, g.ClientHeight), std::tuple(400, 128, 398, 102));
    EXPECT_EQ(std::tie(g.EditLeft, g.ButtonTop, g.OkLeft, g.CancelLeft), std::tuple(170, 65, 110, 205));
    EXPECT_FALSE(g.Scrolls);
    // A prompt wider than the room before the edits moves them, and widens the dialog as much.
    g = ExtraFieldsGeometry(1, 180, openbox, screen, 15);
    EXPECT_EQ(std::tie(g.EditLeft, g.Width, g.ClientWidth), std::tuple(194, 424, 422));
    EXPECT_EQ(g.OkLeft, 424 / 2 - 90);
    // ... but not beyond the screen.
    g = ExtraFieldsGeometry(1, 5000, openbox, screen, 15);
    EXPECT_EQ(g.Width, 1024);
    EXPECT_EQ(g.EditLeft, 1024 - 400 + 170);
    // A frame taller than the space under the buttons still leaves them inside the client area.
    g = ExtraFieldsGeometry(1, 10, TFrameExtents{4, 40, 4, 10}, screen, 15);
    EXPECT_EQ(g.ClientHeight, 103 - 50);
    EXPECT_EQ(g.ButtonTop, 53 - 25 - 8);
    // Too many fields for the screen: the outer height is the screen's, the fields scroll.
    g = ExtraFieldsGeometry(200, 10, openbox, screen, 15);
    EXPECT_TRUE(g.Scrolls);
    EXPECT_EQ(std::tie(g.Height, g.Width, g.ClientHeight), std::tuple(740, 415, 714));
    EXPECT_EQ(g.AreaHeight, 740 - 25 - 38 - 4);
    EXPECT_EQ(g.ContentHeight, 25 * 200 + 4);
}

TEST_F(ExtraFields, ALongPromptIsReadableWhole)
{
    Lines fields = {"Kenmerk(NOSTORE)=Kenmerk (wordt niet bewaard)", "Datum=Datum"};
    std::vector<QRect> labels, edits;
    QSize outer;
    ModalAnswer answer([&](QWidget* w) {
        outer = w->frameGeometry().size();
        for (QLabel* label : w->findChildren<QLabel*>())
            labels.push_back(QRect(label->pos(), QSize(label->fontMetrics().horizontalAdvance(label->text()), label->height())));
        for (QLineEdit* edit : Edits(w))
            edits.push_back(edit->geometry());
        QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
    });
    EXPECT_EQ(GetNewVarValues(fields), 2);
    ASSERT_EQ(labels.size(), 2u);
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(labels[0].left(), 8);
    EXPECT_LT(labels[0].right(), edits[0].left()) << "the prompt ends before its edit";
    EXPECT_EQ(edits[1].left(), edits[0].left());
    EXPECT_EQ(outer.width(), 400 + edits[0].left() - 170);
    EXPECT_EQ(outer.height(), 25 * 2 + 78);
}

TEST_F(ExtraFields, TwoHundredFieldsScrollInADialogThatFitsTheScreen)
{
    Lines fields;
    for (int i = 0; i < 200; ++i)
        fields.push_back("Veld" + std::to_string(i) + "=Vraag " + std::to_string(i));
    QRect frame, screen;
    bool lastVisible = false, scrolls = false;
    ModalAnswer answer([&](QWidget* w) {
        frame = w->frameGeometry();
        screen = w->screen()->availableGeometry();
        auto* area = w->findChild<QScrollArea*>();
        scrolls = area != nullptr;
        for (int i = 0; i < 199; ++i)
            QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        Type(w, "laatste");
        QWidget* last = w->focusWidget();
        if (area) {
            const QRect shown = area->viewport()->rect();
            const QRect place(last->mapTo(area->viewport(), QPoint(0, 0)), last->size());
            lastVisible = shown.contains(place);
        }
        QTest::mouseClick(w->findChildren<QPushButton*>()[0], Qt::LeftButton);
    });
    EXPECT_EQ(GetNewVarValues(fields), 1);
    EXPECT_TRUE(scrolls);
    EXPECT_TRUE(screen.contains(frame)) << frame.height() << " in " << screen.height();
    EXPECT_TRUE(lastVisible);
    EXPECT_EQ(fields[199], "Veld199=laatste");
    EXPECT_EQ(fields[0], "Veld0=");
}

// One copy of the program numbering letters for TwoCopiesNumberingAtOnceHandOutEveryNumberOnce: 300
// askings of an "AUTONUM" field, each taking the number proposed.
TEST(ExtraFieldsCopy, NumbersThreeHundredLetters)
{
    const char* formVars = std::getenv("ZORVANDEL_NUMBERING_FORMVARS");
    if (!formVars)
        GTEST_SKIP() << "run as a copy of the program by TwoCopiesNumberingAtOnceHandOutEveryNumberOnce";
    const auto takeProposal = [](const std::vector<TExtraField>& fields) {
        return std::optional<Lines>(Lines{fields.at(0).Initial});
    };
    for (int letter = 0; letter < 300; ++letter) {
        Lines fields = {"briefnr(AUTONUM)=Volgnummer"};
        // Told that the other copy holds the fields for too long, the user tries again.
        int result = 0;
        while (result == 0) {
            try {
                result = AskExtraFieldValues(fields, formVars, takeProposal);
            } catch (const Exception& e) {
                ASSERT_EQ(e.Message, AnotherFormText);
            }
        }
        ASSERT_EQ(result, 1);
    }
}

TEST_F(ExtraFields, TwoCopiesNumberingAtOnceHandOutEveryNumberOnce)
{
    QProcess copies[2];
    for (QProcess& copy : copies) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVANDEL_NUMBERING_FORMVARS", FormVars());
        copy.setProcessEnvironment(env);
        copy.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ExtraFieldsCopy.*"});
    }
    for (QProcess& copy : copies) {
        ASSERT_TRUE(copy.waitForFinished(100000));
        EXPECT_EQ(copy.exitCode(), 0) << copy.readAllStandardOutput().toStdString();
    }
    EXPECT_EQ(TIniFile(FormVars().toStdString()).ReadString("Vars", "briefnr(AUTONUM)", ""), "600");
}

// Another copy of the program whose user keeps its extra fields open holds the folder of
// FORMVARS.INI (a lock of its own open file, as another process's is): this copy waits a moment,
// then says so instead of freezing until the other user closes the dialog.  Once it is let go,
// the asking works.
TEST_F(ExtraFields, AnotherCopyHoldingTheExtraFieldsEndsTheAskingWithAMessage)
{
    ASSERT_TRUE(WriteFileBytes(FormVars(), "[Vars]\r\nbriefnr(AUTONUM)=7\r\n"));
    const QByteArray folder = QFile::encodeName(QFileInfo(FormVars()).absolutePath());
    const int other = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    Lines fields = {"briefnr(AUTONUM)=Volgnummer"};
    bool asked = false;
    const auto take = [&](const std::vector<TExtraField>& shown) {
        asked = true;
        return std::optional<Lines>(Lines{shown.at(0).Initial});
    };
    EXPECT_EQ(ErrorOf([&] { AskExtraFieldValues(fields, FormVars(), take); }), AnotherFormText);
    EXPECT_FALSE(asked);
    EXPECT_EQ(ReadFileBytes(FormVars()), "[Vars]\r\nbriefnr(AUTONUM)=7\r\n");
    ::close(other);
    EXPECT_EQ(AskExtraFieldValues(fields, FormVars(), take), 1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(fields, Lines{"briefnr(AUTONUM)=8"});
}

// FORMVARS.INI's folder on a file system that takes no flock: the lock file takes its place, and
// where no lock can be had at all the asking fails with that failure before anything is asked or
// written, rather than hand out an "AUTONUM" number unlocked.
TEST_F(ExtraFields, AFolderThatTakesNoFlockIsLockedOtherwiseOrTheAskingFails)
{
    ASSERT_TRUE(WriteFileBytes(FormVars(), "[Vars]\r\nbriefnr(AUTONUM)=7\r\n"));
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const FlockFailure nfs(EBADF);
    Lines fields = {"briefnr(AUTONUM)=Volgnummer"};
    bool asked = false;
    const auto take = [&](const std::vector<TExtraField>& shown) {
        asked = true;
        return std::optional<Lines>(Lines{shown.at(0).Initial});
    };
    EXPECT_EQ(AskExtraFieldValues(fields, FormVars(), take), 1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(fields, Lines{"briefnr(AUTONUM)=8"});
    EXPECT_TRUE(QFileInfo(dir.filePath(TFolderLock::LockFileName)).isFile());

    ASSERT_TRUE(QFile::remove(dir.filePath(TFolderLock::LockFileName)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(TFolderLock::LockFileName));
    const std::string before = ReadFileBytes(FormVars());
    fields = {"briefnr(AUTONUM)=Volgnummer"};
    ModalAnswer answer(ModalAnswer::PressKey(Qt::Key_Return));
    EXPECT_EQ(ErrorOf([&] { GetNewVarValues(fields); }),
              "GetNewVarValues: De map " + folder + " kan niet worden vergrendeld (foutcode 21)");
    EXPECT_FALSE(answer.Seen().shown);
    EXPECT_EQ(ReadFileBytes(FormVars()), before);
    EXPECT_EQ(fields, Lines{"briefnr(AUTONUM)=Volgnummer"});
}

TEST_F(ExtraFields, LinesTheProgramDoesNotReadStayInFormVars)
{
    const std::string before = "\xEF\xBB\xBF# Laatst gebruikte waarden\r\nlos\r\n[Vars]\r\nDatum\r\nNaam=Piet\r\n";
    ASSERT_TRUE(WriteFileBytes(FormVars(), before));
    Lines fields = {"Naam=Uw naam"};
    QString proposed;
    ModalAnswer answer([&](QWidget* window) {
        proposed = Edits(window).front()->text();
        Edits(window).front()->setText("Klaas");
        QTest::keyClick(window, Qt::Key_Return);
    });
    EXPECT_EQ(GetNewVarValues(fields), 1);
    EXPECT_EQ(proposed, "Piet");
    EXPECT_EQ(fields, Lines{"Naam=Klaas"});
    EXPECT_EQ(ReadFileBytes(FormVars()), "\xEF\xBB\xBF# Laatst gebruikte waarden\r\nlos\r\n[Vars]\r\nDatum\r\nNaam=Klaas\r\n"
                                         "\r\n[General]\r\ndtKlanten=" + Today() + "\r\n");
}

TEST_F(ExtraFields, ADamagedOrUnwritableFormVarsIsLeftAloneWithAClearMessage)
{
    const std::string path = FormVars().toStdString();
    const struct {
        std::string bytes, expected;
    } cases[] = {
        {std::string("[Vars]\r\nDa\0\0\0", 11), "GetNewVarValues: Onbekend formaat in het bestand " + path + ": geen tekstbestand."},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(FormVars(), c.bytes));
        Lines fields = {"Datum=Datum"};
        ModalAnswer answer(ModalAnswer::PressKey(Qt::Key_Return));
        EXPECT_EQ(ErrorOf([&] { GetNewVarValues(fields); }), c.expected);
        EXPECT_FALSE(answer.Seen().shown);
        EXPECT_EQ(ReadFileBytes(FormVars()), c.bytes);
        EXPECT_EQ(fields, Lines{"Datum=Datum"});
    }
    // Tests run as root, for whom no file is read-only: a folder stands in the file's place.
    QFile::remove(FormVars());
    ASSERT_TRUE(QDir(dir.path()).mkdir("FORMVARS.INI"));
    Lines fields = {"Datum=Datum"};
    ModalAnswer answer(ModalAnswer::PressKey(Qt::Key_Return));
    EXPECT_EQ(ErrorOf([&] { GetNewVarValues(fields); }), "GetNewVarValues: Unable to write to " + path);
    EXPECT_FALSE(answer.Seen().shown);
}

// A FIFO in FORMVARS.INI's place is neither waited for nor read, and a file larger than the bound
// is refused by its size: each with a message and no dialog.
TEST_F(ExtraFields, AFormVarsThatIsNoRegularFileOrTooLargeGivesAMessage)
{
    const std::string path = FormVars().toStdString();
    const std::string large = "[Vars]\r\nDatum=1\r\n" + std::string(MaxIniBytes, ';');
    const struct {
        std::function<void()> plant;
        std::string expected;
    } cases[] = {
        {[&] { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }, "GetNewVarValues: Unable to write to " + path},
        {[&] { QFile::remove(FormVars()), WriteFileBytes(FormVars(), large); },
         "GetNewVarValues: Het bestand " + path + " is groter dan 256 kB."},
    };
    for (const auto& c : cases) {
        c.plant();
        Lines fields = {"Datum=Datum"};
        ModalAnswer answer(ModalAnswer::PressKey(Qt::Key_Return));
        EXPECT_EQ(ErrorOf([&] { GetNewVarValues(fields); }), c.expected);
        EXPECT_FALSE(answer.Seen().shown);
    }
    EXPECT_EQ(ReadFileBytes(FormVars()), large);
}

// A program installed for all users: its forms folder belongs to another user.  A copy of this
// program runs as "nobody" against such a folder.
TEST(ExtraFieldsAsAnotherUser, AFormsFolderTheUserCannotWriteKeepsItsFormVarsUnchanged)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can run a program as another user";
    // Under /tmp, which every user can pass through (the test's own temporary folder is private).
    QTemporaryDir dir("/tmp/zorvandel-test-XXXXXX");
    ASSERT_TRUE(dir.isValid());
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), open));
    const QString forms = dir.path() + "/FORMS/";
    const std::string shipped = "[General]\r\ndtKlanten=01-01-20\r\n\r\n[Vars]\r\nNaam=Piet\r\n";
    ASSERT_TRUE(QDir().mkpath(forms));
    ASSERT_TRUE(WriteFileBytes(forms + "FORMVARS.INI", shipped));
    const QString home = dir.path() + "/home " + FolderNamesOutsideAscii().back(); // its configuration too
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), 65534, 65534), 0);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", home);
    environment.insert("HOME", home);
    environment.insert("ZORVANDEL_TEST_FORMS", forms);
    const TChildRun run = RunThisTest("ExtraFieldsAsAnotherUser.RunAsTheUser", dir.path(), environment,
                                      {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    EXPECT_TRUE(run.Passed()) << run.Output;
    EXPECT_EQ(ReadFileBytes(forms + "FORMVARS.INI"), shipped);

    // Without a shipped FORMVARS.INI the user's own starts empty, and as private.
    ASSERT_TRUE(QFile::remove(forms + "FORMVARS.INI"));
    environment.insert("ZORVANDEL_TEST_NONE_SHIPPED", "1");
    const TChildRun none = RunThisTest("ExtraFieldsAsAnotherUser.RunAsTheUser", dir.path(), environment,
                                       {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    EXPECT_TRUE(none.Passed()) << none.Output;
}

// The user's side of the test above; it runs only there.
TEST(ExtraFieldsAsAnotherUser, RunAsTheUser)
{
    const char* forms = std::getenv("ZORVANDEL_TEST_FORMS");
    if (!forms)
        GTEST_SKIP() << "run by the test above";
    FormsDir = QFile::decodeName(forms);
    const QString own = QFileInfo(RegistryStore::FileName(HKEY_CURRENT_USER)).absolutePath() + "/FORMVARS.INI";
    const mode_t umask = ::umask(022);
    ASSERT_EQ(FormVarsFileName(), own);
    ::umask(umask);
    // The values the user enters are the user's alone.
    EXPECT_EQ(ModeOf(QFile::encodeName(own).toStdString()), 0600u);
    for (const char* typed : {"Klaas", "Jan"}) {
        Lines fields = {"Naam=Uw naam"};
        QString proposed;
        ModalAnswer answer([&](QWidget* window) {
            auto* edit = qobject_cast<QLineEdit*>(window->focusWidget());
            ASSERT_NE(edit, nullptr);
            proposed = edit->text();
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        EXPECT_EQ(GetNewVarValues(fields), 1);
        // The shipped value first, then the user's own.
        const char* shipped = std::getenv("ZORVANDEL_TEST_NONE_SHIPPED") ? "" : "Piet";
        EXPECT_EQ(proposed, std::string(typed) == "Klaas" ? shipped : "Klaas");
        EXPECT_EQ(fields, Lines{"Naam=" + std::string(typed)});
        EXPECT_EQ(TIniFile(own).ReadString("Vars", "Naam", "?"), typed);
    }
    EXPECT_EQ(TIniFile(own).ReadString("General", "dtKlanten", "?"), QDate::currentDate().toString("dd-MM-yy").toStdString());
    EXPECT_EQ(ModeOf(QFile::encodeName(own).toStdString()), 0600u);
}

} // namespace
