#include "FormatSettings.h"

#include "AnsiText.h"

#include <QLocale>

namespace {

// The single Windows-1252 byte of a locale symbol, or fallback when it has none.
char AnsiChar(const QString& symbol, char fallback)
{
    if (symbol.size() != 1)
        return fallback;
    bool ok = false;
    const std::string byte = QStringToAnsi(symbol, &ok);
    return ok ? byte[0] : fallback;
}

} // namespace

TFormatSettings TFormatSettings::Dutch()
{
    return TFormatSettings{};
}

TFormatSettings TFormatSettings::English()
{
    TFormatSettings s;
    s.DateSeparator = '/';
    s.TimeSeparator = ':';
    s.DecimalSeparator = '.';
    s.ThousandSeparator = ',';
    s.ShortDateFormat = "mm/dd/yyyy";
    s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    return s;
}

TFormatSettings TFormatSettings::FromSystemLocale()
{
    return FromLocale(QLocale::system());
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale)
{
    TFormatSettings s;
    s.DecimalSeparator = AnsiChar(locale.decimalPoint(), '.');
    s.ThousandSeparator = AnsiChar(locale.groupSeparator(), s.DecimalSeparator == ',' ? '.' : ',');

    // Qt's short date pattern, e.g. "dd-MM-yyyy", "M/d/yy" or "dd.MM.yy".  A pattern without such
    // a separator (the C locale's "d MMM yyyy") keeps "-".
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    std::string order;
    bool separatorFound = false;
    for (QChar c : pattern) {
        const char letter = char(c.toLower().toLatin1());
        if ((letter == 'd' || letter == 'm' || letter == 'y') && order.find(letter) == std::string::npos) {
            order += letter;
        } else if (!separatorFound && !order.empty() && QStringLiteral("-./").contains(c)) {
            s.DateSeparator = char(c.toLatin1());
            separatorFound = true;
        }
    }
    if (order.size() != 3)
        order = "dmy";
    s.ShortDateFormat.clear();
    for (char part : order) {
        if (!s.ShortDateFormat.empty())
            s.ShortDateFormat += s.DateSeparator;
        s.ShortDateFormat += part == 'y' ? "yyyy" : std::string(2, part);
    }
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    for (QChar c : time)
        if (!c.isLetter() && !c.isSpace()) {
            s.TimeSeparator = AnsiChar(QString(c), ':');
            break;
        }
    for (int month = 1; month <= 12; ++month)
        s.LongMonthNames[std::size_t(month - 1)] = QStringToAnsi(locale.monthName(month, QLocale::LongFormat));
    return s;
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = TFormatSettings::FromSystemLocale();
    return settings;
}
