#include "ListFile.h"

#include "ChildRun.h"
#include "ErrorOf.h"
#include "Exceptions.h"
#include "FailingCalls.h"
#include "FileSizeLimit.h"
#include "FolderListing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iostream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

template <class T>
std::string RawBytes(const T& value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::unique_ptr<TKandidaatRecord> Kandidaat(const std::string& nr, const std::string& naam)
{
    auto k = std::make_unique<TKandidaatRecord>();
    k->KandidaatNr = nr;
    k->Achternaam = naam;
    k->Geslacht = "V";
    k->Geboortedatum = "01-02-1970";
    return k;
}

class ListFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }

    fs::path File(const std::string& name) const { return fs::path(Dir.path().toStdString()) / name; }

    // A party and three candidates, with characters whose scrambled form is 0, a quote or a line break.
    void Fill(TPartijList& partijen, TKandidaatList& kandidaten) const
    {
        auto p = std::make_unique<TPartijRecord>();
        p->Afkorting = "VVD";
        p->StatuNaam = "Volkspartij voor Vrijheid en Democratie";
        p->Aanduiding = "[~W"; // scrambles to 0, quote, line feed
        p->PostcodeVervanger = std::string(50, 'z');
        p->PlaatsVervanger = "\xC9pinal";
        partijen.Add(std::move(p));
        kandidaten.Add(Kandidaat("1", "Jansen"));
        kandidaten.Add(Kandidaat("12", "de Vries"));
        kandidaten.Add(Kandidaat("80", "[~W"));
    }

    std::vector<std::string> Snapshot(const TPartijList& partijen, const TKandidaatList& kandidaten) const
    {
        std::vector<std::string> bytes;
        for (int i = 0; i < partijen.Count(); ++i)
            bytes.push_back(RawBytes(*partijen.Items(i)));
        for (int i = 0; i < kandidaten.Count(); ++i)
            bytes.push_back(RawBytes(*kandidaten.Items(i)));
        return bytes;
    }

    QTemporaryDir Dir;
    TPartijList Partijen;
    TKandidaatList Kandidaten;
};

bool IsRoot()
{
    return ::geteuid() == 0;
}

// Runs body in a child process that permissions hold for: when the tests run as root, the child
// becomes the user "nobody" (65534), to whom the given paths are first made over (and the folders
// above them opened for searching).  Returns the child's exit code.
int WithoutPrivileges(const std::vector<fs::path>& owned, const std::function<int()>& body)
{
    constexpr uid_t nobody = 65534;
    if (IsRoot())
        for (const fs::path& path : owned) {
            if (::lchown(path.c_str(), nobody, nobody) != 0)
                return -1;
            for (fs::path above = path.parent_path(); above.has_relative_path(); above = above.parent_path()) {
                struct stat info {};
                if (::stat(above.c_str(), &info) == 0 && !(info.st_mode & S_IXOTH))
                    ::chmod(above.c_str(), (info.st_mode & 07777) | S_IXOTH);
            }
        }
    const pid_t child = ::fork();
    if (child == 0) {
        if (IsRoot()) {
            (void)::setgroups(0, nullptr); // may be refused in a container; the files' group bits are unset
            (void)::setgid(nobody);
            if (::setuid(nobody) != 0)
                ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

ino_t Inode(const fs::path& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The texts of a failed save: the message, and what it left.
const std::string CannotWrite = "Kan gekozen bestand niet wegschrijven.";
const std::string NoNewFile = "\r\nIn de map van het bestand kan geen nieuw bestand worden aangemaakt.";
const std::string Unchanged = "\r\nHet bestaande bestand is ongewijzigd gebleven.";
const std::string Damaged =
    "\r\nDe oude inhoud van het bestand kon niet worden teruggezet; het bestand kan beschadigd zijn.";

// A save's outcome as an exit code: 0 written; 1 to 5 the messages of a failed write; 9 any other text.
int SaveOutcome(const std::optional<std::string>& failure)
{
    const std::string texts[] = {CannotWrite, CannotWrite + Unchanged, CannotWrite + NoNewFile,
                                 CannotWrite + NoNewFile + Unchanged, CannotWrite + NoNewFile + Damaged};
    if (!failure)
        return 0;
    const auto known = std::find(std::begin(texts), std::end(texts), *failure);
    return known == std::end(texts) ? 9 : 1 + int(known - std::begin(texts));
}

// A party and count candidates; tag marks every record, so that two such lists differ throughout.
void FillMany(TPartijList& partijen, TKandidaatList& kandidaten, int count, const std::string& tag)
{
    partijen.Clear();
    kandidaten.Clear();
    auto p = std::make_unique<TPartijRecord>();
    p->Afkorting = tag;
    p->StatuNaam = "Partij " + tag;
    partijen.Add(std::move(p));
    for (int i = 0; i < count; ++i) {
        auto k = Kandidaat(std::to_string(i % 1000), tag + std::to_string(i));
        k->Plaats = "Plaats " + tag;
        kandidaten.Add(std::move(k));
    }
}

// The two lists that the saves below write in turns: the old one, and the new one, which is longer.
struct TTwoLists {
    explicit TTwoLists(int count)
    {
        FillMany(Partijen[0], Kandidaten[0], count, "oud");
        FillMany(Partijen[1], Kandidaten[1], count + count / 5, "nieuw");
    }
    std::optional<std::string> Save(const fs::path& file, int which) const
    {
        return SaveLijstFile(file, Partijen[which], Kandidaten[which]);
    }
    // What a save of the list writes.
    std::string Bytes(int which) const
    {
        QTemporaryDir dir;
        const fs::path file = fs::path(dir.path().toStdString()) / "ref.lst";
        WriteLijst(file, Partijen[which], Kandidaten[which]);
        return ReadBytes(file);
    }
    TPartijList Partijen[2];
    TKandidaatList Kandidaten[2];
};

// Runs ListFileChild.Saves with the faults on the files of the folder of file: it saves the new
// list there once; returns the outcome it reported ("ok" when written, else the message).
std::vector<std::string> SaveInChild(const fs::path& file, const QString& faults)
{
    QProcessEnvironment environment =
        FailingCallsEnvironment(QString::fromStdString(file.parent_path().string()), faults);
    environment.insert("ZORVANDEL_SAVE_FILE", QString::fromStdString(file.string()));
    const TChildRun run = RunThisTest("ListFileChild.Saves", {}, environment);
    EXPECT_TRUE(run.Passed()) << run.Output;
    std::vector<std::string> outcomes;
    for (std::size_t at = run.Output.find("outcome<"); at != std::string::npos; at = run.Output.find("outcome<", at)) {
        at += 8;
        outcomes.push_back(run.Output.substr(at, run.Output.find('>', at) - at));
    }
    return outcomes;
}

// What became of the file after killed saves.
struct TKillCounts {
    int Torn = 0;       // kills after which the file was neither list whole
    int LeftBehind = 0; // kills after which some other name stood beside it
};

// Kills a process that saves the two lists to file in turns, kills times at random moments, and
// looks at the file after each kill.
TKillCounts KillSavesAtRandom(const fs::path& file, const TTwoLists& lists, int kills)
{
    const std::string bytes[2] = {lists.Bytes(0), lists.Bytes(1)};
    WriteBytes(file, bytes[0]);
    const auto start = std::chrono::steady_clock::now();
    lists.Save(file, 1);
    lists.Save(file, 0);
    const auto twoSaves =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(20240611);
    std::uniform_int_distribution<long> moment(0, twoSaves.count() + 2000);
    TKillCounts counts;
    for (int k = 0; k < kills; ++k) {
        const pid_t child = ::fork();
        if (child == 0)
            for (int which = 1;; which = 1 - which)
                lists.Save(file, which);
        ::usleep(useconds_t(moment(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = ReadBytes(file);
        counts.Torn += now != bytes[0] && now != bytes[1];
        counts.LeftBehind += Entries(file.parent_path()).size() > 1;
    }
    return counts;
}

// Runs KilledSavesChild.KillsSaves in a folder of its own with the faults.
TChildRun KillSavesInChild(const QString& folder, const QString& faults)
{
    QProcessEnvironment environment = FailingCallsEnvironment(folder, faults);
    environment.insert("ZORVANDEL_KILL_FOLDER", folder);
    return RunThisTest("KilledSavesChild.KillsSaves", {}, environment);
}

} // namespace

TEST(CryptString, ScramblesEveryCharacterWithItsPositionKey)
{
    // keys 0x5B, 0x5C, 0x5D: 'V' ^ 0x5B = CR, 'V' ^ 0x5C = LF, 'D' ^ 0x5D = 0x19
    EXPECT_EQ(CryptString("VVD"), "\x0D\x0A\x19");
    EXPECT_EQ(CryptString("[~W"), std::string("\0\"\n", 3));
    EXPECT_EQ(CryptString(""), "");
    for (int c = 0; c < 256; ++c) // position 1 always uses key 0x5B
        EXPECT_EQ(static_cast<unsigned char>(CryptString(std::string(1, char(c)))[0]), c ^ 0x5B);
    // the key is the low byte of the position plus the constant: position 166 gives key 0
    const std::string scrambled = CryptString(std::string(300, 'a'));
    EXPECT_EQ(scrambled[165], 'a');
    EXPECT_EQ(static_cast<unsigned char>(scrambled[166]), 'a' ^ 1);
}

TEST(CryptString, IsItsOwnInverseForEveryByte)
{
    std::string all;
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 256; ++c)
            all += char(c);
    const std::string once = CryptString(all);
    EXPECT_EQ(once.size(), all.size());
    EXPECT_NE(once, all);
    EXPECT_EQ(CryptString(once), all);
}

TEST(CryptRecords, ScrambleTextsInPlaceAndKeepLengthsAndTheRest)
{
    TKandidaatRecord k = *Kandidaat("12", "Jansen");
    const TKandidaatRecord original = k;
    CryptKandidaat(k);
    EXPECT_EQ(k.KandidaatNr.Length, 2);
    EXPECT_EQ(k.KandidaatNr.View(), CryptString("12"));
    EXPECT_EQ(k.Achternaam.View(), CryptString("Jansen"));
    EXPECT_EQ(std::string(k.Achternaam.Chars + 6, 44), std::string(44, '\0'));
    EXPECT_EQ(k.Voornaam.Length, 0);
    CryptKandidaat(k);
    EXPECT_EQ(RawBytes(k), RawBytes(original));

    TPartijRecord p;
    p.Afkorting = "VVD";
    p.PlaatsVervanger = "Ede";
    CryptPartij(p);
    EXPECT_EQ(p.Afkorting.View(), "\x0D\x0A\x19");
    EXPECT_EQ(p.PlaatsVervanger.View(), CryptString("Ede"));
    CryptPartij(p);
    EXPECT_EQ(p.Afkorting.View(), "VVD");
    EXPECT_EQ(p.PlaatsVervanger.View(), "Ede");
}

TEST_F(ListFile, WritesTheHandComputedBytes)
{
    auto p = std::make_unique<TPartijRecord>();
    p->Afkorting = "VVD";
    p->PlaatsVervanger = "Ab";
    Partijen.Add(std::move(p));
    auto k = std::make_unique<TKandidaatRecord>();
    k->KandidaatNr = "12";
    k->Geslacht = "V";
    Kandidaten.Add(std::move(k));
    Kandidaten.Add(Kandidaat("7", ""));
    Kandidaten.Items(1)->Geslacht = "";
    Kandidaten.Items(1)->Geboortedatum = "";

    std::string expected(632 + 285 * 2, '\0');
    auto put = [&](std::size_t offset, std::string_view bytes) { expected.replace(offset, bytes.size(), bytes); };
    put(0, "\x03\x0D\x0A\x19");        // Afkorting: length 3, "VVD" scrambled
    put(581, "\x02\x1A\x3E");          // PlaatsVervanger: 'A' ^ 0x5B, 'b' ^ 0x5C
    put(632, "\x02\x6A\x6E");          // KandidaatNr "12": '1' ^ 0x5B, '2' ^ 0x5C
    put(632 + 159, "\x01\x0D");        // Geslacht "V"
    put(632 + 285, "\x01\x6C");        // KandidaatNr "7"

    ASSERT_EQ(SaveLijstFile(File("a.lst"), Partijen, Kandidaten), std::nullopt);
    EXPECT_EQ(ReadBytes(File("a.lst")), expected);
}

TEST_F(ListFile, RoundTripLeavesTheRecordsInMemoryAsTheyWere)
{
    Fill(Partijen, Kandidaten);
    const auto before = Snapshot(Partijen, Kandidaten);
    ASSERT_EQ(SaveLijstFile(File("lijst.lst"), Partijen, Kandidaten), std::nullopt);
    EXPECT_EQ(Snapshot(Partijen, Kandidaten), before);

    const std::string bytes = ReadBytes(File("lijst.lst"));
    ASSERT_EQ(bytes.size(), 632u + 285u * 3);
    EXPECT_EQ(bytes.substr(60, 4), std::string("\x03\0\"\n", 4)); // a length byte is stored as is
    EXPECT_EQ(bytes.substr(632 + 2 * 285 + 4, 4), std::string("\x03\0\"\n", 4));

    TPartijList partijen;
    TKandidaatList kandidaten;
    kandidaten.Add(Kandidaat("99", "weg"));
    ASSERT_EQ(OpenLijstFile(File("lijst.lst"), partijen, kandidaten), std::nullopt);
    EXPECT_EQ(Snapshot(partijen, kandidaten), before) << "byte for byte, the bytes past the lengths included";
    ASSERT_EQ(partijen.Count(), 1);
    EXPECT_EQ(partijen.Items(0)->Aanduiding.AsString(), "[~W");
    ASSERT_EQ(kandidaten.Count(), 3);
    EXPECT_EQ(kandidaten.Items(1)->KandidaatNr.AsString(), "12");
}

TEST_F(ListFile, PartyWithoutCandidatesIsOneRecord)
{
    Fill(Partijen, Kandidaten);
    Kandidaten.Clear();
    ASSERT_EQ(SaveLijstFile(File("p.lst"), Partijen, Kandidaten), std::nullopt);
    EXPECT_EQ(fs::file_size(File("p.lst")), 632u);

    TPartijList partijen;
    TKandidaatList kandidaten;
    kandidaten.Add(Kandidaat("5", "weg"));
    EXPECT_EQ(OpenLijstFile(File("p.lst"), partijen, kandidaten), std::nullopt);
    EXPECT_EQ(partijen.Count(), 1);
    EXPECT_EQ(*partijen.Items(0), *Partijen.Items(0));
    EXPECT_EQ(kandidaten.Count(), 0);
}

TEST_F(ListFile, ShortPartyRecordLeavesBothListsEmpty)
{
    for (std::size_t size : {0, 1, 631}) {
        Fill(Partijen, Kandidaten);
        WriteBytes(File("kort.lst"), std::string(size, 'x'));
        EXPECT_EQ(OpenLijstFile(File("kort.lst"), Partijen, Kandidaten),
                  "frmMain.OpenLijst: Ongeldige partij record ingelezen.")
            << size;
        EXPECT_EQ(Partijen.Count(), 0);
        EXPECT_EQ(Kandidaten.Count(), 0);
    }
    EXPECT_EQ(ErrorOf([&] { ReadLijst(File("kort.lst"), Partijen, Kandidaten); }), "Ongeldige partij record ingelezen.")
        << "a plain failure, no input/output error";
}

TEST_F(ListFile, ShortCandidateRecordKeepsWhatWasReadBefore)
{
    Fill(Partijen, Kandidaten);
    ASSERT_EQ(SaveLijstFile(File("vol.lst"), Partijen, Kandidaten), std::nullopt);
    WriteBytes(File("kort.lst"), ReadBytes(File("vol.lst")).substr(0, 632 + 285 + 100));

    TPartijList partijen;
    TKandidaatList kandidaten;
    EXPECT_EQ(OpenLijstFile(File("kort.lst"), partijen, kandidaten),
              "frmMain.OpenLijst: Ongeldige kandidaat record ingelezen.");
    ASSERT_EQ(partijen.Count(), 1);
    EXPECT_EQ(*partijen.Items(0), *Partijen.Items(0));
    ASSERT_EQ(kandidaten.Count(), 1);
    EXPECT_EQ(*kandidaten.Items(0), *Kandidaten.Items(0));
}

TEST_F(ListFile, FileThatCannotBeOpenedChangesNothing)
{
    Fill(Partijen, Kandidaten);
    const auto before = Snapshot(Partijen, Kandidaten);
    TPartijRecord* party = Partijen.Items(0);

    fs::create_directory(File("map.lst")); // fails for root too
    std::vector<fs::path> names{File("bestaat-niet.lst"), File("map.lst"), File("geen-map") / "x.lst"};
    if (!IsRoot()) {
        WriteBytes(File("geheim.lst"), std::string(632, 'x'));
        fs::permissions(File("geheim.lst"), fs::perms::none);
        names.push_back(File("geheim.lst"));
    }
    for (const auto& name : names) {
        EXPECT_EQ(OpenLijstFile(name, Partijen, Kandidaten), "Kan gekozen bestand niet openen.") << name;
        EXPECT_EQ(Snapshot(Partijen, Kandidaten), before);
        EXPECT_EQ(Partijen.Items(0), party);
        EXPECT_THROW(ReadLijst(name, Partijen, Kandidaten), EInOutError);
    }
}

TEST_F(ListFile, ForeignBytesAreBroughtIntoTheFieldRules)
{
    // bytes past the lengths hold garbage; one length byte is above its capacity
    std::string bytes(632 + 285, '\x7F');
    bytes[0] = char(200);                               // Afkorting, capacity 8
    bytes[9] = 1;                                       // StatuNaam
    bytes.replace(632, 3, "\x02\x6A\x6E");              // KandidaatNr "12"
    for (std::size_t offset : {60, 111, 162, 173, 224, 275, 326, 377, 428, 479, 530, 581})
        bytes[offset] = 0;
    for (std::size_t offset : {4, 55, 71, 87, 108, 159, 161, 172, 223, 234})
        bytes[632 + offset] = 0;
    WriteBytes(File("vreemd.lst"), bytes);

    ASSERT_EQ(OpenLijstFile(File("vreemd.lst"), Partijen, Kandidaten), std::nullopt);
    const TPartijRecord& p = *Partijen.Items(0);
    EXPECT_EQ(p.Afkorting.Length, 8);
    EXPECT_EQ(p.Afkorting.View(), CryptString(std::string(8, '\x7F')));
    EXPECT_EQ(p.StatuNaam.View(), CryptString("\x7F"));
    EXPECT_EQ(std::string(p.StatuNaam.Chars + 1, 49), std::string(49, '\0'));
    EXPECT_EQ(std::string(p.PlaatsVervanger.Chars, 50), std::string(50, '\0'));
    ASSERT_EQ(Kandidaten.Count(), 1);
    EXPECT_EQ(Kandidaten.Items(0)->KandidaatNr.AsString(), "12");
    EXPECT_EQ(Kandidaten.Items(0)->KandidaatNr.Chars[2], '\0');
}

TEST_F(ListFile, SavingReplacesTheWholeFileAndKeepsItsPermissions)
{
    WriteBytes(File("oud.lst"), std::string(5000, 'o'));
    fs::permissions(File("oud.lst"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Fill(Partijen, Kandidaten);
    ASSERT_EQ(SaveLijstFile(File("oud.lst"), Partijen, Kandidaten), std::nullopt);
    EXPECT_EQ(fs::file_size(File("oud.lst")), 632u + 285u * 3);
    EXPECT_EQ(fs::status(File("oud.lst")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::vector<std::string> names = Entries(File(""));
    EXPECT_EQ(names, std::vector<std::string>{"oud.lst"}) << "no temporary file stays behind";

    // through a link: the file it names is replaced, the link stays
    fs::create_symlink(File("oud.lst"), File("link.lst"));
    Kandidaten.Clear();
    ASSERT_EQ(SaveLijstFile(File("link.lst"), Partijen, Kandidaten), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(File("link.lst")));
    EXPECT_EQ(fs::file_size(File("oud.lst")), 632u);
}

TEST_F(ListFile, FailedSaveLeavesTheOldFileAndTheRecords)
{
    const std::string old(1234, 'o');
    WriteBytes(File("oud.lst"), old);
    Fill(Partijen, Kandidaten);
    const auto before = Snapshot(Partijen, Kandidaten);

    fs::create_directory(File("map.lst"));
    std::vector<fs::path> names{File("geen-map") / "x.lst", File("map.lst")};
    for (const auto& name : names) {
        EXPECT_EQ(SaveLijstFile(name, Partijen, Kandidaten), "Kan gekozen bestand niet wegschrijven.") << name;
        EXPECT_THROW(WriteLijst(name, Partijen, Kandidaten), EInOutError);
        EXPECT_EQ(Snapshot(Partijen, Kandidaten), before);
    }
    EXPECT_TRUE(fs::is_empty(File("map.lst")));

    // a write that fails halfway: the file size limit stops the new file at 1000 bytes
    std::optional<std::string> result;
    {
        const FileSizeLimit limit(1000);
        result = SaveLijstFile(File("oud.lst"), Partijen, Kandidaten);
    }
    EXPECT_EQ(result, CannotWrite + Unchanged);
    EXPECT_EQ(ReadBytes(File("oud.lst")), old);
    EXPECT_EQ(Snapshot(Partijen, Kandidaten), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(File("")), {}), 2) << "no temporary file stays behind";
}

TEST_F(ListFile, AReadOnlyFolderIsWrittenInPlaceOnlyWhereTheFileAllows)
{
    Fill(Partijen, Kandidaten);
    WriteLijst(File("nieuw.lst"), Partijen, Kandidaten);
    const std::string fresh = ReadBytes(File("nieuw.lst"));
    ASSERT_EQ(fresh.size(), 632u + 3 * 285u);
    const fs::path folder = File("ro");
    fs::create_directory(folder);
    struct Case {
        const char* name;
        std::string old;
        fs::perms perms;
        rlim_t sizeLimit; // 0: none
        int outcome;
    } cases[] = {
        {"korter.lst", std::string(700, 'o'), fs::perms::owner_read | fs::perms::owner_write, 0, 0},
        {"langer.lst", std::string(5000, 'l'), fs::perms::owner_read | fs::perms::owner_write, 0, 0},
        {"vol.lst", std::string(700, 'v'), fs::perms::owner_read | fs::perms::owner_write, 1000, 4},
        {"alleen-lezen.lst", std::string(700, 'r'), fs::perms::owner_read, 0, 2},
    };
    std::vector<fs::path> owned{File(""), folder};
    for (const Case& c : cases) {
        WriteBytes(folder / c.name, c.old);
        fs::permissions(folder / c.name, c.perms);
        owned.push_back(folder / c.name);
    }
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);

    for (const Case& c : cases) {
        const ino_t inode = Inode(folder / c.name);
        const int outcome = WithoutPrivileges(owned, [&] {
            std::optional<FileSizeLimit> limit;
            if (c.sizeLimit)
                limit.emplace(c.sizeLimit);
            return SaveOutcome(SaveLijstFile(folder / c.name, Partijen, Kandidaten));
        });
        EXPECT_EQ(outcome, c.outcome) << c.name;
        EXPECT_TRUE(ReadBytes(folder / c.name) == (c.outcome == 0 ? fresh : c.old)) << c.name;
        EXPECT_EQ(Inode(folder / c.name), inode) << c.name << ": the file itself was written";
        EXPECT_EQ(fs::status(folder / c.name).permissions(), c.perms) << c.name;
    }
    // A new file cannot be made there at all.
    const int created =
        WithoutPrivileges(owned, [&] { return SaveOutcome(SaveLijstFile(folder / "nieuw.lst", Partijen, Kandidaten)); });
    EXPECT_EQ(created, 3);
    const std::vector<std::string> names = Entries(folder);
    EXPECT_EQ(names, (std::vector<std::string>{"alleen-lezen.lst", "korter.lst", "langer.lst", "vol.lst"}));
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(ListFile, OnlyARegularFileIsOpened)
{
    Fill(Partijen, Kandidaten);
    const auto before = Snapshot(Partijen, Kandidaten);
    ASSERT_EQ(::mkfifo(File("pijp.lst").c_str(), 0600), 0); // no process writes to it
    fs::create_symlink("/dev/zero", File("nullen.lst"));  // never ends
    fs::create_symlink("/dev/null", File("leeg.lst"));
    for (const char* name : {"pijp.lst", "nullen.lst", "leeg.lst"}) {
        EXPECT_EQ(OpenLijstFile(File(name), Partijen, Kandidaten), "Kan gekozen bestand niet openen.") << name;
        EXPECT_EQ(Snapshot(Partijen, Kandidaten), before) << name;
    }
}

TEST_F(ListFile, SavingThroughALinkWritesTheFileItNamesAndKeepsTheLink)
{
    Fill(Partijen, Kandidaten);
    WriteLijst(File("nieuw.lst"), Partijen, Kandidaten);
    const std::string fresh = ReadBytes(File("nieuw.lst"));
    fs::create_directory(File("map"));
    fs::create_symlink("doel.lst", File("relatief.lst"));             // names a file yet to be made
    fs::create_symlink(File("map") / "doel.lst", File("absoluut.lst")); // the same, by its full path
    fs::create_symlink("map/keten.lst", File("keten.lst"));
    fs::create_symlink("../ketendoel.lst", File("map") / "keten.lst"); // relative to the link's own folder
    const struct {
        const char* link;
        fs::path written;
    } cases[] = {{"relatief.lst", File("doel.lst")},
                 {"absoluut.lst", File("map") / "doel.lst"},
                 {"keten.lst", File("ketendoel.lst")}};
    for (const auto& c : cases) {
        ASSERT_EQ(SaveLijstFile(File(c.link), Partijen, Kandidaten), std::nullopt) << c.link;
        EXPECT_TRUE(fs::is_symlink(File(c.link))) << c.link;
        EXPECT_EQ(ReadBytes(c.written), fresh) << c.link;
    }
    EXPECT_TRUE(fs::is_symlink(File("map") / "keten.lst"));
}

TEST_F(ListFile, ALinkThatLeadsNowhereIsRefusedAndStays)
{
    Fill(Partijen, Kandidaten);
    fs::create_directory(File("werkmap"));
    fs::create_directory(File("links"));
    fs::create_symlink("lus2.lst", File("links") / "lus1.lst");
    fs::create_symlink("lus1.lst", File("links") / "lus2.lst");
    fs::create_symlink(File("geen-map") / "x.lst", File("links") / "weg.lst");
    const fs::path working = fs::current_path();
    fs::current_path(File("werkmap"));
    for (const char* link : {"lus1.lst", "weg.lst"}) {
        EXPECT_EQ(SaveLijstFile(File("links") / link, Partijen, Kandidaten), "Kan gekozen bestand niet wegschrijven.")
            << link;
        EXPECT_TRUE(fs::is_symlink(File("links") / link)) << link;
    }
    fs::current_path(working);
    EXPECT_TRUE(fs::is_empty(File("werkmap"))) << "no temporary file in the working folder";
    EXPECT_EQ(std::distance(fs::directory_iterator(File("links")), {}), 3);
    EXPECT_FALSE(fs::exists(File("geen-map")));
}

// Run as a child of the tests below: saves the new list of TTwoLists(1000, or ZORVANDEL_SAVE_COUNT)
// to ZORVANDEL_SAVE_FILE (ZORVANDEL_SAVE_TIMES times, in turns with the old one) and prints each outcome.
TEST(ListFileChild, Saves)
{
    const char* file = std::getenv("ZORVANDEL_SAVE_FILE");
    if (!file)
        GTEST_SKIP() << "runs only as the child of the list-file tests";
    const char* times = std::getenv("ZORVANDEL_SAVE_TIMES");
    const char* count = std::getenv("ZORVANDEL_SAVE_COUNT");
    const TTwoLists lists(count ? std::atoi(count) : 1000);
    for (int i = 0, n = times ? std::atoi(times) : 1; i < n; ++i)
        std::cout << "outcome<" << lists.Save(file, 1 - i % 2).value_or("ok") << ">" << std::endl;
}

// One failing system call at a time: a failure leaves the old list (its permissions too) and says so,
// and nothing beside it.  A full disk or an input/output error never overwrites the list in place.
TEST_F(ListFile, EveryFailingCallLeavesTheOldListAndSaysSo)
{
    const TTwoLists lists(1000);
    const std::string old = lists.Bytes(0), fresh = lists.Bytes(1);
    const struct {
        const char* faults;
        bool hasOld;
        std::string outcome;
    } cases[] = {
        {"create:ENOSPC:1+", true, CannotWrite + Unchanged}, // no inode left
        {"create:EIO:1+", true, CannotWrite + Unchanged},
        {"create:EDQUOT:1+", false, CannotWrite},
        {"write:ENOSPC:1", true, CannotWrite + Unchanged},
        {"write:short:1+", true, "ok"},
        {"fsync:EIO:1", true, CannotWrite + Unchanged},
        {"link:ENOSPC:1", true, CannotWrite + Unchanged},
        {"rename:EIO:1", true, CannotWrite + Unchanged},
        {"fchmod:EPERM:1", true, CannotWrite + Unchanged},
        {"close:EIO:1+", true, "ok"}, // the content was on the disk
        // a file system without unnamed files: a named temporary, removed on failure
        {"tmpfile:EOPNOTSUPP:1+", true, "ok"},
        {"tmpfile:EOPNOTSUPP:1+,write:EIO:1", true, CannotWrite + Unchanged},
        {"tmpfile:EOPNOTSUPP:1+,fchmod:EPERM:1", true, CannotWrite + Unchanged},
        {"tmpfile:EOPNOTSUPP:1+,rename:ENOSPC:1", true, CannotWrite + Unchanged},
        {"link:ENOENT:1+", true, "ok"}, // no /proc: written again under a name
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path folder = File(std::to_string(++n));
        fs::create_directory(folder);
        if (c.hasOld) {
            WriteBytes(folder / "lijst.lst", old);
            fs::permissions(folder / "lijst.lst", fs::perms::owner_read | fs::perms::owner_write);
        }
        EXPECT_EQ(SaveInChild(folder / "lijst.lst", c.faults), std::vector<std::string>{c.outcome}) << c.faults;
        const std::vector<std::string> expected =
            c.outcome == "ok" || c.hasOld ? std::vector<std::string>{"lijst.lst"} : std::vector<std::string>{};
        EXPECT_EQ(Entries(folder), expected) << c.faults;
        if (expected.empty())
            continue;
        EXPECT_TRUE(ReadBytes(folder / "lijst.lst") == (c.outcome == "ok" ? fresh : old)) << c.faults;
        EXPECT_EQ(fs::status(folder / "lijst.lst").permissions(), fs::perms::owner_read | fs::perms::owner_write)
            << c.faults;
    }
}

// A folder that refuses a new file: the list is written in place, and a failure puts the old content
// back or says that it could not.
TEST_F(ListFile, InAFolderThatTakesNoNewFileTheListIsWrittenInPlace)
{
    const TTwoLists lists(1000);
    const std::string old = lists.Bytes(0), fresh = lists.Bytes(1);
    const struct {
        const char* faults;
        bool hasOld;
        std::string outcome;
    } cases[] = {
        {"create:EACCES:1+", true, "ok"},
        {"create:EPERM:1+", false, CannotWrite + NoNewFile},
        {"create:EACCES:1+,write:ENOSPC:1", true, CannotWrite + NoNewFile + Unchanged}, // the part past the old end
        {"create:EACCES:1+,write:EIO:2", true, CannotWrite + NoNewFile + Unchanged},
        {"create:EACCES:1+,fsync:EIO:1", true, CannotWrite + NoNewFile + Unchanged},
        {"create:EACCES:1+,truncate:EIO:1", true, CannotWrite + NoNewFile + Unchanged},
        {"create:EACCES:1+,write:EIO:2+", true, CannotWrite + NoNewFile + Damaged},
        {"create:EACCES:1+,close:EIO:1+", true, "ok"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const fs::path folder = File(std::to_string(++n));
        fs::create_directory(folder);
        if (c.hasOld)
            WriteBytes(folder / "lijst.lst", old);
        const ino_t inode = Inode(folder / "lijst.lst");
        EXPECT_EQ(SaveInChild(folder / "lijst.lst", c.faults), std::vector<std::string>{c.outcome}) << c.faults;
        EXPECT_EQ(Entries(folder), c.hasOld ? std::vector<std::string>{"lijst.lst"} : std::vector<std::string>{})
            << c.faults;
        if (c.hasOld && c.outcome != CannotWrite + NoNewFile + Damaged) {
            EXPECT_TRUE(ReadBytes(folder / "lijst.lst") == (c.outcome == "ok" ? fresh : old)) << c.faults;
            EXPECT_EQ(Inode(folder / "lijst.lst"), inode) << c.faults;
        }
    }
}

// Another copy of the program that saves in place: every read gives one list whole.
TEST_F(ListFile, AReaderWaitsForASaveInPlace)
{
    const int count = 5000, times = 20;
    const TTwoLists lists(count);
    const fs::path file = File("lijst.lst");
    WriteBytes(file, lists.Bytes(0));
    QProcessEnvironment environment = FailingCallsEnvironment(Dir.path(), "create:EACCES:1+");
    environment.insert("ZORVANDEL_SAVE_FILE", QString::fromStdString(file.string()));
    environment.insert("ZORVANDEL_SAVE_TIMES", QString::number(times));
    environment.insert("ZORVANDEL_SAVE_COUNT", QString::number(count));
    QProcess copy;
    copy.setProcessEnvironment(environment);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ListFileChild.Saves"});
    ASSERT_TRUE(copy.waitForStarted());
    int reads = 0, mixed = 0;
    while (copy.state() != QProcess::NotRunning && !copy.waitForFinished(3)) {
        TPartijList partijen;
        TKandidaatList kandidaten;
        const bool read = !OpenLijstFile(file, partijen, kandidaten);
        const std::string tag = read ? partijen.Items(0)->Afkorting.AsString() : "";
        bool whole = read && kandidaten.Count() == lists.Kandidaten[tag == "nieuw"].Count();
        for (int i = 0; whole && i < kandidaten.Count(); ++i)
            whole = kandidaten.Items(i)->Achternaam.AsString() == tag + std::to_string(i);
        ++reads;
        mixed += !whole;
    }
    const std::string output = copy.readAll().toStdString();
    EXPECT_EQ(copy.exitCode(), 0) << output;
    std::size_t saved = 0;
    for (std::size_t at = output.find("outcome<ok>"); at != std::string::npos; at = output.find("outcome<ok>", at + 1))
        ++saved;
    EXPECT_EQ(saved, std::size_t(times)) << output;
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
}

// Run as a child of the kill tests: kills saves into ZORVANDEL_KILL_FOLDER (40 times, or
// ZORVANDEL_KILL_TIMES) and reports the counts.
TEST(KilledSavesChild, KillsSaves)
{
    const char* folder = std::getenv("ZORVANDEL_KILL_FOLDER");
    if (!folder)
        GTEST_SKIP() << "runs only as the child of the kill tests";
    const char* times = std::getenv("ZORVANDEL_KILL_TIMES");
    const int kills = times ? std::atoi(times) : 40;
    const TTwoLists lists(2000);
    const fs::path file = fs::path(folder) / "lijst.lst";
    const TKillCounts counts = KillSavesAtRandom(file, lists, kills);
    std::cout << "torn " << counts.Torn << ", left behind " << counts.LeftBehind << " of " << kills << std::endl;
    EXPECT_EQ(counts.Torn, 0);
    lists.Save(file, 0);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"lijst.lst"}) << "the next save leaves nothing behind";
}

// A save killed at any moment leaves the old list or the new one whole, and the next save removes
// whatever it left beside it.
TEST(KilledSaves, LeaveOneListWholeAndTheNextSaveLeavesNothingBehind)
{
    QTemporaryDir dir;
    const TChildRun run = KillSavesInChild(dir.path(), "");
    EXPECT_TRUE(run.Passed()) << run.Output;
}

// There a killed save leaves its named temporary behind, which the next save removes.
TEST(KilledSaves, OnAFileSystemWithoutUnnamedFilesToo)
{
    QTemporaryDir dir;
    const TChildRun run = KillSavesInChild(dir.path(), "tmpfile:EOPNOTSUPP:1+");
    EXPECT_TRUE(run.Passed()) << run.Output;
    EXPECT_EQ(run.Output.find(", left behind 0 of"), std::string::npos) << run.Output;
}
