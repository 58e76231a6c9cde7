// Renders the program's icon from its SVG into the PNG sizes of the desktop's
// icon theme: rendericon SVG OUTDIR SIZE... writes OUTDIR/NxN/cvcfg.png.
// Run at build time, so the pictures always follow the SVG.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: rendericon SVG OUTDIR SIZE...\n");
        return 2;
    }
    // The icon's lettering needs fonts, hence an application, but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the offscreen platform are no concern of a build.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    const QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "rendericon: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    for (const QString& text : args.mid(3)) {
        bool number = false;
        const int size = text.toInt(&number);
        if (!number || size <= 0) {
            std::fprintf(stderr, "rendericon: the size %s is no number of pixels\n",
                         qPrintable(text));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        const QString dir = QDir(args.at(2)).filePath(QStringLiteral("%1x%1").arg(size));
        const QString path = QDir(dir).filePath(QStringLiteral("cvcfg.png"));
        if (!QDir().mkpath(dir) || !image.save(path, "PNG")) {
            std::fprintf(stderr, "rendericon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
