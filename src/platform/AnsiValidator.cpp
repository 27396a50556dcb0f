#include "AnsiValidator.h"

#include "AnsiText.h"

#include <cstdio>

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

namespace {

// Named in full this many at most; more are counted.
constexpr std::size_t NamedCharacters = 5;

std::string Named(char32_t c)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    if (!QChar::isPrint(c) || QChar::isMark(c) || QChar::isSpace(c))
        return code; // nothing to see: the code alone
    return "'" + TextInMessage(QString::fromUcs4(&c, 1)) + "' (" + code + ")";
}

} // namespace

std::string RefusedCharactersMessage(const QString& characters)
{
    const std::u32string chars = CharactersNotInAnsi(characters);
    if (chars.empty())
        return {};
    if (chars.size() == 1)
        return "De invoer bevat het teken " + Named(chars[0])
               + " dat het programma niet kan opslaan; de invoer is niet overgenomen.";
    const std::size_t named = chars.size() <= NamedCharacters + 1 ? chars.size() : NamedCharacters;
    std::string list;
    for (std::size_t i = 0; i < named; ++i)
        list += (i == 0 ? "" : i + 1 == chars.size() ? " en " : ", ") + Named(chars[i]);
    if (named < chars.size())
        list += " en " + std::to_string(chars.size() - named) + " andere";
    return "De invoer bevat " + std::to_string(chars.size()) + " tekens die het programma niet kan opslaan: " + list
           + "; de invoer is niet overgenomen.";
}

QValidator::State TAnsiValidator::validate(QString& input, int&) const
{
    input = ChangeCaseAnsi(input, charCase_);
    if (!IsAnsiRepresentable(input)) {
        Q_EMIT const_cast<TAnsiValidator*>(this)->Refused(QString::fromStdU32String(CharactersNotInAnsi(input)));
        return Invalid;
    }
    return !rule_ || rule_(input) ? Acceptable : Invalid;
}
