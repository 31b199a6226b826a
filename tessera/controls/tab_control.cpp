#include "controls/tab_control.h"

#include <QApplication>
#include <QTabBar>

namespace tessera {

TabControl::TabControl(QWidget *parent) : QTabWidget(parent)
{
    setDocumentMode(false);
    // Remember the focus of the page being left before QTabWidget hides it.
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (index != currentIndex() && currentIndex() >= 0) {
            onDeactivatePage(currentIndex(), pageId(currentIndex()));
            rememberFocus(currentIndex());
        }
    });
    connect(this, &QTabWidget::currentChanged, this, &TabControl::changed);
}

TabControl::~TabControl()
{
    for (int i = entries_.size() - 1; i >= 0; --i)
        onDestroyPage(i, entries_[i].id);
}

int TabControl::addPage(const QString &title, int id, QWidget *page)
{
    if (!page)
        return -1;
    Entry entry;
    entry.page = page;
    entry.id = id;
    const int index = addTab(page, title);
    entries_.append(entry);
    if (onInitPage(index, id)) {
        page->setFocus();
        entries_[index].focus = page->nextInFocusChain();
    } else {
        entries_[index].focus = QApplication::focusWidget();
    }
    if (index == 0)
        previous_ = 0;
    return index;
}

void TabControl::activatePage(int index)
{
    if (index < 0 || index >= count() || index == currentIndex())
        return;
    if (currentIndex() >= 0) {
        onDeactivatePage(currentIndex(), pageId(currentIndex()));
        rememberFocus(currentIndex());
    }
    setCurrentIndex(index);
}

int TabControl::pageId(int index) const
{
    return index >= 0 && index < entries_.size() ? entries_[index].id : -1;
}

QWidget *TabControl::rememberedFocus(int index) const
{
    return index >= 0 && index < entries_.size() ? entries_[index].focus.data() : nullptr;
}

bool TabControl::onInitPage(int, int)
{
    return false;
}
void TabControl::onActivatePage(int, int) {}
void TabControl::onDeactivatePage(int, int) {}
void TabControl::onDestroyPage(int, int) {}

void TabControl::rememberFocus(int index)
{
    if (index < 0 || index >= entries_.size() || !entries_[index].page)
        return;
    QWidget *focus = QApplication::focusWidget();
    if (focus && entries_[index].page->isAncestorOf(focus))
        entries_[index].focus = focus;
}

void TabControl::restoreFocus(int index)
{
    if (index < 0 || index >= entries_.size())
        return;
    QWidget *focus = entries_[index].focus;
    if (focus && entries_[index].page && entries_[index].page->isAncestorOf(focus))
        focus->setFocus(Qt::TabFocusReason);
}

void TabControl::changed(int index)
{
    // A change by keyboard or program skips tabBarClicked: the leaving page's
    // focus is remembered here when it is still inside that page.
    if (previous_ >= 0 && previous_ != index)
        rememberFocus(previous_);
    previous_ = index;
    restoreFocus(index);
    if (index >= 0)
        onActivatePage(index, pageId(index));
}

} // namespace tessera
