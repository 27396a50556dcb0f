#include "fWordSelectie.h"

#include "DataSet.h"
#include "DualListTesting.h"
#include "ErrorOf.h"
#include "ModalAnswer.h"
#include "ZEBDLB.h"
#include "uZVGlobals.h"

#include <QApplication>
#include <QFrame>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <typeinfo>

namespace {

class Selectie : public ::testing::Test {
protected:
    TZVLists lists;

    void Add(const std::string& nr, const std::string& naam)
    {
        auto record = std::make_unique<TKandidaatRecord>();
        record->KandidaatNr = nr;
        record->NaamStemapparaat = naam;
        KandidaatList->Add(std::move(record));
    }
};

TZEBDualListBox* DualList(QWidget* window)
{
    return window->findChild<TZEBDualListBox*>("dlbSelectie");
}

// Drags the selected items of one list onto the other, with the data the list's drag carries.
void DropOnOtherList(TZEBDualListBox& dlb, TListBoxID from)
{
    std::unique_ptr<QMimeData> data(dlb.ListBox(from)->DragData());
    DragOnto(dlb, from == SOURCE ? DESTINATION : SOURCE, data.get());
}

const std::string Naam30 = "Abcdefghij Klmnopqrst Uvwxyzab"; // 30 characters

} // namespace

TEST(SelectionLine, NumberPaddedToThreeThenTheVotingMachineName)
{
    struct Case {
        const char* nr;
        const char* naam;
        const char* line;
    };
    const Case cases[] = {
        {"7", "Jansen, P. (Piet) (m)", "007=Jansen, P. (Piet) (m)"},
        {"12", "Vries, A. de", "012=Vries, A. de"},
        {"123", "B\xE9la", "123=B\xE9la"},
        {"", "Zonder nummer", "000=Zonder nummer"},
        {"x", "Vrije tekst", "00x=Vrije tekst"},
        {"5", "", "005="},
    };
    for (const Case& c : cases) {
        TKandidaatRecord record;
        record.KandidaatNr = c.nr;
        record.NaamStemapparaat = c.naam;
        EXPECT_EQ(SelectionLine(record), c.line);
    }
}

TEST(SelectionOkAllowed, AtLeastOneChosenWhileCandidatesAreAvailable)
{
    struct Case {
        bool allowEmpty;
        int available, chosen;
        bool allowed;
    };
    const Case cases[] = {
        {false, 3, 0, false}, {false, 3, 1, true}, {false, 0, 3, true},
        {false, 0, 0, true},  {true, 3, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectionOkAllowed(c.allowEmpty, c.available, c.chosen), c.allowed)
            << c.allowEmpty << " " << c.available << " " << c.chosen;
}

TEST_F(Selectie, CandidatesAreChosenInTheOrderTheyAreMoved)
{
    Add("1", "Jansen, P.");
    Add("12", "Vries, A. de");
    Add("7", "Bakker, K.");
    std::vector<std::string> list{"left over"};
    std::vector<std::string> shown;
    ModalAnswer dialog([&](QWidget* window) {
        TZEBDualListBox* dlb = DualList(window);
        ASSERT_TRUE(dlb);
        shown = ItemTexts(dlb->SourceItems());
        ClickItem(dlb->ListBox(SOURCE), 2);
        QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
        ClickItem(dlb->ListBox(SOURCE), 0);
        QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
        QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    EXPECT_TRUE(SelectKandidaten(list));
    EXPECT_EQ(shown, (std::vector<std::string>{"001=Jansen, P.", "012=Vries, A. de", "007=Bakker, K."}));
    EXPECT_EQ(list, (std::vector<std::string>{"007=Bakker, K.", "001=Jansen, P."}));
    EXPECT_EQ(dialog.Seen().caption, "Kandidaat selectie");
    EXPECT_TRUE(dialog.Seen().labels.contains("Beschikbare kandidaten"));
    EXPECT_TRUE(dialog.Seen().labels.contains("Geselecteerde kandidaten"));
    EXPECT_EQ(dialog.Seen().className, "TfrmSelectie");
}

TEST_F(Selectie, OkWithNothingChosenIsRefusedUntilSomethingIs)
{
    Add("1", "Jansen, P.");
    Add("2", "Vries, A. de");
    std::vector<std::string> list{"left over"};
    bool stayed = false;
    SeenWindow message;
    ModalAnswer dialog([&](QWidget* window) {
        {
            ModalAnswer refusal(ModalAnswer::ClickButton("Ok"));
            QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
            message = refusal.Seen();
        }
        stayed = window->isVisible();
        // Esc cancels, also from the list that has the focus.
        ASSERT_TRUE(window->focusWidget());
        QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
    });
    EXPECT_FALSE(SelectKandidaten(list));
    EXPECT_TRUE(list.empty());

    // All moved with the double arrow: OK closes.
    ModalAnswer again([&](QWidget* window) {
        QTest::mouseClick(DualList(window)->Button(3), Qt::LeftButton);
        QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    EXPECT_TRUE(SelectKandidaten(list));
    EXPECT_EQ(list, (std::vector<std::string>{"001=Jansen, P.", "002=Vries, A. de"}));
    EXPECT_TRUE(message.shown);
    EXPECT_EQ(message.labels, (QStringList{"Melding", "U dient minimaal 1 item te selecteren."}));
    EXPECT_TRUE(stayed);
}

TEST_F(Selectie, KeysSelectAndDragAndDropChooses)
{
    Add("1", "A");
    Add("2", "B");
    Add("3", "C");
    Add("3", "c"); // the same line but for case: offered once
    std::vector<std::string> list;
    bool listFocused = false;
    int offered = 0;
    ModalAnswer dialog([&](QWidget* window) {
        TZEBDualListBox* dlb = DualList(window);
        ASSERT_TRUE(dlb);
        offered = dlb->SourceItems().Count();
        listFocused = window->focusWidget() && window->focusWidget()->inherits("TZEBDLBListBox");
        QListWidget* source = dlb->ListBox(SOURCE);
        source->setFocus();
        QTest::keyClick(source, Qt::Key_Home);
        QTest::keyClick(source, Qt::Key_Down);
        QTest::keyClick(source, Qt::Key_Down, Qt::ShiftModifier);
        DropOnOtherList(*dlb, SOURCE);
        // And one back again.
        ClickItem(dlb->ListBox(DESTINATION), 0);
        DropOnOtherList(*dlb, DESTINATION);
        // Alt+O presses OK (a mnemonic press shows the button going down first).
        QTest::keyClick(window->focusWidget(), Qt::Key_O, Qt::AltModifier);
        WaitFor([&] { return !window->isVisible(); });
    });
    EXPECT_TRUE(SelectKandidaten(list));
    EXPECT_EQ(offered, 3);
    EXPECT_EQ(list, std::vector<std::string>{"003=C"});
    EXPECT_TRUE(listFocused) << "the available list has the focus first";
}

TEST_F(Selectie, EnterInEitherListPressesOk)
{
    Add("1", "Jansen, P.");
    Add("2", "Vries, A. de");
    std::vector<std::string> list;
    SeenWindow refusal;
    bool stayed = false;
    ModalAnswer dialog([&](QWidget* window) {
        TZEBDualListBox* dlb = DualList(window);
        QListWidget* source = dlb->ListBox(SOURCE);
        ClickItem(source, 0);
        ASSERT_TRUE(source->hasFocus());
        {
            // Nothing chosen yet: Enter meets OK's refusal.
            ModalAnswer message(ModalAnswer::ClickButton("Ok"));
            QTest::keyClick(source, Qt::Key_Return);
            refusal = message.Seen();
        }
        stayed = window->isVisible();
        QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
        QListWidget* chosen = dlb->ListBox(DESTINATION);
        chosen->setFocus();
        QTest::keyClick(chosen, Qt::Key_Enter); // the keypad's Enter
    });
    EXPECT_TRUE(SelectKandidaten(list));
    EXPECT_TRUE(refusal.shown);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(list, std::vector<std::string>{"001=Jansen, P."});
}

TEST_F(Selectie, WithoutCandidatesOkClosesWithAnEmptySelection)
{
    std::vector<std::string> list{"left over"};
    ModalAnswer dialog(ModalAnswer::ClickButton("OK"));
    EXPECT_TRUE(SelectKandidaten(list));
    EXPECT_TRUE(list.empty());
}

TEST(TfrmSelectie, DialogOfFixedSizeWithTheListsLaidOutForIt)
{
    auto form = TBaseForm::Create<TfrmSelectie>();
    form->Init(true);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->size(), QSize(593, 322));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    // The dual list box fills the top and is laid out for its own width: wider lists than at
    // its design width of 505.
    EXPECT_EQ(form->dlbSelectie->geometry(), QRect(0, 0, 593, 281));
    EXPECT_EQ(form->dlbSelectie->ListBox(DESTINATION)->geometry(), QRect(324, 24, 261, 249));
    EXPECT_EQ(form->Panel2->geometry().top(), form->dlbSelectie->geometry().bottom() + 1);
    EXPECT_EQ(form->Panel2->geometry().bottom(), form->rect().bottom());
    EXPECT_EQ(PlainText(form->btnOk->text()), "OK");
    EXPECT_EQ(PlainText(form->btnAnnuleren->text()), "Annuleren");
    // With AllowEmpty OK closes although nothing is chosen.
    form->dlbSelectie->AddItem(SOURCE, "001=A");
    QTest::mouseClick(form->btnOk, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->ModalResult(), TBaseForm::mrOk);
}

TEST(KandidatenToDataset, OneRecordPerLine)
{
    TDataSet table;
    KandidatenToDataset(table, {"007=Bakker, K.", "012=Vries=de Vries", "1=" + Naam30});
    ASSERT_EQ(table.FieldCount(), 2);
    EXPECT_EQ(table.Fields(0).FieldName(), "kand_nr");
    EXPECT_EQ(table.Fields(0).DataType(), ftInteger);
    EXPECT_EQ(table.Fields(1).FieldName(), "naamkand");
    EXPECT_EQ(table.Fields(1).DataType(), ftString);
    EXPECT_EQ(table.Fields(1).Size(), 20);
    EXPECT_EQ(table.Fields(1).DisplayWidth(), 20);
    ASSERT_TRUE(table.Active());
    ASSERT_EQ(table.RecordCount(), 3);
    std::vector<std::pair<std::string, std::string>> records;
    for (table.First(); !table.Eof(); table.Next())
        records.emplace_back(table.FieldByName("kand_nr").AsString(), table.FieldByName("naamkand").AsString());
    EXPECT_EQ(records, (std::vector<std::pair<std::string, std::string>>{
                           {"7", "Bakker, K."}, {"12", "Vries=de Vries"}, {"1", Naam30.substr(0, 20)}}));

    // A later call reuses the table and replaces its records.
    table.Close();
    KandidatenToDataset(table, {"003=C"});
    EXPECT_EQ(table.FieldCount(), 2);
    ASSERT_EQ(table.RecordCount(), 1);
    table.First();
    EXPECT_EQ(table.FieldByName("kand_nr").AsFloat(), 3);
    KandidatenToDataset(table, {});
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof());
}

TEST(KandidatenToDataset, ANumberThatIsNoIntegerFailsAsAPlainException)
{
    struct Case {
        std::vector<std::string> list;
        std::string message;
    };
    const Case cases[] = {
        {{"001=A", "abc=Vrije tekst"}, "KandidatenToDataset: 'abc' is not a valid integer value"},
        {{"zonder is-teken"}, "KandidatenToDataset: '' is not a valid integer value"},
        {{"=Naam"}, "KandidatenToDataset: '' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        TDataSet table;
        try {
            KandidatenToDataset(table, c.list);
            ADD_FAILURE() << "no failure for " << c.message;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.message);
            EXPECT_EQ(typeid(e), typeid(Exception)) << "not kept as a conversion error";
        }
    }
}
