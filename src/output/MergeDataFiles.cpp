#include "MergeDataFiles.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "IniFile.h"
#include "NameValueLines.h"
#include "PosixIO.h"
#include "SafeFileWriter.h"
#include "StrFuncs.h"
#include "TrailingSlash.h"
#include "SysCalls.h"
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unistd.h>
#include <unordered_set>

namespace {

// ---- data files ----

// Lines of quoted items separated by the delimiter, each ending in CR LF.
class TDelimitedText {
public:
    explicit TDelimitedText(char delimiter) : delimiter_(delimiter) {}

    TDelimitedText& Item(std::string_view value)
    {
        char* p = Room(value.size() + 3);
        if (!lineStart_)
            *p++ = delimiter_;
        lineStart_ = false;
        *p++ = '"';
        p = std::copy(value.begin(), value.end(), p);
        *p++ = '"';
        size_ = std::size_t(p - buffer_.data());
        return *this;
    }
    template <class... Values>
    TDelimitedText& Items(const Values&... values)
    {
        (Item(values), ...);
        return *this;
    }
    void EndLine()
    {
        char* p = Room(2);
        p[0] = '\r';
        p[1] = '\n';
        size_ += 2;
        lineStart_ = true;
    }
    std::string_view Text() const { return {buffer_.data(), size_}; }
    void Clear() { size_ = 0; }

private:
    // Where the next bytes go, with room for n of them.
    char* Room(std::size_t n)
    {
        if (size_ + n > buffer_.size())
            buffer_.resize(std::max(2 * buffer_.size(), size_ + n + 1024));
        return buffer_.data() + size_;
    }

    char delimiter_;
    bool lineStart_ = true;
    std::string buffer_; // the first size_ bytes are the text
    std::size_t size_ = 0;
};

// A data file: created anew, private to the user (CreatePrivateFile); closed on every path.
// Failures raise EInOutError with the file layer's texts.
class TDataFile {
public:
    explicit TDataFile(const std::string& fileName) : handle_(CreatePrivateFile(fileName)) {}
    // Writes the text's lines and empties it.
    void Write(TDelimitedText& text)
    {
        const std::string_view bytes = text.Text();
        for (std::size_t done = 0; done < bytes.size();) {
            const int n = RetryOnInterrupt([&] { return ::write(handle_.Get(), bytes.data() + done, bytes.size() - done); });
            if (n < 0)
                Fail(errno);
            done += std::size_t(n);
        }
        text.Clear();
    }
    // Writes a full buffer's worth of lines.
    void WriteWhenFull(TDelimitedText& text)
    {
        if (text.Text().size() >= BufferSize)
            Write(text);
    }
    void Close(TDelimitedText& text)
    {
        Write(text);
        if (const int error = handle_.TryClose())
            ThrowFileError(error);
    }

    static constexpr std::size_t BufferSize = 1 << 16;

private:
    [[noreturn]] void Fail(int error)
    {
        handle_.TryClose();
        ThrowFileError(error);
    }

    TFileHandle handle_;
};

template <class TList>
const TList& Existing(const TList* list, const char* name)
{
    if (!list)
        throw Exception(std::string(name) + " bestaat niet");
    return *list;
}

// The candidate number right-aligned in three characters with blanks, and a full stop behind it
// ("  7."); the key is the first three characters.
std::string_view NumberKeyWithStop(const TKandidaatRecord& k, std::array<char, 4>& buffer)
{
    const std::string_view nr = k.KandidaatNr.View(); // at most three characters
    buffer = {' ', ' ', ' ', '.'};
    std::copy(nr.begin(), nr.end(), buffer.begin() + (3 - nr.size()));
    return {buffer.data(), buffer.size()};
}

std::string_view VoorlettersExt(const TKandidaatRecord& k)
{
    const std::string_view naam = k.NaamStemapparaat.View();
    const std::size_t comma = naam.find(',');
    return comma == std::string_view::npos ? k.Voorletters.View() : naam.substr(comma + 1);
}

// Prefixes, a blank and the surname, without the leading blanks (bytes up to 32) of the whole.
std::string_view NaamKand(const TKandidaatRecord& k, std::string& buffer)
{
    buffer.assign(k.Voorvoegsels.View());
    buffer += ' ';
    buffer += k.Achternaam.View();
    std::string_view naam = buffer;
    while (!naam.empty() && static_cast<unsigned char>(naam.front()) <= 32)
        naam.remove_prefix(1);
    return naam;
}

void WriteFixedRow(const std::string& fileName, char delimiter, const std::vector<const char*>& columns,
                   const std::vector<std::string>& row)
{
    TDataFile file(fileName);
    TDelimitedText text(delimiter);
    for (const char* column : columns)
        text.Item(column);
    text.EndLine();
    for (const std::string& value : row)
        text.Item(value);
    text.EndLine();
    file.Close(text);
}

const std::string TenBlanks(10, ' ');


} // namespace

void PartijToTextFile(const std::string& FileName, char Delimiter)
{
    GuardedPlain("PartijToTextFile: ", [&] {
        const TPartijList& partijen = Existing(PartijList, "PartijList");
        const int kandidaten = Existing(KandidaatList, "KandidaatList").Count();
        TDataFile file(FileName);
        TDelimitedText text(Delimiter);
        text.Items("lijst_id", "lijst_nr", "afkorting", "kandidaten", "NAAM", "statunaam", "aanduiding", "adres",
                   "postcode", "plaats", "kleur", "ZETELS", "ZETELSS", "RESTZETELS", "RESTSNEL", "NMGEMACHT",
                   "ADRGEMACHT", "PCGEMACHT", "PLGEMACHT", "NMVERVANG", "ADRVERVANG", "PCVERVANG", "PLVERVANG");
        text.EndLine();
        if (partijen.Count() > 0) {
            const TPartijRecord& p = *partijen.Items(0);
            text.Items("1", "1", p.Afkorting.View(), std::to_string(kandidaten), p.Aanduiding.View(),
                       p.StatuNaam.View(), p.Aanduiding.View(), p.Adres.View(), p.PostCode.View(), p.Plaats.View(),
                       "0", "0", "0", "0", "0", p.NaamGemachtigde.View(), p.AdresGemachtigde.View(),
                       p.PostcodeGemachtigde.View(), p.PlaatsGemachtigde.View(), p.NaamVervanger.View(),
                       p.AdresVervanger.View(), p.PostcodeVervanger.View(), p.PlaatsVervanger.View());
            text.EndLine();
        }
        file.Close(text);
    });
}

void KandidatenToTextFile(const std::string& FileName, char Delimiter, const std::vector<std::string>* Selection,
                          bool EofRecord)
{
    GuardedPlain("KandidatenToTextFile: ", [&] {
        const TKandidaatList& kandidaten = Existing(KandidaatList, "KandidaatList");
        std::unordered_set<std::string> selected; // upper-cased names of the selection's lines
        if (Selection)
            for (const std::string& line : *Selection)
                if (const auto name = NameOf(line))
                    selected.insert(UpperStr(*name));
        const bool filter = Selection && !Selection->empty();

        TDataFile file(FileName);
        TDelimitedText text(Delimiter);
        std::array<char, 4> keyBuffer;
        std::string naamBuffer;
        text.Items("kandidaat_id", "lijst_id", "kand_nr", "naam", "voorlettrs", "voorvoegsels", "voornaam",
                   "geslacht", "gebdatum", "naamkand", "adres", "postcode", "plaats", "zetel_nr", "nr",
                   "voorletters_ext");
        text.EndLine();
        for (int i = 0; i < kandidaten.Count(); ++i) {
            const TKandidaatRecord& k = *kandidaten.Items(i);
            if (filter && !selected.contains(UpperStr(PadLeft(k.KandidaatNr.AsString(), 3, '0'))))
                continue;
            const std::string_view nr = NumberKeyWithStop(k, keyBuffer);
            const std::string_view key = nr.substr(0, 3);
            text.Items(key, "1", key, k.NaamStemapparaat.View(), k.Voorletters.View(), k.Voorvoegsels.View(),
                       k.Voornaam.View(), k.Geslacht.View(), k.Geboortedatum.View(), NaamKand(k, naamBuffer),
                       k.Adres.View(), k.Postcode.View(), k.Plaats.View(), "0", nr, VoorlettersExt(k));
            text.EndLine();
            file.WriteWhenFull(text);
        }
        if (EofRecord && kandidaten.Count() > 0) {
            text.Items("999", "1", "999");
            for (int column = 4; column <= 16; ++column)
                text.Item(" ");
            text.EndLine();
        }
        file.Close(text);
    });
}

void GemeenteToTextFile(const std::string& FileName, char Delimiter)
{
    GuardedPlain("GemeenteToTextFile: ", [&] {
        std::vector<std::string> row(11, TenBlanks);
        row[0] = "1";
        WriteFixedRow(FileName, Delimiter,
                      {"GemNummer", "Gemeente", "Provincie", "GemHuis", "GemAdres", "GemPostcode", "GemPlaats",
                       "Zetels", "Burgemeester", "Secretaris", "KiesKring"},
                      row);
    });
}

void DeelraadToTextFile(const std::string& FileName, char Delimiter)
{
    GuardedPlain("DeelraadToTextFile: ", [&] {
        std::vector<std::string> row(10, TenBlanks);
        row[0] = row[1] = "1";
        WriteFixedRow(FileName, Delimiter,
                      {"GemNummer", "Deelraad_Nr", "Deelraad_naam", "Adres", "Postcode", "Plaats", "Zetels",
                       "Voorzitter", "Secretaris", "Telefoon"},
                      row);
    });
}

void VerkToTextFile(const std::string& FileName, char Delimiter)
{
    GuardedPlain("VerkToTextFile: ", [&] {
        const std::vector<const char*> columns = {
            "Aanduiding", "Omschrijving", "LOmschrijving", "Datum",       "LDatum",       "DatumKand",
            "LDatumKand", "DatumKand3",   "LDatumKand3",   "Datum5",      "LDatum5",      "Datum14",
            "LDatum14",   "Datum28",      "LDatum28",      "Datum43",     "LDatum43",     "DatumKand2",
            "LDatumKand2", "DatumKand43", "LDatumKand43",  "VerkType"};
        WriteFixedRow(FileName, Delimiter, columns, std::vector<std::string>(columns.begin(), columns.end()));
    });
}

std::string LongDateText(int Year, int Month, int Day)
{
    char year[16];
    std::snprintf(year, sizeof year, "%04d", Year);
    return std::to_string(Day) + " " + FormatSettings().LongMonthNames.at(std::size_t(Month - 1)) + " " + year;
}

void OverigeGegevensToTextFile(const std::string& FileName, const std::vector<std::string>& Fields, char Delimiter)
{
    GuardedPlain("OverigeGegevensToTextFile: ", [&] {
        const QDate today = QDate::currentDate();
        TDelimitedText text(Delimiter);
        text.Items("dHuidig", "Dummy");
        for (const std::string& line : Fields) {
            const std::string name = NameOf(line).value_or("");
            text.Item(name.substr(0, name.find('(')));
        }
        text.EndLine();
        text.Items(LongDateText(today.year(), today.month(), today.day()), " ");
        for (const std::string& line : Fields)
            text.Item(ValueByName(Fields, NameOf(line).value_or("")));
        text.EndLine();
        TDataFile file(FileName);
        file.Close(text);
    });
}

QString WriteMergeDataFiles(const std::vector<std::string>* Selection, bool EofRecord,
                            const std::vector<std::string>& Fields)
{
    return WriteMergeDataFiles(GetQuandorTempDirectory(), Selection, EofRecord, Fields);
}

QString WriteMergeDataFiles(const QString& folder, const std::vector<std::string>* Selection, bool EofRecord,
                            const std::vector<std::string>& Fields)
{
    const std::string dir = QFile::encodeName(folder).toStdString();
    const char tab = '\t';
    PartijToTextFile(dir + "lijst.txt", tab);
    KandidatenToTextFile(dir + "kand.txt", tab, Selection, EofRecord);
    KandidatenToTextFile(dir + "kand2.txt", tab, nullptr, true);
    GemeenteToTextFile(dir + "gemeente.txt", tab);
    DeelraadToTextFile(dir + "deelraad.txt", tab);
    VerkToTextFile(dir + "verk.txt", tab);
    OverigeGegevensToTextFile(dir + "overig.txt", Fields, tab);
    MakeSchemaFile(folder, tab);
    return folder;
}

// ---- SCHEMA.INI ----

const std::array<const char*, 12> SchemaDataFiles = {"lijst.txt",   "kand.txt",    "comb.txt",     "bureau.txt",
                                                     "leden.txt",   "overig.txt",  "verk.txt",     "gemeente.txt",
                                                     "fleden.txt",  "uitslag.txt", "deelraad.txt", "kand2.txt"};

void MakeSchemaFile(const QString& Dir, char Delimiter)
{
    GuardedPlain("MakeSchemaFile: ", [&] {
        const QString folder = WithTrailingSlash(Dir);
        // Written anew before every merge, so one write that need not wait for the disk.
        TIniFile ini(folder + "SCHEMA.INI", TIniDurability::Scratch);
        const std::string format = Delimiter == '\t' ? "TabDelimited" : std::string("Delimited(") + Delimiter + ")";
        ini.Update([&] {
            for (const char* section : SchemaDataFiles) {
                ini.EraseSection(section);
                ini.WriteString(section, "ColNameHeader", "True");
                ini.WriteString(section, "Format", format);
                ini.WriteString(section, "MaxScanRows", "25");
            }
        });
    });
}
