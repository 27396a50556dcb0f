#include "ZEBDate.h"

#include "AnsiText.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "ZEBMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <cstdio>

namespace {

// A whole number as the conversion reads it: leading blanks skipped, then digits only.
bool ReadNumber(const std::string& text, int& value)
{
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// A part of two characters starting at index first: a digit followed by a blank moves right
// behind a "0"; a blank first character becomes "0".
void PadPart(std::string& text, size_t first)
{
    if (text[first + 1] == ' ' && text[first] >= '1' && text[first] <= '9') {
        text[first + 1] = text[first];
        text[first] = '0';
    }
    if (text[first] == ' ')
        text[first] = '0';
}

const char* const kDateMask = "99/99/9999;1; ";

} // namespace

bool CompleteDate(std::string& text, const std::string& blankText, TDateFormat format, int epoch,
                  int currentYear)
{
    if (text.size() != 10)
        return text == blankText;
    auto blank = [&](size_t position) { return text[position - 1] == ' '; };
    if ((blank(1) && blank(2)) || (blank(4) && blank(5)) || blank(7) != blank(8))
        return text == blankText;

    PadPart(text, 0);
    PadPart(text, 3);
    if (text.compare(6, 4, "    ") == 0) {
        char year[16];
        std::snprintf(year, sizeof year, "%04d", currentYear);
        text.replace(6, 4, std::string(year).substr(0, 4));
    }
    int twoDigits = 0;
    if (text[8] == ' ' && text[9] == ' ' && ReadNumber(text.substr(6, 2), twoDigits)) {
        text[8] = text[6];
        text[9] = text[7];
        text.replace(6, 2, twoDigits < epoch ? "20" : "19");
    }

    int first = 0, second = 0, year = 0;
    if (!ReadNumber(text.substr(0, 2), first) || !ReadNumber(text.substr(3, 2), second)
        || !ReadNumber(text.substr(6, 4), year))
        return false;
    const int day = format == DDMMYYYY ? first : second;
    const int month = format == DDMMYYYY ? second : first;
    return IsValidDate(year, month, day);
}

bool CheckTime(const std::string& text, const std::string& timeFormat)
{
    std::string compact;
    bool empty = true;
    for (char c : text) {
        if (c != ' ')
            compact += c;
        if (c != ' ' && c != ':')
            empty = false;
    }
    if (empty)
        return true;
    const bool seconds = timeFormat.find(":ss") != std::string::npos;
    const bool amPm = timeFormat.find("(AM/PM)") != std::string::npos;
    if (compact.size() != (seconds ? 8u : 5u))
        return false;
    int hours = 0, minutes = 0, secs = 0;
    if (!ReadNumber(compact.substr(0, 2), hours) || !ReadNumber(compact.substr(3, 2), minutes))
        return false;
    if (seconds && (!ReadNumber(compact.substr(6, 2), secs) || secs > 59))
        return false;
    return hours <= (amPm ? 12 : 23) && minutes <= 59;
}

// --- TZEBDateEdit

TZEBDateEdit::TZEBDateEdit(QWidget* parent) : TEntryField<TCustomMaskEdit>(parent)
{
    connect(this, &TCustomMaskEdit::CharactersRefused, this, &TellRefusedCharacters);
    SetEditMask(kDateMask);
    resize(64, sizeHint().height());
}

TZEBDateEdit::~TZEBDateEdit()
{
    SetTimeEdit(nullptr);
}

void TZEBDateEdit::SetEpoch(int value)
{
    epoch_ = std::clamp(value, 0, 99);
}

void TZEBDateEdit::SetFixedYear(int value)
{
    if (value == fixedYear_)
        return;
    fixedYear_ = value;
    if (value <= 0) {
        SetEditMask(kDateMask);
        return;
    }
    char year[16];
    std::snprintf(year, sizeof year, "%04d", value);
    std::string mask = "99/99/";
    for (const char* digit = year; *digit; ++digit)
        mask += std::string("\\") + *digit;
    SetEditMask(mask + ";1; ");
}

void TZEBDateEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    setAcceptDrops(!value);
}

void TZEBDateEdit::SetTimeEdit(TZEBTimeEdit* value)
{
    if (timeEdit_)
        std::erase(timeEdit_->dateEdits_, this);
    timeEdit_ = value;
    if (timeEdit_)
        timeEdit_->dateEdits_.push_back(this);
}

bool TZEBDateEdit::IsEmpty() const
{
    return EditText() == Mask().BlankText();
}

bool TZEBDateEdit::ValidateDate()
{
    std::string text = EditText();
    const bool valid = CompleteDate(text, Mask().BlankText(), dateFormat_, epoch_, today_().year());
    if (text != EditText())
        SetText(text);
    return valid;
}

void TZEBDateEdit::ShowDateError(int kind)
{
    QApplication::beep();
    if (displayErrors_ && (kind == 1 || kind == 2)) {
        const QString text = kind == 1 ? AnsiToQString(Text()) + " is not a valid date." : "Could not convert to date";
        QMessageBox box(QMessageBox::Critical, kind == 1 ? "Date error" : "Conversion error", text, QMessageBox::Ok,
                        window());
        box.exec();
    }
    lastErrorKind_ = kind;
}

void TZEBDateEdit::focusOutEvent(QFocusEvent* event)
{
    TEntryField<TCustomMaskEdit>::focusOutEvent(event);
    if (!IsFieldChange(event) || ValidateDate() || !displayErrors_)
        return;
    // The message comes once the focus has settled on the next control, so that the message box
    // and the way back do not run inside the focus change.
    QMetaObject::invokeMethod(
        this,
        [this] {
            ShowDateError(1);
            activateWindow(); // back from the message box
            setFocus(Qt::OtherFocusReason);
            selectAll();
        },
        Qt::QueuedConnection);
}

void TZEBDateEdit::keyPressEvent(QKeyEvent* event)
{
    if (readOnly_ && !(TabOnEnter() && IsEnterKey(event))) {
        switch (event->key()) {
        case Qt::Key_End:
        case Qt::Key_Home:
        case Qt::Key_Left:
        case Qt::Key_Right:
            break;
        case Qt::Key_Escape: // the window's cancel button
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->ignore();
            return;
        default:
            event->accept();
            return;
        }
    }
    TEntryField<TCustomMaskEdit>::keyPressEvent(event);
}

void TZEBDateEdit::KeyPress(char& key)
{
    // Blank, point, slash and dash all stand for the separator; typed right behind a separator
    // it is dropped, so that "5-3-" and "05-03-" both land in the year.
    const char separator = Mask().BlankText().at(2);
    if (key == ' ' || key == '.' || key == '/' || key == '-')
        key = separator;
    if (key == separator && (SelStart() == 3 || SelStart() == 5))
        key = 0;
}

void TZEBDateEdit::mouseReleaseEvent(QMouseEvent* event)
{
    TEntryField<TCustomMaskEdit>::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && IsEmpty())
        setCursorPosition(0);
}

// --- TZEBTimeEdit

namespace {

struct TTimeLayout {
    const char* format;
    int panelWidth;
    int editWidth;
    const char* mask;
    int boxLeft; // -1: stays where it is
    bool amPm;
};

const TTimeLayout kTimeLayouts[] = {
    {"hh:mm", 33, 33, "99\\:99;1; ", -1, false},
    {"hh:mm(AM/PM)", 73, 33, "99\\:99;1; ", 32, true},
    {"hh:mm:ss", 49, 49, "99\\:99\\:99;1; ", 48, false},
    {"hh:mm:ss(AM/PM)", 89, 49, "99\\:99\\:99;1; ", 48, true},
};

const TTimeLayout* FindTimeLayout(const std::string& format)
{
    for (const TTimeLayout& layout : kTimeLayouts)
        if (format == layout.format)
            return &layout;
    return nullptr;
}

} // namespace

TZEBTimeEdit::TZEBTimeEdit(QWidget* parent)
    : QWidget(parent), edit_(new TZEBMaskEdit(this)), amPm_(new TZEBCombobox(this))
{
    edit_->SetEditMask("99\\:00;1; ");
    edit_->setGeometry(0, 0, 33, edit_->sizeHint().height());
    amPm_->setGeometry(32, 0, 41, amPm_->sizeHint().height());
    amPm_->hide();
    amPm_->addItems({"AM", "PM"});
    setFocusProxy(edit_);
    edit_->installEventFilter(this);
    amPm_->installEventFilter(this);
    connect(edit_, &QLineEdit::textChanged, this, [this] { Q_EMIT OnChange(); });
    connect(amPm_, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT OnChange(); });
    ApplyFormat();
}

TZEBTimeEdit::~TZEBTimeEdit()
{
    for (TZEBDateEdit* dateEdit : dateEdits_)
        dateEdit->timeEdit_ = nullptr;
}

void TZEBTimeEdit::SetTimeFormat(const std::string& value)
{
    if (!FindTimeLayout(value))
        throw Exception(QStringToAnsi(objectName()) + "Invalid TimeFormat");
    timeFormat_ = value;
    ApplyFormat();
}

void TZEBTimeEdit::ApplyFormat()
{
    const TTimeLayout& layout = *FindTimeLayout(timeFormat_);
    edit_->SetEditMask(layout.mask);
    edit_->setGeometry(0, 0, layout.editWidth, edit_->height());
    if (layout.boxLeft >= 0)
        amPm_->move(layout.boxLeft, 0);
    if (layout.amPm) {
        amPm_->resize(41, amPm_->height());
        amPm_->setCurrentIndex(0);
    }
    amPm_->setVisible(layout.amPm);
    setFixedSize(layout.panelWidth, edit_->height()); // layouts keep to it as well
}

void TZEBTimeEdit::SetReadOnly(bool value)
{
    readOnly_ = value;
    edit_->setReadOnly(value);
    amPm_->SetReadOnly(value);
}

void TZEBTimeEdit::SetTab_Stop(bool value)
{
    tabStop_ = value;
    const Qt::FocusPolicy policy = value ? Qt::StrongFocus : Qt::ClickFocus;
    edit_->setFocusPolicy(policy);
    amPm_->setFocusPolicy(policy);
}

bool TZEBTimeEdit::ValidateTime() const
{
    return CheckTime(edit_->EditText(), timeFormat_);
}

void TZEBTimeEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ApplyFormat();
}

void TZEBTimeEdit::mousePressEvent(QMouseEvent* event)
{
    if (readOnly_ && event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

bool TZEBTimeEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && IsFieldChange(static_cast<QFocusEvent*>(event))) {
        QWidget* next = QApplication::focusWidget();
        if (!(next && isAncestorOf(next)) && !ValidateTime())
            Q_EMIT OnInvalidTime(this);
    }
    return QWidget::eventFilter(watched, event);
}
