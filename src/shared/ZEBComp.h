#pragma once
// Entry controls used in place of the plain ones: the field with the focus is tinted, Enter moves
// on to the next control like Tab, and a read-only field refuses keys and its context menu.
// All can be placed in .ui files as promoted widgets (header "ZEBComp.h"); their settings are
// properties, so a layout can set them as dynamic properties (e.g. TabOnEnter).

#include "Graphics.h"
#include "MaskEdit.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <string>

constexpr TColor clFocusedField = 0xDFFFFF;    // red 255, green 255, blue 223
constexpr TColor clFocusedCheckBox = 0xBFFFFF; // red 255, green 255, blue 191

// True when the screen shows more than 8 bits per pixel.
bool CheckTrueColorSupport();
// The high colour flag: set by CheckTrueColorSupport on first use.  Focus tints and the check
// box glyph are drawn only while it is set.  Assignable (tests replace it for one scope).
bool& HighColorDisplay();

// The system colour of window (field) backgrounds.
QColor WindowColor();
// The background of an entry field.
void SetFieldColor(QWidget* field, const QColor& color);
// Entering tints the field with focused (high colour displays only); leaving always gives it the
// window colour, whatever colour it had before.
void TintField(QWidget* field, bool entering, TColor focused);
// Moves the focus on from field as the Tab key would, through its window's own Tab handling.
void SelectNextControlOf(QWidget* field);
// A focus change between controls, not the window being (de)activated or a popup opening.
bool IsFieldChange(const QFocusEvent* event);
bool IsEnterKey(const QKeyEvent* event);
// Widens field where needed so that it shows text whole, caret included, without scrolling.
void WidenToShow(QLineEdit* field, const QString& text);

// What every entry control keeps: the tint it takes while focused and whether Enter moves on
// like Tab.
class TEntrySettings {
public:
    explicit TEntrySettings(TColor focused) : focusedColor_(focused) {}
    virtual ~TEntrySettings() = default;

    TColor FocusedColor() const { return focusedColor_; }
    void SetFocusedColor(TColor value) { focusedColor_ = value; }
    bool TabOnEnter() const { return tabOnEnter_; }
    void SetTabOnEnter(bool value) { tabOnEnter_ = value; }

    // Moves the focus on as Tab would.
    virtual void SelectNextControl() = 0;

protected:
    // Enter (without Ctrl or Alt) moves on when TabOnEnter is set and the control lets it
    // (allowed); the key is then taken and true returned.
    bool EnterMovesOn(QKeyEvent* event, bool allowed = true)
    {
        if (!tabOnEnter_ || !allowed || !IsEnterKey(event))
            return false;
        SelectNextControl();
        event->accept();
        return true;
    }

    TColor focusedColor_;

private:
    bool tabOnEnter_ = true;
};

// What the edit-based fields share: focus tint, Enter as Tab, no context menu while read-only.
template <class Base>
class TEntryField : public Base, public TEntrySettings {
public:
    explicit TEntryField(QWidget* parent = nullptr) : Base(parent), TEntrySettings(clFocusedField) {}

    void SelectNextControl() override { SelectNextControlOf(this); }

protected:
    // Whether the field is read-only for the user (the base's own read-only flag by default).
    virtual bool IsReadOnlyField() const { return this->isReadOnly(); }

    void focusInEvent(QFocusEvent* event) override
    {
        Base::focusInEvent(event);
        TintField(this, true, focusedColor_);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        if (IsFieldChange(event))
            TintField(this, false, focusedColor_);
        Base::focusOutEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!EnterMovesOn(event))
            Base::keyPressEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::RightButton && IsReadOnlyField()) {
            event->accept();
            return;
        }
        Base::mousePressEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (IsReadOnlyField()) {
            event->accept();
            return;
        }
        Base::contextMenuEvent(event);
    }
};

class TZEBEdit : public TEntryField<QLineEdit> {
    Q_OBJECT
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool TabOnEnter READ TabOnEnter WRITE SetTabOnEnter)

public:
    explicit TZEBEdit(QWidget* parent = nullptr);

    // The text without leading and trailing blanks is empty.
    virtual bool IsEmpty() const;

    // Windows-1252 text.
    std::string Text() const;
    void SetText(const std::string& text);

    // Letters typed or put in are shown and kept in this case.
    TEditCharCase CharCase() const { return validator_->CharCase(); }
    void SetCharCase(TEditCharCase value) { validator_->SetCharCase(value); }

private:
    TAnsiValidator* validator_;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

// Styles: csDropDown an editable field with a list, csSimple an editable field whose list does
// not drop down, csDropDownList a pick-only list (the default, as for a plain Qt combo box, so
// that a layout gets a pick-only list unless it makes the box editable).
class TZEBCombobox : public QComboBox, public TEntrySettings {
    Q_OBJECT
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool TabOnEnter READ TabOnEnter WRITE SetTabOnEnter)

public:
    explicit TZEBCombobox(QWidget* parent = nullptr);

    TComboBoxStyle Style() const;
    // Takes effect at once; remembered for switching read-only off unless read-only.
    void SetStyle(TComboBoxStyle value);
    bool ReadOnly() const { return readOnly_; }
    // On: the simple style, only End, Home, Left and Right keys, no context menu, no wheel.
    // Off: the style from before comes back.
    void SetReadOnly(bool value);
    bool DroppedDown() const;

    void SelectNextControl() override;
    // No item is selected.
    virtual bool IsEmpty() const;

    // Windows-1252 text of the field (the selected item's text for a pick-only list).
    std::string Text() const;

    void showPopup() override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ApplyStyle(TComboBoxStyle value);
    void PrepareLineEdit();

    bool readOnly_ = false;
    bool simple_ = false;
    TComboBoxStyle rememberedStyle_ = csDropDownList;
};

class TZEBMaskEdit : public TEntryField<TCustomMaskEdit> {
    Q_OBJECT
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool TabOnEnter READ TabOnEnter WRITE SetTabOnEnter)

public:
    explicit TZEBMaskEdit(QWidget* parent = nullptr);

    // Nothing has been typed: the text is the mask's blank text (without a mask: empty).
    virtual bool IsEmpty() const;

protected:
    // A click only puts the caret at the start.
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The stored 9 x 9 glyph of the check box as a 24-bit bitmap file image.
std::string StoredGlyph(bool checked);
// bitmap with every pixel of the background colour $BFFFFF set to color.
std::string RecolorGlyph(std::string bitmap, TColor color);

// While it has the focus, the check box shows its box as a tinted glyph.
class TZEBCheckBox : public QCheckBox, public TEntrySettings {
    Q_OBJECT
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool TabOnEnter READ TabOnEnter WRITE SetTabOnEnter)

public:
    explicit TZEBCheckBox(QWidget* parent = nullptr);

    // Recolours both glyphs, each time from the stored images.
    void SetFocusedColor(TColor value);

    void SelectNextControl() override;

    const QImage& Glyph(bool checked) const { return checked ? checkedGlyph_ : uncheckedGlyph_; }
    // Where the glyph is drawn: inside the box, wherever the style puts the box.
    QPoint GlyphPosition() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QImage checkedGlyph_;
    QImage uncheckedGlyph_;
};
