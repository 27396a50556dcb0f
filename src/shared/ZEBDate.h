#pragma once
// The date edit (day, month and four-digit year, completed and checked when the field is left)
// and the time edit (a masked time with an optional AM/PM choice).  Both can be placed in .ui
// files as promoted widgets (header "ZEBDate.h"); Epoch, DisplayErrors, FixedYear, ReadOnly and
// TabOnEnter can be set there as dynamic properties.

#include "ZEBComp.h"

#include <QDate>
#include <functional>
#include <string>
#include <vector>

enum TDateFormat { DDMMYYYY, MMDDYYYY };

// Completes and checks the text of a date edit: 10 characters, the first part at positions 1-2,
// the second at 4-5, the year at 7-10, blanks where nothing was typed.  Pads the day and month
// with a leading zero, fills a blank year with currentYear and gives a two-digit year its century
// (20 below epoch, else 19).  A text too incomplete to complete is left alone and is valid only
// when it equals blankText.  Returns whether text holds an existing date.
bool CompleteDate(std::string& text, const std::string& blankText, TDateFormat format, int epoch,
                  int currentYear);

// Whether the text of a time edit holds a valid time for timeFormat (one of the four formats
// TZEBTimeEdit accepts); an empty time is valid.
bool CheckTime(const std::string& text, const std::string& timeFormat);

class TZEBTimeEdit;

class TZEBDateEdit : public TEntryField<TCustomMaskEdit> {
    Q_OBJECT
    Q_PROPERTY(int Epoch READ Epoch WRITE SetEpoch)
    Q_PROPERTY(bool DisplayErrors READ DisplayErrors WRITE SetDisplayErrors)
    Q_PROPERTY(int FixedYear READ FixedYear WRITE SetFixedYear)
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool TabOnEnter READ TabOnEnter WRITE SetTabOnEnter)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

public:
    explicit TZEBDateEdit(QWidget* parent = nullptr);
    ~TZEBDateEdit() override;

    TDateFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDateFormat value) { dateFormat_ = value; }
    // 0 to 99: two-digit years below it get "20", others "19".
    int Epoch() const { return epoch_; }
    void SetEpoch(int value);
    bool DisplayErrors() const { return displayErrors_; }
    void SetDisplayErrors(bool value) { displayErrors_ = value; }
    // The control's own read-only flag: only End, Home, Left and Right keys, no context menu.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    int FixedYear() const { return fixedYear_; }
    // Above 0: that year is shown and cannot be typed; 0 or less: the year is typed.
    virtual void SetFixedYear(int value);
    TZEBTimeEdit* TimeEdit() const { return timeEdit_; }
    void SetTimeEdit(TZEBTimeEdit* value);
    int LastErrorKind() const { return lastErrorKind_; }

    // Completes the text in the field (CompleteDate, with today's year) and checks it.
    bool ValidateDate();
    // The field is wholly blank.
    bool IsEmpty() const;
    // Beeps; with DisplayErrors shows kind 1 (the text " is not a valid date.") or kind 2
    // ("Could not convert to date") in a message box; remembers the kind.
    virtual void ShowDateError(int kind);

    // Where today's date comes from (the system clock unless replaced).
    void SetToday(std::function<QDate()> today) { today_ = std::move(today); }

protected:
    bool IsReadOnlyField() const override { return readOnly_; }
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void KeyPress(char& key) override;

private:
    friend class TZEBTimeEdit;

    TDateFormat dateFormat_ = DDMMYYYY;
    int epoch_ = 50;
    int lastErrorKind_ = 0;
    bool displayErrors_ = true;
    bool readOnly_ = false;
    int fixedYear_ = 0;
    TZEBTimeEdit* timeEdit_ = nullptr;
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
};

// A panel with a masked time edit and, for the AM/PM formats, an AM/PM list beside it.
class TZEBTimeEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(uint FocusedColor READ FocusedColor WRITE SetFocusedColor)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool Tab_Stop READ Tab_Stop WRITE SetTab_Stop)

public:
    explicit TZEBTimeEdit(QWidget* parent = nullptr);
    ~TZEBTimeEdit() override;

    std::string TimeFormat() const { return timeFormat_; }
    // "hh:mm", "hh:mm(AM/PM)", "hh:mm:ss" or "hh:mm:ss(AM/PM)"; anything else throws Exception
    // with the object's name followed by "Invalid TimeFormat" and changes nothing.
    void SetTimeFormat(const std::string& value);
    // Kept only; the inner edit tints with its own colour.
    TColor FocusedColor() const { return focusedColor_; }
    void SetFocusedColor(TColor value) { focusedColor_ = value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Tab_Stop() const { return tabStop_; }
    void SetTab_Stop(bool value);

    bool ValidateTime() const;

    TZEBMaskEdit* Edit() const { return edit_; }
    TZEBCombobox* AmPm() const { return amPm_; }
    const std::vector<TZEBDateEdit*>& DateEdits() const { return dateEdits_; }

Q_SIGNALS:
    // The time or the AM/PM choice changed.
    void OnChange();
    // The focus left the time edit with an invalid time.
    void OnInvalidTime(TZEBTimeEdit* sender);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TZEBDateEdit;
    void ApplyFormat();

    std::vector<TZEBDateEdit*> dateEdits_;
    std::string timeFormat_ = "hh:mm";
    TColor focusedColor_ = clFocusedField;
    bool tabStop_ = true;
    bool readOnly_ = false;
    TZEBMaskEdit* edit_;
    TZEBCombobox* amPm_;
};
