#pragma once
// The forms catalogue: a tree of category folders, forms and form versions read from the
// catalogue file of a product folder, from which the user starts a form.
//
// The catalogue file (CatalogueFileName) is a text file of lines, one node each.  The leading
// blanks and tabs of a line give its level (one each); the rest of the line is the node's text.
// The first line is a top-level node whatever its level; every further line is placed against
// the node before it: at that node's depth it becomes its next sibling, one deeper its first
// child, shallower the next sibling of its ancestor at the line's level.  Two or more levels
// deeper is no catalogue.  Depths 0 and 1 are categories, 2 a form, 3 a version of a form; the
// text of a form is its code, ":" and a description.
//
//     auto form = TBaseForm::Create<TfrmSelFormulier>(this);
//     form->Init("ZV", FormsDir);   // may throw; the abort when the file is no catalogue
//     form->ShowModal();

#include "fBaseForm.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QGroupBox;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// One node of the catalogue, in tree order (a parent before its children).
struct TFormNode {
    std::string Text;   // the line without its indentation, Windows-1252
    int Depth = 0;      // 0 at the top
    int Parent = -1;    // index of the parent node; -1 at the top
    bool HasChildren = false;
    bool operator==(const TFormNode&) const = default;
};

// BaseDir + Folder + "/" + Folder + "_FORMS.DAT"; BaseDir ends with its separator.
QString CatalogueFileName(const QString& BaseDir, const std::string& Folder);

// Bounds far beyond any catalogue, so that a hostile file cannot exhaust memory or the stack of the
// tree, nor the time to show it: at most MaxCatalogueDepth levels, MaxCatalogueBytes in the file,
// MaxCatalogueLines lines of at most MaxCatalogueLineBytes each.
constexpr std::size_t MaxCatalogueDepth = 64;
constexpr std::size_t MaxCatalogueBytes = std::size_t(16) << 20;
constexpr std::size_t MaxCatalogueLines = 10000;
constexpr std::size_t MaxCatalogueLineBytes = 1024;

// The lines of a text file: CR LF, LF and CR end a line; an end after the last line adds none.
// More than MaxLines lines, or a line longer than MaxLineBytes, throw an Exception before any line
// is split off.
std::vector<std::string> TextLines(const std::string& Bytes, std::size_t MaxLines = std::size_t(-1),
                                   std::size_t MaxLineBytes = std::size_t(-1));

// The tree of the catalogue's lines.  A line two or more levels deeper than the node before it,
// or deeper than MaxCatalogueDepth levels, throws an Exception naming the line's number (from 1).
// No lines give no nodes.
std::vector<TFormNode> ParseFormCatalogue(const std::vector<std::string>& Lines);

// The image index of a node: 2 depth 0, 5 depth 1, 4 a form with versions, 3 a form or a version;
// deeper nodes have none (-1).
int FormImageIndex(const TFormNode& Node);

// The form code of a node's text: the text before its first ":", none without a ":".
std::optional<std::string> FormCode(const std::string& Text);

// The image list shared by the tree and the two actions.
enum TFormImage {
    fiStart = 0,
    fiExit = 1,
    fiCategory = 2,
    fiForm = 3,
    fiFormVersions = 4,
    fiSubCategory = 5,
    fiNone = 11
};

class TfrmSelFormulier : public TBaseForm {
    Q_OBJECT
public:
    // Starts the form with the given code.
    using TStartForm = std::function<void(const std::string& Code)>;

    static constexpr const char* NoForms = "<geen formulieren beschikbaar>";

    explicit TfrmSelFormulier(QWidget* owner = nullptr);
    ~TfrmSelFormulier() override;

    // Initialises the window, keeps BaseDir and loads Folder's catalogue with its first category
    // opened two levels.  The abort (a file that is no catalogue) passes unchanged; any other
    // failure leaves as an Exception with "TfrmSelFormulier.Init: " in front.
    void Init(const std::string& Folder, const QString& BaseDir);
    // Fills the tree anew from Folder's catalogue under the kept base folder.  A missing file
    // shows the single node NoForms.  A file that cannot be read (no regular file: a FIFO is not
    // waited for), is larger than MaxCatalogueBytes, holds more than MaxCatalogueLines lines or a
    // line longer than MaxCatalogueLineBytes, or is no catalogue raises the abort with the text "Onbekend formaat in het bestand <Folder>_FORMS.DAT." and the contact
    // line; any other failure leaves as an Exception with "TfrmSelFormulier.LaadFormulieren: ".
    void LaadFormulieren(const std::string& Folder, bool ExpandFirst);

    const QString& BaseDir() const { return baseDir_; }
    // The image index given to a node of the tree (-1: none).
    static int ImageIndex(const QTreeWidgetItem* Item);

    // What acStart runs with the code of the chosen form: StartTemplate unless set otherwise.
    TStartForm StartForm;

    QFrame* pnlToolbar = nullptr;
    QToolButton* sbInsert = nullptr;
    QToolButton* sbExit = nullptr;
    QGroupBox* gbFormulieren = nullptr;
    QTreeWidget* tvFormulieren = nullptr;
    QAction* acStart = nullptr;
    QAction* acExit = nullptr;

protected:
    // Starts the selected form: only a form without versions; anything else is ignored.  A text
    // without ":" fails with "Fout bij starten Word koppeling: " in front.
    virtual void acStartExecute();
    virtual void acExitExecute();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetImage(QTreeWidgetItem* item, int index) const;

    QString baseDir_;
    std::vector<QIcon> images_;
};
