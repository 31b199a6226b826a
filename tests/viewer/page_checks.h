// Checks shared by the page tests: screenshots for the shot folder, at
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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "viewer/viewer_fixture.h"

inline void saveShots(QWidget &w, const QString &name)
{
    QDir().mkpath(shotFolder());
    // Texts set just before change sizes only once the layout has run.
    QApplication::processEvents();
    for (int scale : {1, 2}) {
        QPixmap pixmap(w.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(w.palette().window().color());
        w.render(&pixmap);
        pixmap.save(shotFolder() + "/" + name + (scale == 1 ? "" : "@2x") + ".png");
    }
}

// Every control of page a screen reader can name.
inline void expectAccessibleNames(QWidget &page)
{
    for (QWidget *w : page.findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) ||
                             qobject_cast<QAbstractSlider *>(w) || qobject_cast<QLineEdit *>(w) ||
                             qobject_cast<QAbstractItemView *>(w) || qobject_cast<QTextEdit *>(w) ||
                             qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QLabel *>(w) ||
                             qobject_cast<QGroupBox *>(w);
        // Parts that Qt's composite widgets make for themselves are named by them.
        if (!control || qobject_cast<QScrollBar *>(w) ||
            w->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<QAbstractSlider *>(w->parentWidget()) ||
            qobject_cast<QAbstractItemView *>(w->parentWidget()) ||
            qobject_cast<QComboBox *>(w->parentWidget()) ||
            qobject_cast<QLineEdit *>(w->parentWidget()) || w->window() != page.window())
            continue;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
}

#endif
