#pragma once
// The masked edit: a single-line edit whose text follows an edit mask "mask;save;blank".
// Positions are fixed; a position without input holds the blank character, typing replaces
// characters in place and skips the mask's literal characters.
//
// Mask characters: 0 digit, 9 optional digit, # digit or sign, L letter, l optional letter,
// A letter or digit, a optional letter or digit, C any character, c optional any character,
// / the locale's date separator, : the locale's time separator, _ a blank, \ makes the next
// character literal; > and < switch to upper and lower case, <> switches case conversion off.
// Every other character is a literal.  The save field "0" leaves the literals out of Text;
// the blank field gives the character of an empty position (default "_").
// Required positions are entered like optional ones; nothing enforces them.

#include "AnsiValidator.h"

#include <QLineEdit>
#include <string>
#include <vector>

class TEditMask {
public:
    TEditMask() = default;
    // Separators for "/" and ":" are taken from FormatSettings() now.
    explicit TEditMask(const std::string& editMask);

    bool IsMasked() const { return !positions_.empty(); }
    size_t Length() const { return positions_.size(); }
    char Blank() const { return blank_; }
    bool SaveLiterals() const { return saveLiterals_; }

    bool IsLiteral(size_t pos) const;
    // Some input position takes letters or any character (or there is no mask at all).
    bool TakesText() const;
    // Whether c may stand at input position pos (after case conversion).
    bool Accepts(size_t pos, char c) const;
    // The text with every input position blank.
    std::string BlankText() const;
    // text placed into the mask: position for position, or (when it holds exactly the input
    // positions) input for input; literals come from the mask, unfit characters become blanks.
    std::string Fit(const std::string& text) const;
    bool Conforms(const std::string& text) const;
    // The edit text as the control's Text: without literals when the mask does not save them.
    std::string TextOf(const std::string& editText) const;

    // One editing step on the text; the selection is [selStart, selStart + selLength).
    struct TEditState {
        std::string text;
        size_t cursor = 0;
        size_t selStart = 0;
        size_t selLength = 0;
    };
    // Typing c: clears a selection, then puts c at the next input position, or moves past a
    // matching literal further on in the current field.  False (and nothing changed) when c fits
    // nowhere.
    bool Type(TEditState& state, char c) const;
    void Backspace(TEditState& state) const;
    void Delete(TEditState& state) const;

private:
    enum class Kind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    struct Position {
        Kind kind = Kind::Literal;
        char literal = 0;
        TEditCharCase charCase = ecNormal;
    };

    size_t NextInput(size_t from) const; // first input position >= from, or Length()
    char Convert(size_t pos, char c) const;
    bool ClearSelection(TEditState& state) const;

    std::vector<Position> positions_;
    bool saveLiterals_ = true;
    char blank_ = '_';
};

// The masked edit control.  Without a mask it is a plain edit; either way it refuses a key, paste
// or drop that brings in a character Windows-1252 cannot hold.  Where the mask takes text it says
// for which characters (CharactersRefused, once per input); a field of digits only beeps, as it
// does for a letter.
class TCustomMaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TCustomMaskEdit(QWidget* parent = nullptr);

    std::string EditMask() const { return editMask_; }
    // Installs the mask and fits the current text into it.
    void SetEditMask(const std::string& editMask);
    const TEditMask& Mask() const { return mask_; }

    // Windows-1252 text: Text as the mask saves it, EditText as shown.
    std::string Text() const;
    std::string EditText() const;
    // Puts text into the control, fitted to the mask.
    void SetText(const std::string& text);

Q_SIGNALS:
    void CharactersRefused(const QString& characters);

protected:
    void keyPressEvent(QKeyEvent* event) override;

    // Every typed character passes here first; setting key to 0 swallows it.
    virtual void KeyPress(char& key);
    // Types one character as if it were pressed (after KeyPress).
    void InputChar(char key);
    // The start of the selection, or the caret when nothing is selected.
    int SelStart() const;

private:
    TEditMask::TEditState State() const;
    void Apply(const TEditMask::TEditState& state);
    void TypeText(const QString& text);
    void Refuse(const QString& characters);

    std::string editMask_;
    TEditMask mask_;
};
