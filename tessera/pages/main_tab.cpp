#include "pages/main_tab.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/icons.h"
#include "pages/ext_links.h"
#include "pages/info_tree.h"
#include "sounder/database.h"

namespace tessera {
namespace {

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CMainTab::CMainTab(AppState &state, QWidget *parent)
    : TabPage(state, parent), tree_(new InfoTree(this)), logo_(plainLabel(this, "logo")),
      submit_(new QPushButton(this)), description_(plainLabel(this, "description")),
      banner_(plainLabel(this, "banner")), notice_(plainLabel(this, "notice"))
{
    setObjectName(QStringLiteral("CMainTab"));
    setAccessibleName(QStringLiteral("Summary"));
    setAcceptDrops(true);

    tree_->setObjectName(QStringLiteral("mainTree"));
    tree_->setAccessibleName(QStringLiteral("Summary tree"));
    tree_->setRootIsDecorated(true);
    tree_->searchName = [this](QTreeWidgetItem *item) { return searchNameOf(item); };
    tree_->search = [this](const QString &name) {
        openExtensionLink(this, state_.db, state_.linkIndex, name);
    };
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            currentText_ = item->text(0);
    });

    logo_->setFixedSize(96, 96);
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setAccessibleName(QStringLiteral("Vendor logo"));
    submit_->setObjectName(QStringLiteral("submit"));
    submit_->setFlat(true);
    submit_->setFixedWidth(96);
    submit_->setVisible(false);
    connect(submit_, &QPushButton::clicked, this, &CMainTab::submitRequested);
    description_->setWordWrap(true);
    description_->setAccessibleName(QStringLiteral("Description"));
    banner_->setAccessibleName(QStringLiteral("Banner"));
    banner_->setFixedSize(500, 40);
    auto *separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setAccessibleName(QStringLiteral("Separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    notice_->setWordWrap(true);
    notice_->setEnabled(false);
    notice_->setAccessibleName(QStringLiteral("Notice"));

    auto *side = new QVBoxLayout;
    side->addStretch(1);
    side->addWidget(logo_, 0, Qt::AlignHCenter);
    side->addWidget(submit_, 0, Qt::AlignHCenter);
    side->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(tree_, 1);
    top->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 8);
    layout->addLayout(top, 1);
    layout->addWidget(description_);
    layout->addWidget(banner_);
    layout->addWidget(separator);
    layout->addWidget(notice_);
    refresh();
}

QString CMainTab::searchNameOf(QTreeWidgetItem *item)
{
    if (!item)
        return QString();
    currentText_ = item->text(0);
    if (!isExtensionName(currentText_))
        return QString();
    // A line names its extension up to its first blank.
    const int blank = currentText_.indexOf(QLatin1Char(' '));
    return blank < 0 ? currentText_ : currentText_.left(blank);
}

void CMainTab::refresh()
{
    ++refreshes_;
    Reading &r = state_.current();
    tsTree *t = description0_.begin();
    tsCreateMainTree(t, state_.db, &r.icd, &r.system, &r.caps);
    refillTree(tree_, description0_.end());
    currentText_.clear();

    description_->setText(text(102));
    notice_->setText(text(104));
    submit_->setText(text(156));
    submit_->setToolTip(text(307));
    submit_->setAccessibleName(text(156));
    submit_->setAccessibleDescription(text(307));
    submit_->setVisible(state_.db && state_.db->modified);
    logoId_ = vendorLogoId(r.caps.filled ? r.caps.vendor : nullptr);
    showLogo();
}

void CMainTab::showLogo()
{
    // Drawn again only when the logo or the scale changed.
    const qreal scale = devicePixelRatioF();
    if (logoId_ == shownLogo_ && scale == shownScale_)
        return;
    logo_->setPixmap(vendorLogo(logoId_, scale));
    if (scale != shownScale_)
        banner_->setPixmap(bannerPixmap(scale));
    shownLogo_ = logoId_;
    shownScale_ = scale;
}

void CMainTab::showEvent(QShowEvent *event)
{
    // The scale is known once the page is on its screen.
    showLogo();
    TabPage::showEvent(event);
}

QStringList CMainTab::droppedFiles(const QMimeData *data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return QStringList();
        files << QFileInfo(url.toLocalFile()).absoluteFilePath();
    }
    return files;
}

void CMainTab::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainTab::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainTab::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    emit filesDropped(files);
}

} // namespace tessera
