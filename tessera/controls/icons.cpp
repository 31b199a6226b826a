#include "controls/icons.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/icon.h"
#include "sounder/links.h"

namespace tessera {
namespace {

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

// What one step of a strip image draws, in the 16-pixel units of the strip.
// The lettered kinds stand for a whole icon of fixed geometry.
enum Shape {
    Tile,    // vendor tile: rounded square without edge, white initials
    Badge,   // rounded square with a darker edge, a white mark
    Mark,    // circle with a darker edge, a white mark
    Dot,     // small circle with a darker edge
    Rects,   // x, y, w, h for each rectangle
    Rounds,  // x, y, w, h, radius for each rounded rectangle
    Circles, // x, y, w, h for each ellipse
    Polygon, // closed path through x0, y0, x1, y1, ...
    Polyline,
    Lines,  // x0, y0, x1, y1 for each line
    Spokes, // the rectangle x, y, w, h turned eight times by 45 degrees round (8, 8)
    Letters // white text in x, y, w, h, at most v[4] units high
};

constexpr QRgb kNone = 0; // no pen, no brush
constexpr QRgb kEdge = 1; // pen: the brush's colour darkened by 130 %

// One step of a strip image, in drawing order; the lettered kinds need no
// more than the icon, the colour and the text.
struct Step {
    int icon;
    Shape shape;
    QRgb brush;
    const char *text = nullptr;
    QRgb pen = kEdge;
    double width = 1; // pen width; negative: round caps and joins
    std::initializer_list<double> v = {};
};

const QRgb kInkRgb = kInk.rgba(), kBlueRgb = kBlue.rgba(), kPaperRgb = kPaper.rgba();
const QRgb kFolderRgb = kFolder.rgba(), kFolderDarkRgb = kFolderDark.rgba();
const QRgb kFolderBack = kFolder.darker(110).rgba();
const QRgb kLayerEdge = kBlue.darker(140).rgba();

// Strip positions 0-14, 24 and 37-40 are the vendor tiles (the values of
// tsGetVendorImageIcon and tsGetExtImageIcon); position 10 is the icon of
// every other vendor word and of entry-point groups: a neutral function tile.
// clang-format off
const Step kSteps[] = {
    {0, Tile, 0xff6b4e9b, "3D"}, // 3Dfx
    {1, Tile, 0xff7a7a7a, "Ap"}, // Apple
    {2, Tile, 0xffc8102e, "ATI"},
    {3, Tile, 0xff2e7d32, "EXT"}, // multi-vendor
    {4, Tile, 0xff0096d6, "HP"},
    {5, Tile, 0xff1f70c1, "IBM"},
    {6, Tile, 0xff0071c5, "In"}, // Intel
    {7, Tile, 0xff5d4037, "IG"}, // Intergraph
    {8, Tile, 0xff8d6e63, "KTX"},
    {9, Tile, 0xff76b900, "NV"}, // NVIDIA
    {11, Tile, 0xffd84315, "S3"},
    {12, Tile, 0xff6a1b9a, "SGI"},
    {13, Tile, 0xfff9a825, "SUN"},
    {14, Tile, 0xff00a4ef, "MS"}, // Microsoft
    {24, Tile, 0xff455a64, "TG"}, // Tungsten
    {37, Tile, 0xff00838f, "SiS"},
    {38, Tile, 0xffad1457, "XGI"},
    {39, Tile, 0xff283593, "3DL"}, // 3Dlabs
    {40, Tile, 0xffef6c00, "IMG"}, // Imagination
    {kIconEntryPoints, Badge, 0xff78909c, "f"},
    {18, Badge, kGreen.rgba(), "+"},    // supported
    {19, Badge, kRed.rgba(), "\u2212"}, // unsupported
    {20, Mark, kBlueRgb, "i"},          // section heads
    {23, Dot, 0xff90a4ae},              // positions no tree uses
    {31, Dot, 0xff4db6ac},
    {32, Dot, 0xffba68c8},
    {36, Dot, 0xffffb74d},
    // Folders of groups, closed and open.
    {kIconGroupClosed, Polygon, kFolderBack, nullptr, kFolderDarkRgb, 1,
     {1.5, 3.5, 6, 3.5, 7.5, 5, 14.5, 5, 14.5, 13.5, 1.5, 13.5}},
    {kIconGroupClosed, Rects, kFolderRgb, nullptr, kFolderDarkRgb, 1, {1.5, 6.5, 13, 7}},
    {kIconGroupOpen, Polygon, kFolderBack, nullptr, kFolderDarkRgb, 1,
     {1.5, 3.5, 6, 3.5, 7.5, 5, 14.5, 5, 14.5, 13.5, 1.5, 13.5}},
    {kIconGroupOpen, Polygon, kFolderRgb, nullptr, kFolderDarkRgb, 1,
     {3.5, 7.5, 15.5, 7.5, 13.5, 13.5, 1.5, 13.5}},
    // Core features: three stacked layers.
    {17, Polygon, kBlue.lighter(150).rgba(), nullptr, kLayerEdge, 1, {8, 3, 14.5, 6, 8, 9, 1.5, 6}},
    {17, Polygon, kBlue.lighter(120).rgba(), nullptr, kLayerEdge, 1,
     {8, 6.5, 14.5, 9.5, 8, 12.5, 1.5, 9.5}},
    {17, Polygon, kBlueRgb, nullptr, kLayerEdge, 1, {8, 10, 14.5, 13, 8, 16, 1.5, 13}},
    // Display lines: a monitor.
    {21, Rects, 0xff5c9ce6, nullptr, kInkRgb, 1, {1.5, 2.5, 13, 9}},
    {21, Rects, kInkRgb, nullptr, kInkRgb, 1, {6, 11.5, 4, 2, 4, 13.5, 8, 1}},
    // System line: a computer case.
    {22, Rects, 0xffcfd8dc, nullptr, kInkRgb, 1, {4.5, 1.5, 7, 13}},
    {22, Lines, kNone, nullptr, kBlueRgb, 1, {6, 4, 10, 4, 6, 6, 10, 6}},
    {22, Circles, kGreen.rgba(), nullptr, kNone, 1, {7, 11, 2, 2}},
    // Renderer, memory: a chip with four pins a side, 2.3 apart.
    {25, Lines, kNone, nullptr, kInkRgb, 1, {
        4.5, 0.5, 4.5, 3, 4.5, 13, 4.5, 15.5, 0.5, 4.5, 3, 4.5, 13, 4.5, 15.5, 4.5,
        6.8, 0.5, 6.8, 3, 6.8, 13, 6.8, 15.5, 0.5, 6.8, 3, 6.8, 13, 6.8, 15.5, 6.8,
        9.1, 0.5, 9.1, 3, 9.1, 13, 9.1, 15.5, 0.5, 9.1, 3, 9.1, 13, 9.1, 15.5, 9.1,
        11.4, 0.5, 11.4, 3, 11.4, 13, 11.4, 15.5, 0.5, 11.4, 3, 11.4, 13, 11.4, 15.5, 11.4}},
    {25, Rounds, 0xff37474f, nullptr, kInkRgb, 1, {3, 3, 10, 10, 1.5}},
    {25, Rects, 0xff90a4ae, nullptr, kNone, 1, {5.5, 5.5, 5, 5}},
    {kIconAvailable, Polyline, kNone, nullptr, kGreen.rgba(), -2.4, {3, 8.5, 6.5, 12, 13, 4}},
    {kIconMissing, Lines, kNone, nullptr, kRed.rgba(), -2.4, {4, 4, 12, 12, 12, 4, 4, 12}},
    // Version facts: a page with lines.
    {28, Polygon, kPaperRgb, nullptr, kInkRgb, 1,
     {3.5, 1.5, 10, 1.5, 12.5, 4, 12.5, 14.5, 3.5, 14.5}},
    {28, Lines, kNone, nullptr, kBlueRgb, 1,
     {5, 5.5, 11, 5.5, 5, 8, 11, 8, 5, 10.5, 11, 10.5, 5, 13, 11, 13}},
    // Alias, affected by: two chain links.
    {29, Rounds, kNone, nullptr, 0xff607d8b, 2, {1.5, 4.5, 8, 5, 2.5}},
    {29, Rounds, kNone, nullptr, 0xff8e24aa, 2, {6.5, 6.5, 8, 5, 2.5}},
    // Dependencies: an arrow into a page.
    {30, Rects, kPaperRgb, nullptr, kInkRgb, 1, {8.5, 6.5, 6, 8}},
    {30, Lines, kNone, nullptr, 0xffef6c00, -2, {1.5, 3, 7.5, 9, 7.5, 9, 7.5, 5.5, 7.5, 9, 4, 9}},
    // Driver lines: a gear.
    {33, Spokes, 0xff546e7a, nullptr, kNone, 1, {-1.25, -7.5, 2.5, 3}},
    {33, Circles, 0xff546e7a, nullptr, kNone, 1, {2.5, 2.5, 11, 11}},
    {33, Circles, 0xffffffff, nullptr, kNone, 1, {6, 6, 4, 4}},
    // Vendor: a factory.
    {34, Polygon, 0xff8d6e63, nullptr, kInkRgb, 1,
     {1.5, 14.5, 1.5, 7, 5.5, 9.5, 5.5, 7, 9.5, 9.5, 9.5, 2, 13.5, 2, 13.5, 14.5}},
    {34, Rects, 0xffffe082, nullptr, kNone, 1, {3, 11, 2, 2, 7, 11, 2, 2, 10.5, 5, 2, 2}},
    // Versions: a tag.
    {35, Polygon, 0xff26a69a, nullptr, 0xff00695c, 1,
     {1.5, 4.5, 10.5, 4.5, 14.5, 8, 10.5, 11.5, 1.5, 11.5}},
    {35, Letters, kNone, "v", kNone, 1, {1.5, 4.5, 10, 7, 8}},
};
// clang-format on

// Draws one step with its pen and brush.
void drawStep(QPainter &p, const Step &s)
{
    const QColor brush = QColor::fromRgba(s.brush);
    QPen pen(s.pen == kEdge ? brush.darker(130) : QColor::fromRgba(s.pen), std::abs(s.width));
    if (s.width < 0) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    p.setPen(s.pen == kNone ? QPen(Qt::NoPen) : pen);
    p.setBrush(s.brush == kNone ? QBrush(Qt::NoBrush) : QBrush(brush));
    const QString text = QString::fromUtf8(s.text);
    const double *v = s.v.begin();
    const size_t n = s.v.size();
    const auto rect = [v](size_t i) { return QRectF(v[i], v[i + 1], v[i + 2], v[i + 3]); };
    switch (s.shape) {
    case Tile:
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        drawLetters(p, QRectF(1, 1, 14, 14), text, Qt::white, text.size() > 2 ? 7 : 9);
        break;
    case Badge:
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2.5, 2.5);
        drawLetters(p, QRectF(1.5, 1.5, 13, 13), text, Qt::white, 11);
        break;
    case Mark:
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        drawLetters(p, QRectF(1.5, 1.5, 13, 13), text, Qt::white, 10);
        break;
    case Dot: p.drawEllipse(QRectF(4.5, 4.5, 7, 7)); break;
    case Rects:
        for (size_t i = 0; i + 4 <= n; i += 4)
            p.drawRect(rect(i));
        break;
    case Rounds:
        for (size_t i = 0; i + 5 <= n; i += 5)
            p.drawRoundedRect(rect(i), v[i + 4], v[i + 4]);
        break;
    case Circles:
        for (size_t i = 0; i + 4 <= n; i += 4)
            p.drawEllipse(rect(i));
        break;
    case Polygon:
    case Polyline: {
        QPainterPath path;
        path.moveTo(v[0], v[1]);
        for (size_t i = 2; i + 2 <= n; i += 2)
            path.lineTo(v[i], v[i + 1]);
        if (s.shape == Polygon)
            path.closeSubpath();
        p.drawPath(path);
        break;
    }
    case Lines:
        for (size_t i = 0; i + 4 <= n; i += 4)
            p.drawLine(QPointF(v[i], v[i + 1]), QPointF(v[i + 2], v[i + 3]));
        break;
    case Spokes:
        p.save();
        p.translate(8, 8);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(rect(0));
            p.rotate(45);
        }
        p.restore();
        break;
    case Letters: drawLetters(p, rect(0), text, Qt::white, v[4]); break;
    }
}

// A transparent width x height image painted by draw in units of 1 / scale
// pixels.
template <typename Draw>
QImage painted(int width, int height, qreal scale, Draw draw)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    draw(p);
    return image;
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
    return painted(size, size, size / double(kStripIconSize), [index](QPainter &p) {
        for (const Step &step : kSteps)
            if (step.icon == index)
                drawStep(p, step);
    });
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
    const QColor colour = QColor::fromRgba(look.colour);
    return toPixmap(painted(size, size, devicePixelRatio,
                            [&](QPainter &p) {
                                p.setPen(Qt::NoPen);
                                p.setBrush(colour);
                                p.drawRoundedRect(QRectF(2, 2, 92, 92), 14, 14);
                                p.setBrush(colour.lighter(125));
                                p.drawRoundedRect(QRectF(2, 2, 92, 30), 14, 14);
                                p.drawRect(QRectF(2, 18, 92, 14));
                                drawLetters(p, QRectF(8, 36, 80, 44),
                                            QString::fromLatin1(look.name), Qt::white, 30);
                            }),
                    devicePixelRatio);
}

QPixmap bannerPixmap(qreal devicePixelRatio)
{
    const int w = qRound(500 * devicePixelRatio), h = qRound(40 * devicePixelRatio);
    QLinearGradient fade(0, 0, 500, 0);
    fade.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
    fade.setColorAt(1, QColor(0x1f, 0x3a, 0x5f, 0));
    return toPixmap(painted(w, h, devicePixelRatio,
                            [&](QPainter &p) {
                                p.setPen(Qt::NoPen);
                                p.setBrush(fade);
                                p.drawRoundedRect(QRectF(0, 0, 500, 40), 6, 6);
                                p.drawImage(QRectF(4, 4, 32, 32),
                                            renderAppIcon(qRound(32 * devicePixelRatio)));
                                drawLetters(p, QRectF(44, 4, 160, 32), QStringLiteral("Lumenscope"),
                                            Qt::white, 22);
                            }),
                    devicePixelRatio);
}

} // namespace tessera
