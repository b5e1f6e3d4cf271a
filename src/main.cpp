#include "desktop.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // On a dense screen the window's fixed pixel sizes must grow with its fonts; Qt 6 always scales.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
#endif
    QApplication app(argc, argv);
    introduceToDesktop();
    MainWindow window;
    window.show();
    return app.exec();
}
