#include "fMutPartij.h"

#include "ModalAnswer.h"
#include "KeyInput.h"
#include "ZEBComp.h"
#include "ZEBMessages.h"
#include "uZVGlobals.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace {

const char* const kAfkortingMessage = "U dient de afkorting van de partij in te voeren.";
const char* const kAanduidingMessage = "U dient een naam van de partij in te voeren.";

// A party record with a different text in every field.
TPartijRecord SampleRecord()
{
    TPartijRecord r;
    r.Afkorting = "ABC";
    r.StatuNaam = "Stichting Algemeen Belang";
    r.Aanduiding = "Algemeen Belang";
    r.Adres = "Markt 1";
    r.PostCode = "1234 AB";
    r.Plaats = "Zwolle";
    r.NaamGemachtigde = "J. de Vries";
    r.AdresGemachtigde = "Kerkstraat 2";
    r.PostcodeGemachtigde = "2345 BC";
    r.PlaatsGemachtigde = "Kampen";
    r.NaamVervanger = "A. Jansen";
    r.AdresVervanger = "Dorpsweg 3";
    r.PostcodeVervanger = "3456 CD";
    r.PlaatsVervanger = "Ommen";
    return r;
}

void AddParty(const TPartijRecord& record)
{
    PartijList->Add(std::make_unique<TPartijRecord>(record));
}

void AddCandidate(const char* number)
{
    auto candidate = std::make_unique<TKandidaatRecord>();
    candidate->KandidaatNr = number;
    KandidaatList->Add(std::move(candidate));
}

// Types text into the field that has the focus, then moves on with Tab.
void TypeAndTab(QWidget* window, const QString& text)
{
    QWidget* field = window->focusWidget();
    ASSERT_TRUE(field);
    TypeCharacters(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

class PartijDialog : public ::testing::Test {
protected:
    std::unique_ptr<TfrmMutPartij> Open(TMutateMode mode)
    {
        auto dialog = TBaseForm::Create<TfrmMutPartij>();
        dialog->Initialize(mode);
        return dialog;
    }
    // Waits until the dialog is active with the focus on its first field.
    static bool Ready(TfrmMutPartij* dialog)
    {
        return WaitFor([dialog] { return dialog->edAanduiding->hasFocus(); });
    }
    static bool FocusOn(QWidget* field)
    {
        return WaitFor([field] { return field->hasFocus(); });
    }

    TZVLists lists;
};

} // namespace

TEST_F(PartijDialog, LayoutFieldsAndTabOrder)
{
    auto dialog = TBaseForm::Create<TfrmMutPartij>();
    EXPECT_EQ(dialog->windowTitle(), "Partijgegevens");
    dialog->Initialize(mmInsert);
    EXPECT_EQ(dialog->windowTitle(), "Toevoegen zorvandel gegevens");

    // Every field holds as many characters as its record field; only the abbreviation is short.
    const std::vector<std::pair<TZEBEdit*, int>> capacities = {
        {dialog->edAanduiding, 50},          {dialog->edStatuNaam, 50},         {dialog->edAfkorting, 8},
        {dialog->edAdres, 50},               {dialog->edPostCode, 10},          {dialog->edPlaats, 50},
        {dialog->edNaamGemachtigde, 50},     {dialog->edAdresGemachtigde, 50},  {dialog->edPostcodeGemachtigde, 50},
        {dialog->edPlaatsGemachtigde, 50},   {dialog->edNaamVervanger, 50},     {dialog->edAdresVervanger, 50},
        {dialog->edPostcodeVervanger, 50},   {dialog->edPlaatsVervanger, 50}};
    for (const auto& [field, capacity] : capacities) {
        EXPECT_EQ(field->maxLength(), capacity) << field->objectName().toStdString();
        const bool required = field == dialog->edAanduiding || field == dialog->edAfkorting;
        EXPECT_EQ(field->toolTip(), required ? "" : "Niet verplicht") << field->objectName().toStdString();
    }
    // The agent's and substitute's postcode fields are as narrow as the party's.
    EXPECT_EQ(dialog->edPostcodeGemachtigde->width(), dialog->edPostCode->width());
    EXPECT_EQ(dialog->edPostcodeVervanger->width(), dialog->edPostCode->width());

    QStringList labels, bold;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        labels << label->text();
        if (label->font().bold())
            bold << label->text();
    }
    EXPECT_EQ(labels, QStringList({"Aanduiding", "Statutaire naam", "Afkorting", "Adres", "Postcode / Plaats",
                                   "Naam gemachtigde", "Adres", "Postcode / Plaats", "Naam vervanger", "Adres",
                                   "Postcode / Plaats"}));
    EXPECT_EQ(bold, QStringList({"Aanduiding", "Afkorting"}));

    // Tab walks the fields in the table's order, then OK and Cancel.
    QStringList order;
    ModalAnswer answer([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        for (int i = 0; i < 17; ++i) {
            order << window->focusWidget()->objectName();
            QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        }
    });
    dialog->ShowModal();
    EXPECT_EQ(order, QStringList({"edAanduiding", "edStatuNaam", "edAfkorting", "edAdres", "edPostCode", "edPlaats",
                                  "edNaamGemachtigde", "edAdresGemachtigde", "edPostcodeGemachtigde",
                                  "edPlaatsGemachtigde", "edNaamVervanger", "edAdresVervanger",
                                  "edPostcodeVervanger", "edPlaatsVervanger", "btnOk", "btnCancel", "edAanduiding"}));
}

TEST(ValidatePartij, FirstEmptyOrBlankRequiredField)
{
    struct Case {
        const char* afkorting;
        const char* aanduiding;
        std::optional<TPartijVeld> refused;
    };
    const Case cases[] = {
        {"", "", TPartijVeld::Afkorting}, // the abbreviation comes first
        {"  \t ", "Belang", TPartijVeld::Afkorting},
        {"\x01\x1f", "Belang", TPartijVeld::Afkorting}, // control characters count as blanks
        {"ABC", "", TPartijVeld::Aanduiding},
        {"ABC", "   ", TPartijVeld::Aanduiding},
        {"ABC", "Belang", std::nullopt},
        {" A ", "\xa0", std::nullopt}, // a no-break space is text
    };
    for (const Case& c : cases) {
        TPartijRecord invoer = SampleRecord();
        invoer.Afkorting = c.afkorting;
        invoer.Aanduiding = c.aanduiding;
        const TInputCheck<TPartijVeld> result = ValidatePartij(invoer);
        SCOPED_TRACE(std::string(c.afkorting) + "|" + c.aanduiding);
        ASSERT_EQ(result.has_value(), c.refused.has_value());
        if (!result)
            continue;
        EXPECT_EQ(result->Field, *c.refused);
        EXPECT_EQ(result->Message, *c.refused == TPartijVeld::Afkorting ? kAfkortingMessage : kAanduidingMessage);
    }
}

// A refusal is told in the program's box, keeps the dialog open and the focus on the field (not
// moved to the first one when the dialog is active again).
TEST_F(PartijDialog, RefusalIsToldAndFocusesTheField)
{
    MessageTeksten.Application = "Zorvandel 4.0";
    auto dialog = Open(mmInsert);
    bool openAfter = false;
    QString focusAfter;
    ModalAnswer form([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeCharacters(dialog->edAanduiding, "Belang");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        openAfter = window->isVisible();
        window->activateWindow();
        FocusOn(dialog->edAfkorting);
        focusAfter = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "";
    });
    ModalAnswer box(ModalAnswer::ClickButton("Ok"));
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);

    EXPECT_TRUE(openAfter);
    EXPECT_EQ(focusAfter, "edAfkorting");
    EXPECT_EQ(box.Seen().caption, "Zorvandel 4.0");
    EXPECT_TRUE(box.Seen().labels.contains(kAfkortingMessage)) << box.Seen().labels.join('|').toStdString();
    EXPECT_EQ(PartijList->Count(), 0);
}

TEST_F(PartijDialog, AbbreviationIsUpperCasedAndTheAppellationProposedAsStatutoryName)
{
    auto dialog = Open(mmInsert);
    ModalAnswer form([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeAndTab(window, "Groen en Vrij");
        EXPECT_EQ(dialog->edStatuNaam->text(), "Groen en Vrij");
        // The proposal stands selected: End and typing add to it.
        QTest::keyClick(dialog->edStatuNaam, Qt::Key_End);
        TypeAndTab(window, " Stichting");
        TypeAndTab(window, QString::fromUtf8("gv-\u00e9x"));
        EXPECT_EQ(dialog->edAfkorting->text(), QString::fromUtf8("GV-\u00c9X"));

        // A statutory name that holds text, even blanks only, is left alone.
        dialog->edAanduiding->setFocus();
        TypeCharacters(dialog->edAanduiding, "!");
        QTest::keyClick(dialog->edAanduiding, Qt::Key_Tab);
        EXPECT_EQ(dialog->edStatuNaam->text(), "Groen en Vrij Stichting");
        dialog->edStatuNaam->setText("  ");
        dialog->edAanduiding->setFocus();
        QTest::keyClick(dialog->edAanduiding, Qt::Key_Tab);
        EXPECT_EQ(dialog->edStatuNaam->text(), "  ");
        // A click into an empty one proposes the appellation too.
        dialog->edStatuNaam->clear();
        dialog->edAanduiding->setFocus();
        QTest::mouseClick(dialog->edStatuNaam, Qt::LeftButton);
        EXPECT_EQ(dialog->edStatuNaam->text(), "Groen en Vrij!");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(PartijList->Items(0)->Afkorting.AsString(), "GV-\xc9X");
    EXPECT_EQ(PartijList->Items(0)->StatuNaam.AsString(), "Groen en Vrij!");
}

// With the caret at either end, the field shows the first and the last character: it does not scroll.
TEST_F(PartijDialog, AbbreviationOfEightWideCapitalsIsShownWhole)
{
    auto dialog = Open(mmInsert);
    dialog->show();
    ASSERT_TRUE(Ready(dialog.get()));
    TZEBEdit* field = dialog->edAfkorting;
    field->setFocus();
    TypeCharacters(field, "wwmmwwmm");
    ASSERT_EQ(field->text(), "WWMMWWMM");
    const int middle = field->height() / 2;
    for (int key : {int(Qt::Key_Home), int(Qt::Key_End)}) {
        QTest::keyClick(field, Qt::Key(key));
        EXPECT_EQ(field->cursorPositionAt(QPoint(4, middle)), 0) << key;
        EXPECT_EQ(field->cursorPositionAt(QPoint(field->width() - 4, middle)), 8) << key;
    }
    EXPECT_LE(field->geometry().right(), dialog->edAanduiding->geometry().right()); // within the dialog's fields
    dialog->close();
}

TEST_F(PartijDialog, OkStoresExactlyTheTypedRecordInPlaceOfTheOldOne)
{
    AddParty(SampleRecord());
    AddCandidate("1");
    AddCandidate("2");
    const TPartijRecord* old = PartijList->Items(0);
    const QString sixty = QString(" Lange naam ").leftJustified(60, 'x');

    auto dialog = Open(mmInsert);
    EXPECT_TRUE(dialog->edAanduiding->text().isEmpty()) << "new mode starts empty";
    ModalAnswer form([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeAndTab(window, " De Partij "); // kept with its blanks
        TypeAndTab(window, sixty);          // replaces the selected proposal; cut to 50
        TypeAndTab(window, "dp");
        TypeAndTab(window, "Plein 9");
        TypeAndTab(window, "9999 ZZ Extra"); // 10 characters fit
        TypeAndTab(window, "Assen");
        TypeAndTab(window, "P. Peters");
        TypeAndTab(window, "Laan 4");
        TypeAndTab(window, "Postbus 12345, 9999 ZZ"); // the agent's postcode takes 50
        TypeAndTab(window, "Emmen");
        TypeAndTab(window, "Q. Quist");
        TypeAndTab(window, "Hof 5");
        TypeAndTab(window, "8888 YY");
        TypeAndTab(window, "Hoogeveen");
        EXPECT_EQ(window->focusWidget(), dialog->btnOk);
        QTest::keyClick(dialog->btnOk, Qt::Key_Space);
    });
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);

    ASSERT_EQ(PartijList->Count(), 1);
    const TPartijRecord& r = *PartijList->Items(0);
    EXPECT_NE(&r, old);
    EXPECT_EQ(r.StatuNaam.Length, 50);
    const std::vector<std::pair<std::string, std::string>> stored = {{r.Aanduiding.AsString(), " De Partij "},
        {r.StatuNaam.AsString(), sixty.toStdString().substr(0, 50)}, {r.Afkorting.AsString(), "DP"},
        {r.Adres.AsString(), "Plein 9"}, {r.PostCode.AsString(), "9999 ZZ Ex"}, {r.Plaats.AsString(), "Assen"},
        {r.NaamGemachtigde.AsString(), "P. Peters"}, {r.AdresGemachtigde.AsString(), "Laan 4"},
        {r.PostcodeGemachtigde.AsString(), "Postbus 12345, 9999 ZZ"}, {r.PlaatsGemachtigde.AsString(), "Emmen"},
        {r.NaamVervanger.AsString(), "Q. Quist"}, {r.AdresVervanger.AsString(), "Hof 5"},
        {r.PostcodeVervanger.AsString(), "8888 YY"}, {r.PlaatsVervanger.AsString(), "Hoogeveen"}};
    for (size_t i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i].first, stored[i].second) << "field " << i;
    EXPECT_EQ(KandidaatList->Count(), 2) << "the dialog leaves the candidates to its caller";
}

TEST_F(PartijDialog, EditModeShowsTheStoredRecordAndOkReplacesIt)
{
    TPartijRecord stored = SampleRecord();
    stored.Plaats = "\xc9\xe9n"; // Windows-1252 bytes survive the round trip
    AddParty(stored);
    AddCandidate("7");

    auto dialog = Open(mmEdit);
    EXPECT_EQ(dialog->windowTitle(), "Wijzigen zorvandel gegevens - ABC");
    EXPECT_EQ(dialog->edPlaats->text(), QString::fromUtf8("\u00c9\u00e9n"));
    const std::vector<std::pair<TZEBEdit*, const char*>> shown = {{dialog->edAfkorting, "ABC"},
        {dialog->edStatuNaam, "Stichting Algemeen Belang"}, {dialog->edAanduiding, "Algemeen Belang"},
        {dialog->edAdres, "Markt 1"}, {dialog->edPostCode, "1234 AB"}, {dialog->edNaamGemachtigde, "J. de Vries"},
        {dialog->edAdresGemachtigde, "Kerkstraat 2"}, {dialog->edPostcodeGemachtigde, "2345 BC"},
        {dialog->edPlaatsGemachtigde, "Kampen"}, {dialog->edNaamVervanger, "A. Jansen"},
        {dialog->edAdresVervanger, "Dorpsweg 3"}, {dialog->edPostcodeVervanger, "3456 CD"},
        {dialog->edPlaatsVervanger, "Ommen"}};
    for (const auto& [field, text] : shown)
        EXPECT_EQ(field->Text(), text) << field->objectName().toStdString();

    ModalAnswer form([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        dialog->edAdresVervanger->setFocus();
        dialog->edAdresVervanger->selectAll();
        TypeCharacters(dialog->edAdresVervanger, "Brink 6");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);

    TPartijRecord expected = stored;
    expected.AdresVervanger = "Brink 6";
    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(*PartijList->Items(0), expected);
    EXPECT_EQ(KandidaatList->Count(), 1);
}

TEST_F(PartijDialog, CancelAndEscStoreNothing)
{
    AddParty(SampleRecord());
    AddCandidate("1");
    const TPartijRecord* old = PartijList->Items(0);

    auto dialog = Open(mmInsert);
    ModalAnswer cancel([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeAndTab(window, "Nieuw");
        TypeAndTab(window, "");
        TypeAndTab(window, "NW");
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);

    dialog = Open(mmEdit);
    ModalAnswer esc([&](QWidget*) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeCharacters(dialog->edAanduiding, " gewijzigd");
        QTest::keyClick(dialog->edAanduiding, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog->ShowModal(), TBaseForm::mrCancel);

    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(PartijList->Items(0), old);
    EXPECT_EQ(*old, SampleRecord());
    EXPECT_EQ(KandidaatList->Count(), 1);
}

// Characters the list file cannot hold: a typed one is refused, a paste holding one is refused
// whole; either way one message names what was refused, and the dialog goes on as before.
TEST_F(PartijDialog, CharactersTheListCannotHoldAreRefusedAndNamed)
{
    MessageTeksten.Application = "Zorvandel 4.0";
    auto dialog = Open(mmInsert);
    SeenWindow typed, pasted;
    bool onlyOneBox = false;
    QString focusAfter;
    ModalAnswer form([&](QWidget* window) {
        ASSERT_TRUE(Ready(dialog.get()));
        TypeCharacters(dialog->edAanduiding, "Groen");
        dialog->edPlaats->setFocus();
        {
            ModalAnswer box(ModalAnswer::ClickButton("Ok"));
            TypeCharacters(dialog->edPlaats, QString::fromUtf8("\u0132sselmeer"));
            EXPECT_EQ(dialog->edPlaats->text(), "sselmeer");
            EXPECT_TRUE(WaitFor([&] { return box.Seen().shown && QApplication::activeModalWidget() == window; }));
            typed = box.Seen();
        }
        window->activateWindow();
        FocusOn(dialog->edPlaats);
        focusAfter = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "";

        dialog->edNaamGemachtigde->setFocus();
        {
            ModalAnswer box(ModalAnswer::ClickButton("Ok"));
            QString many;
            for (char16_t c = 0x4E00; c < 0x4E00 + 30; ++c)
                many += QChar(c);
            QApplication::clipboard()->setText(QString::fromUtf8("Ay\u015fe Y\u0131lmaz ") + many); // 42 characters
            QTest::keyClick(dialog->edNaamGemachtigde, Qt::Key_V, Qt::ControlModifier);
            EXPECT_EQ(dialog->edNaamGemachtigde->text(), "");
            EXPECT_TRUE(WaitFor([&] { return box.Seen().shown && QApplication::activeModalWidget() == window; }));
            pasted = box.Seen();
            QTest::qWait(100);
            onlyOneBox = QApplication::activeModalWidget() == window;
        }
        QApplication::clipboard()->setText("Ayse Yilmaz");
        QTest::keyClick(dialog->edNaamGemachtigde, Qt::Key_V, Qt::ControlModifier);
        dialog->edAfkorting->setFocus();
        TypeCharacters(dialog->edAfkorting, "gr");
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
    });
    ASSERT_EQ(dialog->ShowModal(), TBaseForm::mrOk);

    const QString tail = "; de invoer is niet overgenomen.";
    EXPECT_EQ(typed.caption, "Zorvandel 4.0");
    EXPECT_TRUE(typed.labels.contains(
        QString::fromUtf8("De invoer bevat het teken '\u0132' (U+0132) dat het programma niet kan opslaan") + tail))
        << typed.labels.join('|').toStdString();
    EXPECT_EQ(focusAfter, "edPlaats");
    EXPECT_TRUE(pasted.labels.contains(QString::fromUtf8(
        "De invoer bevat 32 tekens die het programma niet kan opslaan: '\u015f' (U+015F), '\u0131' (U+0131), "
        "'\u4e00' (U+4E00), '\u4e01' (U+4E01), '\u4e02' (U+4E02) en 27 andere") + tail))
        << pasted.labels.join('|').toStdString();
    EXPECT_TRUE(onlyOneBox) << "one message for the paste";

    ASSERT_EQ(PartijList->Count(), 1);
    EXPECT_EQ(PartijList->Items(0)->Plaats.AsString(), "sselmeer");
    EXPECT_EQ(PartijList->Items(0)->NaamGemachtigde.AsString(), "Ayse Yilmaz");
    EXPECT_EQ(PartijList->Items(0)->Afkorting.AsString(), "GR");
}
