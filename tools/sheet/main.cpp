// The chart sheet: one PNG with every point symbol, dash style, hatch style and gradient of the
// chart library and a set of rich captions, for people to look at.
//
//   qv-sheet out/sheet.png

#include "SheetSections.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("out/sheet.png");

    const int width = 1200;
    const int stylesHeight = 1065;
    const int captionsHeight = 520;
    QImage img(width, stylesHeight + captionsHeight, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        DrawStylesSection(p, QRectF(0, 0, width, stylesHeight));
        DrawCaptionsSection(p, QRectF(0, stylesHeight, width, captionsHeight));
    }

    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (!img.save(path)) {
        std::fprintf(stderr, "qv-sheet: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(info.absoluteFilePath()));
    return 0;
}
