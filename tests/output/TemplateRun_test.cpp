// The rules of a form request that need no window: how each kind of failure is shown, how many
// documents a run makes and how they are titled.
#include "uZVWord.h"

#include "Exceptions.h"
#include "TextDriver.h"
#include "WordProcessor.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const std::string Helpdesk = "\r\rDe fout is opgetreden tijdens exporteren naar Word. Sluit Word en probeer het opnieuw. "
                             "Neem contact op met de Quandor helpdesk indien de fout zich blijft herhalen.";

TEST(StartFailureMessage, EachKindHasItsHeadingAndText)
{
    const std::string noRecords = "Er zijn geen of onvoldoende gegevens beschikbaar voor dit formulier. \r"
                                  "Mogelijkerwijs zijn er nog lijsten zonder kandidaten of bureau's zonder bureauleden.";
    const struct {
        const char* name;
        std::function<void()> raise;
        std::string title, text;
    } cases[] = {
        {"no records", [] { throw ENoRecords(); }, "Start formulier", noRecords},
        {"data source", [] { throw EDataSourceFailed(); }, "Start formulier",
         std::string(DataSourceFailedText) + "\r\rEr zit een syntactische fout in de SQL query. Controleer of de "
                                             "ODBC-drivers zijn ge\xefnstalleerd."},
        {"template", [] { throw EConvertError("De sjabloon is niet beveiligd."); }, "Start formulier",
         "De sjabloon is niet beveiligd.\r\rControleer of het sjabloon nog openstaat in Word. Sluit deze zonodig zonder "
         "de wijzigingen op te slaan. Indien de fout zich blijft herhalen is het sjabloon beschadigd en dient u contact "
         "op te nemen met de ORX."},
        {"memory", [] { throw std::bad_alloc(); }, "Start formulier",
         "Er is onvoldoende geheugen om dit formulier te maken. Mogelijk is een bestand in de map FORMS beschadigd of "
         "te groot. Neem contact op met de Quandor helpdesk."},
        {"other", [] { throw Exception("Kon geen Word koppeling maken"); }, "StartTemplate: ",
         "Kon geen Word koppeling maken" + Helpdesk},
        // The kind counts, not the text: a plain failure that happens to carry such a text is another one.
        {"plain with the no-records text", [] { throw Exception(NoRecordsText); }, "StartTemplate: ",
         NoRecordsText + Helpdesk},
        {"plain with the data-source text", [] { throw Exception(DataSourceFailedText); }, "StartTemplate: ",
         DataSourceFailedText + Helpdesk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.raise();
            FAIL() << "nothing raised";
        } catch (const std::exception& e) {
            const auto shown = StartFailureMessage(e);
            ASSERT_TRUE(shown.has_value());
            EXPECT_EQ(shown->Title, c.title);
            EXPECT_EQ(shown->Text, c.text);
        }
    }
}

TEST(StartFailureMessage, ACancellationShowsNothingAndTheKindsKeepTheirTexts)
{
    EXPECT_FALSE(StartFailureMessage(EAbort("User abort")).has_value());
    EXPECT_EQ(std::string(ENoRecords().what()), NoRecordsText);
    EXPECT_EQ(std::string(EDataSourceFailed().what()), DataSourceFailedText);
}

TEST(StartFailureMessage, TheDataSourceReportsItsFailureByKind)
{
    TTextDataSource source;
    EXPECT_THROW(source.Run("DSN=Geen bron;DBQ=/geen/map/;", "SELECT * FROM kand.txt"), EDataSourceFailed);
}


TEST(TemplateRunRules, PassCount)
{
    const struct {
        TPassKind kind;
        int candidates;
        bool empty;
        int passes;
    } cases[] = {
        {TPassKind::Single, 0, false, 1},       {TPassKind::Single, 0, true, 1},
        {TPassKind::Single, 5, false, 1},       {TPassKind::PerCandidate, 3, false, 3},
        {TPassKind::PerCandidate, 3, true, 3},  {TPassKind::PerCandidate, 1, false, 1},
        {TPassKind::PerCandidate, 0, false, 0}, {TPassKind::PerCandidate, 0, true, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PassCount(c.kind, c.candidates, c.empty), c.passes)
            << int(c.kind) << " " << c.candidates << " " << c.empty;
}

TEST(TemplateRunRules, DocumentTitle)
{
    const TCandidateTitle bakker{"3", "Bakker, A. (Anna)"};
    const struct {
        std::string caption;
        bool docTitleEmpty;
        std::optional<TCandidateTitle> candidate;
        std::string title;
    } cases[] = {
        {"Document1", false, std::nullopt, "Document1"},
        {"Document1", true, std::nullopt, "ZV02"},
        {"Document1", false, bakker, "Document1 - 3 - Bakker, A. (Anna)"},
        {"Document1", true, bakker, "ZV02 - 3 - Bakker, A. (Anna)"},
        {"", false, TCandidateTitle{"", ""}, " -  - "}, // a pass without a candidate
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentTitle(c.caption, "ZV02", c.docTitleEmpty, c.candidate), c.title) << c.caption;
}

} // namespace
