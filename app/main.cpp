#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantreel Screen Recorder"));
    window.resize(1000, 600);
    window.show();
    return app.exec();
}
