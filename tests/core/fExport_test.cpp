#include "fExport.h"

#include "DirectoryListBox.h"
#include "KeyInput.h"
#include "ModalAnswer.h"
#include "Volumes.h"
#include "ZEBComp.h"
#include "ZEBMessages.h"
#include "fDirectorySelectie.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const QString kCaption = "Aanmaken exportbestand voor Quandor";

class ExportDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir::cleanPath(tmp.path());
        ASSERT_TRUE(QDir().mkpath(root + "/home/export"));
        ASSERT_TRUE(QDir().mkpath(root + "/lijsten"));
        // The home folder stands in for drive C.
        oldHome = qgetenv("HOME");
        qputenv("HOME", (root + "/home").toLocal8Bit());
    }
    void TearDown() override { qputenv("HOME", oldHome); }

    static std::unique_ptr<TfrmExport> Open()
    {
        auto dialog = TBaseForm::Create<TfrmExport>();
        dialog->Initialize();
        return dialog;
    }
    // Waits until the dialog was activated and shows its default directory.
    static bool Ready(TfrmExport* dialog)
    {
        return WaitFor([dialog] { return dialog->isActiveWindow() && !dialog->edDirectory->text().isEmpty(); });
    }
    static void Retype(TfrmExport* dialog, const QString& text)
    {
        dialog->edDirectory->clear();
        TypeCharacters(dialog->edDirectory, text);
    }
    // Brings the dialog back to the front, as the window manager does when a box inside it closes.
    static void Reactivate(TfrmExport* dialog)
    {
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
    }

    QTemporaryDir tmp;
    QString root;
    QByteArray oldHome;
};

} // namespace

TEST(ExportFilePath, TheAbbreviationMustBeOneFileNameInTheFolder)
{
    const struct {
        std::string afkorting;
        std::optional<QString> path;
    } cases[] = {
        {"ABC", "/media/stick/ABC.LST"},
        {"", "/media/stick/.LST"},
        {"\xC9\xE9N", QString::fromUtf8("/media/stick/\xC3\x89\xC3\xA9N.LST")}, // record text, Windows-1252
        {"A\\B", "/media/stick/A\\B.LST"},
        {"../X", std::nullopt},
        {"/", std::nullopt},
        {std::string("AB\0CD", 5), std::nullopt},
        {std::string(1, '\0'), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExportFilePath("/media/stick", c.afkorting), c.path) << c.afkorting;
    const QString home = QString::fromUtf8("/home/\xC5\x82ukasz/"); // a folder outside Windows-1252
    EXPECT_EQ(ExportFilePath(home, "ABC"), home + "ABC.LST");
}

TEST(IncludeBackslash, AppendsTheSeparatorOnlyWhereMissing)
{
    EXPECT_EQ(IncludeBackslash(""), "");
    EXPECT_EQ(IncludeBackslash("/"), "/");
    EXPECT_EQ(IncludeBackslash("/media/stick"), "/media/stick/");
    EXPECT_EQ(IncludeBackslash("/media/stick/"), "/media/stick/");
    EXPECT_EQ(IncludeBackslash("C:\\lijsten"), "C:\\lijsten/") << "a backslash is part of a Linux file name";
}

TEST_F(ExportDialog, LayoutAndTheDefaultDirectory)
{
    auto dialog = TBaseForm::Create<TfrmExport>();
    EXPECT_EQ(dialog->windowTitle(), kCaption);
    const QLabel* label = dialog->findChild<QLabel*>("Label1");
    EXPECT_EQ(label->text(), "Geef locatie voor exportbestand");
    EXPECT_GE(dialog->edDirectory->x() - label->x(), label->sizeHint().width()) << "the label fits before the edit";
    dialog->Initialize();
    EXPECT_TRUE(dialog->btnSelDir->text().isEmpty()) << "the folder button shows its glyph only";
    EXPECT_FALSE(dialog->btnSelDir->icon().isNull());

    // The first removable volume, else the home folder, with a closing separator.
    const std::vector<TVolume> volumes = MountedVolumes();
    const bool removable = std::any_of(volumes.begin(), volumes.end(), [](const TVolume& v) { return v.Removable; });
    const QString expected = removable ? DefaultExportFolder() + "/" : root + "/home/";
    QString shown;
    ModalAnswer answer([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        shown = dialog->edDirectory->text();
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    EXPECT_EQ(shown, QDir::cleanPath(expected) + (expected == "/" ? "" : "/"));
    EXPECT_EQ(dialog->Directory, shown);
}

TEST_F(ExportDialog, AnExistingTypedDirectoryIsAcceptedAsTyped)
{
    auto dialog = Open();
    ModalAnswer answer([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), root + "/lijsten");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ModalAnswer question(ModalAnswer::ClickButton("Nee"));
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    EXPECT_FALSE(question.Seen().shown) << "no question for an existing directory";
    EXPECT_EQ(dialog->Directory, root + "/lijsten");
}

TEST_F(ExportDialog, AMissingDirectoryIsMadeOnlyAfterYes)
{
    MessageTeksten.Application = "Zorvandel 4.0";
    const QString name = root + "/lijsten/gemeente";
    auto dialog = Open();
    bool openAfterNo = false;
    QString textAfterNo;
    bool madeAfterNo = true;
    ModalAnswer answer([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), name);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton); // answered No
        openAfterNo = window->isVisible();
        madeAfterNo = QDir(name).exists();
        Reactivate(dialog.get()); // coming back from the question keeps the typed text
        textAfterNo = dialog->edDirectory->text();
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton); // answered Yes
    });
    ModalAnswer no(ModalAnswer::ClickButton("Nee"));
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);

    EXPECT_TRUE(openAfterNo);
    EXPECT_FALSE(madeAfterNo);
    EXPECT_EQ(textAfterNo, name);
    EXPECT_EQ(no.Seen().caption, "Zorvandel 4.0");
    EXPECT_TRUE(no.Seen().labels.contains("Directory " + name + " bestaat niet")) << no.Seen().labels.join('|').toStdString();
    EXPECT_TRUE(no.Seen().labels.contains("Directory aanmaken?"));
    EXPECT_EQ(no.Seen().buttons, QStringList({"&Ja", "&Nee"}));
    EXPECT_TRUE(yes.Seen().shown);
    EXPECT_TRUE(QDir(name).exists());
    EXPECT_EQ(dialog->Directory, name);
}

TEST_F(ExportDialog, ADirectoryThatCannotBeMadeIsReportedAndTheDialogStaysOpen)
{
    const QString name = root + "/ontbreekt/gemeente"; // its parent does not exist
    ASSERT_TRUE(WriteFileBytes(root + "/bestand"));
    auto dialog = Open();
    std::vector<bool> openAfter;
    ModalAnswer answer([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), name);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        openAfter.push_back(window->isVisible());
        Reactivate(dialog.get());
        Retype(dialog.get(), root + "/bestand"); // a file of that name is no directory either
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        openAfter.push_back(window->isVisible());
        Reactivate(dialog.get());
        EXPECT_EQ(dialog->edDirectory->text(), root + "/bestand");
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    ModalAnswer yes1(ModalAnswer::ClickButton("Ja"));
    ModalAnswer report1(ModalAnswer::ClickButton("OK"));
    ModalAnswer yes2(ModalAnswer::ClickButton("Ja"));
    ModalAnswer report2(ModalAnswer::ClickButton("OK"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);

    EXPECT_EQ(openAfter, std::vector<bool>({true, true}));
    EXPECT_EQ(report1.Seen().caption, QGuiApplication::applicationDisplayName());
    EXPECT_TRUE(report1.Seen().labels.contains("Directory " + name + " kan niet aangemaakt worden"))
        << report1.Seen().labels.join('|').toStdString();
    EXPECT_TRUE(report2.Seen().labels.contains("Directory " + root + "/bestand kan niet aangemaakt worden"));
    EXPECT_FALSE(QDir(root + "/ontbreekt").exists());
}

TEST_F(ExportDialog, TheFolderButtonPutsThePickedDirectoryWithASeparatorInTheEdit)
{
    auto dialog = Open();
    QString pickerCaption, pickerStart;
    bool newAllowed = false;
    ModalAnswer answer([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), "getypt");
        QTest::mouseClick(dialog->btnSelDir, Qt::LeftButton); // closed with Sluiten
        EXPECT_EQ(dialog->edDirectory->text(), "getypt");
        Reactivate(dialog.get());
        QTest::mouseClick(dialog->btnSelDir, Qt::LeftButton); // "export" picked
    });
    ModalAnswer closed([](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        QTest::mouseClick(picker->sbExit, Qt::LeftButton);
    });
    ModalAnswer picked([&](QWidget* window) {
        auto* picker = static_cast<TfrmSelecteerDirectory*>(window);
        pickerCaption = picker->windowTitle();
        pickerStart = picker->dirlbSelect->Directory();
        newAllowed = picker->acInsert->isEnabled();
        for (int row = 0; row < picker->dirlbSelect->count(); ++row)
            if (picker->dirlbSelect->ItemPath(row) == root + "/home/export")
                picker->dirlbSelect->setCurrentRow(row);
        QTest::keyClick(picker->dirlbSelect, Qt::Key_Return);
    });
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);

    EXPECT_TRUE(closed.Seen().shown);
    EXPECT_EQ(pickerCaption, kCaption);
    EXPECT_EQ(pickerStart, root + "/home");
    EXPECT_TRUE(newAllowed);
    EXPECT_EQ(dialog->edDirectory->text(), root + "/home/export/");
}

TEST_F(ExportDialog, AFolderNameWindows1252CannotHoldIsTypedAndMadeAsItIs)
{
    const QString name = root + QString::fromUtf8("/\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1");
    auto dialog = Open();
    ModalAnswer answer([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), name);
        EXPECT_EQ(dialog->edDirectory->text(), name);
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ModalAnswer yes(ModalAnswer::ClickButton("Ja"));
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    EXPECT_TRUE(QFileInfo(name).isDir());
    EXPECT_EQ(dialog->Directory, name);
}

TEST_F(ExportDialog, EscCancels)
{
    auto dialog = Open();
    ModalAnswer answer([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        Retype(dialog.get(), root + "/lijsten");
        QTest::keyClick(dialog->edDirectory, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);
}
