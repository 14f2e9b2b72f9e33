// iconrender: renders an SVG icon into the PNG sizes of an icon theme, at build time.
//
//   iconrender ICON.svg OUTDIR SIZE...
//
// writes OUTDIR/<SIZE>x<SIZE>/apps/<name of ICON>.png for each size, the layout of
// share/icons/hicolor. Exits with status 1 if the SVG does not load or a PNG is not written.

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: iconrender ICON.svg OUTDIR SIZE...\n");
        return 1;
    }
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer svg(svgPath);
    if (!svg.isValid()) {
        std::fprintf(stderr, "iconrender: cannot load %s\n", argv[1]);
        return 1;
    }
    const QString name = QFileInfo(svgPath).completeBaseName();
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "iconrender: bad size %s\n", argv[i]);
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QDir dir(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1/apps").arg(size));
        const QString pngPath = dir.filePath(name + QStringLiteral(".png"));
        if (!dir.mkpath(QStringLiteral(".")) || !image.save(pngPath, "PNG")) {
            std::fprintf(stderr, "iconrender: cannot write %s\n", qPrintable(pngPath));
            return 1;
        }
    }
    return 0;
}
