#include "AppServices.h"

#include "Exceptions.h"
#include "ModalAnswer.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

TEST(AppServices, FailuresOfAHandlerEndInTheErrorReport)
{
    QGuiApplication::setApplicationDisplayName("Zorvandel");
    {
        ModalAnswer report(ModalAnswer::ClickButton("OK"));
        RunReported([] { Guarded("frmMain.Test: ", [] { throw EInOutError("Kan gekozen bestand niet openen.", 2); }); });
        EXPECT_EQ(report.Seen().caption, "Zorvandel");
        EXPECT_TRUE(report.Seen().labels.contains("frmMain.Test: Kan gekozen bestand niet openen."));
    }
    {
        ModalAnswer report(ModalAnswer::ClickButton("OK"));
        RunReported([] { throw std::runtime_error("plain failure"); });
        EXPECT_TRUE(report.Seen().labels.contains("plain failure"));
    }
    {
        ModalAnswer report(ModalAnswer::ClickButton("OK"));
        RunReported([] { throw Exception("caf\xe9 dicht"); });
        EXPECT_TRUE(report.Seen().labels.contains(QString::fromUtf8("caf\u00e9 dicht")));
    }
}

TEST(AppServices, TheAbortPassesSilently)
{
    ModalAnswer report(ModalAnswer::ClickButton("OK"));
    bool ran = false;
    RunReported([&] {
        ran = true;
        throw EAbort();
    });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(report.Seen().shown);
}

TEST(AppServices, NoHelpFileSoHelpShowsNothing)
{
    EXPECT_FALSE(ApplicationHelpContext(1));
}
