#include "DirectoryListBox.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "Volumes.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kItemHeight = 16;

} // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    directory_ = QDir::currentPath();
    Fill();
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { OpenCurrent(); });
    ShowFocus(false);
}

void TDirectoryListBox::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    ShowFocus(true);
}

void TDirectoryListBox::focusOutEvent(QFocusEvent* event)
{
    QListWidget::focusOutEvent(event);
    ShowFocus(false);
}

void TDirectoryListBox::ShowFocus(bool focused)
{
    const QPalette standard = QApplication::palette(this);
    QPalette shown = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        shown.setColor(group, QPalette::Highlight, standard.color(group, focused ? QPalette::Highlight : QPalette::Midlight));
        shown.setColor(group, QPalette::HighlightedText,
                       standard.color(group, focused ? QPalette::HighlightedText : QPalette::Text));
    }
    setPalette(shown);
}

void TDirectoryListBox::SetRoot(const QString& root)
{
    root_ = QDir::cleanPath(root);
}

void TDirectoryListBox::SetDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        throw EInOutError("Directory " + PathInMessage(path) + " bestaat niet", 3);
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (clean == directory_)
        return;
    directory_ = clean;
    Fill();
    Q_EMIT DirectoryChanged();
}

void TDirectoryListBox::OpenCurrent()
{
    if (currentRow() >= 0)
        SetDirectory(ItemPath(currentRow()));
}

QString TDirectoryListBox::ItemPath(int row) const
{
    return item(row)->data(kPathRole).toString();
}

void TDirectoryListBox::Fill()
{
    // The chain from the root (or from "/" when the directory lies outside it) to the directory.
    const QString top = PathUnder(directory_, root_) ? root_ : QStringLiteral("/");
    QStringList chain{top};
    const QString rest = directory_.mid(top.size());
    for (const QString& part : rest.split('/', Qt::SkipEmptyParts))
        chain << QDir(chain.last()).filePath(part);

    clear();
    auto add = [this](const QString& text, const QString& path, int level) {
        auto* line = new QListWidgetItem(QString(level * 2, ' ') + text, this);
        line->setData(kPathRole, path);
        line->setSizeHint(QSize(0, kItemHeight));
    };
    for (int level = 0; level < chain.size(); ++level)
        add(level == 0 ? chain[0] : QFileInfo(chain[level]).fileName(), chain[level], level);
    const int current = int(chain.size()) - 1;
    const QDir dir(directory_);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        add(name, dir.filePath(name), current + 1);
    setCurrentRow(current);
}
