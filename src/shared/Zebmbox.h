#pragma once
// The program's own modal message box: a heading, a word-wrapped message (a scrolling memo when the
// message is too tall for the screen) and one to three buttons.
//
//   int result = ZebMessageBox(Caption, Title, Message, Flags, MessageColor, DefaultButton, Dutch);
//
// Flags & 15 is the button kind:
//   0  "&Ok" -> 1
//   1  "&Ok" -> 1, "&Annuleren"/"&Cancel" -> 2 (Esc)
//   3  "&Ja"/"&Yes" -> 6, "&Nee"/"&No" -> 7, "&Annuleren"/"&Cancel" -> 2 (Esc)
//   4  "&Ja"/"&Yes" -> 6, "&Nee"/"&No" -> 7
// The other kinds name no button set and are shown as kind 0.  The close box answers 2 for every
// kind.  DefaultButton (from 1) is the button that has the focus when the box opens.
// Texts are Windows-1252; MessageColor is a colour value with red in the low byte.

#include "Graphics.h"

#include <QDialog>
#include <QSize>
#include "ModalResult.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Button kinds (Flags & 15).
enum : int { mbOk = 0, mbOkCancel = 1, mbYesNoCancel = 3, mbYesNo = 4 };

int ZebMessageBox(const std::string& Caption, const std::string& Title, const std::string& Message, int Flags,
                  TColor MessageColor, int DefaultButton, bool Dutch);
// The same box with Unicode texts, for a message that shows a path: every character stays whole.
int ZebMessageBoxUnicode(const QString& Caption, const QString& Title, const QString& Message, int Flags,
                         TColor MessageColor, int DefaultButton, bool Dutch);

// ---- Size and placement arithmetic (no window needed) ----

// Size of a word-wrapped text: its widest line and its height.
struct TTextExtent {
    int Width = 0;
    int Height = 0;
};
// Measures a text wrapped at the given width.
using TTextMeasure = std::function<TTextExtent(int wrapWidth)>;

// The geometry the box gets before it is shown.
struct TMessageBoxMetrics {
    int FormWidth = 0;
    int FormHeight = 0;
    int MinFormWidth = 0; // the least width that still shows every word of the message whole
    int MessageWidth = 0; // lblMessage
    int MessageHeight = 0;
    int MessageTop = 0;
    int TitleWidth = 0;
    int TitleHeight = 0;
    bool UseMemo = false; // the message is shown in memoMessage instead of lblMessage
    int MemoWidth = 0;
    int MemoHeight = 0;
};

// Sizes the box for a message and heading measured by the given functions on a screen of the given
// size: widens a message taller than the plain area or holding a word wider than the label,
// switches to the memo when it is still too tall or too wide for the screen, and moves the message
// below the heading.
TMessageBoxMetrics ComputeMessageBoxMetrics(const TTextMeasure& message, const TTextMeasure& title, QSize screen);

// The message as the box lays it out: a lone CR becomes a line break (LF), as LF and CR LF are
// (a label draws the CR of a CR LF as a blank at the end of the line).
QString MessageLineBreaks(const QString& Message);

// Width of a label with autosize: its widest line, kept between minWidth and maxWidth.
int AutoSizedLabelWidth(int textWidth, int minWidth, int maxWidth);

// Left positions of the first count buttons (each buttonWidth wide) centred in a panel
// panelWidth wide; two buttons stand halfGap pixels on each side of the middle.
std::array<int, 3> ButtonLefts(int panelWidth, int buttonWidth, int count, int halfGap);
// The row of count buttons at lefts moved left as far as needed to end at limit (where the
// picture beside them starts), but not past the panel's left edge.
std::array<int, 3> ButtonLeftsBefore(std::array<int, 3> lefts, int buttonWidth, int count, int limit);

// Button kinds: how many buttons, and per button the Dutch and English caption and the result.
struct TButtonEntry {
    const char* Dutch;
    const char* English;
    int Result;
};
struct TButtonKind {
    int Count;
    std::array<TButtonEntry, 3> Buttons;
    int CancelButton; // 1-based; 0 when Esc answers nothing
};
// The set for Flags & 15; kinds without a set of their own get kind 0's.
const TButtonKind& ButtonKindFor(int kind);

// ---- The window ----

class TZEBMessageForm : public QDialog {
    Q_OBJECT
public:
    explicit TZEBMessageForm(QWidget* parent = nullptr);

    // Steps before showing: texts, colour, kind and size.
    void Prepare(const std::string& Caption, const std::string& Title, const std::string& Message, int Flags,
                 TColor MessageColor, int DefaultButton, bool Dutch);
    void Prepare(const QString& Caption, const QString& Title, const QString& Message, int Flags,
                 TColor MessageColor, int DefaultButton, bool Dutch);

    // Handlers.
    void FormActivate();
    void FormResize();

    bool Dutch = true;
    int Kind = 0;
    int DefaultButton = 1;
    int ButtonCount = 0;

    QLabel* lblTitle = nullptr;
    QLabel* lblMessage = nullptr;
    QPlainTextEdit* memoMessage = nullptr; // in place of lblMessage for a message too big for it
    QFrame* pnlButtons = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* Image1 = nullptr;

    void reject() override; // the close box answers Cancel

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPushButton* ButtonAt(int number) const; // 1-based
    void PlaceButtons(int halfGap);
    TTextExtent MeasureLabel(const QLabel* label, int wrapWidth) const;
    void WrapLabel(QLabel* label, int wrapWidth, int minWidth); // width and height after wrapping

    QPushButton* cancelButton_ = nullptr;
    std::array<int, 3> results_{};
};
