#include "AppServices.h"

#include "Exceptions.h"
#include "ModalAnswer.h"
#include "SysCalls.h"

#include <QDialog>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>
#include <functional>
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

TEST(AppServices, MessageBoxesBelongToTheActiveWindow)
{
    // Not to Qt's hidden group leader: on a desktop a box without an owner may end up behind the
    // program's windows.
    QDialog window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const std::pair<const char*, std::function<void()>> boxes[] = {
        {"error report", [] { ShowApplicationError("kapot"); }},
        {"ShowMessage", [] { ShowMessage("tekst"); }},
    };
    for (const auto& [what, show] : boxes) {
        QWindow* owner = nullptr;
        ModalAnswer answer([&](QWidget* box) {
            owner = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
            ModalAnswer::PressKey(Qt::Key_Escape)(box);
        });
        show();
        EXPECT_TRUE(answer.Seen().shown) << what;
        EXPECT_EQ(owner, window.windowHandle()) << what;
    }
    EXPECT_EQ(MessageBoxOwner(), &window);
    // A box does not become a child of its owner.
    bool parentless = false;
    ModalAnswer answer([&](QWidget* box) {
        parentless = box->parentWidget() == nullptr;
        ModalAnswer::PressKey(Qt::Key_Escape)(box);
    });
    ShowMessage("tekst");
    EXPECT_TRUE(parentless);
}
