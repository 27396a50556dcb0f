#include "fImportCSVTXT.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "Exceptions.h"
#include "PosixIO.h"
#include "StrFuncs.h"
#include "StringGrid.h"
#include "SysCalls.h"
#include "ZEBMessages.h"
#include "uUtils.h"

#include "ui_fImportCSVTXT.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int SampleRows = 100; // the first line and at most 99 more
constexpr int SampleColWidth = 100;
const std::string TabCaption = "<tab>";
const std::string CannotOpen = "Kan gekozen bestand niet openen.";

// Checks bytes for UTF-8 piece by piece: no overlong forms, no surrogates, nothing past U+10FFFF.
class TUtf8Check {
public:
    bool Feed(const unsigned char* p, std::size_t n)
    {
        for (std::size_t i = 0; i < n && FValid; ++i) {
            const unsigned char b = p[i];
            if (FNeed == 0) {
                if (b < 0x80)
                    continue;
                FLow = 0x80;
                FHigh = 0xBF;
                if (b >= 0xC2 && b <= 0xDF)
                    FNeed = 1;
                else if (b >= 0xE0 && b <= 0xEF) {
                    FNeed = 2;
                    if (b == 0xE0)
                        FLow = 0xA0;
                    else if (b == 0xED)
                        FHigh = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    FNeed = 3;
                    if (b == 0xF0)
                        FLow = 0x90;
                    else if (b == 0xF4)
                        FHigh = 0x8F;
                } else
                    FValid = false;
            } else if (b < FLow || b > FHigh) {
                FValid = false;
            } else {
                FLow = 0x80;
                FHigh = 0xBF;
                --FNeed;
            }
        }
        return FValid;
    }
    bool Finish() const { return FValid && FNeed == 0; }

private:
    bool FValid = true;
    int FNeed = 0;
    unsigned char FLow = 0x80;
    unsigned char FHigh = 0xBF;
};

// Windows-1252 text of one UTF-8 line; count gets the characters that became "?".
std::string Utf8LineToAnsi(const std::string& line, int& count)
{
    count = 0;
    if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return line;
    const QString text = QString::fromUtf8(line.data(), qsizetype(line.size()));
    bool ok = false;
    std::string ansi = QStringToAnsi(text, &ok);
    if (ok)
        return ansi;
    // Accents written as a letter followed by a combining mark become the one accented letter.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    ansi = QStringToAnsi(composed, &ok);
    if (!ok)
        count = int(std::count(ansi.begin(), ansi.end(), '?') - composed.count(QLatin1Char('?')));
    return ansi;
}

// Takes the fields off a line one by one, each exactly as ExtractField takes the first field off
// the rest of the line, without copying that rest for every field.
class TFieldCursor {
public:
    TFieldCursor(const std::string& line, const std::string& separator, bool stripIndicators)
        : FLine(line), FSeparator(separator), FStrip(stripIndicators)
    {
    }
    bool AtEnd() const { return FPos >= FLine.size(); }
    std::string Next()
    {
        if (AtEnd())
            return {};
        const std::size_t at = FSeparator.empty() ? std::string::npos : FLine.find(FSeparator, FPos);
        const std::size_t end = at == std::string::npos ? FLine.size() : at + FSeparator.size();
        std::string piece = FLine.substr(FPos, end - FPos);
        FPos = end;
        return ExtractField(piece, FSeparator, FStrip);
    }

private:
    const std::string& FLine;
    const std::string& FSeparator;
    bool FStrip;
    std::size_t FPos = 0;
};

std::string DetectSeparator(const std::string& firstLine)
{
    if (Occurrences(";", firstLine) >= 6)
        return ";";
    if (Occurrences(",", firstLine) >= 6)
        return ",";
    return "\t";
}

bool DetectIndicators(const std::string& firstLine)
{
    return Occurrences("\"", firstLine) >= 6 || Occurrences("'", firstLine) >= 6;
}

std::string SeparatorCaption(const std::string& separator)
{
    return separator == "\t" ? TabCaption : separator;
}

std::string SeparatorFromCaption(const std::string& caption)
{
    return caption == TabCaption ? "\t" : caption;
}

// The import's column names and the record fields they fill (each cut to its capacity).
struct TColumnField {
    const char* Name;
    void (*Store)(TKandidaatRecord&, const std::string&);
};

const TColumnField ColumnFields[] = {
    {"Kand_nr", [](TKandidaatRecord& r, const std::string& v) { r.KandidaatNr = v; }},
    {"Achternaam", [](TKandidaatRecord& r, const std::string& v) { r.Achternaam = v; }},
    {"Voorletters", [](TKandidaatRecord& r, const std::string& v) { r.Voorletters = v; }},
    {"Voorvoegsels", [](TKandidaatRecord& r, const std::string& v) { r.Voorvoegsels = v; }},
    {"Voornaam", [](TKandidaatRecord& r, const std::string& v) { r.Voornaam = v; }},
    {"Geslacht", [](TKandidaatRecord& r, const std::string& v) { r.Geslacht = v; }},
    {"Gebdatum", [](TKandidaatRecord& r, const std::string& v) { r.Geboortedatum = v; }},
    {"Adres", [](TKandidaatRecord& r, const std::string& v) { r.Adres = v; }},
    {"Postcode", [](TKandidaatRecord& r, const std::string& v) { r.Postcode = v; }},
    {"Plaats", [](TKandidaatRecord& r, const std::string& v) { r.Plaats = v; }},
};

bool SameName(std::string_view a, const char* b)
{
    const std::size_t n = std::char_traits<char>::length(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reading an import file

TImportTextFile::TImportTextFile(const std::filesystem::path& fileName, TImportEncoding& encoding)
{
    FHandle = RetryOnInterrupt([&] { return ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
    if (FHandle < 0)
        throw EInOutError(CannotOpen, errno);
    try {
        struct stat info {};
        if (::fstat(FHandle, &info) != 0)
            throw EInOutError(CannotOpen, errno);
        // Only a regular file has an end: not a directory, a pipe or a device such as /dev/zero.
        if (!S_ISREG(info.st_mode))
            throw EInOutError(CannotOpen, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        FBuffer.resize(1 << 16);
        const std::int64_t modified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        const bool same = encoding.Known && encoding.Device == info.st_dev && encoding.Inode == info.st_ino &&
                          encoding.Size == std::uint64_t(info.st_size) && encoding.ModifiedNs == modified;
        if (!same) {
            encoding.Utf8 = ScanUtf8();
            encoding.Known = true;
            encoding.Device = info.st_dev;
            encoding.Inode = info.st_ino;
            encoding.Size = std::uint64_t(info.st_size);
            encoding.ModifiedNs = modified;
        }
        FUtf8 = encoding.Utf8;
        // A UTF-8 file's byte-order mark is no part of its first line.
        if (FUtf8 && Fill() && FEnd >= 3 && std::string_view(FBuffer.data(), 3) == "\xEF\xBB\xBF")
            FPos = 3;
    } catch (...) {
        ::close(FHandle);
        throw;
    }
}

TImportTextFile::~TImportTextFile()
{
    ::close(FHandle);
}

// Reads the whole file once, a piece at a time, and goes back to its start.
bool TImportTextFile::ScanUtf8()
{
    TUtf8Check check;
    while (Fill())
        if (!check.Feed(reinterpret_cast<const unsigned char*>(FBuffer.data()), FEnd))
            break;
    const bool utf8 = check.Finish();
    if (::lseek(FHandle, 0, SEEK_SET) != 0)
        ThrowIoError(errno);
    FPos = FEnd = 0;
    return utf8;
}

bool TImportTextFile::Fill()
{
    const int n = RetryOnInterrupt([&] { return ::read(FHandle, FBuffer.data(), FBuffer.size()); });
    if (n < 0)
        ThrowIoError(errno);
    FPos = 0;
    FEnd = std::size_t(n);
    return n > 0;
}

bool TImportTextFile::ReadLine(std::string& line)
{
    line.clear();
    FReplacedInLine = 0;
    bool any = false;
    for (;;) {
        if (FPos == FEnd && !Fill())
            break;
        if (FSkipLineFeed) {
            FSkipLineFeed = false;
            if (FBuffer[FPos] == '\n') {
                ++FPos;
                continue;
            }
        }
        any = true;
        const char* begin = FBuffer.data() + FPos;
        const char* end = FBuffer.data() + FEnd;
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\n' || c == '\r'; });
        if (line.size() + std::size_t(stop - begin) > MaxLineLength)
            throw Exception("Regel " + std::to_string(FLineNumber + 1) + " is langer dan " +
                            std::to_string(MaxLineLength) + " tekens; dit is geen CSV- of TXT-bestand.");
        line.append(begin, stop);
        FPos += std::size_t(stop - begin);
        if (stop != end) {
            FSkipLineFeed = *stop == '\r';
            ++FPos;
            break;
        }
    }
    if (!any)
        return false;
    ++FLineNumber;
    if (FUtf8)
        line = Utf8LineToAnsi(line, FReplacedInLine);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The import dialog

TfrmImportCSVTXT::TfrmImportCSVTXT(QWidget* owner) : TBaseOkCancel(owner)
{
    Ui::TfrmImportCSVTXT ui;
    SetupBody(ui);
    SetDialogBorder();
    cmbSeparator = ui.cmbSeparator;
    sgSample = ui.sgSample;
    cbIndicators = ui.cbIndicators;

    cmbSeparator->setValidator(new TAnsiValidator(cmbSeparator));
    cmbSeparator->setEditText(QString::fromLatin1(TabCaption.c_str()));
    sgSample->SetName("sgSample");
    sgSample->SetColCount(13);
    sgSample->SetFixedCols(0);
    sgSample->SetFixedRows(1);
    sgSample->SetDefaultRowHeight(17);

    connect(cmbSeparator, &QComboBox::editTextChanged, this, [this] { Handle([this] { cmbSeparatorChange(); }); });
    connect(cbIndicators, &QCheckBox::toggled, this, [this] { Handle([this] { cbIndicatorsClick(); }); });
}

TfrmImportCSVTXT::~TfrmImportCSVTXT() = default;

void TfrmImportCSVTXT::FormCreate()
{
    FIndicators = false;
    FFirstLineHeader = true;
    FSeparator.clear();
}

void TfrmImportCSVTXT::Initialize(const std::filesystem::path& FileName, std::vector<std::string>* OutLines,
                                  bool FirstLineHeader, bool Indicators, bool DoImport)
{
    TBaseOkCancel::Initialize();
    FOutLines = OutLines;
    FDoImport = DoImport;
    SetFileName(FileName);
    SetFirstLineHeader(FirstLineHeader);
    SetIndicators(Indicators);
    FFirstLoading = true;
    LoadSample();
    for (int col = 0; col < FColCount; ++col)
        sgSample->SetColWidths(col, SampleColWidth);
    // A change of the tick runs cbIndicatorsClick, as a click does.
    cbIndicators->setChecked(FIndicators);
}

void TfrmImportCSVTXT::LoadSample()
{
    TImportTextFile file(FFileName, FEncoding);
    std::string first;
    file.ReadLine(first);

    if (FSeparator.empty()) {
        FSeparator = DetectSeparator(first);
        const QSignalBlocker quiet(cmbSeparator);
        cmbSeparator->setEditText(AnsiToQString(SeparatorCaption(FSeparator)));
    } else {
        FSeparator = SeparatorFromCaption(QStringToAnsi(cmbSeparator->currentText()));
    }
    if (FFirstLoading) {
        FIndicators = DetectIndicators(first);
        FFirstLoading = false;
    }

    std::vector<std::string> titles;
    for (TFieldCursor fields(first, FSeparator, FIndicators); !fields.AtEnd();)
        titles.push_back(fields.Next());
    FColCount = int(titles.size());
    if (sgSample->ColCount() < FColCount)
        sgSample->SetColCount(FColCount);
    for (int col = 0; col < FColCount; ++col)
        sgSample->SetCells(col, 0, titles[std::size_t(col)]);

    int row = 1;
    for (std::string line; row < SampleRows && file.ReadLine(line); ++row) {
        if (sgSample->RowCount() <= row)
            sgSample->SetRowCount(row + 1);
        TFieldCursor fields(line, FSeparator, FIndicators);
        for (int col = 0; col < FColCount; ++col)
            sgSample->SetCells(col, row, fields.Next());
    }

    // What an earlier loading wrote outside this sample would show fields that are not there.
    for (int r = 0; r < sgSample->RowCount(); ++r)
        for (int col = r < row ? FColCount : 0; col < sgSample->ColCount(); ++col)
            if (!sgSample->Cells(col, r).empty())
                sgSample->SetCells(col, r, std::string());
}

void TfrmImportCSVTXT::ImportFile()
{
    if (!FWaitCursor)
        FWaitCursor = std::make_unique<TWaitCursor>();
    try {
        TImportTextFile file(FFileName, FEncoding);
        std::string line;
        const bool firstRead = file.ReadLine(line);
        std::vector<std::string> names;
        {
            TFieldCursor fields(line, FSeparator, FIndicators);
            for (int col = 0; col < FColCount; ++col) {
                if (fields.AtEnd())
                    throw EAbort("Het importbestand dient " + std::to_string(FColCount) + " velden te bevatten.");
                names.push_back(fields.Next());
            }
        }

        // Without a header the first line, read for the names, is the first candidate as well.
        bool pending = firstRead && !FFirstLineHeader;
        while (pending || file.ReadLine(line)) {
            pending = false;
            if (names.empty())
                throw Exception("List index out of bounds (0)");
            TFieldCursor fields(line, FSeparator, FIndicators);
            std::string out = names.front() + "=" + fields.Next();
            for (std::size_t col = 1; col < names.size(); ++col) {
                out += '\t';
                out += names[col];
                out += '=';
                out += fields.Next();
            }
            FOutLines->push_back(std::move(out));
            FReplacedChars += file.ReplacedInLine();
        }
    } catch (EAbort&) {
        FWaitCursor.reset();
        throw;
    } catch (const Exception& e) {
        FWaitCursor.reset();
        throw Exception("Het bestand is niet te lezen." + e.Message);
    } catch (const std::exception& e) {
        FWaitCursor.reset();
        throw Exception("Het bestand is niet te lezen." + std::string(e.what()));
    }
}

void TfrmImportCSVTXT::done(int result)
{
    TBaseOkCancel::done(result);
    FWaitCursor.reset();
}

void TfrmImportCSVTXT::cmbSeparatorChange()
{
    LoadSample();
}

void TfrmImportCSVTXT::cbIndicatorsClick()
{
    FIndicators = cbIndicators->isChecked();
    LoadSample();
}

void TfrmImportCSVTXT::btnOkClick()
{
    SetModalResult(mrNone);
    try {
        if (FDoImport)
            ImportFile();
        SetModalResult(mrOk);
    } catch (const std::exception& e) {
        ShowErrorMessage("TfrmImportCSVTXT.btnOkClick", "Fout tijdens importeren: " + std::string(e.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// The main window's import command

bool SLReadKandidaat(const std::vector<std::string>& Items, TKandidaatRecord* Kandidaat)
{
    try {
        if (!Kandidaat)
            throw Exception("Geen kandidaatrecord opgegeven.");
        TKandidaatRecord record;
        bool found[std::size(ColumnFields)] = {};
        for (const std::string& item : Items) {
            const std::size_t eq = item.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string_view name(item.data(), eq);
            for (std::size_t i = 0; i < std::size(ColumnFields); ++i)
                if (!found[i] && SameName(name, ColumnFields[i].Name)) {
                    found[i] = true;
                    ColumnFields[i].Store(record, TrimRightStr(item.substr(eq + 1)));
                    break;
                }
        }
        record.NaamStemapparaat =
            BuildNaamStemapparaat(record.Achternaam.AsString(), record.Voorvoegsels.AsString(),
                                  record.Voorletters.AsString(), record.Voornaam.AsString(), record.Geslacht.AsString());
        record.Geboortedatum = NormalizeDate(record.Geboortedatum.AsString());
        *Kandidaat = record;
        return true;
    } catch (const std::exception& e) {
        ShowInfoMessage("frmMain.SLReadKandidaat: " + std::string(e.what()));
        return false;
    }
}

std::string ReplacedCharsMessage(int count)
{
    if (count == 1)
        return "Het importbestand bevat 1 teken dat het programma niet kan opslaan; "
               "het is vervangen door een vraagteken (?).";
    return "Het importbestand bevat " + std::to_string(count) +
           " tekens die het programma niet kan opslaan; ze zijn vervangen door een vraagteken (?).";
}

void AddImportedKandidaten(const std::vector<std::string>& Lines, TKandidaatList& List, const TKandidaatReader& Read)
{
    std::vector<std::string> fields;
    for (const std::string& line : Lines) {
        auto record = std::make_unique<TKandidaatRecord>();
        SplitFields(line, fields, "\t");
        if (!Read(fields, record.get()))
            throw Exception("Ongeldige kandidaat record ingelezen.");
        List.Add(std::move(record));
    }
}

void OpenCSVTXTKandidaten(QWidget* owner, const std::filesystem::path& FileName, const TKandidaatReader& Read)
{
    try {
        std::vector<std::string> lines;
        auto dialog = TBaseForm::Create<TfrmImportCSVTXT>(owner);
        dialog->Initialize(FileName, &lines, true, false, true);
        if (dialog->ShowModal() != TBaseForm::mrOk)
            return;
        AddImportedKandidaten(lines, *KandidaatList, Read);
        if (dialog->ReplacedChars() > 0)
            ShowInfoMessage(ReplacedCharsMessage(dialog->ReplacedChars()));
    } catch (const std::exception& e) {
        ShowInfoMessage("frmMain.OpenCSVTXTKandidaten: " + std::string(e.what()));
    }
}

bool OpenDialogTXT(QWidget* owner, std::filesystem::path& FileName)
{
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Text files (*.TXT *.CSV)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = std::filesystem::path(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
    return true;
}

void ImportCSVTXT(QWidget* owner)
{
    try {
        if (KandidaatList->Count() > 0 &&
            AskQuestion("Kandidaten inlezen (CSV/TXT)", "Kandidaten reeds ingevoerd; Wilt u de bestaande kandidaten wissen?",
                        false) == mrYes)
            KandidaatList->Clear();
        std::filesystem::path fileName;
        if (OpenDialogTXT(owner, fileName))
            OpenCSVTXTKandidaten(owner, fileName);
    } catch (...) {
        // A failure that reaches the command itself ends it without a message.
    }
}
