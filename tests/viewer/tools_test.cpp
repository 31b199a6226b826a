// The display-mode, pixel-format and driver-switch pages, the submission of
// a reading by mail and a save beyond the file-size limit, on the xcb
// platform of the private X server.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <cstring>
#include <memory>

#include "app/application.h"
#include "online/drirc.h"
#include "pages/list_page.h"
#include "pages/pages.h"
#include "support/command.h"
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

void clickHeader(SortedList *list, int column)
{
    QHeaderView *header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// A state whose current reading holds the given display modes and pixel
// formats, nothing else.
std::unique_ptr<AppState> syntheticState(const std::vector<tsDisplayMode> &modes,
                                         const std::vector<tsPixelFormat> &formats)
{
    auto s = std::make_unique<AppState>();
    Reading &r = s->readings[1];
    std::memset(&r.caps, 0, sizeof r.caps);
    r.caps.size = TS_RENDERER_CAPS_SIZE;
    r.caps.filled = 1;
    r.caps.displayModeCount = int16_t(modes.size());
    std::copy(modes.begin(), modes.end(), r.caps.displayModes);
    r.caps.pixelFormatCount = int16_t(formats.size());
    std::copy(formats.begin(), formats.end(), r.caps.pixelFormats);
    s->currentReading = 1;
    return s;
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
    f.support_opengl = 1;
    return f;
}

// A mail program for xdg-email ($MAILER): records the mailto address it is
// given, stays a moment (a marker file says so), and exits with the given
// status.
struct MailRecorder {
    TempDir dir;
    std::string record = dir.file("mail.txt");
    std::string busy = dir.file("busy");
    explicit MailRecorder(int status)
    {
        const std::string script =
            dir.write("mailer", "#!/bin/sh\n: > '" + busy + "'\nprintf '%s\\n' \"$1\" >> '" +
                                    record + "'\nsleep 0.4\nrm -f '" + busy + "'\nexit " +
                                    std::to_string(status) + "\n");
        ::chmod(script.c_str(), 0755);
        setenv("MAILER", script.c_str(), 1);
    }
    ~MailRecorder() { unsetenv("MAILER"); }
    bool called() const { return QFileInfo::exists(QString::fromStdString(record)); }
    bool running() const { return QFileInfo::exists(QString::fromStdString(busy)); }
};

// Chooses path in a file dialog.
std::function<void(QWidget *)> chooseFile(const QString &path)
{
    return [path](QWidget *w) {
        if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        } else if (auto *d = qobject_cast<QDialog *>(w)) {
            d->reject();
        }
    };
}

// Presses the consent dialog's Accept or Decline, noting that it appeared.
std::function<void(QWidget *)> consent(bool accept, QStringList *seen)
{
    return [accept, seen](QWidget *w) {
        auto *dialog = qobject_cast<CPrivacyDlg *>(w);
        seen->append(dialog ? QStringLiteral("consent") : QString(w->metaObject()->className()));
        if (dialog)
            QTest::mouseClick(accept ? dialog->acceptButton() : dialog->declineButton(),
                              Qt::LeftButton);
        else if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
    };
}

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
// equal rows keep the order they had.  Areas above 2^31 and rates above 127
// sort as the large unsigned numbers they are.
TEST(ListPages, HeaderClickSequences)
{
    const std::vector<tsDisplayMode> modes = {
        {1024, 768, 32, 60}, {65535, 65535, 16, 144}, {768, 1024, 32, 200},
        {640, 480, 8, 75},   {40000, 40000, 24, 0},
    };
    const std::vector<tsPixelFormat> formats = {format(0, 1, 24, 0), format(1, 0, 16, 4),
                                                format(0, 0, 24, 0), format(1, 1, 0, 2)};
    auto s = syntheticState(modes, formats);
    struct Step {
        int column;
        QVector<int> order; // entry positions, top to bottom
    };
    const struct {
        const char *name;
        bool pixelFormats;
        std::vector<Step> steps;
    } sequences[] = {
        {"width twice, height, Hz, ID twice",
         false,
         {{1, {3, 0, 2, 4, 1}},
          {1, {1, 4, 0, 2, 3}},
          {2, {1, 4, 0, 2, 3}},
          {4, {2, 1, 3, 0, 4}},
          {0, {4, 3, 2, 1, 0}},
          {0, {0, 1, 2, 3, 4}}}},
        {"ID first flips, depth twice",
         false,
         {{0, {4, 3, 2, 1, 0}}, {3, {2, 0, 4, 1, 3}}, {3, {3, 1, 4, 2, 0}}}},
        {"hardware twice, ICD, MCD, samples, double buffer, ID",
         true,
         {{9, {1, 3, 0, 2}},
          {9, {0, 2, 1, 3}},
          {11, {0, 2, 1, 3}},
          {12, {0, 2, 1, 3}},
          {6, {1, 3, 0, 2}},
          {1, {3, 0, 1, 2}},
          {0, {3, 2, 1, 0}}}},
        {"depth", true, {{2, {3, 1, 0, 2}}}},
    };
    for (const auto &sequence : sequences) {
        std::unique_ptr<TabPage> page;
        SortedList *list;
        if (sequence.pixelFormats) {
            auto *p = new CDisplayList(*s);
            list = p->list();
            page.reset(p);
        } else {
            auto *p = new CDisplayMode(*s);
            list = p->list();
            page.reset(p);
        }
        page->refresh();
        page->resize(1300, 300);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        int n = 0;
        for (const Step &step : sequence.steps) {
            clickHeader(list, step.column);
            EXPECT_EQ(list->order(), step.order)
                << sequence.name << ", click " << ++n << " on column " << step.column;
        }
    }

    // What the cells show for a mode above 32-bit area and 127 Hz, and for
    // an accelerated RGBA format.
    CDisplayMode modePage(*s);
    modePage.refresh();
    const QTreeWidgetItem *big = modePage.list()->topLevelItem(1);
    EXPECT_EQ(big->text(1) + " " + big->text(2) + " " + big->text(4), "65535 65535 144");
    CDisplayList formatPage(*s);
    formatPage.refresh();
    const QTreeWidgetItem *f = formatPage.list()->topLevelItem(1);
    QStringList cells;
    for (int c = 0; c < f->columnCount(); ++c)
        cells << f->text(c);
    EXPECT_EQ(cells.join(','),
              QStringList({"2", text(186), "16", "0", "32", "0", "4", text(185), text(186), "Full",
                           "RGBA", text(186), text(186), text(186), text(186), "0", "0"})
                  .join(','));

    auto empty = syntheticState(modes, {});
    CDisplayList none(*empty);
    none.refresh();
    EXPECT_EQ(none.list()->topLevelItemCount(), 0);
}

TEST_F(ToolsTest, ListPagesOfTheLiveReading)
{
    const tsRendererCaps &caps = state().current().caps;
    CDisplayMode modes(state());
    CDisplayList formats(state());
    modes.refresh();
    formats.refresh();
    EXPECT_EQ(modes.list()->topLevelItemCount(), caps.displayModeCount);
    EXPECT_EQ(formats.list()->topLevelItemCount(), caps.pixelFormatCount);
    for (TabPage *page : {static_cast<TabPage *>(&modes), static_cast<TabPage *>(&formats)}) {
        page->resize(540, 460);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
    }
    saveShots(modes, "display-modes");
    saveShots(formats, "pixel-formats");
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
    EXPECT_TRUE(page.notice()->text().contains(".drirc"));

    const std::vector<tweak::Entry> shipped =
        tweak::readTweakFile(TweakTab::shippedTweakFile().toStdString());
    QStringList expected;
    for (const tweak::Entry &e : shipped)
        if (e.vendor == "Mesa/X.org")
            expected << QString::fromStdString(e.key);
    QStringList shown;
    int blend = -1;
    for (int i = 0; i < page.list()->topLevelItemCount(); ++i) {
        shown << page.list()->topLevelItem(i)->text(0);
        EXPECT_FALSE(page.isChecked(i)) << i;
        if (shown.last() == "disable_blend_func_extended")
            blend = i;
    }
    EXPECT_EQ(shown, expected);
    ASSERT_GE(blend, 0);
    saveShots(page, "tweaks");

    const char *extension = "GL_ARB_blend_func_extended";
    ASSERT_TRUE(home.glxinfoLists(extension));
    page.list()->setCurrentItem(page.list()->topLevelItem(blend));
    QTest::keyClick(page.list(), Qt::Key_Return);
    ASSERT_TRUE(page.isChecked(blend));
    for (const QString &key : expected)
        EXPECT_EQ(tweak::readOption(home.drirc(), "swrast", key.toStdString()),
                  key == "disable_blend_func_extended" ? 1 : 0)
            << key.toStdString();
    EXPECT_EQ(QString::fromStdString(readWhole(home.drirc())).count("<option"), 1);
    EXPECT_FALSE(home.glxinfoLists(extension));
    saveShots(page, "tweaks-on");

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

// Roots: the user's and the machine's file take the switch, other roots
// read unchecked and refuse it; other vendors are not listed; descriptions
// follow the language, English where a language has none.
TEST_F(ToolsTest, SwitchRootsVendorsAndDescriptions)
{
    DrircHome home;
    const std::string system = home.dir().file("system-drirc");
    setenv("TESSERA_SYSTEM_DRIRC", system.c_str(), 1);
    const std::string file = home.dir().write(
        "tweak.xml",
        "<tweaks>"
        "<extension vendor=\"mesa/x.org\" name=\"machine\"><hkey>hklm</hkey><path>swrast</path>"
        "<key>glsl_zero_init</key><en>E1</en><fr>F1</fr></extension>"
        "<extension vendor=\"Mesa/X.org\" name=\"classes\"><hkey>HKCR</hkey><path>swrast</path>"
        "<key>glsl_zero_init</key><en>E2</en></extension>"
        "<extension vendor=\"Other\" name=\"hidden\"><hkey>HKCU</hkey><key>x</key></extension>"
        "<extension vendor=\"Mesa/X.org\" name=\"user\"><hkey>HKEY_CURRENT_USER</hkey><path/>"
        "<key>mesa_glthread</key><en>E3</en><de>D3</de></extension>"
        "</tweaks>");
    TweakTab page(state(), QString::fromStdString(file));
    const struct {
        const char *name;
        bool toggles;
        std::string config; // the file that takes the switch
        const char *driver, *option;
        const char *french;
    } rows[] = {
        {"machine", true, system, "swrast", "glsl_zero_init", "F1"},
        {"classes", false, "", "", "", "E2"},
        {"user", true, home.drirc(), "", "mesa_glthread", "E3"},
    };
    ASSERT_EQ(page.list()->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto &row = rows[i];
        EXPECT_EQ(page.list()->topLevelItem(i)->text(0), row.name);
        EXPECT_FALSE(page.isChecked(i)) << row.name;
        auto seen = answerMessageBox(nullptr);
        EXPECT_EQ(page.toggle(i), row.toggles) << row.name;
        EXPECT_EQ(*seen, !row.toggles) << row.name;
        EXPECT_EQ(page.isChecked(i), row.toggles) << row.name;
        if (row.toggles) {
            EXPECT_EQ(tweak::readOption(row.config, row.driver, row.option), 1) << row.name;
        }
    }
    EXPECT_EQ(home.dir().count(), 3); // tweak.xml and the two files that took a switch

    textTable().loadData("fr.strings", "");
    page.refresh();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(page.list()->topLevelItem(i)->text(1), rows[i].french);
    textTable().load("en.strings", {});
    page.refresh();
    EXPECT_EQ(page.list()->topLevelItem(0)->text(1), "E1");
    unsetenv("TESSERA_SYSTEM_DRIRC");
}

// Accept, save, mail: the mail program gets the address, subject, body and
// the saved file, the window takes no input meanwhile, and the outcome is
// shown: sent, failed, or no mail program at all.
TEST_F(ToolsTest, SubmissionHandsTheSavedReportToTheMailProgram)
{
    const QString sent = text(156) + "|" + text(183);
    const QString error = text(156) + "|" + text(184);
    const struct {
        const char *name;
        int mailerStatus; // -1: no xdg-email in PATH
        QStringList messages;
    } rows[] = {
        {"sent", 0, {sent}},
        {"mail program failed", 3, {text(156) + "|Send Mail failed to send message.", error}},
        {"no xdg-email", -1, {text(156) + "|Unable to load mail system support.", error}},
    };
    const std::string path = std::getenv("PATH");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        MailRecorder mailer(row.mailerStatus < 0 ? 0 : row.mailerStatus);
        if (row.mailerStatus < 0)
            setenv("PATH", viewerEnvironment().dir().file("bin").c_str(), 1);
        viewerEnvironment().clearOpened();
        MainWindow w(state());
        w.show();
        const QString report = QString::fromStdString(mailer.dir.file("submitted.xml"));
        // The save dialog opens in the report's folder: no folder change
        // races with the chosen name.
        QSettings(QStringLiteral("Corvane"), QStringLiteral("Lumenscope"))
            .setValue(QStringLiteral("MainFrame/Folder"),
                      QString::fromStdString(mailer.dir.path()));
        QStringList seen, messages;
        std::vector<std::function<void(QWidget *)>> answers = {consent(true, &seen),
                                                               chooseFile(report)};
        for (int i = 0; i < row.messages.size(); ++i)
            answers.push_back(closeMessageBox(&messages));
        auto answered = answerDialogs(answers);
        bool disabledWhileMailing = false, enabledWhileMailing = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (mailer.running())
                (w.isEnabled() ? enabledWhileMailing : disabledWhileMailing) = true;
        });
        probe.start(20);
        w.submitReport();
        probe.stop();
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(*answered, int(answers.size()));
        EXPECT_EQ(seen, QStringList{"consent"});
        EXPECT_EQ(messages, row.messages);
        EXPECT_TRUE(QFileInfo(report).isFile());
        EXPECT_NE(viewerEnvironment().opened().find(report.toStdString()), std::string::npos);
        EXPECT_TRUE(w.isEnabled());
        if (row.mailerStatus < 0) {
            EXPECT_FALSE(mailer.called());
            continue;
        }
        EXPECT_TRUE(disabledWhileMailing);
        EXPECT_FALSE(enabledWhileMailing);
        const QString line = QString::fromStdString(readWhole(mailer.record)).trimmed();
        ASSERT_FALSE(line.contains('\n')) << line.toStdString();
        const QUrl url(line);
        EXPECT_EQ(url.scheme(), "mailto");
        EXPECT_EQ(url.path(), kSubmitAddress);
        const QUrlQuery query(url);
        EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), kSubmitSubject);
        EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), kSubmitBody);
        EXPECT_EQ(query.queryItemValue("attach", QUrl::FullyDecoded), report);
    }
}

// Decline, or Accept and then Cancel in the save dialog: nothing is saved
// and nothing mailed.
TEST_F(ToolsTest, DeclinedOrUnsavedSubmissionSendsNothing)
{
    MailRecorder mailer(0);
    for (bool accept : {false, true}) {
        MainWindow w(state());
        w.show();
        QStringList seen;
        std::vector<std::function<void(QWidget *)>> answers = {consent(accept, &seen)};
        if (accept)
            answers.push_back([](QWidget *d) { static_cast<QDialog *>(d)->reject(); });
        auto answered = answerDialogs(answers);
        w.submitReport();
        EXPECT_EQ(*answered, int(answers.size()));
        EXPECT_EQ(seen, QStringList{"consent"});
    }
    EXPECT_FALSE(mailer.called());
    EXPECT_EQ(viewerEnvironment().opened(), "");
}

// Database > Submit asks the update index first: only the latest release
// reaches the consent dialog.
TEST_F(ToolsTest, SubmitCommandRequiresTheLatestRelease)
{
    TempDir served;
    LoopbackServers servers(served.path(),
                            std::string(TESSERA_SOURCE_DIR) + "/data/extensions.xml");
    ASSERT_TRUE(servers.ready());
    const QString check = text(368) + "|";
    const QString refused =
        text(156) + "|You need the latest version in order to update the database.";
    const struct {
        std::string url;
        QStringList messages;
        bool consentShown;
    } rows[] = {
        {servers.http("same.xsa"), {check + text(369)}, true},
        {servers.http("newer.xsa"),
         {check + QString::fromStdString(formatText(LoadText(370), {"2.40", "2026-12-01", "2.33"})),
          refused},
         false},
        {"http://127.0.0.1:1/index.xsa", {check + text(371), refused}, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.url);
        setenv("TESSERA_UPDATE_URL", row.url.c_str(), 1);
        MainWindow w(state());
        w.show();
        QStringList messages, seen;
        std::vector<std::function<void(QWidget *)>> answers;
        for (int i = 0; i < row.messages.size(); ++i)
            answers.push_back(closeMessageBox(&messages, QMessageBox::No));
        if (row.consentShown)
            answers.push_back(consent(false, &seen));
        auto answered = answerDialogs(answers);
        w.submitCommand();
        EXPECT_EQ(*answered, int(answers.size()));
        EXPECT_EQ(messages, row.messages);
        EXPECT_EQ(seen, row.consentShown ? QStringList{"consent"} : QStringList{});
    }
    unsetenv("TESSERA_UPDATE_URL");
    EXPECT_EQ(viewerEnvironment().opened(), "");
}

TEST_F(ToolsTest, ConsentDialogShots)
{
    CPrivacyDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), text(156));
    EXPECT_EQ(dialog.findChild<QLabel *>("privacyNotice")->text(), text(139));
    EXPECT_EQ(dialog.acceptButton()->text(), text(296));
    EXPECT_EQ(dialog.declineButton()->text(), text(297));
    saveShots(dialog, "privacy-dialog");
}

// A save that runs into the file-size limit (ulimit -f) in a process of its
// own: the error names the file and the previous file stays as it was.
TEST_F(ToolsTest, SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    if (const char *folder = std::getenv("TESSERA_LIMITED_SAVE")) {
        // The child: the limit is far below a report's size.
        ignoreFileSizeSignal();
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
            "/exe --gtest_filter=ToolsTest.SaveBeyondTheFileSizeLimitFailsAndKeepsTheOldFile "
            "2>&1",
        &status);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
    EXPECT_EQ(readWhole(dir.file("result.txt")),
              "failed\nError|" + formatText(LoadText(359), {old}) + "|")
        << log;
    EXPECT_EQ(readWhole(old), "<Tessera>the previous report</Tessera>\n");
    EXPECT_EQ(dir.count(), 2); // old.xml and result.txt: no temporary file left
}
