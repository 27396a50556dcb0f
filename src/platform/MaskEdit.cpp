#include "MaskEdit.h"

#include "AnsiText.h"
#include "FormatSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <algorithm>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

QChar Wide(char c)
{
    return AnsiToQString(std::string(1, c)).at(0);
}

char ChangeCase(char c, TEditCharCase charCase)
{
    return QStringToAnsi(ChangeCaseAnsi(QString(Wide(c)), charCase))[0];
}

} // namespace

TEditMask::TEditMask(const std::string& editMask)
{
    // The mask field ends at the first ';' that no '\' escapes.
    std::string mask;
    size_t i = 0;
    for (; i < editMask.size() && editMask[i] != ';'; ++i) {
        mask += editMask[i];
        if (editMask[i] == '\\' && i + 1 < editMask.size())
            mask += editMask[++i];
    }
    if (i < editMask.size()) {
        const std::string rest = editMask.substr(i + 1);
        if (!rest.empty() && rest[0] != ';')
            saveLiterals_ = rest[0] != '0';
        const size_t semicolon = rest.find(';');
        if (semicolon != std::string::npos && semicolon + 1 < rest.size())
            blank_ = rest[semicolon + 1];
    }

    const TFormatSettings& settings = FormatSettings();
    TEditCharCase charCase = ecNormal;
    auto literal = [&](char c) { positions_.push_back({Kind::Literal, c, ecNormal}); };
    auto input = [&](Kind kind) { positions_.push_back({kind, 0, charCase}); };
    for (size_t j = 0; j < mask.size(); ++j) {
        const char c = mask[j];
        const bool nextIs = j + 1 < mask.size();
        switch (c) {
        case '\\':
            if (nextIs)
                literal(mask[++j]);
            break;
        case '>':
            charCase = nextIs && mask[j + 1] == '<' ? (++j, ecNormal) : ecUpperCase;
            break;
        case '<':
            charCase = nextIs && mask[j + 1] == '>' ? (++j, ecNormal) : ecLowerCase;
            break;
        case '!':
            break;
        case '0': case '9': input(Kind::Digit); break;
        case '#': input(Kind::DigitOrSign); break;
        case 'L': case 'l': input(Kind::Letter); break;
        case 'A': case 'a': input(Kind::LetterOrDigit); break;
        case 'C': case 'c': input(Kind::Any); break;
        case '/': literal(settings.DateSeparator); break;
        case ':': literal(settings.TimeSeparator); break;
        case '_': literal(' '); break;
        default: literal(c); break;
        }
    }
}

bool TEditMask::IsLiteral(size_t pos) const
{
    return pos < positions_.size() && positions_[pos].kind == Kind::Literal;
}

bool TEditMask::TakesText() const
{
    return !IsMasked() || std::any_of(positions_.begin(), positions_.end(), [](const Position& p) {
        return p.kind == Kind::Letter || p.kind == Kind::LetterOrDigit || p.kind == Kind::Any;
    });
}

char TEditMask::Convert(size_t pos, char c) const
{
    return ChangeCase(c, positions_[pos].charCase);
}

bool TEditMask::Accepts(size_t pos, char c) const
{
    if (pos >= positions_.size())
        return false;
    const bool letter = Wide(c).isLetter();
    switch (positions_[pos].kind) {
    case Kind::Literal: return false;
    case Kind::Digit: return IsDigit(c);
    case Kind::DigitOrSign: return IsDigit(c) || c == '+' || c == '-';
    case Kind::Letter: return letter;
    case Kind::LetterOrDigit: return letter || IsDigit(c);
    case Kind::Any: return static_cast<unsigned char>(c) >= 32;
    }
    return false;
}

size_t TEditMask::NextInput(size_t from) const
{
    while (from < positions_.size() && IsLiteral(from))
        ++from;
    return from;
}

std::string TEditMask::BlankText() const
{
    std::string text;
    for (const Position& p : positions_)
        text += p.kind == Kind::Literal ? p.literal : blank_;
    return text;
}

std::string TEditMask::Fit(const std::string& text) const
{
    if (!IsMasked())
        return text;
    std::string out = BlankText();
    auto place = [&](size_t pos, char c) {
        c = Convert(pos, c);
        if (Accepts(pos, c))
            out[pos] = c;
    };
    const size_t inputs = size_t(std::count_if(positions_.begin(), positions_.end(),
                                               [](const Position& p) { return p.kind != Kind::Literal; }));
    if (!saveLiterals_ && text.size() == inputs && inputs != Length()) {
        size_t pos = 0;
        for (char c : text) {
            pos = NextInput(pos);
            place(pos, c);
            ++pos;
        }
    } else {
        for (size_t pos = 0; pos < std::min(text.size(), Length()); ++pos)
            if (!IsLiteral(pos))
                place(pos, text[pos]);
    }
    return out;
}

bool TEditMask::Conforms(const std::string& text) const
{
    if (text.size() != Length())
        return false;
    for (size_t pos = 0; pos < text.size(); ++pos) {
        const bool fits = IsLiteral(pos) ? text[pos] == positions_[pos].literal
                                         : text[pos] == blank_ || Accepts(pos, text[pos]);
        if (!fits)
            return false;
    }
    return true;
}

std::string TEditMask::TextOf(const std::string& editText) const
{
    if (saveLiterals_ || !IsMasked())
        return editText;
    std::string text;
    for (size_t pos = 0; pos < editText.size(); ++pos)
        if (!IsLiteral(pos))
            text += editText[pos];
    return text;
}

bool TEditMask::ClearSelection(TEditState& state) const
{
    if (state.selLength == 0)
        return false;
    for (size_t pos = state.selStart; pos < state.selStart + state.selLength && pos < Length(); ++pos)
        if (!IsLiteral(pos))
            state.text[pos] = blank_;
    state.cursor = state.selStart;
    state.selLength = 0;
    return true;
}

bool TEditMask::Type(TEditState& state, char c) const
{
    TEditState next = state;
    ClearSelection(next);
    const size_t p = next.cursor;
    if (IsLiteral(p) && positions_[p].literal == c) {
        next.cursor = NextInput(p + 1);
        state = next;
        return true;
    }
    const size_t q = NextInput(p);
    if (q < Length() && Accepts(q, Convert(q, c))) {
        next.text[q] = Convert(q, c);
        next.cursor = NextInput(q + 1);
        state = next;
        return true;
    }
    // A literal typed ahead of its place: skip the rest of this field and move past it.
    size_t r = p;
    while (r < Length() && !IsLiteral(r))
        ++r;
    for (; r < Length() && IsLiteral(r); ++r)
        if (positions_[r].literal == c) {
            next.cursor = NextInput(r + 1);
            state = next;
            return true;
        }
    return false;
}

void TEditMask::Backspace(TEditState& state) const
{
    if (ClearSelection(state))
        return;
    for (size_t p = std::min(state.cursor, Length()); p > 0; --p)
        if (!IsLiteral(p - 1)) {
            state.text[p - 1] = blank_;
            state.cursor = p - 1;
            return;
        }
}

void TEditMask::Delete(TEditState& state) const
{
    if (ClearSelection(state))
        return;
    if (state.cursor < Length() && !IsLiteral(state.cursor))
        state.text[state.cursor] = blank_;
}

TCustomMaskEdit::TCustomMaskEdit(QWidget* parent) : QLineEdit(parent)
{
    auto* validator = new TAnsiValidator(this, [this](const QString& text) {
        return !mask_.IsMasked() || mask_.Conforms(QStringToAnsi(text));
    });
    connect(validator, &TAnsiValidator::Refused, this, &TCustomMaskEdit::Refuse);
    setValidator(validator);
}

void TCustomMaskEdit::SetEditMask(const std::string& editMask)
{
    const std::string current = EditText();
    editMask_ = editMask;
    mask_ = TEditMask(editMask);
    setText(AnsiToQString(mask_.Fit(current)));
}

std::string TCustomMaskEdit::EditText() const
{
    return QStringToAnsi(text());
}

std::string TCustomMaskEdit::Text() const
{
    return mask_.TextOf(EditText());
}

void TCustomMaskEdit::SetText(const std::string& text)
{
    setText(AnsiToQString(mask_.Fit(text)));
}

int TCustomMaskEdit::SelStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

TEditMask::TEditState TCustomMaskEdit::State() const
{
    TEditMask::TEditState state;
    state.text = EditText();
    state.cursor = size_t(cursorPosition());
    state.selStart = size_t(SelStart());
    state.selLength = size_t(selectedText().size());
    return state;
}

void TCustomMaskEdit::Apply(const TEditMask::TEditState& state)
{
    const QString text = AnsiToQString(state.text);
    if (text != this->text()) {
        // Replaced as an edit of the user's, so that undo and the edit signals work as usual.
        selectAll();
        insert(text);
    }
    setCursorPosition(int(state.cursor));
}

void TCustomMaskEdit::KeyPress(char&) {}

void TCustomMaskEdit::InputChar(char key)
{
    TEditMask::TEditState state = State();
    if (mask_.Type(state, key))
        Apply(state);
    else
        QApplication::beep();
}

void TCustomMaskEdit::TypeText(const QString& text)
{
    bool ok = false;
    const std::string narrow = QStringToAnsi(text, &ok);
    if (!ok) {
        Refuse(QString::fromStdU32String(CharactersNotInAnsi(text)));
        return;
    }
    for (char key : narrow) {
        KeyPress(key);
        if (key != 0)
            InputChar(key);
    }
}

void TCustomMaskEdit::Refuse(const QString& characters)
{
    if (mask_.TakesText())
        Q_EMIT CharactersRefused(characters);
    else
        QApplication::beep();
}

void TCustomMaskEdit::keyPressEvent(QKeyEvent* event)
{
    if (!mask_.IsMasked() || isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    TEditMask::TEditState state = State();
    if (event->matches(QKeySequence::Paste)) {
        TypeText(QApplication::clipboard()->text());
    } else if (event->matches(QKeySequence::Cut)) {
        if (hasSelectedText()) {
            copy();
            mask_.Delete(state);
            Apply(state);
        }
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & Qt::ControlModifier)) {
        mask_.Backspace(state);
        Apply(state);
    } else if (event->key() == Qt::Key_Delete && !(event->modifiers() & Qt::ControlModifier)) {
        mask_.Delete(state);
        Apply(state);
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint()
               && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        TypeText(event->text());
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}
