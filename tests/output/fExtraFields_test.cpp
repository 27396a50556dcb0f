// The extra-fields window made directly, without a form request around it.
#include "fExtraFields.h"

#include "KeyInput.h"
#include "ModalAnswer.h"
#include "NameValueLines.h"
#include "ZEBMessages.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(ExtraFieldsWindow, ShowsTheInitialTextsAndGivesTheEditedOnes)
{
    TdlgExtraFields dialog({{"naam", "Naam", "Jansen"}, {"briefnr(AUTONUM)", "Briefnummer", "8"}});
    EXPECT_EQ(dialog.windowTitle(), "Extra velden voor MS Word koppeling");
    const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 2);
    EXPECT_EQ(dialog.Texts(), (std::vector<std::string>{"Jansen", "8"}));
    edits[0]->setText(QString::fromLatin1("Ren\xe9"));
    EXPECT_EQ(dialog.Texts(), (std::vector<std::string>{"Ren\xe9", "8"}));
    for (QLineEdit* edit : edits)
        EXPECT_EQ(edit->size(), QSize(TExtraFieldsGeometry::EditWidth, TExtraFieldsGeometry::EditHeight));
    dialog.reject();
    EXPECT_EQ(dialog.result(), 2);
}

TEST(ExtraFieldsWindow, ACharacterTheFormCannotTakeIsRefusedAndNamed)
{
    TdlgExtraFields dialog({{"zitting", "Datum van de zitting", ""}});
    dialog.show();
    QLineEdit* edit = dialog.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    ModalAnswer box(ModalAnswer::ClickButton("Ok"));
    TypeCharacters(edit, QString::fromUtf8("1 m\u0101aart"));
    EXPECT_EQ(edit->text(), "1 maart");
    EXPECT_TRUE(WaitFor([&] { return box.Seen().shown && !QApplication::activeModalWidget(); }));
    EXPECT_TRUE(box.Seen().labels.contains(QString::fromUtf8(
        "De invoer bevat het teken '\u0101' (U+0101) dat het programma niet kan opslaan; de invoer is niet overgenomen.")))
        << box.Seen().labels.join('|').toStdString();
    EXPECT_EQ(dialog.Texts(), (std::vector<std::string>{"1 maart"}));
}

TEST(NameValueLines, NamesAreCutAtTheFirstEqualsSignAndCompareWithoutCase)
{
    const std::vector<std::string> lines = {"geen naam", "Naam=a=b", "naam=c", "leeg="};
    EXPECT_FALSE(NameOf(lines[0]).has_value());
    EXPECT_EQ(NameOf(lines[1]), "Naam");
    EXPECT_EQ(ValueOf(lines[1]), "a=b");
    EXPECT_EQ(ValueOf(lines[0]), "");
    EXPECT_EQ(IndexOfName(lines, "NAAM"), 1);
    EXPECT_EQ(IndexOfName(lines, "onbekend"), -1);
    EXPECT_EQ(ValueByName(lines, "naam"), "a=b");
    EXPECT_EQ(ValueByName(lines, "leeg"), "");
}

} // namespace
