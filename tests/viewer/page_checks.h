// Checks shared by the page tests: screenshots for the shot folder at
// device-pixel ratios 1 and 2 (name.png, name@2x.png), and the accessible
// names of a page's controls.
#ifndef TESTS_VIEWER_PAGE_CHECKS_H
#define TESTS_VIEWER_PAGE_CHECKS_H

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QTextEdit>

#include "viewer/viewer_fixture.h"

inline void saveShots(QWidget &w, const QString &name)
{
    QDir().mkpath(shotFolder());
    QApplication::processEvents(); // lays out texts set just before
    for (int scale : {1, 2}) {
        QPixmap pixmap(w.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(w.palette().window().color());
        w.render(&pixmap);
        pixmap.save(shotFolder() + "/" + name + (scale == 1 ? "" : "@2x") + ".png");
    }
}

// Every control of page has a name a screen reader can say; the parts Qt's
// composite widgets make for themselves (scroll bars, popups, headers,
// clear buttons) are named by those widgets.
inline void expectAccessibleNames(QWidget &page)
{
    for (QWidget *w : page.findChildren<QWidget *>()) {
        QWidget *parent = w->parentWidget();
        const bool part = qobject_cast<QScrollBar *>(w) || w->window() != page.window() ||
                          qobject_cast<QAbstractItemView *>(parent) ||
                          qobject_cast<QLineEdit *>(parent) || qobject_cast<QComboBox *>(parent);
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) ||
                             qobject_cast<QAbstractSlider *>(w) || qobject_cast<QLineEdit *>(w) ||
                             qobject_cast<QAbstractScrollArea *>(w) || qobject_cast<QLabel *>(w);
        if (control && !part) {
            EXPECT_FALSE(
                QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString();
        }
    }
}

#endif
