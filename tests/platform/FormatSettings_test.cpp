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
