#include "ModalAnswer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <vector>

namespace {

struct Pending {
    ModalAnswer::Action action;
    std::shared_ptr<SeenWindow> seen;
};

// Polls for newly shown modal windows and hands each to the oldest pending answer.
class Responder : public QObject {
public:
    static Responder& Instance()
    {
        static Responder* responder = new Responder(qApp);
        return *responder;
    }

    void Add(Pending pending)
    {
        queue_.push_back(std::move(pending));
        if (!timer_.isActive())
            timer_.start();
    }

    void Cancel(const std::shared_ptr<SeenWindow>& seen)
    {
        std::erase_if(queue_, [&](const Pending& p) { return p.seen == seen; });
    }

private:
    explicit Responder(QObject* parent) : QObject(parent)
    {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    }

    void Poll()
    {
        std::erase_if(handled_, [](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
        if (queue_.empty()) {
            timer_.stop();
            return;
        }
        QWidget* window = QApplication::activeModalWidget();
        if (!window || !window->isVisible())
            return;
        for (const auto& w : handled_)
            if (w == window)
                return;
        handled_.emplace_back(window);
        window->installEventFilter(this); // forget it when hidden, so a second showing is answered too
        Pending pending = std::move(queue_.front());
        queue_.pop_front();
        Record(window, *pending.seen);
        QPointer<QWidget> guard(window);
        // Queued, so that a nested modal loop started by the answer does not block the polling.
        QMetaObject::invokeMethod(
            this,
            [guard, action = std::move(pending.action)] {
                if (guard)
                    action(guard);
                if (guard && guard->isVisible()) {
                    if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                        dialog->reject();
                    else
                        guard->close();
                }
            },
            Qt::QueuedConnection);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide) {
            std::erase_if(handled_, [watched](const QPointer<QWidget>& w) { return w.isNull() || w == watched; });
            watched->removeEventFilter(this);
        }
        return false;
    }

    static void Record(QWidget* window, SeenWindow& seen)
    {
        seen.shown = true;
        seen.caption = window->windowTitle();
        seen.className = window->metaObject()->className();
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisibleTo(window) && !label->text().isEmpty())
                seen.labels << label->text();
        for (QAbstractButton* button : window->findChildren<QPushButton*>())
            if (button->isVisibleTo(window))
                seen.buttons << button->text();
    }

    QTimer timer_;
    std::deque<Pending> queue_;
    std::vector<QPointer<QWidget>> handled_;
};

} // namespace

ModalAnswer::ModalAnswer(Action action) : seen_(std::make_shared<SeenWindow>())
{
    Responder::Instance().Add({std::move(action), seen_});
}

ModalAnswer::~ModalAnswer()
{
    Responder::Instance().Cancel(seen_);
}

QString PlainText(QString text)
{
    return text.remove('&');
}

ModalAnswer::Action ModalAnswer::ClickButton(const QString& text)
{
    return [text](QWidget* window) {
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->isVisible() && PlainText(button->text()) == PlainText(text)) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
    };
}

ModalAnswer::Action ModalAnswer::PressKey(int key)
{
    return [key](QWidget* window) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QTest::keyClick(target, Qt::Key(key));
    };
}

ModalAnswer::Action ModalAnswer::Close()
{
    return [](QWidget* window) { window->close(); };
}

ModalAnswer::Action ModalAnswer::ChooseFile(const QString& path)
{
    return [path](QWidget* window) {
        auto* edit = window->findChild<QLineEdit*>("fileNameEdit");
        if (!edit) {
            ADD_FAILURE() << "no file name field in " << window->metaObject()->className();
            return;
        }
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

void RunWhen(std::function<bool()> ready, std::function<void()> action, QWidget* window, int timeoutMs)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QPointer<QWidget> guard(window);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, guard, deadline, ready = std::move(ready), action = std::move(action)] {
                         if (ready()) {
                             timer->stop();
                             timer->deleteLater();
                             action();
                         } else if (deadline.hasExpired()) {
                             timer->stop();
                             timer->deleteLater();
                             ADD_FAILURE() << "RunWhen: never ready";
                             if (guard)
                                 guard->close();
                         }
                     });
    timer->start();
}

bool WaitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred() && !deadline.hasExpired())
        QTest::qWait(5);
    return pred();
}

std::string ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

bool WriteFileBytes(const QString& path, const std::string& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}
