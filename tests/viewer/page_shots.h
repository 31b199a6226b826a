// Screenshots of pages and dialogs for the shot folder, at device-pixel
// ratios 1 and 2 (name.png, name@2x.png).
#ifndef TESTS_VIEWER_PAGE_SHOTS_H
#define TESTS_VIEWER_PAGE_SHOTS_H

#include <QApplication>
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

#endif
