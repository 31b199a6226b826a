#include "pages/browser_tab.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QUrl>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/icon_list.h"
#include "controls/icons.h"
#include "controls/open_url.h"
#include "pages/ext_links.h"
#include "sounder/database.h"
#include "sounder/links.h"

namespace tessera {

int BrowserTab::filterIndex_ = 0;

namespace {

enum { kVendors = 0, kRenderers = 1, kExtensions = 2 };

// "All (%d vendor)" / "All (%d vendors)" and the same for the other lists;
// the text is a format from the language file, so it goes through the
// checked formatter.
QString countLine(int which, std::size_t count)
{
    const int id = 348 + 2 * which + (count < 2 ? 0 : 1);
    return QString::fromStdString(formatText(LoadText(id), {std::to_string(count)}));
}

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

} // namespace

BrowserTab::BrowserTab(AppState &state, QWidget *parent) : TabPage(state, parent)
{
    setObjectName(QStringLiteral("BrowserTab"));
    setAccessibleName(QStringLiteral("BrowserTab"));
    static const char *const kNames[3] = {"vendors", "renderers", "extensions"};
    // One image list for the three lists: the tree strip, whose vendor
    // positions tsGetVendorImageIcon and tsGetExtensionImageIcon name.
    QVector<QIcon> strip;
    for (int i = 0; i < kStripIconCount; ++i)
        strip.append(stripIcon(i));
    for (int i = 0; i < 3; ++i) {
        lists_[i] = new IconList(this);
        lists_[i]->setObjectName(QString::fromLatin1(kNames[i]));
        lists_[i]->setSelectionMode(QAbstractItemView::ExtendedSelection);
        lists_[i]->setImageList(strip);
    }
    // A selection is handled once the list has settled: keyboard moves
    // select before they move the current line, and the "All" rule asks
    // for the current line.
    for (int i = 0; i < 3; ++i)
        connect(lists_[i], &QListWidget::itemSelectionChanged, this, [this, i] {
            if (pending_[i])
                return;
            pending_[i] = true;
            QMetaObject::invokeMethod(
                this,
                [this, i] {
                    pending_[i] = false;
                    if (i == kVendors)
                        vendorSelectionChanged();
                    else if (i == kRenderers)
                        rendererSelectionChanged();
                    else
                        extensionSelectionChanged();
                },
                Qt::QueuedConnection);
        });

    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("filter"));
    connect(filter_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int) { refresh(0); });
    showAll_ = new QPushButton(this);
    showAll_->setObjectName(QStringLiteral("showAll"));
    connect(showAll_, &QPushButton::clicked, this, &BrowserTab::showAll);
    version_ = new QLabel(this);
    version_->setObjectName(QStringLiteral("version"));
    version_->setTextFormat(Qt::PlainText);
    details_ = new QPushButton(this);
    details_->setObjectName(QStringLiteral("details"));
    connect(details_, &QPushButton::clicked, this, &BrowserTab::showDetails);
    copy_ = new QPushButton(this);
    copy_->setObjectName(QStringLiteral("copy"));
    connect(copy_, &QPushButton::clicked, this, &BrowserTab::copyToClipboard);
}

void BrowserTab::refresh(int mode)
{
    ++refreshes_;
    int filter = filter_->currentIndex();
    if (filter < 0)
        filter = mode == 0 ? filterIndex_ : 0;
    filterIndex_ = filter;
    if (mode == 0) {
        const QSignalBlocker block(filter_);
        filter_->clear();
        filter_->addItems(
            {text(355), QStringLiteral("Mac"), QStringLiteral("Win"), QStringLiteral("Linux")});
        filter_->setCurrentIndex(filterIndex_ < kBrowserFilterCount ? filterIndex_ : 0);
    }
    details_->setText(text(212));
    showAll_->setText(text(355));
    copy_->setText(text(302));

    const tsDatabase *db = state_.db;
    switch (mode) {
    case 0:
        model_.listAll(db, filter);
        version_->clear();
        break;
    case 1: model_.selectVendors(db, filter, selectedRecords(kVendors, model_.vendors())); break;
    case 2:
        model_.selectRenderers(db, filter, selectedRecords(kRenderers, model_.renderers()));
        break;
    case 3:
        model_.selectExtensions(db, filter, selectedRecords(kExtensions, model_.extensions()));
        break;
    default: return;
    }
    if (mode == 0 || mode == 3)
        fillList(kVendors);
    if (mode != 2)
        fillList(kRenderers);
    if (mode != 3)
        fillList(kExtensions);
}

template <class T>
std::vector<const T *> BrowserTab::selectedRecords(int which,
                                                   const std::vector<const T *> &listed) const
{
    // Line 0 is the "All" line and stands for no record.
    std::vector<const T *> out;
    const IconList *list = lists_[which];
    for (int row = 1; row < list->count(); ++row)
        if (list->item(row)->isSelected() && static_cast<std::size_t>(row - 1) < listed.size())
            out.push_back(listed[static_cast<std::size_t>(row - 1)]);
    return out;
}

void BrowserTab::fillList(int which)
{
    IconList *list = lists_[which];
    const QSignalBlocker block(list);
    list->setUpdatesEnabled(false);
    list->clear();
    switch (which) {
    case kVendors:
        list->addString(countLine(which, model_.vendors().size()));
        for (const tsVendor *v : model_.vendors())
            list->addString(QString::fromUtf8(v->name), tsGetVendorImageIcon(v->name));
        break;
    case kRenderers:
        list->addString(countLine(which, model_.renderers().size()));
        for (const tsRenderer *r : model_.renderers())
            list->addString(QString::fromUtf8(r->name),
                            r->vendor ? tsGetVendorImageIcon(r->vendor->name) : -1);
        break;
    default:
        list->addString(countLine(which, model_.extensions().size()));
        for (const tsExtension *e : model_.extensions())
            list->addString(QString::fromUtf8(e->name), tsGetExtensionImageIcon(e));
        break;
    }
    list->setUpdatesEnabled(true);
}

void BrowserTab::selectAllLine(int which)
{
    IconList *list = lists_[which];
    const QSignalBlocker block(list);
    list->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void BrowserTab::vendorSelectionChanged()
{
    if (lists_[kVendors]->currentRow() == 0) {
        refresh(0);
        selectAllLine(kVendors);
    } else {
        refresh(1);
    }
}

void BrowserTab::rendererSelectionChanged()
{
    if (lists_[kRenderers]->currentRow() == 0) {
        refresh(0);
        selectAllLine(kRenderers);
        return;
    }
    refresh(2);
    const tsRenderer *first = model_.firstRenderer();
    version_->setText(first ? QString::fromUtf8(first->version) : QString());
}

void BrowserTab::extensionSelectionChanged()
{
    if (lists_[kExtensions]->currentRow() == 0) {
        refresh(0);
        selectAllLine(kExtensions);
        return;
    }
    refresh(3);
    // The version under which the chosen extension lists the renderer
    // chosen before; empty when there is no such link.
    const char *version = model_.linkVersion();
    version_->setText(version ? QString::fromUtf8(version) : QString());
}

void BrowserTab::showAll()
{
    {
        const QSignalBlocker block(lists_[kVendors]);
        lists_[kVendors]->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
    vendorSelectionChanged();
}

QString BrowserTab::detailsUrl(const char *extension) const
{
    if (!extension || !*extension)
        return QString();
    // The Corvane site (5) is the local renderer list, not a page: the
    // registry stands in for it.
    int site = state_.linkIndex;
    if (site == kRendererListSite || site < 0 || site > 7)
        site = 0;
    // The extensions view's link, opened only when it is a web page with a
    // host, whatever a language file made of the site's base.
    const QString url = extensionLink(site, QString::fromUtf8(extension));
    const QString scheme = QUrl(url).scheme().toLower();
    const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    return web && isOpenableUrl(url) ? url : QString();
}

void BrowserTab::showDetails()
{
    const std::vector<const tsExtension *> chosen =
        selectedRecords(kExtensions, model_.extensions());
    if (chosen.empty())
        return;
    const QString url = detailsUrl(chosen.front()->name);
    if (url.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"),
                        QStringLiteral("No web page is known for %1 on this site.")
                            .arg(QString::fromUtf8(chosen.front()->name)),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    OpenUrl(this, url);
}

QString BrowserTab::copyText() const
{
    QString out;
    auto add = [&out](const auto &chosen, const auto &listed) {
        for (const auto *record : chosen.empty() ? listed : chosen)
            out += QString::fromUtf8(record->name) + QLatin1Char('\n');
        out += QLatin1Char('\n');
    };
    add(selectedRecords(kVendors, model_.vendors()), model_.vendors());
    add(selectedRecords(kRenderers, model_.renderers()), model_.renderers());
    add(selectedRecords(kExtensions, model_.extensions()), model_.extensions());
    return out;
}

void BrowserTab::copyToClipboard()
{
    QApplication::clipboard()->setText(copyText());
}

void BrowserTab::resizeEvent(QResizeEvent *event)
{
    TabPage::resizeEvent(event);
    layoutControls();
}

void BrowserTab::layoutControls()
{
    // Three lists in equal thirds below a 15-pixel margin; 65 pixels at
    // the bottom for the controls.
    const int w = width(), h = height();
    const int margin = 10, gap = 6, top = 15, bottom = 65;
    const int inner = std::max(0, w - 2 * margin - 2 * gap);
    const int third = inner / 3;
    const int listHeight = std::max(0, h - top - bottom);
    for (int i = 0; i < 3; ++i)
        lists_[i]->setGeometry(margin + i * (third + gap), top, third, listHeight);
    const int row1 = h - bottom + 8, row2 = h - bottom + 36, rowHeight = 24;
    filter_->setGeometry(margin, row1, std::max(100, third), rowHeight);
    showAll_->setGeometry(margin + third + gap, row1, 100, rowHeight);
    version_->setGeometry(margin + 2 * (third + gap), row1, third, rowHeight);
    details_->setGeometry(margin, row2, 100, rowHeight);
    copy_->setGeometry(w - margin - 160, row2, 160, rowHeight);
}

} // namespace tessera
