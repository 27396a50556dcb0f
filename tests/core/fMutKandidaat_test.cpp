#include "fMutKandidaat.h"

#include "ErrorOf.h"
#include "Exceptions.h"
#include "FocusLook.h"
#include "FormatSettings.h"
#include "KeyInput.h"
#include "ModalAnswer.h"
#include "StrFuncs.h"
#include "UpDown.h"
#include "ZEBComp.h"
#include "ZEBDate.h"
#include "ZEBMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

namespace {

const QDate kToday(2026, 12, 6);
const QString kCutMessage = "Naam stemapparaat is afgekapt op 50 posities\r\nEvt. langere naam apart doorgeven aan gemeente";

class MutKandidaat : public ::testing::Test {
protected:
    // Numbers in use as the main window hands them over: padded to 10, sorted, unique.
    static std::vector<std::string> NrList()
    {
        std::set<std::string> numbers;
        for (int i = 0; i < KandidaatList->Count(); ++i)
            numbers.insert(PadLeft(KandidaatList->Items(i)->KandidaatNr.AsString(), 10, '0'));
        return {numbers.begin(), numbers.end()};
    }

    static TKandidaatRecord* AddRecord(const std::string& nr, const std::string& naam = "Jansen")
    {
        auto record = std::make_unique<TKandidaatRecord>();
        record->KandidaatNr = nr;
        record->Achternaam = naam;
        record->Voorletters = "J.";
        record->Voorvoegsels = "van";
        record->Voornaam = "Jan";
        record->NaamStemapparaat = "opgeslagen naam " + nr;
        record->Geslacht = "m";
        record->Geboortedatum = "01-02-1970";
        record->Adres = "Dorpsstraat 1";
        record->Postcode = "1234 AB";
        record->Plaats = "Ede";
        TKandidaatRecord* result = record.get();
        KandidaatList->Add(std::move(record));
        return result;
    }

    void Open(TMutateMode mode, int currentNr = -1, bool okNieuw = false)
    {
        form->Initialize(mode, okNieuw, NrList(), currentNr);
        form->show();
    }

    static void Type(QWidget* field, const QString& text)
    {
        QTest::keyClicks(field, text);
    }

    // A click puts the caret at the start of a blank date.
    void TypeDate(const QString& text)
    {
        QTest::mouseClick(form->edGeboortedatum, Qt::LeftButton);
        Type(form->edGeboortedatum, text);
    }

    // Fills every required field of an open insert dialog with valid input.
    void FillValid()
    {
        Type(form->edNaam, "Dijk");
        Type(form->edVoorletters, "A.B.");
        Type(form->edAdres, "Kerkweg 2");
        Type(form->edPostCode, "6711 AA");
        Type(form->edPlaats, "Ede");
    }

    // Clicks OK and answers a message box with answer; returns the box's labels (empty: no box).
    QStringList ClickOk(const QString& answer = "Ok")
    {
        ModalAnswer box(ModalAnswer::ClickButton(answer));
        form->btnOk->click();
        return box.Seen().shown ? box.Seen().labels : QStringList();
    }

    // OK fails with message and leaves the focus on field; the dialog stays open.
    void ExpectRefused(const QString& message, QWidget* field)
    {
        SCOPED_TRACE(message.toStdString());
        const QStringList labels = ClickOk();
        EXPECT_TRUE(labels.contains(message)) << labels.join(" | ").toStdString();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->focusWidget(), field) << (form->focusWidget() ? form->focusWidget()->objectName().toStdString() : "none");
    }

    ScopedFormatSettings dutch{TFormatSettings::Dutch()};
    TZVLists lists;
    std::unique_ptr<TfrmMutKandidaat> form = [] {
        auto f = TBaseForm::Create<TfrmMutKandidaat>();
        f->edGeboortedatum->SetToday([] { return kToday; });
        return f;
    }();
};

} // namespace

TEST_F(MutKandidaat, LayoutCaptionsAndHints)
{
    // The spin range, its lack of wrap-around and the date's Epoch show in the behaviour tests below.
    EXPECT_EQ(form->windowTitle(), "Kandidaatgegevens");
    const std::vector<std::pair<TZEBEdit*, int>> capacities = {{form->edNaam, 50}, {form->edVoorletters, 15},
        {form->edVoorvoegsels, 15}, {form->edVoornaam, 20}, {form->edAdres, 50}, {form->edPostCode, 10},
        {form->edPlaats, 50}, {form->edNaamStemapparaat, 50}};
    for (const auto& [field, capacity] : capacities)
        EXPECT_EQ(field->maxLength(), capacity) << field->objectName().toStdString();
    EXPECT_EQ(form->cbAutomatisch->text(), "Naam op stemapparaat automatisch genereren");
    EXPECT_EQ(form->cbOkNieuw->text(), "Na opslaan nieuwe kandidaat toevoegen");
    EXPECT_EQ(form->cbOkNieuw->toolTip(), "Na OK in hetzelfde scherm blijven en nieuwe kandidaat toevoegen");
    EXPECT_EQ(form->edVoornaam->toolTip(), "Niet verplicht");
    EXPECT_EQ(form->cmbGeslacht->toolTip(), "Niet verplicht");
    EXPECT_EQ(form->edNaamStemapparaat->toolTip(), "Naamvermelding op stemapparaat");
    EXPECT_EQ(form->edNaam->parentWidget()->toolTip(), "Vetgedrukte velden zijn verplicht");
    EXPECT_EQ(form->cmbGeslacht->currentIndex(), -1);
    QStringList items;
    for (int i = 0; i < form->cmbGeslacht->count(); ++i)
        items << form->cmbGeslacht->itemText(i);
    EXPECT_EQ(items, QStringList({"", "M", "V"}));

    // Bold labels mark the required fields.
    const std::map<QString, bool> labels = {{"Kandidaatnummer", true}, {"Achternaam", true}, {"Voorletters", true},
        {"Voorvoegsels", false}, {"Voornaam (roepnaam)", false}, {"Geslacht", false}, {"Geboortedatum", true},
        {"Adres", true}, {"Postcode", true}, {"Plaats", true}, {"Naam stemapparaat", true}};
    for (const auto& [text, bold] : labels) {
        QLabel* found = nullptr;
        for (QLabel* label : form->findChildren<QLabel*>())
            if (label->text() == text)
                found = label;
        ASSERT_NE(found, nullptr) << text.toStdString();
        EXPECT_EQ(found->font().bold(), bold) << text.toStdString();
    }

    // Tab order: the fields in their order, then OK and Cancel.
    Open(mmInsert);
    std::vector<QWidget*> chain;
    QWidget* w = form->edKandidaatNr;
    for (int i = 0; i < 15; ++i, w = w->nextInFocusChain()) {
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled())
            w = w->nextInFocusChain();
        chain.push_back(w);
    }
    const std::vector<QWidget*> expected = {form->edKandidaatNr, form->edNaam, form->edVoorletters,
        form->edVoorvoegsels, form->edVoornaam, form->cmbGeslacht, form->edGeboortedatum, form->edAdres,
        form->edPostCode, form->edPlaats, form->cbAutomatisch, form->cbOkNieuw, form->btnOk, form->btnCancel,
        form->edKandidaatNr};
    EXPECT_EQ(chain, expected);
}

TEST_F(MutKandidaat, ProposesTheHighestNumberInUsePlusOne)
{
    Open(mmInsert, -1, true);
    EXPECT_EQ(form->windowTitle(), "Toevoegen kandidaat");
    EXPECT_EQ(form->GetKandidaatNr(), "1") << "no candidates yet";
    EXPECT_TRUE(form->cbOkNieuw->isVisible());
    EXPECT_TRUE(form->GetOkNieuw());

    for (const char* nr : {"3", "1", "5", "2", "4"})
        AddRecord(nr);
    Open(mmInsert, 5, true);
    EXPECT_EQ(form->GetKandidaatNr(), "6");
    EXPECT_EQ(form->udKandidaatNr->Position(), 6);

    AddRecord("80");
    Open(mmInsert);
    EXPECT_EQ(form->GetKandidaatNr(), "81");
    EXPECT_FALSE(form->cbOkNieuw->isVisible());
    EXPECT_FALSE(form->GetOkNieuw());
    FillValid();
    ExpectRefused("Het kandidaatnummer dient tussen 1 en 80 te liggen", form->edKandidaatNr);

    AddRecord("99");
    Open(mmInsert);
    EXPECT_EQ(form->GetKandidaatNr(), "99") << "the spin control holds its maximum";
}

TEST_F(MutKandidaat, ANumberInUseThatIsNoWholeNumberStopsInitialize)
{
    AddRecord("1");
    AddRecord("abc"); // possible after an import; sorts last
    EXPECT_EQ(ErrorOf<EConvertError>([&] { form->Initialize(mmInsert, true, NrList(), -1); }),
              "'0000000abc' is not a valid integer value");
}

TEST_F(MutKandidaat, ComposesTheVotingMachineNameWhileTyping)
{
    Open(mmInsert);
    Type(form->edNaam, "Dijk");
    EXPECT_EQ(form->GetNaamStemapparaat(), "Dijk");
    Type(form->edVoorletters, "A.B.");
    EXPECT_EQ(form->GetNaamStemapparaat(), "Dijk, A.B.");
    Type(form->edVoorvoegsels, "van");
    EXPECT_EQ(form->GetNaamStemapparaat(), "van Dijk, A.B.");
    Type(form->edVoornaam, "Anna");
    EXPECT_EQ(form->GetNaamStemapparaat(), "van Dijk, A.B. (Anna)");
    Type(form->cmbGeslacht, "V");
    EXPECT_EQ(form->cmbGeslacht->currentText(), "V");
    EXPECT_EQ(form->GetNaamStemapparaat(), "van Dijk, A.B. (Anna) (v)");

    // The parts as they stand, blanks included; the sex alone gives no name.
    Type(form->edVoorvoegsels, " ");
    EXPECT_EQ(form->GetNaamStemapparaat(), "van  Dijk, A.B. (Anna) (v)");
    for (TZEBEdit* part : {form->edNaam, form->edVoorletters, form->edVoorvoegsels, form->edVoornaam})
        part->clear();
    EXPECT_EQ(form->GetNaamStemapparaat(), "");

    // Automatic naming off: the typed name stays until it is on again and a part changes.
    QTest::mouseClick(form->cbAutomatisch, Qt::LeftButton);
    EXPECT_TRUE(form->edNaamStemapparaat->isEnabled());
    Type(form->edNaamStemapparaat, "Eigen naam");
    Type(form->edNaam, "Smit");
    EXPECT_EQ(form->GetNaamStemapparaat(), "Eigen naam");
    QTest::mouseClick(form->cbAutomatisch, Qt::LeftButton);
    EXPECT_FALSE(form->edNaamStemapparaat->isEnabled());
    EXPECT_EQ(form->GetNaamStemapparaat(), "Eigen naam") << "ticking alone does not recompose";
    Type(form->edVoorletters, "K");
    EXPECT_EQ(form->GetNaamStemapparaat(), "Smit, K (v)");

    EXPECT_EQ(ComposeNaamStemapparaat("", "", "", "", "M"), "");
    EXPECT_EQ(ComposeNaamStemapparaat("de", "", "", "", ""), "de ");
    EXPECT_EQ(ComposeNaamStemapparaat("", "", "", "Piet", "m"), " (Piet) (m)");
}

TEST_F(MutKandidaat, ALongNameIsCutSilentlyOnInsertAndWithAMessageOnEdit)
{
    const QString surname = QString(40, 'x'); // with ", " and the initials: 42 + initials
    Open(mmInsert);
    Type(form->edNaam, surname);
    {
        ModalAnswer none(ModalAnswer::ClickButton("Ok"));
        Type(form->edVoorletters, "ABCDEFGHIJ"); // 52 characters composed
        EXPECT_FALSE(none.Seen().shown) << "insert mode cuts without a message";
    }
    EXPECT_EQ(form->GetNaamStemapparaat(), surname.toStdString() + ", ABCDEFGH");

    AddRecord("7", surname.toStdString());
    KandidaatList->Items(0)->Voorletters = "ABCDEF"; // 48 characters composed
    KandidaatList->Items(0)->Voorvoegsels = "";
    KandidaatList->Items(0)->Voornaam = "";
    KandidaatList->Items(0)->Geslacht = "";
    {
        ModalAnswer none(ModalAnswer::ClickButton("Ok"));
        Open(mmEdit, 7);
        EXPECT_FALSE(none.Seen().shown) << "loading shows no message";
    }
    EXPECT_EQ(form->GetNaamStemapparaat(), "opgeslagen naam 7") << "the stored name is what the dialog shows";

    Type(form->edVoorletters, "G"); // 49: fits
    EXPECT_EQ(form->GetNaamStemapparaat(), surname.toStdString() + ", ABCDEFG");
    for (const char* more : {"H", "I"}) { // 50 fits, 51 is cut with a message
        ModalAnswer box(ModalAnswer::ClickButton("Ok"));
        Type(form->edVoorletters, more);
        EXPECT_EQ(box.Seen().shown, std::string(more) == "I");
    }
    ModalAnswer again(ModalAnswer::ClickButton("Ok"));
    Type(form->edVoorletters, "J"); // every change that leaves it too long tells again
    ASSERT_TRUE(again.Seen().shown);
    EXPECT_TRUE(again.Seen().labels.contains(kCutMessage));
    EXPECT_EQ(form->GetNaamStemapparaat(), surname.toStdString() + ", ABCDEFGH");
}

TEST(ValidateKandidaat, ChecksInTheirOrderFirstRefusalWins)
{
    using enum TKandidaatVeld;
    const char* const leeg = "U dient een kandidaat nummer in te voeren.";
    const char* const bereik = "Het kandidaatnummer dient tussen 1 en 80 te liggen";
    const char* const bestaat = "Het ingevoerde kandidaat nummer bestaat reeds.";
    struct Case {
        const char* what;
        std::function<void(TKandidaatInvoer&)> change;
        std::optional<TKandidaatVeld> refused;
        std::string message;
        bool dateAsked;
    };
    const std::vector<Case> cases = {
        {"all valid", [](TKandidaatInvoer&) {}, std::nullopt, "", true},
        {"no number", [](TKandidaatInvoer& i) { i.KandidaatNr = ""; }, KandidaatNr, leeg, false},
        {"blank number", [](TKandidaatInvoer& i) { i.KandidaatNr = " \t"; i.Naam = ""; }, KandidaatNr, leeg, false},
        {"surname", [](TKandidaatInvoer& i) { i.Naam = "  "; i.Voorletters = ""; }, Naam,
            "U dient de achternaam van de kandidaat in te voeren.", false},
        {"initials", [](TKandidaatInvoer& i) { i.Voorletters = ""; i.NaamStemapparaat = ""; }, Voorletters,
            "U dient de voorletters van de kandidaat in te voeren.", false},
        {"machine name", [](TKandidaatInvoer& i) { i.NaamStemapparaat = ""; i.Plaats = ""; }, NaamStemapparaat,
            "U dient de naamsvermelding op de stemapparaatuur in te voeren.", false},
        {"place before address", [](TKandidaatInvoer& i) { i.Plaats = ""; i.Adres = ""; }, Plaats,
            "U dient de woonplaats van de kandidaat in te voeren.", false},
        {"address before postcode", [](TKandidaatInvoer& i) { i.Adres = ""; i.PostCode = ""; }, Adres,
            "U dient het adres van de kandidaat in te voeren.", false},
        {"postcode", [](TKandidaatInvoer& i) { i.PostCode = " "; }, PostCode,
            "U dient de postcode van de kandidaat in te voeren.", false},
        {"date before number range", [](TKandidaatInvoer& i) { i.GeboortedatumGeldig = [] { return false; }; i.KandidaatNr = "0"; },
            Geboortedatum, "De ingevoerde datum is geen geldige datum.", true},
        {"zero", [](TKandidaatInvoer& i) { i.KandidaatNr = "0"; }, KandidaatNr, bereik, true},
        {"81", [](TKandidaatInvoer& i) { i.KandidaatNr = "81"; }, KandidaatNr, bereik, true},
        {"spin left behind", [](TKandidaatInvoer& i) { i.KandidaatNr = "150"; i.Positie = 15; }, KandidaatNr, bereik, true},
        {"too long for a number", [](TKandidaatInvoer& i) { i.KandidaatNr = "12345678901"; }, KandidaatNr, bereik, true},
        {"no whole number", [](TKandidaatInvoer& i) { i.KandidaatNr = "1a"; }, KandidaatNr, bereik, true},
        {"80 with blanks and zeros", [](TKandidaatInvoer& i) { i.KandidaatNr = " 080 "; i.Positie = 80; }, std::nullopt, "", true},
        {"insert: number in use", [](TKandidaatInvoer& i) { i.KandidaatNr = "4"; i.Positie = 4; }, KandidaatNr, bestaat, true},
        {"insert: compared trimmed and padded", [](TKandidaatInvoer& i) { i.KandidaatNr = " 9 "; i.Positie = 9; },
            KandidaatNr, bestaat, true},
        {"insert: the selected row's number", [](TKandidaatInvoer& i) { i.KandidaatNr = "4"; i.Positie = 4; i.OrigNr = 4; },
            KandidaatNr, bestaat, true},
        {"edit keeping its number", [](TKandidaatInvoer& i) { i.Mode = mmEdit; i.KandidaatNr = "9"; i.Positie = 9; i.OrigNr = 9; },
            std::nullopt, "", true},
        {"edit taking one in use", [](TKandidaatInvoer& i) { i.Mode = mmEdit; i.KandidaatNr = "9"; i.Positie = 9; i.OrigNr = 4; },
            KandidaatNr, bestaat, true},
        {"delete checks nothing", [](TKandidaatInvoer& i) { i = {}; i.Mode = mmDelete; }, std::nullopt, "", false},
    };
    const std::vector<std::string> nrList{"0000000004", "0000000009"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int dateAsked = 0;
        TKandidaatInvoer invoer;
        invoer.KandidaatNr = "3";
        invoer.Positie = 3;
        invoer.Naam = "Dijk";
        invoer.Voorletters = "A.";
        invoer.NaamStemapparaat = "Dijk, A.";
        invoer.Plaats = "Ede";
        invoer.Adres = "Kerkweg 2";
        invoer.PostCode = "6711 AA";
        invoer.GeboortedatumGeldig = [] { return true; };
        c.change(invoer);
        if (invoer.GeboortedatumGeldig) {
            invoer.GeboortedatumGeldig = [&dateAsked, check = invoer.GeboortedatumGeldig] {
                ++dateAsked;
                return check();
            };
        }
        const TInputCheck<TKandidaatVeld> result = ValidateKandidaat(invoer, nrList);
        ASSERT_EQ(result.has_value(), c.refused.has_value());
        if (result) {
            EXPECT_EQ(result->Field, *c.refused);
            EXPECT_EQ(result->Message, c.message);
        }
        EXPECT_EQ(dateAsked, c.dateAsked ? 1 : 0);
    }
}

// The dialog's side of a refusal: told, the dialog stays open with the focus on the field; the
// date field completes its text when checked, and a blank date passes.
TEST_F(MutKandidaat, RefusalFocusesTheFieldAndABlankDatePasses)
{
    Open(mmInsert);
    FillValid();
    TypeDate("31021970");
    ExpectRefused("De ingevoerde datum is geen geldige datum.", form->edGeboortedatum);
    form->edGeboortedatum->SetText("");
    form->edPlaats->clear();
    ExpectRefused("U dient de woonplaats van de kandidaat in te voeren.", form->edPlaats);
    Type(form->edPlaats, "Ede");
    EXPECT_TRUE(ClickOk().isEmpty()) << "a blank birth date passes";
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(KandidaatList->Count(), 1);
    EXPECT_EQ(KandidaatList->Items(0)->Geboortedatum.AsString(), "  -  -    ");
}

TEST_F(MutKandidaat, NumberOutsideTheRangeIsRefusedWhateverTheSpinShows)
{
    Open(mmInsert);
    FillValid();
    for (const char* typed : {"0", "81", "150", "12345678901"}) {
        form->edKandidaatNr->clear();
        Type(form->edKandidaatNr, typed);
        if (std::string(typed) == "150") {
            EXPECT_EQ(form->udKandidaatNr->Position(), 15) << "the spin keeps its last value";
        }
        ExpectRefused("Het kandidaatnummer dient tussen 1 en 80 te liggen", form->edKandidaatNr);
    }
    EXPECT_EQ(KandidaatList->Count(), 0);

    // Leading zeros: saved and handed back as the plain number.
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "007");
    EXPECT_TRUE(ClickOk().isEmpty());
    EXPECT_EQ(KandidaatList->Items(0)->KandidaatNr.AsString(), "7");
    EXPECT_EQ(form->GetKandidaatNr(), "7");
}

TEST_F(MutKandidaat, NumberFieldTakesDigitsOnlyAndStepsWithTheArrows)
{
    Open(mmInsert);
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "1a- 2.");
    EXPECT_EQ(form->GetKandidaatNr(), "12");
    EXPECT_EQ(form->udKandidaatNr->Position(), 12);
    QTest::keyClick(form->edKandidaatNr, Qt::Key_Backspace);
    EXPECT_EQ(form->GetKandidaatNr(), "1");
    QApplication::clipboard()->setText("x9");
    QTest::keyClick(form->edKandidaatNr, Qt::Key_V, Qt::ControlModifier);
    form->edKandidaatNr->insert("x9"); // as a paste from the context menu
    EXPECT_EQ(form->GetKandidaatNr(), "1");

    QTest::keyClick(form->edKandidaatNr, Qt::Key_Up);
    EXPECT_EQ(form->GetKandidaatNr(), "2");
    QTest::mouseClick(form->udKandidaatNr->DownButton(), Qt::LeftButton);
    QTest::mouseClick(form->udKandidaatNr->DownButton(), Qt::LeftButton);
    EXPECT_EQ(form->GetKandidaatNr(), "1") << "no wrap-around";
    EXPECT_EQ(form->udKandidaatNr->Position(), 1);

    // Enter moves on as in every field.
    form->activateWindow();
    form->edKandidaatNr->setFocus();
    QTest::keyClick(form->edKandidaatNr, Qt::Key_Return);
    EXPECT_EQ(form->focusWidget(), form->edNaam);
}

// A typed character the list file cannot hold is refused, a paste holding one is refused whole;
// one message names it.  The date field takes digits only and refuses it as it refuses a letter.
TEST_F(MutKandidaat, CharactersTheListCannotHoldAreRefusedAndNamed)
{
    Open(mmInsert);
    const auto told = [](const std::function<void()>& input) {
        ModalAnswer box(ModalAnswer::ClickButton("Ok"));
        input();
        EXPECT_TRUE(WaitFor([&] { return box.Seen().shown && !QApplication::activeModalWidget(); }));
        return box.Seen().labels;
    };
    const QString tail = "; de invoer is niet overgenomen.";
    QStringList labels = told([&] { TypeCharacters(form->edNaam, QString::fromUtf8("\u0132zerman")); });
    EXPECT_TRUE(labels.contains(
        QString::fromUtf8("De invoer bevat het teken '\u0132' (U+0132) dat het programma niet kan opslaan") + tail))
        << labels.join('|').toStdString();
    EXPECT_EQ(form->edNaam->text(), "zerman");

    labels = told([&] {
        QApplication::clipboard()->setText(QString::fromUtf8("Ay\u015fe"));
        form->edVoornaam->setFocus();
        QTest::keyClick(form->edVoornaam, Qt::Key_V, Qt::ControlModifier);
    });
    EXPECT_TRUE(labels.contains(
        QString::fromUtf8("De invoer bevat het teken '\u015f' (U+015F) dat het programma niet kan opslaan") + tail))
        << labels.join('|').toStdString();
    EXPECT_EQ(form->edVoornaam->text(), "");

    {
        ModalAnswer none(ModalAnswer::ClickButton("Ok"));
        TypeDate("01");
        TypeCharacters(form->edGeboortedatum, QString::fromUtf8("\u0662"));
        Type(form->edGeboortedatum, "02");
        QTest::qWait(100);
        EXPECT_FALSE(none.Seen().shown) << none.Seen().labels.join('|').toStdString();
        EXPECT_EQ(form->edGeboortedatum->EditText(), "01-02-    ");
    }

    Type(form->edVoornaam, "Ayse");
    Type(form->edVoorletters, "A.");
    Type(form->edAdres, "Kerkweg 2");
    Type(form->edPostCode, "6711 AA");
    Type(form->edPlaats, "Ede");
    EXPECT_TRUE(ClickOk().isEmpty());
    ASSERT_EQ(KandidaatList->Count(), 1);
    const TKandidaatRecord* saved = KandidaatList->Items(0);
    EXPECT_EQ(saved->Achternaam.AsString(), "zerman");
    EXPECT_EQ(saved->Voornaam.AsString(), "Ayse");
    EXPECT_EQ(saved->NaamStemapparaat.AsString(), "zerman, A. (Ayse)");
    EXPECT_EQ(saved->Geboortedatum.AsString(), "01-02-2026");
}

TEST_F(MutKandidaat, UniqueNumberOnInsertAndWhenEditChangesIt)
{
    AddRecord("4");
    AddRecord("9");
    Open(mmInsert);
    FillValid();
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "4");
    ExpectRefused("Het ingevoerde kandidaat nummer bestaat reeds.", form->edKandidaatNr);

    // Edit keeping its own number: no uniqueness check.
    Open(mmEdit, 9);
    EXPECT_EQ(form->windowTitle(), "Wijzigen kandidaat");
    EXPECT_TRUE(ClickOk().isEmpty());
    EXPECT_FALSE(form->isVisible());

    // Edit changing it to a number in use, then to a free one: same record, same place.
    Open(mmEdit, 4);
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "9");
    ExpectRefused("Het ingevoerde kandidaat nummer bestaat reeds.", form->edKandidaatNr);
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "12");
    EXPECT_TRUE(ClickOk().isEmpty());
    ASSERT_EQ(KandidaatList->Count(), 2);
    EXPECT_EQ(KandidaatList->Items(0)->KandidaatNr.AsString(), "12");
    EXPECT_EQ(KandidaatList->Items(1)->KandidaatNr.AsString(), "9");
}

TEST_F(MutKandidaat, InsertAppendsEveryFieldAndTheSameDialogStartsAfresh)
{
    AddRecord("1");
    form->Initialize(mmInsert, true, NrList(), 1);
    int shown = 0;
    ModalAnswer first([&](QWidget*) {
        ++shown;
        EXPECT_EQ(form->focusWidget(), form->edNaam);
        Type(form->edVoorvoegsels, "van");
        Type(form->edNaam, "Dijk");
        Type(form->edVoorletters, "A.B.");
        Type(form->edVoornaam, "Anna");
        Type(form->cmbGeslacht, "V");
        TypeDate("5 3 30");
        Type(form->edAdres, "Kerkweg 2");
        Type(form->edPostCode, "6711 AA");
        Type(form->edPlaats, "Ede");
        QTest::mouseClick(form->cbAutomatisch, Qt::LeftButton); // left as the user set it
        form->btnOk->click();
    });
    ASSERT_EQ(form->ShowModal(), TBaseForm::mrOk);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form->GetKandidaatNr(), "2");
    EXPECT_EQ(form->GetNaamStemapparaat(), "van Dijk, A.B. (Anna) (v)");
    EXPECT_EQ(form->GetPlaats(), "Ede");
    EXPECT_TRUE(form->GetOkNieuw());
    ASSERT_EQ(KandidaatList->Count(), 2);
    const TKandidaatRecord& r = *KandidaatList->Items(1);
    EXPECT_EQ(r.KandidaatNr.AsString(), "2");
    EXPECT_EQ(r.Achternaam.AsString(), "Dijk");
    EXPECT_EQ(r.Voorletters.AsString(), "A.B.");
    EXPECT_EQ(r.Voorvoegsels.AsString(), "van");
    EXPECT_EQ(r.Voornaam.AsString(), "Anna");
    EXPECT_EQ(r.NaamStemapparaat.AsString(), "van Dijk, A.B. (Anna) (v)");
    EXPECT_EQ(r.Geslacht.AsString(), "V");
    EXPECT_EQ(r.Geboortedatum.AsString(), "05-03-1930") << "completed with Epoch 10, not the usual 50";
    EXPECT_EQ(r.Adres.AsString(), "Kerkweg 2");
    EXPECT_EQ(r.Postcode.AsString(), "6711 AA");
    EXPECT_EQ(r.Plaats.AsString(), "Ede");

    // Second pass on the same object: every field emptied, the next number proposed, the
    // repeat box ticked again, automatic naming as the user left it.
    form->Initialize(mmInsert, true, NrList(), 2);
    EXPECT_EQ(form->GetKandidaatNr(), "3");
    for (TZEBEdit* field : {form->edNaam, form->edVoorletters, form->edVoorvoegsels, form->edVoornaam,
             form->edNaamStemapparaat, form->edAdres, form->edPostCode, form->edPlaats})
        EXPECT_EQ(field->text(), "") << field->objectName().toStdString();
    EXPECT_EQ(form->cmbGeslacht->currentIndex(), -1);
    EXPECT_EQ(form->edGeboortedatum->Text(), "  -  -    ");
    EXPECT_TRUE(form->GetOkNieuw());
    EXPECT_FALSE(form->cbAutomatisch->isChecked());
    EXPECT_TRUE(form->edNaamStemapparaat->isEnabled());
    ModalAnswer second([&](QWidget*) {
        ++shown;
        EXPECT_EQ(form->focusWidget(), form->edNaam);
        form->cbOkNieuw->setChecked(false);
        QTest::keyClick(form->edNaam, Qt::Key_Escape);
    });
    EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(KandidaatList->Count(), 2);
}

// Saving by the OK button's shortcut hides the dialog with the focus still in a field.
TEST_F(MutKandidaat, EveryPassOfTheInsertLoopShowsOneFocusedField)
{
    ScopedHighColor highColor(true);
    for (TZEBEdit* last : {form->edPlaats, form->edNaamStemapparaat}) {
        SCOPED_TRACE(last->objectName().toStdString());
        form->Initialize(mmInsert, true, NrList(), -1);
        ModalAnswer pass([&](QWidget*) {
            if (form->cbAutomatisch->isChecked())
                QTest::mouseClick(form->cbAutomatisch, Qt::LeftButton); // the name is typed
            FillValid();
            Type(form->edNaamStemapparaat, "Dijk, A.B.");
            ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
            last->setFocus();
            EXPECT_EQ(TintedFields(form.get()), last->objectName().toStdString());
            form->btnOk->click(); // as its shortcut: the focus stays in the field
        });
        ASSERT_EQ(form->ShowModal(), TBaseForm::mrOk);
        form->Initialize(mmInsert, true, NrList(), -1);
        ModalAnswer next([&](QWidget*) {
            EXPECT_EQ(form->focusWidget(), form->edNaam);
            EXPECT_EQ(TintedFields(form.get()), "edNaam");
            QTest::keyClick(form->edNaam, Qt::Key_Escape);
        });
        EXPECT_EQ(form->ShowModal(), TBaseForm::mrCancel);
    }
}

// Closing the dialog destroys the number field while it has the focus; its focus events pass the
// key filters of the dialog and the up-down (the sanitizer build tells a filter that looks at it).
TEST_F(MutKandidaat, DestroyedWithTheFocusInTheNumberField)
{
    Open(mmInsert);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->edKandidaatNr->setFocus();
    ASSERT_TRUE(form->edKandidaatNr->hasFocus());
    QTest::keyClick(form->edKandidaatNr, Qt::Key_Up);
    EXPECT_EQ(form->edKandidaatNr->text(), "2");
    form.reset();
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST_F(MutKandidaat, EditLoadsTheFirstMatchAndOverwritesItInPlace)
{
    AddRecord("3", "Eerste");
    TKandidaatRecord* target = AddRecord(" 5 ", "Tweede"); // trimmed before the conversion
    target->Geslacht = "v";
    AddRecord("5", "Derde");
    Open(mmEdit, 5);
    EXPECT_EQ(form->GetKandidaatNr(), "5");
    EXPECT_EQ(form->edNaam->Text(), "Tweede");
    EXPECT_EQ(form->cmbGeslacht->currentText(), "V") << "the item chosen without regard to case";
    EXPECT_EQ(form->edGeboortedatum->Text(), "01-02-1970");
    EXPECT_EQ(form->GetNaamStemapparaat(), "opgeslagen naam  5 ");

    form->edPlaats->clear();
    Type(form->edPlaats, "Arnhem");
    EXPECT_TRUE(ClickOk().isEmpty());
    ASSERT_EQ(KandidaatList->Count(), 3);
    EXPECT_EQ(KandidaatList->Items(1), target);
    EXPECT_EQ(target->Plaats.AsString(), "Arnhem");
    EXPECT_EQ(target->KandidaatNr.AsString(), "5") << "the number as the spin holds it";
    EXPECT_EQ(target->Geslacht.AsString(), "V");
    EXPECT_EQ(KandidaatList->Items(2)->Plaats.AsString(), "Ede");
}

TEST_F(MutKandidaat, EditWithoutAMatchingRecordTellsOnSave)
{
    AddRecord("3");
    Open(mmEdit, -1); // the selected row's number was no whole number
    EXPECT_EQ(form->edNaam->text(), "") << "the fields keep the layout's values";
    EXPECT_EQ(form->GetKandidaatNr(), "1");
    form->edKandidaatNr->clear();
    Type(form->edKandidaatNr, "8");
    FillValid();
    const QStringList labels = ClickOk();
    EXPECT_TRUE(labels.contains("frmKandidaatGeg.Save: frmMutKandidaat.UpdateKandidaatRecord: "
                                "Er is geen record gevonden voor dit kandidaatnummer"))
        << labels.join(" | ").toStdString();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(KandidaatList->Items(0)->Achternaam.AsString(), "Jansen");

    // A record before the match whose number does not convert stops the search.
    KandidaatList->Clear();
    AddRecord("x1");
    AddRecord("2");
    EXPECT_EQ(ErrorOf<EConvertError>([&] { form->Initialize(mmEdit, false, {}, 2); }), "'x1' is not a valid integer value");
}

TEST_F(MutKandidaat, DeleteAsksAndRemovesOnlyOnYes)
{
    AddRecord("1", "Een");
    AddRecord("2", "Twee");
    AddRecord("3", "Drie");
    Open(mmDelete, 2);
    EXPECT_EQ(form->windowTitle(), "Verwijderen kandidaat");
    for (QWidget* control : std::initializer_list<QWidget*>{form->cbAutomatisch, form->udKandidaatNr,
             form->edKandidaatNr, form->cmbGeslacht, form->edNaam, form->edVoorletters, form->edVoornaam,
             form->edVoorvoegsels, form->edNaamStemapparaat, form->edGeboortedatum, form->edAdres,
             form->edPostCode, form->edPlaats})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_TRUE(form->btnOk->isEnabled());
    EXPECT_FALSE(form->lblKandidaat->font().bold());
    EXPECT_EQ(form->lblKandidaat->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(form->edNaam->Text(), "Twee");

    // No: nothing changes and the dialog stays open.
    ModalAnswer no(ModalAnswer::ClickButton("Nee"));
    form->btnOk->click();
    ASSERT_TRUE(no.Seen().shown);
    EXPECT_EQ(no.Seen().caption.toStdString(), MessageTeksten.Application);
    EXPECT_TRUE(no.Seen().labels.contains("Verwijderen kandidaat"));
    EXPECT_TRUE(no.Seen().labels.contains("Wilt u deze kandidaat verwijderen?"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(KandidaatList->Count(), 3);

    EXPECT_TRUE(ClickOk("Ja").contains("Wilt u deze kandidaat verwijderen?"));
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(KandidaatList->Count(), 2);
    EXPECT_EQ(KandidaatList->Items(0)->Achternaam.AsString(), "Een");
    EXPECT_EQ(KandidaatList->Items(1)->Achternaam.AsString(), "Drie");

    // The same object initialised for an insert afterwards takes input again.
    Open(mmInsert);
    for (QWidget* control : std::initializer_list<QWidget*>{form->cbAutomatisch, form->edKandidaatNr,
             form->cmbGeslacht, form->edNaam, form->edGeboortedatum, form->edPlaats})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_FALSE(form->edNaamStemapparaat->isEnabled()) << "composed automatically";
    EXPECT_TRUE(form->lblKandidaat->font().bold());
    EXPECT_EQ(form->GetKandidaatNr(), "4");
}

TEST_F(MutKandidaat, DeleteConvertsTheNumberUntrimmed)
{
    AddRecord("4 "); // loads (trimmed) but is not found untrimmed
    Open(mmDelete, 4);
    EXPECT_EQ(form->edNaam->Text(), "Jansen");
    ModalAnswer question(ModalAnswer::ClickButton("Ja"));
    ModalAnswer failure(ModalAnswer::ClickButton("Ok"));
    form->btnOk->click();
    EXPECT_TRUE(question.Seen().labels.contains("Wilt u deze kandidaat verwijderen?"));
    EXPECT_TRUE(failure.Seen().labels.contains(
        "frmKandidaatGeg.Save: frmMutKandidaat.DeleteKandidaatRecord: '4 ' is not a valid integer value"))
        << failure.Seen().labels.join(" | ").toStdString();
    EXPECT_EQ(KandidaatList->Count(), 1);
    EXPECT_TRUE(form->isVisible());
}
