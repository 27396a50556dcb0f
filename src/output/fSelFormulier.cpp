#include "fSelFormulier.h"

#include "ActionLink.h"
#include "Anchors.h"
#include "AnsiText.h"
#include "Exceptions.h"
#include "uZVWord.h"
#include "RegularFile.h"
#include "Resources.h"
#include "SysCalls.h"
#include "WindowFrame.h"

#include "ui_fSelFormulier.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr int ImageRole = Qt::UserRole;
constexpr int TextRole = Qt::UserRole + 1; // the node's text as read, Windows-1252

int Depth(const QTreeWidgetItem* item)
{
    int depth = 0;
    for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        ++depth;
    return depth;
}

} // namespace

QString CatalogueFileName(const QString& BaseDir, const std::string& Folder)
{
    return BaseDir + AnsiToQString(Folder) + "/" + AnsiToQString(Folder + "_FORMS.DAT");
}

std::vector<std::string> TextLines(const std::string& Bytes, std::size_t MaxLines, std::size_t MaxLineBytes)
{
    // Calls line(begin, end) for every line, its end before the line end.
    const auto forEachLine = [&Bytes](const auto& line) {
        std::size_t start = 0;
        while (start < Bytes.size()) {
            const std::size_t end = std::min(Bytes.find_first_of("\r\n", start), Bytes.size());
            line(start, end);
            start = end + (end + 1 < Bytes.size() && Bytes[end] == '\r' && Bytes[end + 1] == '\n' ? 2 : 1);
        }
    };
    std::size_t count = 0;
    forEachLine([&](std::size_t begin, std::size_t end) {
        if (end - begin > MaxLineBytes)
            throw Exception("regel " + std::to_string(count + 1) + " is langer dan " + std::to_string(MaxLineBytes) +
                            " tekens");
        if (++count > MaxLines)
            throw Exception("het bestand heeft meer dan " + std::to_string(MaxLines) + " regels");
    });
    std::vector<std::string> lines;
    lines.reserve(count);
    forEachLine([&](std::size_t begin, std::size_t end) { lines.push_back(Bytes.substr(begin, end - begin)); });
    return lines;
}

std::vector<TFormNode> ParseFormCatalogue(const std::vector<std::string>& Lines)
{
    std::vector<TFormNode> nodes;
    nodes.reserve(Lines.size());
    for (std::size_t n = 0; n < Lines.size(); ++n) {
        const std::string& line = Lines[n];
        const std::size_t indent = line.find_first_not_of(" \t");
        const int level = static_cast<int>(indent == std::string::npos ? line.size() : indent);
        TFormNode node{line.substr(std::min(line.size(), std::size_t(level))), 0, -1, false};
        if (!nodes.empty()) {
            const int previous = static_cast<int>(nodes.size()) - 1;
            const int previousDepth = nodes[std::size_t(previous)].Depth;
            if (level > previousDepth + 1)
                throw Exception("regel " + std::to_string(n + 1) + " ligt meer dan een niveau dieper dan de regel ervoor");
            if (level == previousDepth + 1) {
                node.Parent = previous;
            } else {
                // A sibling of the previous node or of its ancestor at this level.
                int sibling = previous;
                while (nodes[std::size_t(sibling)].Depth > level)
                    sibling = nodes[std::size_t(sibling)].Parent;
                node.Parent = nodes[std::size_t(sibling)].Parent;
            }
            node.Depth = node.Parent < 0 ? 0 : nodes[std::size_t(node.Parent)].Depth + 1;
            if (std::size_t(node.Depth) >= MaxCatalogueDepth)
                throw Exception("regel " + std::to_string(n + 1) + " ligt dieper dan " + std::to_string(MaxCatalogueDepth) +
                                " niveaus");
            if (node.Parent >= 0)
                nodes[std::size_t(node.Parent)].HasChildren = true;
        }
        nodes.push_back(std::move(node));
    }
    return nodes;
}

int FormImageIndex(const TFormNode& Node)
{
    switch (Node.Depth) {
    case 0:
        return fiCategory;
    case 1:
        return fiSubCategory;
    case 2:
        return Node.HasChildren ? fiFormVersions : fiForm;
    case 3:
        return fiForm;
    default:
        return -1;
    }
}

std::optional<std::string> FormCode(const std::string& Text)
{
    const std::size_t colon = Text.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return Text.substr(0, colon);
}

// ---------------------------------------------------------------------------------------------

TfrmSelFormulier::TfrmSelFormulier(QWidget* owner) : TBaseForm(owner), StartForm(&StartTemplate)
{
    EnsureResources();
    Ui::TfrmSelFormulier ui;
    ui.setupUi(this);
    pnlToolbar = ui.pnlToolbar;
    sbInsert = ui.sbInsert;
    sbExit = ui.sbExit;
    gbFormulieren = ui.gbFormulieren;
    tvFormulieren = ui.tvFormulieren;
    acStart = ui.acStart;
    acExit = ui.acExit;

    // The image list: the two actions, the kinds of node, and the node of an empty catalogue.
    images_.resize(fiNone + 1);
    images_[fiStart] = style()->standardIcon(QStyle::SP_MediaPlay);
    images_[fiExit] = style()->standardIcon(QStyle::SP_DialogCloseButton);
    images_[fiCategory] = style()->standardIcon(QStyle::SP_DirIcon);
    images_[fiForm] = style()->standardIcon(QStyle::SP_FileIcon);
    images_[fiFormVersions] = style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    images_[fiSubCategory] = QIcon(":/images/folder.png");
    images_[fiNone] = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    acStart->setIcon(images_[fiStart]);
    acExit->setIcon(images_[fiExit]);
    for (QToolButton* button : {sbInsert, sbExit}) {
        button->setIconSize(QSize(24, 24));
        button->setIcon((button == sbInsert ? acStart : acExit)->icon());
    }

    AnchorRight(sbExit, width());
    // The layout's size is the window's outer size.
    ApplyOuterSize(this, [this, outer = size()](const TFrameExtents& frame) { resize(ClientSizeFor(outer, frame)); });
    LinkToAction(sbInsert, acStart);
    LinkToAction(sbExit, acExit);
    BindAction(acStart, [this] { acStartExecute(); });
    BindAction(acExit, [this] { acExitExecute(); });
    tvFormulieren->installEventFilter(this);
    tvFormulieren->viewport()->installEventFilter(this);
}

TfrmSelFormulier::~TfrmSelFormulier() = default;

void TfrmSelFormulier::Init(const std::string& Folder, const QString& BaseDir)
{
    GuardedPlain("TfrmSelFormulier.Init: ", [&] {
        Initialize();
        baseDir_ = BaseDir;
        LaadFormulieren(Folder, true);
    }, true);
}

void TfrmSelFormulier::LaadFormulieren(const std::string& Folder, bool ExpandFirst)
{
    GuardedPlain("TfrmSelFormulier.LaadFormulieren: ", [&] {
        const QString fileName = CatalogueFileName(baseDir_, Folder);
        tvFormulieren->clear();
        std::vector<TFormNode> nodes;
        if (QFileInfo::exists(fileName)) {
            try {
                nodes = ParseFormCatalogue(TextLines(ReadRegularFile(QFile::encodeName(fileName).toStdString(),
                                                                     MaxCatalogueBytes), MaxCatalogueLines,
                                                     MaxCatalogueLineBytes));
            } catch (const std::exception&) {
                throw EAbort("Onbekend formaat in het bestand " + Folder + "_FORMS.DAT." + "\r\n" +
                             "U dient contact op te nemen met de automatiserings afdeling.");
            }
        }
        if (nodes.empty()) {
            // No catalogue, or one without a line: nothing to start.
            auto* item = new QTreeWidgetItem(tvFormulieren, QStringList(QString::fromLatin1(NoForms)));
            item->setData(0, TextRole, QByteArray(NoForms));
            SetImage(item, fiNone);
            return;
        }
        std::vector<QTreeWidgetItem*> items;
        items.reserve(nodes.size());
        for (const TFormNode& node : nodes) {
            auto* item = node.Parent < 0 ? new QTreeWidgetItem(tvFormulieren)
                                         : new QTreeWidgetItem(items[std::size_t(node.Parent)]);
            item->setText(0, AnsiToQString(node.Text));
            item->setData(0, TextRole, QByteArray::fromStdString(node.Text));
            SetImage(item, FormImageIndex(node));
            items.push_back(item);
        }
        QTreeWidgetItem* first = tvFormulieren->topLevelItem(0);
        first->setExpanded(true);
        if (ExpandFirst && first->childCount() > 0)
            first->child(0)->setExpanded(true);
        tvFormulieren->setFocus();
    }, true);
}

int TfrmSelFormulier::ImageIndex(const QTreeWidgetItem* Item)
{
    const QVariant index = Item->data(0, ImageRole);
    return index.isValid() ? index.toInt() : -1;
}

void TfrmSelFormulier::SetImage(QTreeWidgetItem* item, int index) const
{
    if (index < 0)
        return;
    item->setData(0, ImageRole, index);
    item->setIcon(0, images_[std::size_t(index)]);
}

void TfrmSelFormulier::acStartExecute()
{
    QTreeWidgetItem* node = tvFormulieren->currentItem();
    if (!node || Depth(node) != 2 || ImageIndex(node) == fiFormVersions)
        return;
    const TWaitCursor hourglass;
    try {
        const std::optional<std::string> code = FormCode(node->data(0, TextRole).toByteArray().toStdString());
        if (!code)
            throw Exception("Kon geen \":\" vinden in formulier omschrijving.");
        StartForm(*code);
    } catch (const std::exception& e) {
        throw Exception(std::string("Fout bij starten Word koppeling: ") + e.what());
    }
}

void TfrmSelFormulier::acExitExecute()
{
    Close();
}

bool TfrmSelFormulier::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tvFormulieren && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Handle([this] { acStartExecute(); });
            return true;
        }
    } else if (watched == tvFormulieren->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        Handle([this] { acStartExecute(); });
    }
    return TBaseForm::eventFilter(watched, event);
}
