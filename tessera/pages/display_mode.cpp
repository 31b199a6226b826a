#include "pages/display_mode.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

#include "app/app_state.h"
#include "app/languages.h"
#include "pages/list_page.h"

namespace tessera {

CDisplayMode::CDisplayMode(AppState &state, QWidget *parent)
    : TabPage(state, parent), list_(new SortedList([this](int a, int b, int column) {
          return compare(modes_, a, b, column);
      }))
{
    setObjectName(QStringLiteral("CDisplayMode"));
    list_->setObjectName(QStringLiteral("displayModes"));
    list_->setHeaderLabels({QStringLiteral("ID"), QString::fromStdString(LoadText(145)),
                            QString::fromStdString(LoadText(146)),
                            QString::fromStdString(LoadText(147)), QStringLiteral("Hz")});
    for (int c = 0; c < 5; ++c)
        list_->setColumnWidth(c, 60);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}

int CDisplayMode::compare(const QVector<tsDisplayMode> &modes, int a, int b, int column)
{
    const tsDisplayMode &x = modes[a];
    const tsDisplayMode &y = modes[b];
    switch (column) {
    case 0: return threeWay(a, b);
    case 1:
    case 2: // the area of a 65535 x 65535 mode does not fit 32 signed bits
        return threeWay(uint64_t(x.width) * x.height, uint64_t(y.width) * y.height);
    case 3: return threeWay<unsigned>(x.bitsPerPixel, y.bitsPerPixel);
    case 4: return threeWay<unsigned>(x.refreshRate, y.refreshRate);
    default: return 0;
    }
}

void CDisplayMode::refresh()
{
    ++refreshes_;
    list_->clear();
    // The page keeps its own copy: a report loaded later replaces the record.
    const tsRendererCaps &caps = state_.current().caps;
    const int count = std::clamp<int>(caps.displayModeCount, 0, TS_MAX_DISPLAY_MODES);
    modes_ = QVector<tsDisplayMode>(caps.displayModes, caps.displayModes + count);
    const QIcon icon = listIcon(ListImage::DisplayMode);
    for (int i = 0; i < count; ++i) {
        const tsDisplayMode &m = modes_[i];
        QTreeWidgetItem *row = list_->addRow(i);
        row->setIcon(0, icon);
        row->setText(0, QString::number(i));
        row->setText(1, QString::number(unsigned(m.width)));
        row->setText(2, QString::number(unsigned(m.height)));
        row->setText(3, QString::number(unsigned(m.bitsPerPixel)));
        row->setText(4, QString::number(unsigned(m.refreshRate)));
    }
    for (int c = 0; c < 5; ++c)
        list_->fitColumn(c, 60);
}

} // namespace tessera
