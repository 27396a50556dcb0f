#include "QtTranslations.h"

#include "FormatSettings.h"
#include "MaskEdit.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

namespace {

// What a visible dialog shows: its caption, then its labels and buttons.
QStringList Texts(QWidget* dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty())
            texts << label->text();
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible() && !button->text().isEmpty())
            texts << button->text();
    return texts;
}

} // namespace

// The test program installs Qt's translations as the program does (TestMain).
TEST(QtTranslations, TheStandardDialogsSpeakDutch)
{
    struct Case {
        QFileDialog::AcceptMode accept;
        QFileDialog::FileMode mode;
        QStringList dutch;
    };
    const Case cases[] = {
        {QFileDialog::AcceptSave, QFileDialog::AnyFile, {"Opslaan als", "Bestands&naam:", "Op&slaan", "Annuleren"}},
        {QFileDialog::AcceptOpen, QFileDialog::ExistingFile, {"Openen", "Bestands&naam:", "&Openen", "Annuleren"}},
        {QFileDialog::AcceptOpen, QFileDialog::Directory, {"Map zoeken", "Map:", "&Kiezen", "Annuleren"}},
    };
    const QStringList english{"Save", "As", "Open", "Cancel", "File", "name", "Files", "Look",
                              "Choose", "Directory", "Find"};
    for (const Case& c : cases) {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(c.accept);
        dialog.setFileMode(c.mode);
        dialog.show();
        const QStringList texts = Texts(&dialog);
        for (const QString& text : c.dutch)
            EXPECT_TRUE(texts.contains(text)) << text.toStdString() << " in " << texts.join(" | ").toStdString();
        for (const QString& text : texts)
            for (const QString& word : QString(text).remove('&').split(QRegularExpression("\\W+")))
                EXPECT_FALSE(english.contains(word)) << text.toStdString();
    }
}

TEST(QtTranslations, KeyNamesAreDutchOrNeutral)
{
    EXPECT_EQ(DutchKeyName("Return"), "Enter");
    EXPECT_EQ(DutchKeyName("Enter"), "");
    EXPECT_EQ(DutchKeyName("F1"), "");
    const std::pair<QKeySequence, QString> shown[] = {
        {QKeySequence(Qt::Key_Return), "Enter"},          {QKeySequence(Qt::Key_Enter), "Enter"},
        {QKeySequence(Qt::CTRL | Qt::Key_N), "Ctrl+N"},   {QKeySequence(Qt::Key_Insert), "Ins"},
        {QKeySequence(Qt::Key_Space), "Spatiebalk"}, // Qt's own Dutch name still comes through
    };
    for (const auto& [keys, name] : shown)
        EXPECT_EQ(keys.toString(QKeySequence::NativeText), name);
}

// Run in a child process under a system locale (below): reports what the program takes from it.
TEST(SystemLocaleChild, Report)
{
    if (!std::getenv("ZORVANDEL_LOCALE_REPORT"))
        GTEST_SKIP() << "runs only as the child of SystemLocale";
    QFileDialog save;
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    save.show();
    const TFormatSettings& settings = FormatSettings();
    const std::map<std::string, QString> report{
        {"date", QString(QChar::fromLatin1(settings.DateSeparator)) + " " + QString::fromStdString(settings.ShortDateFormat)},
        {"decimal", QString(QChar::fromLatin1(settings.DecimalSeparator))},
        {"field", QString::fromStdString(TEditMask("99/99/9999;1;_").BlankText())},
        {"month", QLocale().monthName(3)},
        {"dialog", Texts(&save).join("|")},
        {"key", QKeySequence(Qt::Key_Return).toString(QKeySequence::NativeText)},
    };
    for (const auto& [name, value] : report)
        std::cout << "report " << name << "=" << value.toStdString() << "\n";
}

TEST(SystemLocale, DatesAndNumbersFollowItQtsTextsStayDutch)
{
    struct Case {
        const char* locale;
        std::map<std::string, std::string> expected;
    };
    const Case cases[] = {
        {"nl_NL.UTF-8", {{"date", "- dd-mm-yyyy"}, {"decimal", ","}, {"field", "__-__-____"}, {"month", "maart"}}},
        {"en_US.UTF-8", {{"date", "/ mm/dd/yyyy"}, {"decimal", "."}, {"field", "__/__/____"}, {"month", "March"}}},
    };
    for (const Case& c : cases) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LC_ALL", "LANG", "LC_TIME", "LC_NUMERIC", "LC_MESSAGES", "LANGUAGE"})
            env.remove(name);
        env.insert("LC_ALL", c.locale);
        env.insert("LANG", c.locale);
        env.insert("ZORVANDEL_LOCALE_REPORT", "1");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SystemLocaleChild.Report"});
        ASSERT_TRUE(child.waitForFinished(60000)) << c.locale;
        EXPECT_EQ(child.exitCode(), 0) << c.locale << child.readAllStandardError().toStdString();
        std::map<std::string, std::string> seen;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
            if (line.startsWith("report ")) {
                const qsizetype eq = line.indexOf('=');
                seen[line.mid(7, eq - 7).toStdString()] = line.mid(eq + 1).toStdString();
            }
        for (const auto& [name, value] : c.expected)
            EXPECT_EQ(seen[name], value) << c.locale << " " << name;
        // Whatever the system's language, the standard dialogs and key names are Dutch.
        EXPECT_EQ(seen["dialog"].substr(0, 11), "Opslaan als") << c.locale << ": " << seen["dialog"];
        EXPECT_NE(seen["dialog"].find("Annuleren"), std::string::npos) << c.locale << ": " << seen["dialog"];
        EXPECT_EQ(seen["key"], "Enter") << c.locale;
    }
}
