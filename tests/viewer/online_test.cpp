// The online commands of the real main window against loopback servers:
// the database download (installed, refused, cancelled) and the update
// check with its announcement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <map>

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

void saveShot(QWidget *w, const QString &name)
{
    QDir().mkpath(shotFolder());
    for (int scale : {1, 2}) {
        QPixmap shot(w->size() * scale);
        shot.setDevicePixelRatio(scale);
        w->render(&shot);
        shot.save(shotFolder() + QStringLiteral("/%1-x%2.png").arg(name).arg(scale));
    }
}

// Answers the dialogs of one command: message boxes are recorded and
// closed, the announcement is handed to onUpdate, the progress dialog is
// left to run or cancelled after cancelAfterMs.  The first of each kind is
// photographed under shotPrefix when one is given.
class DialogDriver {
public:
    QStringList boxes;
    std::function<void(SoftwareUpdateDlg *)> onUpdate;
    int cancelAfterMs = -1;
    qint64 cancelledAt = -1;
    QElapsedTimer clock;
    QString shotPrefix;

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
            shoot(box, "message");
            boxes << box->windowTitle() + "|" + box->text();
            box->done(QMessageBox::Ok);
        } else if (auto *update = qobject_cast<SoftwareUpdateDlg *>(modal)) {
            shoot(update, "update");
            if (onUpdate)
                onUpdate(update);
            else
                update->reject();
        } else if (auto *progress = qobject_cast<DownloadDlg *>(modal)) {
            if (clock.elapsed() > 300)
                shoot(progress, "progress");
            if (cancelAfterMs >= 0 && cancelledAt < 0 && clock.elapsed() >= cancelAfterMs) {
                cancelledAt = clock.elapsed();
                progress->reject();
            }
        }
    }
    void shoot(QWidget *w, const char *kind)
    {
        if (shotPrefix.isEmpty() || shot_.count(kind))
            return;
        shot_[kind] = true;
        saveShot(w, shotPrefix + "-" + kind);
    }
    QTimer timer_;
    std::map<std::string, bool> shot_;
};

std::string sha256(const std::string &path)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(readWhole(path)),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// Support masks by extension name: what the readings' match gave.
std::map<std::string, uint32_t> supportMasks(const tsDatabase *db)
{
    std::map<std::string, uint32_t> masks;
    for (const tsExtension *e = db->extensions; e; e = e->next)
        masks[e->name] = e->support;
    return masks;
}

class ViewerOnline : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        served_ = new TempDir;
        servers_ = new LoopbackServers(served_->path(), kShipped);
    }
    static void TearDownTestSuite()
    {
        delete servers_;
        delete served_;
    }
    void SetUp() override
    {
        ASSERT_TRUE(servers_->ready());
        ASSERT_TRUE(sharedState().readings[1].ok);
        tmp_ = root_.sub("tmp");
        setenv("TMPDIR", tmp_.c_str(), 1);
        // A state of its own over the live readings (shared, never
        // released here) and a database loaded as the program loads it.
        for (int i = 0; i < 2; ++i)
            state_.readings[i] = sharedState().readings[i];
        state_.db = tsDatabaseCreate(kShipped.c_str());
        for (int i = 0; i < 2; ++i)
            tsDatabaseUpdate(state_.db, &state_.readings[i].caps, &state_.readings[i].icd,
                             state_.readings[i].system.system);
        for (tsExtension *e = state_.db->extensions; e; e = e->next)
            for (int i = 0; i < 2; ++i)
                if (tsInfoSearchExtension(e->name, state_.readings[i].caps.extensions))
                    e->support |= 1u << i;
        state_.setCurrentReading(1);
        root_.sub("data");
        state_.databasePath = root_.file("data/extensions.xml");
        writeWhole(state_.databasePath, "<tessera version=\"7\">\n<ext name=\"GL_kept\"/>\n"
                                        "</tessera>\n");
        viewerEnvironment().clearOpened();
    }
    void TearDown() override
    {
        for (const char *name : {"TMPDIR", "TESSERA_DATABASE_URL", "TESSERA_UPDATE_URL"})
            unsetenv(name);
        tsDatabaseRelease(state_.db);
    }
    int tmpEntries() const
    {
        return static_cast<int>(
            QDir(QString::fromStdString(tmp_))
                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                .size());
    }

    static TempDir *served_;
    static LoopbackServers *servers_;
    TempDir root_;
    std::string tmp_;
    AppState state_;
};

TempDir *ViewerOnline::served_ = nullptr;
LoopbackServers *ViewerOnline::servers_ = nullptr;

} // namespace

TEST_F(ViewerOnline, DatabaseDownloadInstallsOrLeavesEverythingAsItWas)
{
    ASSERT_TRUE(servers_->hasFtp()) << "python3-pyftpdlib is missing (scripts/deps)";
    const QString title = QString::fromStdString(LoadText(158));
    const QString updated = title + "|" + QString::fromStdString(LoadText(364));
    const QString transport = title + "|" + online::kTextTransportFailed;
    const QString damaged = title + "|" + online::kTextDamaged;
    const struct {
        std::string url;
        QString message;
    } rows[] = {
        {servers_->http("good.zip"), updated},      {servers_->ftp("good.zip"), updated},
        {servers_->http("fault/404"), transport},   {servers_->ftp("missing.zip"), transport},
        {servers_->http("fault/short"), transport}, {servers_->http("crc.zip"), damaged},
        {servers_->http("noentry.zip"), damaged},   {servers_->http("noext.zip"), damaged},
    };
    MainWindow w(state_);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (const auto &row : rows) {
        const bool success = row.message == updated;
        writeWhole(state_.databasePath, "<tessera version=\"7\">\n<ext name=\"GL_kept\"/>\n"
                                        "</tessera>\n");
        const std::string before = sha256(state_.databasePath);
        const tsDatabase *old = state_.db;
        const auto masks = supportMasks(state_.db);
        const int browserRefreshes = w.page(7)->refreshCount();
        setenv("TESSERA_DATABASE_URL", row.url.c_str(), 1);
        DialogDriver driver;
        if (&row == &rows[0])
            driver.shotPrefix = "download";
        EXPECT_EQ(w.downloadDatabase(), success                    ? 0
                                        : row.message == transport ? -1
                                                                   : -3)
            << row.url;
        EXPECT_EQ(driver.boxes, QStringList{row.message}) << row.url;
        EXPECT_EQ(tmpEntries(), 0) << row.url;
        EXPECT_EQ(pendingDownloadWorkers(), 0);
        if (!success) {
            EXPECT_EQ(sha256(state_.databasePath), before) << row.url;
            EXPECT_EQ(state_.db, old) << row.url;
            continue;
        }
        // Installed, matched against both readings, written, every page
        // rebuilt from the new database.
        EXPECT_NE(state_.db, old);
        EXPECT_EQ(state_.db->modified, 0u);
        EXPECT_EQ(state_.db->currentReading, 1);
        EXPECT_EQ(supportMasks(state_.db), masks) << row.url;
        const std::string written = readWhole(state_.databasePath);
        EXPECT_TRUE(online::isDatabaseText(written));
        EXPECT_NE(written.find("GL_ARB_multitexture"), std::string::npos);
        EXPECT_NE(readWhole(state_.databasePath + ".bak").find("GL_kept"), std::string::npos);
        EXPECT_GT(w.page(7)->refreshCount(), browserRefreshes);
        auto *browser = static_cast<BrowserTab *>(w.page(7));
        ASSERT_FALSE(browser->model().extensions().empty());
        bool inNewDatabase = false;
        for (const tsExtension *e = state_.db->extensions; e && !inNewDatabase; e = e->next)
            inNewDatabase = e == browser->model().extensions().front();
        EXPECT_TRUE(inNewDatabase);
    }
}

// Cancel while the server trickles: the worker ends within a second, no
// message follows, nothing changes and nothing is left behind.
TEST_F(ViewerOnline, CancelDuringATrickleEndsTheWorkerAndSaysNothing)
{
    MainWindow w(state_);
    w.show();
    const std::string before = sha256(state_.databasePath);
    const tsDatabase *old = state_.db;
    setenv("TESSERA_DATABASE_URL", servers_->http("fault/trickle").c_str(), 1);
    DialogDriver driver;
    driver.cancelAfterMs = 700;
    driver.shotPrefix = "download-trickle";
    EXPECT_EQ(w.downloadDatabase(), -2);
    ASSERT_GE(driver.cancelledAt, 700);
    EXPECT_LT(driver.clock.elapsed() - driver.cancelledAt, 300); // the dialog did not wait
    joinDownloadWorkers();
    EXPECT_LT(driver.clock.elapsed() - driver.cancelledAt, 1000);
    QTest::qWait(300);
    EXPECT_TRUE(driver.boxes.isEmpty()) << driver.boxes.join(" / ").toStdString();
    EXPECT_EQ(sha256(state_.databasePath), before);
    EXPECT_EQ(state_.db, old);
    EXPECT_EQ(tmpEntries(), 0);
}

TEST_F(ViewerOnline, UpdateCheckOutcomes)
{
    const QString title = QString::fromStdString(LoadText(368));
    const std::string announced =
        "A newer version (2.40 dated from 2026-12-01) is available:\n2.33\n\nProcess to the "
        "download page ?";
    const struct {
        std::string url;
        int result;
        QString box;              // the message shown, "" for the announcement
        std::string message = ""; // the announcement's text
        bool opens = false;       // Yes is offered and opens the info-url
    } rows[] = {
        {servers_->http("same.xsa"), 1, title + "|" + QString::fromStdString(LoadText(369))},
        {servers_->http("older.xsa"), 1, title + "|" + QString::fromStdString(LoadText(369))},
        {servers_->http("case.xsa"), 0, title + "|Error in XSA"},
        {servers_->http("emptyversion.xsa"), 0, title + "|Error in XSA"},
        {servers_->http("fault/404"), 0, title + "|" + QString::fromStdString(LoadText(371))},
        {servers_->https("same.xsa"), 0, title + "|" + QString::fromStdString(LoadText(371))},
        {servers_->http("newer.xsa"), 0, "", announced, true},
        {servers_->http("fileurl.xsa"), 0, "", announced, false},
    };
    MainWindow w(state_);
    w.show();
    for (const auto &row : rows) {
        viewerEnvironment().clearOpened();
        setenv("TESSERA_UPDATE_URL", row.url.c_str(), 1);
        DialogDriver driver;
        if (row.url == servers_->http("newer.xsa"))
            driver.shotPrefix = "update-check";
        std::string message;
        bool offered = false;
        driver.onUpdate = [&](SoftwareUpdateDlg *d) {
            message = d->message().toStdString();
            offered = d->canOpen();
            d->accept(); // Yes, whether or not the button is enabled
        };
        EXPECT_EQ(w.checkForUpdates(), row.result) << row.url;
        EXPECT_EQ(driver.boxes, row.box.isEmpty() ? QStringList() : QStringList{row.box})
            << row.url;
        EXPECT_EQ(message, row.message) << row.url;
        EXPECT_EQ(offered, row.opens) << row.url;
        if (row.opens) {
            QTRY_COMPARE(QString::fromStdString(viewerEnvironment().opened()),
                         QString("https://tessera.example.org/news\n"));
        }
        QTest::qWait(row.message.empty() ? 0 : 150);
        if (!row.opens) {
            EXPECT_EQ(viewerEnvironment().opened(), "") << row.url;
        }
        EXPECT_EQ(tmpEntries(), 0) << row.url;
    }

    // A language whose text 370 asks for memory writes and more values
    // than there are: shown without them.
    std::string data = " \"\" \"\""; // scanned from the second byte
    for (int id = 101; id <= 370; ++id)
        data += std::string(" \"") + (id == 370 ? "%n%s %p %n%s %s %s %s %d" : "") + "\"";
    textTable().loadData("xx.strings", data);
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
        {"plain text", "plain text"},
        {"a&amp;lt;b", "ab"},            // "&amp;lt;" goes, b stays
        {"x&one;two;&y;z;w", "x&y;z;w"}, // the kept '&' is not examined
        {"cut &amp; here", "cut "},      // one semicolon: to the end
        {"end&a;b;", "end"},
        {"&", ""},
    };
    for (const auto &row : rows)
        EXPECT_EQ(stripEntitySequences(row.in), row.out) << row.in;
}
