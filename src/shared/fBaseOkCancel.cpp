#include "fBaseOkCancel.h"

#include "ui_fBaseOkCancel.h"

#include <QFrame>
#include <QPushButton>

std::pair<int, int> OkCancelPositions(int panelLeft, int panelWidth, int okWidth, int cancelWidth)
{
    constexpr int gap = 12;
    const int half = (okWidth + cancelWidth + gap) / 2;
    const int okLeft = panelLeft + panelWidth / 2 - half;
    return {okLeft, okLeft + okWidth + gap};
}

TBaseOkCancel::TBaseOkCancel(QWidget* owner) : TBaseForm(owner)
{
    Ui::TBaseOkCancel ui;
    ui.setupUi(this);
    pnlBody = ui.pnlBody;
    pnlOkCancel = ui.pnlOkCancel;
    btnOk = ui.btnOk;
    btnCancel = ui.btnCancel;
    BindModalButton(btnOk, mrOk, [this] { btnOkClick(); });
    BindModalButton(btnCancel, mrCancel, [this] { btnCancelClick(); });
}

void TBaseOkCancel::FormResize()
{
    const auto [okLeft, cancelLeft] =
        OkCancelPositions(pnlOkCancel->x(), pnlOkCancel->width(), btnOk->width(), btnCancel->width());
    btnOk->move(okLeft, btnOk->y());
    btnCancel->move(cancelLeft, btnCancel->y());
}

void TBaseOkCancel::btnCancelClick()
{
    Close();
}

void TBaseOkCancel::ButtonsLastInTabOrder()
{
    // A widget joins the focus chain at its end when it gets its parent: the buttons rejoin
    // after the body's fields.
    for (QPushButton* button : {btnOk, btnCancel}) {
        const QRect geometry = button->geometry();
        const bool hidden = button->isHidden();
        button->setParent(nullptr);
        button->setParent(pnlOkCancel);
        button->setGeometry(geometry);
        button->setHidden(hidden);
    }
}
