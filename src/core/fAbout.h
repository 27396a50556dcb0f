#pragma once
// The about box: product name, version, program folder and a link to the publisher's web page.

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TfrmAbout;
}

class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    // The page that the link label opens.
    static constexpr const char* ElectionPage = "https://www.zorvandel.example/verkiezingen/";

    explicit TfrmAbout(QWidget* owner = nullptr);
    ~TfrmAbout() override;

    void FormShow();
    void btnOkClick();
    void lblOrxLinkClick();
    void lblOrxLinkMouseEnter();
    void lblOrxLinkMouseLeave();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmAbout> ui;
    QString programLabel_; // the layout's text of lblProgram, before the folder is added
    int programHeight_ = 0; // lblProgram's height in the layout
};
