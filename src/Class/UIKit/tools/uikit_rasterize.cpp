// Build step: renders each SVG source of the kit's images to <name>.png (1x) and <name>@2x.png.
// Usage: uikit_rasterize <output folder> <file.svg>...
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool render(QSvgRenderer& renderer, int scale, const QString& path)
{
    QImage image(renderer.defaultSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    // Text in the artwork needs fonts, and fonts need a GUI application; no display is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: uikit_rasterize <output folder> <file.svg>...\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    for (int i = 2; i < argc; ++i) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer renderer(source);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "uikit_rasterize: cannot read %s\n", argv[i]);
            return 1;
        }
        const QString name = QFileInfo(source).completeBaseName();
        if (!render(renderer, 1, out.filePath(name + ".png")) || !render(renderer, 2, out.filePath(name + "@2x.png"))) {
            std::fprintf(stderr, "uikit_rasterize: cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
