#include "fBaseOkCancel.h"

#include "Exceptions.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// An OK/Cancel dialog that counts its handlers and can refuse OK.
class CountingDialog : public TBaseOkCancel {
public:
    using TBaseOkCancel::TBaseOkCancel;
    int okClicks = 0;
    int activations = 0;
    bool refuseOk = false;

protected:
    void btnOkClick() override
    {
        ++okClicks;
        if (refuseOk)
            SetModalResult(mrNone);
    }
    void FormActivate() override { ++activations; }
    void FormShow() override
    {
        try {
            TBaseOkCancel::FormShow();
        } catch (const Exception& e) {
            failures.push_back(e.Message);
            throw;
        }
    }

public:
    std::vector<std::string> failures;
};

} // namespace

TEST(TBaseOkCancel, ButtonPairStaysCentredTwelvePixelsApart)
{
    EXPECT_EQ(OkCancelPositions(0, 608, 100, 100), std::make_pair(198, 310));
    EXPECT_EQ(OkCancelPositions(0, 377, 100, 100), std::make_pair(82, 194));
    EXPECT_EQ(OkCancelPositions(5, 301, 90, 100), std::make_pair(5 + 150 - 101, 5 + 150 - 101 + 90 + 12));

    auto form = TBaseForm::Create<TBaseOkCancel>();
    form->Initialize();
    form->show();
    for (int width : {608, 377, 1001, 250}) {
        form->resize(width, 300);
        ASSERT_EQ(form->pnlOkCancel->width(), width);
        EXPECT_EQ(form->btnOk->x(), width / 2 - 106) << width;
        EXPECT_EQ(form->btnCancel->x(), form->btnOk->x() + 100 + 12) << width;
        EXPECT_EQ(form->btnOk->y(), 14);
        EXPECT_EQ(form->pnlOkCancel->height(), 53);
    }
}

TEST(TBaseOkCancel, NotInitialisedWindowIsReportedAndOpensAllTheSame)
{
    auto form = TBaseForm::Create<CountingDialog>();
    ModalAnswer report(ModalAnswer::ClickButton("OK"));
    bool opened = false;
    ModalAnswer dialog([&](QWidget* window) { opened = window == form.get(); });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(report.Seen().shown);
    EXPECT_EQ(report.Seen().caption, QGuiApplication::applicationDisplayName());
    EXPECT_TRUE(report.Seen().labels.contains("Het scherm is niet initialized."));
    EXPECT_TRUE(opened);

    // Once initialised it shows without a report, any number of times.
    form->Initialize();
    for (int i = 0; i < 2; ++i) {
        form->show();
        EXPECT_EQ(form->failures.size(), 1u);
        form->hide();
    }
    EXPECT_EQ(form->failures, std::vector<std::string>{"Het scherm is niet initialized."});
}

std::unique_ptr<CountingDialog> NewDialog()
{
    auto form = TBaseForm::Create<CountingDialog>();
    form->Initialize();
    return form;
}

TEST(TBaseOkCancel, ButtonsAndKeysGiveTheirResults)
{
    auto form = NewDialog();
    EXPECT_EQ(PlainText(form->btnOk->text()), "Ok");
    EXPECT_EQ(PlainText(form->btnCancel->text()), "Annuleren");
    {
        ModalAnswer answer(ModalAnswer::PressKey(Qt::Key_Escape));
        EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    }
    form = NewDialog();
    {
        ModalAnswer answer(ModalAnswer::ClickButton("Annuleren"));
        EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
        EXPECT_EQ(form->okClicks, 0);
    }
    form = NewDialog();
    {
        // No default button: Enter elsewhere than on a button does nothing; the window stays.
        bool stillOpen = false;
        ModalAnswer answer([&](QWidget* window) {
            window->setFocus();
            QTest::keyClick(window, Qt::Key_Return);
            stillOpen = window->isVisible();
        });
        EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
        EXPECT_TRUE(stillOpen);
    }
    form = NewDialog();
    {
        // A focused button takes Enter.
        ModalAnswer answer([&](QWidget*) {
            form->btnOk->setFocus();
            QTest::keyClick(form->btnOk, Qt::Key_Return);
        });
        EXPECT_EQ(form->ShowModal(), TBaseForm::mrOk);
        EXPECT_EQ(form->okClicks, 1);
    }
    form = NewDialog();
    form->refuseOk = true;
    bool stillOpen = false;
    ModalAnswer answer([&](QWidget* window) {
        QTest::mouseClick(form->btnOk, Qt::LeftButton);
        stillOpen = window->isVisible();
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(form->okClicks, 1);
}

TEST(TBaseOkCancel, BodyComesBeforeTheButtonsInTabOrder)
{
    auto form = TBaseForm::Create<TBaseOkCancel>();
    QWidget* focusable[] = {form->btnOk, form->btnCancel};
    QWidget* first = form->nextInFocusChain();
    while (first != form.get() && !(first->focusPolicy() & Qt::TabFocus))
        first = first->nextInFocusChain();
    EXPECT_EQ(first, focusable[0]);
    EXPECT_EQ(form->btnOk->nextInFocusChain(), form->btnCancel);
}

// Neither a modal window it opened nor another program taking the focus makes a new activation.
TEST(TBaseOkCancel, ActivationRunsOnShowOnly)
{
    auto form = NewDialog();
    std::vector<int> activations;
    ModalAnswer answer([&](QWidget*) {
        WaitFor([&] { return form->activations > 0; });
        activations.push_back(form->activations);
        auto inner = TBaseForm::Create<TBaseOkCancel>(form.get());
        inner->Initialize();
        ModalAnswer innerAnswer(ModalAnswer::ClickButton("Ok"));
        inner->ShowModal();
        QTest::qWait(50); // let the reactivation arrive
        activations.push_back(form->activations);
        QApplication::setActiveWindow(nullptr); // another program takes the focus
        QTest::qWait(20);
        QApplication::setActiveWindow(form.get());
        QTest::qWait(20);
        activations.push_back(form->activations);
    });
    form->ShowModal();
    EXPECT_EQ(activations, (std::vector<int>{1, 1, 1}));
}

namespace {

// A descendant's layout as uic writes it: its own fields for the body.
struct PartyBodyUi {
    QLineEdit* edAfkorting = nullptr;
    QLineEdit* edNaam = nullptr;
    void setupUi(QWidget* form)
    {
        form->setWindowTitle("Partijgegevens");
        form->resize(500, 260);
        edAfkorting = new QLineEdit(form);
        edAfkorting->setGeometry(100, 10, 80, 21);
        edNaam = new QLineEdit(form);
        edNaam->setGeometry(100, 40, 300, 21);
    }
};

class PartyDialog : public TBaseOkCancel {
public:
    explicit PartyDialog(QWidget* owner = nullptr) : TBaseOkCancel(owner) { SetupBody(ui); }
    PartyBodyUi ui;
};

} // namespace

TEST(TBaseOkCancel, ADescendantFillsTheBodyWithItsOwnLayout)
{
    auto form = TBaseForm::Create<PartyDialog>();
    form->Initialize();
    EXPECT_EQ(form->windowTitle(), "Partijgegevens");
    EXPECT_EQ(form->size(), QSize(500, 260));
    EXPECT_TRUE(form->pnlBody->isAncestorOf(form->ui.edNaam));
    EXPECT_EQ(form->ui.edAfkorting->nextInFocusChain(), form->ui.edNaam);
    EXPECT_EQ(form->ui.edNaam->nextInFocusChain(), form->btnOk);
    EXPECT_EQ(form->btnOk->nextInFocusChain(), form->btnCancel);

    bool firstFocused = false;
    ModalAnswer answer([&](QWidget*) {
        firstFocused = WaitFor([&] { return form->ui.edAfkorting->hasFocus(); });
        QTest::keyClick(form->ui.edAfkorting, Qt::Key_Tab);
        QTest::keyClick(form->ui.edNaam, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // the OK button
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrOk);
    EXPECT_TRUE(firstFocused);
    EXPECT_EQ(form->btnOk->x(), 250 - 106);
}

namespace {

class CreateProbe : public TBaseOkCancel {
public:
    int creates = 0;

protected:
    void FormCreate() override { ++creates; }
};

} // namespace

TEST(TBaseOkCancel, FormCreateRunsOnceBeforeInitialisation)
{
    auto created = TBaseForm::Create<CreateProbe>();
    EXPECT_EQ(created->creates, 1);
    created->Initialize();
    created->show();
    EXPECT_EQ(created->creates, 1);

    CreateProbe direct; // made without Create: runs at Initialize
    EXPECT_EQ(direct.creates, 0);
    direct.Initialize();
    EXPECT_EQ(direct.creates, 1);
    direct.show();
    EXPECT_EQ(direct.creates, 1);
}
