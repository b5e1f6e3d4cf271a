// Draws the program's icon from its SVG at each size given, into DIR/SIZE.png, and writes
// DIR/icons.qrc, which builds them into the program under :/icons. It paints into images only, so it
// needs no application object, nor a display.
//   quorvel_icons SVG DIR SIZE...
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QSvgRenderer svg(args.value(1));
    if (args.size() < 4 || !svg.isValid() || !QDir().mkpath(args[2])) {
        qCritical("usage: quorvel_icons SVG DIR SIZE...");
        return 2;
    }
    QByteArray qrc = "<RCC><qresource prefix=\"/icons\">\n";
    for (const QString &size : args.mid(3)) {
        QImage image(size.toInt(), size.toInt(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        if (image.isNull() || !image.save(args[2] + QLatin1Char('/') + size + QStringLiteral(".png")))
            return 1;
        qrc += "  <file>" + size.toLatin1() + ".png</file>\n";
    }
    QFile file(args[2] + QStringLiteral("/icons.qrc"));
    return file.open(QFile::WriteOnly) && file.write(qrc + "</qresource></RCC>\n") > 0 ? 0 : 1;
}
