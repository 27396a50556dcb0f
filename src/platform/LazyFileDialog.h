#pragma once
// An open or save dialog component that exists from its owner's creation but builds its window
// (the file-system model, the icons) only when it is first used.  Once built the same dialog serves
// every later use, so it keeps its folder, filter and name between uses as a component does.
//
//     TLazyFileDialog OpenDialog{this, [](QFileDialog& d) { d.setNameFilters(...); }};
//     if (OpenDialog->exec() == QDialog::Accepted) ...

#include <QPointer>
#include <functional>

class QFileDialog;
class QWidget;

class TLazyFileDialog {
public:
    using TSetup = std::function<void(QFileDialog& Dialog)>;

    // The dialog will belong to owner and carry name as its object name; setup runs once on it,
    // right after it is built.
    TLazyFileDialog(QWidget* owner, const char* name, TSetup setup);
    TLazyFileDialog(const TLazyFileDialog&) = delete;
    TLazyFileDialog& operator=(const TLazyFileDialog&) = delete;

    // The dialog, built on the first call.
    QFileDialog* Dialog();
    QFileDialog* operator->() { return Dialog(); }
    bool Built() const { return !dialog_.isNull(); }

private:
    QWidget* owner_;
    const char* name_;
    TSetup setup_;
    QPointer<QFileDialog> dialog_; // owned by owner_
};
