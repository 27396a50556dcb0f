#include "AppServices.h"

#include "AnsiText.h"
#include "Exceptions.h"

#include <QApplication>
#include <QMessageBox>

QWidget* MessageBoxOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void ShowApplicationError(const std::string& message)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), AnsiToQString(message),
                    QMessageBox::Ok, MessageBoxOwner());
    box.exec();
}

void HandleApplicationException()
{
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        ShowApplicationError(e.what());
    } catch (...) {
        ShowApplicationError("Unknown exception");
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
