#include "controls/icons.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cstring>

#include "app/icon.h"
#include "sounder/links.h"

namespace tessera {
namespace {

// A vendor shown as a coloured tile with its initials.
struct Tile {
    const char *letters;
    QRgb colour;
};

// Vendor positions of the strip (the values of tsGetVendorImageIcon and
// tsGetExtImageIcon).  Position 10 is the icon of every other vendor word and
// of entry-point groups: a neutral function tile.
Tile vendorTile(int index)
{
    switch (index) {
    case 0: return {"3D", 0xff6b4e9b};  // 3Dfx
    case 1: return {"Ap", 0xff7a7a7a};  // Apple
    case 2: return {"ATI", 0xffc8102e}; // ATI
    case 3: return {"EXT", 0xff2e7d32}; // multi-vendor
    case 4: return {"HP", 0xff0096d6};
    case 5: return {"IBM", 0xff1f70c1};
    case 6: return {"In", 0xff0071c5}; // Intel
    case 7: return {"IG", 0xff5d4037}; // Intergraph
    case 8: return {"KTX", 0xff8d6e63};
    case 9: return {"NV", 0xff76b900}; // NVIDIA
    case 11: return {"S3", 0xffd84315};
    case 12: return {"SGI", 0xff6a1b9a};
    case 13: return {"SUN", 0xfff9a825};
    case 14: return {"MS", 0xff00a4ef}; // Microsoft
    case 24: return {"TG", 0xff455a64}; // Tungsten
    case 37: return {"SiS", 0xff00838f};
    case 38: return {"XGI", 0xffad1457};
    case 39: return {"3DL", 0xff283593}; // 3Dlabs
    case 40: return {"IMG", 0xffef6c00}; // Imagination
    default: return {nullptr, 0};
    }
}

const QColor kInk(0x33, 0x33, 0x33);
const QColor kBlue(0x1e, 0x63, 0xb4);
const QColor kGreen(0x2e, 0x9d, 0x3a);
const QColor kRed(0xd3, 0x2f, 0x2f);
const QColor kFolder(0xe8, 0xb4, 0x3a);
const QColor kFolderDark(0xb7, 0x86, 0x1c);
const QColor kPaper(0xfa, 0xfa, 0xfa);

// Letters centred in rect, shrunk until they fit its width.
void drawLetters(QPainter &p, const QRectF &rect, const QString &text, const QColor &colour,
                 double maxSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    double size = maxSize;
    for (; size > 2; size -= 0.25) {
        font.setPixelSize(qMax(1, int(size * p.transform().m11())));
        if (QFontMetricsF(font).horizontalAdvance(text) <= rect.width() * p.transform().m11())
            break;
    }
    // Draw untransformed so the pixel size is exact at every scale.
    const QRectF target = p.transform().mapRect(rect);
    p.save();
    p.resetTransform();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(target, Qt::AlignCenter, text);
    p.restore();
}

void drawTile(QPainter &p, const Tile &tile)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(tile.colour));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    drawLetters(p, QRectF(1, 1, 14, 14), QString::fromLatin1(tile.letters), Qt::white,
                std::strlen(tile.letters) > 2 ? 7 : 9);
}

void drawFolder(QPainter &p, bool open)
{
    p.setPen(QPen(kFolderDark, 1));
    p.setBrush(kFolder.darker(110));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kFolder);
    if (open) {
        QPainterPath front;
        front.moveTo(3.5, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13.5, 13.5);
        front.lineTo(1.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void drawCheck(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(3, 8.5);
    path.lineTo(6.5, 12);
    path.lineTo(13, 4);
    p.drawPath(path);
}

void drawCross(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void drawBadge(QPainter &p, const QColor &fill, const QString &mark)
{
    p.setPen(QPen(fill.darker(130), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2.5, 2.5);
    drawLetters(p, QRectF(1.5, 1.5, 13, 13), mark, Qt::white, 11);
}

void drawCircleMark(QPainter &p, const QColor &fill, const QString &mark)
{
    p.setPen(QPen(fill.darker(130), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    drawLetters(p, QRectF(1.5, 1.5, 13, 13), mark, Qt::white, 10);
}

void drawDocument(QPainter &p, const QColor &lines)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(12.5, 4);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
    p.setPen(QPen(lines, 1));
    for (double y : {5.5, 8.0, 10.5, 13.0})
        p.drawLine(QPointF(5, y), QPointF(11, y));
}

void drawMonitor(QPainter &p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0x5c, 0x9c, 0xe6));
    p.drawRect(QRectF(1.5, 2.5, 13, 9));
    p.setBrush(kInk);
    p.drawRect(QRectF(6, 11.5, 4, 2));
    p.drawRect(QRectF(4, 13.5, 8, 1));
}

void drawComputer(QPainter &p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0xcf, 0xd8, 0xdc));
    p.drawRect(QRectF(4.5, 1.5, 7, 13));
    p.setPen(QPen(kBlue, 1));
    p.drawLine(QPointF(6, 4), QPointF(10, 4));
    p.drawLine(QPointF(6, 6), QPointF(10, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QRectF(7, 11, 2, 2));
}

void drawChip(QPainter &p)
{
    p.setPen(QPen(kInk, 1));
    for (int i = 0; i < 4; ++i) {
        const double c = 4.5 + i * 2.3;
        p.drawLine(QPointF(c, 0.5), QPointF(c, 3));
        p.drawLine(QPointF(c, 13), QPointF(c, 15.5));
        p.drawLine(QPointF(0.5, c), QPointF(3, c));
        p.drawLine(QPointF(13, c), QPointF(15.5, c));
    }
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x90, 0xa4, 0xae));
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
}

void drawLayers(QPainter &p)
{
    const QColor colours[3] = {kBlue.lighter(150), kBlue.lighter(120), kBlue};
    for (int i = 0; i < 3; ++i) {
        QPainterPath d;
        const double y = 3 + i * 3.5;
        d.moveTo(8, y);
        d.lineTo(14.5, y + 3);
        d.lineTo(8, y + 6);
        d.lineTo(1.5, y + 3);
        d.closeSubpath();
        p.setPen(QPen(kBlue.darker(140), 1));
        p.setBrush(colours[i]);
        p.drawPath(d);
    }
}

void drawChain(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x60, 0x7d, 0x8b), 2));
    p.drawRoundedRect(QRectF(1.5, 4.5, 8, 5), 2.5, 2.5);
    p.setPen(QPen(QColor(0x8e, 0x24, 0xaa), 2));
    p.drawRoundedRect(QRectF(6.5, 6.5, 8, 5), 2.5, 2.5);
}

void drawDependency(QPainter &p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(8.5, 6.5, 6, 8));
    p.setPen(QPen(QColor(0xef, 0x6c, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(1.5, 3), QPointF(7.5, 9));
    p.drawLine(QPointF(7.5, 9), QPointF(7.5, 5.5));
    p.drawLine(QPointF(7.5, 9), QPointF(4, 9));
}

void drawGear(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x54, 0x6e, 0x7a));
    p.save();
    p.translate(8, 8);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.25, -7.5, 2.5, 3));
        p.rotate(45);
    }
    p.restore();
    p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6, 6, 4, 4));
}

void drawFactory(QPainter &p)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0x8d, 0x6e, 0x63));
    QPainterPath f;
    f.moveTo(1.5, 14.5);
    f.lineTo(1.5, 7);
    f.lineTo(5.5, 9.5);
    f.lineTo(5.5, 7);
    f.lineTo(9.5, 9.5);
    f.lineTo(9.5, 2);
    f.lineTo(13.5, 2);
    f.lineTo(13.5, 14.5);
    f.closeSubpath();
    p.drawPath(f);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x82));
    p.drawRect(QRectF(3, 11, 2, 2));
    p.drawRect(QRectF(7, 11, 2, 2));
    p.drawRect(QRectF(10.5, 5, 2, 2));
}

void drawTag(QPainter &p)
{
    p.setPen(QPen(QColor(0x00, 0x69, 0x5c), 1));
    p.setBrush(QColor(0x26, 0xa6, 0x9a));
    QPainterPath t;
    t.moveTo(1.5, 4.5);
    t.lineTo(10.5, 4.5);
    t.lineTo(14.5, 8);
    t.lineTo(10.5, 11.5);
    t.lineTo(1.5, 11.5);
    t.closeSubpath();
    p.drawPath(t);
    drawLetters(p, QRectF(1.5, 4.5, 10, 7), QStringLiteral("v"), Qt::white, 8);
}

void drawDot(QPainter &p, const QColor &colour)
{
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
}

void drawStripImage(QPainter &p, int index)
{
    const Tile tile = vendorTile(index);
    if (tile.letters) {
        drawTile(p, tile);
        return;
    }
    switch (index) {
    case kIconEntryPoints: drawBadge(p, QColor(0x78, 0x90, 0x9c), QStringLiteral("f")); break;
    case kIconGroupClosed: drawFolder(p, false); break;
    case kIconGroupOpen: drawFolder(p, true); break;
    case 17: drawLayers(p); break;                                 // core features
    case 18: drawBadge(p, kGreen, QStringLiteral("+")); break;     // supported
    case 19: drawBadge(p, kRed, QStringLiteral("\u2212")); break;  // unsupported
    case 20: drawCircleMark(p, kBlue, QStringLiteral("i")); break; // section heads
    case 21: drawMonitor(p); break;                                // display lines
    case 22: drawComputer(p); break;                               // system line
    case 25: drawChip(p); break;                                   // renderer, memory
    case kIconAvailable: drawCheck(p, kGreen); break;
    case kIconMissing: drawCross(p, kRed); break;
    case 28: drawDocument(p, kBlue); break;               // version facts
    case 29: drawChain(p); break;                         // alias, affected by
    case 30: drawDependency(p); break;                    // dependencies
    case 33: drawGear(p); break;                          // driver lines
    case 34: drawFactory(p); break;                       // vendor
    case 35: drawTag(p); break;                           // versions
    case 23: drawDot(p, QColor(0x90, 0xa4, 0xae)); break; // positions no tree uses
    case 31: drawDot(p, QColor(0x4d, 0xb6, 0xac)); break;
    case 32: drawDot(p, QColor(0xba, 0x68, 0xc8)); break;
    case 36: drawDot(p, QColor(0xff, 0xb7, 0x4d)); break;
    default: break;
    }
}

// The vendor logo table of the summary page: the first key that GL_VENDOR
// contains picks the logo.  After the historical vendors come the vendor
// texts of today's Mesa drivers.
struct LogoEntry {
    const char *key;
    int id;
};
const LogoEntry kLogoTable[] = {
    {"ATI Technologies Inc.", 132},
    {"Brian Paul", 279},
    {"Diamond Multimedia", 131},
    {"Intel", 136},
    {"Intergraph Corporation", 135},
    {"Imagination Technologies", 133},
    {"Matrox", 137},
    {"Microsoft Corporation", 160},
    {"Microsoft", 160},
    {"NVIDIA Corporation", 138},
    {"ATI", 132},
    {"3Dfx Interactive Inc.", 130},
    {"METABYTE/WICKED3D", 130},
    {"3Dlabs", 131},
    {"S3", 139},
    {"S3 Graphics, Incorporated", 139},
    {"S3 Incorporated", 139},
    {"SGI", 162},
    {"SiS", 142},
    {"Trident", 148},
    {"SciTech Software, Inc.", 165},
    {"Mesa project: www.mesa3d.org", 279},
    {"Tungsten Graphics, Inc", kMissingLogo},
    {"XGI", 154},
    {"Mesa", 279},
    {"VMware", 279},
    {"AMD", 132},
};

struct LogoLook {
    const char *name;
    QRgb colour;
};

LogoLook logoLook(int id)
{
    switch (id) {
    case 130: return {"3dfx", 0xff6b4e9b};
    case 131: return {"3Dlabs", 0xff283593};
    case 132: return {"ATI", 0xffc8102e};
    case 133: return {"IMG", 0xffef6c00};
    case 135: return {"Intergraph", 0xff5d4037};
    case 136: return {"Intel", 0xff0071c5};
    case 137: return {"Matrox", 0xff00897b};
    case 138: return {"NVIDIA", 0xff76b900};
    case 139: return {"S3", 0xffd84315};
    case 142: return {"SiS", 0xff00838f};
    case 148: return {"Trident", 0xff1565c0};
    case 154: return {"XGI", 0xffad1457};
    case 160: return {"Microsoft", 0xff00a4ef};
    case 162: return {"SGI", 0xff6a1b9a};
    case 165: return {"SciTech", 0xff4e342e};
    case 279: return {"Mesa", 0xff3b6e3b};
    default: return {nullptr, 0};
    }
}

QPixmap toPixmap(QImage image, qreal dpr)
{
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(image);
}

} // namespace

QImage renderStripImage(int index, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index < 0 || index >= kStripIconCount)
        return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / double(kStripIconSize), size / double(kStripIconSize));
    drawStripImage(p, index);
    return image;
}

QImage renderStrip(int size)
{
    QImage strip(size * kStripIconCount, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < kStripIconCount; ++i)
        p.drawImage(i * size, 0, renderStripImage(i, size));
    return strip;
}

QIcon stripIcon(int index)
{
    return treeIcon(index, index);
}

QIcon treeIcon(int image0, int image1)
{
    if (image0 < 0 || image0 >= kStripIconCount)
        return QIcon();
    if (image1 < 0 || image1 >= kStripIconCount)
        image1 = image0;
    static QHash<int, QIcon> cache;
    const int key = image0 * kStripIconCount + image1;
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    QIcon icon;
    for (int size : {kStripIconSize, 2 * kStripIconSize}) {
        icon.addPixmap(QPixmap::fromImage(renderStripImage(image0, size)), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(renderStripImage(image1, size)), QIcon::Selected);
    }
    cache.insert(key, icon);
    return icon;
}

QIcon vendorIcon(const char *vendorName)
{
    return vendorName ? stripIcon(tsGetVendorImageIcon(vendorName)) : QIcon();
}

QIcon extensionIcon(const tsExtension *extension)
{
    return extension ? stripIcon(tsGetExtensionImageIcon(extension)) : QIcon();
}

int vendorLogoId(const char *vendor)
{
    if (!vendor)
        return kGenericLogo;
    for (const LogoEntry &entry : kLogoTable)
        if (std::strstr(vendor, entry.key))
            return entry.id;
    return kGenericLogo;
}

QPixmap vendorLogo(int id, qreal devicePixelRatio)
{
    const int size = qRound(96 * devicePixelRatio);
    if (id == kGenericLogo)
        return toPixmap(renderAppIcon(size), devicePixelRatio);
    const LogoLook look = logoLook(id);
    if (!look.name)
        return QPixmap();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(devicePixelRatio, devicePixelRatio);
    const QColor colour = QColor::fromRgba(look.colour);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2, 2, 92, 92), 14, 14);
    p.setBrush(colour.lighter(125));
    p.drawRoundedRect(QRectF(2, 2, 92, 30), 14, 14);
    p.drawRect(QRectF(2, 18, 92, 14));
    drawLetters(p, QRectF(8, 36, 80, 44), QString::fromLatin1(look.name), Qt::white, 30);
    p.end();
    return toPixmap(image, devicePixelRatio);
}

QPixmap bannerPixmap(qreal devicePixelRatio)
{
    const int w = qRound(500 * devicePixelRatio), h = qRound(40 * devicePixelRatio);
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(devicePixelRatio, devicePixelRatio);
    QLinearGradient fade(0, 0, 500, 0);
    fade.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
    fade.setColorAt(1, QColor(0x1f, 0x3a, 0x5f, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(fade);
    p.drawRoundedRect(QRectF(0, 0, 500, 40), 6, 6);
    p.drawImage(QRectF(4, 4, 32, 32), renderAppIcon(qRound(32 * devicePixelRatio)));
    drawLetters(p, QRectF(44, 4, 160, 32), QStringLiteral("Lumenscope"), Qt::white, 22);
    p.end();
    return toPixmap(image, devicePixelRatio);
}

} // namespace tessera
