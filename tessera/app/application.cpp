#include "app/application.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/icon.h"
#include "app/languages.h"
#include "app/paths.h"
#include "app/readings.h"
#include "app/settings.h"
#include "controls/download_dlg.h"
#include "window/main_window.h"

namespace tessera {

bool xDisplayOpens();

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// SIGINT, SIGTERM and SIGHUP close the main window through the event loop,
// so the exit sequence runs as after the close box.
bool installSignalPipe()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
    return true;
}

// With TESSERA_EXIT_AFTER_PAINT set (benchmarks), the window closes itself
// once it has painted for the first time, through the usual exit sequence.
class ExitAfterFirstPaint : public QObject {
public:
    explicit ExitAfterFirstPaint(QWidget *window) : QObject(window), window_(window) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, window_, &QWidget::close);
        }
        return false;
    }

private:
    QWidget *window_;
    bool done_ = false;
};

QString failureLogs(const AppState &state)
{
    QString text;
    for (int i = 0; i < 2; ++i) {
        const std::string &log = state.readings[i].log;
        text += QStringLiteral("\nReading %1:\n%2")
                    .arg(i)
                    .arg(log.empty() ? QStringLiteral("(no failure logged)")
                                     : QString::fromStdString(log));
    }
    return text;
}

} // namespace

void ignoreFileSizeSignal()
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = SIG_IGN;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGXFSZ, &sa, nullptr);
}

bool displayAvailable()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) {
        const std::string p(platform);
        if (p.rfind("offscreen", 0) == 0 || p.rfind("minimal", 0) == 0 || p.rfind("vnc", 0) == 0)
            return true;
        if (p.rfind("wayland", 0) == 0)
            return std::getenv("WAYLAND_DISPLAY") != nullptr;
    } else if (const char *wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
        return true;
    }
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    return xDisplayOpens();
}

int runViewer(int argc, char **argv)
{
    ignoreFileSizeSignal();
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "tessera: no display could be opened (DISPLAY is %s); "
                     "tessera-cli prints the report without one\n",
                     std::getenv("DISPLAY") ? "unreachable" : "not set");
        return 1;
    }

    // Reader processes start first and take their readings while the
    // database loads and Qt starts.  Readings taken in this process come
    // before QApplication: selecting the software rasteriser changes the
    // environment for a moment, which must race with no thread of Qt's.
    StartedReadings *started = startReadings();
    AppState state;
    state.settingsPath = settingsPath();
    state.databasePath = userDatabasePath();
    state.db = openDatabase(state.databasePath, shippedDatabasePath(), &state.databaseLoadedFrom);
    int made = started ? 0 : finishReadings(nullptr, state.db, state.readings, &state.desktop);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessera"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tessera"));
    // QApplication sets the C locale from the environment; numbers in files
    // are read with '.' whatever the user's locale says.
    std::setlocale(LC_NUMERIC, "C");
    // What does not depend on the readings is done while the readers still
    // run: the language, the icon, and the font database with the first
    // text layout, which would otherwise be built by the first page.
    state.loadLanguage(std::string(), true);
    QApplication::setWindowIcon(appIcon());
    QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("GL_ARB_multitexture 1.3"));
    if (started)
        made = finishReadings(started, state.db, state.readings, &state.desktop);
    state.setCurrentReading(1);

    MainWindow window(state);
    bool signalled = false;
    QSocketNotifier *notifier = nullptr;
    if (installSignalPipe()) {
        notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&] {
            char buffer[16];
            while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {}
            signalled = true;
            window.close();
            QApplication::quit();
        });
    }
    // The session manager ends the session: leave as through the close box.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.close(); });

    if (const char *bench = std::getenv("TESSERA_EXIT_AFTER_PAINT"); bench && *bench)
        window.installEventFilter(new ExitAfterFirstPaint(&window));
    window.show();
    if (made == 0)
        QTimer::singleShot(0, &window, [&] {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"),
                            QStringLiteral("No OpenGL context could be made."), QMessageBox::Ok,
                            &window);
            box.setInformativeText(failureLogs(state).trimmed());
            box.setTextFormat(Qt::PlainText);
            box.exec();
        });
    const int code = app.exec();

    joinDownloadWorkers();
    std::string error;
    if (!shutdownState(state, &error)) {
        std::fprintf(stderr, "tessera: the database could not be saved: %s\n", error.c_str());
        if (!signalled) {
            QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                            QStringLiteral("The database could not be saved:\n") +
                                QString::fromStdString(error),
                            QMessageBox::Ok);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        }
    }
    delete notifier;
    return code;
}

} // namespace tessera
