#include "fAbout.h"

#include "Graphics.h"
#include "Resources.h"
#include "ScreenCenter.h"
#include "comfuncs.h"
#include "ui_fAbout.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <QMouseEvent>

namespace {

void SetUnderline(QWidget* widget, bool underline)
{
    QFont font = widget->font();
    font.setUnderline(underline);
    widget->setFont(font);
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::TfrmAbout>())
{
    EnsureResources();
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont productFont = ui->lblProduct->font();
    productFont.setPixelSize(19);
    ui->lblProduct->setFont(productFont);
    programLabel_ = ui->lblProgram->text();
    programHeight_ = ui->lblProgram->height();
    connect(ui->btnOk, &QPushButton::clicked, this, &TfrmAbout::btnOkClick);
    ui->lblOrxLink->installEventFilter(this);
    CenterOnScreen(this);
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow()
{
    setWindowTitle("Betreft ZORVANDEL");
    ui->lblProduct->setText("ZORVANDEL");
    ui->lblProductName->setText("QUANDOR 4");
    ui->lblVersionNr->setText("Versie: 1.5");
    for (QLabel* label : {ui->lblProduct, ui->lblProductName, ui->lblVersionNr})
        label->setAlignment(Qt::AlignCenter);
    // Built from the layout's text each time, so showing the box again does not repeat the folder.
    QLabel* label = ui->lblProgram;
    label->setText(BreakLongWords(programLabel_ + QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                                      + QDir::separator(),
                                  label->font(), label->width()));
    // A folder of more lines than the layout has room for pushes what lies below it down.
    const int grow = std::max(label->heightForWidth(label->width()), programHeight_) - label->height();
    if (grow == 0)
        return;
    label->resize(label->width(), label->height() + grow);
    for (QWidget* below : {static_cast<QWidget*>(ui->imLogo), static_cast<QWidget*>(ui->lblOrxLink),
                           static_cast<QWidget*>(ui->pnlBottom)})
        below->move(below->x(), below->y() + grow);
    for (QWidget* around : {ui->pnlAbout, ui->Bevel1})
        around->resize(around->width(), around->height() + grow);
    setFixedHeight(height() + grow);
}

void TfrmAbout::btnOkClick()
{
    close();
}

void TfrmAbout::lblOrxLinkClick()
{
    OpenInBrowser(ElectionPage, this);
}

void TfrmAbout::lblOrxLinkMouseEnter()
{
    SetUnderline(ui->lblOrxLink, true);
}

void TfrmAbout::lblOrxLinkMouseLeave()
{
    SetUnderline(ui->lblOrxLink, false);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->lblOrxLink) {
        switch (event->type()) {
        case QEvent::Enter:
            lblOrxLinkMouseEnter();
            break;
        case QEvent::Leave:
            lblOrxLinkMouseLeave();
            break;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && ui->lblOrxLink->rect().contains(mouse->position().toPoint()))
                lblOrxLinkClick();
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
