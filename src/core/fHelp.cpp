#include "fHelp.h"

#include "ScreenCenter.h"
#include "ui_fHelp.h"

TfrmHelp::TfrmHelp(QWidget* owner) : QDialog(owner)
{
    Ui::TfrmHelp ui;
    ui.setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CenterOnScreen(this);
}
