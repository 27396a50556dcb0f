#include "fDirectorySelectie.h"

#include "DirectoryListBox.h"
#include "DriveComboBox.h"
#include "ModalAnswer.h"
#include "ZEBMessages.h"
#include "fDirectoryNieuw.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// A picker shown the way SelecteerDirectory shows it, but without waiting.
std::unique_ptr<TfrmSelecteerDirectory> ShownPicker(const QString& start, bool allowNew)
{
    auto picker = TBaseForm::Create<TfrmSelecteerDirectory>();
    picker->SetAllowNew(allowNew);
    picker->Verbose = false;
    picker->SetDirectory(start);
    picker->Verbose = true;
    picker->Initialize();
    picker->show();
    picker->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(picker.get()));
    return picker;
}

int RowOf(TDirectoryListBox* list, const QString& path)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->ItemPath(row) == path)
            return row;
    return -1;
}

class DirectoryPicker : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir::cleanPath(tmp.path());
        ASSERT_TRUE(QDir().mkpath(root + "/lijsten/oud"));
        ASSERT_TRUE(QDir().mkpath(root + "/lijsten/Nieuw"));
        ASSERT_TRUE(QDir().mkpath(root + "/export"));
    }
    QTemporaryDir tmp;
    QString root;
};

} // namespace

TEST_F(DirectoryPicker, OpensAtTheStartDirectoryAndEnterSelectsTheHighlightedFolder)
{
    QString dir = "unchanged";
    ModalAnswer answer([&](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        EXPECT_EQ(picker->windowTitle(), "Kies een map");
        EXPECT_EQ(picker->lblDirectory->text(), root + "/lijsten");
        EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten");
        // The list holds the chain down to the directory, then its folders.
        const int here = RowOf(picker->dirlbSelect, root + "/lijsten");
        EXPECT_EQ(picker->dirlbSelect->currentRow(), here);
        EXPECT_EQ(picker->dirlbSelect->item(here + 1)->text().trimmed(), "Nieuw");
        EXPECT_EQ(picker->dirlbSelect->item(here + 2)->text().trimmed(), "oud");
        picker->dirlbSelect->setCurrentRow(here + 2);
        QTest::keyClick(picker->dirlbSelect, Qt::Key_Return);
    });
    EXPECT_TRUE(SelecteerDirectory("Kies een map", root + "/lijsten", true, dir));
    EXPECT_EQ(dir, root + "/lijsten/oud");
}

TEST_F(DirectoryPicker, FoldersOfAnyNameAreListedAndChosen)
{
    const QString start = root + QString::fromUtf8("/\xC5\x82ukasz");
    const QString greek = start + QString::fromUtf8("/\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1");
    ASSERT_TRUE(QDir().mkpath(greek));
    QString dir;
    QString label;
    ModalAnswer answer([&](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        label = picker->lblDirectory->text();
        const int row = RowOf(picker->dirlbSelect, greek);
        ASSERT_GE(row, 0);
        picker->dirlbSelect->setCurrentRow(row);
        QTest::keyClick(picker->dirlbSelect, Qt::Key_Return);
    });
    EXPECT_TRUE(SelecteerDirectory("Kies", start, true, dir));
    EXPECT_EQ(label, start);
    EXPECT_EQ(dir, greek);
}

// The arrow keys work at once, and the list shows whether it has the focus.
TEST_F(DirectoryPicker, OpensWithAVisibleFocusOnTheFolderList)
{
    QString dir = "unchanged";
    ModalAnswer answer([&](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        TDirectoryListBox* list = picker->dirlbSelect;
        ASSERT_TRUE(WaitFor([&] { return list->hasFocus(); }));
        // The background of the current line, beside its text.
        const auto currentLine = [list] {
            const QRect line = list->visualItemRect(list->currentItem());
            return list->grab().toImage().pixelColor(list->viewport()->mapTo(list, line.topLeft()) + QPoint(1, line.height() / 2));
        };
        const auto near = [](const QColor& a, const QColor& b) { // the style may shade a fill slightly
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 12;
        };
        const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        EXPECT_TRUE(near(currentLine(), highlight));
        picker->drivecmbSelect->setFocus(Qt::MouseFocusReason);
        ASSERT_FALSE(list->hasFocus());
        EXPECT_FALSE(near(currentLine(), highlight));
        EXPECT_FALSE(near(currentLine(), QApplication::palette().color(QPalette::Active, QPalette::Base))); // still marked
        list->setFocus(Qt::MouseFocusReason);
        EXPECT_TRUE(near(currentLine(), highlight));

        const int here = RowOf(list, root + "/lijsten");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(list->currentRow(), here + 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_TRUE(SelecteerDirectory("Kies een map", root + "/lijsten", true, dir));
    EXPECT_EQ(dir, root + "/lijsten/Nieuw");
}

TEST_F(DirectoryPicker, ClosingWithSluitenReturnsFalseAndLeavesDir)
{
    QString dir = "unchanged";
    ModalAnswer answer([&](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        EXPECT_EQ(PlainText(picker->sbExit->text()), "Sluiten");
        QTest::mouseClick(picker->sbExit, Qt::LeftButton);
    });
    EXPECT_FALSE(SelecteerDirectory("Kies", root, false, dir));
    EXPECT_EQ(dir, "unchanged");
}

TEST_F(DirectoryPicker, DoubleClickOpensAFolderAndTheLabelFollows)
{
    auto picker = ShownPicker(root + "/lijsten", false);
    const int row = RowOf(picker->dirlbSelect, root + "/lijsten/Nieuw");
    ASSERT_GE(row, 0);
    QListWidgetItem* item = picker->dirlbSelect->item(row);
    picker->dirlbSelect->doItemsLayout();
    const QPoint at = picker->dirlbSelect->visualItemRect(item).center();
    QTest::mouseClick(picker->dirlbSelect->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten"); // a click only highlights
    QTest::mouseDClick(picker->dirlbSelect->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten/Nieuw");
    EXPECT_EQ(picker->lblDirectory->text(), root + "/lijsten/Nieuw");
    // Up again through the chain.
    picker->dirlbSelect->setCurrentRow(RowOf(picker->dirlbSelect, root));
    picker->dirlbSelect->OpenCurrent();
    EXPECT_EQ(picker->lblDirectory->text(), root);
}

TEST_F(DirectoryPicker, StartDirectoriesThatCannotBeUsedFallBackToTheHomeDrive)
{
    const QString home = QDir::cleanPath(HomeFolder());
    for (const QString start : {"\\\\server\\share\\map", "//server/share"}) {
        auto picker = ShownPicker(root, false);
        picker->SetDirectory(start);
        EXPECT_EQ(picker->dirlbSelect->Directory(), home) << start.toStdString();
        EXPECT_EQ(picker->drivecmbSelect->Drive(), picker->drivecmbSelect->VolumeOf(home));
    }
    // A folder that does not exist: the home drive too.
    auto picker = ShownPicker(root + "/bestaat-niet", false);
    EXPECT_EQ(picker->dirlbSelect->Directory(), home);
    // No drive part: nothing changes.
    picker->SetDirectory("lijsten");
    EXPECT_EQ(picker->dirlbSelect->Directory(), home);
}

TEST_F(DirectoryPicker, RemovableVolumesFollowTheFloppyRules)
{
    const QString home = QDir::cleanPath(HomeFolder());
    auto picker = TBaseForm::Create<TfrmSelecteerDirectory>();
    const TVolume fixed{"/", "/", false};
    const TVolume stick{root + "/export", "STICK", true}; // no mount point: does not answer
    const TVolume card{"/dev/shm", "CARD", true};          // a mount point: answers
    picker->drivecmbSelect->SetVolumes({fixed, stick});
    picker->SetAllowNew(true);

    // Placed at its start directory: no notice, carries on at the home drive.
    picker->Verbose = false;
    picker->SetDirectory(root + "/export");
    picker->Verbose = true;
    EXPECT_EQ(picker->drivecmbSelect->Drive(), fixed);
    EXPECT_EQ(picker->dirlbSelect->Directory(), home);
    EXPECT_TRUE(picker->acInsert->isEnabled());
    picker->Initialize();
    picker->show();

    // Chosen in the drive box: the notice, then back to the home drive.
    ModalAnswer notice(ModalAnswer::ClickButton("Ok"));
    picker->drivecmbSelect->setCurrentIndex(1);
    EXPECT_TRUE(notice.Seen().shown);
    EXPECT_TRUE(notice.Seen().labels.contains("Schijf STICK: is niet gereed"));
    EXPECT_EQ(picker->drivecmbSelect->Drive(), fixed);
    EXPECT_EQ(picker->dirlbSelect->Directory(), home);

    // A removable volume that answers is used, but takes no new directories.
    picker->drivecmbSelect->SetVolumes({fixed, card});
    picker->SetDrive(card, true);
    EXPECT_EQ(picker->drivecmbSelect->Drive(), card);
    EXPECT_FALSE(picker->acInsert->isEnabled());
    EXPECT_FALSE(picker->sbInsert->isEnabled());
    picker->SetDrive(fixed, true);
    EXPECT_TRUE(picker->acInsert->isEnabled());

    // Without AllowNew the command stays off on every drive.
    picker->SetAllowNew(false);
    picker->SetDrive(fixed, true);
    EXPECT_FALSE(picker->acInsert->isEnabled());
}

TEST_F(DirectoryPicker, NieuwMakesOneLevelAndSelectsIt)
{
    auto picker = ShownPicker(root + "/lijsten", true);
    ModalAnswer name([](QWidget* window) {
        auto* dialog = static_cast<TfrmDirectoryNew*>(window);
        QTest::keyClicks(dialog->edDirectory, "verkiezing 2026");
        QTest::keyClick(dialog->edDirectory, Qt::Key_Return);
    });
    QTest::keyClick(picker.get(), Qt::Key_Insert);
    EXPECT_EQ(name.Seen().caption, "Nieuwe directory");
    EXPECT_TRUE(QFileInfo(root + "/lijsten/verkiezing2026").isDir());
    EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten/verkiezing2026");
    EXPECT_EQ(picker->lblDirectory->text(), root + "/lijsten/verkiezing2026");
}

TEST_F(DirectoryPicker, NieuwReportsAnExistingDirectoryAndAFailure)
{
    auto picker = ShownPicker(root + "/lijsten", true);
    auto typeName = [](const char* text) {
        return [text](QWidget* window) {
            auto* dialog = static_cast<TfrmDirectoryNew*>(window);
            QTest::keyClicks(dialog->edDirectory, text);
            QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        };
    };
    {
        ModalAnswer name(typeName("oud"));
        ModalAnswer notice(ModalAnswer::ClickButton("Ok"));
        QTest::mouseClick(picker->sbInsert, Qt::LeftButton);
        EXPECT_TRUE(notice.Seen().labels.contains("Directory bestaat al"));
        EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten");
    }
    {
        ASSERT_TRUE(WriteFileBytes(root + "/lijsten/bestand"));
        ModalAnswer name(typeName("bestand"));
        ModalAnswer notice(ModalAnswer::ClickButton("Ok"));
        picker->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(picker.get()));
        QTest::keyClick(picker.get(), Qt::Key_Insert);
        EXPECT_TRUE(notice.Seen().labels.contains("Kon directory niet aanmaken"));
        EXPECT_EQ(picker->dirlbSelect->Directory(), root + "/lijsten");
    }
    {
        // Cancelled: nothing made, nothing shown.
        ModalAnswer name(ModalAnswer::PressKey(Qt::Key_Escape));
        picker->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(picker.get()));
        QTest::keyClick(picker.get(), Qt::Key_Insert);
        EXPECT_TRUE(name.Seen().shown);
        EXPECT_EQ(QDir(root + "/lijsten").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 2);
    }
}
