// The CSV/TXT import: the dialog driven as a user meets it, and the main window's command from
// the question about the existing candidates to the records in KandidaatList.
#include "fImportCSVTXT.h"

#include "ListFile.h"
#include "StringGrid.h"
#include "ZEBMessages.h"

#include "KeyInput.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string Header = "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats";
const std::string Jansen = "1;Jansen;J.;van;Johannes;M;1-2-1970;Dorpsstraat 1;1234 AB;Ergens";

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        MessageTeksten.Application = "Zorvandel 4.0";
    }

    fs::path Write(const std::string& name, const std::string& bytes) const
    {
        const fs::path path = fs::path(Dir.path().toStdString()) / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::unique_ptr<TfrmImportCSVTXT> Dialog(const fs::path& file, std::vector<std::string>& lines)
    {
        auto dialog = TBaseForm::Create<TfrmImportCSVTXT>();
        dialog->Initialize(file, &lines, true, false, true);
        return dialog;
    }

    static std::vector<std::string> Row(TStringGrid* grid, int row, int cols)
    {
        std::vector<std::string> cells;
        for (int col = 0; col < cols; ++col)
            cells.push_back(grid->Cells(col, row));
        return cells;
    }

    // Presses OK in the import dialog.
    static void PressOk(QWidget* window)
    {
        ASSERT_NE(qobject_cast<TfrmImportCSVTXT*>(window), nullptr);
        QTest::mouseClick(static_cast<TfrmImportCSVTXT*>(window)->btnOk, Qt::LeftButton);
    }

    // Runs OpenCSVTXTKandidaten and presses OK in the import dialog.
    void ImportWithOk(const fs::path& file)
    {
        ModalAnswer ok(PressOk);
        OpenCSVTXTKandidaten(nullptr, file);
        EXPECT_TRUE(ok.Seen().shown);
    }

    const TKandidaatRecord& Kandidaat(int index) const { return *KandidaatList->Items(index); }

    QTemporaryDir Dir;
    TZVLists Lists;
};

QString Message(const ModalAnswer& answer)
{
    return answer.Seen().labels.join(" | ");
}

} // namespace

TEST_F(ImportTest, LayoutOfTheDialog)
{
    std::vector<std::string> lines;
    auto dialog = Dialog(Write("a.csv", Header + "\n" + Jansen + "\n"), lines);
    EXPECT_EQ(dialog->windowTitle(), "Import CSV/TXT");
    EXPECT_EQ(dialog->size(), QSize(741, 315));
    EXPECT_EQ(dialog->sgSample->size(), QSize(705, 145));
    EXPECT_EQ(dialog->sgSample->FixedRows(), 1);
    EXPECT_EQ(dialog->sgSample->FixedCols(), 0);
    EXPECT_EQ(dialog->sgSample->ColCount(), 13);
    EXPECT_EQ(dialog->sgSample->DefaultRowHeight(), 17);
    EXPECT_EQ(dialog->sgSample->ColWidths(9), 100);
    EXPECT_EQ(dialog->sgSample->ColWidths(10), 64);
    ASSERT_EQ(dialog->cmbSeparator->count(), 3);
    EXPECT_EQ(dialog->cmbSeparator->itemText(0), "<tab>");
    EXPECT_EQ(dialog->cmbSeparator->itemText(1), ",");
    EXPECT_EQ(dialog->cmbSeparator->itemText(2), ";");
    EXPECT_TRUE(dialog->cmbSeparator->isEditable());
    EXPECT_EQ(dialog->cbIndicators->text(), "Tekst bevindt zich tussen haakjes, enkele of dubbele aanhalingstekens");

    ModalAnswer look([&](QWidget*) {
        QWidget* order[] = {dialog->cmbSeparator, dialog->sgSample, dialog->cbIndicators, dialog->btnOk,
                            dialog->btnCancel};
        dialog->cmbSeparator->setFocus();
        ASSERT_TRUE(WaitFor([&] { return dialog->cmbSeparator->hasFocus(); }));
        for (int i = 1; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_TRUE(order[i]->hasFocus()) << "tab stop " << i;
        }
    });
    dialog->ShowModal();
    EXPECT_TRUE(look.Seen().labels.contains("Opties"));
    EXPECT_TRUE(look.Seen().labels.contains("Scheidingsteken"));
}

TEST_F(ImportTest, SeparatorAndIndicatorsAreDetectedFromTheFirstLine)
{
    std::vector<std::string> lines;
    auto semicolon = Dialog(Write("a.csv", Header + "\n" + Jansen + "\n"), lines);
    EXPECT_EQ(semicolon->Separator(), ";");
    EXPECT_EQ(semicolon->cmbSeparator->currentText(), ";");
    EXPECT_EQ(semicolon->ColCount(), 10);
    EXPECT_FALSE(semicolon->Indicators());
    EXPECT_EQ(Row(semicolon->sgSample, 0, 3), (std::vector<std::string>{"Kand_nr", "Achternaam", "Voorletters"}));
    EXPECT_EQ(Row(semicolon->sgSample, 1, 10), (std::vector<std::string>{"1", "Jansen", "J.", "van", "Johannes", "M",
                                                                          "1-2-1970", "Dorpsstraat 1", "1234 AB",
                                                                          "Ergens"}));

    auto comma = Dialog(Write("b.csv", "a,b,c,d,e,f,g\n1,2,3\n"), lines);
    EXPECT_EQ(comma->Separator(), ",");
    EXPECT_EQ(comma->cmbSeparator->currentText(), ",");
    EXPECT_EQ(comma->ColCount(), 7);

    // Five columns hold four commas: too few, so the lines are taken as tab-separated.
    auto five = Dialog(Write("c.csv", "a,b,c,d,e\n1,2,3,4,5\n"), lines);
    EXPECT_EQ(five->Separator(), "\t");
    EXPECT_EQ(five->cmbSeparator->currentText(), "<tab>");
    EXPECT_EQ(five->ColCount(), 1);
    EXPECT_EQ(five->sgSample->Cells(0, 1), "1,2,3,4,5");

    auto tab = Dialog(Write("d.txt", "Kand_nr\tAchternaam\tPlaats\n7\tPietersen\tUtrecht\n"), lines);
    EXPECT_EQ(tab->Separator(), "\t");
    EXPECT_EQ(Row(tab->sgSample, 1, 3), (std::vector<std::string>{"7", "Pietersen", "Utrecht"}));

    // Six double quotes in the first line: every field loses its first and last character, and a
    // separator between quotation marks still splits.
    auto quoted = Dialog(Write("e.csv", "\"Kand_nr\";\"Achternaam\";\"Plaats\";\"a\";\"b\";\"c\";\"d\"\n"
                                        "\"3\";\"de Boer\";\"Zwolle; Oost\"\n"),
                         lines);
    EXPECT_EQ(quoted->Separator(), ";");
    EXPECT_TRUE(quoted->Indicators());
    EXPECT_TRUE(quoted->cbIndicators->isChecked());
    EXPECT_EQ(Row(quoted->sgSample, 0, 3), (std::vector<std::string>{"Kand_nr", "Achternaam", "Plaats"}));
    EXPECT_EQ(Row(quoted->sgSample, 1, 5), (std::vector<std::string>{"3", "de Boer", "Zwoll", "Oost", ""}));

    auto single = Dialog(Write("f.csv", "'a';'b';'c';'d';'e';'f';'g'\n"), lines);
    EXPECT_TRUE(single->Indicators());
    EXPECT_EQ(single->sgSample->Cells(6, 0), "g");
}

TEST_F(ImportTest, ChangingTheSeparatorOrTheTickReloadsTheSample)
{
    std::vector<std::string> lines;
    auto dialog = Dialog(Write("a.csv", Header + "\n" + Jansen + "\n\"x\";'y'\n"), lines);
    dialog->show();
    QLineEdit* edit = dialog->cmbSeparator->lineEdit();

    // Typed: a tab-separated reading puts the whole line in the first column, and no field of
    // the ";" reading stays behind in the other columns.
    edit->selectAll();
    QTest::keyClicks(edit, "|");
    EXPECT_EQ(dialog->Separator(), "|");
    EXPECT_EQ(dialog->ColCount(), 1);
    EXPECT_EQ(dialog->sgSample->Cells(0, 0), Header);
    EXPECT_EQ(dialog->sgSample->Cells(0, 1), Jansen);
    EXPECT_EQ(dialog->sgSample->Cells(1, 0), "");
    EXPECT_EQ(dialog->sgSample->Cells(1, 1), "");
    EXPECT_EQ(dialog->sgSample->ColCount(), 13);

    // Picked from the list.
    dialog->cmbSeparator->setCurrentIndex(2);
    EXPECT_EQ(dialog->Separator(), ";");
    EXPECT_EQ(dialog->ColCount(), 10);
    EXPECT_EQ(dialog->sgSample->Cells(1, 1), "Jansen");
    dialog->cmbSeparator->setCurrentIndex(0);
    EXPECT_EQ(dialog->Separator(), "\t");
    EXPECT_EQ(dialog->sgSample->Cells(0, 2), "\"x\";'y'");

    // The tick strips one character on each side; the separator stays as the box says.
    dialog->cmbSeparator->setCurrentIndex(2);
    QTest::mouseClick(dialog->cbIndicators, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(dialog->Indicators());
    EXPECT_EQ(dialog->Separator(), ";");
    EXPECT_EQ(dialog->sgSample->Cells(0, 0), "and_n");
    EXPECT_EQ(Row(dialog->sgSample, 2, 2), (std::vector<std::string>{"x", "y"}));
    QTest::mouseClick(dialog->cbIndicators, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_FALSE(dialog->Indicators());
    EXPECT_EQ(dialog->sgSample->Cells(0, 0), "Kand_nr");

    // Emptying the box: the lines are one field each, and the next change detects the separator
    // again; the indicators are detected on the first loading only.
    edit->clear();
    EXPECT_EQ(dialog->Separator(), "");
    EXPECT_EQ(dialog->ColCount(), 1);
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(dialog->Separator(), ";");
    EXPECT_EQ(dialog->cmbSeparator->currentText(), ";");
    EXPECT_FALSE(dialog->Indicators());

    // A character Windows-1252 cannot hold is refused by the box.
    TypeCharacters(edit, QString::fromUtf8("\u2192"));
    EXPECT_EQ(dialog->cmbSeparator->currentText(), ";");
}

TEST_F(ImportTest, OkWritesOneLineOfPairsPerDataLineCancelWritesNone)
{
    const fs::path file = Write("a.csv", "Kand_nr;Naam;Plaats;x;y;z;w\n1;Jansen;Ergens\n\n2;Smit;Hier;4;5;6;7;8;9\n");
    std::vector<std::string> lines;
    auto dialog = Dialog(file, lines);
    ModalAnswer cancel(ModalAnswer::ClickButton("Annuleren"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(lines.empty());

    dialog = Dialog(file, lines);
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Kand_nr=1\tNaam=Jansen\tPlaats=Ergens\tx=\ty=\tz=\tw=",
                         "Kand_nr=\tNaam=\tPlaats=\tx=\ty=\tz=\tw=",
                         "Kand_nr=2\tNaam=Smit\tPlaats=Hier\tx=4\ty=5\tz=6\tw=7",
                     }));
}

TEST_F(ImportTest, WithoutAHeaderTheFirstLineIsImportedAsWell)
{
    const fs::path file = Write("b.csv", "Kand_nr;Naam;Plaats;x;y;z;w\n1;Jansen;Ergens\n");
    std::vector<std::string> lines;
    auto dialog = TBaseForm::Create<TfrmImportCSVTXT>();
    dialog->Initialize(file, &lines, false, false, true);
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Kand_nr=Kand_nr\tNaam=Naam\tPlaats=Plaats\tx=x\ty=y\tz=z\tw=w",
                         "Kand_nr=1\tNaam=Jansen\tPlaats=Ergens\tx=\ty=\tz=\tw=",
                     }));
}

TEST_F(ImportTest, AFailedImportShowsTheErrorBoxAndKeepsTheDialogOpen)
{
    const fs::path file = Write("a.csv", Header + "\n" + Jansen + "\n");
    std::vector<std::string> lines;
    auto dialog = Dialog(file, lines);

    bool openAfterAbort = false;
    bool openAfterFailure = false;
    ModalAnswer tryTwice([&](QWidget*) {
        Write("a.csv", "Kand_nr;Achternaam\n1;Jansen\n"); // the file changed behind the sample's back
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        openAfterAbort = dialog->isVisible();
        fs::remove(file);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        openAfterFailure = dialog->isVisible();
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    ModalAnswer abortBox(ModalAnswer::ClickButton("Ok"));
    ModalAnswer failureBox(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(openAfterAbort);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_TRUE(abortBox.Seen().labels.contains("TfrmImportCSVTXT.btnOkClick"));
    EXPECT_TRUE(abortBox.Seen().labels.contains("Fout tijdens importeren: Het importbestand dient 10 velden te bevatten."));
    EXPECT_TRUE(failureBox.Seen().labels.contains(
        "Fout tijdens importeren: Het bestand is niet te lezen.Kan gekozen bestand niet openen."))
        << Message(failureBox).toStdString();
    EXPECT_TRUE(lines.empty());
}

TEST_F(ImportTest, TheSampleShowsAHundredLinesTheImportTakesAll)
{
    std::string text = Header + "\n";
    for (int i = 1; i <= 150; ++i)
        text += std::to_string(i) + ";Naam" + std::to_string(i) + "\r\n"; // Windows line ends
    std::vector<std::string> lines;
    auto dialog = Dialog(Write("a.csv", text), lines);
    EXPECT_EQ(dialog->sgSample->RowCount(), 100);
    EXPECT_EQ(dialog->sgSample->Cells(1, 99), "Naam99");
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    dialog->ShowModal();
    ASSERT_EQ(lines.size(), 150u);
    EXPECT_EQ(lines[149].substr(0, 26), "Kand_nr=150\tAchternaam=Naa");
    EXPECT_EQ(lines[149].find('\r'), std::string::npos);
}

TEST_F(ImportTest, CandidatesAreReadByColumnNameInFileOrder)
{
    const std::string longName(60, 'a');
    ImportWithOk(Write("a.csv", Header + "\n" + Jansen + "\n" +
                                    "2;" + longName + ";P.;;Annemarie-Josefien;Man;15-1-1980;;;\n" +
                                    "\n" +
                                    "1;Tweede;;;;;5/11/1980  ;;;Plaats met spatie   \n"));
    ASSERT_EQ(KandidaatList->Count(), 4);
    const TKandidaatRecord& a = Kandidaat(0);
    EXPECT_EQ(a.KandidaatNr.AsString(), "1");
    EXPECT_EQ(a.Achternaam.AsString(), "Jansen");
    EXPECT_EQ(a.Voorvoegsels.AsString(), "van");
    EXPECT_EQ(a.NaamStemapparaat.AsString(), "van Jansen, J. (Johannes) (m)");
    EXPECT_EQ(a.Geboortedatum.AsString(), "01-02-1970");
    EXPECT_EQ(a.Adres.AsString(), "Dorpsstraat 1");
    EXPECT_EQ(a.Postcode.AsString(), "1234 AB");
    EXPECT_EQ(a.Plaats.AsString(), "Ergens");

    const TKandidaatRecord& b = Kandidaat(1);
    EXPECT_EQ(b.Achternaam.AsString(), std::string(50, 'a'));
    EXPECT_EQ(b.Voornaam.AsString(), "Annemarie-Josefien"); // 18 characters stay whole
    EXPECT_EQ(b.Geslacht.AsString(), "M");
    EXPECT_EQ(b.Geboortedatum.AsString(), "15-01-1980");
    EXPECT_EQ(b.NaamStemapparaat.AsString(), std::string(50, 'a')); // cut to 50 before the initials

    const TKandidaatRecord& empty = Kandidaat(2);
    EXPECT_EQ(empty, TKandidaatRecord{});

    const TKandidaatRecord& d = Kandidaat(3);
    EXPECT_EQ(d.KandidaatNr.AsString(), "1"); // numbers are not checked: repeats stay
    EXPECT_EQ(d.Geboortedatum.AsString(), "05-11-1980");
    EXPECT_EQ(d.Plaats.AsString(), "Plaats met spatie");
    EXPECT_EQ(d.NaamStemapparaat.AsString(), "Tweede");
}

TEST_F(ImportTest, ColumnNamesIgnoreCaseAndUnknownColumns)
{
    ImportWithOk(Write("a.csv", "Nummer;KAND_NR;achternaam;Achternaam;x;y;Geslacht\n9;12;Eerste;Tweede;;;v\n"));
    ASSERT_EQ(KandidaatList->Count(), 1);
    EXPECT_EQ(Kandidaat(0).KandidaatNr.AsString(), "12");
    EXPECT_EQ(Kandidaat(0).Achternaam.AsString(), "Eerste");
    EXPECT_EQ(Kandidaat(0).NaamStemapparaat.AsString(), "Eerste (v)");

    KandidaatList->Clear();
    ImportWithOk(Write("b.csv", "Nummer;Achternaam;a;b;c;d;e\n9;Jansen\n"));
    ASSERT_EQ(KandidaatList->Count(), 1);
    EXPECT_EQ(Kandidaat(0).KandidaatNr.AsString(), "");
}

TEST_F(ImportTest, ARefusedLineGivesTwoMessagesAndAddsNothing)
{
    KandidaatList->Add(std::make_unique<TKandidaatRecord>());
    const fs::path file = Write("a.csv", Header + "\n1;Een\n2;Twee\n3;Drie\n");
    int calls = 0;
    ModalAnswer ok(PressOk);
    ModalAnswer first(ModalAnswer::ClickButton("Ok"));
    ModalAnswer second(ModalAnswer::ClickButton("Ok"));
    OpenCSVTXTKandidaten(nullptr, file, [&](const std::vector<std::string>& items, TKandidaatRecord* record) {
        return SLReadKandidaat(items, ++calls == 2 ? nullptr : record);
    });
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(first.Seen().labels.contains("frmMain.SLReadKandidaat: Geen kandidaatrecord opgegeven."))
        << Message(first).toStdString();
    EXPECT_TRUE(second.Seen().labels.contains("frmMain.OpenCSVTXTKandidaten: Ongeldige kandidaat record ingelezen."))
        << Message(second).toStdString();
    ASSERT_EQ(KandidaatList->Count(), 1);
    EXPECT_EQ(Kandidaat(0), TKandidaatRecord());
}

TEST_F(ImportTest, AFileThatCannotBeReadShowsTheMessageAndAddsNothing)
{
    for (const fs::path& file :
         {fs::path(Dir.path().toStdString()) / "missing.csv", fs::path(Dir.path().toStdString()), fs::path("/dev/zero")}) {
        ModalAnswer box(ModalAnswer::ClickButton("Ok"));
        OpenCSVTXTKandidaten(nullptr, file);
        EXPECT_EQ(box.Seen().className, "TZEBMessageForm");
        EXPECT_TRUE(box.Seen().labels.contains("frmMain.OpenCSVTXTKandidaten: Kan gekozen bestand niet openen."))
            << Message(box).toStdString();
        EXPECT_EQ(KandidaatList->Count(), 0);
    }
}

TEST_F(ImportTest, ABinaryFileIsRefusedWithoutLoadingIt)
{
    // Zeros without a line end: no line of it is read whole.
    ModalAnswer box(ModalAnswer::ClickButton("Ok"));
    OpenCSVTXTKandidaten(nullptr, Write("big.csv", std::string(8 << 20, '\0')));
    EXPECT_TRUE(box.Seen().labels.contains(
        "frmMain.OpenCSVTXTKandidaten: Regel 1 is langer dan 65536 tekens; dit is geen CSV- of TXT-bestand."))
        << Message(box).toStdString();

    // Random bytes with line ends in them load as a sample, and a long line later fails the import.
    std::string bytes = "a\x01\xFF\x80;\x00\x9F\n";
    for (int i = 0; i < 300; ++i)
        bytes += std::string(1, char(i * 37)) + "\n";
    bytes += std::string(70000, ';');
    std::vector<std::string> lines;
    auto dialog = Dialog(Write("bin.csv", bytes), lines);
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    ModalAnswer error(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(error.Seen().labels.contains("Fout tijdens importeren: Het bestand is niet te lezen.Regel 302 is langer "
                                             "dan 65536 tekens; dit is geen CSV- of TXT-bestand."))
        << Message(error).toStdString();
}

TEST_F(ImportTest, Utf8IsConvertedOtherFilesAreReadByteForByte)
{
    const std::string header = "Kand_nr;Achternaam;Voornaam;a;b;c;d\n";
    // UTF-8 with a byte-order mark: the mark is no part of the first column's name.
    ImportWithOk(Write("bom.csv", "\xEF\xBB\xBF" + header + "1;M\xC3\xBCller;Ren\xC3\xA9\n"));
    // UTF-8 without the mark; an accent written as a combining mark joins its letter.
    ImportWithOk(Write("utf8.csv", header + "2;Citro\xC3\xABn;Rene\xCC\x81\n"));
    // Windows-1252 bytes are not UTF-8: taken as they are.
    ImportWithOk(Write("ansi.csv", header + "3;M\xFCller;\x80uro\n"));
    // Valid UTF-8 up to one stray byte at the very end: the whole file is read byte for byte.
    ImportWithOk(Write("mixed.csv", header + "4;M\xC3\xBCller;x\n5;y;\xE9\n"));

    ASSERT_EQ(KandidaatList->Count(), 5);
    EXPECT_EQ(Kandidaat(0).KandidaatNr.AsString(), "1");
    EXPECT_EQ(Kandidaat(0).Achternaam.AsString(), "M\xFCller");
    EXPECT_EQ(Kandidaat(0).Voornaam.AsString(), "Ren\xE9");
    EXPECT_EQ(Kandidaat(1).Achternaam.AsString(), "Citro\xEBn");
    EXPECT_EQ(Kandidaat(1).Voornaam.AsString(), "Ren\xE9");
    EXPECT_EQ(Kandidaat(1).NaamStemapparaat.AsString(), "Citro\xEBn (Ren\xE9)");
    EXPECT_EQ(Kandidaat(2).Achternaam.AsString(), "M\xFCller");
    EXPECT_EQ(Kandidaat(2).Voornaam.AsString(), "\x80uro");
    EXPECT_EQ(Kandidaat(3).Achternaam.AsString(), "M\xC3\xBCller");
    EXPECT_EQ(Kandidaat(4).Voornaam.AsString(), "\xE9");
}

TEST_F(ImportTest, UnencodableCharactersBecomeQuestionMarksAndAreCounted)
{
    const fs::path file = Write("a.csv", "Kand_nr;Achternaam;Voornaam;Plaats;a;b;c\n"
                                         "1;\xC5\x81ukasiewicz;Jan?;\xC5\xBB\xC3\xB3\xC5\x82kiewka\n"
                                         "2;Smile \xF0\x9F\x98\x80;\xE2\x82\xAC;x\n");
    // The sample shows them as "?" too.
    std::vector<std::string> lines;
    EXPECT_EQ(Dialog(file, lines)->sgSample->Cells(1, 1), "?ukasiewicz");

    ModalAnswer ok(PressOk);
    ModalAnswer count(ModalAnswer::ClickButton("Ok"));
    OpenCSVTXTKandidaten(nullptr, file);
    ASSERT_EQ(KandidaatList->Count(), 2);
    EXPECT_EQ(Kandidaat(0).Achternaam.AsString(), "?ukasiewicz");
    EXPECT_EQ(Kandidaat(0).Voornaam.AsString(), "Jan?");
    EXPECT_EQ(Kandidaat(0).Plaats.AsString(), "?\xF3?kiewka");
    EXPECT_EQ(Kandidaat(1).Achternaam.AsString(), "Smile ?");
    EXPECT_EQ(Kandidaat(1).Voornaam.AsString(), "\x80");
    EXPECT_TRUE(count.Seen().labels.contains(
        "Het importbestand bevat 4 tekens die het programma niet kan opslaan; ze zijn vervangen door een vraagteken (?)."))
        << Message(count).toStdString();
    EXPECT_EQ(ReplacedCharsMessage(1),
              "Het importbestand bevat 1 teken dat het programma niet kan opslaan; het is vervangen door een vraagteken (?).");
}

TEST_F(ImportTest, LineEndsOfEveryKind)
{
    ImportWithOk(Write("a.csv", Header + "\r1;Mac\r2;Unix\n3;Windows\r\n\r\n4;Laatste"));
    ASSERT_EQ(KandidaatList->Count(), 5);
    EXPECT_EQ(Kandidaat(0).Achternaam.AsString(), "Mac");
    EXPECT_EQ(Kandidaat(1).Achternaam.AsString(), "Unix");
    EXPECT_EQ(Kandidaat(2).Achternaam.AsString(), "Windows");
    EXPECT_EQ(Kandidaat(3), TKandidaatRecord{});
    EXPECT_EQ(Kandidaat(4).Achternaam.AsString(), "Laatste");
}

TEST_F(ImportTest, TheCommandAsksAboutTheExistingCandidatesAndPicksTheFile)
{
    const fs::path file = Write("lijst.csv", Header + "\n" + Jansen + "\n");
    auto typeName = [](const fs::path& name) { return ModalAnswer::ChooseFile(QString::fromStdString(name.string())); };
    auto pressOk = [](QWidget* window) {
        QTest::mouseClick(static_cast<TfrmImportCSVTXT*>(window)->btnOk, Qt::LeftButton);
    };

    // An empty list: no question.
    {
        ModalAnswer picker(typeName(file));
        ModalAnswer import(pressOk);
        ImportCSVTXT(nullptr);
        EXPECT_EQ(picker.Seen().className, "QFileDialog");
        EXPECT_EQ(import.Seen().className, "TfrmImportCSVTXT");
        EXPECT_EQ(KandidaatList->Count(), 1);
    }
    // No: the imported candidates follow the existing ones, duplicate numbers included.
    {
        ModalAnswer question(ModalAnswer::ClickButton("Nee"));
        ModalAnswer picker(typeName(file));
        ModalAnswer import(pressOk);
        ImportCSVTXT(nullptr);
        EXPECT_TRUE(question.Seen().labels.contains("Kandidaten inlezen (CSV/TXT)"));
        EXPECT_TRUE(question.Seen().labels.contains("Kandidaten reeds ingevoerd; Wilt u de bestaande kandidaten wissen?"));
        EXPECT_EQ(question.Seen().buttons, (QStringList{"&Ja", "&Nee"}));
        EXPECT_EQ(KandidaatList->Count(), 2);
    }
    // Yes, then the import dialog cancelled: the candidates stay.
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(typeName(file));
        ModalAnswer import(ModalAnswer::ClickButton("Annuleren"));
        ImportCSVTXT(nullptr);
        EXPECT_TRUE(import.Seen().shown);
        EXPECT_EQ(KandidaatList->Count(), 2);
    }
    // Yes and OK: the imported candidate takes the place of the others.
    {
        ModalAnswer question(ModalAnswer::ClickButton("Ja"));
        ModalAnswer picker(typeName(file));
        ModalAnswer import(pressOk);
        ImportCSVTXT(nullptr);
        ASSERT_EQ(KandidaatList->Count(), 1);
        EXPECT_EQ(Kandidaat(0).Achternaam.AsString(), "Jansen");
    }
    // No, then the file dialog cancelled: nothing changes.
    {
        ModalAnswer question(ModalAnswer::ClickButton("Nee"));
        ModalAnswer picker(ModalAnswer::PressKey(Qt::Key_Escape));
        ImportCSVTXT(nullptr);
        EXPECT_TRUE(picker.Seen().shown);
        EXPECT_EQ(KandidaatList->Count(), 1);
    }
    // No, then the import dialog cancelled: nothing is added.
    {
        ModalAnswer question(ModalAnswer::ClickButton("Nee"));
        ModalAnswer picker(typeName(file));
        ModalAnswer import(ModalAnswer::ClickButton("Annuleren"));
        ImportCSVTXT(nullptr);
        EXPECT_TRUE(import.Seen().shown);
        EXPECT_EQ(KandidaatList->Count(), 1);
    }
}

TEST_F(ImportTest, TheFileDialogOffersTextFiles)
{
    Write("a.CSV", "x");
    Write("b.txt", "x");
    Write("c.lst", "x");
    QStringList filters;
    QStringList listed;
    ModalAnswer picker([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        dialog->setDirectory(Dir.path());
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QModelIndex folder = model->index(Dir.path());
        WaitFor([&] { return model->rowCount(folder) >= 2; });
        for (int row = 0; row < model->rowCount(folder); ++row)
            listed << model->index(row, 0, folder).data().toString();
    });
    fs::path chosen;
    EXPECT_FALSE(OpenDialogTXT(nullptr, chosen));
    EXPECT_EQ(filters, QStringList{"Text files (*.TXT *.CSV)"});
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.CSV", "b.txt"})); // without regard to case
}

TEST_F(ImportTest, ImportedCandidatesSurviveSavingAndOpening)
{
    ImportWithOk(Write("a.csv", Header + "\n" + Jansen + "\n2;M\xC3\xBCller;;;;V;;;;\n\n"));
    ASSERT_EQ(KandidaatList->Count(), 3);
    auto partij = std::make_unique<TPartijRecord>();
    partij->Afkorting = "ABC";
    PartijList->Add(std::move(partij));

    const fs::path lst = fs::path(Dir.path().toStdString()) / "lijst.lst";
    WriteLijst(lst, *PartijList, *KandidaatList);
    TPartijList partijen;
    TKandidaatList kandidaten;
    ReadLijst(lst, partijen, kandidaten);
    ASSERT_EQ(kandidaten.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(*kandidaten.Items(i), Kandidaat(i)) << i;
    EXPECT_EQ(kandidaten.Items(1)->Achternaam.AsString(), "M\xFCller");
    EXPECT_EQ(kandidaten.Items(1)->NaamStemapparaat.AsString(), "M\xFCller (v)");
}

TEST_F(ImportTest, ReaderKeepsLinesWholeAcrossItsBufferPieces)
{
    // A CR LF and a two-byte character each split between two 64 KiB pieces of the file.
    std::string first(65535, 'a');
    first.back() = 'b';
    std::string third(65532, 'c');
    const fs::path file = Write("a.txt", first + "\r\nx\n" + third + "\xC3\xA9" + "d\n");
    ASSERT_EQ(fs::file_size(file), 65537u + 2u + 65532u + 3u + 1u);
    TImportEncoding encoding;
    TImportTextFile reader(file, encoding);
    EXPECT_TRUE(reader.Utf8());
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, first);
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "x");
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, third + "\xE9" + "d");
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_FALSE(reader.ReadLine(line));

    // The same file state is not scanned again; a changed one is.
    EXPECT_TRUE(encoding.Known);
    Write("a.txt", "x\xE9\n");
    TImportTextFile changed(file, encoding);
    EXPECT_FALSE(changed.Utf8());
    ASSERT_TRUE(changed.ReadLine(line));
    EXPECT_EQ(line, "x\xE9");
}

TEST_F(ImportTest, AnEmptyFirstLineNamesNoColumns)
{
    std::vector<std::string> lines;
    auto empty = Dialog(Write("empty.csv", ""), lines);
    EXPECT_EQ(empty->ColCount(), 0);
    empty->ImportFile();
    EXPECT_TRUE(lines.empty());

    auto blank = Dialog(Write("blank.csv", "\n1;Jansen\n"), lines);
    EXPECT_EQ(blank->ColCount(), 0);
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    ModalAnswer error(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(blank->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(error.Seen().labels.contains("Fout tijdens importeren: Het bestand is niet te lezen.Lijstindex buiten "
                                             "bereik (0)"))
        << Message(error).toStdString();
}

TEST_F(ImportTest, AReloadThatFailsGoesToTheErrorReportAndTheDialogStays)
{
    const fs::path file = Write("a.csv", Header + "\n" + Jansen + "\n");
    std::vector<std::string> lines;
    auto dialog = Dialog(file, lines);
    bool open = false;
    ModalAnswer change([&](QWidget*) {
        fs::remove(file);
        dialog->cmbSeparator->setCurrentIndex(1);
        open = dialog->isVisible();
    });
    ModalAnswer report(ModalAnswer::PressKey(Qt::Key_Return));
    dialog->ShowModal();
    EXPECT_TRUE(open);
    EXPECT_EQ(report.Seen().className, "QMessageBox");
    EXPECT_TRUE(report.Seen().labels.contains("Kan gekozen bestand niet openen.")) << Message(report).toStdString();
}

TEST_F(ImportTest, TheHourglassShowsFromASuccessfulImportUntilTheDialogCloses)
{
    const fs::path file = Write("a.csv", Header + "\n" + Jansen + "\n");
    std::vector<std::string> lines;
    auto dialog = Dialog(file, lines);
    dialog->ImportFile();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialog->done(TBaseForm::mrOk);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    fs::remove(file);
    EXPECT_THROW(dialog->ImportFile(), Exception);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
