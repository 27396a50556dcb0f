#include "fGauge.h"

#include "ui_fGauge.h"

#include <QLabel>
#include <QProgressBar>

TdlgGauge* dlgGauge = nullptr;

TdlgGauge::TdlgGauge(QWidget* owner) : TBaseForm(owner)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    Ui::TdlgGauge ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Message = ui.Message;
    ProgressBar = ui.ProgressBar;
    setFixedSize(size());
}
