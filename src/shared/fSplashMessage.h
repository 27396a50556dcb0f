#pragma once
// A borderless waiting panel that stays on top while something slow is prepared.  It paints
// itself at once (on Show, on activation and on SetMessage), because the thread that shows it
// stays busy until it is closed.

#include <QWidget>
#include <string>

class QLabel;

class TfrmSplashMessage : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplashMessage(QWidget* owner = nullptr);

    void SetMessage(const std::string& text);
    // Shows the window centred on the screen, without waiting, and paints it.
    void Show();

    QLabel* Panel1 = nullptr;
    std::string Message; // the last text given to SetMessage

protected:
    bool event(QEvent* event) override;
};
