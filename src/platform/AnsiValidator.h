#pragma once
// Input check for entry fields: refuses any edit that brings in a character Windows-1252 cannot
// hold (and, when given, one that breaks a further rule), so nothing typed, pasted or dropped is
// silently changed on its way into a record.  Text set by the program is not checked.

#include <QValidator>
#include <functional>

class TAnsiValidator : public QValidator {
public:
    using Rule = std::function<bool(const QString& text)>;
    explicit TAnsiValidator(QObject* parent, Rule rule = {});
    State validate(QString& input, int& pos) const override;

private:
    Rule rule_;
};
