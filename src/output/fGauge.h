#pragma once
// The progress window of the forms output: a borderless panel with a step text and a bar that
// counts the documents made.  It has no logic of its own: its user sets Message and ProgressBar
// and repaints it at once, since the work that it follows keeps the event loop from running.
//
//     dlgGauge = new TdlgGauge(owner);  // freed by whoever made it
//     dlgGauge->ProgressBar->setRange(0, passes);
//     dlgGauge->Message->setText("...");
//     dlgGauge->Initialize();
//     dlgGauge->show();
//     dlgGauge->repaint();

#include "fBaseForm.h"

class QFrame;
class QLabel;
class QProgressBar;

class TdlgGauge : public TBaseForm {
    Q_OBJECT
public:
    explicit TdlgGauge(QWidget* owner = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* Message = nullptr;
    QProgressBar* ProgressBar = nullptr;
};

// The window while a form request runs; null otherwise.
extern TdlgGauge* dlgGauge;
