#include "UpDown.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [button, arrow, up] : {std::tuple{up_, Qt::UpArrow, true}, std::tuple{down_, Qt::DownArrow, false}}) {
        button->setArrowType(arrow);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, up = up] { Step(up); });
    }
}

void TUpDown::SetMin(int value)
{
    min_ = value;
    max_ = std::max(max_, min_);
    SetPosition(position_);
}

void TUpDown::SetMax(int value)
{
    max_ = value;
    min_ = std::min(min_, max_);
    SetPosition(position_);
}

void TUpDown::SetPosition(int value)
{
    position_ = std::clamp(value, min_, max_);
    if (associate_)
        associate_->setText(QString::number(position_));
}

void TUpDown::SetAssociate(QLineEdit* edit)
{
    if (associate_) {
        associate_->removeEventFilter(this);
        disconnect(associate_, nullptr, this, nullptr);
    }
    associate_ = edit;
    if (associate_) {
        associate_->installEventFilter(this);
        connect(associate_, &QLineEdit::textChanged, this, &TUpDown::AssociateEdited);
        SetPosition(position_);
    }
}

void TUpDown::Step(bool up)
{
    if (!isEnabled())
        return;
    long long next = static_cast<long long>(position_) + (up ? 1 : -1);
    if (next > max_)
        next = wrap_ ? min_ : max_;
    else if (next < min_)
        next = wrap_ ? max_ : min_;
    SetPosition(static_cast<int>(next));
}

void TUpDown::AssociateEdited(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (ok && value >= min_ && value <= max_)
        position_ = value;
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == associate_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && key->modifiers() == Qt::NoModifier &&
            !associate_->isReadOnly()) {
            Step(key->key() == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
