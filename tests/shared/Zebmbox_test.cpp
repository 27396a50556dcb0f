// The message box: its size arithmetic, and the real box as a user meets it.
#include "ZEBMessages.h"
#include "Zebmbox.h"

#include "Exceptions.h"
#include "HeldComponents.h"
#include "IniFile.h"
#include "ModalAnswer.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A text whose height at a wrap width follows from a fixed amount of "area" in 13-pixel lines.
TTextMeasure FakeText(int area, int lineHeight = 13)
{
    return [=](int wrap) {
        const int lines = std::max(1, (area + wrap - 1) / wrap);
        return TTextExtent{std::min(area, wrap) - (lines > 1 ? 3 : 0), lines * lineHeight};
    };
}

TTextMeasure FixedText(int width, int height)
{
    return [=](int) { return TTextExtent{width, height}; };
}

struct FormParts {
    TZEBMessageForm* form;
    QLabel* title;
    QLabel* message;
    QPlainTextEdit* memo;
    QWidget* panel;
    QPushButton* buttons[3];
    QLabel* image;
};

FormParts Parts(QWidget* window)
{
    auto* form = qobject_cast<TZEBMessageForm*>(window);
    EXPECT_NE(form, nullptr);
    return {form,
            form->findChild<QLabel*>("lblTitle"),
            form->findChild<QLabel*>("lblMessage"),
            form->findChild<QPlainTextEdit*>("memoMessage"),
            form->findChild<QWidget*>("pnlButtons"),
            {form->findChild<QPushButton*>("Button1"), form->findChild<QPushButton*>("Button2"),
             form->findChild<QPushButton*>("Button3")},
            form->findChild<QLabel*>("Image1")};
}

int LineHeight(const QFont& font)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, 241, 1000), Qt::TextWordWrap, "Xg").height();
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = MessageTeksten;
        savedDutch_ = DutchCaptions;
        MessageTeksten.Application = "Zorvandel 4.0";
    }
    void TearDown() override
    {
        MessageTeksten = saved_;
        DutchCaptions = savedDutch_;
    }
    TMessageTeksten saved_;
    bool savedDutch_ = true;
};

} // namespace

TEST(MessageBoxMetrics, ShortMessageKeepsTheLayoutWidthAndAOneLineHeadingAddsFive)
{
    const TMessageBoxMetrics m = ComputeMessageBoxMetrics(FakeText(100), FakeText(40), QSize(1024, 768));
    EXPECT_EQ(m.FormWidth, 296);
    EXPECT_EQ(m.FormHeight, 201 + 5);
    EXPECT_EQ(m.MessageWidth, 241);
    EXPECT_EQ(m.MessageHeight, 13);
    EXPECT_EQ(m.MessageTop, 32 + 5);
    EXPECT_EQ(m.TitleWidth, 40);
    EXPECT_FALSE(m.UseMemo);

    // A two-line heading wraps at the message's width and pushes everything 18 down.
    const TMessageBoxMetrics two = ComputeMessageBoxMetrics(FakeText(100), FakeText(400), QSize(1024, 768));
    EXPECT_EQ(two.TitleWidth, 238);
    EXPECT_EQ(two.MessageTop, 32 + 18);
    EXPECT_EQ(two.FormHeight, 201 + 18);

    // Exactly 81 pixels of message still fits the plain area.
    const TMessageBoxMetrics full = ComputeMessageBoxMetrics(FixedText(241, 81), FixedText(10, 8), QSize(1024, 768));
    EXPECT_EQ(full.FormWidth, 296);
    EXPECT_EQ(full.FormHeight, 201);
    EXPECT_EQ(full.MessageTop, 32);
}

TEST(MessageBoxMetrics, TallMessageIsWidenedThenTheBoxGrows)
{
    // 181 pixels at 241 re-wraps at 241 + 75 = 316.
    std::vector<int> asked;
    auto message = [&](int wrap) {
        asked.push_back(wrap);
        return wrap == 241 ? TTextExtent{241, 181} : TTextExtent{310, 130};
    };
    const TMessageBoxMetrics m = ComputeMessageBoxMetrics(message, FixedText(50, 13), QSize(1024, 768));
    EXPECT_EQ(asked, (std::vector<int>{241, 316}));
    EXPECT_EQ(m.MessageWidth, 310);
    EXPECT_EQ(m.FormWidth, 310 + 50);
    EXPECT_EQ(m.FormHeight, 201 + (130 - 81) + 5 + 5);
    EXPECT_EQ(m.MessageHeight, 130);
    EXPECT_FALSE(m.UseMemo);

    // The label never gets narrower than its layout width, nor the box than its least width.
    const TMessageBoxMetrics narrow = ComputeMessageBoxMetrics(FixedText(200, 95), FixedText(50, 13), QSize(1024, 768));
    EXPECT_EQ(narrow.MessageWidth, 241);
    EXPECT_EQ(narrow.FormWidth, 296);

    // The widening stops at the screen's width.
    asked.clear();
    auto wide = [&](int wrap) {
        asked.push_back(wrap);
        return TTextExtent{wrap, 300};
    };
    const TMessageBoxMetrics capped = ComputeMessageBoxMetrics(wide, FixedText(50, 13), QSize(400, 768));
    EXPECT_EQ(asked.back(), 400);
    EXPECT_EQ(capped.FormWidth, 450);
}

TEST(MessageBoxMetrics, AWordWiderThanTheLabelWidensTheBoxOrGoesIntoTheMemo)
{
    // The shown box wraps its labels 55 pixels inside its own width.
    const TMessageBoxMetrics wide = ComputeMessageBoxMetrics(FixedText(500, 26), FixedText(50, 13), QSize(1024, 768));
    EXPECT_EQ(wide.MessageWidth, 500);
    EXPECT_EQ(wide.FormWidth, 555);
    EXPECT_EQ(wide.MinFormWidth, 555);
    EXPECT_FALSE(wide.UseMemo);

    const TMessageBoxMetrics plain = ComputeMessageBoxMetrics(FixedText(200, 26), FixedText(50, 13), QSize(1024, 768));
    EXPECT_EQ(plain.MinFormWidth, 296);

    const TMessageBoxMetrics screen = ComputeMessageBoxMetrics(FixedText(500, 26), FixedText(50, 13), QSize(400, 768));
    EXPECT_EQ(screen.FormWidth, 400);
    EXPECT_TRUE(screen.UseMemo);
    EXPECT_EQ(screen.MemoWidth, 400 - 55);
    EXPECT_EQ(screen.MemoHeight, 201 - 120);
}

TEST(MessageBoxMetrics, MessageTallerThanTheScreenGoesIntoTheMemo)
{
    const TMessageBoxMetrics m = ComputeMessageBoxMetrics(FakeText(200000), FakeText(40), QSize(800, 600));
    EXPECT_TRUE(m.UseMemo);
    EXPECT_EQ(m.MessageWidth, 800 - 3); // widened to the screen's width
    EXPECT_EQ(m.MemoWidth, m.MessageWidth);
    EXPECT_EQ(m.MemoHeight, 500 - 120);
    EXPECT_EQ(m.FormHeight, 500 + 5); // the heading still adds its share

    // Exactly screen height - 100 already counts as too tall.
    const TMessageBoxMetrics edge = ComputeMessageBoxMetrics(FixedText(241, 500), FixedText(10, 8), QSize(800, 600));
    EXPECT_TRUE(edge.UseMemo);
    const TMessageBoxMetrics below = ComputeMessageBoxMetrics(FixedText(241, 499), FixedText(10, 8), QSize(800, 600));
    EXPECT_FALSE(below.UseMemo);
    EXPECT_EQ(below.FormHeight, 201 + 499 - 81 + 5);
}

TEST(MessageBoxMetrics, ButtonsAreCentredOnThePanel)
{
    EXPECT_EQ(ButtonLefts(288, 85, 1, 5)[0], 144 - 42);
    EXPECT_EQ(ButtonLefts(288, 85, 2, 5), (std::array<int, 3>{144 - 85 - 5, 149, 0}));
    EXPECT_EQ(ButtonLefts(288, 85, 2, 4), (std::array<int, 3>{144 - 85 - 4, 148, 0}));
    EXPECT_EQ(ButtonLefts(289, 85, 3, 5), (std::array<int, 3>{102 - 8 - 85, 102, 102 + 85 + 8}));
}

TEST(MessageBoxMetrics, ButtonsMoveLeftOnlyAsFarAsThePictureNeeds)
{
    const struct {
        std::array<int, 3> lefts;
        int count, limit;
        std::array<int, 3> expected;
    } cases[] = {
        {{9, 102, 195}, 3, 273, {2, 95, 188}},   // ends 7 pixels into the picture
        {{20, 113, 206}, 3, 400, {20, 113, 206}}, // clear of it already
        {{5, 98, 191}, 3, 200, {0, 93, 186}},     // no further than the panel's edge
        {{59, 149, 0}, 2, 234, {59, 149, 0}},     // ends exactly where the picture starts
    };
    for (const auto& c : cases)
        EXPECT_EQ(ButtonLeftsBefore(c.lefts, 85, c.count, c.limit), c.expected) << c.limit;
}

TEST(MessageBoxMetrics, KindsWithoutAButtonSetShowOk)
{
    EXPECT_EQ(ButtonKindFor(3).Count, 3);
    EXPECT_EQ(ButtonKindFor(0x13).Count, 3); // only the low four bits count
    EXPECT_EQ(ButtonKindFor(4).Buttons[1].Result, mrNo);
    EXPECT_EQ(ButtonKindFor(1).CancelButton, 2);
    for (int kind : {2, 5, 9, 15}) {
        EXPECT_EQ(ButtonKindFor(kind).Count, 1) << kind;
        EXPECT_EQ(ButtonKindFor(kind).Buttons[0].Result, mrOk) << kind;
    }
}

TEST(TZEBMessageForm, HoldsItsLayoutsComponents)
{
    const TZEBMessageForm form;
    ExpectHeldComponents(form, {HELD(form, lblTitle), HELD(form, lblMessage), HELD(form, memoMessage),
                                HELD(form, pnlButtons), HELD(form, Button1), HELD(form, Button2), HELD(form, Button3),
                                HELD(form, Image1)});
}

TEST_F(MessageBoxTest, QuestionWithCancelAnswersEachButtonEscAndTheCloseBox)
{
    const std::vector<std::pair<ModalAnswer::Action, int>> answers = {
        {ModalAnswer::ClickButton("Ja"), mrYes},          {ModalAnswer::ClickButton("Nee"), mrNo},
        {ModalAnswer::ClickButton("Annuleren"), mrCancel}, {ModalAnswer::PressKey(Qt::Key_Escape), mrCancel},
        {ModalAnswer::PressKey(Qt::Key_Return), mrYes},    {ModalAnswer::Close(), mrCancel},
    };
    for (size_t i = 0; i < answers.size(); ++i) {
        ModalAnswer answer(answers[i].first);
        EXPECT_EQ(AskQuestion("Opslaan", "Wilt u opslaan?", true), answers[i].second) << i;
        EXPECT_EQ(answer.Seen().caption, "Zorvandel 4.0");
        EXPECT_EQ(answer.Seen().buttons, (QStringList{"&Ja", "&Nee", "&Annuleren"}));
        EXPECT_EQ(answer.Seen().labels, (QStringList{"Opslaan", "Wilt u opslaan?"}));
    }
}

TEST_F(MessageBoxTest, YesNoQuestionIgnoresEscAndClosesWithCancel)
{
    bool stillOpen = false;
    ModalAnswer escThenNo([&](QWidget* window) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Escape);
        stillOpen = window->isVisible();
        ModalAnswer::ClickButton("Nee")(window);
    });
    EXPECT_EQ(AskQuestion("Verwijderen", "Kandidaat verwijderen?", false), mrNo);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(escThenNo.Seen().buttons, (QStringList{"&Ja", "&Nee"}));

    ModalAnswer close(ModalAnswer::Close());
    EXPECT_EQ(AskQuestion("Verwijderen", "Kandidaat verwijderen?", false), mrCancel);
}

TEST_F(MessageBoxTest, EnglishCaptionsAndDefaultButton)
{
    DutchCaptions = false;
    QString focused;
    ModalAnswer answer([&](QWidget* window) {
        focused = window->focusWidget() ? window->focusWidget()->objectName() : QString();
    });
    EXPECT_EQ(AskQuestion("Title", "Question?", true), mrCancel);
    EXPECT_EQ(answer.Seen().buttons, (QStringList{"&Yes", "&No", "&Cancel"}));
    EXPECT_EQ(focused, "Button1");

    // The default button gets the focus, so Enter answers with it.
    ModalAnswer enter(ModalAnswer::PressKey(Qt::Key_Return));
    EXPECT_EQ(ZebMessageBox("C", "T", "M", 3, clBlack, 2, true), mrNo);
    // Out of range falls back to the first button.
    ModalAnswer enter2(ModalAnswer::PressKey(Qt::Key_Return));
    EXPECT_EQ(ZebMessageBox("C", "T", "M", 4, clBlack, 3, true), mrYes);
    // Ok/Cancel: Esc is Cancel.
    ModalAnswer esc(ModalAnswer::PressKey(Qt::Key_Escape));
    EXPECT_EQ(ZebMessageBox("C", "T", "M", 1, clBlack, 1, false), mrCancel);
    EXPECT_EQ(esc.Seen().buttons, (QStringList{"&Ok", "&Cancel"}));
    // A kind without a button set shows Ok.
    ModalAnswer ok(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(ZebMessageBox("C", "T", "M", 7, clBlack, 1, true), mrOk);
    EXPECT_EQ(ok.Seen().buttons, (QStringList{"&Ok"}));
}

TEST_F(MessageBoxTest, InfoMessageLayout)
{
    QRect title, message, form, button, image;
    int panel = 0;
    QColor colour;
    bool memoShown = true, picture = false;
    ModalAnswer answer([&](QWidget* window) {
        const FormParts p = Parts(window);
        picture = !p.image->pixmap().isNull();
        form = QRect(p.form->pos(), p.form->size());
        title = p.title->geometry();
        message = p.message->geometry();
        button = p.buttons[0]->geometry();
        image = p.image->geometry();
        panel = p.panel->width();
        colour = p.message->palette().color(QPalette::WindowText);
        memoShown = p.memo->isVisible();
        ModalAnswer::ClickButton("Ok")(window);
    });
    ShowInfoMessage("Kan gekozen bestand niet openen.");
    EXPECT_EQ(answer.Seen().labels, (QStringList{"Melding", "Kan gekozen bestand niet openen."}));
    EXPECT_EQ(answer.Seen().buttons, (QStringList{"&Ok"}));

    QFont bold = QApplication::font();
    bold.setBold(true);
    const int titleLine = LineHeight(bold);
    EXPECT_EQ(form.size(), QSize(296, 201 + titleLine - 8));
    EXPECT_EQ(form.center(), QGuiApplication::primaryScreen()->geometry().center());
    EXPECT_EQ(panel, 288);
    EXPECT_EQ(message, QRect(8, 32 + titleLine - 8, 241, LineHeight(QApplication::font())));
    EXPECT_EQ(title.topLeft(), QPoint(8, 8));
    EXPECT_EQ(title.height(), titleLine);
    EXPECT_EQ(button, QRect(288 / 2 - 85 / 2, 4, 85, 25));
    EXPECT_EQ(image, QRect(288 - 16 + 1, 20, 16, 16));
    EXPECT_EQ(colour, QColor(Qt::black));
    EXPECT_FALSE(memoShown);
    EXPECT_TRUE(picture);
}

TEST(MessageLineBreaks, EveryKindOfLineEndBreaksOnce)
{
    EXPECT_EQ(MessageLineBreaks(QString("a\rb\r\nc\nd")), QString("a\nb\r\nc\nd"));
    EXPECT_EQ(MessageLineBreaks(QString("a\r\rb")), QString("a\n\nb"));
    EXPECT_EQ(MessageLineBreaks(QString("a\n\rb\r")), QString("a\n\nb\n"));
    EXPECT_EQ(MessageLineBreaks(QString("a\r\r\nb")), QString("a\n\r\nb"));
    EXPECT_EQ(MessageLineBreaks(QString("geen regeleinde")), QString("geen regeleinde"));
}

TEST_F(MessageBoxTest, CarriageReturnsBreakTheMessageIntoLines)
{
    const struct {
        const char* message;
        int lines;
    } cases[] = {
        {"Fout\r\rDe fout is opgetreden.", 3}, // a blank line between the paragraphs
        {"Geen gegevens. \rMogelijk geen kandidaten.", 2},
        {"Eerste\r\nTweede", 2},
        {"Eerste\nTweede", 2},
        {"Eerste", 1},
    };
    for (const auto& c : cases) {
        int height = 0;
        QString text;
        ModalAnswer answer([&](QWidget* window) {
            const FormParts p = Parts(window);
            height = p.message->height();
            text = p.message->text();
        });
        ShowErrorMessage("Start formulier", c.message);
        EXPECT_EQ(text.count('\n'), c.lines - 1) << c.message;
        const QString lines = QStringList(c.lines, "Xg").join('\n');
        EXPECT_EQ(height, QFontMetrics(QApplication::font()).boundingRect(QRect(0, 0, 241, 1000), Qt::TextWordWrap, lines).height())
            << c.message;
    }
}

TEST_F(MessageBoxTest, ErrorMessageIsRedAndShowsAmpersandsAsTyped)
{
    QColor colour;
    int labelWidth = 0;
    ModalAnswer answer([&](QWidget* window) {
        const FormParts p = Parts(window);
        colour = p.message->palette().color(QPalette::WindowText);
        // The rightmost column with red ink.
        const QImage image = p.message->grab().toImage();
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 150 && c.green() < 100 && c.blue() < 100)
                    labelWidth = x + 1;
            }
    });
    ShowErrorMessage("Start formulier", "Jansen & Zn");
    EXPECT_EQ(colour, QColor(255, 0, 0));
    EXPECT_EQ(answer.Seen().labels, (QStringList{"Start formulier", "Jansen & Zn"}));
    // The ampersand takes its own room: it is drawn, not turned into an underline.
    const QFontMetrics metrics(QApplication::font());
    EXPECT_GT(labelWidth, metrics.horizontalAdvance("Jansen Zn") + 3);
    EXPECT_LE(labelWidth, metrics.horizontalAdvance("Jansen & Zn") + 1);
}

// A failure that names a file in a folder Windows-1252 cannot spell shows the path whole.
TEST_F(MessageBoxTest, AnErrorNamingAFileShowsItsPathWhole)
{
    const QString folder = QDir::temp().filePath(QString::fromUtf8("Ελλάδα-łódź-%1").arg(QCoreApplication::applicationPid()));
    const QString path = folder + "/FORMVARS.INI"; // the folder does not exist, so nothing can be written
    std::string error;
    try {
        TIniFile(path).WriteString("GENERAL", "dtKlanten", "07-12-26");
    } catch (const Exception& e) {
        error = e.Message;
    }
    ASSERT_FALSE(error.empty());
    ModalAnswer answer(ModalAnswer::Close());
    ShowErrorMessage("Start formulier", "GetNewVarValues: " + error);
    EXPECT_EQ(answer.Seen().labels, (QStringList{"Start formulier", "GetNewVarValues: Unable to write to " + path}));
}

TEST_F(MessageBoxTest, VeryTallMessageScrollsInTheMemo)
{
    const std::string text(30000, 'x');
    std::string words;
    for (int i = 0; i < 3000; ++i)
        words += "woord" + std::to_string(i) + " ";
    bool memoShown = false, labelShown = true;
    QString memoText;
    QSize formSize, memoSize;
    ModalAnswer answer([&](QWidget* window) {
        const FormParts p = Parts(window);
        memoShown = p.memo->isVisible();
        labelShown = p.message->isVisible();
        memoText = p.memo->toPlainText();
        formSize = p.form->size();
        memoSize = p.memo->size();
    });
    ShowInfoMessage(words);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_TRUE(memoShown);
    EXPECT_FALSE(labelShown);
    EXPECT_EQ(memoText.toStdString(), words);
    EXPECT_EQ(formSize.height(), screen.height() - 100 + LineHeight(bold) - 8);
    EXPECT_EQ(memoSize.height(), screen.height() - 100 - 120);
    EXPECT_EQ(formSize.width(), memoSize.width() + 50);
}

TEST_F(MessageBoxTest, TallMessageWidensTheBox)
{
    std::string words;
    for (int i = 0; i < 60; ++i)
        words += "woord" + std::to_string(i) + " ";
    QSize formSize;
    QRect message;
    ModalAnswer answer([&](QWidget* window) {
        const FormParts p = Parts(window);
        formSize = p.form->size();
        message = p.message->geometry();
    });
    ShowInfoMessage(words);
    EXPECT_GT(formSize.width(), 296);
    EXPECT_GT(formSize.height(), 201);
    // Shown, the label wraps at the panel's width - 47 and still fits the box.
    EXPECT_LE(message.width(), formSize.width() - 8 - 47);
    EXPECT_GE(message.width(), 241);
}

// The buttons and the picture beside them, in every kind, as opened and at other widths.
TEST_F(MessageBoxTest, NoControlOverlapsAnother)
{
    for (int kind : {0, 1, 3, 4}) {
        for (int width : {0, 296, 310, 500}) {
            SCOPED_TRACE("kind " + std::to_string(kind) + ", width " + std::to_string(width));
            std::vector<std::pair<QString, QRect>> shown;
            ModalAnswer answer([&](QWidget* window) {
                if (width)
                    window->resize(width, window->height());
                const FormParts p = Parts(window);
                for (QWidget* control : {static_cast<QWidget*>(p.buttons[0]), static_cast<QWidget*>(p.buttons[1]),
                                         static_cast<QWidget*>(p.buttons[2]), static_cast<QWidget*>(p.image)})
                    if (control->isVisible())
                        shown.emplace_back(control->objectName(), control->geometry());
                window->close();
            });
            ZebMessageBox("C", "Titel", "Melding", kind, clBlack, 1, true);
            ASSERT_EQ(shown.size(), size_t(ButtonKindFor(kind).Count + 1));
            for (size_t i = 0; i < shown.size(); ++i)
                for (size_t j = i + 1; j < shown.size(); ++j)
                    EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
                        << shown[i].first.toStdString() << " and " << shown[j].first.toStdString();
            // Sizes stay as given.
            for (const auto& [name, rect] : shown)
                EXPECT_EQ(rect.size(), name == "Image1" ? QSize(16, 16) : QSize(85, 25)) << name.toStdString();
        }
    }
}

// Whatever is shown of a label holds its whole text: no line runs past the label or the panel,
// measured in the label's own font (the heading is bold).
void ExpectWhole(const QLabel* label)
{
    SCOPED_TRACE(label->objectName().toStdString());
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1 << 20),
                                                          Qt::TextWordWrap, label->text());
    EXPECT_LE(needed.width(), label->width());
    EXPECT_LE(needed.height(), label->height());
    EXPECT_LE(label->geometry().right(), label->parentWidget()->width() - 1);
    EXPECT_LE(label->geometry().bottom(), label->parentWidget()->height() - 1);
}

TEST_F(MessageBoxTest, LabelsHoldTheirWholeTextAlsoAnUnbreakablePath)
{
    const std::string folder = "/home/gebruiker/Verkiezingen_gemeenteraad_2026_kandidatenlijsten_definitief_na_de_controle";
    std::string tall;
    for (int i = 0; i < 40; ++i)
        tall += "woord" + std::to_string(i) + " ";
    const struct {
        std::string title, message;
        int width; // the box resized to this afterwards (0: as opened)
    } cases[] = {
        {"Melding", "Zorvandel is opgeslagen in " + folder + "/partij.lst", 0},
        {"Melding", tall + folder + "/partij.lst " + tall, 0},
        {"Melding", "Zorvandel is opgeslagen in " + folder + "/partij.lst", 296},
        {"Een kop die in vette letters over meer dan een regel doorloopt", "Kort.", 0},
        {"Een kop die in vette letters over meer dan een regel doorloopt", tall, 700},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 30) + ", width " + std::to_string(c.width));
        bool checked = false;
        ModalAnswer answer([&](QWidget* window) {
            const FormParts p = Parts(window);
            if (c.width)
                window->resize(c.width, window->height());
            EXPECT_LE(window->width(), QGuiApplication::primaryScreen()->geometry().width());
            ExpectWhole(p.title);
            if (p.message->isVisible())
                ExpectWhole(p.message);
            else
                EXPECT_EQ(p.memo->toPlainText().toStdString(), c.message);
            checked = true;
            window->close();
        });
        ZebMessageBox("C", c.title, c.message, 0, clBlack, 1, true);
        EXPECT_TRUE(checked);
    }
}

TEST_F(MessageBoxTest, ResizingReplacesButtonsAndRewrapsTheLabels)
{
    QRect buttons[2], message;
    int panel = 0;
    ModalAnswer answer([&](QWidget* window) {
        const FormParts p = Parts(window);
        EXPECT_EQ(p.buttons[0]->x(), 288 / 2 - 85 - 5);
        window->resize(400, 250);
        panel = p.panel->width();
        buttons[0] = p.buttons[0]->geometry();
        buttons[1] = p.buttons[1]->geometry();
        message = p.message->geometry();
    });
    const std::string text = std::string(20, 'a') + " " + std::string(30, 'b') + " " + std::string(30, 'c');
    AskQuestion("Vraag", text, false);
    EXPECT_EQ(panel, 392);
    EXPECT_EQ(buttons[0].x(), 196 - 85 - 4);
    EXPECT_EQ(buttons[1].x(), 196 + 4);
    EXPECT_LE(message.width(), 392 - 47);
    EXPECT_EQ(message.height(), QFontMetrics(QApplication::font())
                                    .boundingRect(QRect(0, 0, 392 - 47, 1000), Qt::TextWordWrap, QString::fromStdString(text))
                                    .height());
}
