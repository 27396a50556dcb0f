#pragma once
// The progress window of the forms output: a borderless panel with a step text and a bar that
// counts the documents made.  The work that it follows keeps the event loop from running, so the
// window is put on the screen and painted at once, and repainted after every change:
//
//     dlgGauge = new TdlgGauge(owner);  // freed by whoever made it
//     dlgGauge->ProgressBar->setRange(0, passes);
//     dlgGauge->Message->setText("...");
//     dlgGauge->Initialize();
//     dlgGauge->ShowNow();
//     dlgGauge->ShowStep("...");

#include "fBaseForm.h"

class QFrame;
class QLabel;
class QProgressBar;

// The window's width for a step text TextWidth pixels wide: the text and the bar keep their
// margins of 16 and 19, the window is never narrower than CurrentWidth and never wider than
// ScreenWidth.
int GaugeWidth(int TextWidth, int CurrentWidth, int ScreenWidth);

class TdlgGauge : public TBaseForm {
    Q_OBJECT
public:
    explicit TdlgGauge(QWidget* owner = nullptr);

    // Shows the window without waiting for the user and paints it once the window system has put
    // it on the screen (waiting at most two seconds for that).
    void ShowNow();
    // Shows Text as the step, on a wider window when the text needs it, and repaints at once.
    void ShowStep(const QString& Text);

    QFrame* Panel1 = nullptr;
    QLabel* Message = nullptr;
    QProgressBar* ProgressBar = nullptr;
};

// The window while a form request runs; null otherwise.
extern TdlgGauge* dlgGauge;
