// Writes the tessera icon into a hicolor theme folder: scalable/apps/tessera.svg
// and <n>x<n>/apps/tessera.png for every size given.
//   tessera-icongen <hicolor folder> 16 32 48 ...
#include <QDir>
#include <QFile>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "app/icon.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(root + "/scalable/apps");
    QFile svg(root + "/scalable/apps/tessera.svg");
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        svg.write(tessera::appIconSvg().toUtf8()) < 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(svg.fileName()));
        return 1;
    }
    svg.close();
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        QDir().mkpath(folder);
        if (!tessera::renderAppIcon(size).save(folder + "/tessera.png", "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
