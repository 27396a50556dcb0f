#include "AnsiValidator.h"

#include "AnsiText.h"

TAnsiValidator::TAnsiValidator(QObject* parent, Rule rule) : QValidator(parent), rule_(std::move(rule)) {}

QValidator::State TAnsiValidator::validate(QString& input, int&) const
{
    if (!IsAnsiRepresentable(input))
        return Invalid;
    return !rule_ || rule_(input) ? Acceptable : Invalid;
}
