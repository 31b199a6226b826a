// The database browser over a small fixture database and over the shipped
// database merged with both live readings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include "controls/icon_list.h"
#include "controls/tab_control.h"
#include "pages/browser_tab.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "support/browser_fixture.h"
#include "support/qt_dialogs.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"

using namespace tessera;

namespace {

QStringList lines(const IconList *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Selects rows as a click (the first) and control-clicks (the rest) would,
// then lets the page handle the change.
void choose(IconList *list, std::initializer_list<int> rows)
{
    bool first = true;
    for (int row : rows) {
        list->setCurrentRow(row, first ? QItemSelectionModel::ClearAndSelect
                                       : QItemSelectionModel::Select);
        first = false;
    }
    QApplication::processEvents();
}

int rowOf(const IconList *list, const QString &name)
{
    for (int i = 1; i < list->count(); ++i)
        if (list->item(i)->text() == name)
            return i;
    return -1;
}

void chooseNames(IconList *list, const QStringList &names)
{
    bool first = true;
    for (const QString &name : names) {
        const int row = rowOf(list, name);
        ASSERT_GT(row, 0) << name.toStdString();
        list->setCurrentRow(row, first ? QItemSelectionModel::ClearAndSelect
                                       : QItemSelectionModel::Select);
        first = false;
    }
    QApplication::processEvents();
}

void setFilter(BrowserTab &tab, int index)
{
    tab.filterBox()->setCurrentIndex(index);
    QApplication::processEvents();
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_.db = tsDatabaseCreateFromCString(browserFixtureDatabase());
        ASSERT_TRUE(tsDatabaseIsComplete(state_.db));
        tab_.reset(new BrowserTab(state_));
        tab_->resize(700, 420);
        tab_->refresh(0);
        setFilter(*tab_, 0);
    }
    void TearDown() override
    {
        setFilter(*tab_, 0); // the filter outlives the page
        tab_.reset();
        tsDatabaseRelease(state_.db);
    }
    AppState state_;
    std::unique_ptr<BrowserTab> tab_;
};

} // namespace

// Each step acts on the page as the user would and names what the three
// lists show afterwards (the "All" line first).
TEST_F(BrowserTest, FilterAndSelectionsNarrowTheLists)
{
    struct Step {
        const char *what;
        std::function<void(BrowserTab &)> act;
        QStringList vendors, renderers, extensions;
        QString version;
    };
    const QStringList allVendors = {"All (4 vendors)", "Apple", "ATI Technologies Inc.",
                                    "Mesa/X.org", "NVIDIA Corporation"};
    const Step steps[] = {
        {"everything",
         [](BrowserTab &) {},
         allVendors,
         QStringList{"All (6 renderers)", "Apple Software Renderer", "GeForce 7800", "GeForce 8800",
                     "llvmpipe", "Radeon 9700", "softpipe"},
         {"All (7 extensions)", "GL_APPLE_y", "GL_ARB_multitexture", "GL_ATI_fragment_shader",
          "GL_EXT_A", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
        // A vendor with Windows renderers only goes, and so do they; case
        // does not matter in the system name.
        {"filter Linux",
         [](BrowserTab &t) { setFilter(t, 3); },
         {"All (2 vendors)", "Mesa/X.org", "NVIDIA Corporation"},
         {"All (3 renderers)", "GeForce 8800", "llvmpipe", "softpipe"},
         {"All (4 extensions)", "GL_ARB_multitexture", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
        // A chosen vendor lists all its renderers, their extensions still
        // filtered.
        {"Linux, vendor NVIDIA",
         [](BrowserTab &t) { chooseNames(t.vendorList(), {"NVIDIA Corporation"}); },
         {"All (2 vendors)", "Mesa/X.org", "NVIDIA Corporation"},
         {"All (2 renderers)", "GeForce 7800", "GeForce 8800"},
         {"All (3 extensions)", "GL_ARB_multitexture", "GL_EXT_B", "GL_NV_fence"},
         ""},
        {"filter Mac: one vendor",
         [](BrowserTab &t) { setFilter(t, 1); },
         {"All (1 vendor)", "Apple"},
         {"All (1 renderer)", "Apple Software Renderer"},
         {"All (2 extensions)", "GL_APPLE_y", "GL_ARB_multitexture"},
         ""},
        // Two extensions: no renderer has both, the vendor has one for each.
        {"two extensions",
         [](BrowserTab &t) {
             setFilter(t, 0);
             chooseNames(t.extensionList(), {"GL_EXT_A", "GL_EXT_B"});
         },
         {"All (1 vendor)", "NVIDIA Corporation"},
         {"All (0 renderer)"},
         {"All (7 extensions)", "GL_APPLE_y", "GL_ARB_multitexture", "GL_ATI_fragment_shader",
          "GL_EXT_A", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
        {"two renderers",
         [](BrowserTab &t) {
             t.showAll();
             chooseNames(t.rendererList(), {"GeForce 8800", "llvmpipe"});
         },
         allVendors,
         {"All (6 renderers)", "Apple Software Renderer", "GeForce 7800", "GeForce 8800",
          "llvmpipe", "Radeon 9700", "softpipe"},
         {"All (4 extensions)", "GL_ARB_multitexture", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         "100.14"},
        // The version of the chosen extension's link to the renderer chosen
        // first, not of its first link (GeForce 7800's 91.31).
        {"then an extension",
         [](BrowserTab &t) { chooseNames(t.extensionList(), {"GL_NV_fence"}); },
         {"All (1 vendor)", "NVIDIA Corporation"},
         {"All (2 renderers)", "GeForce 7800", "GeForce 8800"},
         {"All (4 extensions)", "GL_ARB_multitexture", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         "100.20"},
        // The extension list's "All" line lists everything again.
        {"extension All line",
         [](BrowserTab &t) { choose(t.extensionList(), {0}); },
         allVendors,
         {"All (6 renderers)", "Apple Software Renderer", "GeForce 7800", "GeForce 8800",
          "llvmpipe", "Radeon 9700", "softpipe"},
         {"All (7 extensions)", "GL_APPLE_y", "GL_ARB_multitexture", "GL_ATI_fragment_shader",
          "GL_EXT_A", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
        // A chosen extension and the "All" line beside it: the line stands
        // for nothing, the extension narrows.
        {"extension and All line",
         [](BrowserTab &t) {
             chooseNames(t.extensionList(), {"GL_ATI_fragment_shader"});
             t.extensionList()->item(0)->setSelected(true);
             QApplication::processEvents();
         },
         {"All (1 vendor)", "ATI Technologies Inc."},
         {"All (1 renderer)", "Radeon 9700"},
         {"All (7 extensions)", "GL_APPLE_y", "GL_ARB_multitexture", "GL_ATI_fragment_shader",
          "GL_EXT_A", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
        {"Show all",
         [](BrowserTab &t) { t.showAll(); },
         allVendors,
         {"All (6 renderers)", "Apple Software Renderer", "GeForce 7800", "GeForce 8800",
          "llvmpipe", "Radeon 9700", "softpipe"},
         {"All (7 extensions)", "GL_APPLE_y", "GL_ARB_multitexture", "GL_ATI_fragment_shader",
          "GL_EXT_A", "GL_EXT_B", "GL_MESA_x", "GL_NV_fence"},
         ""},
    };
    for (const Step &step : steps) {
        step.act(*tab_);
        EXPECT_EQ(lines(tab_->vendorList()), step.vendors) << step.what;
        EXPECT_EQ(lines(tab_->rendererList()), step.renderers) << step.what;
        EXPECT_EQ(lines(tab_->extensionList()), step.extensions) << step.what;
        EXPECT_EQ(tab_->versionLabel()->text(), step.version) << step.what;
    }
    EXPECT_EQ(tab_->vendorList()->currentRow(), 0);
    EXPECT_TRUE(tab_->vendorList()->item(0)->isSelected());
}

TEST_F(BrowserTest, CopyHasEveryListedOrEverySelectedLineAndNoCap)
{
    EXPECT_EQ(tab_->copyText(), "Apple\nATI Technologies Inc.\nMesa/X.org\nNVIDIA Corporation\n\n"
                                "Apple Software Renderer\nGeForce 7800\nGeForce 8800\nllvmpipe\n"
                                "Radeon 9700\nsoftpipe\n\n"
                                "GL_APPLE_y\nGL_ARB_multitexture\nGL_ATI_fragment_shader\n"
                                "GL_EXT_A\nGL_EXT_B\nGL_MESA_x\nGL_NV_fence\n\n");
    chooseNames(tab_->rendererList(), {"softpipe", "Radeon 9700"});
    tab_->copyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(), tab_->copyText());
    EXPECT_TRUE(tab_->copyText().contains("\n\nRadeon 9700\nsoftpipe\n\nGL_ARB_multitexture\n"
                                          "GL_ATI_fragment_shader\n\n"));

    // A database whose names make a text far beyond 32767 characters.
    std::string big = "<tessera>\n";
    for (int i = 0; i < 3000; ++i)
        big += "<ext name=\"GL_EXT_a_rather_long_extension_name_number_" + std::to_string(i) +
               "\"><renderer vendor=\"V\" name=\"R\" version=\"1\" os=\"Win\"/></ext>\n";
    big += "</tessera>\n";
    tsDatabase *old = state_.db;
    state_.db = tsDatabaseCreateFromCString(big.c_str());
    tab_->refresh(0);
    tsDatabaseRelease(old);
    const QString copied = tab_->copyText();
    EXPECT_GT(copied.size(), 4 * 32767);
    EXPECT_TRUE(copied.endsWith("GL_EXT_a_rather_long_extension_name_number_999\n\n"));
    EXPECT_FALSE(copied.contains('\r'));
}

// Details opens the registry chosen in the extensions view (site 5, the
// local list, counts as 0) and only ever an http(s) address.
TEST_F(BrowserTest, DetailsOpensOnlyWebAddresses)
{
    const struct {
        int site;
        const char *base; // replaces the site's base text; null keeps it
        const char *extension;
        QString url;
    } rows[] = {
        {0, nullptr, "GL_ARB_multitexture",
         "https://registry.khronos.org/OpenGL/extensions/ARB/multitexture.txt"},
        {5, nullptr, "GL_ARB_multitexture",
         "https://registry.khronos.org/OpenGL/extensions/ARB/multitexture.txt"},
        {3, nullptr, "GL_NV_fence", "https://duckduckgo.com/?q=GL_NV_fence"},
        {0, "file:///etc/", "GL_ARB_multitexture", ""},
        {0, "javascript:alert(1)//", "GL_ARB_multitexture", ""},
        {0, "https:///no-host/", "GL_ARB_multitexture", ""},
    };
    for (const auto &row : rows) {
        state_.linkIndex = row.site;
        if (row.base) {
            // A language file that sets text 109 (the registry's base).
            std::string data = " \"\" \"\""; // scanned from the second byte
            for (int id = 101; id <= 109; ++id)
                data += std::string(" \"") + (id == 109 ? row.base : "") + "\"";
            textTable().loadData("xx.strings", data);
        }
        EXPECT_EQ(tab_->detailsUrl(row.extension), row.url) << row.site << row.extension;
        textTable().load("en.strings", {});
    }
    state_.linkIndex = 0;

    // The button: the first selected extension goes to the desktop.
    viewerEnvironment().clearOpened();
    chooseNames(tab_->extensionList(), {"GL_NV_fence", "GL_EXT_A"});
    tab_->showDetails();
    QTRY_COMPARE(QString::fromStdString(viewerEnvironment().opened()),
                 QString("https://registry.khronos.org/OpenGL/extensions/EXT/A.txt\n"));
}

// Count lines are language texts used as formats: a hostile one is shown
// harmlessly.
TEST_F(BrowserTest, HostileCountFormatsAreHarmless)
{
    std::string data = " \"\" \"\""; // scanned from the second byte
    for (int id = 101; id <= 353; ++id)
        data +=
            std::string(" \"") + (id == 348 || id == 349 ? "%n%n%s%p%*d All %d %d %d" : "") + "\"";
    textTable().loadData("xx.strings", data);
    tab_->refresh(0);
    setFilter(*tab_, 1);
    const QString line = tab_->vendorList()->item(0)->text();
    textTable().load("en.strings", {});
    EXPECT_TRUE(line.contains(" All ")) << line.toStdString();
}

// Over the shipped database merged with both live readings (Linux
// renderers only): every extension with a renderer is listed, among them
// every one the current reading names; under the Windows filter nothing.
TEST(BrowserLive, ShippedDatabaseWithBothReadings)
{
    AppState &state = sharedState();
    ASSERT_TRUE(state.readings[0].ok && state.readings[1].ok);
    int expected = 0;
    QStringList named;
    for (const tsExtension *e = state.db->extensions; e; e = e->next) {
        expected += e->links ? 1 : 0;
        if (tsInfoSearchExtension(e->name, state.current().caps.extensions))
            named << QString::fromUtf8(e->name);
    }
    ASSERT_GT(expected, 100);
    BrowserTab tab(state);
    tab.resize(700, 420);
    tab.refresh(0);
    for (int filter : {0, 3, 2}) {
        setFilter(tab, filter);
        const bool none = filter == 2; // no Windows renderer here
        EXPECT_EQ(tab.vendorList()->item(0)->text(), none ? "All (0 vendor)" : "All (1 vendor)");
        EXPECT_EQ(tab.extensionList()->count(), none ? 1 : expected + 1) << filter;
    }
    setFilter(tab, 0);
    ASSERT_GT(named.size(), 100);
    for (const QString &name : named)
        EXPECT_GT(rowOf(tab.extensionList(), name), 0) << name.toStdString();
    EXPECT_EQ(lines(tab.vendorList()).mid(1), QStringList{"Mesa/X.org"});
    chooseNames(tab.extensionList(), {"GL_ARB_multitexture"});
    const QStringList both = lines(tab.rendererList()).mid(1);
    ASSERT_EQ(both.size(), 2);
    EXPECT_TRUE(both[0].startsWith("llvmpipe") && both[1].startsWith("softpipe"))
        << both.join(", ").toStdString();

    // The page in the window, once with its lists narrowed, at scales 1 and 2.
    MainWindow w(state);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.tabs()->activatePage(7);
    auto *page = static_cast<BrowserTab *>(w.page(7));
    choose(page->rendererList(), {1});
    QApplication::processEvents();
    QDir().mkpath(shotFolder());
    for (int scale : {1, 2}) {
        QPixmap shot(w.size() * scale);
        shot.setDevicePixelRatio(scale);
        shot.fill(Qt::white);
        w.render(&shot);
        EXPECT_TRUE(shot.save(shotFolder() + QStringLiteral("/browser-x%1.png").arg(scale)));
    }
}
