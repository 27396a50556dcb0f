#include "vyxclient_soapintf.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    RegisterVYXSoap();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvandel");
    // Placeholder until the main window exists.
    QMainWindow window;
    window.setWindowTitle("Zorvandel");
    window.resize(640, 480);
    window.show();
    return app.exec();
}
