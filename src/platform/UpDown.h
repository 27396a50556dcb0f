#pragma once
// The up-down control: a pair of arrow buttons that step a whole-number position between Min and
// Max, bound to an edit (its associate) that shows the position as decimal text.
//
// Typing into the associate a number within Min..Max moves the position to it; other text leaves
// the position as it was.  The arrow buttons, and the Up and Down keys in the associate, step the
// position by one and write it into the associate; at a bound it stays there unless Wrap is set.
// The control itself takes no focus.  Can be placed in .ui files as a promoted widget (header
// "UpDown.h"); Min, Max, Position and Wrap are properties.

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE SetMin)
    Q_PROPERTY(int Max READ Max WRITE SetMax)
    Q_PROPERTY(int Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Wrap READ Wrap WRITE SetWrap)

public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    bool Wrap() const { return wrap_; }
    void SetWrap(bool value) { wrap_ = value; }

    int Position() const { return position_; }
    // Keeps value within Min..Max and shows it in the associate.
    void SetPosition(int value);

    QLineEdit* Associate() const { return associate_; }
    // Binds the edit; it shows the current position from now on.
    void SetAssociate(QLineEdit* edit);

    // One step up (true) or down, as a click on an arrow.
    void Step(bool up);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AssociateEdited(const QString& text);

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool wrap_ = false;
    QPointer<QLineEdit> associate_;
    QToolButton* up_;
    QToolButton* down_;
};
