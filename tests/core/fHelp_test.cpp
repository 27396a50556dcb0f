#include "ModalAnswer.h"
#include "fHelp.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

struct Row {
    const char* task;
    const char* menu;
    const char* keys;
};

const Row Rows[] = {
    {"Nieuw bestand maken", "Bestand, Nieuwe zorvandel", "<Ctrl> <N>"},
    {"Opgeslagen bestand openen", "Bestand, Openen zorvandel", "<Ctrl> <O>"},
    {"Inlezen kandidaten (CSV,TXT)", "Bestand, Inlezen kandidaten", "<Ctrl> <I>"},
    {"Partijgegevens wijzigen", "Bestand, Zorvandel gegevens", "<F3>"},
    {"Kandidaat toevoegen", "Bewerken, Toevoegen", "<Ins>"},
    {"Kandidaat wijzigen", "Bewerken, Wijzigen", "<Enter>"},
    {"Kandidaat verwijderen", "Bewerken, Verwijderen", "<Del>"},
    {"Bestand opslaan", "Bestand, Opslaan zorvandel", "<Ctrl> <S>"},
    {"Bestand naar gemeente", "Bestand, Export Quandor", "<F4>"},
    {"Formulieren aanmaken", "Bestand, Formulieren", "<Ctrl> <F>"},
    {"Stoppen/afsluiten", "Bestand, Afsluiten", "<Alt> <F4>"},
};

QLabel* LabelAt(QWidget* panel, int left, int top)
{
    for (QLabel* label : panel->findChildren<QLabel*>())
        if (label->x() == left && label->y() == top)
            return label;
    return nullptr;
}

// The label's whole text fits inside it, so nothing is cut off on screen.
void ExpectFits(const QLabel* label)
{
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().height(), label->height()) << label->text().toStdString();
}

} // namespace

TEST(TfrmHelp, WindowPanelAndHeadings)
{
    TfrmHelp help;
    EXPECT_EQ(help.windowTitle(), "Programma hulp");
    EXPECT_EQ(help.minimumSize(), help.maximumSize()); // a dialog border: no resizing

    auto* panel = help.findChild<QFrame*>("pnlHelp");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(224, 232, 240));

    QLabel* mouse = help.findChild<QLabel*>("lblMetDeMuis");
    QLabel* keyboard = help.findChild<QLabel*>("lblViaHetToetsenbord");
    ASSERT_TRUE(mouse && keyboard);
    EXPECT_EQ(mouse->text(), "Met de muis:");
    EXPECT_EQ(keyboard->text(), "Via het toetsenbord:");
    EXPECT_EQ(mouse->x(), 208);
    EXPECT_EQ(keyboard->x(), 368);
    EXPECT_TRUE(mouse->font().underline());
    EXPECT_TRUE(keyboard->font().underline());
    ExpectFits(mouse);
    ExpectFits(keyboard);

    auto* ok = help.findChild<QPushButton*>("btnOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&Ok");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_GE(ok->y() + ok->parentWidget()->y(), panel->height()); // in the strip below the panel
}

TEST(TfrmHelp, EveryRowExactlyInItsColumns)
{
    TfrmHelp help;
    help.show(); // fonts and geometry as the user sees them
    auto* panel = help.findChild<QFrame*>("pnlHelp");
    ASSERT_NE(panel, nullptr);
    const int headingTop = help.findChild<QLabel*>("lblMetDeMuis")->y();

    int previousTop = headingTop;
    for (const Row& row : Rows) {
        QLabel* task = nullptr;
        for (QLabel* label : panel->findChildren<QLabel*>())
            if (label->text() == row.task)
                task = label;
        ASSERT_NE(task, nullptr) << row.task;
        const int top = task->y();
        EXPECT_GT(top, previousTop) << row.task; // top to bottom in the table's order, below the headings
        EXPECT_EQ(task->x(), 24);
        EXPECT_TRUE(task->font().bold());
        ExpectFits(task);

        QLabel* menu = LabelAt(panel, 208, top);
        QLabel* keys = LabelAt(panel, 368, top);
        ASSERT_TRUE(menu && keys) << row.task;
        EXPECT_EQ(menu->text(), row.menu);
        EXPECT_EQ(keys->text(), row.keys);
        EXPECT_FALSE(menu->font().bold());
        EXPECT_FALSE(keys->font().bold());
        ExpectFits(menu);
        ExpectFits(keys);
        // Columns do not run into each other, and the last row stays inside the panel.
        EXPECT_LE(task->x() + task->width(), menu->x());
        EXPECT_LE(menu->x() + menu->width(), keys->x());
        EXPECT_LE(keys->x() + keys->width(), panel->width());
        EXPECT_LE(top + task->height(), panel->height());
        previousTop = top;
    }
    // Nothing else is written in the table: two headings and three labels a row.
    EXPECT_EQ(panel->findChildren<QLabel*>().size(), 2 + 3 * qsizetype(std::size(Rows)));
}

TEST(TfrmHelp, EnterEscapeAndOkCloseIt)
{
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
        TfrmHelp help;
        bool pressed = false;
        ModalAnswer answer([&](QWidget* window) {
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key(key));
            pressed = !window->isVisible();
        });
        help.exec();
        EXPECT_TRUE(answer.Seen().shown);
        EXPECT_EQ(answer.Seen().caption, "Programma hulp");
        EXPECT_TRUE(pressed) << "key " << key << " left the window open";
    }

    TfrmHelp help;
    ModalAnswer answer(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(help.exec(), QDialog::Accepted);
    EXPECT_TRUE(answer.Seen().shown);
}
