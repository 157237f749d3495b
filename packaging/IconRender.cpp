#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "res/AppIcon.h"

// Writes the program's own icon into an icon theme folder at each size asked:
//   tarvik-icon-render <theme folder> <icon name> <size>...
// gives <theme folder>/<size>x<size>/apps/<icon name>.png. Runs at build time, so it draws
// on the offscreen platform and needs no display.
int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme folder> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "%s: icon size \"%s\" is not a positive number\n", argv[0], argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = theme.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!theme.mkpath(folder) || !DrawAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
