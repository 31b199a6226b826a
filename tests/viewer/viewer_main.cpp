// Test program of the viewer: a private desktop, both live readings taken
// before QApplication exists (as the program does), then the tests on the
// xcb platform of the private X server.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "app/paths.h"
#include "viewer/viewer_fixture.h"

namespace {
ViewerEnvironment *environment = nullptr;
tessera::AppState *liveState = nullptr;
} // namespace

const ViewerEnvironment &viewerEnvironment()
{
    return *environment;
}

tessera::AppState &sharedState()
{
    return *liveState;
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    environment = new ViewerEnvironment;
    // The user's locale uses a decimal comma: numbers in files must not follow it.
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_NUMERIC");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    liveState = new tessera::AppState;
    liveState->settingsPath = environment->settingsFile();
    liveState->databasePath = tessera::userDatabasePath();
    const bool listing = ::testing::GTEST_FLAG(list_tests);
    if (!listing) {
        liveState->db =
            tessera::openDatabase(liveState->databasePath, tessera::shippedDatabasePath(), nullptr);
        tessera::takeReadings(liveState->db, liveState->readings, &liveState->desktop);
        liveState->setCurrentReading(1);
    }
    // Listing the tests needs no window system: CTest asks for the list in
    // runs without any display too.
    if (listing)
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    tessera::textTable().load("en.strings", {});
    return RUN_ALL_TESTS();
}
