#include "LazyFileDialog.h"

#include <QFileDialog>

TLazyFileDialog::TLazyFileDialog(QWidget* owner, const char* name, TSetup setup)
    : owner_(owner), name_(name), setup_(std::move(setup))
{
}

QFileDialog* TLazyFileDialog::Dialog()
{
    if (!dialog_) {
        dialog_ = new QFileDialog(owner_);
        dialog_->setObjectName(name_);
        dialog_->setOption(QFileDialog::DontUseNativeDialog);
        if (setup_)
            setup_(*dialog_);
    }
    return dialog_;
}
