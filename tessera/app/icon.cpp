#include "app/icon.h"

#include <QPainter>
#include <QPainterPath>

namespace tessera {
namespace {

// All shapes on a 256-unit canvas.
constexpr double kCanvas = 256.0;
const QColor kTile(0x1f, 0x3a, 0x5f);
const QColor kCellA(0x3d, 0x7e, 0xc4);
const QColor kCellB(0x6f, 0xb3, 0xe8);
const QColor kLensRim(0xf2, 0xb1, 0x34);
const QColor kLensGlass(255, 255, 255, 70);

struct Cell {
    double x, y, size;
    bool light;
};

// A 3 x 3 grid of cells, 10 units apart, inside a 40-unit margin.
QVector<Cell> cells()
{
    QVector<Cell> out;
    const double margin = 40, gap = 10;
    const double size = (kCanvas - 2 * margin - 2 * gap) / 3;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.append(
                {margin + c * (size + gap), margin + r * (size + gap), size, (r + c) % 2 == 0});
    return out;
}

} // namespace

QImage renderAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kCanvas, size / kCanvas);
    p.setPen(Qt::NoPen);
    p.setBrush(kTile);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);
    for (const Cell &c : cells()) {
        p.setBrush(c.light ? kCellB : kCellA);
        p.drawRoundedRect(QRectF(c.x, c.y, c.size, c.size), 8, 8);
    }
    // The lens: a ring with a handle towards the lower right.
    p.setBrush(kLensGlass);
    p.setPen(QPen(kLensRim, 18));
    p.drawEllipse(QPointF(150, 110), 58, 58);
    p.setPen(QPen(kLensRim, 26, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(192, 152), QPointF(226, 186));
    p.end();
    return image;
}

QString appIconSvg()
{
    QString svg =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
            "viewBox=\"0 0 256 256\">\n"
            "  <rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" rx=\"40\" fill=\"%1\"/>\n")
            .arg(kTile.name());
    for (const Cell &c : cells())
        svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%3\" rx=\"8\" "
                              "fill=\"%4\"/>\n")
                   .arg(c.x, 0, 'f', 2)
                   .arg(c.y, 0, 'f', 2)
                   .arg(c.size, 0, 'f', 2)
                   .arg((c.light ? kCellB : kCellA).name());
    svg += QStringLiteral("  <circle cx=\"150\" cy=\"110\" r=\"58\" fill=\"#ffffff\" "
                          "fill-opacity=\"0.275\" stroke=\"%1\" stroke-width=\"18\"/>\n"
                          "  <line x1=\"192\" y1=\"152\" x2=\"226\" y2=\"186\" stroke=\"%1\" "
                          "stroke-width=\"26\" stroke-linecap=\"round\"/>\n"
                          "</svg>\n")
               .arg(kLensRim.name());
    return svg;
}

QIcon appIcon()
{
    QIcon themed = QIcon::fromTheme(QStringLiteral("tessera"));
    if (!themed.isNull())
        return themed;
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(renderAppIcon(size)));
    return icon;
}

} // namespace tessera
