#include "fExtraFields.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "ScreenCenter.h"
#include "WindowFrame.h"
#include "ZEBMessages.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>

// The dialog, built for the fields it is given.
TdlgExtraFields::TdlgExtraFields(const std::vector<TExtraField>& fields, QWidget* owner) : QDialog(owner)
{
    setWindowTitle("Extra velden voor MS Word koppeling");
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize usable = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int widest = 0;
    for (const TExtraField& field : fields)
        widest = std::max(widest, fontMetrics().horizontalAdvance(AnsiToQString(field.Prompt)) + 1);
    const auto geometry = [=, n = int(fields.size())](const TFrameExtents& frame) {
        return ExtraFieldsGeometry(n, widest, frame, usable, scrollBar);
    };

    QWidget* area = this;
    if (geometry({}).Scrolls) {
        scroll_ = new QScrollArea(this);
        scroll_->setFrameShape(QFrame::NoFrame);
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area = new QWidget;
        area->resize(geometry({}).ClientWidth - scrollBar, geometry({}).ContentHeight);
        scroll_->setWidget(area);
    }
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int row = 25 * int(i);
        auto* label = new QLabel(AnsiToQString(fields[i].Prompt), area);
        label->move(TExtraFieldsGeometry::LabelLeft, 8 + row);
        label->adjustSize();
        auto* edit = new QLineEdit(AnsiToQString(fields[i].Initial), area);
        edit->setValidator(TellRefusals(new TAnsiValidator(edit)));
        edit->setGeometry(170, 4 + row, TExtraFieldsGeometry::EditWidth, TExtraFieldsGeometry::EditHeight);
        if (scroll_)
            edit->installEventFilter(this);
        edits_.push_back(edit);
        if (previous)
            setTabOrder(previous, edit);
        previous = edit;
    }
    ok_ = new QPushButton("&OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("&Annuleren", this);
    if (previous)
        setTabOrder(previous, ok_);
    setTabOrder(ok_, cancel_);
    connect(ok_, &QPushButton::clicked, this, [this] { done(1); });
    connect(cancel_, &QPushButton::clicked, this, [this] { done(2); });
    if (!edits_.empty())
        edits_.front()->setFocus();
    ApplyOuterSize(this, [this, geometry](const TFrameExtents& frame) { Place(geometry(frame)); });
    CenterOnScreen(this);
}

void TdlgExtraFields::reject() // Esc and the close box
{
    done(2);
}

bool TdlgExtraFields::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const auto* edit = static_cast<QWidget*>(watched);
        const QRect place(edit->mapTo(scroll_->widget(), QPoint(0, 0)), edit->size());
        scroll_->ensureVisible(place.center().x(), place.center().y(), place.width() / 2 + 2, place.height() / 2 + 4);
    }
    return QDialog::eventFilter(watched, event);
}

std::vector<std::string> TdlgExtraFields::Texts() const
{
    std::vector<std::string> texts;
    for (const QLineEdit* edit : edits_)
        texts.push_back(QStringToAnsi(edit->text()));
    return texts;
}

void TdlgExtraFields::Place(const TExtraFieldsGeometry& g)
{
    setFixedSize(g.ClientWidth, g.ClientHeight);
    if (scroll_) {
        scroll_->setGeometry(0, 0, g.ClientWidth, g.AreaHeight);
        scroll_->widget()->resize(g.ClientWidth - style()->pixelMetric(QStyle::PM_ScrollBarExtent), g.ContentHeight);
    }
    for (QLineEdit* edit : edits_)
        edit->move(g.EditLeft, edit->y());
    ok_->setGeometry(g.OkLeft, g.ButtonTop, g.ButtonWidth, g.ButtonHeight);
    cancel_->setGeometry(g.CancelLeft, g.ButtonTop, g.ButtonWidth, g.ButtonHeight);
}

