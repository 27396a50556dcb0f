#include "AppServices.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QWindow>

QWidget* MessageBoxOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // Right after a window closed, the next one is not active yet.
    QWidget* owner = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && !window->parentWidget() &&
            (window->windowType() == Qt::Window || (!owner && window->windowType() == Qt::Dialog)))
            owner = window;
    return owner;
}

void BelongToActiveWindow(QWidget* box)
{
    QWidget* owner = MessageBoxOwner();
    if (!owner || owner == box)
        return;
    box->winId();
    if (box->windowHandle() && owner->windowHandle())
        box->windowHandle()->setTransientParent(owner->windowHandle());
}

void ShowApplicationError(const std::string& message)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), MessageToQString(message),
                    QMessageBox::Ok);
    BelongToActiveWindow(&box);
    box.exec();
}

void HandleApplicationException()
{
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowApplicationError(MessageOf(e));
    } catch (...) {
        ShowApplicationError("Onbekende fout");
    }
}

void RunReported(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        HandleApplicationException();
    }
}

bool ApplicationHelpContext(int /*context*/)
{
    return false;
}
