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

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner)
{
    EnsureResources();
    Ui::TfrmAbout ui;
    ui.setupUi(this);
    Bevel1 = ui.Bevel1;
    pnlAbout = ui.pnlAbout;
    lblProduct = ui.lblProduct;
    lblProductName = ui.lblProductName;
    lblVersionNr = ui.lblVersionNr;
    lblProgram = ui.lblProgram;
    imLogo = ui.imLogo;
    lblOrxLink = ui.lblOrxLink;
    pnlBottom = ui.pnlBottom;
    btnOk = ui.btnOk;
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont productFont = lblProduct->font();
    productFont.setPixelSize(19);
    lblProduct->setFont(productFont);
    programLabel_ = lblProgram->text();
    programHeight_ = lblProgram->height();
    connect(btnOk, &QPushButton::clicked, this, &TfrmAbout::btnOkClick);
    lblOrxLink->installEventFilter(this);
    CenterOnScreen(this);
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow()
{
    setWindowTitle("Betreft ZORVANDEL");
    lblProduct->setText("ZORVANDEL");
    lblProductName->setText("QUANDOR 4");
    lblVersionNr->setText("Versie: 1.5");
    for (QLabel* label : {lblProduct, lblProductName, lblVersionNr})
        label->setAlignment(Qt::AlignCenter);
    // Built from the layout's text each time, so showing the box again does not repeat the folder.
    QLabel* label = lblProgram;
    label->setText(BreakLongWords(programLabel_ + QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                                      + QDir::separator(),
                                  label->font(), label->width()));
    // A folder of more lines than the layout has room for pushes what lies below it down.
    const int grow = std::max(label->heightForWidth(label->width()), programHeight_) - label->height();
    if (grow == 0)
        return;
    label->resize(label->width(), label->height() + grow);
    for (QWidget* below : {static_cast<QWidget*>(imLogo), static_cast<QWidget*>(lblOrxLink),
                           static_cast<QWidget*>(pnlBottom)})
        below->move(below->x(), below->y() + grow);
    for (QWidget* around : {pnlAbout, Bevel1})
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
    SetUnderline(lblOrxLink, true);
}

void TfrmAbout::lblOrxLinkMouseLeave()
{
    SetUnderline(lblOrxLink, false);
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblOrxLink) {
        switch (event->type()) {
        case QEvent::Enter:
            lblOrxLinkMouseEnter();
            break;
        case QEvent::Leave:
            lblOrxLinkMouseLeave();
            break;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && lblOrxLink->rect().contains(mouse->position().toPoint()))
                lblOrxLinkClick();
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
