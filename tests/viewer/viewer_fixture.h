// Shared state of the viewer tests: the private desktop and the live state
// taken at start of the test program.
#ifndef TESTS_VIEWER_VIEWER_FIXTURE_H
#define TESTS_VIEWER_VIEWER_FIXTURE_H

#include <QString>

#include "app/app_state.h"
#include "app/languages.h"
#include "support/viewer_env.h"

const ViewerEnvironment &viewerEnvironment();
tessera::AppState &sharedState();

// Folder in the build tree where the tests leave their screenshots.
inline QString shotFolder()
{
    return QStringLiteral(TESSERA_BIN_DIR "/../viewer-shots");
}

#endif
