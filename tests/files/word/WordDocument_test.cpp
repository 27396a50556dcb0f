// Text form fields put in a document's text: the XML they leave, exactly, wherever the selection
// starts and ends, and the story the document reads afterwards.
#include "WordDocument.h"

#include "ErrorOf.h"
#include "WordTesting.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

const std::string Result = "\u2002\u2002\u2002\u2002\u2002"; // a new field's text

// A new field as written: its runs with props (run properties or ""), named name.
std::string NewField(const std::string& name, const std::string& props = "")
{
    const std::string run = "<w:r>" + props;
    return run + "<w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"" + name
        + "\"/><w:enabled/><w:calcOnExit w:val=\"0\"/><w:textInput/></w:ffData></w:fldChar></w:r>" + run
        + "<w:instrText xml:space=\"preserve\"> FORMTEXT </w:instrText></w:r>" + run + "<w:fldChar w:fldCharType=\"separate\"/></w:r>"
        + run + "<w:t xml:space=\"preserve\">" + Result + "</w:t></w:r>" + run + "<w:fldChar w:fldCharType=\"end\"/></w:r>";
}

class FieldTest : public ::testing::Test {
protected:
    // The document whose body holds body, the selection at its end as a merge leaves it.
    TWordDocument& Open(const std::string& body)
    {
        const QString path = dir.filePath("t" + QString::number(++opened) + ".docx");
        MakeWordPackage(body).Save(path);
        doc = TWordDocument::Open(path);
        doc->SelectEnd();
        return *doc;
    }

    // Every "[*]" becomes a field, found backward as the forms driver finds them.
    int ReplaceMarkers()
    {
        int added = 0;
        for (; doc->Find("[*]", false, false, true); ++added)
            doc->AddTextFormField();
        return added;
    }

    // The body as written.
    std::string Body() const
    {
        const std::string xml = doc->Package().Part("word/document.xml");
        const std::size_t from = xml.find("<w:body>") + 8;
        return xml.substr(from, xml.find("</w:body>") - from);
    }

    // The story as kept while fields are added is the story read anew from the XML: it ends where
    // the text does, and searches find the fields' texts where it holds them.
    void ExpectStoryAsRead()
    {
        const std::string kept = doc->StoryText();
        doc->Select(kept.size() + 1, kept.size() + 1);
        EXPECT_EQ(doc->SelectionEnd(), kept.size());
        std::vector<std::size_t> found, held;
        for (doc->Select(0, 0); doc->Find(Result, true, true, false);)
            found.push_back(doc->SelectionStart());
        for (auto at = kept.find(Result); at != std::string::npos; at = kept.find(Result, at + Result.size()))
            held.push_back(at);
        EXPECT_EQ(found, held);
        (void)doc->Main();
        EXPECT_EQ(doc->StoryText(), kept);
    }

    QTemporaryDir dir;
    int opened = 0;
    std::unique_ptr<TWordDocument> doc;
};

TEST_F(FieldTest, MarkersBecomeFieldsInTheirRunsKeepingWhatStandsAroundThem)
{
    const std::string bold = "<w:rPr><w:b/></w:rPr>";
    const auto text = [](const std::string& t, const std::string& props = "") {
        return "<w:r>" + props + "<w:t xml:space=\"preserve\">" + t + "</w:t></w:r>";
    };
    const struct {
        std::string paragraph;
        std::string written; // the paragraph afterwards
    } cases[] = {
        // At the end of a text, in the middle, at the start, alone.
        {"<w:r><w:t>Handtekening: [*]</w:t></w:r>", text("Handtekening: ") + NewField("Tekst1")},
        {"<w:r>" + bold + "<w:t>a[*]b</w:t></w:r>", text("a", bold) + NewField("Tekst1", bold) + text("b", bold)},
        {"<w:r><w:t xml:space=\"preserve\">[*] z</w:t></w:r>", NewField("Tekst1") + text(" z")},
        {"<w:r><w:rPr><w:i/></w:rPr><w:t>[*]</w:t></w:r>", NewField("Tekst1", "<w:rPr><w:i/></w:rPr>")},
        // Many in one text, and in one run with a tab between.
        {"<w:r><w:t>[*][*]x[*]</w:t></w:r>", NewField("Tekst3") + NewField("Tekst2") + text("x") + NewField("Tekst1")},
        {"<w:r><w:t>[*]</w:t><w:tab/><w:t>y[*]</w:t><w:t>[*]</w:t></w:r>",
         NewField("Tekst3") + "<w:r><w:tab/><w:t xml:space=\"preserve\">y</w:t></w:r>" + NewField("Tekst2") + NewField("Tekst1")},
        // Split over texts and runs with formatting of their own.
        {"<w:r><w:t>a[</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>*</w:t></w:r><w:r><w:t>]b</w:t></w:r>",
         text("a") + NewField("Tekst1") + text("b")},
        {"<w:r>" + bold + "<w:t>a[</w:t><w:t>*]</w:t><w:tab/><w:t>z</w:t></w:r>",
         text("a", bold) + NewField("Tekst1", bold) + "<w:r>" + bold + "<w:tab/><w:t>z</w:t></w:r>"},
        // What follows the marker's text in its run, an empty text after it, a hyperlink.
        {"<w:r><w:t>a[*]</w:t><w:br/><w:t>b</w:t></w:r>", text("a") + NewField("Tekst1") + "<w:r><w:br/><w:t>b</w:t></w:r>"},
        {"<w:r><w:t>a[*]</w:t></w:r><w:r><w:t/></w:r><w:r><w:t>c</w:t></w:r>",
         text("a") + NewField("Tekst1") + "<w:r><w:t/></w:r><w:r><w:t>c</w:t></w:r>"},
        {"<w:hyperlink><w:r><w:t>x[*]</w:t></w:r></w:hyperlink><w:r><w:t>[*]y</w:t></w:r>",
         "<w:hyperlink>" + text("x") + NewField("Tekst2") + "</w:hyperlink>" + NewField("Tekst1") + text("y")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.paragraph);
        Open("<w:p>" + c.paragraph + "</w:p><w:p><w:r><w:t>q</w:t></w:r></w:p>");
        ReplaceMarkers();
        EXPECT_EQ(Body(), "<w:p>" + c.written + "</w:p><w:p><w:r><w:t>q</w:t></w:r></w:p>");
        ExpectStoryAsRead();
    }
}

// New names pass by the document's own and go up in the order the fields are made, the last
// marker first.
TEST_F(FieldTest, FieldNamesAreNewAndGoUpFromTheLastMarker)
{
    const std::string own = "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Tekst2\"/></w:ffData></w:fldChar></w:r>"
                            "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
    Open(Para("[*] [*]") + own + Para("[*]"));
    EXPECT_EQ(ReplaceMarkers(), 3);
    EXPECT_EQ(Body(), "<w:p>" + NewField("Tekst4") + "<w:r><w:t xml:space=\"preserve\"> </w:t></w:r>" + NewField("Tekst3") + "</w:p>" + own
                          + "<w:p>" + NewField("Tekst1") + "</w:p>");
}

// Fields where the selection is set by hand: nothing selected at a paragraph's start and end, a
// selection over a tab and runs, one that ends inside a text, one inside the last field's own
// text; and a text outside a run, which takes no field.
TEST_F(FieldTest, FieldsWhereverTheSelectionStartsAndEnds)
{
    Open(Para("abc") + "<w:p><w:r><w:t>de</w:t><w:tab/></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>fgh</w:t></w:r></w:p>" + Para("ij"));
    const struct {
        std::size_t start, end;
    } selections[] = {{6, 10}, {4, 5}, {3, 3}, {0, 0}}; // each before the last, which moves none of them
    for (const auto& s : selections) {
        doc->Select(s.start, s.end);
        doc->AddTextFormField();
    }
    // Two en spaces inside the last field's text, then the one left before them.
    doc->Select(3, 9);
    doc->AddTextFormField();
    doc->Select(0, 3);
    doc->AddTextFormField();
    const std::string split = NewField("Tekst4");
    const std::size_t result = split.find("<w:r><w:t");
    EXPECT_EQ(Body(), "<w:p>" + split.substr(0, result) + NewField("Tekst6") + NewField("Tekst5") + "<w:r><w:t xml:space=\"preserve\">"
                          + Result.substr(0, 6) + "</w:t></w:r>" + split.substr(split.find("</w:r>", result) + 6)
                          + "<w:r><w:t xml:space=\"preserve\">abc</w:t></w:r>" + NewField("Tekst3") + "</w:p><w:p>" + NewField("Tekst2")
                          + "<w:r><w:t xml:space=\"preserve\">e</w:t></w:r>" + NewField("Tekst1") + "<w:r><w:tab/></w:r></w:p>"
                          + Para("ij"));
    ExpectStoryAsRead();

    Open("<w:p><w:t>a[*]b</w:t></w:p>");
    EXPECT_EQ(ErrorOf([&] { ReplaceMarkers(); }), "Hier kan geen formulierveld worden ingevoegd.");
    EXPECT_EQ(Body(), "<w:p><w:t xml:space=\"preserve\">a</w:t><w:t xml:space=\"preserve\">[*]</w:t><w:t xml:space=\"preserve\">b</w:t></w:p>");
}

} // namespace
