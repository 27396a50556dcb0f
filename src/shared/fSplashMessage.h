#pragma once
// A borderless waiting panel that stays on top while something slow is prepared.  It paints
// itself at once (on Show, on activation and on SetMessage), because the thread that shows it
// stays busy until it is closed.  While a modal window that opened after it stands (a message
// asked for in the meantime), the panel steps aside, so that it never covers that window; it
// comes back when the window goes, unless it was hidden or closed in the meantime.

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;

class TfrmSplashMessage : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplashMessage(QWidget* owner = nullptr);

    void SetMessage(const std::string& text);
    // Shows the window centred on the screen, without waiting, and paints it.
    void Show();

    void setVisible(bool visible) override;

    QLabel* Panel1 = nullptr;
    std::string Message; // the last text given to SetMessage

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepAsideOrBack();

    bool wanted_ = false;                    // shown by its owner and not hidden since
    std::vector<QPointer<QWidget>> covering_; // modal windows shown since, still standing
};
