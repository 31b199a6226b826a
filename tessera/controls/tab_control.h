// The tab control that owns and switches the main window's pages: a
// QTabWidget that remembers, per page, which control had the focus when the
// page was left, and calls four hooks around page changes.
#ifndef TESSERA_CONTROLS_TAB_CONTROL_H
#define TESSERA_CONTROLS_TAB_CONTROL_H

#include <QPointer>
#include <QTabWidget>
#include <QVector>

namespace tessera {

class TabControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget *parent = nullptr);
    ~TabControl() override;

    // Appends a tab showing page; returns its index, or -1 for a null page.
    int addPage(const QString &title, int pageId, QWidget *page);
    // Makes the tab at index current: ignored for an index outside the tabs
    // or the current one.
    void activatePage(int index);
    int currentPageIndex() const { return currentIndex(); }
    int pageId(int index) const;
    // The control that gets the focus when the page at index is shown.
    QWidget *rememberedFocus(int index) const;

protected:
    // Hooks, called with (tab index, page id); the defaults do nothing.
    // onInitPage returns whether the page's first control takes the focus.
    virtual bool onInitPage(int index, int pageId);
    virtual void onActivatePage(int index, int pageId);
    virtual void onDeactivatePage(int index, int pageId);
    virtual void onDestroyPage(int index, int pageId);

private:
    void rememberFocus(int index);
    void restoreFocus(int index);
    void changed(int index);

    struct Entry {
        QPointer<QWidget> page;
        QPointer<QWidget> focus;
        int id = 0;
    };
    QVector<Entry> entries_;
    int previous_ = -1;
};

} // namespace tessera

#endif
