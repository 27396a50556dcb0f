#include "uZVWord.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "DataSet.h"
#include "Exceptions.h"
#include "FolderLock.h"
#include "FormatSettings.h"
#include "IniFile.h"
#include "IntText.h"
#include "PosixIO.h"
#include "RegistryStore.h"
#include "SafeFileWriter.h"
#include "ScreenCenter.h"
#include "StrFuncs.h"
#include "SysCalls.h"
#include "TextDriver.h"
#include "WordProcessor.h"
#include "ZEBMessages.h"
#include "fGauge.h"
#include "fWordSelectie.h"
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QApplication>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

// ---- string lists ----

std::optional<std::string> NameOf(const std::string& line)
{
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

std::string ValueOf(const std::string& line)
{
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int IndexOfName(const std::vector<std::string>& list, const std::string& name)
{
    const std::string wanted = UpperStr(name);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (const auto n = NameOf(list[i]); n && UpperStr(*n) == wanted)
            return int(i);
    return -1;
}

// The value of the first line named name, "" when there is none.
std::string ValueByName(const std::vector<std::string>& list, const std::string& name)
{
    const int i = IndexOfName(list, name);
    return i < 0 ? std::string() : ValueOf(list[std::size_t(i)]);
}

// ---- data files ----

// Lines of quoted items separated by the delimiter, each ending in CR LF.
class TDelimitedText {
public:
    explicit TDelimitedText(char delimiter) : FDelimiter(delimiter) {}

    TDelimitedText& Item(std::string_view value)
    {
        char* p = Room(value.size() + 3);
        if (!FLineStart)
            *p++ = FDelimiter;
        FLineStart = false;
        *p++ = '"';
        p = std::copy(value.begin(), value.end(), p);
        *p++ = '"';
        FSize = std::size_t(p - FBuffer.data());
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
        FSize += 2;
        FLineStart = true;
    }
    std::string_view Text() const { return {FBuffer.data(), FSize}; }
    void Clear() { FSize = 0; }

private:
    // Where the next bytes go, with room for n of them.
    char* Room(std::size_t n)
    {
        if (FSize + n > FBuffer.size())
            FBuffer.resize(std::max(2 * FBuffer.size(), FSize + n + 1024));
        return FBuffer.data() + FSize;
    }

    char FDelimiter;
    bool FLineStart = true;
    std::string FBuffer; // the first FSize bytes are the text
    std::size_t FSize = 0;
};

// A data file: created anew, private to the user (CreatePrivateFile); closed on every path.
// Failures raise EInOutError with the file layer's texts.
class TDataFile {
public:
    explicit TDataFile(const std::string& fileName) : FHandle(CreatePrivateFile(fileName)) {}
    ~TDataFile()
    {
        if (FHandle >= 0)
            ::close(FHandle);
    }
    TDataFile(const TDataFile&) = delete;
    TDataFile& operator=(const TDataFile&) = delete;

    // Writes the text's lines and empties it.
    void Write(TDelimitedText& text)
    {
        const std::string_view bytes = text.Text();
        for (std::size_t done = 0; done < bytes.size();) {
            const int n = RetryOnInterrupt([&] { return ::write(FHandle, bytes.data() + done, bytes.size() - done); });
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
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0)
            ThrowFileError(errno);
    }

    static constexpr std::size_t BufferSize = 1 << 16;

private:
    [[noreturn]] void Fail(int error)
    {
        ::close(FHandle);
        FHandle = -1;
        ThrowFileError(error);
    }

    int FHandle = -1;
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

std::string TodayText(const char* pattern)
{
    const QDate today = QDate::currentDate();
    return QStringToAnsi(today.toString(QString::fromLatin1(pattern)));
}

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
    const QString folder = GetQuandorTempDirectory();
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
        const QString folder = Dir.endsWith('/') ? Dir : Dir + "/";
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

// ---- Form layout file ----

TFormLayout::TFormLayout(QString FileName)
    : FFileName(std::move(FileName)), FName(QStringToAnsi(QFileInfo(FFileName).fileName()))
{
}

TIniFile TFormLayout::Ini() const
{
    TIniFile ini(FFileName);
    if (!FChecked) {
        ini.CheckFormat(FName);
        FChecked = true;
    }
    return ini;
}

std::string TFormLayout::Read(const std::string& Section, const std::string& Ident, const std::string& Default) const
{
    return Ini().ReadString(Section, Ident, Default);
}

bool TFormLayout::Flag(const std::string& Section, const std::string& Ident) const
{
    return UpperStr(Read(Section, Ident, "N")) == "Y";
}

bool TFormLayout::Empty() const
{
    return Flag("GENERAL", "empty");
}

bool TFormLayout::AutoLoop() const
{
    return Flag("GENERAL", "autoloop");
}

bool TFormLayout::EofRecord() const
{
    return Flag("KAND OPTIONS", "eof_record");
}

bool TFormLayout::Selectie() const
{
    return Flag("KAND OPTIONS", "selectie");
}

bool TFormLayout::DocTitleEmpty() const
{
    return Read("GENERAL", "doctitle", "").empty();
}

TPassKind TFormLayout::PassKind() const
{
    const std::string kind = UpperStr(Read("GENERAL", "multirun", "N"));
    if (kind == "N")
        return TPassKind::Single;
    switch (kind.empty() ? '\0' : kind[0]) {
    case 'B':
    case 'L':
    case 'S': return TPassKind::Single;
    case 'K': return TPassKind::PerCandidate;
    default:
        throw Exception("Ongeldige multirun specifier in formulieropmaakbestand: \rGebruik L, K, C, B, S of N");
    }
}

void TFormLayout::ReadFields(std::vector<std::string>& Fields) const
{
    Ini().ReadSectionValues("FIELDS", Fields);
}

std::string TFormLayout::SqlStatement() const
{
    const std::string nodef = "nodef";
    const std::string select = Read("SQL", "select", nodef);
    if (select == nodef)
        throw Exception("Missing SQL statement in " + FName);
    std::string sql = "SELECT " + select;
    const std::string from = Read("SQL", "from", nodef);
    if (from == nodef)
        throw Exception("Missing FROM statement in " + FName);
    sql += " FROM " + from;
    if (const std::string where = Read("SQL", "where", nodef); where != nodef)
        sql += " WHERE " + where;
    if (const std::string orderBy = Read("SQL", "orderby", nodef); orderBy != nodef)
        sql += " ORDER BY " + orderBy;
    return sql;
}

namespace {

bool IsIdentifierChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int IntegerWidth(const TField& field)
{
    const std::string name = LowerStr(field.FieldName());
    if (name == "lijst_id" || name == "kand_id")
        return 5;
    if (name == "lijst_nr")
        return 2;
    if (name == "kand_nr")
        return 3;
    if (name == "bureau_id" || name == "bureau_nr")
        return 4;
    return field.DisplayWidth();
}

std::string FormattedValue(const TField& field)
{
    switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint: {
        const int width = IntegerWidth(field);
        return field.IsNull() ? Replicate("0", width) : PadLeft(field.AsString(), width, ' ');
    }
    case ftFloat:
    case ftCurrency: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", field.AsFloat());
        std::string text = buffer;
        for (char& c : text)
            if (c == '.')
                c = FormatSettings().DecimalSeparator;
        return PadLeft(text, field.DisplayWidth(), ' ');
    }
    default: return PadRight(field.AsString(), field.DisplayWidth(), ' ');
    }
}

} // namespace

std::string SubstituteSqlParams(const std::string& SQL, const TDataSet& DataSet)
{
    std::string text = SQL;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('@', from)) != std::string::npos;) {
        if (at + 1 == text.size())
            throw Exception("SQL syntax error in formulieropmaakbestand");
        std::size_t end = at + 1;
        while (end < text.size() && IsIdentifierChar(text[end]))
            ++end;
        // A quote inside the value is doubled, so "van 't Hof" stays one SQL string.
        const std::string value = QuoteStr(FormattedValue(DataSet.FieldByName(text.substr(at + 1, end - at - 1))));
        text.replace(at, end - at, value);
        from = at + value.size();
    }
    return text;
}

// ---- Extra fields and FORMVARS.INI ----

std::string FieldOption(const std::string& Key)
{
    const std::size_t open = Key.find('(');
    const std::size_t close = Key.find(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return {};
    return UpperStr(Key.substr(open + 1, close - open - 1));
}

namespace {

const char* const VarsSection = "Vars";

std::string InitialText(const std::string& key, const TIniFile& vars)
{
    const std::string option = FieldOption(key);
    if (option == "NOSTORE")
        return {};
    if (option != "AUTONUM")
        return vars.ReadString(VarsSection, key, "");
    try {
        const std::string stored = vars.ReadString(VarsSection, key, "");
        return stored.empty() ? "1" : std::to_string(static_cast<long long>(StrToInt(stored)) + 1);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::vector<TExtraField> ExtraFieldsFor(const std::vector<std::string>& Fields, const QString& FormVarsFile)
{
    const TIniFile vars(FormVarsFile);
    std::vector<TExtraField> result;
    for (const std::string& line : Fields) {
        TExtraField field;
        field.Key = NameOf(line).value_or("");
        field.Prompt = ValueOf(line);
        field.Initial = InitialText(field.Key, vars);
        result.push_back(std::move(field));
    }
    return result;
}

void StoreExtraFieldValues(std::vector<std::string>& Fields, const std::vector<std::string>& Texts,
                           const QString& FormVarsFile)
{
    TIniFile vars(FormVarsFile);
    vars.Update([&] { // one write for all fields
        for (std::size_t i = 0; i < Fields.size() && i < Texts.size(); ++i) {
            const std::string key = NameOf(Fields[i]).value_or("");
            if (Texts[i].empty()) {
                Fields[i] = key + "=";
            } else {
                const int first = IndexOfName(Fields, key);
                Fields[std::size_t(first < 0 ? int(i) : first)] = key + "=" + Texts[i];
            }
            vars.WriteString(VarsSection, key, Texts[i]);
        }
    });
}

TExtraFieldsGeometry ExtraFieldsGeometry(int FieldCount, int WidestPrompt, const TFrameExtents& Frame, QSize Screen,
                                         int ScrollBarWidth)
{
    using G = TExtraFieldsGeometry;
    constexpr int LayoutEditLeft = 170;
    constexpr int PromptGap = 6;
    constexpr int ButtonSpace = 38;  // from the buttons' bottom to the outer bottom edge
    constexpr int LeastMargin = 8;   // below the buttons, whatever the frame
    G g;
    g.EditLeft = std::max(LayoutEditLeft, G::LabelLeft + WidestPrompt + PromptGap);
    g.Width += g.EditLeft - LayoutEditLeft;
    if (g.Width > Screen.width() && g.EditLeft > LayoutEditLeft) {
        g.EditLeft = std::max(LayoutEditLeft, g.EditLeft - (g.Width - Screen.width()));
        g.Width = 400 + g.EditLeft - LayoutEditLeft;
    }
    g.Height = 25 * FieldCount + 78;
    g.ContentHeight = 25 * FieldCount + 4;
    const int maxHeight = std::max(Screen.height(), 25 * 4 + 78);
    if (g.Height > maxHeight) {
        g.Scrolls = true;
        g.Height = maxHeight;
        g.Width += ScrollBarWidth;
    }
    const QSize client = ClientSizeFor({g.Width, g.Height}, Frame);
    g.ClientWidth = client.width();
    g.ClientHeight = client.height();
    g.ButtonTop = std::min(g.Height - G::ButtonHeight - ButtonSpace, g.ClientHeight - G::ButtonHeight - LeastMargin);
    g.AreaHeight = g.ButtonTop - 4;
    g.OkLeft = g.Width / 2 - 90;
    g.CancelLeft = g.Width / 2 + 5;
    return g;
}

namespace {

// The dialog, built for the fields it is given.
class TExtraFieldsDialog : public QDialog {
public:
    explicit TExtraFieldsDialog(const std::vector<TExtraField>& fields)
    {
        setWindowTitle("Extra velden voor MS Word koppeling");
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize usable = screen ? screen->availableGeometry().size() : QSize(1024, 768);
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        int widest = 0;
        for (const TExtraField& field : fields)
            widest = std::max(widest, fontMetrics().horizontalAdvance(AnsiToQString(field.Prompt)) + 1);
        const auto geometry = [=, n = int(fields.size())](const TFrameExtents& frame) {
            return ExtraFieldsGeometry(n, widest, frame, usable, scrollBar);
        };

        QWidget* area = this;
        if (geometry({}).Scrolls) {
            FScroll = new QScrollArea(this);
            FScroll->setFrameShape(QFrame::NoFrame);
            FScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            area = new QWidget;
            area->resize(geometry({}).ClientWidth - scrollBar, geometry({}).ContentHeight);
            FScroll->setWidget(area);
        }
        QWidget* previous = nullptr;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int row = 25 * int(i);
            auto* label = new QLabel(AnsiToQString(fields[i].Prompt), area);
            label->move(TExtraFieldsGeometry::LabelLeft, 8 + row);
            label->adjustSize();
            auto* edit = new QLineEdit(AnsiToQString(fields[i].Initial), area);
            edit->setValidator(new TAnsiValidator(edit));
            edit->setGeometry(170, 4 + row, TExtraFieldsGeometry::EditWidth, TExtraFieldsGeometry::EditHeight);
            if (FScroll)
                edit->installEventFilter(this);
            FEdits.push_back(edit);
            if (previous)
                setTabOrder(previous, edit);
            previous = edit;
        }
        FOk = new QPushButton("&OK", this);
        FOk->setDefault(true);
        FCancel = new QPushButton("&Annuleren", this);
        if (previous)
            setTabOrder(previous, FOk);
        setTabOrder(FOk, FCancel);
        connect(FOk, &QPushButton::clicked, this, [this] { done(1); });
        connect(FCancel, &QPushButton::clicked, this, [this] { done(2); });
        if (!FEdits.empty())
            FEdits.front()->setFocus();
        ApplyOuterSize(this, [this, geometry](const TFrameExtents& frame) { Place(geometry(frame)); });
        CenterOnScreen(this);
    }

    void reject() override { done(2); } // Esc and the close box

    // An edit that takes the focus is scrolled into view whole, not only its cursor.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const auto* edit = static_cast<QWidget*>(watched);
            const QRect place(edit->mapTo(FScroll->widget(), QPoint(0, 0)), edit->size());
            FScroll->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 2, place.height() / 2 + 4);
        }
        return QDialog::eventFilter(watched, event);
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const QLineEdit* edit : FEdits)
            texts.push_back(QStringToAnsi(edit->text()));
        return texts;
    }

private:
    void Place(const TExtraFieldsGeometry& g)
    {
        setFixedSize(g.ClientWidth, g.ClientHeight);
        if (FScroll) {
            FScroll->setGeometry(0, 0, g.ClientWidth, g.AreaHeight);
            FScroll->widget()->resize(g.ClientWidth - style()->pixelMetric(QStyle::PM_ScrollBarExtent), g.ContentHeight);
        }
        for (QLineEdit* edit : FEdits)
            edit->move(g.EditLeft, edit->y());
        FOk->setGeometry(g.OkLeft, g.ButtonTop, g.ButtonWidth, g.ButtonHeight);
        FCancel->setGeometry(g.CancelLeft, g.ButtonTop, g.ButtonWidth, g.ButtonHeight);
    }

    std::vector<QLineEdit*> FEdits;
    QScrollArea* FScroll = nullptr;
    QPushButton* FOk = nullptr;
    QPushButton* FCancel = nullptr;
};

} // namespace

QString FormVarsFileName()
{
    const QString shipped = FormsDir + "FORMVARS.INI";
    const QFileInfo folder(QDir(FormsDir).absolutePath());
    const QFileInfo file(shipped);
    if (folder.isWritable() && (!file.exists() || file.isWritable()))
        return shipped;
    const QString own = QFileInfo(RegistryStore::FileName(HKEY_CURRENT_USER)).absolutePath() + "/FORMVARS.INI";
    if (!QFileInfo::exists(own) && file.isFile()) { // no FIFO or device: copying it could hang
        QDir().mkpath(QFileInfo(own).absolutePath());
        // Without a copy the first write starts the file anew.
        if (QFile::copy(shipped, own))
            QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner);
    }
    return own;
}

int AskExtraFieldValues(std::vector<std::string>& Fields, const QString& FormVarsFile, const TAskExtraFields& Ask)
{
    const TFolderLock lock(QFile::encodeName(QFileInfo(FormVarsFile).absolutePath()).toStdString(),
                           TFolderLock::TWait::Wait);
    TIniFile vars(FormVarsFile);
    vars.CheckFormat(QStringToAnsi(FormVarsFile)); // a damaged file is neither used nor overwritten
    vars.WriteString("General", "dtKlanten", TodayText("dd-MM-yy"));
    const std::optional<std::vector<std::string>> texts = Ask(ExtraFieldsFor(Fields, FormVarsFile));
    if (!texts)
        return 2;
    StoreExtraFieldValues(Fields, *texts, FormVarsFile);
    return 1;
}

int GetNewVarValues(std::vector<std::string>& Fields)
{
    return GuardedPlain("GetNewVarValues: ", [&] {
        return AskExtraFieldValues(Fields, FormVarsFileName(),
                                   [](const std::vector<TExtraField>& fields) -> std::optional<std::vector<std::string>> {
                                       TExtraFieldsDialog dialog(fields);
                                       if (dialog.exec() != 1)
                                           return std::nullopt;
                                       return dialog.Texts();
                                   });
    });
}

// ---- Word documents by name ----

std::string WordDocumentName(const std::string& FileName)
{
    const std::size_t slash = FileName.find_last_of('/');
    return slash == std::string::npos ? FileName : FileName.substr(slash + 1);
}

namespace {

// The highest index of an open document named like the file-name part of FileName, 0 when none.
int FindWordDocument(TWordApplication& word, const std::string& FileName)
{
    const std::string name = WordDocumentName(FileName);
    for (int i = word.DocumentsCount(); i >= 1; --i)
        if (word.DocumentName(i) == name)
            return i;
    return 0;
}

} // namespace

void CloseWordDocument(TWordApplication& WordApp, const std::string& FileName)
{
    if (const int i = FindWordDocument(WordApp, FileName))
        WordApp.CloseDocument(i, wdDoNotSaveChanges);
}

void ActivateWordDocument(TWordApplication& WordApp, const std::string& Name)
{
    if (const int i = FindWordDocument(WordApp, Name))
        WordApp.ActivateDocument(i);
}

// ---- The mail-merge driver ----

const char* const AnotherFormText = "Er wordt al een formulier gemaakt door een ander exemplaar van het programma. "
                                    "Probeer het opnieuw wanneer dat formulier klaar is.";

bool FindCmdLineSwitch(const std::vector<std::string>& Arguments, const std::string& Switch)
{
    const std::string wanted = UpperStr(Switch);
    for (std::size_t i = 1; i < Arguments.size(); ++i) {
        const std::string& arg = Arguments[i];
        if (!arg.empty() && (arg[0] == '-' || arg[0] == '/') && UpperStr(arg.substr(1)) == wanted)
            return true;
    }
    return false;
}

std::pair<std::string, std::string> SplitSqlStatement(const std::string& Sql)
{
    if (Sql.size() >= 255)
        return {Sql.substr(0, 255), Sql.substr(255)};
    return {Sql, {}};
}

namespace {

const char* const StartHeading = "Start formulier";
const char* const OutOfMemoryText = "Er is onvoldoende geheugen om dit formulier te maken. Mogelijk is een bestand in de "
                                    "map FORMS beschadigd of te groot. Neem contact op met de Quandor helpdesk.";

} // namespace

std::optional<TStartMessage> StartFailureMessage(const std::exception& e)
{
    if (dynamic_cast<const EAbort*>(&e))
        return std::nullopt;
    const std::string message = MessageOf(e);
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return TStartMessage{StartHeading, OutOfMemoryText};
    if (dynamic_cast<const EConvertError*>(&e))
        return TStartMessage{StartHeading, message + "\r\r" + "Controleer of het sjabloon nog openstaat in Word. " +
                                          "Sluit deze zonodig zonder de wijzigingen op te slaan. " +
                                          "Indien de fout zich blijft herhalen is het sjabloon beschadigd en dient u " +
                                          "contact op te nemen met de ORX."};
    if (dynamic_cast<const ENoRecords*>(&e))
        return TStartMessage{StartHeading, "Er zijn geen of onvoldoende gegevens beschikbaar voor dit formulier. \r"
                                      "Mogelijkerwijs zijn er nog lijsten zonder kandidaten of bureau's zonder bureauleden."};
    if (dynamic_cast<const EDataSourceFailed*>(&e))
        return TStartMessage{StartHeading, message + "\r\r" + "Er zit een syntactische fout in de SQL query. " +
                                          "Controleer of de ODBC-drivers zijn ge\xefnstalleerd."};
    return TStartMessage{"StartTemplate: ", message + "\r\r" + "De fout is opgetreden tijdens exporteren naar Word. " +
                                                "Sluit Word en probeer het opnieuw. Neem contact op met de " +
                                                "Quandor helpdesk indien de fout zich blijft herhalen."};
}

TTemplateEnvironment ProgramEnvironment()
{
    return {ConnectWordApplication, [] {
                std::vector<std::string> arguments;
                for (const QString& arg : QCoreApplication::arguments())
                    arguments.push_back(QStringToAnsi(arg));
                return arguments;
            }};
}

namespace {

// An error box of the request, with the normal cursor over it.
void ShowStartError(const std::string& title, const std::string& text)
{
    ShowModalWithNormalCursor([&] {
        ShowErrorMessage(title, text);
        return 0;
    });
}

// The progress window's step text, shown at once.
void ShowStep(const std::string& text)
{
    dlgGauge->ShowStep(AnsiToQString(text));
}

// One request's working objects and settings.
class TTemplateRun {
public:
    TTemplateRun(const std::string& code, const TTemplateEnvironment& environment)
        : FCode(code), FEnvironment(environment), FTemplateName(code + ".dot"),
          FTemplatePath(FormsDir + "ZV/TEMPLATE/" + AnsiToQString(FTemplateName)),
          FLayoutPath(FormsDir + "ZV/FORMDAT/" + AnsiToQString(code + ".dat")), FLayout(FLayoutPath)
    {
    }

    // The steps up to the first repetition; false when the request ends with a message.
    bool Prepare()
    {
        if (!QFileInfo(FTemplatePath).isFile()) {
            ShowStartError(StartHeading, "De sjabloon voor dit formulier kon niet worden gevonden. "
                                           "Controleer of u de laatste update goed heeft ge\xefnstalleerd.");
            return false;
        }
        if (!QFileInfo(FLayoutPath).isFile()) {
            ShowStartError(StartHeading, "Het opmaakbestand voor dit formulier kon niet worden gevonden. "
                                           "Controleer of u de laatste update goed heeft ge\xefnstalleerd.");
            return false;
        }
        // The data files of the private folder are this request's until it ends.
        FFolderLock = std::make_unique<TFolderLock>(QFile::encodeName(GetQuandorTempDirectory()).toStdString(),
                                                     TFolderLock::TWait::DontWait);
        if (FFolderLock->Busy()) {
            ShowStartError(StartHeading, AnotherFormText);
            return false;
        }
        FEmpty = FLayout.Empty();
        FEofRecord = FLayout.EofRecord();
        if (FLayout.Selectie() && !ShowModalWithNormalCursor([this] { return int(SelectKandidaten(FSelection)); }))
            throw EAbort("user abort");
        return true;
    }

    // One run: extra fields, data files, the passes.  Returns whether the run asks to be repeated.
    bool Run()
    {
        FLayout.ReadFields(FFields);
        if (!FFields.empty() && ShowModalWithNormalCursor([this] { return GetNewVarValues(FFields); }) == 2)
            throw EAbort("User abort");
        QCoreApplication::processEvents();

        const std::string sql = FLayout.SqlStatement();
        int passes = 1;
        const bool perCandidate = FLayout.PassKind() == TPassKind::PerCandidate;
        if (perCandidate) {
            KandidatenToDataset(FKandidaten, FSelection);
            passes = FKandidaten.RecordCount();
        }

        dlgGauge->ProgressBar->setRange(0, passes);
        dlgGauge->ProgressBar->setValue(0);
        dlgGauge->Message->setText("Export naar Word - Ophalen gegevens");
        dlgGauge->Initialize();
        dlgGauge->ShowNow();
        const bool autoLoop = FLayout.AutoLoop();

        const QString dataFolder = WriteMergeDataFiles(&FSelection, FEofRecord, FFields);

        ShowStep("Export naar Word - Openen Word");
        TWordApplication* word = FEnvironment.ConnectWord();
        if (!word)
            throw Exception("Kon geen Word koppeling maken");
        word->SetWindowState(wdWindowStateNormal);
        word->SetVisible(false);

        if (perCandidate) {
            FKandidaten.First();
            if (FEmpty && FKandidaten.Eof() && passes == 0)
                passes = 1;
        }
        try {
            for (int i = 1; i <= passes; ++i)
                Pass(*word, i, sql, dataFolder, perCandidate);
        } catch (...) {
            ShowWord(*word);
            throw;
        }
        ShowWord(*word);
        // Without extra fields there is no dialog whose cancel would end the repetition.
        return autoLoop && !FFields.empty();
    }

private:
    void Pass(TWordApplication& word, int i, const std::string& sql, const QString& dataFolder, bool perCandidate)
    {
        CloseWordDocument(word, FTemplateName);
        ShowStep("Export naar Word - Aanmaken formulier");
        word.OpenDocument(QFile::encodeName(FTemplatePath).toStdString());
        try {
            word.Unprotect("");
        } catch (const std::exception&) {
            throw EConvertError("De sjabloon is niet beveiligd.");
        }

        const auto [statement, statement1] = SplitSqlStatement(perCandidate ? SubstituteSqlParams(sql, FKandidaten) : sql);
        ShowStep("Export naar Word - Samenvoegen");
        TOpenDataSourceArgs source;
        // The word processor takes paths as the file system's bytes.
        const std::string folder = QFile::encodeName(dataFolder.endsWith('/') ? dataFolder : dataFolder + "/").toStdString();
        source.Name = folder;
        source.Format = wdOpenFormatText;
        source.ConfirmConversions = false;
        source.ReadOnly = false;
        source.LinkToSource = true;
        source.AddToRecentFiles = false;
        source.Revert = false;
        source.Connection = "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
        source.SQLStatement = statement;
        source.SQLStatement1 = statement1;
        word.OpenDataSource(source);
        word.SetMailMergeDestination(wdSendToNewDocument);
        word.SetMailAsAttachment(false);
        word.SetMailAddressFieldName("");
        word.SetMailSubject("");
        word.SetSuppressBlankLines(true);
        word.SetFirstRecord(1);
        word.SetLastRecord(1000000);
        word.ExecuteMailMerge(false);

        std::string title = word.ActiveWindowCaption();
        CloseWordDocument(word, FTemplateName);
        ActivateWordDocument(word, title);

        const std::vector<std::string> arguments = FEnvironment.Arguments();
        const bool noFind = FindCmdLineSwitch(arguments, "nofind");
        if (!FindCmdLineSwitch(arguments, "noclearformat"))
            word.FindClearFormatting();
        if (!noFind) {
            TFindArgs find;
            find.FindText = "[*]";
            find.Forward = false;
            find.Wrap = wdFindContinue;
            find.Replace = wdReplaceNone;
            word.FindExecute(find);
            while (word.FindFound()) {
                word.AddFormField(wdFieldFormTextInput);
                word.FindExecute(find);
            }
            if (!FindCmdLineSwitch(arguments, "nohome"))
                word.HomeKey(wdStory);
        }
        word.Protect(wdAllowOnlyFormFields);

        if (FLayout.DocTitleEmpty())
            title = FCode;
        if (perCandidate)
            title += " - " + FKandidaten.Fields(0).AsString() + " - " + FKandidaten.Fields(1).AsString();
        word.SetActiveWindowCaption(title);
        word.SetWindowState(wdWindowStateNormal);
        if (perCandidate)
            FKandidaten.Next();

        dlgGauge->ProgressBar->setValue(i);
        ShowStep("Aangemaakt: " + title);
    }

    // The end of the passes, also after a failure: the template closed, the documents shown.
    void ShowWord(TWordApplication& word)
    {
        CloseWordDocument(word, FTemplateName);
        word.SetVisible(true);
        word.Activate();
        word.SetWindowState(wdWindowStateMaximize);
    }

    std::string FCode;
    const TTemplateEnvironment& FEnvironment;
    std::string FTemplateName; // Windows-1252, as the word processor names the document
    QString FTemplatePath, FLayoutPath;
    TFormLayout FLayout;
    std::unique_ptr<TFolderLock> FFolderLock;
    std::vector<std::string> FFields;
    std::vector<std::string> FSelection;
    TDataSet FKandidaten;
    bool FEmpty = false;
    bool FEofRecord = false;
};

// Shows a failure of the request by its kind.
void ShowStartFailure(const std::exception& e, QWidget* programWindow)
{
    const std::optional<TStartMessage> shown = StartFailureMessage(e);
    if (!shown)
        return;
    if (programWindow) {
        programWindow->raise();
        programWindow->activateWindow();
    }
    ShowStartError(shown->Title, shown->Text);
}

} // namespace

void StartTemplateWith(const std::string& Code, const TTemplateEnvironment& Environment)
{
    const QPointer<QWidget> programWindow = QApplication::activeWindow();
    const std::unique_ptr<TdlgGauge> gauge(new TdlgGauge(programWindow));
    dlgGauge = gauge.get();
    struct TGaugeReset {
        ~TGaugeReset() { dlgGauge = nullptr; }
    } gaugeReset;
    const TWaitCursor hourglass;
    try {
        TTemplateRun run(Code, Environment);
        if (!run.Prepare())
            return;
        while (run.Run()) {
        }
    } catch (const std::exception& e) {
        ShowStartFailure(e, programWindow);
    }
}

void StartTemplate(const std::string& Code)
{
    StartTemplateWith(Code, ProgramEnvironment());
}
