#pragma once
// The about box: product name, version, program folder and a link to the publisher's web page.

#include <QDialog>
#include <QString>

class JpegLabel;
class QFrame;
class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    // The page that the link label opens.
    static constexpr const char* ElectionPage = "https://www.zorvandel.example/verkiezingen/";

    explicit TfrmAbout(QWidget* owner = nullptr);

    void FormShow();
    void btnOkClick();
    void lblOrxLinkClick();
    void lblOrxLinkMouseEnter();
    void lblOrxLinkMouseLeave();

    QFrame* Bevel1 = nullptr;
    QFrame* pnlAbout = nullptr;
    QLabel* lblProduct = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersionNr = nullptr;
    QLabel* lblProgram = nullptr;
    JpegLabel* imLogo = nullptr;
    QLabel* lblOrxLink = nullptr;
    QWidget* pnlBottom = nullptr;
    QPushButton* btnOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString programLabel_; // the layout's text of lblProgram, before the folder is added
    int programHeight_ = 0; // lblProgram's height in the layout
};
