#include "controls/icon_list.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace tessera {
namespace {

constexpr int kImageRole = Qt::UserRole + 1;

class IconListDelegate : public QStyledItemDelegate {
public:
    explicit IconListDelegate(IconList *list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QPalette &pal = opt.palette;
        const bool selected = opt.state & QStyle::State_Selected;
        const bool enabled = opt.state & QStyle::State_Enabled;
        painter->save();
        painter->fillRect(opt.rect, selected ? pal.highlight() : pal.base());
        int x = opt.rect.left();
        if (!list_->imageList().isEmpty()) {
            const int image = index.data(kImageRole).toInt();
            if (image >= 0 && image < list_->imageList().size())
                list_->imageList()[image].paint(
                    painter, QRect(x, opt.rect.top(), IconList::kIconSize, IconList::kIconSize));
            x += IconList::kTextIndent;
        }
        painter->setPen(selected  ? pal.color(QPalette::HighlightedText)
                        : enabled ? pal.color(QPalette::Text)
                                  : pal.color(QPalette::Disabled, QPalette::Text));
        const QRect textRect(x, opt.rect.top(), opt.rect.right() - x, opt.rect.height());
        painter->drawText(textRect, Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs,
                          opt.text);
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.rect = opt.rect;
            focus.palette = pal;
            list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const int height = std::max(IconList::kIconSize, opt.fontMetrics.height());
        const int indent = list_->imageList().isEmpty() ? 0 : IconList::kTextIndent;
        return QSize(indent + opt.fontMetrics.horizontalAdvance(opt.text) + 4, height);
    }

private:
    IconList *list_;
};

} // namespace

IconList::IconList(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new IconListDelegate(this));
    setUniformItemSizes(true);
}

int IconList::addString(const QString &text, int image)
{
    auto *item = new QListWidgetItem(text, this);
    item->setData(kImageRole, image);
    return row(item);
}

void IconList::setImageList(const QVector<QIcon> &images)
{
    images_ = images;
    viewport()->update();
}

int IconList::imageOf(int r) const
{
    const QListWidgetItem *it = item(r);
    return it ? it->data(kImageRole).toInt() : -1;
}

} // namespace tessera
