// The peer of the start-up and idle figures: the least a Qt Widgets program
// does to show one window of our size.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Minimal Window");
    window.setFixedSize(536, 383);
    window.show();
    return app.exec();
}
