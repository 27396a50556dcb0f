#include "fAbout.h"

#include "HeldComponents.h"
#include "JpegLabel.h"

#include "ChildRun.h"
#include "FakeBrowser.h"
#include "ModalAnswer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFontInfo>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QLabel* Label(QWidget& window, const char* name)
{
    auto* label = window.findChild<QLabel*>(name);
    EXPECT_NE(label, nullptr) << name;
    return label;
}

QString ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator();
}

} // namespace

TEST(TfrmAbout, HoldsItsLayoutsComponents)
{
    const TfrmAbout about;
    ExpectHeldComponents(about, {HELD(about, Bevel1), HELD(about, pnlAbout), HELD(about, lblProduct),
                                 HELD(about, lblProductName), HELD(about, lblVersionNr), HELD(about, lblProgram),
                                 HELD(about, imLogo), HELD(about, lblOrxLink), HELD(about, pnlBottom),
                                 HELD(about, btnOk)});
}

TEST(TfrmAbout, LayoutSizesColoursAndPictures)
{
    TfrmAbout about;
    EXPECT_EQ(about.minimumSize(), about.maximumSize());

    auto* panel = about.findChild<QFrame*>("pnlAbout");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(224, 232, 240));
    EXPECT_LE(panel->y() + panel->height(), about.height() - 49); // above the bottom strip

    auto* ok = about.findChild<QPushButton*>("btnOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&Ok");

    EXPECT_EQ(Label(about, "Image1")->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(Label(about, "imLogo")->pixmap().size(), QSize(130, 28));

    QLabel* product = Label(about, "lblProduct");
    EXPECT_TRUE(product->font().bold());
    EXPECT_EQ(product->font().pixelSize(), 19);
    for (const char* name : {"lblProductName", "lblVersionNr"})
        EXPECT_EQ(Label(about, name)->x(), product->x()) << name;
    EXPECT_LT(QFontInfo(Label(about, "lblProductName")->font()).pixelSize(), QFontInfo(product->font()).pixelSize());
    EXPECT_EQ(Label(about, "QuandorLabel1")->text(), "Verkiezingsondersteunend programma");
    EXPECT_EQ(Label(about, "QuandorLabel2")->text(), "voor Windows 95, 98, NT 4, 2000 en XP");
    EXPECT_FALSE(Label(about, "QuandorLabel3")->text().isEmpty());

    EXPECT_TRUE(Label(about, "lblProgram")->wordWrap());

    QLabel* link = Label(about, "lblOrxLink");
    EXPECT_EQ(link->text(), "www.zorvandel.example");
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(link->font().underline());
}

TEST(TfrmAbout, FormShowFillsTheTextsEachTimeWithoutRepeatingTheFolder)
{
    TfrmAbout about;
    ModalAnswer answer(ModalAnswer::ClickButton("Ok"));
    about.exec();
    ASSERT_TRUE(answer.Seen().shown);
    EXPECT_EQ(answer.Seen().caption, "Betreft ZORVANDEL");
    EXPECT_TRUE(answer.Seen().labels.contains("ZORVANDEL"));
    EXPECT_TRUE(answer.Seen().labels.contains("QUANDOR 4"));
    EXPECT_TRUE(answer.Seen().labels.contains("Versie: 1.5"));
    EXPECT_TRUE(answer.Seen().labels.contains("Programma directory: " + ProgramFolder()))
        << answer.Seen().labels.join(" | ").toStdString();
    EXPECT_FALSE(about.isVisible());
    for (const char* name : {"lblProduct", "lblProductName", "lblVersionNr"})
        EXPECT_EQ(Label(about, name)->alignment(), Qt::AlignCenter) << name;
    EXPECT_TRUE(ProgramFolder().endsWith('/'));

    // Shown a second time, the box still names the folder once.
    about.show();
    EXPECT_EQ(Label(about, "lblProgram")->text(), "Programma directory: " + ProgramFolder());
}

// Every line of the folder text lies inside the label, and the label inside the box.
TEST(TfrmAbout, ShowsItsProgramFolderWhole)
{
    TfrmAbout about;
    about.show();
    const QLabel* label = Label(about, "lblProgram");
    EXPECT_EQ(label->text().remove('\n'), "Programma directory: " + ProgramFolder());
    const QRect needed =
        label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1 << 20), Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    const QRect shown(label->mapTo(&about, QPoint(0, 0)), label->size());
    EXPECT_TRUE(QRect(QPoint(0, 0), about.findChild<QFrame*>("pnlAbout")->geometry().bottomRight()).contains(shown));
    for (const char* name : {"imLogo", "lblOrxLink"})
        EXPECT_GT(Label(about, name)->y(), label->geometry().bottom()) << name;
}

// The same check, run by a copy of this program in a deep folder with an unbreakable name, and in
// folders whose names hold letters of Windows-1252 and beyond it.
TEST(TfrmAbout, ADeepProgramFolderIsShownWhole)
{
    const QStringList folders = QStringList{"Verkiezingen_gemeenteraad_2026_kandidatenlijsten_definitief_na_de_controle_"
                                            "door_het_centraal_stembureau/en/nog/een_tweede_lange_mapnaam_zonder_spaties"}
        + FolderNamesOutsideAscii();
    for (const QString& sub : folders) {
        SCOPED_TRACE(sub.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dir.filePath(sub)));
        const TChildRun run = RunThisTest("TfrmAbout.ShowsItsProgramFolderWhole", dir.filePath(sub));
        EXPECT_TRUE(run.Passed()) << run.Output;
    }
}

TEST(TfrmAbout, OkEscapeAndEnterCloseTheBox)
{
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        TfrmAbout about;
        bool closed = false;
        ModalAnswer answer([&](QWidget* window) {
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key(key));
            closed = !window->isVisible();
        });
        about.exec();
        EXPECT_TRUE(closed) << "key " << key;
    }
    TfrmAbout about;
    bool closed = false;
    ModalAnswer answer([&](QWidget* window) {
        QTest::mouseClick(window->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        closed = !window->isVisible();
    });
    about.exec();
    EXPECT_TRUE(closed);
}

TEST(TfrmAbout, LinkUnderlinesWhileTheMouseIsOverIt)
{
    TfrmAbout about;
    about.show();
    QLabel* link = Label(about, "lblOrxLink");
    QEnterEvent enter(QPointF(5, 5), link->mapToGlobal(QPointF(5, 5)), link->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_TRUE(link->font().underline());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255)); // stays blue
}

TEST(TfrmAbout, ClickingTheLinkOpensTheElectionPageInTheRegisteredBrowser)
{
    FakeBrowser browser;
    FakeBrowser::Register(browser.Make("browser.sh").toStdString() + " \"%1\"");
    TfrmAbout about;
    about.show();
    QTest::mouseClick(Label(about, "lblOrxLink"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(browser.Output()); }));
    EXPECT_EQ(ReadFileBytes(browser.Output()), std::string("1\n") + TfrmAbout::ElectionPage + "\n");
    EXPECT_TRUE(about.isVisible()); // the box stays open
}
