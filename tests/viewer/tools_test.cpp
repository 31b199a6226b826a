// The display-mode, pixel-format and driver-switch pages, submission by mail
// and a save beyond the file-size limit, on the private X server.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/application.h"
#include "pages/list_page.h"
#include "pages/pages.h"
#include "support/drirc_home.h"
#include "support/loopback_servers.h"
#include "support/qt_dialogs.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"
#include "window/submission.h"

using namespace tessera;

namespace {

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

// Leaves the widget in the shot folder at scale 1 and 2.
void saveShots(QWidget &w, const QString &name)
{
    QDir().mkpath(shotFolder());
    for (int scale : {1, 2}) {
        QPixmap pixmap(w.size() * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::white);
        w.render(&pixmap);
        pixmap.save(QStringLiteral("%1/%2@%3x.png").arg(shotFolder(), name).arg(scale));
    }
}

tsPixelFormat format(int acceleration, int doubleBuffer, int depth, int samples)
{
    tsPixelFormat f;
    std::memset(&f, 0, sizeof f);
    f.acceleration = uint8_t(acceleration);
    f.double_buffer = uint8_t(doubleBuffer);
    f.depth_bits = uint8_t(depth);
    f.samples = uint8_t(samples);
    f.color_bits = 32;
    return f;
}

// xdg-email's $MAILER: records the mailto address, stays a moment (while the
// file "busy" exists) and exits with status.
struct MailRecorder {
    TempDir dir;
    std::string record = dir.file("mail.txt"), busy = dir.file("busy");
    explicit MailRecorder(int status)
    {
        const std::string script = dir.write(
            "mailer", "#!/bin/sh\n: > '" + busy + "'\necho \"$1\" >> '" + record +
                          "'\nsleep 0.4\nrm '" + busy + "'\nexit " + std::to_string(status) + "\n");
        ::chmod(script.c_str(), 0755);
        setenv("MAILER", script.c_str(), 1);
    }
    ~MailRecorder() { unsetenv("MAILER"); }
};

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(state().readings[1].ok) << state().readings[1].log;
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Lumenscope")).clear();
        viewerEnvironment().clearOpened();
    }
    AppState &state() { return sharedState(); }
};

} // namespace

// Header clicks: the sort column flips, another column keeps the direction;
// equal rows keep their order.  Areas above 2^31 and rates above 127 sort
// as the unsigned numbers they are.
TEST(ListPages, HeaderClickSequences)
{
    auto s = std::make_unique<AppState>();
    tsRendererCaps &caps = s->readings[1].caps;
    std::memset(&caps, 0, sizeof caps);
    const tsDisplayMode modes[] = {{1024, 768, 32, 60},
                                   {65535, 65535, 16, 144},
                                   {768, 1024, 32, 200},
                                   {640, 480, 8, 75},
                                   {40000, 40000, 24, 0}};
    const tsPixelFormat formats[] = {format(0, 1, 24, 0), format(1, 0, 16, 4), format(0, 0, 24, 0),
                                     format(1, 1, 0, 2)};
    caps.displayModeCount = 5;
    std::copy(std::begin(modes), std::end(modes), caps.displayModes);
    caps.pixelFormatCount = 4;
    std::copy(std::begin(formats), std::end(formats), caps.pixelFormats);
    // Each click is "column:entries top to bottom".
    const struct {
        bool pixelFormats;
        const char *clicks;
    } sequences[] = {
        {false, "1:30241 1:14023 2:14023 4:21304 0:43210 0:01234"},   // width twice, height, Hz, ID
        {false, "0:43210 3:20413 3:31420"},                           // ID flips first; depth
        {true, "9:1302 9:0213 11:0213 12:0213 6:1302 1:3012 0:3210"}, // hardware, ICD, MCD, ...
        {true, "2:3102"},                                             // depth buffer
    };
    for (const auto &sequence : sequences) {
        std::unique_ptr<TabPage> page(sequence.pixelFormats
                                          ? static_cast<TabPage *>(new CDisplayList(*s))
                                          : new CDisplayMode(*s));
        page->refresh();
        page->resize(1300, 300);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        auto *list = page->findChild<SortedList *>();
        for (const QString &click : QString(sequence.clicks).split(' ')) {
            const int column = click.section(':', 0, 0).toInt();
            QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                              QPoint(list->header()->sectionViewportPosition(column) + 10, 5));
            QString order;
            for (int entry : list->order())
                order += QString::number(entry);
            EXPECT_EQ(order, click.section(':', 1))
                << sequence.clicks << ", at " << click.toStdString();
        }
        // Entry 1 as shown: the large mode, an accelerated RGBA format.
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(list->order().indexOf(1))->text(c);
        const QString no = text(186);
        EXPECT_EQ(cells, sequence.pixelFormats
                             ? QStringList({"2", no, "16", "0", "32", "0", "4", no, no, "Full",
                                            "RGBA", no, no, no, no, "0", "0"})
                             : QStringList({"1", "65535", "65535", "16", "144"}));
    }
    caps.pixelFormatCount = 0;
    CDisplayList none(*s);
    none.refresh();
    EXPECT_EQ(none.list()->topLevelItemCount(), 0);
}

// The shipped switch, toggled on the page in a temporary HOME, changes only
// its own option; a fresh glxinfo drops the extension and lists it again
// after the toggle back.  A malformed file is left as it was.
TEST_F(ToolsTest, ShippedBlendSwitchTakesEffectThroughThePage)
{
    DrircHome home;
    TweakTab page(state());
    page.resize(540, 460);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(page.notice()->text(), text(290));
    QStringList keys;
    for (const tweak::Entry &e : tweak::readTweakFile(TweakTab::shippedTweakFile().toStdString()))
        if (e.vendor == "Mesa/X.org")
            keys << QString::fromStdString(e.key);
    ASSERT_EQ(page.list()->topLevelItemCount(), keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(page.list()->topLevelItem(i)->text(0), keys[i]);
        EXPECT_FALSE(page.isChecked(i)) << i;
    }
    const int blend = keys.indexOf("disable_blend_func_extended");
    const char *extension = "GL_ARB_blend_func_extended";
    ASSERT_TRUE(home.glxinfoLists(extension));
    page.list()->setCurrentItem(page.list()->topLevelItem(blend));
    QTest::keyClick(page.list(), Qt::Key_Return);
    ASSERT_TRUE(page.isChecked(blend));
    for (const QString &key : keys)
        EXPECT_EQ(tweak::readOption(home.drirc(), "swrast", key.toStdString()), key == keys[blend]);
    EXPECT_EQ(QString::fromStdString(readWhole(home.drirc())).count("<option"), 1);
    EXPECT_FALSE(home.glxinfoLists(extension));
    saveShots(page, "tweaks");
    QTest::keyClick(page.list(), Qt::Key_Return);
    EXPECT_FALSE(page.isChecked(blend));
    EXPECT_TRUE(home.glxinfoLists(extension));

    const std::string broken = "<driconf><device driver=\"swrast\"><application name=\"x\">";
    home.dir().write(".drirc", broken);
    QString message;
    auto seen = answerMessageBox(&message);
    EXPECT_FALSE(page.toggle(blend));
    ASSERT_TRUE(*seen);
    EXPECT_TRUE(message.contains(QString::fromStdString(home.drirc()))) << message.toStdString();
    EXPECT_EQ(readWhole(home.drirc()), broken);
    EXPECT_EQ(home.dir().count(), 1);
}

// The user's and the machine's files take a switch, other roots read
// unchecked and refuse it; other vendors are not listed; a language without
// a description shows the English one.
TEST_F(ToolsTest, SwitchRootsVendorsAndDescriptions)
{
    DrircHome home;
    const std::string system = home.dir().file("system-drirc");
    setenv("TESSERA_SYSTEM_DRIRC", system.c_str(), 1);
    const std::string file = home.dir().write(
        "tweak.xml",
        "<t><extension vendor=\"mesa/x.org\" name=\"machine\"><hkey>hklm</hkey><path>swrast</path>"
        "<key>glsl_zero_init</key><en>E1</en><fr>F1</fr></extension>"
        "<extension vendor=\"Mesa/X.org\" name=\"classes\"><hkey>HKCR</hkey><path>swrast</path>"
        "<key>glsl_zero_init</key><en>E2</en></extension>"
        "<extension vendor=\"Other\" name=\"hidden\"><hkey>HKCU</hkey><key>x</key></extension>"
        "<extension vendor=\"Mesa/X.org\" name=\"user\"><hkey>HKEY_CURRENT_USER</hkey><path/>"
        "<key>mesa_glthread</key><en>E3</en><de>D3</de></extension></t>");
    TweakTab page(state(), QString::fromStdString(file));
    const struct {
        const char *name;
        std::string config; // the file that takes the switch, "" when none does
        const char *driver, *option, *french;
    } rows[] = {{"machine", system, "swrast", "glsl_zero_init", "F1"},
                {"classes", "", "", "", "E2"},
                {"user", home.drirc(), "", "mesa_glthread", "E3"}};
    ASSERT_EQ(page.list()->topLevelItemCount(), 3);
    textTable().loadData("fr.strings", "");
    page.refresh();
    for (int i = 0; i < 3; ++i) {
        const auto &row = rows[i];
        const bool takes = !row.config.empty();
        EXPECT_EQ(page.list()->topLevelItem(i)->text(0), row.name);
        EXPECT_EQ(page.list()->topLevelItem(i)->text(1), row.french);
        auto refused = answerMessageBox(nullptr);
        EXPECT_EQ(page.toggle(i), takes) << row.name;
        EXPECT_EQ(*refused, !takes) << row.name;
        EXPECT_EQ(page.isChecked(i), takes) << row.name;
        EXPECT_EQ(takes && tweak::readOption(row.config, row.driver, row.option), takes);
    }
    EXPECT_EQ(home.dir().count(), 3); // tweak.xml and the two files that took a switch
    textTable().load("en.strings", {});
    unsetenv("TESSERA_SYSTEM_DRIRC");
}

// Consent, save, mail: the mail program gets address, subject, body and the
// saved file while the window takes no input, and the outcome is shown.
// Decline or a cancelled save sends nothing.
TEST_F(ToolsTest, SubmissionHandsTheSavedReportToTheMailProgram)
{
    const QString caption = text(156) + "|", error = caption + text(184);
    const struct {
        const char *name;
        int mailer; // exit status of the mail program; -1: no xdg-email in PATH
        QStringList steps, log;
    } rows[] = {
        {"sent",
         0,
         {"press:accept", "file:", "ok"},
         {"CPrivacyDlg", "saveDialog", caption + text(183)}},
        {"failed",
         3,
         {"press:accept", "file:", "ok", "ok"},
         {"CPrivacyDlg", "saveDialog", caption + "Send Mail failed to send message.", error}},
        {"no xdg-email",
         -1,
         {"press:accept", "file:", "ok", "ok"},
         {"CPrivacyDlg", "saveDialog", caption + "Unable to load mail system support.", error}},
        {"declined", 0, {"press:decline"}, {"CPrivacyDlg"}},
        {"save cancelled", 0, {"press:accept", "reject"}, {"CPrivacyDlg", "saveDialog"}},
    };
    const std::string path = std::getenv("PATH");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        MailRecorder mailer(std::max(row.mailer, 0));
        if (row.mailer < 0)
            setenv("PATH", viewerEnvironment().dir().file("bin").c_str(), 1);
        const QString report = QString::fromStdString(mailer.dir.file("submitted.xml"));
        QStringList steps = row.steps;
        steps.replaceInStrings(QRegularExpression("^file:$"), "file:" + report);
        // The save dialog opens in the report's folder, so no folder change
        // races with the chosen name.
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Lumenscope"))
            .setValue("MainFrame/Folder", QString::fromStdString(mailer.dir.path()));
        MainWindow w(state());
        w.show();
        auto log = answerDialogs(steps);
        QSet<bool> enabledWhileMailing;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (QFileInfo::exists(QString::fromStdString(mailer.busy)))
                enabledWhileMailing << w.isEnabled();
        });
        probe.start(20);
        w.submitReport();
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(*log, row.log);
        EXPECT_TRUE(w.isEnabled());
        const bool saved = row.log.size() > 2;
        EXPECT_EQ(QFileInfo(report).isFile(), saved);
        EXPECT_EQ(viewerEnvironment().opened().find(report.toStdString()) != std::string::npos,
                  saved);
        viewerEnvironment().clearOpened();
        const QString mailed = QString::fromStdString(readWhole(mailer.record)).trimmed();
        if (!saved || row.mailer < 0) {
            EXPECT_EQ(mailed, "");
            continue;
        }
        EXPECT_EQ(enabledWhileMailing, QSet<bool>{false});
        const QUrl url(mailed);
        const QUrlQuery query(url);
        EXPECT_EQ(url.scheme() + ":" + url.path(), QStringLiteral("mailto:") + kSubmitAddress);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), kSubmitSubject);
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), kSubmitBody);
        EXPECT_EQ(query.queryItemValue("attach", QUrl::FullyDecoded), report);
    }
}

// Database > Submit asks the update index first: only the latest release
// reaches the consent dialog.  The summary page's Submit does not ask.
TEST_F(ToolsTest, SubmitCommandRequiresTheLatestRelease)
{
    TempDir served;
    LoopbackServers servers(served.path(), TESSERA_SOURCE_DIR "/data/extensions.xml");
    ASSERT_TRUE(servers.ready());
    const QString check = text(368) + "|";
    const QString refused =
        text(156) + "|You need the latest version in order to update the database.";
    const struct {
        std::string url;
        QStringList steps, log;
    } rows[] = {
        {servers.http("same.xsa"), {"ok", "press:decline"}, {check + text(369), "CPrivacyDlg"}},
        {servers.http("newer.xsa"), {"reject", "ok"}, {"lumSoftwareUpdate", refused}},
        {"http://127.0.0.1:1/index.xsa", {"ok", "ok"}, {check + text(371), refused}},
    };
    for (const auto &row : rows) {
        setenv("TESSERA_UPDATE_URL", row.url.c_str(), 1);
        MainWindow w(state());
        w.show();
        auto log = answerDialogs(row.steps);
        w.submitCommand();
        EXPECT_EQ(*log, row.log) << row.url;
    }
    unsetenv("TESSERA_UPDATE_URL");
    EXPECT_EQ(viewerEnvironment().opened(), "");

    // The summary page's button goes to the consent dialog directly.
    MainWindow w(state());
    int checks = 0;
    w.setUpdateCheck([&checks] { return ++checks; });
    auto log = answerDialogs({"press:decline"});
    static_cast<CMainTab *>(w.page(0))->submitButton()->click();
    EXPECT_EQ(*log, QStringList{"CPrivacyDlg"});
    EXPECT_EQ(checks, 0);
}

TEST_F(ToolsTest, PageAndDialogShots)
{
    CDisplayMode modes(state());
    CDisplayList formats(state());
    modes.refresh();
    formats.refresh();
    EXPECT_EQ(modes.list()->topLevelItemCount(), state().current().caps.displayModeCount);
    EXPECT_EQ(formats.list()->topLevelItemCount(), state().current().caps.pixelFormatCount);
    CPrivacyDlg consent;
    EXPECT_EQ(consent.findChild<QLabel *>("privacyNotice")->text(), text(139));
    for (auto [widget, name] : {std::pair<QWidget *, const char *>{&modes, "display-modes"},
                                {&formats, "pixel-formats"},
                                {&consent, "privacy-dialog"}}) {
        if (widget != &consent)
            widget->resize(540, 460);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
        saveShots(*widget, name);
    }
}

// A save that runs into the file-size limit (ulimit -f), in a process of
// its own: the error names the file and the previous file stays.
TEST_F(ToolsTest, SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    if (const char *folder = std::getenv("TESSERA_LIMITED_SAVE")) {
        ignoreFileSizeSignal(); // as the viewer does at start
        const struct rlimit limit = {2048, RLIM_INFINITY};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        MainWindow w(state());
        w.show();
        QString message;
        auto seen = answerMessageBox(&message);
        const bool saved = w.saveReportFile(QString(folder) + "/old.xml");
        writeWhole(std::string(folder) + "/result.txt",
                   (saved ? "saved\n" : "failed\n") + message.toStdString());
        return;
    }
    TempDir dir;
    const std::string old = dir.write("old.xml", "<Tessera>the previous report</Tessera>\n");
    int status = 0;
    const std::string log = commandOutput(
        "TESSERA_LIMITED_SAVE='" + dir.path() + "' /proc/" + std::to_string(getpid()) +
            "/exe --gtest_filter=ToolsTest.SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile 2>&1",
        &status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
    EXPECT_EQ(readWhole(dir.file("result.txt")),
              "failed\nError|" + formatText(LoadText(359), {old}) + "|")
        << log;
    EXPECT_EQ(readWhole(old), "<Tessera>the previous report</Tessera>\n");
    EXPECT_EQ(dir.count(), 2); // old.xml and result.txt: no temporary file left
}
