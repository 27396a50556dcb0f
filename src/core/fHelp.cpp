#include "fHelp.h"

#include "ScreenCenter.h"
#include "ui_fHelp.h"

TfrmHelp::TfrmHelp(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::TfrmHelp>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CenterOnScreen(this);
}

TfrmHelp::~TfrmHelp() = default;
