// The peer of the start-up and idle figures: the least a Qt Widgets program
// does to show one window of our size with some text on it (so it pays for
// the fonts as our window does).

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Minimal Window");
    window.setFixedSize(536, 383);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("Select a sound and press Turn On.", &window));
    window.show();
    return app.exec();
}
