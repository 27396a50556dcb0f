#include "Zebmbox.h"

#include "AnsiText.h"
#include "AppServices.h"
#include "Resources.h"
#include "ui_Zebmbox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

namespace {

constexpr int LayoutFormWidth = 296;
constexpr int LayoutFormHeight = 201;
constexpr int MinFormWidth = 296;
constexpr int MinFormHeight = 193;
constexpr int LayoutMessageWidth = 241; // lblMessage's width in the layout, also its least width
constexpr int PlainMessageHeight = 81;  // taller messages enlarge the box
constexpr int LayoutMessageTop = 32;
constexpr int TitleSpace = 8;     // a heading taller than this pushes the message down
constexpr int LeftStrip = 20;     // Panel3
constexpr int FormMargin = 30;    // beside the message and the strip
constexpr int ScreenReserve = 100; // the box stays this much lower than the screen
constexpr int MemoReserve = 120;   // the form's height minus the memo's
constexpr int LabelInset = 47;     // pnlButtons' width minus the labels' wrap width
constexpr int ShownLabelInset = LabelInset + 8; // the form's width minus the labels' wrap width
constexpr int ThreeButtonGap = 8;

const std::array<TButtonKind, 5> Kinds = {{
    {1, {{{"&Ok", "&Ok", mrOk}, {}, {}}}, 0},
    {2, {{{"&Ok", "&Ok", mrOk}, {"&Annuleren", "&Cancel", mrCancel}, {}}}, 2},
    {1, {{{"&Ok", "&Ok", mrOk}, {}, {}}}, 0}, // 2 names no button set
    {3, {{{"&Ja", "&Yes", mrYes}, {"&Nee", "&No", mrNo}, {"&Annuleren", "&Cancel", mrCancel}}}, 3},
    {2, {{{"&Ja", "&Yes", mrYes}, {"&Nee", "&No", mrNo}, {}}}, 0},
}};

} // namespace

// ---- Arithmetic ----

QString MessageLineBreaks(const QString& Message)
{
    QString lines = Message;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i] == u'\r' && (i + 1 == lines.size() || lines[i + 1] != u'\n'))
            lines[i] = u'\n';
    return lines;
}

int AutoSizedLabelWidth(int textWidth, int minWidth, int maxWidth)
{
    return std::max(minWidth, std::min(textWidth, maxWidth));
}

TMessageBoxMetrics ComputeMessageBoxMetrics(const TTextMeasure& message, const TTextMeasure& title, QSize screen)
{
    TMessageBoxMetrics m;
    m.FormWidth = LayoutFormWidth;
    m.FormHeight = LayoutFormHeight;

    TTextExtent text = message(LayoutMessageWidth);
    m.MessageWidth = LayoutMessageWidth;
    m.MessageHeight = text.Height;

    // A tall message first gets a wider label.
    if (m.MessageHeight > PlainMessageHeight) {
        const int wrap = std::min(LayoutMessageWidth + (m.MessageHeight - PlainMessageHeight) * 3 / 4, screen.width());
        text = message(wrap);
        m.MessageWidth = AutoSizedLabelWidth(text.Width, LayoutMessageWidth, wrap);
        m.MessageHeight = text.Height;
        m.FormWidth = std::max(m.MessageWidth + FormMargin + LeftStrip, MinFormWidth);
    }

    // A word wider than the label (a deep folder path) does not wrap: the box widens until the
    // label, wrapped where the shown box wraps it, holds the word; beyond the screen's width the
    // memo, which wraps anywhere, shows the message.
    bool unbreakable = false;
    if (text.Width > m.MessageWidth) {
        m.FormWidth = std::max(m.FormWidth, std::min(text.Width + ShownLabelInset, screen.width()));
        unbreakable = text.Width + ShownLabelInset > screen.width();
        m.MessageWidth = std::min(text.Width, m.FormWidth - ShownLabelInset);
        text = message(m.MessageWidth);
        m.MessageHeight = text.Height;
    }
    m.MinFormWidth = std::max(MinFormWidth, m.FormWidth);

    // Then a taller box, or the memo when even that would not fit on the screen.
    if (m.MessageHeight > PlainMessageHeight) {
        if (m.MessageHeight >= screen.height() - ScreenReserve) {
            m.FormHeight = std::max(screen.height() - ScreenReserve, MinFormHeight);
            m.UseMemo = true;
            m.MemoWidth = m.MessageWidth;
            m.MemoHeight = m.FormHeight - MemoReserve;
        } else {
            m.FormHeight += m.MessageHeight - PlainMessageHeight + 5;
        }
    }

    if (unbreakable && !m.UseMemo) {
        m.UseMemo = true;
        m.MemoWidth = m.MessageWidth;
        m.MemoHeight = m.FormHeight - MemoReserve;
    }

    // The heading wraps at the message's width and pushes the message down.
    const TTextExtent heading = title(m.MessageWidth);
    m.TitleWidth = AutoSizedLabelWidth(heading.Width, 0, m.MessageWidth);
    m.TitleHeight = heading.Height;
    m.MessageTop = LayoutMessageTop;
    if (m.TitleHeight > TitleSpace) {
        m.MessageTop += m.TitleHeight - TitleSpace;
        m.FormHeight += m.TitleHeight - TitleSpace;
    }
    return m;
}

std::array<int, 3> ButtonLefts(int panelWidth, int buttonWidth, int count, int halfGap)
{
    const int middle = panelWidth / 2;
    switch (count) {
    case 1:
        return {middle - buttonWidth / 2, 0, 0};
    case 2:
        return {middle - buttonWidth - halfGap, middle + halfGap, 0};
    case 3: {
        const int second = middle - buttonWidth / 2;
        return {second - ThreeButtonGap - buttonWidth, second, second + buttonWidth + ThreeButtonGap};
    }
    default:
        return {0, 0, 0};
    }
}

std::array<int, 3> ButtonLeftsBefore(std::array<int, 3> lefts, int buttonWidth, int count, int limit)
{
    if (count < 1)
        return lefts;
    const int shift = std::min(lefts[size_t(count - 1)] + buttonWidth - limit, lefts[0]);
    if (shift > 0)
        for (int i = 0; i < count; ++i)
            lefts[size_t(i)] -= shift;
    return lefts;
}

const TButtonKind& ButtonKindFor(int kind)
{
    kind &= 15;
    return kind < int(Kinds.size()) ? Kinds[size_t(kind)] : Kinds[0];
}

// ---- The window ----

TZEBMessageForm::TZEBMessageForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                          | Qt::WindowCloseButtonHint)
{
    EnsureResources();
    Ui::TZEBMessageForm ui;
    ui.setupUi(this);
    lblTitle = ui.lblTitle;
    lblMessage = ui.lblMessage;
    memoMessage = ui.memoMessage;
    pnlButtons = ui.pnlButtons;
    Button1 = ui.Button1;
    Button2 = ui.Button2;
    Button3 = ui.Button3;
    Image1 = ui.Image1;
    for (int number = 1; number <= 3; ++number) {
        QPushButton* button = ButtonAt(number);
        connect(button, &QPushButton::clicked, this, [this, number] { done(results_[size_t(number - 1)]); });
    }
}

QPushButton* TZEBMessageForm::ButtonAt(int number) const
{
    switch (number) {
    case 1:
        return Button1;
    case 2:
        return Button2;
    case 3:
        return Button3;
    default:
        return nullptr;
    }
}

TTextExtent TZEBMessageForm::MeasureLabel(const QLabel* label, int wrapWidth) const
{
    // An empty label still takes one line.
    QString text = label->text();
    if (text.isEmpty())
        text = QStringLiteral(" ");
    const QRect r = QFontMetrics(label->font())
                        .boundingRect(QRect(0, 0, std::max(wrapWidth, 1), 1 << 24),
                                      Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs, text);
    return {r.width(), r.height()};
}

void TZEBMessageForm::WrapLabel(QLabel* label, int wrapWidth, int minWidth)
{
    const TTextExtent extent = MeasureLabel(label, wrapWidth);
    label->setMinimumWidth(std::min(minWidth, wrapWidth));
    label->setMaximumWidth(wrapWidth);
    label->resize(AutoSizedLabelWidth(extent.Width, minWidth, wrapWidth), extent.Height);
}

void TZEBMessageForm::Prepare(const std::string& Caption, const std::string& Title, const std::string& Message,
                              int Flags, TColor MessageColor, int DefaultButton_, bool Dutch_)
{
    Prepare(AnsiToQString(Caption), MessageToQString(Title), MessageToQString(Message), Flags, MessageColor, DefaultButton_,
            Dutch_);
}

void TZEBMessageForm::Prepare(const QString& Caption, const QString& Title, const QString& Message, int Flags,
                              TColor MessageColor, int DefaultButton_, bool Dutch_)
{
    Dutch = Dutch_;
    setWindowTitle(Caption);
    lblTitle->setText(MessageLineBreaks(Title));
    QPalette palette = lblMessage->palette();
    palette.setColor(QPalette::WindowText, ColorToQColor(MessageColor));
    lblMessage->setPalette(palette);
    lblMessage->setText(MessageLineBreaks(Message));
    Kind = Flags & 15;
    DefaultButton = DefaultButton_;

    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry() : QRect(0, 0, 800, 600);
    const TMessageBoxMetrics m = ComputeMessageBoxMetrics(
        [this](int w) { return MeasureLabel(lblMessage, w); }, [this](int w) { return MeasureLabel(lblTitle, w); },
        screen.size());

    lblMessage->setMinimumWidth(LayoutMessageWidth);
    lblMessage->setMaximumWidth(std::max(m.MessageWidth, LayoutMessageWidth));
    lblMessage->setGeometry(lblMessage->x(), m.MessageTop, m.MessageWidth, m.MessageHeight);
    lblTitle->setMaximumWidth(m.MessageWidth);
    lblTitle->resize(m.TitleWidth, m.TitleHeight);
    if (m.UseMemo) {
        memoMessage->setPlainText(lblMessage->text());
        memoMessage->resize(m.MemoWidth, m.MemoHeight);
        lblMessage->hide();
        memoMessage->show();
    }
    setMinimumWidth(m.MinFormWidth);
    resize(m.FormWidth, m.FormHeight);
    move(screen.center() - rect().center());
}

void TZEBMessageForm::PlaceButtons(int halfGap)
{
    const int panel = pnlButtons->width();
    const int width = Button1->width();
    const std::array<int, 3> lefts =
        ButtonLeftsBefore(ButtonLefts(panel, width, ButtonCount, halfGap), width, ButtonCount, Image1->x());
    for (int number = 1; number <= ButtonCount; ++number)
        ButtonAt(number)->move(lefts[size_t(number - 1)], ButtonAt(number)->y());
}

void TZEBMessageForm::FormActivate()
{
    const TButtonKind& kind = ButtonKindFor(Kind);
    ButtonCount = kind.Count;
    for (int number = 1; number <= 3; ++number) {
        QPushButton* button = ButtonAt(number);
        if (number > ButtonCount) {
            button->hide();
            continue;
        }
        const TButtonEntry& entry = kind.Buttons[size_t(number - 1)];
        button->setText(QString::fromLatin1(Dutch ? entry.Dutch : entry.English));
        results_[size_t(number - 1)] = entry.Result;
        button->show();
    }
    cancelButton_ = kind.CancelButton ? ButtonAt(kind.CancelButton) : nullptr;
    PlaceButtons(5);

    Button1->setFocus();
    if (DefaultButton >= 1 && DefaultButton <= ButtonCount)
        ButtonAt(DefaultButton)->setFocus();
}

void TZEBMessageForm::FormResize()
{
    const int panel = pnlButtons->width();
    WrapLabel(lblTitle, panel - LabelInset, 0);
    WrapLabel(lblMessage, panel - LabelInset, LayoutMessageWidth);
    Image1->move(panel - Image1->width() + 1, Image1->y());
    PlaceButtons(4);
}

bool TZEBMessageForm::event(QEvent* e)
{
    const bool result = QDialog::event(e);
    // The box counts as activated when it is shown (the window system's activation may come later)
    // and again whenever it becomes the active window.
    if (e->type() == QEvent::Show || e->type() == QEvent::WindowActivate)
        FormActivate();
    return result;
}

void TZEBMessageForm::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    if (layout())
        layout()->activate();
    FormResize();
}

void TZEBMessageForm::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        // Esc answers through the cancel button only; kinds without one ignore it.
        if (cancelButton_)
            cancelButton_->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TZEBMessageForm::reject()
{
    done(mrCancel);
}

int ZebMessageBox(const std::string& Caption, const std::string& Title, const std::string& Message, int Flags,
                  TColor MessageColor, int DefaultButton, bool Dutch)
{
    return ZebMessageBoxUnicode(AnsiToQString(Caption), MessageToQString(Title), MessageToQString(Message), Flags, MessageColor,
                                DefaultButton, Dutch);
}

int ZebMessageBoxUnicode(const QString& Caption, const QString& Title, const QString& Message, int Flags,
                         TColor MessageColor, int DefaultButton, bool Dutch)
{
    TZEBMessageForm form;
    form.Prepare(Caption, Title, Message, Flags, MessageColor, DefaultButton, Dutch);
    BelongToActiveWindow(&form);
    return form.exec();
}
