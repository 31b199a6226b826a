// The online commands of the real main window against loopback servers:
// the database download (installed, refused, cancelled) and the update
// check with its announcement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <map>
#include <thread>

#include "controls/download_dlg.h"
#include "online.h"
#include "pages/browser_tab.h"
#include "sounder/database.h"
#include "support/loopback_servers.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"
#include "window/online_ui.h"

using namespace tessera;

namespace {

const std::string kShipped = std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml";
const std::string kOldCopy = "<tessera version=\"7\">\n<ext name=\"GL_kept\"/>\n</tessera>\n";

// Answers the dialogs of one command: message boxes are recorded and
// closed, the announcement goes to onUpdate (else No), the progress dialog
// runs or is cancelled after cancelAfterMs.  With a shot name the first
// dialog of each kind is saved at scales 1 and 2.
class DialogDriver {
public:
    QStringList boxes;
    std::function<void(SoftwareUpdateDlg *)> onUpdate;
    qint64 cancelAfterMs = -1, cancelledAt = -1;
    QElapsedTimer clock;
    QString shot;

    DialogDriver()
    {
        clock.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(20);
    }

private:
    void tick()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            save(box, "message");
            boxes << box->windowTitle() + "|" + box->text();
            box->done(QMessageBox::Ok);
        } else if (auto *update = qobject_cast<SoftwareUpdateDlg *>(modal)) {
            save(update, "update");
            onUpdate ? onUpdate(update) : update->reject();
        } else if (auto *progress = qobject_cast<DownloadDlg *>(modal)) {
            if (clock.elapsed() > 300)
                save(progress, "progress");
            if (cancelAfterMs >= 0 && cancelledAt < 0 && clock.elapsed() >= cancelAfterMs) {
                cancelledAt = clock.elapsed();
                progress->reject();
            }
        }
    }
    void save(QWidget *w, const QString &kind)
    {
        if (!shot.isEmpty() && !saved_.contains(kind))
            saveScaledShots(w, shot + "-" + kind);
        saved_ << kind;
    }
    QTimer timer_;
    QStringList saved_;
};

std::string sha256(const std::string &path)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(readWhole(path)),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

std::map<std::string, uint32_t> supportMasks(const tsDatabase *db)
{
    std::map<std::string, uint32_t> masks;
    for (const tsExtension *e = db->extensions; e; e = e->next)
        masks[e->name] = e->support;
    return masks;
}

class ViewerOnline : public LoopbackSuite {
protected:
    // A state of its own over the live readings (shared, never released
    // here), its database the shipped one with both readings matched.
    void SetUp() override
    {
        LoopbackSuite::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(servers_->hasFtp());
        ASSERT_TRUE(sharedState().readings[1].ok);
        state_.db = tsDatabaseCreate(kShipped.c_str());
        for (int i = 0; i < 2; ++i) {
            Reading &r = state_.readings[i] = sharedState().readings[i];
            tsDatabaseUpdate(state_.db, &r.caps, &r.icd, r.system.system);
            for (tsExtension *e = state_.db->extensions; e; e = e->next)
                e->support |= tsInfoSearchExtension(e->name, r.caps.extensions) ? 1u << i : 0;
        }
        state_.setCurrentReading(1);
        state_.databasePath = root_.sub("data") + "/extensions.xml";
        writeWhole(state_.databasePath, kOldCopy);
        viewerEnvironment().clearOpened();
    }
    void TearDown() override
    {
        LoopbackSuite::TearDown();
        for (const char *name : {"TESSERA_DATABASE_URL", "TESSERA_UPDATE_URL"})
            unsetenv(name);
        tsDatabaseRelease(state_.db);
    }

    AppState state_;
};

} // namespace

TEST_F(ViewerOnline, DatabaseDownloadInstallsOrChangesNothing)
{
    const QString title = QString::fromStdString(LoadText(158)) + "|";
    const QString updated = title + QString::fromStdString(LoadText(364));
    const struct {
        std::string url;
        int result;
        QString message;
    } rows[] = {
        {servers_->http("good.zip"), 0, updated},
        {servers_->ftp("good.zip"), 0, updated},
        {servers_->http("fault/404"), -1, title + online::kTextTransportFailed},
        {servers_->ftp("missing.zip"), -1, title + online::kTextTransportFailed},
        {servers_->http("crc.zip"), -3, title + online::kTextDamaged},
    };
    MainWindow w(state_);
    w.show();
    for (const auto &row : rows) {
        writeWhole(state_.databasePath, kOldCopy);
        const std::string before = sha256(state_.databasePath);
        const tsDatabase *old = state_.db;
        const auto masks = supportMasks(old);
        const int refreshes = w.page(7)->refreshCount();
        setenv("TESSERA_DATABASE_URL", row.url.c_str(), 1);
        DialogDriver driver;
        driver.shot = &row == rows ? "download" : "";
        EXPECT_EQ(w.downloadDatabase(), row.result) << row.url;
        EXPECT_EQ(driver.boxes, QStringList{row.message}) << row.url;
        EXPECT_EQ(tmpEntries(), 0) << row.url;
        EXPECT_EQ(pendingDownloadWorkers(), 0);
        if (row.result != 0) {
            EXPECT_EQ(sha256(state_.databasePath), before) << row.url;
            EXPECT_EQ(state_.db, old) << row.url;
            continue;
        }
        // Matched against both readings, written, every page rebuilt.
        EXPECT_NE(state_.db, old);
        EXPECT_EQ(state_.db->modified, 0u);
        EXPECT_EQ(supportMasks(state_.db), masks) << row.url;
        EXPECT_NE(readWhole(state_.databasePath).find("GL_ARB_multitexture"), std::string::npos);
        EXPECT_EQ(readWhole(state_.databasePath + ".bak"), kOldCopy);
        EXPECT_GT(w.page(7)->refreshCount(), refreshes);
        const auto *browser = static_cast<BrowserTab *>(w.page(7));
        ASSERT_FALSE(browser->model().extensions().empty());
        const tsExtension *e = state_.db->extensions;
        while (e && e != browser->model().extensions().front())
            e = e->next;
        EXPECT_NE(e, nullptr); // a record of the new database
    }
}

// Cancel while the server trickles: the dialog closes at once, the worker
// ends within a second, no message follows and nothing changes.
TEST_F(ViewerOnline, CancelDuringATrickleEndsTheWorkerAndSaysNothing)
{
    MainWindow w(state_);
    w.show();
    const tsDatabase *old = state_.db;
    setenv("TESSERA_DATABASE_URL", servers_->http("fault/trickle").c_str(), 1);
    DialogDriver driver;
    driver.cancelAfterMs = 700;
    driver.shot = "download-trickle";
    EXPECT_EQ(w.downloadDatabase(), -2);
    ASSERT_GE(driver.cancelledAt, 700);
    EXPECT_LT(driver.clock.elapsed() - driver.cancelledAt, 300);
    joinDownloadWorkers();
    EXPECT_LT(driver.clock.elapsed() - driver.cancelledAt, 1000);
    QTest::qWait(300);
    EXPECT_TRUE(driver.boxes.isEmpty()) << driver.boxes.join(" / ").toStdString();
    EXPECT_EQ(readWhole(state_.databasePath), kOldCopy);
    EXPECT_EQ(state_.db, old);
    EXPECT_EQ(tmpEntries(), 0);
}

TEST_F(ViewerOnline, UpdateCheckOutcomes)
{
    const QString title = QString::fromStdString(LoadText(368)) + "|";
    const std::string announced = "A newer version (2.40 dated from 2026-12-01) is available:\n"
                                  "2.33\n\nProcess to the download page ?";
    const struct {
        std::string index;
        int result;
        QString box;        // the message shown; empty for the announcement
        bool opens = false; // the announcement offers and opens the info-url
    } rows[] = {
        {"same.xsa", 1, title + QString::fromStdString(LoadText(369))},
        {"case.xsa", 0, title + "Error in XSA"},
        {"fault/404", 0, title + QString::fromStdString(LoadText(371))},
        {"newer.xsa", 0, "", true},
        {"fileurl.xsa", 0, "", false},
    };
    MainWindow w(state_);
    w.show();
    for (const auto &row : rows) {
        viewerEnvironment().clearOpened();
        setenv("TESSERA_UPDATE_URL", servers_->http(row.index).c_str(), 1);
        DialogDriver driver;
        driver.shot = row.index == "newer.xsa"  ? "update-check"
                      : row.index == "case.xsa" ? "update-check-error"
                                                : "";
        std::string message = "(none)";
        bool offered = false;
        driver.onUpdate = [&](SoftwareUpdateDlg *d) {
            message = d->message().toStdString();
            offered = d->canOpen();
            d->accept(); // Yes, enabled or not
        };
        EXPECT_EQ(w.checkForUpdates(), row.result) << row.index;
        EXPECT_EQ(driver.boxes, row.box.isEmpty() ? QStringList() : QStringList{row.box});
        EXPECT_EQ(message, row.box.isEmpty() ? announced : "(none)") << row.index;
        EXPECT_EQ(offered, row.opens) << row.index;
        QTest::qWait(150);
        EXPECT_EQ(viewerEnvironment().opened(),
                  row.opens ? "https://tessera.example.org/news\n" : "")
            << row.index;
        EXPECT_EQ(tmpEntries(), 0) << row.index;
    }

    // Text 370 from a language file asking for memory writes and more
    // values than there are: shown without them.
    loadLanguageText(370, "%n%s %p %n%s %s %s %d");
    setenv("TESSERA_UPDATE_URL", servers_->http("newer.xsa").c_str(), 1);
    DialogDriver driver;
    std::string message;
    driver.onUpdate = [&](SoftwareUpdateDlg *d) {
        message = d->message().toStdString();
        d->reject();
    };
    w.checkForUpdates();
    textTable().load("en.strings", {});
    EXPECT_NE(message.find("2.40"), std::string::npos) << message;
}

TEST(SoftwareUpdate, EntitySequencesAreDroppedUpToTheSecondSemicolon)
{
    const struct {
        const char *in, *out;
    } rows[] = {
        {"plain text", "plain text"},    {"a&amp;lt;b", "ab"},
        {"x&one;two;&y;z;w", "x&y;z;w"}, // the kept '&' is not examined
        {"cut &amp; here", "cut "},      {"end&a;b;", "end"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(stripEntitySequences(row.in), row.out) << row.in;
}

// A progress dialog whose loop ends without Cancel (the program quitting
// under it): the worker is told to stop, so joining at exit returns.
TEST(DownloadDialog, AWorkerLeftByAnEndedLoopIsStoppedAtExit)
{
    std::atomic<bool> stopped{false};
    {
        DownloadDlg dialog(nullptr, "Quitting", [&](DownloadShared &shared) {
            while (!shared.cancelled)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            stopped = true;
            return 0;
        });
        QTimer::singleShot(200, &dialog, [&dialog] { dialog.done(QDialog::Rejected); });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    }
    QElapsedTimer clock;
    clock.start();
    joinDownloadWorkers();
    EXPECT_TRUE(stopped);
    EXPECT_LT(clock.elapsed(), 1000);
}
