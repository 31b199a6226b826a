// The images of the viewer's trees and pages, all drawn by code: the strip
// of 41 tree icons (16 x 16, and 32 x 32 for a display scale of 2), the
// vendor icons of that strip as lettered tiles, the 96 x 96 vendor logos of
// the summary page and its 500 x 40 banner.
//
// Strip indices are the ones the tree builders of sounder write into their
// items (image0 / image1) and the ones tsGetVendorImageIcon and
// tsGetExtensionImageIcon return for vendors.
#ifndef TESSERA_CONTROLS_ICONS_H
#define TESSERA_CONTROLS_ICONS_H

#include <QIcon>
#include <QImage>
#include <QPixmap>

struct tsExtension;

namespace tessera {

constexpr int kStripIconCount = 41;
constexpr int kStripIconSize = 16;

// Strip positions the pages name themselves (the others come from the trees).
enum StripIcon {
    kIconEntryPoints = 10,
    kIconGroupClosed = 15,
    kIconGroupOpen = 16,
    kIconAvailable = 26,
    kIconMissing = 27,
};

// The image at strip position index drawn at size x size pixels (16 or 32;
// any size works); a transparent image for an index outside the strip.
QImage renderStripImage(int index, int size);

// The whole strip: kStripIconCount images of size x size side by side.
QImage renderStrip(int size);

// Icon of strip position index with its 16 and 32 pixel images; a null icon
// outside the strip.
QIcon stripIcon(int index);

// Icon of a tree line: image0 as its normal image, image1 as its selected
// (QIcon::Selected) image.  Icons are built once per pair and shared.
QIcon treeIcon(int image0, int image1);

// Icon of a vendor name (a database vendor's name or GL_VENDOR) through
// tsGetVendorImageIcon; a null icon when no vendor key matches.
QIcon vendorIcon(const char *vendorName);
// Icon of an extension's vendor word through tsGetExtensionImageIcon.
QIcon extensionIcon(const tsExtension *extension);

// Logo image ids of the summary page.
constexpr int kGenericLogo = 161;
constexpr int kMissingLogo = 280; // named by the table, drawn as nothing

// The logo id for a GL_VENDOR text: the first entry of the vendor logo table
// whose key the text contains (case-sensitive), else kGenericLogo; a null
// vendor gives kGenericLogo.
int vendorLogoId(const char *vendor);

// The 96 x 96 logo of id, drawn at devicePixelRatio; a null pixmap for an id
// that has no image (kMissingLogo and unknown ids).
QPixmap vendorLogo(int id, qreal devicePixelRatio = 1.0);

// The 500 x 40 banner of the summary page.
QPixmap bannerPixmap(qreal devicePixelRatio = 1.0);

} // namespace tessera

#endif
