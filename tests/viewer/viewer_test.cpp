// The real main window, its commands and controls, on the xcb platform of the
// private X server, over the live readings of both drivers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

#include <cstring>
#include <thread>

#include "controls/download_dlg.h"
#include "controls/icon_list.h"
#include "controls/open_url.h"
#include "controls/rich_text.h"
#include "controls/tab_control.h"
#include "controls/tree_ctrl.h"
#include "pages/info_tree.h"
#include "pages/pages.h"
#include "sounder/database.h"
#include "sounder/texts.h"
#include "support/qt_dialogs.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"

using namespace tessera;

namespace {

QString builtin(int id)
{
    const char *t = tsGetBuiltinText(id);
    return QString::fromUtf8(t ? t : "");
}

QStringList menuTitles(MainWindow &w)
{
    QStringList titles;
    for (QAction *a : w.menuBar()->actions())
        titles << a->text();
    return titles;
}

QStringList tabTexts(MainWindow &w)
{
    QStringList texts;
    for (int i = 0; i < w.tabs()->count(); ++i)
        texts << w.tabs()->tabText(i);
    return texts;
}

QString rendererOf(const Reading &r)
{
    return QString::fromUtf8(r.caps.renderer ? r.caps.renderer : "");
}

void savePng(QWidget &w, const QString &name)
{
    QDir().mkpath(shotFolder());
    w.grab().save(shotFolder() + "/" + name + ".png");
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(state().readings[1].ok) << state().readings[1].log;
        QSettings settings(QStringLiteral("Corvane"), QStringLiteral("Lumenscope"));
        settings.clear();
        viewerEnvironment().clearOpened();
    }
    AppState &state() { return sharedState(); }
};

} // namespace

TEST_F(ViewerTest, FirstWindowPlacementTabsMenusAndTitle)
{
    {
        MainWindow w(state());
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(w.geometry().size(), QSize(564, 560));
        EXPECT_EQ(w.pos(), QPoint((screen.width() - 564) / 2, (screen.height() - 560) / 2));
        EXPECT_EQ(tabTexts(w),
                  QStringList({"OpenGL", builtin(141), builtin(142), builtin(143), builtin(144),
                               builtin(213), builtin(292), builtin(295)}));
        EXPECT_EQ(menuTitles(w),
                  QStringList({"&" + builtin(148), "&" + builtin(149), "&" + builtin(209),
                               "&" + builtin(269), "&" + builtin(150)}));
        EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - " + rendererOf(state().readings[1]));

        // One checked renderer item per reading, the current one checked.
        const QList<QAction *> renderers = w.rendererMenu()->actions();
        ASSERT_EQ(renderers.size(), 2);
        EXPECT_EQ(renderers[0]->text(), rendererOf(state().readings[0]));
        EXPECT_FALSE(renderers[0]->isChecked());
        EXPECT_TRUE(renderers[1]->isChecked());

        // Eight languages; without their files only English can be chosen.
        const QList<QAction *> langs = w.languageMenu()->actions();
        ASSERT_EQ(langs.size(), 8);
        EXPECT_TRUE(langs[0]->isEnabled());
        EXPECT_TRUE(langs[0]->isChecked());
        for (int i = 1; i < 8; ++i) {
            EXPECT_FALSE(langs[i]->isEnabled()) << i;
            EXPECT_TRUE(langs[i]->toolTip().contains(languages()[i].file)) << i;
        }
        // Submit and the database download are wired.
        EXPECT_TRUE(w.databaseMenu()->actions()[0]->isEnabled());
        EXPECT_TRUE(w.databaseMenu()->actions()[1]->isEnabled());

        // Esc does not close the window; About shows the version and the notice.
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        QString about;
        auto seen = answerNextDialog([&about](QWidget *d) {
            if (auto *label = d->findChild<QLabel *>("aboutText"))
                about = label->text();
            static_cast<QDialog *>(d)->accept();
        });
        w.showAbout();
        ASSERT_TRUE(*seen);
        EXPECT_TRUE(
            about.startsWith(QString::fromStdString(formatText(LoadText(103), {TESSERA_VERSION}))));
        EXPECT_TRUE(about.endsWith(builtin(104)));

        savePng(w, "window");
        for (int i = 0; i < kPageCount; ++i) {
            w.tabs()->activatePage(i);
            QApplication::processEvents();
            savePng(w, QStringLiteral("page-%1").arg(i));
        }
        w.move(100, 80);
        QApplication::processEvents();
        w.close();
    }
    // The placement is kept for the next start.
    MainWindow again(state());
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.pos(), QPoint(100, 80));
    EXPECT_EQ(again.size(), QSize(564, 560));
}

TEST_F(ViewerTest, LanguageSwitchRereadsTextsAndKeepsTheVisibleTab)
{
    // A Japanese file, UTF-16LE with a byte-order mark, for ids 101-160.
    std::u16string text = u"\"Japanese\" \"ja\"";
    for (int id = 101; id <= 160; ++id) {
        std::u16string t;
        if (id == 141)
            t = u"拡張機能";
        else if (id == 148)
            t = u"ファイル";
        else if (id == 151)
            t = u"開く";
        text += u" \"" + t + u"\"";
    }
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text)
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    QDir().mkpath(QString::fromStdString(viewerEnvironment().dataFolder()));
    writeWhole(viewerEnvironment().dataFolder() + "/jp.strings", bytes);

    MainWindow w(state());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.tabs()->activatePage(3);
    QAction *japanese = w.languageMenu()->actions()[6];
    ASSERT_TRUE(japanese->isEnabled());
    const int before = w.page(1)->refreshCount();
    japanese->trigger();
    QTRY_VERIFY(w.page(1)->refreshCount() > before); // the refresh is queued
    EXPECT_EQ(w.tabs()->tabText(1), QString::fromUtf16(u"拡張機能"));
    EXPECT_EQ(w.menuBar()->actions()[0]->text(), QString::fromUtf16(u"&ファイル"));
    EXPECT_EQ(w.tabs()->tabText(2), builtin(142)); // empty in the file: English
    EXPECT_TRUE(japanese->isChecked());
    EXPECT_EQ(readWhole(viewerEnvironment().settingsFile()), std::string("0\njp.strings\0", 13));

    w.setWindowTitle("stale");
    const int again = w.page(1)->refreshCount();
    w.languageMenu()->actions()[0]->trigger();
    QTRY_VERIFY(w.page(1)->refreshCount() > again);
    EXPECT_EQ(w.tabs()->tabText(1), builtin(141));
    EXPECT_EQ(w.menuBar()->actions()[0]->text(), "&" + builtin(148));
    EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - " + rendererOf(state().current()));
    EXPECT_EQ(w.tabs()->currentPageIndex(), 3);
    EXPECT_EQ(readWhole(viewerEnvironment().settingsFile()), std::string("0\nen.strings\0", 13));

    // Link sites are saved as they change.
    w.databaseMenu()->actions()[3 + 5]->trigger();
    EXPECT_EQ(state().linkIndex, 5);
    EXPECT_EQ(readWhole(viewerEnvironment().settingsFile()), std::string("5\nen.strings\0", 13));
    state().linkIndex = 0;
}

TEST_F(ViewerTest, RendererSwitchRefreshesEveryPageFromMemory)
{
    MainWindow w(state());
    w.show();
    const int before = w.page(4)->refreshCount();
    w.rendererMenu()->actions()[0]->trigger();
    EXPECT_EQ(state().currentReading, 0);
    EXPECT_EQ(state().db->currentReading, 0);
    EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - " + rendererOf(state().readings[0]));
    for (int i : {0, 1, 4, 5, 6, 7})
        EXPECT_GT(w.page(i)->refreshCount(), i == 4 ? before : 0) << i;
    const QString rendererLine = "Renderer: " + rendererOf(state().readings[0]);
    EXPECT_EQ(static_cast<CExtensionTab *>(w.page(1))
                  ->tree()
                  ->findItems(rendererLine, Qt::MatchExactly | Qt::MatchRecursive)
                  .size(),
              1);
    EXPECT_TRUE(w.rendererMenu()->actions()[0]->isChecked());
    EXPECT_FALSE(w.rendererMenu()->actions()[1]->isChecked());
    w.rendererMenu()->actions()[1]->trigger();
    EXPECT_EQ(state().db->currentReading, 1);
}

TEST_F(ViewerTest, SavedReportOpensWithItsRendererAndFloatsUnderADecimalCommaLocale)
{
    ASSERT_NE(std::string(setlocale(LC_CTYPE, nullptr)).find("de_DE"), std::string::npos)
        << "the test program runs under de_DE.UTF-8";
    MainWindow w(state());
    w.show();
    const TempDir dir;
    const QString path = QString::fromStdString(dir.file("live.xml"));
    QString title;
    auto seen = answerFileDialog(path, &title);
    w.saveReport();
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, builtin(105));
    ASSERT_TRUE(QFileInfo::exists(path));
    // The written file is handed to the desktop.
    QTRY_COMPARE(QString::fromStdString(viewerEnvironment().opened()),
                 QString::fromStdString("file://" + dir.file("live.xml") + "\n"));

    // Opened over the other reading: its renderer in the title and the menu.
    const float gran = state().readings[1].caps.PointSizeGran;
    ASSERT_NE(gran, 0.0f);
    w.setRenderer(0);
    seen = answerFileDialog(path, &title);
    w.openReport();
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, builtin(106));
    const Reading &r = state().readings[0];
    EXPECT_TRUE(r.fromReport);
    EXPECT_EQ(state().db->fromReport, 1u);
    EXPECT_EQ(rendererOf(r), rendererOf(state().readings[1]));
    EXPECT_EQ(r.caps.PointSizeGran, gran);
    EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - " + rendererOf(state().readings[1]));
    EXPECT_EQ(w.rendererMenu()->actions()[0]->text(), rendererOf(state().readings[1]));
    // The live reading is still the other one; fromReport follows the reading.
    w.setRenderer(1);
    EXPECT_FALSE(state().readings[1].fromReport);
    EXPECT_EQ(state().db->fromReport, 0u);
}

TEST_F(ViewerTest, RefusedReportsChangeNothing)
{
    MainWindow w(state());
    w.show();
    const TempDir dir;
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string(64, '\0');
    const std::string files[] = {
        dir.write("empty.xml", ""),
        dir.write("garbage.xml", "<<<not a report \x01\x02"),
        dir.write("picture.xml", png),
        dir.write("norenderer.xml", "<?xml version=\"1.0\"?><Tessera version=\"2.33\"></Tessera>"),
        dir.sub("folder.xml"),
        dir.file("missing.xml"),
        dir.write("report.txt", readWhole(dir.file("none"))),
    };
    std::string big = dir.file("big.xml");
    writeWhole(big, std::string(17 << 20, ' '));
    const Reading &current = state().current();
    const char *renderer = current.caps.renderer;
    const uint32_t modified = state().db->modified;
    const QString title = w.windowTitle();
    for (const std::string &file :
         {files[0], files[1], files[2], files[3], files[4], files[5], files[6], big}) {
        QString text;
        auto seen = answerMessageBox(&text);
        EXPECT_FALSE(w.openReportFile(QString::fromStdString(file))) << file;
        EXPECT_TRUE(*seen) << file;
        EXPECT_TRUE(text.startsWith("Error|" + builtin(182))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString(file))) << text.toStdString();
        EXPECT_EQ(current.caps.renderer, renderer);
        EXPECT_FALSE(current.fromReport);
        EXPECT_EQ(state().db->modified, modified);
        EXPECT_EQ(w.windowTitle(), title);
    }
}

TEST_F(ViewerTest, FailedOrRefusedSaveSaysSoAndWritesNothing)
{
    MainWindow w(state());
    w.show();
    const TempDir dir;
    const std::string inTheWay = dir.sub("taken.xml");
    QString text;
    auto seen = answerMessageBox(&text);
    EXPECT_FALSE(w.saveReportFile(QString::fromStdString(inTheWay)));
    ASSERT_TRUE(*seen);
    EXPECT_EQ(text, "Error|" + QString::fromStdString(formatText(LoadText(359), {inTheWay})) + "|");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(inTheWay)).isDir());

    const std::string old = dir.write("old.txt", "keep me");
    seen = answerMessageBox(&text);
    EXPECT_FALSE(w.saveReportFile(QString::fromStdString(old)));
    ASSERT_TRUE(*seen);
    EXPECT_TRUE(text.startsWith("Error|" + builtin(182)));
    EXPECT_EQ(readWhole(old), "keep me");
    EXPECT_EQ(viewerEnvironment().opened(), "");
}

TEST_F(ViewerTest, OpenUrlHandsOnlyWebAndMailAddressesToTheDesktop)
{
    struct Case {
        const char *url;
        bool opened;
    } cases[] = {
        {"https://registry.khronos.org/OpenGL/extensions/ARB/ARB_multitexture.txt", true},
        {"http://example.org/a?b=c", true},
        {"ftp://ftp.example.org/x.zip", true},
        {"mailto:someone@example.org", true},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"GL_ARB_multitexture", false},
        {"ftp://", false},
        {"/tmp/x.xml", false},
    };
    QWidget parent;
    for (const Case &c : cases) {
        viewerEnvironment().clearOpened();
        QString text;
        auto seen = answerMessageBox(&text);
        EXPECT_EQ(OpenUrl(&parent, QString::fromUtf8(c.url)), c.opened) << c.url;
        if (c.opened) {
            QTRY_COMPARE(QString::fromStdString(viewerEnvironment().opened()),
                         QString::fromUtf8(c.url) + "\n");
            QTest::qWait(50);
            EXPECT_FALSE(*seen) << c.url;
        } else {
            EXPECT_TRUE(*seen) << c.url;
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.url))) << c.url;
            QTest::qWait(100);
            EXPECT_EQ(viewerEnvironment().opened(), "") << c.url;
        }
    }
}

TEST(Controls, TabControlIndexesFocusAndHooks)
{
    struct Recorder : TabControl {
        QStringList calls;
        void onActivatePage(int i, int id) override
        {
            calls << QStringLiteral("a%1/%2").arg(i).arg(id);
        }
        void onDeactivatePage(int i, int id) override
        {
            calls << QStringLiteral("d%1/%2").arg(i).arg(id);
        }
    } tabs;
    auto *pageA = new QWidget, *pageB = new QWidget;
    auto *layout = new QVBoxLayout(pageA);
    auto *first = new QLineEdit(pageA), *second = new QLineEdit(pageA);
    layout->addWidget(first);
    layout->addWidget(second);
    auto *other = new QLineEdit(pageB);
    EXPECT_EQ(tabs.addPage("none", 9, nullptr), -1);
    EXPECT_EQ(tabs.count(), 0);
    EXPECT_EQ(tabs.addPage("A", 10, pageA), 0);
    EXPECT_EQ(tabs.addPage("B", 11, pageB), 1);
    tabs.resize(300, 200);
    tabs.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tabs));
    tabs.activateWindow();
    second->setFocus();
    QTRY_VERIFY(second->hasFocus());
    tabs.calls.clear();
    tabs.activatePage(1);
    other->setFocus();
    tabs.activatePage(1); // already current: nothing happens
    tabs.activatePage(7); // no such tab
    tabs.activatePage(-1);
    EXPECT_EQ(tabs.calls, QStringList({"d0/10", "a1/11"}));
    tabs.activatePage(0);
    QTRY_VERIFY(second->hasFocus()); // the control that had it when A was left
    EXPECT_EQ(tabs.pageId(1), 11);
    EXPECT_EQ(tabs.pageId(5), -1);
}

TEST(Controls, TreeIconListAndRichText)
{
    TreeCtrl tree;
    auto *root = new QTreeWidgetItem(&tree, {"root"});
    auto *mid = new QTreeWidgetItem(root, {"mid"});
    auto *leaf = new QTreeWidgetItem(mid, {"leaf"});
    auto *lone = new QTreeWidgetItem(&tree, {"lone"});
    tree.expandBranch(root);
    EXPECT_TRUE(root->isExpanded() && mid->isExpanded());
    tree.expandBranch(lone); // a leaf: nothing to expand
    EXPECT_FALSE(lone->isExpanded());
    tree.collapseBranch(root);
    EXPECT_FALSE(root->isExpanded() || mid->isExpanded());
    (void)leaf;

    IconList list;
    list.addString("plain");
    list.addString("with icon", 0);
    list.addString("bad image", 5);
    EXPECT_EQ(list.imageOf(1), 0);
    EXPECT_EQ(list.imageOf(0), -1);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    list.setImageList({QIcon(red)});
    list.resize(200, 100);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QRect row = list.visualItemRect(list.item(1));
    EXPECT_GE(row.height(), std::max(16, list.fontMetrics().height()));
    const QImage shot = list.viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(row.left() + 8, row.top() + 8), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(row.left() + 8, list.visualItemRect(list.item(2)).top() + 8),
              QColor(Qt::red));

    // Outside text stays text; addresses become links that go to OpenUrl.
    const QString html = RichText::toHtml(
        "{\\rtf1 \\b <b>x</b> & y\\b0 \\line see https://example.org/a?b=1&c=2 now}", true);
    EXPECT_TRUE(html.contains("&lt;b&gt;x&lt;/b&gt; &amp; y"));
    EXPECT_TRUE(html.contains("<a href=\"https://example.org/a?b=1&amp;c=2\">"));
    RichText view;
    view.setRichText("line one\\line line two");
    EXPECT_EQ(view.toPlainText(), "line one\nline two");
    EXPECT_FALSE(view.openLinks());
}

TEST(Controls, DownloadDialogCancelReturnsAtOnceAndTheWorkerIsJoined)
{
    std::atomic<bool> workerDone{false};
    {
        DownloadDlg dialog(nullptr, "Downloading", [&](DownloadShared &shared) {
            shared.progress = 40;
            shared.setStatus("working");
            while (!shared.cancelled)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // a slow abort
            workerDone = true;
            return 7;
        });
        QTimer::singleShot(450, &dialog, [&dialog] {
            EXPECT_EQ(dialog.findChild<QLabel *>()->text(), "working");
            dialog.reject();
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_LT(clock.elapsed(), 700); // did not wait for the worker
        EXPECT_EQ(dialog.routineResult(), -1);
    }
    EXPECT_FALSE(workerDone);
    EXPECT_EQ(pendingDownloadWorkers(), 1);
    joinDownloadWorkers();
    EXPECT_TRUE(workerDone);
    EXPECT_EQ(pendingDownloadWorkers(), 0);

    DownloadDlg done(nullptr, "Quick", [](DownloadShared &shared) {
        shared.progress = 100;
        return 3;
    });
    EXPECT_EQ(done.exec(), QDialog::Accepted);
    EXPECT_EQ(done.routineResult(), 3);
}

TEST(MainWindowWithoutReadings, FailedReadingsAreListedWithTheirLog)
{
    AppState empty;
    empty.db = tsDatabaseCreateFromCString(nullptr);
    for (Reading &r : empty.readings) {
        std::memset(&r.caps, 0, sizeof r.caps);
        std::memset(&r.system, 0, sizeof r.system);
        r.caps.size = TS_RENDERER_CAPS_SIZE;
        r.log = "Probe:\nOpenGL initialization failed.\n";
    }
    empty.setCurrentReading(1);
    MainWindow w(empty);
    EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - ");
    const QList<QAction *> items = w.rendererMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    for (QAction *a : items) {
        EXPECT_FALSE(a->isEnabled());
        EXPECT_TRUE(a->toolTip().contains("OpenGL initialization failed."))
            << a->toolTip().toStdString();
    }
    tsDatabaseRelease(empty.db);
}
