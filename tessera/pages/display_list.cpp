#include "pages/display_list.h"

#include <QVBoxLayout>

#include <algorithm>

#include "app/app_state.h"
#include "app/languages.h"
#include "pages/list_page.h"

namespace tessera {
namespace {

// What a cell shows.
enum class Cell { Number, YesNo, Hardware, PixelType, AlwaysNo };

struct Column {
    const char *title;
    Qt::Alignment alignment;
    int width;
    Cell cell;
    uint8_t tsPixelFormat::*member; // null for the ID and the ICD/MCD columns
};

const Column kColumns[] = {
    {"ID", Qt::AlignLeft, 31, Cell::Number, nullptr},
    {"D buff", Qt::AlignLeft, 46, Cell::YesNo, &tsPixelFormat::double_buffer},
    {"Z buff", Qt::AlignLeft, 46, Cell::Number, &tsPixelFormat::depth_bits},
    {"St buff", Qt::AlignLeft, 50, Cell::Number, &tsPixelFormat::stencil_bits},
    {"Color bits", Qt::AlignLeft, 62, Cell::Number, &tsPixelFormat::color_bits},
    {"Acc buff", Qt::AlignLeft, 56, Cell::Number, &tsPixelFormat::accum_bits},
    {"Multisample", Qt::AlignRight, 72, Cell::Number, &tsPixelFormat::samples},
    {"OpenGL", Qt::AlignRight, 55, Cell::YesNo, &tsPixelFormat::support_opengl},
    {"Stereo", Qt::AlignRight, 49, Cell::YesNo, &tsPixelFormat::stereo},
    {"Hardware", Qt::AlignLeft, 65, Cell::Hardware, &tsPixelFormat::acceleration},
    {"Pixel type", Qt::AlignRight, 68, Cell::PixelType, &tsPixelFormat::pixel_type},
    {"ICD", Qt::AlignLeft, 46, Cell::AlwaysNo, nullptr},
    {"MCD", Qt::AlignLeft, 46, Cell::AlwaysNo, nullptr},
    {"DrawBitmap", Qt::AlignLeft, 68, Cell::YesNo, &tsPixelFormat::draw_to_bitmap},
    {"DrawWindow", Qt::AlignLeft, 68, Cell::YesNo, &tsPixelFormat::draw_to_window},
    {"Underlays", Qt::AlignRight, 72, Cell::Number, &tsPixelFormat::number_underlays},
    {"Overlays", Qt::AlignRight, 72, Cell::Number, &tsPixelFormat::number_overlays},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);

} // namespace

CDisplayList::CDisplayList(AppState &state, QWidget *parent)
    : TabPage(state, parent), list_(new SortedList([this](int a, int b, int column) {
          return compare(formats_, a, b, column);
      }))
{
    setObjectName(QStringLiteral("CDisplayList"));
    list_->setObjectName(QStringLiteral("pixelFormats"));
    QStringList titles;
    for (const Column &c : kColumns)
        titles << QString::fromLatin1(c.title);
    list_->setHeaderLabels(titles);
    for (int c = 0; c < kColumnCount; ++c) {
        list_->setColumnWidth(c, kColumns[c].width);
        list_->headerItem()->setTextAlignment(c, kColumns[c].alignment | Qt::AlignVCenter);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}

int CDisplayList::compare(const QVector<tsPixelFormat> &formats, int a, int b, int column)
{
    if (column < 0 || column >= kColumnCount)
        return 0;
    const Column &c = kColumns[column];
    if (column == 0)
        return threeWay(a, b);
    if (!c.member)
        return 0;
    const unsigned x = formats[a].*c.member, y = formats[b].*c.member;
    return c.cell == Cell::Hardware ? threeWay(y, x) : threeWay(x, y);
}

void CDisplayList::refresh()
{
    ++refreshes_;
    list_->clear();
    // The page keeps its own copy: a report loaded later replaces the record.
    const tsRendererCaps &caps = state_.current().caps;
    const int count = std::clamp<int>(caps.pixelFormatCount, 0, TS_MAX_PIXEL_FORMATS);
    formats_ = QVector<tsPixelFormat>(caps.pixelFormats, caps.pixelFormats + count);
    const QIcon formatIcon = listIcon(ListImage::PixelFormat);
    const QIcon yesIcon = listIcon(ListImage::Yes), noIcon = listIcon(ListImage::No);
    const QString yes = QString::fromStdString(LoadText(185));
    const QString no = QString::fromStdString(LoadText(186));
    for (int i = 0; i < count; ++i) {
        const tsPixelFormat &f = formats_[i];
        QTreeWidgetItem *row = list_->addRow(i);
        row->setIcon(0, formatIcon);
        for (int c = 0; c < kColumnCount; ++c) {
            const Column &col = kColumns[c];
            const unsigned value = col.member ? unsigned(f.*col.member) : 0;
            switch (col.cell) {
            case Cell::Number: row->setText(c, QString::number(col.member ? value : i + 1)); break;
            case Cell::YesNo:
                row->setText(c, value > 0 ? yes : no);
                row->setIcon(c, value > 0 ? yesIcon : noIcon);
                break;
            case Cell::Hardware:
                row->setText(c, value ? QStringLiteral("Full") : QStringLiteral("None"));
                break;
            case Cell::PixelType:
                row->setText(c, value ? QStringLiteral("INDEX") : QStringLiteral("RGBA"));
                break;
            case Cell::AlwaysNo:
                row->setText(c, no);
                row->setIcon(c, noIcon);
                break;
            }
            row->setTextAlignment(c, col.alignment | Qt::AlignVCenter);
        }
    }
    // The listed widths, widened where an image and a text need more.
    for (int c = 0; c < kColumnCount; ++c)
        list_->fitColumn(c, kColumns[c].width);
}

} // namespace tessera
