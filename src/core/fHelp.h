#pragma once
// The help window: a fixed table of the commands with their menu paths and keys.

#include <QDialog>
#include <memory>

namespace Ui {
class TfrmHelp;
}

class TfrmHelp : public QDialog {
    Q_OBJECT

public:
    explicit TfrmHelp(QWidget* owner = nullptr);
    ~TfrmHelp() override;

private:
    std::unique_ptr<Ui::TfrmHelp> ui;
};
