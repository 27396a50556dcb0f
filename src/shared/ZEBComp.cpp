#include "ZEBComp.h"

#include "AnsiText.h"
#include "AnsiValidator.h"
#include "Resources.h"
#include "ZEBMessages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyleOptionButton>

bool CheckTrueColorSupport()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() > 8;
}

bool& HighColorDisplay()
{
    static bool flag = CheckTrueColorSupport();
    return flag;
}

QColor WindowColor()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

void SetFieldColor(QWidget* field, const QColor& color)
{
    QPalette palette = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, color);
        if (qobject_cast<QComboBox*>(field)) // a pick-only list is drawn as a button
            palette.setColor(group, QPalette::Button, color);
    }
    field->setPalette(palette);
}

namespace {

// The one field that may look focused.  A field keeps its tint while its window is inactive, so
// it sees no focus change when the focus moves on meanwhile (its window hidden, or another window
// active): entering another field, or the focus landing elsewhere in that window, ends the tint.
QPointer<QWidget>& TintedField()
{
    static QPointer<QWidget> field;
    return field;
}

void Untint()
{
    if (QPointer<QWidget>& tinted = TintedField()) {
        SetFieldColor(tinted, WindowColor());
        tinted = nullptr;
    }
}

void FollowFocusElsewhere()
{
    static const bool connected = QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget*, QWidget* now) {
        const QWidget* tinted = TintedField();
        if (now && tinted && now != tinted && !tinted->isAncestorOf(now) && now->window() == tinted->window())
            Untint();
    });
    (void)connected;
}

} // namespace

void TintField(QWidget* field, bool entering, TColor focused)
{
    FollowFocusElsewhere();
    if (!entering) {
        SetFieldColor(field, WindowColor());
        if (TintedField() == field)
            TintedField() = nullptr;
        return;
    }
    if (TintedField() != field)
        Untint();
    if (HighColorDisplay()) {
        SetFieldColor(field, ColorToQColor(focused));
        TintedField() = field;
    }
}

void SelectNextControlOf(QWidget* field)
{
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(field->window(), &tab);
}

bool IsFieldChange(const QFocusEvent* event)
{
    switch (event->reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

bool IsEnterKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
           && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

void WidenToShow(QLineEdit* field, const QString& text)
{
    // The size hint is room for 17 'x' plus the frame and margins around the text.
    const QFontMetrics metrics = field->fontMetrics();
    const int around = field->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    const int caret = 1;
    const int needed = metrics.horizontalAdvance(text) + around + caret;
    if (needed > field->width())
        field->resize(needed, field->height());
}

// --- TZEBEdit

TZEBEdit::TZEBEdit(QWidget* parent) : TEntryField<QLineEdit>(parent), validator_(TellRefusals(new TAnsiValidator(this)))
{
    setValidator(validator_);
}

bool TZEBEdit::IsEmpty() const
{
    for (unsigned char c : Text())
        if (c > ' ')
            return false;
    return true;
}

std::string TZEBEdit::Text() const
{
    return QStringToAnsi(text());
}

void TZEBEdit::SetText(const std::string& text)
{
    setText(AnsiToQString(text));
}

// --- TZEBCombobox

TZEBCombobox::TZEBCombobox(QWidget* parent) : QComboBox(parent), TEntrySettings(clFocusedField)
{
    setInsertPolicy(QComboBox::NoInsert);
}

TComboBoxStyle TZEBCombobox::Style() const
{
    if (simple_)
        return csSimple;
    return isEditable() ? csDropDown : csDropDownList;
}

void TZEBCombobox::ApplyStyle(TComboBoxStyle value)
{
    simple_ = value == csSimple;
    if (simple_)
        hidePopup();
    setEditable(value != csDropDownList);
    PrepareLineEdit();
}

void TZEBCombobox::PrepareLineEdit()
{
    // Also for a field made editable directly (setEditable, e.g. from a layout).
    if (QLineEdit* edit = lineEdit()) {
        if (!edit->validator())
            edit->setValidator(TellRefusals(new TAnsiValidator(edit)));
        edit->setReadOnly(readOnly_);
    }
}

void TZEBCombobox::showEvent(QShowEvent* event)
{
    PrepareLineEdit();
    QComboBox::showEvent(event);
}

void TZEBCombobox::SetStyle(TComboBoxStyle value)
{
    ApplyStyle(value);
    if (!readOnly_)
        rememberedStyle_ = value;
}

void TZEBCombobox::SetReadOnly(bool value)
{
    if (value == readOnly_)
        return;
    if (value)
        rememberedStyle_ = Style();
    readOnly_ = value;
    ApplyStyle(value ? csSimple : rememberedStyle_);
}

bool TZEBCombobox::DroppedDown() const
{
    return view() && view()->isVisible();
}

void TZEBCombobox::showPopup()
{
    if (!simple_)
        QComboBox::showPopup();
}

void TZEBCombobox::SelectNextControl()
{
    SelectNextControlOf(this);
}

bool TZEBCombobox::IsEmpty() const
{
    return currentIndex() == -1;
}

std::string TZEBCombobox::Text() const
{
    return QStringToAnsi(currentText());
}

void TZEBCombobox::focusInEvent(QFocusEvent* event)
{
    PrepareLineEdit();
    QComboBox::focusInEvent(event);
    TintField(this, true, focusedColor_);
}

void TZEBCombobox::focusOutEvent(QFocusEvent* event)
{
    if (IsFieldChange(event))
        TintField(this, false, focusedColor_);
    QComboBox::focusOutEvent(event);
}

void TZEBCombobox::keyPressEvent(QKeyEvent* event)
{
    if (readOnly_) {
        switch (event->key()) {
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            break;
        default:
            event->accept();
            return;
        }
    }
    // A drop-down list that is open takes Enter itself (selects and closes).
    if (!EnterMovesOn(event, DroppedDown() == simple_))
        QComboBox::keyPressEvent(event);
}

void TZEBCombobox::wheelEvent(QWheelEvent* event)
{
    if (readOnly_) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void TZEBCombobox::contextMenuEvent(QContextMenuEvent* event)
{
    if (readOnly_) {
        event->accept();
        return;
    }
    QComboBox::contextMenuEvent(event);
}

// --- TZEBMaskEdit

TZEBMaskEdit::TZEBMaskEdit(QWidget* parent) : TEntryField<TCustomMaskEdit>(parent)
{
    connect(this, &TCustomMaskEdit::CharactersRefused, this, &TellRefusedCharacters);
}

bool TZEBMaskEdit::IsEmpty() const
{
    return EditText() == Mask().BlankText();
}

void TZEBMaskEdit::mouseReleaseEvent(QMouseEvent* event)
{
    TEntryField<TCustomMaskEdit>::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        setCursorPosition(0);
}

// --- TZEBCheckBox

std::string StoredGlyph(bool checked)
{
    EnsureResources();
    QFile file(checked ? ":/images/zebcheck_checked.bmp" : ":/images/zebcheck_unchecked.bmp");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::string RecolorGlyph(std::string bitmap, TColor color)
{
    auto number = [&](size_t at, int size) {
        unsigned value = 0;
        for (int i = size - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bitmap[at + size_t(i)]);
        return size_t(value);
    };
    if (bitmap.size() < 54 || number(28, 2) != 24)
        return bitmap;
    const size_t offset = number(10, 4), width = number(18, 4), height = number(22, 4);
    const size_t rowBytes = (width * 3 + 3) / 4 * 4;
    const char blue = char((color >> 16) & 0xFF), green = char((color >> 8) & 0xFF), red = char(color & 0xFF);
    for (size_t row = 0; row < height; ++row)
        for (size_t x = 0; x < width; ++x) {
            const size_t at = offset + row * rowBytes + x * 3;
            if (at + 3 > bitmap.size())
                return bitmap;
            if (bitmap.compare(at, 3, "\xBF\xFF\xFF") == 0) {
                bitmap[at] = blue;
                bitmap[at + 1] = green;
                bitmap[at + 2] = red;
            }
        }
    return bitmap;
}

namespace {

QImage GlyphImage(const std::string& bitmap)
{
    return QImage::fromData(reinterpret_cast<const uchar*>(bitmap.data()), int(bitmap.size()), "BMP");
}

} // namespace

TZEBCheckBox::TZEBCheckBox(QWidget* parent) : QCheckBox(parent), TEntrySettings(clFocusedCheckBox)
{
    checkedGlyph_ = GlyphImage(StoredGlyph(true));
    uncheckedGlyph_ = GlyphImage(StoredGlyph(false));
}

void TZEBCheckBox::SetFocusedColor(TColor value)
{
    focusedColor_ = value;
    checkedGlyph_ = GlyphImage(RecolorGlyph(StoredGlyph(true), value));
    uncheckedGlyph_ = GlyphImage(RecolorGlyph(StoredGlyph(false), value));
    update();
}

void TZEBCheckBox::SelectNextControl()
{
    SelectNextControlOf(this);
}

QPoint TZEBCheckBox::GlyphPosition() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    return box.topLeft() + QPoint((box.width() - checkedGlyph_.width()) / 2,
                                  (box.height() - checkedGlyph_.height()) / 2);
}

void TZEBCheckBox::paintEvent(QPaintEvent* event)
{
    QCheckBox::paintEvent(event);
    if (HighColorDisplay() && hasFocus()) {
        QPainter painter(this);
        painter.drawImage(GlyphPosition(), Glyph(isChecked()));
    }
}

void TZEBCheckBox::keyPressEvent(QKeyEvent* event)
{
    if (!EnterMovesOn(event))
        QCheckBox::keyPressEvent(event);
}

void TZEBCheckBox::focusInEvent(QFocusEvent* event)
{
    QCheckBox::focusInEvent(event);
    update();
}

void TZEBCheckBox::focusOutEvent(QFocusEvent* event)
{
    QCheckBox::focusOutEvent(event);
    update();
}
