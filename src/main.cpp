#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // On a dense screen the window's fixed pixel sizes must grow with its fonts.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
