// Shared state of the viewer tests: the private desktop and the live state
// taken at start of the test program.
#ifndef TESTS_VIEWER_VIEWER_FIXTURE_H
#define TESTS_VIEWER_VIEWER_FIXTURE_H

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QTest>
#include <QWidget>

#include "app/app_state.h"
#include "app/languages.h"
#include "support/viewer_env.h"

const ViewerEnvironment &viewerEnvironment();
tessera::AppState &sharedState();

// Makes w the active window.  With no window manager on the test server,
// another test process showing a window at the same moment can take the
// input focus back, so the request is repeated a few times.
inline bool activateForInput(QWidget &w)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        w.activateWindow();
        if (QTest::qWaitForWindowActive(&w, 2000))
            return true;
    }
    return false;
}

// Folder in the build tree where the tests leave their screenshots.
inline QString shotFolder()
{
    return QStringLiteral(TESSERA_BIN_DIR "/../viewer-shots");
}

// Saves w as NAME-x1.png and NAME-x2.png (drawn at display scales 1 and 2).
inline void saveScaledShots(QWidget *w, const QString &name)
{
    QDir().mkpath(shotFolder());
    for (int scale : {1, 2}) {
        QPixmap pixmap(w->size() * scale);
        pixmap.setDevicePixelRatio(scale);
        w->render(&pixmap);
        pixmap.save(shotFolder() + QStringLiteral("/%1-x%2.png").arg(name).arg(scale));
    }
}

// Loads a language whose only text is id = value (8-bit language files
// are scanned from their second byte).
inline void loadLanguageText(int id, const std::string &value)
{
    std::string data = " \"\" \"\"";
    for (int i = tessera::kFirstTextId; i <= id; ++i)
        data += " \"" + (i == id ? value : std::string()) + "\"";
    tessera::textTable().loadData("xx.strings", data);
}

#endif
