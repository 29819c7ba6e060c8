// talvex-icons: draws the program's icon bitmaps for the desktop's icon theme from the logo code
// the window itself uses, so the launcher and the window show the same picture at every size
// (the small sizes get the logo's thicker small-size drawing).
//
//   talvex-icons OUTPUT-FOLDER SIZE...
// writes OUTPUT-FOLDER/<SIZE>x<SIZE>/apps/talvex.png for each size. Runs without a display.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ui/Pictures.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: talvex-icons OUTPUT-FOLDER SIZE...\n", stderr);
        return 2;
    }
    // Part of the build: never ask for a display, nor scale by the build machine's screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_SCALE_FACTOR");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        char* end = nullptr;
        const long side = std::strtol(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || side < 8 || side > 1024) {
            std::fprintf(stderr, "talvex-icons: not a size: %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(side);
        const QString file = folder + QStringLiteral("/talvex.png");
        const QImage image = talvex::ui::pictures::Logo(static_cast<int>(side), 1.0).toImage();
        if (!QDir().mkpath(folder) || image.width() != side || !image.save(file, "PNG")) {
            std::fprintf(stderr, "talvex-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
