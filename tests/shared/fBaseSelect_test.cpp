#include "fBaseSelect.h"

#include "Database.h"
#include "ErrorOf.h"
#include "HeldComponents.h"
#include "ModalAnswer.h"
#include "uGlobals.h"
#include "ZEBDBSortGrid.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// A list screen over a table of numbered names.
class NameList : public TBaseSelect {
public:
    explicit NameList(int records)
    {
        table.AddField("ID", ftInteger);
        table.AddField("NAAM", ftString, 30);
        table.Open();
        for (int i = 1; i <= records; ++i)
            table.AppendRecord({std::int64_t(i), "Naam " + std::to_string(i)});
    }
    TDataSet table{"namen"};
    std::vector<int> mutations;
    bool filterTakes = true;

    void OpenData() override
    {
        table.Open();
        dsSelect.DataSet = &table;
        dbgridSelect->LoadData(true);
    }
    void Mutate(int Mode) override { mutations.push_back(Mode); }
    void ApplyFilter(bool& Active) override { Active = Active && filterTakes; }
};

// Replaces the base insert handler, as the main window does.
class OwnInsert : public NameList {
public:
    using NameList::NameList;
    int inserts = 0;

protected:
    void acInsertExecute() override { ++inserts; }
};

class ListScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        TDatabase& db = SharedDatabase();
        if (!db.Connected())
            db.Open(":memory:");
        db.ExecSQL("create table if not exists verkiezingen (verk_dt real, verk_status_id integer)");
        db.ExecSQL("delete from verkiezingen");
        VerkiezingsDatum = 0;
        VerkiezingsToestand = 0;
    }

    template <class T = NameList>
    std::unique_ptr<T> Shown(int records)
    {
        auto form = TBaseForm::Create<T>(records);
        form->Initialize();
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return form;
    }
};

} // namespace

TEST(RecordCounterText, CaptionThenRowOfRecords)
{
    EXPECT_EQ(RecordCounterText("", false, 3, 13), " Records (3/12)");
    EXPECT_EQ(RecordCounterText("", true, 1, 2), " Records (0/0)");
    EXPECT_EQ(RecordCounterText("  Kandidaten ", false, 1, 2), " Kandidaten (1/1)");
}

TEST_F(ListScreen, HoldsItsLayoutsComponentsAtEveryLevel)
{
    auto form = TBaseForm::Create<NameList>(0);
    const NameList& f = *form;
    ExpectHeldComponents(f, {HELD(f, pnlToolbar), HELD(f, pnlBody),     HELD(f, sbHelp),      HELD(f, sbExit),
                             HELD(f, acExit),     HELD(f, acHelp),      HELD(f, pnlTitle),    HELD(f, lblGrid),
                             HELD(f, lblFiltered), HELD(f, dbgridSelect), HELD(f, sbFilter),  HELD(f, sbFilterUit),
                             HELD(f, acFilter),   HELD(f, acFilterUit), HELD(f, sbInsert),    HELD(f, sbEdit),
                             HELD(f, sbDelete),   HELD(f, sbRefresh),   HELD(f, sbBekijken),  HELD(f, acInsert),
                             HELD(f, acEdit),     HELD(f, acDelete),    HELD(f, acBijwerken), HELD(f, acBekijken)});
}

TEST_F(ListScreen, LayoutActionsAndHints)
{
    auto form = TBaseForm::Create<NameList>(0);
    EXPECT_EQ(form->size(), QSize(721, 425));
    EXPECT_EQ(form->minimumSize(), QSize(721, 425));
    EXPECT_EQ(form->HelpContext(), 1);
    struct Expected {
        QAction* action;
        const char* text;
        QKeySequence key;
        const char* tip;
    };
    for (const Expected& e : {Expected{form->acInsert, "&Toevoegen", QKeySequence(Qt::Key_Insert), "Voeg een nieuwe record toe"},
                              Expected{form->acEdit, "&Wijzigen", QKeySequence(Qt::Key_Return), "Wijzig geselecteerd record"},
                              Expected{form->acDelete, "&Verwijderen", QKeySequence(Qt::Key_Delete), "Verwijder geselecteerd record"},
                              Expected{form->acBijwerken, "&Bijwerken", QKeySequence(Qt::Key_F5), "Gegevens bijwerken"},
                              Expected{form->acFilter, "&Filter selectie", QKeySequence(Qt::Key_F3), "Filter"},
                              Expected{form->acFilterUit, "Filter &uitzetten", QKeySequence(), "Filter uit"},
                              Expected{form->acExit, "&Sluiten", QKeySequence(Qt::Key_Escape), "Sluiten"}}) {
        EXPECT_EQ(e.action->text(), e.text);
        EXPECT_EQ(e.action->shortcut(), e.key) << e.text;
        EXPECT_EQ(e.action->toolTip(), e.tip) << e.text;
    }
    EXPECT_EQ(form->acFilter->statusTip(), "Filter criteria invoeren");
    EXPECT_EQ(form->acFilterUit->statusTip(), "Zet Filter uit");
    EXPECT_TRUE(form->acEdit->shortcuts().contains(QKeySequence(Qt::Key_Enter)));
    EXPECT_EQ(form->acBekijken->text(), "&Bekijken");
    EXPECT_FALSE(form->acBekijken->isEnabled());
    EXPECT_EQ(form->sbInsert->toolTip(), "Nieuw record toevoegen");
    EXPECT_EQ(form->sbDelete->toolTip(), "Geselecteerde record verwijderen");
    EXPECT_EQ(form->sbEdit->toolTip(), "Wijzig geselecteerd record");
    EXPECT_EQ(form->sbInsert->text(), "&Toevoegen");
    EXPECT_TRUE(form->sbBekijken->isHidden());
    EXPECT_EQ(form->sbBekijken->pos(), form->sbEdit->pos());

    form->Initialize();
    form->show();
    form->resize(1000, 500);
    const QToolButton* order[] = {form->sbInsert, form->sbEdit,    form->sbDelete, form->sbFilter,
                                  form->sbFilterUit, form->sbRefresh, form->sbHelp,  form->sbExit};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(order[i]->x(), 8 + 88 * i);
    for (int i = 5; i < 8; ++i)
        EXPECT_EQ(order[i]->x(), 8 + 88 * i + 1000 - 721) << i;
}

TEST_F(ListScreen, FirstActivationPutsTheCursorHomeAndTheCounterFollowsTheRow)
{
    auto form = Shown(12);
    EXPECT_TRUE(form->Activated);
    EXPECT_EQ(form->dbgridSelect->Row(), 1);
    EXPECT_TRUE(form->dbgridSelect->Focused());
    EXPECT_EQ(form->lblGrid->text(), " Records (1/12)");
    form->dbgridSelect->SetRow(3);
    EXPECT_EQ(form->lblGrid->text(), " Records (3/12)");
    QTest::keyClick(form->dbgridSelect->Grid(), Qt::Key_Down);
    EXPECT_EQ(form->lblGrid->text(), " Records (4/12)");
    form->GridCaption = "Namen";
    form->UpdateRecordCounter();
    EXPECT_EQ(form->lblGrid->text(), " Namen (4/12)");
    EXPECT_TRUE(form->acEdit->isEnabled());
    EXPECT_TRUE(form->acDelete->isEnabled());
    EXPECT_TRUE(form->acBekijken->isEnabled());
}

TEST_F(ListScreen, EmptyListDisablesEditDeleteAndViewButLeavesInsert)
{
    for (bool insert : {true, false}) {
        auto form = TBaseForm::Create<NameList>(0);
        form->acInsert->setEnabled(insert);
        form->Initialize();
        form->EnableDisable();
        EXPECT_EQ(form->lblGrid->text(), " Records (0/0)");
        EXPECT_FALSE(form->acEdit->isEnabled());
        EXPECT_FALSE(form->acDelete->isEnabled());
        EXPECT_FALSE(form->acBekijken->isEnabled());
        EXPECT_FALSE(form->sbEdit->isEnabled());
        EXPECT_EQ(form->acInsert->isEnabled(), insert);
    }
}

TEST_F(ListScreen, RecordKeysGoThroughMutate)
{
    auto form = Shown(2);
    QWidget* grid = form->dbgridSelect->Grid();
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Enter);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(form->mutations, (std::vector<int>{0, 1, 1, 2}));

    // Double click: edit while it is enabled, else view.
    const QPoint cell = form->dbgridSelect->Grid()->visualRect(form->dbgridSelect->Grid()->model()->index(1, 1)).center();
    QTest::mouseDClick(form->dbgridSelect->Grid()->viewport(), Qt::LeftButton, {}, cell);
    form->acEdit->setEnabled(false);
    QTest::mouseDClick(form->dbgridSelect->Grid()->viewport(), Qt::LeftButton, {}, cell);
    form->acBekijken->setEnabled(false);
    QTest::mouseDClick(form->dbgridSelect->Grid()->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(form->mutations, (std::vector<int>{0, 1, 1, 2, 1, 3}));

    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ListScreen, RefreshReopensTheDataKeepingTheRow)
{
    auto form = Shown(3);
    form->dbgridSelect->SetRow(2);
    form->table.AppendRecord({std::int64_t(4), std::string("Naam 4")});
    QTest::keyClick(form->dbgridSelect->Grid(), Qt::Key_F5);
    EXPECT_TRUE(form->table.Active());
    EXPECT_EQ(form->dbgridSelect->RowCount(), 5);
    EXPECT_EQ(form->dbgridSelect->ColumnValue(1), "Naam 2");
    EXPECT_EQ(form->lblGrid->text(), " Records (2/4)");
}

TEST_F(ListScreen, FilterActionsSwitchTheFilterAndItsLabel)
{
    auto form = Shown(3);
    EXPECT_TRUE(form->acFilter->isEnabled());
    EXPECT_FALSE(form->acFilterUit->isEnabled());
    EXPECT_EQ(form->lblFiltered->text(), "");
    QTest::keyClick(form->dbgridSelect->Grid(), Qt::Key_F3);
    EXPECT_TRUE(form->FilterActive);
    EXPECT_EQ(form->lblFiltered->text(), "Filter actief ");
    EXPECT_TRUE(form->acFilterUit->isEnabled());
    QTest::mouseClick(form->sbFilterUit, Qt::LeftButton);
    EXPECT_FALSE(form->FilterActive);
    EXPECT_EQ(form->lblFiltered->text(), "");
    EXPECT_FALSE(form->acFilterUit->isEnabled());

    // A descendant that sets no filter answers false.
    form->filterTakes = false;
    QTest::keyClick(form->dbgridSelect->Grid(), Qt::Key_F3);
    EXPECT_FALSE(form->FilterActive);
    EXPECT_FALSE(form->acFilterUit->isEnabled());

    // Invisible filter actions are not enabled.
    form->acFilter->setVisible(false);
    form->EnableDisable();
    EXPECT_FALSE(form->acFilter->isEnabled());
    EXPECT_TRUE(form->sbFilter->isHidden());
}

TEST_F(ListScreen, EnablingRefreshesTheElectionState)
{
    VerkiezingsDatum = 46331.0;
    SharedDatabase().ExecSQL("insert into verkiezingen values (46331.0, 2)");
    auto form = TBaseForm::Create<NameList>(1);
    form->Initialize();
    form->EnableDisable();
    EXPECT_EQ(VerkiezingsToestand, 2);
}

TEST_F(ListScreen, ADescendantHandlerReplacesTheBaseOne)
{
    auto form = Shown<OwnInsert>(1);
    QTest::keyClick(form->dbgridSelect->Grid(), Qt::Key_Insert);
    QTest::mouseClick(form->sbInsert, Qt::LeftButton);
    EXPECT_EQ(form->inserts, 2);
    EXPECT_TRUE(form->mutations.empty());
}

TEST_F(ListScreen, ForgottenOperationsAndFailuresReachTheErrorReport)
{
    auto form = TBaseForm::Create<TBaseSelect>();
    EXPECT_EQ(ErrorOf([&] { form->Initialize(); }), "Abstracte fout");
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ModalAnswer report(ModalAnswer::ClickButton("OK"));
    QTest::keyClick(form.get(), Qt::Key_Insert);
    EXPECT_TRUE(report.Seen().labels.contains("Abstracte fout"));

    // The election-state query failing: the enabling rule's prefixes stack.
    SharedDatabase().ExecSQL("drop table verkiezingen");
    const std::string error = ErrorOf([&] { form->EnableDisable(); });
    EXPECT_EQ(error.rfind("TBaseSelect.EnableDisable: GetVerkiezingsToestand: ", 0), 0u) << error;
}
