#include "QtTranslations.h"
#include "ZEBPrev.h"
#include "fMain.h"
#include "vyxclient_soapintf.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    RegisterVYXSoap();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvandel");
    // The window layouts are laid out in pixels for an 8-point sans-serif font.
    QApplication::setFont(QFont("DejaVu Sans", 8));
    InstallQtTranslations();
    // The main window: its FormCreate shows the splash and creates the lists; showing it closes
    // the splash, and its first activation initialises it.  Closing it ends the loop; destroying
    // it frees the lists.
    auto frmMain = TBaseForm::Create<TfrmMain>();
    // The shared report previewer, hidden until a report shows it.
    TfrmZEBPreviewer previewer;
    frmZEBPreviewer = &previewer;
    frmMain->show();
    frmMain->activateWindow();
    return app.exec();
}
