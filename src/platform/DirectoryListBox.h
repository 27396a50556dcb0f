#pragma once
// The directory list: the folders from the drive's root down to the current directory, then the
// folders inside it, indented.  A double click opens the clicked folder.

#include <QListWidget>

class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The folder the list starts from (the selected drive's mount point).
    void SetRoot(const QString& root);
    QString Directory() const { return directory_; }
    // Moves to path; a path that is no existing folder raises EInOutError and changes nothing.
    void SetDirectory(const QString& path);
    // Opens the highlighted folder.
    void OpenCurrent();
    // The folder of a line of the list.
    QString ItemPath(int row) const;

Q_SIGNALS:
    void DirectoryChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Fill();
    // The current line in the highlight colours while the list has the focus, else in grey.
    void ShowFocus(bool focused);

    QString root_ = "/";
    QString directory_;
};
