#pragma once
// The help window: a fixed table of the commands with their menu paths and keys.

#include <QDialog>

class TfrmHelp : public QDialog {
    Q_OBJECT

public:
    explicit TfrmHelp(QWidget* owner = nullptr);
};
