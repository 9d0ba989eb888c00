// Writes the icon files the desktop themes take (PNG at 32, 48 and 128
// pixels, and SVG) into the folder given; run at build time.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "app/AppIcon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fzarc-make-icons FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {32, 48, 128}) {
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        QDir().mkpath(dir);
        if (!app::appIconImage(size).save(dir + "/fzarc.png")) return 1;
    }
    QDir().mkpath(folder + "/scalable/apps");
    QFile svg(folder + "/scalable/apps/fzarc.svg");
    if (!svg.open(QIODevice::WriteOnly)) return 1;
    svg.write(app::appIconSvg().toUtf8());
    return 0;
}
