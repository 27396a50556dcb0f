#include "fSelFormulier.h"

#include "ChildRun.h"
#include "ErrorOf.h"
#include "uZVWord.h"
#include "ModalAnswer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <QScreen>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const std::string TooDeep = "Onbekend formaat in het bestand ZV_FORMS.DAT.\r\n"
                            "U dient contact op te nemen met de automatiserings afdeling.";

// ---------------------------------------------------------------------------------------------
// The catalogue as data

struct Shape {
    std::string text;
    int depth, parent, image;
};

std::vector<Shape> Shapes(const std::vector<std::string>& lines)
{
    std::vector<Shape> shapes;
    for (const TFormNode& n : ParseFormCatalogue(lines))
        shapes.push_back({n.Text, n.Depth, n.Parent, FormImageIndex(n)});
    return shapes;
}

bool operator==(const Shape& a, const Shape& b)
{
    return a.text == b.text && a.depth == b.depth && a.parent == b.parent && a.image == b.image;
}

std::ostream& operator<<(std::ostream& os, const Shape& s)
{
    return os << "{" << s.text << " d" << s.depth << " p" << s.parent << " i" << s.image << "}";
}

struct TreeCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<Shape> nodes;
};

TEST(FormCatalogue, LinesBecomeATree)
{
    const TreeCase cases[] = {
        {"three nested lines", {"Cat", " Sub", "  H3:Form"}, {{"Cat", 0, -1, 2}, {"Sub", 1, 0, 5}, {"H3:Form", 2, 1, 3}}},
        {"a tab counts as a blank", {"Cat", "\tSub", "\t H3:Form", " \tH4:Next", "\tH5"},
         {{"Cat", 0, -1, 2}, {"Sub", 1, 0, 5}, {"H3:Form", 2, 1, 3}, {"H4:Next", 2, 1, 3}, {"H5", 1, 0, 5}}},
        {"after a deeper branch a level-1 line is a sibling, not a child",
         {"A", " B", "  F:form", "   V:version", " C"},
         {{"A", 0, -1, 2}, {"B", 1, 0, 5}, {"F:form", 2, 1, 4}, {"V:version", 3, 2, 3}, {"C", 1, 0, 5}}},
        {"back to the top", {"A", " B", "  F:f", "Z"}, {{"A", 0, -1, 2}, {"B", 1, 0, 5}, {"F:f", 2, 1, 3}, {"Z", 0, -1, 2}}},
        {"the first line is on top whatever its indent", {"   First", " Child", "Top"},
         {{"First", 0, -1, 2}, {"Child", 1, 0, 5}, {"Top", 0, -1, 2}}},
        {"deeper than a version has no image", {"A", " B", "  F:f", "   V:v", "    W:w", "     X"},
         {{"A", 0, -1, 2}, {"B", 1, 0, 5}, {"F:f", 2, 1, 4}, {"V:v", 3, 2, 3}, {"W:w", 4, 3, -1}, {"X", 5, 4, -1}}},
        {"blank lines are nodes too", {"A", "", " "}, {{"A", 0, -1, 2}, {"", 0, -1, 2}, {"", 1, 1, 5}}},
        {"text keeps its inner and trailing blanks", {"A ", " B  b\t"}, {{"A ", 0, -1, 2}, {"B  b\t", 1, 0, 5}}},
        {"no lines", {}, {}},
    };
    for (const TreeCase& c : cases)
        EXPECT_EQ(Shapes(c.lines), c.nodes) << c.name;
}

TEST(FormCatalogue, TwoLevelsDeeperIsNoCatalogue)
{
    for (const std::vector<std::string>& lines : std::vector<std::vector<std::string>>{
             {"A", "  F:f"}, {"A", " B", "    F:f"}, {"A", " B", "  F:f", "A2", "  G:g"}, {"  A", "\t\t\tB"}})
        EXPECT_THROW(ParseFormCatalogue(lines), Exception) << lines.back();
}

TEST(FormCatalogue, DeeperThanTheBoundIsNoCatalogue)
{
    std::vector<std::string> lines;
    for (std::size_t depth = 0; depth < MaxCatalogueDepth; ++depth)
        lines.push_back(std::string(depth, ' ') + "n");
    ASSERT_EQ(ParseFormCatalogue(lines).back().Depth, int(MaxCatalogueDepth) - 1);
    lines.push_back(std::string(MaxCatalogueDepth, '\t') + "te diep");
    EXPECT_EQ(ErrorOf([&] { ParseFormCatalogue(lines); }), "regel 65 ligt dieper dan 64 niveaus");
}

TEST(FormCatalogue, LinesEndAsAStringListEndsThem)
{
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
        {"\xe9t\xe9\r\n", {"\xe9t\xe9"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextLines(c.bytes), c.lines) << c.bytes;
        // The count that the bound is checked against is the count of lines.
        EXPECT_EQ(TextLines(c.bytes, c.lines.size()), c.lines) << c.bytes;
        if (!c.lines.empty()) {
            EXPECT_EQ(ErrorOf([&] { TextLines(c.bytes, c.lines.size() - 1); }),
                      "het bestand heeft meer dan " + std::to_string(c.lines.size() - 1) + " regels") << c.bytes;
        }
    }
    // The length of a line is its bytes without the line end.
    EXPECT_EQ(TextLines("abc\r\nde\rf", 3, 3), (std::vector<std::string>{"abc", "de", "f"}));
    EXPECT_EQ(ErrorOf([&] { TextLines("ab\r\nabc\r\n", 3, 2); }), "regel 2 is langer dan 2 tekens");
    EXPECT_EQ(ErrorOf([&] { TextLines("ab\nabc", 3, 2); }), "regel 2 is langer dan 2 tekens");
}

TEST(FormCatalogue, TheCodeIsTheTextBeforeTheFirstColon)
{
    EXPECT_EQ(FormCode("H3:Instemmingsverklaring"), "H3");
    EXPECT_EQ(FormCode("H3:Verklaring: deel 2: slot"), "H3");
    EXPECT_EQ(FormCode(":zonder code"), "");
    EXPECT_EQ(FormCode("H3 :x"), "H3 ");
    EXPECT_EQ(FormCode("Geen dubbele punt"), std::nullopt);
    EXPECT_EQ(CatalogueFileName("/p/FORMS/", "ZV"), "/p/FORMS/ZV/ZV_FORMS.DAT");
}

// ---------------------------------------------------------------------------------------------
// The window

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A forms folder of the test's own with the given catalogue bytes.
    QString Folder(const std::string& bytes, const QString& sub = {})
    {
        const QString base = sub.isEmpty() ? dir.path() + "/" : dir.filePath(sub) + "/";
        QDir().mkpath(base + "ZV");
        EXPECT_TRUE(WriteFileBytes(base + "ZV/ZV_FORMS.DAT", bytes));
        return base;
    }

    // Creates the window, loads the catalogue under base and shows it, recording every start.
    void Open(const QString& base)
    {
        form = TBaseForm::Create<TfrmSelFormulier>();
        form->StartForm = [this](const std::string& code) {
            started.push_back(code);
            cursorWhileStarting = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1;
        };
        form->Init("ZV", base);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    QTreeWidget* Tree() const { return form->tvFormulieren; }

    // The node whose text begins with prefix, searched through the whole tree.
    QTreeWidgetItem* Node(const QString& prefix) const
    {
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->text(0).startsWith(prefix))
                return *it;
        ADD_FAILURE() << "no node " << prefix.toStdString();
        return nullptr;
    }

    void Key(int key) { QTest::keyClick(Tree(), Qt::Key(key)); }

    // A double click as the mouse makes it: a click, then the double click.
    void DoubleClick(QTreeWidgetItem* item)
    {
        const QPoint at = Tree()->visualItemRect(item).center();
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, at);
    }

    // The visible rows from the top, as the user sees them.
    QStringList VisibleRows() const
    {
        QStringList rows;
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it) {
            bool shown = true;
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
                shown = shown && p->isExpanded();
            if (shown)
                rows << (*it)->text(0);
        }
        return rows;
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmSelFormulier> form;
    std::vector<std::string> started;
    int cursorWhileStarting = -2;
};

TEST_F(Catalogue, TheShippedCatalogueOpensOnItsFirstCategory)
{
    Open(ZORVANDEL_FORMS_DIR);
    EXPECT_EQ(form->windowTitle(), "Formulieren");
    EXPECT_EQ(form->BaseDir(), ZORVANDEL_FORMS_DIR);
    EXPECT_EQ(form->gbFormulieren->title(), "Beschikbare formulieren");
    EXPECT_TRUE(Tree()->hasFocus());
    // The first category and its first child are open, the other child is not.
    const QStringList rows = VisibleRows();
    ASSERT_GE(rows.size(), 5);
    EXPECT_EQ(rows[0], "Kandidaatstelling");
    EXPECT_TRUE(rows[2].startsWith("ZV01:"));
    EXPECT_TRUE(rows[3].startsWith("ZV02:"));
    EXPECT_FALSE(Node("Indiening")->isExpanded());
    // Every kind of node the catalogue knows, with its picture.
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("Kandidaatstelling")), 2);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("Indiening")), 5);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("ZV03:")), 3);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("ZV04A:")), 3);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("ZV04B:")), 3);
    for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
        EXPECT_FALSE((*it)->icon(0).isNull()) << (*it)->text(0).toStdString();
    EXPECT_FALSE(form->sbInsert->icon().isNull());
    EXPECT_EQ(PlainText(form->sbInsert->text()), "Start formulier");
    EXPECT_EQ(PlainText(form->sbExit->text()), "Sluiten");
    EXPECT_EQ(form->sbInsert->toolTip(), "Selecteer formulier");
}

TEST_F(Catalogue, ItsSizeIsTheOuterSizeFrameAndCaptionIncluded)
{
    Open(ZORVANDEL_FORMS_DIR);
    const QMargins frame = form->windowHandle()->frameMargins();
    ASSERT_FALSE(frame.isNull()) << "the window system frames the catalogue";
    EXPECT_EQ(form->frameGeometry().size(), QSize(449, 429));
    EXPECT_EQ(form->size(), QSize(449 - frame.left() - frame.right(), 429 - frame.top() - frame.bottom()));
    // The close button keeps its distance to the right edge; the window stays centred.
    EXPECT_EQ(form->width() - form->sbExit->geometry().right(), 449 - 355 - 89 + 1);
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_LE((form->frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

// A catalogue with a form that has versions, beside plain forms.
const std::string WithVersions = "Kandidaatstelling\r\n"
                                 " Kandidatenlijst\r\n"
                                 "  ZV01:Lijst van kandidaten (alle kandidaten in volgorde)\r\n"
                                 "  ZV02:Verklaring van instemming met de kandidaatstelling\r\n"
                                 " Indiening\r\n"
                                 "  ZV03:Aanbiedingsbrief aan het centraal stembureau\r\n"
                                 "  ZV04:Machtiging tot indiening van de kandidatenlijst\r\n"
                                 "   ZV04A:Machtiging door een partij met geregistreerde aanduiding\r\n"
                                 "   ZV04B:Machtiging door een groepering zonder geregistreerde aanduiding\r\n";

TEST_F(Catalogue, KeysAndMouseStartOnlyFormsWithoutVersions)
{
    Open(Folder(WithVersions));
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("ZV04:")), 4);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Node("ZV04A:")), 3);
    for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
        EXPECT_FALSE((*it)->icon(0).isNull()) << (*it)->text(0).toStdString();
    // Down from the top: category, sub-category, first form.
    Key(Qt::Key_Home);
    Key(Qt::Key_Return); // a category: nothing
    Key(Qt::Key_Down);
    Key(Qt::Key_Enter); // a sub-category: nothing
    Key(Qt::Key_Down);
    EXPECT_TRUE(Tree()->currentItem()->text(0).startsWith("ZV01:"));
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    Key(Qt::Key_Enter);
    EXPECT_EQ(started, (std::vector<std::string>{"ZV01", "ZV02"}));
    EXPECT_EQ(cursorWhileStarting, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Open the second sub-category with the keyboard; the form with versions and its versions
    // do not start.
    Key(Qt::Key_Down);
    EXPECT_EQ(Tree()->currentItem()->text(0), "Indiening");
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_TRUE(Tree()->currentItem()->text(0).startsWith("ZV04:"));
    Key(Qt::Key_Return);
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    EXPECT_TRUE(Tree()->currentItem()->text(0).startsWith("ZV04A:"));
    Key(Qt::Key_Return);
    EXPECT_EQ(started.size(), 2u);

    // A double click on a form, and the start button.
    QTreeWidgetItem* zv03 = Node("ZV03:");
    DoubleClick(zv03);
    EXPECT_EQ(started.back(), "ZV03");
    QTreeWidgetItem* zv02 = Node("ZV02:");
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, Tree()->visualItemRect(zv02).center());
    EXPECT_EQ(started.size(), 3u) << "a single click selects only";
    QTest::mouseClick(form->sbInsert, Qt::LeftButton);
    EXPECT_EQ(started, (std::vector<std::string>{"ZV01", "ZV02", "ZV03", "ZV02"}));
    DoubleClick(Node("ZV04:"));
    EXPECT_EQ(started.size(), 4u);
    EXPECT_TRUE(form->isVisible()) << "the window stays open while forms are made";
}

TEST_F(Catalogue, EscClosesTheWindowFromTheTree)
{
    form = TBaseForm::Create<TfrmSelFormulier>();
    form->Init("ZV", ZORVANDEL_FORMS_DIR);
    ModalAnswer answer([](QWidget* window) {
        auto* tree = window->findChild<QTreeWidget*>("tvFormulieren");
        ASSERT_TRUE(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
    });
    form->ShowModal();
    EXPECT_TRUE(answer.Seen().shown);
    EXPECT_EQ(answer.Seen().className, "TfrmSelFormulier");
    ModalAnswer viaButton([](QWidget* window) {
        QTest::mouseClick(window->findChild<QToolButton*>("sbExit"), Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
    });
    form->ShowModal();
    EXPECT_TRUE(viaButton.Seen().shown);
}

TEST_F(Catalogue, AMissingCatalogueOffersNothingToStart)
{
    Open(dir.path() + "/");
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* only = Tree()->topLevelItem(0);
    EXPECT_EQ(only->text(0), "<geen formulieren beschikbaar>");
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(only), 11);
    Tree()->setCurrentItem(only);
    Key(Qt::Key_Return);
    QTest::mouseClick(form->sbInsert, Qt::LeftButton);
    EXPECT_TRUE(started.empty());

    // An empty catalogue file shows the same.
    Folder("");
    form->LaadFormulieren("ZV", true);
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(TfrmSelFormulier::ImageIndex(Tree()->topLevelItem(0)), 11);
}

TEST_F(Catalogue, ACatalogueInAnotherFormatAbortsInit)
{
    const QString base = Folder("Cat\r\n Sub\r\n   H3:Te diep\r\n");
    form = TBaseForm::Create<TfrmSelFormulier>();
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->Init("ZV", base); }), TooDeep);
    // A file that cannot be read counts the same.
    QDir(dir.path()).remove("ZV/ZV_FORMS.DAT");
    QDir().mkpath(dir.filePath("ZV/ZV_FORMS.DAT"));
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->LaadFormulieren("ZV", false); }), TooDeep);
}

TEST_F(Catalogue, ACatalogueLargerThanTheBoundAbortsInit)
{
    // One line of blanks: a single node without text.  (No catalogue within the bounds on lines
    // reaches the bound on bytes, which is checked first, by the file's size.)
    const QString base = Folder(std::string(MaxCatalogueLineBytes, ' '));
    form = TBaseForm::Create<TfrmSelFormulier>();
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->Init("ZV", base); }), "(no error)");
    EXPECT_EQ(Tree()->topLevelItemCount(), 1);
    Folder(std::string(MaxCatalogueBytes + 1, ' '));
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->LaadFormulieren("ZV", false); }), TooDeep);
}

// The bound on lines is checked before a line becomes a node; a catalogue at the bound loads.
TEST_F(Catalogue, ACatalogueWithMoreLinesThanTheBoundAbortsInit)
{
    std::string lines = "Cat\r\n";
    for (std::size_t i = 1; i < MaxCatalogueLines; ++i)
        lines += " Sub\r\n";
    form = TBaseForm::Create<TfrmSelFormulier>();
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->Init("ZV", Folder(lines)); }), "(no error)");
    EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), int(MaxCatalogueLines) - 1);
    Folder(lines + "\n");
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->LaadFormulieren("ZV", false); }), TooDeep);
}

// A line too long to show in the tree is checked before the tree is built.
TEST_F(Catalogue, ACatalogueWithALineLongerThanTheBoundAbortsInit)
{
    const std::string longest = "  H3:" + std::string(MaxCatalogueLineBytes - 5, 'x');
    form = TBaseForm::Create<TfrmSelFormulier>();
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->Init("ZV", Folder("Cat\r\n Sub\r\n" + longest + "\r\n")); }), "(no error)");
    Folder("Cat\r\n Sub\r\n" + longest + "x\r\n");
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->LaadFormulieren("ZV", false); }), TooDeep);
}

// A FIFO in the catalogue's place is neither waited for nor read.
TEST_F(Catalogue, ACatalogueThatIsNoRegularFileAbortsInit)
{
    const QString base = Folder("");
    QFile::remove(dir.filePath("ZV/ZV_FORMS.DAT"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("ZV/ZV_FORMS.DAT")).constData(), 0600), 0);
    form = TBaseForm::Create<TfrmSelFormulier>();
    EXPECT_EQ(ErrorOf<EAbort>([&] { form->Init("ZV", base); }), TooDeep);
}

TEST_F(Catalogue, AFormWithoutColonGivesTheStartError)
{
    Open(Folder("Cat\r\n\tSub\r\n\t\tZonder dubbele punt\r\n\t\tH3:Verklaring: deel 2\r\n"));
    Tree()->setCurrentItem(Node("Zonder"));
    ModalAnswer error([](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return error.Seen().shown; }));
    EXPECT_TRUE(error.Seen().labels.contains(
        "Fout bij starten Word koppeling: Kon geen \":\" vinden in formulier omschrijving."))
        << error.Seen().labels.join("|").toStdString();
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->isVisible());

    // Only the first colon splits off the code.
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_EQ(started, std::vector<std::string>{"H3"});

    // A failure of the start itself gets the same prefix.
    form->StartForm = [](const std::string&) { throw Exception("kapot"); };
    ModalAnswer failed([](QWidget* window) { QTest::keyClick(window, Qt::Key_Return); });
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return failed.Seen().shown; }));
    EXPECT_TRUE(failed.Seen().labels.contains("Fout bij starten Word koppeling: kapot"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Catalogue, LoadingAgainReplacesTheTree)
{
    Open(Folder("A\r\n B\r\n  F1:een\r\n  F2:twee\r\n"));
    EXPECT_EQ(VisibleRows(), (QStringList{"A", "B", "F1:een", "F2:twee"}));
    Folder("X\r\n Y\r\n  G:g\r\n Z\r\n");
    form->LaadFormulieren("ZV", false);
    // Without ExpandFirst only the first node opens.
    EXPECT_EQ(VisibleRows(), (QStringList{"X", "Y", "Z"}));
    EXPECT_EQ(Tree()->topLevelItemCount(), 1);
}

TEST_F(Catalogue, AFormsFolderWithLettersOutsideAsciiLoads)
{
    for (const QString& name : FolderNamesOutsideAscii()) {
        const QString sub = name + "/FORMS";
        SCOPED_TRACE(sub.toStdString());
        Open(Folder("Cat\r\n Sub\r\n  H3:Formulier\r\n", sub));
        EXPECT_EQ(VisibleRows(), (QStringList{"Cat", "Sub", "H3:Formulier"}));
    }
}

TEST(CatalogueStart, StartsTheMailMergeUnlessToldOtherwise)
{
    TfrmSelFormulier form;
    using Start = void (*)(const std::string&);
    const Start* target = form.StartForm.target<Start>();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(*target, &StartTemplate);
}

} // namespace
