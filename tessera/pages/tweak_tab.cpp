#include "pages/tweak_tab.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "pages/list_page.h"

namespace tessera {
namespace {

// Description slots of a switch: en, fr, cz, ua, nl, de, which are also the
// first six language indexes; the other languages show the English text.
constexpr int kDescriptionSlots = 6;

// A row reads its switch's value each time its mark is drawn, and its
// description in the language of the moment.
class TweakItem : public QTreeWidgetItem {
public:
    TweakItem(tweak::Entry *entry, const QIcon *marks) : entry_(entry), marks_(marks) {}

    QVariant data(int column, int role) const override
    {
        if (role == Qt::DisplayRole) {
            if (column == 0)
                return QString::fromStdString(entry_->name);
            if (column == 1)
                return description();
            return QVariant();
        }
        if (role == Qt::DecorationRole && column == 0)
            return marks_[checked() ? 1 : 0];
        return QTreeWidgetItem::data(column, role);
    }

    bool checked() const { return tweak::readEntry(*entry_) > 0; }
    tweak::Entry &entry() const { return *entry_; }

private:
    QString description() const
    {
        const int language = textTable().index();
        const std::string &own =
            language >= 0 && language < kDescriptionSlots ? entry_->description[language] : "";
        return QString::fromStdString(own.empty() ? entry_->description[0] : own);
    }

    tweak::Entry *entry_;
    const QIcon *marks_; // unchecked, checked
};

} // namespace

TweakTab::TweakTab(AppState &state, QWidget *parent) : TweakTab(state, shippedTweakFile(), parent)
{}

TweakTab::TweakTab(AppState &state, const QString &tweakFile, QWidget *parent)
    : TabPage(state, parent), list_(new QTreeWidget(this)), notice_(new QLabel(this))
{
    marks_[0] = listIcon(ListImage::No);
    marks_[1] = listIcon(ListImage::Yes);
    setObjectName(QStringLiteral("TweakTab"));
    list_->setObjectName(QStringLiteral("tweaks"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setIconSize(QSize(16, 16));
    list_->setHeaderLabels(
        {QString::fromStdString(LoadText(141)), QString::fromStdString(LoadText(291))});
    list_->setColumnWidth(0, 200);
    list_->setColumnWidth(1, 400);
    notice_->setObjectName(QStringLiteral("tweakNotice"));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addWidget(notice_);
    // Double-click or Enter on the focused row.
    connect(list_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { toggle(list_->indexOfTopLevelItem(item)); });
    fill(tweakFile);
    notice_->setText(QString::fromStdString(LoadText(290)));
}

QString TweakTab::shippedTweakFile()
{
    for (const std::string &folder : {programDirectory(), installedDataFolder()}) {
        const QString file = QString::fromStdString(folder + "/tweak.xml");
        if (!folder.empty() && QFileInfo(file).isFile())
            return file;
    }
    return QString();
}

void TweakTab::fill(const QString &tweakFile)
{
    // The list is built once, for the driver that is current now.
    entries_ = tweakFile.isEmpty() ? std::vector<tweak::Entry>()
                                   : tweak::readTweakFile(tweakFile.toStdString());
    const tsRendererCaps &caps = state_.current().caps;
    if (!caps.filled || !caps.vendor)
        return;
    const QString vendor = QString::fromUtf8(caps.vendor);
    for (tweak::Entry &entry : entries_) {
        if (vendor.compare(QString::fromStdString(entry.vendor), Qt::CaseInsensitive) != 0)
            continue;
        tweak::readEntry(entry);
        list_->addTopLevelItem(new TweakItem(&entry, marks_));
    }
    // At least the listed width, wider where a name needs it.
    list_->resizeColumnToContents(0);
    list_->setColumnWidth(0, std::max(200, list_->columnWidth(0)));
}

void TweakTab::refresh()
{
    ++refreshes_;
    notice_->setText(QString::fromStdString(LoadText(290)));
    list_->viewport()->update();
}

bool TweakTab::isChecked(int row) const
{
    auto *item = static_cast<TweakItem *>(list_->topLevelItem(row));
    return item && item->checked();
}

bool TweakTab::toggle(int row)
{
    auto *item = static_cast<TweakItem *>(list_->topLevelItem(row));
    if (!item)
        return false;
    tweak::Entry &entry = item->entry();
    const bool done = tweak::toggleEntry(entry);
    list_->viewport()->update();
    if (!done) {
        const std::string file = tweak::configPath(entry.root);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                        QStringLiteral("The switch %1 could not be changed: %2")
                            .arg(QString::fromStdString(entry.name),
                                 file.empty() ? QStringLiteral("it has no configuration file.")
                                              : QString::fromStdString(file) +
                                                    QStringLiteral(" could not be rewritten.")),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    return done;
}

} // namespace tessera
