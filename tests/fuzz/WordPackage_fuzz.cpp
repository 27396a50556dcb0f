// A word-processing package (a form template): any bytes either open as a document that saves
// and opens again, and that the merge, the search for markers, the form fields and protection
// work on with a result that saves and opens again, or end in the word processor's message.  An
// input that starts as a zip archive is the package itself; any other is the main document's XML,
// then a NUL byte and the settings' XML, packed with the other parts of a template.
#include "FuzzSupport.h"
#include "WordPackage.h"
#include "WordProcessor.h"
#include "WordTesting.h"

namespace {

// Runs what the forms driver does with a template; the word processor's failures are messages.
void UseTemplate(const std::filesystem::path& path)
{
    TWordProcessor word([](const QString&) { return true; });
    try {
        word.OpenDocument(path.string());
    } catch (const Exception&) {
        return;
    }
    TWordDocument& main = *word.ActiveDocument();
    main.StoryText();
    // A template that opens saves as it is and opens again.
    const QString saved = QString::fromStdString((FuzzFolder() / "sjabloon.docx").string());
    main.Save(saved);
    FUZZ_CHECK(TWordDocument::Open(saved)->StoryText() == main.StoryText());
    try {
        word.Unprotect("");
    } catch (const Exception&) {
    }
    main.MailMerge.HasDataSource = true;
    main.MailMerge.Data.Columns = {"kand_nr", "naam", "plaats"};
    main.MailMerge.Data.Rows = {{"1", "Jansen", "Ede"}, {"2", "de Vries\tVan\r\nDam", ""}};
    main.MailMerge.SuppressBlankLines = true;
    try {
        word.ExecuteMailMerge(false);
    } catch (const Exception&) {
        return;
    }
    FUZZ_CHECK(word.DocumentsCount() == 2);
    TWordDocument& merged = *word.ActiveDocument();
    const std::size_t story = merged.StoryText().size();
    TFindArgs find;
    find.FindText = "[*]";
    find.Wrap = wdFindContinue;
    word.HomeKey(wdStory);
    for (int fields = 0; fields < 50; ++fields) {
        word.FindExecute(find);
        if (!word.FindFound())
            break;
        FUZZ_CHECK(merged.SelectionEnd() <= merged.StoryText().size());
        word.AddFormField(wdFieldFormTextInput);
    }
    FUZZ_CHECK(merged.StoryText().size() <= story + 50 * 15);
    try {
        word.Protect(wdAllowOnlyFormFields);
        FUZZ_CHECK(merged.IsProtected());
    } catch (const Exception&) {
    }
    // Saved as a shown document is (its main part streamed) and opened again, it is still a document.
    const QString copy = QString::fromStdString((FuzzFolder() / "kopie.docx").string());
    merged.Save(copy);
    const auto again = TWordDocument::Open(copy);
    FUZZ_CHECK(again->StoryText() == merged.StoryText());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = FuzzBytes(data, size);
    const std::filesystem::path path = FuzzFolder() / "ZV01.dot";
    if (bytes.substr(0, 2) == "PK") {
        WriteFileBytes(path, bytes);
    } else {
        const std::size_t nul = bytes.find('\0');
        TWordPackage package = MakeWordPackage("");
        package.SetPart("word/document.xml", std::string(bytes.substr(0, nul)));
        if (nul != std::string_view::npos)
            package.SetPart("word/settings.xml", std::string(bytes.substr(nul + 1)));
        else
            package.RemovePart("word/settings.xml");
        package.Save(QString::fromStdString(path.string()));
    }
    UseTemplate(path);
    return 0;
}
