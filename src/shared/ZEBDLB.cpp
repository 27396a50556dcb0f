#include "ZEBDLB.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "Resources.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>

namespace {

constexpr int DesignWidth = 505; // the width the layout's fixed numbers are given for
constexpr int SpeedButtonWidth = 23;
constexpr int SpeedButtonHeight = 22;

bool SameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A list item; a sorted list orders by text without regard to case.
class TDLBItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override
    {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

} // namespace

TDualListLayout DualListLayout(int PanelWidth, TListBoxID LeftListBox, int ButtonWidth, int ButtonHeight)
{
    const int d = (PanelWidth - DesignWidth) / 2; // truncated towards zero
    const TListBoxID right = LeftListBox == SOURCE ? DESTINATION : SOURCE;
    TDualListLayout layout;
    layout.Lists[LeftListBox] = {8, 24, d + 217, 249};
    layout.Lists[right] = {d + 280, 24, d + 217, 249};
    for (TListBoxID id : {SOURCE, DESTINATION})
        layout.Labels[id] = {layout.Lists[id].Left, 8, d + 217, 13};

    // From top to bottom: single left, single right, double left, double right.  Each points
    // from the list that gives to the list that receives.
    const int left = (PanelWidth - ButtonWidth) / 2;
    const int tops[4] = {48, 107, 165, 224};
    const TDLBArrow arrows[4] = {arLeft, arRight, arDoubleLeft, arDoubleRight};
    const int sourceLeft[4] = {2, 1, 4, 3};
    const int destinationLeft[4] = {1, 2, 3, 4};
    const int* buttons = LeftListBox == SOURCE ? sourceLeft : destinationLeft;
    for (int row = 0; row < 4; ++row) {
        const std::size_t index = std::size_t(buttons[row] - 1);
        layout.Buttons[index] = {left, tops[row], ButtonWidth, ButtonHeight};
        layout.Arrows[index] = arrows[row];
    }
    return layout;
}

std::array<bool, 4> DualListButtonStates(int SourceCount, int DestinationCount)
{
    const bool fromSource = SourceCount > 0;
    const bool fromDestination = DestinationCount > 0;
    return {fromSource, fromDestination, fromSource, fromDestination};
}

bool SameItemText(const std::string& A, const std::string& B)
{
    return SameText(AnsiToQString(A), AnsiToQString(B));
}

QString ArrowResource(TDLBArrow Arrow)
{
    switch (Arrow) {
    case arLeft: return QStringLiteral(":/images/BMP_ARR_LEFT.png");
    case arRight: return QStringLiteral(":/images/BMP_ARR_RIGHT.png");
    case arDoubleLeft: return QStringLiteral(":/images/BMP_ARR_DLEFT.png");
    case arDoubleRight: return QStringLiteral(":/images/BMP_ARR_DRIGHT.png");
    }
    return {};
}

TDLBMouseMove DragOnMouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers, int Distance,
                              int DragDistance)
{
    if (Buttons != Qt::LeftButton || (Modifiers & Qt::ShiftModifier))
        return mmListOwn;
    return Distance >= DragDistance ? mmDragStarts : mmDragWaits;
}

// ---- TZEBDLBListBox

TZEBDLBListBox::TZEBDLBListBox(QWidget* parent) : QListWidget(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

QString TZEBDLBListBox::DragSourceId() const
{
    return QString::number(QCoreApplication::applicationPid()) + ':' + QString::number(quintptr(this), 16);
}

QString TZEBDLBListBox::DragSourceOf(const QMimeData* Data)
{
    const QString format = QString::fromLatin1(DLBMimeType);
    if (!Data || !Data->hasFormat(format))
        return {};
    const QByteArray bytes = Data->data(format);
    return QString::fromLatin1(bytes.left(bytes.indexOf('\n')));
}

QMimeData* TZEBDLBListBox::DragData() const
{
    QByteArray texts = DragSourceId().toLatin1() + '\n';
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            texts += QByteArray::fromStdString(QStringToAnsi(item(i)->text())) + '\n';
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(DLBMimeType), texts);
    return mime;
}

void TZEBDLBListBox::BeginDrag()
{
    auto* drag = new QDrag(this);
    drag->setMimeData(DragData());
    drag->exec(Qt::MoveAction);
}

void TZEBDLBListBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressPosition_ = event->position().toPoint();
    QListWidget::mousePressEvent(event);
}

void TZEBDLBListBox::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove && OnMouseMove(this, event))
        return;
    QListWidget::mouseMoveEvent(event);
}

void TZEBDLBListBox::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void TZEBDLBListBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (OnDragOver && OnDragOver(this, DragSourceOf(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZEBDLBListBox::dropEvent(QDropEvent* event)
{
    const QString source = DragSourceOf(event->mimeData());
    if (!OnDragOver || !OnDragOver(this, source)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (OnDragDrop)
        OnDragDrop(this, source);
}

// ---- Speed buttons

TZEBDLBSpeedButton::TZEBDLBSpeedButton(TZEBDualListBox* owner, TMove AMove) : QToolButton(owner)
{
    setFocusPolicy(Qt::NoFocus);
    resize(SpeedButtonWidth, SpeedButtonHeight);
    // Connected first, so the move comes before any other handler of the click.
    connect(this, &QAbstractButton::clicked, this, [owner, AMove] { (owner->*AMove)(); });
}

// ---- TDLBItems

QListWidgetItem* TDLBItems::Item(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw Exception("Lijstindex buiten bereik (" + std::to_string(Index) + ")");
    return list_->item(Index);
}

int TDLBItems::Count() const
{
    return list_->count();
}

std::string TDLBItems::Strings(int Index) const
{
    return QStringToAnsi(Item(Index)->text());
}

void* TDLBItems::Objects(int Index) const
{
    return Item(Index)->data(Qt::UserRole).value<void*>();
}

int TDLBItems::Add(const std::string& Text, void* Object)
{
    auto* item = new TDLBItem(AnsiToQString(Text));
    item->setData(Qt::UserRole, QVariant::fromValue(Object));
    list_->addItem(item);
    return list_->row(item);
}

void TDLBItems::Delete(int Index)
{
    delete Item(Index);
}

void TDLBItems::Clear()
{
    list_->clear();
}

int TDLBItems::IndexOf(const std::string& Text) const
{
    const QString text = AnsiToQString(Text);
    for (int i = 0; i < Count(); ++i)
        if (SameText(list_->item(i)->text(), text))
            return i;
    return -1;
}

// ---- TZEBDualListBox

TZEBDualListBox::TZEBDualListBox(QWidget* parent) : QFrame(parent)
{
    EnsureResources();
    resize(DesignWidth, 281);
    for (TListBoxID id : {SOURCE, DESTINATION}) {
        lists_[id] = new TZEBDLBListBox(this);
        labels_[id] = new TZEBDLBLabel(this);
        items_[id] = TDLBItems(lists_[id]);
        lists_[id]->OnMouseMove = [this](TZEBDLBListBox* sender, QMouseEvent* event) {
            return ListBoxMouseMove(sender, event);
        };
        lists_[id]->OnDragOver = [this](TZEBDLBListBox* sender, const QString& source) {
            return ListBoxDragOver(sender, source);
        };
        lists_[id]->OnDragDrop = [this](TZEBDLBListBox* sender, const QString& source) {
            ListBoxDragDrop(sender, source);
        };
    }
    buttons_ = {new TZEBDLBSpeedButton1(this), new TZEBDLBSpeedButton2(this), new TZEBDLBSpeedButton3(this),
                new TZEBDLBSpeedButton4(this)};
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    ApplyFonts();

    SetLeftListBox(SOURCE);
    SetSorted(false);
    SetMultiSelect(true);
    SetEnabled(true);
    SetCaptionSource("Nog te selecteren:");
    SetCaptionDestination("Bevat:");
}

TZEBDualListBox::~TZEBDualListBox()
{
    // The base deletes the lists after this; nothing may reach the handlers of a panel half gone.
    for (TZEBDLBListBox* list : lists_) {
        list->OnMouseMove = nullptr;
        list->OnDragOver = nullptr;
        list->OnDragDrop = nullptr;
    }
}

void TZEBDualListBox::AddItem(TListBoxID List, const std::string& Text, void* Object)
{
    LaidOutForCurrentSize();
    if (!Exists(List, Text))
        items_[List].Add(Text, Object);
    UpdateButtons();
}

void TZEBDualListBox::AddItem(TListBoxID List, const std::string& Text)
{
    AddItem(List, Text, nullptr);
}

void TZEBDualListBox::DeleteItem(TListBoxID List, int Index)
{
    LaidOutForCurrentSize();
    items_[List].Delete(Index);
    UpdateButtons();
}

bool TZEBDualListBox::Exists(TListBoxID List, const std::string& Text) const
{
    return items_[List].IndexOf(Text) >= 0;
}

void TZEBDualListBox::MoveItem(TListBoxID From, int Index)
{
    const std::string text = items_[From].Strings(Index);
    void* object = items_[From].Objects(Index);
    if (object)
        AddItem(Other(From), text, object);
    else
        AddItem(Other(From), text);
    DeleteItem(From, Index);
}

void TZEBDualListBox::MoveSelected(TListBoxID From)
{
    int index = 0;
    while (index < items_[From].Count()) {
        if (lists_[From]->item(index)->isSelected())
            MoveItem(From, index); // the next item moves up to this index
        else
            ++index;
    }
}

void TZEBDualListBox::MoveAll(TListBoxID From)
{
    while (items_[From].Count() > 0)
        MoveItem(From, 0);
    UpdateButtons();
}

void TZEBDualListBox::MoveSelectedToDestination() { MoveSelected(SOURCE); }
void TZEBDualListBox::MoveSelectedToSource() { MoveSelected(DESTINATION); }
void TZEBDualListBox::MoveAllToDestination() { MoveAll(SOURCE); }
void TZEBDualListBox::MoveAllToSource() { MoveAll(DESTINATION); }

void TZEBDualListBox::UpdateButtons()
{
    const auto states = DualListButtonStates(items_[SOURCE].Count(), items_[DESTINATION].Count());
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setEnabled(states[i]);
}

void TZEBDualListBox::LayoutParts()
{
    const TDualListLayout layout = DualListLayout(width(), leftListBox_, SpeedButtonWidth, SpeedButtonHeight);
    for (TListBoxID id : {SOURCE, DESTINATION}) {
        const TDLBBounds& list = layout.Lists[id];
        const TDLBBounds& label = layout.Labels[id];
        lists_[id]->setGeometry(list.Left, list.Top, list.Width, list.Height);
        labels_[id]->setGeometry(label.Left, label.Top, label.Width, label.Height);
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const TDLBBounds& b = layout.Buttons[i];
        buttons_[i]->setGeometry(b.Left, b.Top, b.Width, b.Height);
        buttons_[i]->setIcon(QIcon(ArrowResource(layout.Arrows[i])));
        buttons_[i]->setEnabled(false); // until the next update of the buttons
    }
    laidOutSize_ = size();
}

void TZEBDualListBox::LaidOutForCurrentSize()
{
    // A panel sized while hidden hears of it only when shown; before the lists change, the
    // parts are laid out for the size it has, so showing it later leaves the buttons as they are.
    if (size() != laidOutSize_)
        LayoutParts();
}

void TZEBDualListBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (size() != laidOutSize_)
        LayoutParts();
}

void TZEBDualListBox::SetLeftListBox(TListBoxID value)
{
    leftListBox_ = value;
    LayoutParts();
}

void TZEBDualListBox::SetSorted(bool value)
{
    sorted_ = value;
    for (TZEBDLBListBox* list : lists_)
        list->setSortingEnabled(value);
}

void TZEBDualListBox::SetMultiSelect(bool value)
{
    multiSelect_ = value;
    for (TZEBDLBListBox* list : lists_)
        list->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TZEBDualListBox::SetCaptionSource(const std::string& value)
{
    captionSource_ = value;
    labels_[SOURCE]->setText(AnsiToQString(value));
}

void TZEBDualListBox::SetCaptionDestination(const std::string& value)
{
    captionDestination_ = value;
    labels_[DESTINATION]->setText(AnsiToQString(value));
}

QString TZEBDualListBox::CaptionSourceText() const { return AnsiToQString(captionSource_); }
void TZEBDualListBox::SetCaptionSourceText(const QString& value) { SetCaptionSource(QStringToAnsi(value)); }
QString TZEBDualListBox::CaptionDestinationText() const { return AnsiToQString(captionDestination_); }
void TZEBDualListBox::SetCaptionDestinationText(const QString& value) { SetCaptionDestination(QStringToAnsi(value)); }

void TZEBDualListBox::SetEnabled(bool value)
{
    enabled_ = value;
    for (TZEBDLBListBox* list : lists_)
        list->setEnabled(value);
    if (value) {
        UpdateButtons();
    } else {
        for (TZEBDLBSpeedButton* button : buttons_)
            button->setEnabled(false);
    }
}

void TZEBDualListBox::SetListBoxFont(const TFont& value)
{
    listBoxFont_.AssignSilently(value);
    ApplyFonts();
}

void TZEBDualListBox::SetCaptionFont(const TFont& value)
{
    captionFont_.AssignSilently(value);
    ApplyFonts();
}

void TZEBDualListBox::ApplyFonts()
{
    const auto apply = [](QWidget* widget, const TFont& font, QPalette::ColorRole role) {
        const QFont qfont = font.ToQFont();
        if (widget->font() != qfont)
            widget->setFont(qfont);
        const QColor color = ColorToQColor(font.Color());
        if (widget->palette().color(role) != color) {
            QPalette palette = widget->palette();
            palette.setColor(role, color);
            widget->setPalette(palette);
        }
    };
    for (TListBoxID id : {SOURCE, DESTINATION}) {
        apply(lists_[id], listBoxFont_, QPalette::Text);
        apply(labels_[id], captionFont_, QPalette::WindowText);
    }
}

void TZEBDualListBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    ApplyFonts();
}

bool TZEBDualListBox::ListBoxMouseMove(TZEBDLBListBox* Sender, QMouseEvent* Event)
{
    const int distance = (Event->position().toPoint() - Sender->PressPosition()).manhattanLength();
    switch (DragOnMouseMove(Event->buttons(), Event->modifiers(), distance, QApplication::startDragDistance())) {
    case mmListOwn:
        return false;
    case mmDragWaits:
        return true;
    case mmDragStarts:
        Sender->BeginDrag();
        return true;
    }
    return false;
}

bool TZEBDualListBox::ListBoxDragOver(TZEBDLBListBox* Sender, const QString& Source)
{
    return !Source.isEmpty() && Source == lists_[Other(IdOf(Sender))]->DragSourceId();
}

void TZEBDualListBox::ListBoxDragDrop(TZEBDLBListBox* Sender, const QString& /*Source*/)
{
    if (IdOf(Sender) == DESTINATION)
        MoveSelectedToDestination();
    else
        MoveSelectedToSource();
}
