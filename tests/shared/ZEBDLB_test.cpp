#include "ZEBDLB.h"

#include "DualListTesting.h"
#include "Exceptions.h"

#include <QApplication>
#include <QDrag>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Buttons 1 to 4 enabled?
std::array<bool, 4> ButtonStates(const TZEBDualListBox& dlb)
{
    return {dlb.Button(1)->isEnabled(), dlb.Button(2)->isEnabled(), dlb.Button(3)->isEnabled(),
            dlb.Button(4)->isEnabled()};
}

constexpr std::array<bool, 4> None{false, false, false, false};
constexpr std::array<bool, 4> ToDestination{true, false, true, false};
constexpr std::array<bool, 4> ToSource{false, true, false, true};
constexpr std::array<bool, 4> All{true, true, true, true};

std::unique_ptr<TZEBDualListBox> Shown(const std::vector<std::string>& source)
{
    auto dlb = std::make_unique<TZEBDualListBox>();
    for (const std::string& text : source)
        dlb->AddItem(SOURCE, text);
    dlb->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlb.get()));
    return dlb;
}

constexpr std::array<bool, 3> Taken{true, true, true};
constexpr std::array<bool, 3> Refused{false, false, false};

} // namespace

// ---- The rules, without a window

TEST(DualListLayout, ListsAndLabelsFollowThePanelWidth)
{
    struct Case {
        int width;
        TListBoxID left;
        int leftOfLeftList, leftOfRightList, listWidth;
    };
    const Case cases[] = {
        {505, SOURCE, 8, 280, 217},
        {593, SOURCE, 8, 324, 261},
        {593, DESTINATION, 8, 324, 261},
        {504, SOURCE, 8, 280, 217}, // half a pixel less is truncated towards zero, not down
        {506, SOURCE, 8, 280, 217},
        {400, DESTINATION, 8, 228, 165}, // narrower than designed
    };
    for (const Case& c : cases) {
        const TDualListLayout layout = DualListLayout(c.width, c.left, 23, 22);
        const TListBoxID right = c.left == SOURCE ? DESTINATION : SOURCE;
        SCOPED_TRACE(c.width);
        EXPECT_EQ(layout.Lists[c.left], (TDLBBounds{c.leftOfLeftList, 24, c.listWidth, 249}));
        EXPECT_EQ(layout.Lists[right], (TDLBBounds{c.leftOfRightList, 24, c.listWidth, 249}));
        for (TListBoxID id : {SOURCE, DESTINATION})
            EXPECT_EQ(layout.Labels[id], (TDLBBounds{layout.Lists[id].Left, 8, c.listWidth, 13}));
    }
}

TEST(DualListLayout, ArrowsPointFromTheGivingListToTheReceivingOne)
{
    for (TListBoxID left : {SOURCE, DESTINATION}) {
        for (int width : {505, 593, 594}) {
            const TDualListLayout layout = DualListLayout(width, left, 25, 22);
            std::array<int, 4> byTop{};
            for (int b = 0; b < 4; ++b) {
                EXPECT_EQ(layout.Buttons[b].Left, (width - 25) / 2);
                EXPECT_EQ(layout.Buttons[b].Width, 25);
                EXPECT_EQ(layout.Buttons[b].Height, 22);
                // Buttons 1 and 3 give from the source, 2 and 4 from the destination; 3 and 4 move all.
                const TListBoxID giver = b % 2 == 0 ? SOURCE : DESTINATION;
                const bool towardsRight = giver == left;
                const bool all = b >= 2;
                const TDLBArrow expected = all ? (towardsRight ? arDoubleRight : arDoubleLeft)
                                               : (towardsRight ? arRight : arLeft);
                EXPECT_EQ(layout.Arrows[b], expected) << "button " << b + 1 << " left " << left;
                byTop[b] = layout.Buttons[b].Top;
            }
            // From top to bottom: single left, single right, double left, double right.
            const std::array<int, 4> tops{48, 107, 165, 224};
            const std::array<TDLBArrow, 4> order{arLeft, arRight, arDoubleLeft, arDoubleRight};
            for (int row = 0; row < 4; ++row)
                for (int b = 0; b < 4; ++b)
                    if (layout.Arrows[b] == order[row]) {
                        EXPECT_EQ(byTop[b], tops[row]);
                    }
        }
    }
}

TEST(DualListButtonStates, ButtonsHaveSomethingToMove)
{
    struct Case {
        int source, destination;
        std::array<bool, 4> states;
    };
    const Case cases[] = {{0, 0, None}, {1, 0, ToDestination}, {0, 1, ToSource}, {3, 2, All}};
    for (const Case& c : cases)
        EXPECT_EQ(DualListButtonStates(c.source, c.destination), c.states) << c.source << "/" << c.destination;
}

TEST(SameItemText, LetterCaseIgnoredAndNothingElse)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"001=Jansen", "001=JANSEN", true},
        {"\xC9tienne", "\xE9TIENNE", true}, // accented letters in Windows-1252
        {"IJsselmeer", "ijsselmeer", true},
        {"", "", true},
        {"Jan", "Jan ", false},
        {"Jan", "Jon", false},
        {"\xE9", "e", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameItemText(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(DragOnMouseMove, OnlyTheLeftButtonWithoutShiftDragsAfterTheDistance)
{
    struct Case {
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        int distance;
        TDLBMouseMove result;
    };
    const Case cases[] = {
        {Qt::LeftButton, Qt::NoModifier, 9, mmDragWaits},
        {Qt::LeftButton, Qt::NoModifier, 10, mmDragStarts},
        {Qt::LeftButton, Qt::ControlModifier, 30, mmDragStarts},
        {Qt::LeftButton, Qt::ShiftModifier, 30, mmListOwn},
        {Qt::LeftButton | Qt::RightButton, Qt::NoModifier, 30, mmListOwn},
        {Qt::RightButton, Qt::NoModifier, 30, mmListOwn},
        {Qt::NoButton, Qt::NoModifier, 30, mmListOwn},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragOnMouseMove(c.buttons, c.modifiers, c.distance, 10), c.result) << c.distance;
}

TEST(DualListArrows, OwnPicturesPointTheirWay)
{
    TZEBDualListBox dlb; // registers the resources
    for (TDLBArrow arrow : {arLeft, arRight, arDoubleLeft, arDoubleRight}) {
        const QImage image(ArrowResource(arrow));
        ASSERT_FALSE(image.isNull()) << arrow;
        // An arrow is tall at its back and narrows to its tip.
        const auto columnHeight = [&](int x) {
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                n += qAlpha(image.pixel(x, y)) > 0;
            return n;
        };
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x)
            if (columnHeight(x) > 0) {
                if (first < 0)
                    first = x;
                last = x;
            }
        const bool pointsLeft = arrow == arLeft || arrow == arDoubleLeft;
        EXPECT_LT(columnHeight(pointsLeft ? first : last), columnHeight(pointsLeft ? last : first)) << arrow;
        // Towards the tip the columns only get shorter, except where the second head begins.
        int secondHeads = 0;
        for (int x = first + 1; x <= last; ++x)
            secondHeads += pointsLeft ? columnHeight(x) < columnHeight(x - 1) : columnHeight(x) > columnHeight(x - 1);
        EXPECT_EQ(secondHeads, arrow == arDoubleLeft || arrow == arDoubleRight ? 1 : 0) << arrow;
    }
}

// ---- The control

TEST(TZEBDualListBox, StartsAsDesigned)
{
    TZEBDualListBox dlb;
    EXPECT_EQ(dlb.size(), QSize(505, 281));
    EXPECT_EQ(dlb.LeftListBox(), SOURCE);
    EXPECT_FALSE(dlb.Sorted());
    EXPECT_TRUE(dlb.MultiSelect());
    EXPECT_TRUE(dlb.Enabled());
    EXPECT_EQ(dlb.CaptionSource(), "Nog te selecteren:");
    EXPECT_EQ(dlb.CaptionDestination(), "Bevat:");
    EXPECT_EQ(dlb.Label(SOURCE)->text(), "Nog te selecteren:");
    EXPECT_EQ(dlb.Label(DESTINATION)->text(), "Bevat:");
    EXPECT_EQ(dlb.ListBox(SOURCE)->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(ButtonStates(dlb), None);
    EXPECT_EQ(dlb.ListBox(SOURCE)->geometry(), QRect(8, 24, 217, 249));
    EXPECT_EQ(dlb.Label(DESTINATION)->geometry(), QRect(280, 8, 217, 13));
    for (int b = 1; b <= 4; ++b)
        EXPECT_FALSE(dlb.Button(b)->icon().isNull()) << b;
}

TEST(TZEBDualListBox, AddItemRefusesATextTheListHoldsWhateverItsCase)
{
    TZEBDualListBox dlb;
    dlb.AddItem(SOURCE, "001=Jansen");
    EXPECT_EQ(ButtonStates(dlb), ToDestination);
    dlb.AddItem(SOURCE, "001=JANSEN");
    dlb.AddItem(SOURCE, "002=\xC9tienne");
    dlb.AddItem(SOURCE, "002=\xE9TIENNE");
    EXPECT_EQ(ItemTexts(dlb.SourceItems()), (std::vector<std::string>{"001=Jansen", "002=\xC9tienne"}));
    EXPECT_TRUE(dlb.Exists(SOURCE, "001=jansen"));
    EXPECT_FALSE(dlb.Exists(DESTINATION, "001=Jansen"));
    // The other list may hold the same text.
    dlb.AddItem(DESTINATION, "001=jansen");
    EXPECT_EQ(dlb.DestinationItems().Count(), 1);
    EXPECT_EQ(ButtonStates(dlb), All);
    dlb.DeleteItem(SOURCE, 0);
    dlb.DeleteItem(SOURCE, 0);
    EXPECT_EQ(ButtonStates(dlb), ToSource);
    EXPECT_THROW(dlb.DeleteItem(SOURCE, 0), Exception);
}

TEST(TZEBDualListBox, MovingAllKeepsOneOfTextsThatDifferOnlyInCase)
{
    TZEBDualListBox dlb;
    // Filled past AddItem, as a caller may fill the items directly.
    for (const char* text : {"Jan", "Piet", "jan", "Jan", "PIET"})
        dlb.SourceItems().Add(text);
    dlb.MoveAllToDestination();
    EXPECT_EQ(ItemTexts(dlb.DestinationItems()), (std::vector<std::string>{"Jan", "Piet"}));
    EXPECT_EQ(dlb.SourceItems().Count(), 0);
    EXPECT_EQ(ButtonStates(dlb), ToSource);
    dlb.MoveAllToSource();
    EXPECT_EQ(ItemTexts(dlb.SourceItems()), (std::vector<std::string>{"Jan", "Piet"}));
    EXPECT_EQ(ButtonStates(dlb), ToDestination);
}

TEST(TZEBDualListBox, ObjectsTravelWithTheirTexts)
{
    TZEBDualListBox dlb;
    int jan = 1, piet = 2;
    dlb.AddItem(SOURCE, "Jan", &jan);
    dlb.AddItem(SOURCE, "Kees");
    dlb.AddItem(SOURCE, "Piet", &piet);
    dlb.MoveAllToDestination();
    dlb.ListBox(DESTINATION)->item(0)->setSelected(true);
    dlb.ListBox(DESTINATION)->item(1)->setSelected(true);
    dlb.MoveSelectedToSource();
    ASSERT_EQ(ItemTexts(dlb.SourceItems()), (std::vector<std::string>{"Jan", "Kees"}));
    EXPECT_EQ(dlb.SourceItems().Objects(0), &jan);
    EXPECT_EQ(dlb.SourceItems().Objects(1), nullptr);
    ASSERT_EQ(ItemTexts(dlb.DestinationItems()), std::vector<std::string>{"Piet"});
    EXPECT_EQ(dlb.DestinationItems().Objects(0), &piet);
}

TEST(TZEBDualListBox, ButtonsMoveTheSelectedItemsInTheirOrder)
{
    auto dlb = Shown({"A", "B", "C", "D", "E"});
    QListWidget* source = dlb->ListBox(SOURCE);
    ClickItem(source, 1);
    ClickItem(source, 2, Qt::ControlModifier);
    ClickItem(source, 4, Qt::ControlModifier);
    QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
    EXPECT_EQ(ItemTexts(dlb->SourceItems()), (std::vector<std::string>{"A", "D"}));
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), (std::vector<std::string>{"B", "C", "E"}));

    ClickItem(dlb->ListBox(DESTINATION), 1);
    QTest::mouseClick(dlb->Button(2), Qt::LeftButton);
    EXPECT_EQ(ItemTexts(dlb->SourceItems()), (std::vector<std::string>{"A", "D", "C"}));
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), (std::vector<std::string>{"B", "E"}));

    // With nothing selected the single arrow moves nothing; the double ones move everything.
    QTest::mouseClick(dlb->Button(1), Qt::LeftButton);
    EXPECT_EQ(dlb->SourceItems().Count(), 3);
    QTest::mouseClick(dlb->Button(3), Qt::LeftButton);
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), (std::vector<std::string>{"B", "E", "A", "D", "C"}));
    EXPECT_EQ(ButtonStates(*dlb), ToSource);
    QTest::mouseClick(dlb->Button(4), Qt::LeftButton);
    EXPECT_EQ(dlb->DestinationItems().Count(), 0);
    EXPECT_EQ(ButtonStates(*dlb), ToDestination);
}

TEST(TZEBDualListBox, WithTheDestinationOnTheLeftTheTopArrowChoosesTheSelected)
{
    auto dlb = Shown({"A", "B"});
    dlb->SetLeftListBox(DESTINATION);
    EXPECT_EQ(dlb->ListBox(DESTINATION)->x(), 8);
    EXPECT_EQ(dlb->Label(DESTINATION)->x(), 8);
    EXPECT_EQ(dlb->ListBox(SOURCE)->x(), 280);
    // Laid out anew: disabled until the next change of the lists.
    EXPECT_EQ(ButtonStates(*dlb), None);
    QToolButton* top = nullptr;
    for (int b = 1; b <= 4; ++b)
        if (!top || dlb->Button(b)->y() < top->y())
            top = dlb->Button(b);
    EXPECT_EQ(top, dlb->Button(1));
    ClickItem(dlb->ListBox(SOURCE), 1);
    dlb->AddItem(SOURCE, "C"); // updates the buttons
    QTest::mouseClick(top, Qt::LeftButton);
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), std::vector<std::string>{"B"});
}

TEST(TZEBDualListBox, DisablingDisablesTheButtonsAndTheLists)
{
    auto dlb = Shown({"A"});
    dlb->AddItem(DESTINATION, "B");
    dlb->SetEnabled(false);
    EXPECT_EQ(ButtonStates(*dlb), None);
    EXPECT_FALSE(dlb->ListBox(SOURCE)->isEnabled());
    EXPECT_FALSE(dlb->ListBox(DESTINATION)->isEnabled());
    QTest::mouseClick(dlb->Button(3), Qt::LeftButton);
    EXPECT_EQ(dlb->SourceItems().Count(), 1);
    dlb->SetEnabled(true);
    EXPECT_EQ(ButtonStates(*dlb), All);
    EXPECT_TRUE(dlb->ListBox(SOURCE)->isEnabled());
}

TEST(TZEBDualListBox, AResizeLaysOutAndLeavesTheButtonsDisabledUntilTheNextChange)
{
    auto dlb = Shown({"A", "B"});
    ASSERT_EQ(ButtonStates(*dlb), ToDestination);
    dlb->resize(593, 400);
    EXPECT_EQ(dlb->ListBox(SOURCE)->geometry(), QRect(8, 24, 261, 249));
    EXPECT_EQ(dlb->ListBox(DESTINATION)->geometry(), QRect(324, 24, 261, 249));
    EXPECT_EQ(dlb->Button(1)->x(), (593 - dlb->Button(1)->width()) / 2);
    EXPECT_EQ(ButtonStates(*dlb), None);
    dlb->DeleteItem(SOURCE, 0);
    EXPECT_EQ(ButtonStates(*dlb), ToDestination);
}

TEST(TZEBDualListBox, APanelSizedWhileHiddenShowsWithItsButtonsUsable)
{
    // As a window's layout does: sized before it is shown, filled, then shown.
    TZEBDualListBox dlb;
    dlb.resize(593, 281);
    dlb.AddItem(SOURCE, "A");
    dlb.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlb));
    EXPECT_EQ(dlb.ListBox(DESTINATION)->geometry(), QRect(324, 24, 261, 249));
    EXPECT_EQ(ButtonStates(dlb), ToDestination);
}

TEST(TZEBDualListBox, SettersReachBothListsAndLabels)
{
    TZEBDualListBox dlb;
    dlb.SetSorted(true);
    for (const char* text : {"Piet", "jan", "Anna"})
        dlb.AddItem(SOURCE, text);
    EXPECT_EQ(ItemTexts(dlb.SourceItems()), (std::vector<std::string>{"Anna", "jan", "Piet"}));
    dlb.MoveAllToDestination();
    EXPECT_EQ(ItemTexts(dlb.DestinationItems()), (std::vector<std::string>{"Anna", "jan", "Piet"}));
    dlb.SetMultiSelect(false);
    EXPECT_EQ(dlb.ListBox(DESTINATION)->selectionMode(), QAbstractItemView::SingleSelection);

    TFont font;
    font.SetSize(14);
    font.SetBold(true);
    dlb.SetListBoxFont(font);
    EXPECT_EQ(dlb.ListBox(SOURCE)->font().pointSize(), 14);
    EXPECT_TRUE(dlb.ListBox(DESTINATION)->font().bold());
    EXPECT_NE(dlb.Label(SOURCE)->font().pointSize(), 14);
    // Painting brings the fonts back when something else changed them.
    dlb.Label(DESTINATION)->setFont(QFont(dlb.Label(DESTINATION)->font().family(), 20));
    dlb.ListBox(SOURCE)->setFont(QFont(dlb.ListBox(SOURCE)->font().family(), 20));
    (void)dlb.grab();
    EXPECT_EQ(dlb.ListBox(SOURCE)->font().pointSize(), 14);
    EXPECT_EQ(dlb.Label(DESTINATION)->font().pointSize(), dlb.CaptionFont().Size());
}

// A drag with the mouse: pressing on an item and moving past the system's drag distance starts a
// real QDrag with the selected texts.  The offscreen platform ends every QDrag at once, so the
// drop side is driven with the drag, enter, move and drop events the platform would deliver,
// carrying the data the real drag made.
TEST(TZEBDualListBox, DraggingWithTheMouseStartsADragOfTheSelectedItems)
{
    auto dlb = Shown({"Jan", "Piet", "Kees"});
    QListWidget* source = dlb->ListBox(SOURCE);
    const QPoint start = ItemCentre(source, 1);
    QTest::mousePress(source->viewport(), Qt::LeftButton, {}, start);
    const int distance = QApplication::startDragDistance();
    QTest::mouseMove(source->viewport(), start + QPoint(distance - 1, 0));
    EXPECT_TRUE(source->findChildren<QDrag*>().isEmpty()) << "not yet: within the drag distance";
    QTest::mouseMove(source->viewport(), start + QPoint(distance, 0));
    const QList<QDrag*> drags = source->findChildren<QDrag*>();
    ASSERT_EQ(drags.size(), 1);
    const QMimeData* data = drags.front()->mimeData();
    ASSERT_TRUE(data->hasFormat(DLBMimeType));
    EXPECT_EQ(TZEBDLBListBox::DragSourceOf(data), static_cast<TZEBDLBListBox*>(source)->DragSourceId());
    EXPECT_TRUE(data->data(DLBMimeType).endsWith("\nPiet\n"));
    QTest::mouseRelease(source->viewport(), Qt::LeftButton, {}, start + QPoint(distance, 0));
    // Only the pressed item was selected while dragging.
    EXPECT_EQ(source->selectedItems().size(), 1);

    // With Shift the move extends the selection instead.
    QTest::qWait(1);
    const int before = int(source->findChildren<QDrag*>().size());
    QTest::mousePress(source->viewport(), Qt::LeftButton, Qt::ShiftModifier, ItemCentre(source, 1));
    QTest::mouseEvent(QTest::MouseMove, source->viewport(), Qt::NoButton, Qt::ShiftModifier, ItemCentre(source, 2));
    EXPECT_EQ(int(source->findChildren<QDrag*>().size()), before);
    EXPECT_EQ(source->selectedItems().size(), 2);
    QTest::mouseRelease(source->viewport(), Qt::LeftButton, Qt::ShiftModifier, ItemCentre(source, 2));
}

TEST(TZEBDualListBox, DroppingOnTheOtherListMovesTheSelectedItems)
{
    auto dlb = Shown({"Jan", "Piet", "Kees"});
    auto* source = dlb->ListBox(SOURCE);
    auto* destination = dlb->ListBox(DESTINATION);
    ClickItem(source, 0);
    ClickItem(source, 2, Qt::ControlModifier);
    std::unique_ptr<QMimeData> data(source->DragData());
    EXPECT_EQ(DragOnto(*dlb, DESTINATION, data.get()), Taken);
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), (std::vector<std::string>{"Jan", "Kees"}));
    EXPECT_EQ(ItemTexts(dlb->SourceItems()), std::vector<std::string>{"Piet"});
    EXPECT_EQ(ButtonStates(*dlb), All);

    // And back: a drag from the destination dropped on the source.
    ClickItem(destination, 1);
    std::unique_ptr<QMimeData> back(destination->DragData());
    EXPECT_EQ(DragOnto(*dlb, SOURCE, back.get()), Taken);
    EXPECT_EQ(ItemTexts(dlb->SourceItems()), (std::vector<std::string>{"Piet", "Kees"}));
}

TEST(TZEBDualListBox, AListRefusesDragsFromItselfAndFromElsewhere)
{
    auto dlb = Shown({"Jan", "Piet"});
    TZEBDualListBox other;
    other.AddItem(SOURCE, "Kees");
    ClickItem(dlb->ListBox(SOURCE), 0);
    other.ListBox(SOURCE)->item(0)->setSelected(true);
    dlb->AddItem(DESTINATION, "Anna");
    dlb->ListBox(DESTINATION)->item(0)->setSelected(true);

    std::unique_ptr<QMimeData> own(dlb->ListBox(SOURCE)->DragData());
    std::unique_ptr<QMimeData> foreign(other.ListBox(SOURCE)->DragData());
    auto text = std::make_unique<QMimeData>();
    text->setText("Jan");
    struct Case {
        const char* what;
        TListBoxID target;
        QMimeData* data;
    };
    const Case cases[] = {
        {"onto the list it came from", SOURCE, own.get()},
        {"from another dual list box", DESTINATION, foreign.get()},
        {"plain text", DESTINATION, text.get()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragOnto(*dlb, c.target, c.data), Refused) << c.what;
    EXPECT_EQ(ItemTexts(dlb->SourceItems()), (std::vector<std::string>{"Jan", "Piet"}));
    EXPECT_EQ(ItemTexts(dlb->DestinationItems()), std::vector<std::string>{"Anna"});
    EXPECT_EQ(other.SourceItems().Count(), 1);
}
