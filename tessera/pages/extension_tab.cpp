#include "pages/extension_tab.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <cstring>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/open_url.h"
#include "pages/ext_links.h"
#include "pages/info_tree.h"
#include "sounder/links.h"
#include "sounder/tree.h"

namespace tessera {
namespace {

constexpr int kMaxBoxText = 255;
constexpr int kMaxTypedText = 127;
constexpr int kPopupRows = 12;

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether [name, name + length) contains needle, ASCII letters in any case.
bool containsFolded(const char *name, size_t length, const QByteArray &needle)
{
    const size_t n = size_t(needle.size());
    if (n == 0 || n > length)
        return false;
    for (size_t start = 0; start + n <= length; ++start) {
        size_t i = 0;
        while (i < n && asciiLower(name[start + i]) == asciiLower(needle[qsizetype(i)]))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

} // namespace

CExtensionTab::CExtensionTab(AppState &state, QWidget *parent)
    : TabPage(state, parent), tree_(new InfoTree(this)), box_(new QLineEdit(this)),
      button_(new QPushButton(this)), status_(new QLabel(this)), popup_(new QListWidget(this))
{
    setObjectName(QStringLiteral("CExtensionTab"));
    setAccessibleName(QStringLiteral("Extensions"));

    tree_->setObjectName(QStringLiteral("extensionTree"));
    tree_->setAccessibleName(QStringLiteral("Capabilities and extensions"));
    tree_->searchName = [this](QTreeWidgetItem *item) {
        if (!item)
            return QString();
        // The line under the pointer goes into the box as it stands.
        currentText_ = item->text(0);
        box_->setText(currentText_);
        return isExtensionName(currentText_) ? currentText_ : QString();
    };
    tree_->search = [this](const QString &) { search(); };
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { onSelected(item); });

    box_->setObjectName(QStringLiteral("searchBox"));
    box_->setAccessibleName(QStringLiteral("Extension search"));
    box_->setMaxLength(kMaxBoxText);
    box_->setClearButtonEnabled(true);
    box_->installEventFilter(this);
    connect(box_, &QLineEdit::textEdited, this, &CExtensionTab::onEdited);
    connect(box_, &QLineEdit::returnPressed, this, &CExtensionTab::search);

    button_->setObjectName(QStringLiteral("searchButton"));
    connect(button_, &QPushButton::clicked, this, &CExtensionTab::search);

    status_->setObjectName(QStringLiteral("status"));
    status_->setAccessibleName(QStringLiteral("Matching extensions"));
    status_->setTextFormat(Qt::PlainText);

    // The match list floats under the box as a tool tip does: it never takes
    // the focus, so typing goes on in the box.
    popup_->setObjectName(QStringLiteral("matchList"));
    popup_->setAccessibleName(QStringLiteral("Matching extension names"));
    popup_->setParent(this, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    popup_->setAttribute(Qt::WA_ShowWithoutActivating);
    popup_->setFocusPolicy(Qt::NoFocus);
    popup_->setSelectionMode(QAbstractItemView::SingleSelection);
    popup_->setUniformItemSizes(true);
    popup_->hide();
    connect(popup_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { takeMatch(popup_->row(item)); });

    auto *find =
        new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        box_->setFocus(Qt::ShortcutFocusReason);
        box_->selectAll();
    });

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(15, 15, 15, 4);
    layout->addWidget(tree_, 0, 0, 1, 2);
    layout->addWidget(box_, 1, 0);
    layout->addWidget(button_, 1, 1);
    layout->addWidget(status_, 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    refresh();
}

CExtensionTab::~CExtensionTab() = default;

void CExtensionTab::refresh()
{
    ++refreshes_;
    const Reading &r = state_.current();
    if (r.caps.filled) {
        tsTree *t = description_.begin();
        tsCreateCapsTree(t, &r.caps);
        tsCreateExtTree(t, state_.db);
        refillTree(tree_, description_.end());
    } else {
        // No reading: an empty tree rather than the previous reading's.
        description_.clear();
        refillTree(tree_, nullptr);
    }
    currentText_.clear();
    button_->setText(QString::fromStdString(LoadText(212)));
    button_->setAccessibleName(button_->text());
    hideMatches();
}

QStringList CExtensionTab::matchingNames(const char *extensions, const QString &text)
{
    QStringList names;
    const QByteArray needle = text.left(kMaxTypedText).toUtf8();
    if (!extensions || needle.isEmpty())
        return names;
    const char *p = extensions;
    while (*p) {
        while (*p == ' ')
            ++p;
        const char *end = p;
        while (*end && *end != ' ')
            ++end;
        if (end > p && containsFolded(p, size_t(end - p), needle))
            names << QString::fromLatin1(p, end - p);
        p = end;
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

void CExtensionTab::onEdited(const QString &text)
{
    const QStringList names = matchingNames(state_.current().caps.extensions, text);
    status_->setText(names.isEmpty() ? QString() : formatWithNumber(298, names.size()));
    showMatches(names);
}

void CExtensionTab::showMatches(const QStringList &names)
{
    popup_->clear();
    if (names.isEmpty()) {
        popup_->hide();
        return;
    }
    popup_->addItems(names);
    placeMatches();
    popup_->show();
}

void CExtensionTab::placeMatches()
{
    const int rows = std::min(popup_->count(), kPopupRows);
    const int rowHeight = std::max(popup_->sizeHintForRow(0), fontMetrics().height());
    const int height = rows * rowHeight + 2 * popup_->frameWidth();
    QPoint below = box_->mapToGlobal(QPoint(0, box_->height()));
    // Above the box when the screen ends below it.
    if (QScreen *screen = box_->screen()) {
        if (below.y() + height > screen->availableGeometry().bottom())
            below.setY(box_->mapToGlobal(QPoint(0, 0)).y() - height);
    }
    popup_->setGeometry(QRect(below, QSize(box_->width(), height)));
}

void CExtensionTab::hideMatches()
{
    popup_->hide();
}

void CExtensionTab::takeMatch(int row)
{
    if (row < 0 || row >= popup_->count())
        return;
    box_->setText(popup_->item(row)->text());
    hideMatches();
    box_->setFocus(Qt::OtherFocusReason);
}

void CExtensionTab::onSelected(QTreeWidgetItem *item)
{
    if (!item)
        return;
    currentText_ = item->text(0);
    if (isExtensionName(currentText_)) {
        box_->setText(currentText_);
        return;
    }
    // A line naming a vendor offers the vendor's home page.
    const QByteArray text8 = currentText_.toUtf8().left(kMaxBoxText);
    const char *link = tsGetVendorLink(text8.constData());
    box_->setText(link ? QString::fromUtf8(link) : QString());
}

void CExtensionTab::search()
{
    hideMatches();
    const QString text = box_->text().left(kMaxBoxText).trimmed();
    if (isExtensionName(text)) {
        openExtensionLink(this, state_.db, state_.linkIndex, text);
    } else if (isWebAddress(text)) {
        OpenUrl(this, text);
    } else {
        // Anything else is no address: list what it matches instead.
        onEdited(text);
        box_->setFocus(Qt::OtherFocusReason);
    }
}

bool CExtensionTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == box_) {
        if (event->type() == QEvent::FocusOut)
            hideMatches();
        if (event->type() == QEvent::KeyPress && popup_->isVisible()) {
            auto *key = static_cast<QKeyEvent *>(event);
            const int row = popup_->currentRow();
            switch (key->key()) {
            case Qt::Key_Escape: hideMatches(); return true;
            case Qt::Key_Down:
                popup_->setCurrentRow(std::min(row + 1, popup_->count() - 1));
                return true;
            case Qt::Key_Up: popup_->setCurrentRow(std::max(row - 1, 0)); return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (row >= 0) {
                    takeMatch(row);
                    return true;
                }
                break;
            default: break;
            }
        }
    }
    return TabPage::eventFilter(watched, event);
}

void CExtensionTab::hideEvent(QHideEvent *event)
{
    hideMatches();
    TabPage::hideEvent(event);
}

} // namespace tessera
