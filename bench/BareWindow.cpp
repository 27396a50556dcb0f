// The floor of start-up: a bare Qt window of the main window's size, shown at once.
// With --label the window shows one line of text in a layout, as every window with text does:
// that measures the text before the window is shown and so loads the font database.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Bare");
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        QApplication::setFont(QFont("DejaVu Sans", 8));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel("Kandidaten (0/0)", &window));
    }
    window.resize(721, 425);
    window.show();
    return app.exec();
}
