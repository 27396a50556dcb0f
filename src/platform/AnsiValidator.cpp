#include "AnsiValidator.h"

#include "AnsiText.h"

TAnsiValidator::TAnsiValidator(QObject* parent, Rule rule) : QValidator(parent), rule_(std::move(rule)) {}

QString ChangeCaseAnsi(QString text, TEditCharCase charCase)
{
    if (charCase == ecNormal)
        return text;
    for (QChar& c : text) {
        const QChar changed = charCase == ecUpperCase ? c.toUpper() : c.toLower();
        if (IsAnsiRepresentable(QString(changed)))
            c = changed;
    }
    return text;
}

QValidator::State TAnsiValidator::validate(QString& input, int&) const
{
    input = ChangeCaseAnsi(input, charCase_);
    if (!IsAnsiRepresentable(input))
        return Invalid;
    return !rule_ || rule_(input) ? Acceptable : Invalid;
}
