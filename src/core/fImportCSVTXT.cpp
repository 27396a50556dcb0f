#include "fImportCSVTXT.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "Exceptions.h"
#include "StringGrid.h"
#include "SysCalls.h"
#include "ZEBMessages.h"

#include "ui_fImportCSVTXT.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalBlocker>

#include <memory>

namespace {

constexpr int SampleRows = 100; // the first line and at most 99 more
constexpr int SampleColWidth = 100;
const std::string TabCaption = "<tab>";

std::string SeparatorCaption(const std::string& separator)
{
    return separator == "\t" ? TabCaption : separator;
}

std::string SeparatorFromCaption(const std::string& caption)
{
    return caption == TabCaption ? "\t" : caption;
}

} // namespace

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

    cmbSeparator->setValidator(TellRefusals(new TAnsiValidator(cmbSeparator)));
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
    indicators_ = false;
    firstLineHeader_ = true;
    separator_.clear();
}

void TfrmImportCSVTXT::Initialize(const std::filesystem::path& FileName, std::vector<std::string>* OutLines,
                                  bool FirstLineHeader, bool Indicators, bool DoImport)
{
    outLines_ = OutLines;
    outData_ = nullptr;
    Start(FileName, FirstLineHeader, Indicators, DoImport);
}

void TfrmImportCSVTXT::Initialize(const std::filesystem::path& FileName, TImportLines* OutData, bool FirstLineHeader,
                                  bool Indicators, bool DoImport)
{
    outLines_ = nullptr;
    outData_ = OutData;
    Start(FileName, FirstLineHeader, Indicators, DoImport);
}

void TfrmImportCSVTXT::Start(const std::filesystem::path& FileName, bool FirstLineHeader, bool Indicators,
                             bool DoImport)
{
    TBaseOkCancel::Initialize();
    doImport_ = DoImport;
    SetFileName(FileName);
    SetFirstLineHeader(FirstLineHeader);
    SetIndicators(Indicators);
    firstLoading_ = true;
    LoadSample();
    for (int col = 0; col < colCount_; ++col)
        sgSample->SetColWidths(col, SampleColWidth);
    // A change of the tick runs cbIndicatorsClick, as a click does.
    cbIndicators->setChecked(indicators_);
}

void TfrmImportCSVTXT::LoadSample()
{
    TImportTextFile file(fileName_, encoding_);
    std::string first;
    file.ReadLine(first);

    if (separator_.empty()) {
        separator_ = DetectSeparator(first);
        const QSignalBlocker quiet(cmbSeparator);
        cmbSeparator->setEditText(AnsiToQString(SeparatorCaption(separator_)));
    } else {
        separator_ = SeparatorFromCaption(QStringToAnsi(cmbSeparator->currentText()));
    }
    if (firstLoading_) {
        indicators_ = DetectIndicators(first);
        firstLoading_ = false;
    }

    std::vector<std::string> titles;
    for (TFieldCursor fields(first, separator_, indicators_); !fields.AtEnd();)
        titles.push_back(fields.Next());
    colCount_ = int(titles.size());
    if (sgSample->ColCount() < colCount_)
        sgSample->SetColCount(colCount_);
    for (int col = 0; col < colCount_; ++col)
        sgSample->SetCells(col, 0, titles[std::size_t(col)]);

    int row = 1;
    for (std::string line; row < SampleRows && file.ReadLine(line); ++row) {
        if (sgSample->RowCount() <= row)
            sgSample->SetRowCount(row + 1);
        TFieldCursor fields(line, separator_, indicators_);
        for (int col = 0; col < colCount_; ++col) {
            // Past the line's end every field is empty: only cells an earlier loading filled change.
            if (fields.AtEnd() && sgSample->Cells(col, row).empty())
                continue;
            sgSample->SetCells(col, row, fields.Next());
        }
    }

    // What an earlier loading wrote outside this sample would show fields that are not there.
    for (int r = 0; r < sgSample->RowCount(); ++r)
        for (int col = r < row ? colCount_ : 0; col < sgSample->ColCount(); ++col)
            if (!sgSample->Cells(col, r).empty())
                sgSample->SetCells(col, r, std::string());
}

void TfrmImportCSVTXT::ImportFile()
{
    if (!waitCursor_)
        waitCursor_ = std::make_unique<TWaitCursor>();
    // All or nothing: a failure takes back what this import added, so that another OK does not
    // add the same lines twice.
    const std::size_t before = outData_ ? outData_->Count() : outLines_->size();
    const int replacedBefore = replacedChars_;
    const auto takeBack = [&] {
        waitCursor_.reset();
        if (outData_)
            outData_->Truncate(before);
        else
            outLines_->erase(outLines_->begin() + std::ptrdiff_t(before), outLines_->end());
        replacedChars_ = replacedBefore;
    };
    try {
        TImportTextFile file(fileName_, encoding_);
        if (outData_)
            outData_->Reserve(std::size_t(file.Size()));
        std::string line;
        const bool firstRead = file.ReadLine(line);
        std::vector<std::string> names;
        {
            TFieldCursor fields(line, separator_, indicators_);
            for (int col = 0; col < colCount_; ++col) {
                if (fields.AtEnd())
                    throw EAbort("Het importbestand dient " + std::to_string(colCount_) + " velden te bevatten.");
                names.push_back(fields.Next());
            }
        }

        const auto columns = std::make_shared<const TImportColumns>(std::move(names), separator_, indicators_);
        // Without a header the first line, read for the names, is the first candidate as well.
        bool pending = firstRead && !firstLineHeader_;
        for (std::size_t count = 0; pending || file.ReadLine(line); ++count) {
            pending = false;
            if (columns->Count() == 0)
                throw Exception("Lijstindex buiten bereik (0)");
            if (count == MaxImportLines)
                throw Exception(MaxImportLinesMessage(fileName_));
            if (outData_)
                outData_->Add(columns, line);
            else
                outLines_->push_back(columns->OutputLine(line));
            replacedChars_ += file.ReplacedInLine();
        }
    } catch (EAbort&) {
        takeBack();
        throw;
    } catch (const Exception& e) {
        takeBack();
        throw Exception("Het bestand is niet te lezen." + e.Message);
    } catch (const std::exception& e) {
        takeBack();
        throw Exception("Het bestand is niet te lezen." + MessageOf(e));
    }
}

void TfrmImportCSVTXT::done(int result)
{
    TBaseOkCancel::done(result);
    waitCursor_.reset();
}

void TfrmImportCSVTXT::cmbSeparatorChange()
{
    LoadSample();
}

void TfrmImportCSVTXT::cbIndicatorsClick()
{
    indicators_ = cbIndicators->isChecked();
    LoadSample();
}

void TfrmImportCSVTXT::btnOkClick()
{
    SetModalResult(mrNone);
    try {
        if (doImport_)
            ImportFile();
        SetModalResult(mrOk);
    } catch (const std::exception& e) {
        ShowErrorMessage("TfrmImportCSVTXT.btnOkClick", "Fout tijdens importeren: " + MessageOf(e));
    }
}

// ---------------------------------------------------------------------------------------------
// The main window's import command

bool SLReadKandidaat(const std::vector<std::string>& Items, TKandidaatRecord* Kandidaat)
{
    try {
        if (!Kandidaat)
            throw Exception("Geen kandidaatrecord opgegeven.");
        *Kandidaat = KandidaatFromItems(Items);
        return true;
    } catch (const std::exception& e) {
        ShowInfoMessage("frmMain.SLReadKandidaat: " + MessageOf(e));
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

void AddImportedKandidaten(const TImportLines& Lines, TKandidaatList& List, const TKandidaatReader& Read,
                           bool ClearFirst)
{
    // Every record is made before the list changes.
    std::vector<std::unique_ptr<TKandidaatRecord>> records;
    records.reserve(Lines.Count());
    std::vector<std::string> items;
    for (std::size_t i = 0; i < Lines.Count(); ++i) {
        auto record = std::make_unique<TKandidaatRecord>();
        Lines.Columns(i).Items(Lines.Line(i), items);
        if (!Read(items, record.get()))
            throw Exception("Ongeldige kandidaat record ingelezen.");
        records.push_back(std::move(record));
    }
    List.AddAll(std::move(records), ClearFirst);
}

void OpenCSVTXTKandidaten(QWidget* owner, const std::filesystem::path& FileName, const TKandidaatReader& Read,
                          bool ClearFirst)
{
    try {
        TImportLines lines;
        auto dialog = TBaseForm::Create<TfrmImportCSVTXT>(owner);
        dialog->Initialize(FileName, &lines, true, false, true);
        if (dialog->ShowModal() != TBaseForm::mrOk)
            return;
        AddImportedKandidaten(lines, *KandidaatList, Read, ClearFirst);
        if (dialog->ReplacedChars() > 0)
            ShowInfoMessage(ReplacedCharsMessage(dialog->ReplacedChars()));
    } catch (const std::exception& e) {
        ShowInfoMessage("frmMain.OpenCSVTXTKandidaten: " + MessageOf(e));
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
        // Yes clears the list only when the import succeeds: a cancelled or failed one keeps it.
        const bool clear =
            KandidaatList->Count() > 0 &&
            AskQuestion("Kandidaten inlezen (CSV/TXT)", "Kandidaten reeds ingevoerd; Wilt u de bestaande kandidaten wissen?",
                        false) == mrYes;
        std::filesystem::path fileName;
        if (OpenDialogTXT(owner, fileName))
            OpenCSVTXTKandidaten(owner, fileName, SLReadKandidaat, clear);
    } catch (...) {
        // A failure that reaches the command itself ends it without a message.
    }
}
