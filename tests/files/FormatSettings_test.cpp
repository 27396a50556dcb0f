#include "FormatSettings.h"

#include <gtest/gtest.h>


TEST(FormatSettings, ScopedOverrideRestores)
{
    const char before = FormatSettings().DateSeparator;
    {
        ScopedFormatSettings english(TFormatSettings::English());
        EXPECT_EQ(FormatSettings().DateSeparator, '/');
    }
    EXPECT_EQ(FormatSettings().DateSeparator, before);
}

TEST(FormatSettings, SystemLocaleGivesAUsableDateFormat)
{
    // Whatever locale the machine runs under (the C locale writes "d MMM yyyy"), the date edit
    // needs a punctuation separator.
    const TFormatSettings sys = TFormatSettings::FromSystemLocale();
    EXPECT_EQ(sys.ShortDateFormat.size(), 10u);
    EXPECT_NE(sys.DecimalSeparator, sys.ThousandSeparator);
    EXPECT_TRUE(sys.DateSeparator == '-' || sys.DateSeparator == '.' || sys.DateSeparator == '/');
    EXPECT_EQ(sys.ShortDateFormat[2], sys.DateSeparator);
}

#include <QCoreApplication>
#include <QProcess>

// The month names come from the user's locale settings (LC_ALL, else LC_TIME, else LANG), read by a
// program at its start: a child run of this test under each setting reports what it read.
TEST(FormatSettings, MonthNamesFollowTheUsersLocaleSettings)
{
    if (qEnvironmentVariableIsSet("ZORVANDEL_REPORT_MONTHS")) {
        const TFormatSettings sys = TFormatSettings::FromSystemLocale();
        std::printf("months: %s %s\n", sys.LongMonthNames[0].c_str(), sys.LongMonthNames[2].c_str());
        return;
    }
    const struct {
        const char *variable, *value, *expected;
    } cases[] = {
        {"LC_TIME", "nl_NL.UTF-8", "months: januari maart"},
        {"LC_TIME", "en_GB.UTF-8", "months: January March"},
        {"LANG", "nl_BE.UTF-8", "months: januari maart"},
        {"LC_ALL", "de_DE.UTF-8", "months: Januar M\xE4rz"}, // Windows-1252 bytes
    };
    for (const auto& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LC_TIME", "LANG"})
            env.remove(name);
        env.insert(c.variable, c.value);
        env.insert("ZORVANDEL_REPORT_MONTHS", "1");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=FormatSettings.MonthNamesFollowTheUsersLocaleSettings"});
        ASSERT_TRUE(child.waitForFinished(30000));
        const QByteArray output = child.readAllStandardOutput();
        EXPECT_TRUE(output.contains(c.expected)) << c.variable << "=" << c.value << ": " << output.toStdString();
    }
}

#include <QLocale>

// Separators and date order as each locale writes them; a symbol that is no single Windows-1252
// character (the narrow no-break space of French) falls back.
TEST(FormatSettings, SeparatorsAndDateOrderFromAGivenLocale)
{
    const struct {
        const char* locale;
        char date, time, decimal, thousand;
        const char* shortDate;
    } cases[] = {
        {"nl_NL", '-', ':', ',', '.', "dd-mm-yyyy"},
        {"nl_BE", '/', ':', ',', '.', "dd/mm/yyyy"},
        {"en_US", '/', ':', '.', ',', "mm/dd/yyyy"},
        {"en_GB", '/', ':', '.', ',', "dd/mm/yyyy"},
        {"de_DE", '.', ':', ',', '.', "dd.mm.yyyy"},
        {"sv_SE", '-', ':', ',', '\xA0', "yyyy-mm-dd"}, // the no-break space, a Windows-1252 byte
        {"ja_JP", '/', ':', '.', ',', "yyyy/mm/dd"},
        {"fr_FR", '/', ':', ',', '.', "dd/mm/yyyy"},
        {"C", '-', ':', '.', ',', "dd-mm-yyyy"},
    };
    for (const auto& c : cases) {
        const TFormatSettings s = TFormatSettings::FromLocale(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(s.DateSeparator, c.date) << c.locale;
        EXPECT_EQ(s.TimeSeparator, c.time) << c.locale;
        EXPECT_EQ(s.DecimalSeparator, c.decimal) << c.locale;
        EXPECT_EQ(s.ThousandSeparator, c.thousand) << c.locale;
        EXPECT_EQ(s.ShortDateFormat, c.shortDate) << c.locale;
    }
}
