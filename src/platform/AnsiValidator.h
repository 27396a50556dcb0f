#pragma once
// Input check for entry fields: refuses any edit that brings in a character Windows-1252 cannot
// hold (and, when given, one that breaks a further rule), so nothing typed, pasted or dropped is
// silently changed on its way into a record.  Text set by the program is not refused.

#include <QValidator>
#include <functional>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// text with each character in upper or lower case where Windows-1252 holds that form (so "ß"
// and "µ" stay as they are, as the Windows case conversion leaves them).
QString ChangeCaseAnsi(QString text, TEditCharCase charCase);

class TAnsiValidator : public QValidator {
public:
    using Rule = std::function<bool(const QString& text)>;
    explicit TAnsiValidator(QObject* parent, Rule rule = {});
    State validate(QString& input, int& pos) const override;

    // Letters are put in this case (QLineEdit applies it to text set by the program too).
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value) { charCase_ = value; }

private:
    Rule rule_;
    TEditCharCase charCase_ = ecNormal;
};
