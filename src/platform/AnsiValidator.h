#pragma once
// Input check for entry fields: refuses any edit that brings in a character Windows-1252 cannot
// hold (and, when given, one that breaks a further rule), so nothing typed, pasted or dropped is
// silently changed on its way into a record, and says which characters it refused the edit for.
// Text set by the program is not refused.

#include <QValidator>
#include <functional>
#include <string>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// text with each character in upper or lower case where Windows-1252 holds that form (so "ß"
// and "µ" stay as they are, as the Windows case conversion leaves them).
QString ChangeCaseAnsi(QString text, TEditCharCase charCase);

// What the user is told when an input (a key, a paste, a drop) is refused for the characters of
// characters that Windows-1252 cannot hold: each named once, with its code point (and shown itself
// when it is visible), in the wording of the import's message.  Windows-1252 text carrying the
// characters as TextInMessage does; empty when characters holds none.
std::string RefusedCharactersMessage(const QString& characters);

class TAnsiValidator : public QValidator {
    Q_OBJECT
public:
    using Rule = std::function<bool(const QString& text)>;
    explicit TAnsiValidator(QObject* parent, Rule rule = {});
    State validate(QString& input, int& pos) const override;

    // Letters are put in this case (QLineEdit applies it to text set by the program too).
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value) { charCase_ = value; }

Q_SIGNALS:
    // An edit was refused for characters Windows-1252 cannot hold (once per edit; a paste is one
    // edit); characters holds them.
    void Refused(const QString& characters);

private:
    Rule rule_;
    TEditCharCase charCase_ = ecNormal;
};
