#pragma once
// Answers modal windows as a user would.  Register an answer before the call that opens the
// window; answers are used in the order they were registered, one per newly shown modal window.
// The answer runs from the event loop (so it may open further modal windows); whatever it does,
// the window is closed afterwards if it is still open, so a failed check never hangs a test.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

struct SeenWindow {
    bool shown = false;
    QString caption;     // window title
    QStringList labels;  // texts of the visible labels, in child order
    QStringList buttons; // texts of the visible push buttons, in child order
    QString className;   // the window's meta-object class name
};

class ModalAnswer {
public:
    using Action = std::function<void(QWidget* window)>;
    explicit ModalAnswer(Action action);
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    const SeenWindow& Seen() const { return *seen_; }

    // Common answers.
    static Action ClickButton(const QString& text); // push button whose text (without '&') matches
    static Action PressKey(int key);
    static Action Close(); // the window's close box
    // A file dialog: types the full path into its name field and presses Enter.
    static Action ChooseFile(const QString& path);

private:
    std::shared_ptr<SeenWindow> seen_;
};

// Runs action once, from the event loop, as soon as ready() holds, without blocking the loop while
// it waits (so it also waits correctly inside a loop that a busy window runs itself).  When ready()
// has not held after timeoutMs, the test fails and window (when given) is closed.
void RunWhen(std::function<bool()> ready, std::function<void()> action, QWidget* window = nullptr,
             int timeoutMs = 20000);

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool WaitFor(const std::function<bool()>& pred, int timeoutMs = 5000);

// Removes '&' accelerators: "&Ja" -> "Ja".
QString PlainText(QString text);

// Reads a whole file as bytes (empty when missing).
std::string ReadFileBytes(const QString& path);

// Writes bytes as the whole file at path; returns whether that succeeded.
bool WriteFileBytes(const QString& path, const std::string& bytes = {});
