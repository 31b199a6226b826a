// The database browser over a small fixture database and over the shipped
// database merged with both live readings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include "controls/icon_list.h"
#include "controls/tab_control.h"
#include "pages/browser_tab.h"
#include "sounder/database.h"
#include "sounder/probe.h"
#include "support/browser_fixture.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"

using namespace tessera;

namespace {

// The list's lines joined by "|".
QString lines(const IconList *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out.join('|');
}

// Clicks the first line named (a prefix of it; "All" is line 0) and
// control-clicks the others, then lets the page handle the change.
void choose(IconList *list, const QStringList &names)
{
    for (const QString &name : names) {
        int row = name == "All" ? 0 : -1;
        for (int i = 1; i < list->count() && row < 0; ++i)
            row = list->item(i)->text().startsWith(name) ? i : -1;
        ASSERT_GE(row, 0) << name.toStdString();
        list->setCurrentRow(row, name == names.front() ? QItemSelectionModel::ClearAndSelect
                                                       : QItemSelectionModel::Select);
    }
    QApplication::processEvents();
}

void setFilter(BrowserTab &tab, int index)
{
    tab.filterBox()->setCurrentIndex(index);
    QApplication::processEvents();
}

const QString kAllVendors =
    "All (4 vendors)|Apple|ATI Technologies Inc.|Mesa/X.org|NVIDIA Corporation";
const QString kAllRenderers = "All (6 renderers)|Apple Software Renderer|GeForce 7800|GeForce 8800|"
                              "llvmpipe|Radeon 9700|softpipe";
const QString kAllExtensions = "All (7 extensions)|GL_APPLE_y|GL_ARB_multitexture|"
                               "GL_ATI_fragment_shader|GL_EXT_A|GL_EXT_B|GL_MESA_x|GL_NV_fence";

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_.db = tsDatabaseCreateFromCString(browserFixtureDatabase());
        tab_.reset(new BrowserTab(state_));
        tab_->refresh(0);
        setFilter(*tab_, 0);
    }
    void TearDown() override
    {
        setFilter(*tab_, 0); // the filter outlives the page
        tab_.reset();
        tsDatabaseRelease(state_.db);
        textTable().load("en.strings", {});
    }
    AppState state_;
    std::unique_ptr<BrowserTab> tab_;
};

} // namespace

// Each step acts as the user would; then the three lists and the version.
TEST_F(BrowserTest, FilterAndSelectionsNarrowTheLists)
{
    const struct {
        const char *what;
        std::function<void(BrowserTab &)> act;
        QString vendors, renderers, extensions, version;
    } steps[] = {
        {"everything", [](BrowserTab &) {}, kAllVendors, kAllRenderers, kAllExtensions, ""},
        // A vendor with Windows renderers only goes, and so do they; the
        // system's case does not matter.
        {"filter Linux", [](BrowserTab &t) { setFilter(t, 3); },
         "All (2 vendors)|Mesa/X.org|NVIDIA Corporation",
         "All (3 renderers)|GeForce 8800|llvmpipe|softpipe",
         "All (4 extensions)|GL_ARB_multitexture|GL_EXT_B|GL_MESA_x|GL_NV_fence", ""},
        // A chosen vendor lists all its renderers; extensions stay filtered.
        {"Linux, NVIDIA", [](BrowserTab &t) { choose(t.vendorList(), {"NVIDIA"}); },
         "All (2 vendors)|Mesa/X.org|NVIDIA Corporation",
         "All (2 renderers)|GeForce 7800|GeForce 8800",
         "All (3 extensions)|GL_ARB_multitexture|GL_EXT_B|GL_NV_fence", ""},
        {"filter Mac", [](BrowserTab &t) { setFilter(t, 1); }, "All (1 vendor)|Apple",
         "All (1 renderer)|Apple Software Renderer",
         "All (2 extensions)|GL_APPLE_y|GL_ARB_multitexture", ""},
        // No renderer has both; the vendor has one for each.
        {"two extensions",
         [](BrowserTab &t) {
             setFilter(t, 0);
             choose(t.extensionList(), {"GL_EXT_A", "GL_EXT_B"});
         },
         "All (1 vendor)|NVIDIA Corporation", "All (0 renderer)", kAllExtensions, ""},
        {"two renderers",
         [](BrowserTab &t) {
             t.showAll();
             choose(t.rendererList(), {"GeForce 8800", "llvmpipe"});
         },
         kAllVendors, kAllRenderers,
         "All (4 extensions)|GL_ARB_multitexture|GL_EXT_B|GL_MESA_x|GL_NV_fence", "100.14"},
        // The version of the extension's link to the renderer chosen first,
        // not of its first link (GeForce 7800's 91.31).
        {"then an extension", [](BrowserTab &t) { choose(t.extensionList(), {"GL_NV_fence"}); },
         "All (1 vendor)|NVIDIA Corporation", "All (2 renderers)|GeForce 7800|GeForce 8800",
         "All (4 extensions)|GL_ARB_multitexture|GL_EXT_B|GL_MESA_x|GL_NV_fence", "100.20"},
        {"extension All line", [](BrowserTab &t) { choose(t.extensionList(), {"All"}); },
         kAllVendors, kAllRenderers, kAllExtensions, ""},
        // Beside a chosen extension the "All" line stands for nothing.
        {"extension and All line",
         [](BrowserTab &t) {
             choose(t.extensionList(), {"GL_ATI_fragment_shader"});
             t.extensionList()->item(0)->setSelected(true); // the current line stays
             QApplication::processEvents();
         },
         "All (1 vendor)|ATI Technologies Inc.", "All (1 renderer)|Radeon 9700", kAllExtensions,
         ""},
        {"Show all", [](BrowserTab &t) { t.showAll(); }, kAllVendors, kAllRenderers, kAllExtensions,
         ""},
    };
    for (const auto &step : steps) {
        step.act(*tab_);
        EXPECT_EQ(lines(tab_->vendorList()), step.vendors) << step.what;
        EXPECT_EQ(lines(tab_->rendererList()), step.renderers) << step.what;
        EXPECT_EQ(lines(tab_->extensionList()), step.extensions) << step.what;
        EXPECT_EQ(tab_->versionLabel()->text(), step.version) << step.what;
    }
    EXPECT_TRUE(tab_->vendorList()->item(0)->isSelected());
}

TEST_F(BrowserTest, CopyTakesTheSelectedOrEveryLineWithoutACap)
{
    auto block = [](QString list) { return list.section('|', 1).replace('|', '\n') + "\n\n"; };
    EXPECT_EQ(tab_->copyText(), block(kAllVendors) + block(kAllRenderers) + block(kAllExtensions));
    choose(tab_->rendererList(), {"softpipe", "Radeon"});
    tab_->copyToClipboard();
    EXPECT_EQ(QApplication::clipboard()->text(),
              block(kAllVendors) + "Radeon 9700\nsoftpipe\n\n" +
                  "GL_ARB_multitexture\nGL_ATI_fragment_shader\n\n");

    std::string big = "<tessera>\n";
    for (int i = 0; i < 3000; ++i)
        big += "<ext name=\"GL_EXT_a_long_extension_name_" + std::to_string(i) +
               "\"><renderer vendor=\"V\" name=\"R\" version=\"1\" os=\"Win\"/></ext>\n";
    tsDatabaseRelease(state_.db);
    state_.db = tsDatabaseCreateFromCString((big + "</tessera>\n").c_str());
    tab_->refresh(0);
    const QString copied = tab_->copyText();
    EXPECT_GT(copied.size(), 3 * 32767);
    EXPECT_TRUE(copied.endsWith("GL_EXT_a_long_extension_name_999\n\n"));
}

// The link site of the extensions view (site 5, the local list, counts as
// 0); only an http(s) address with a host is ever opened.
TEST_F(BrowserTest, DetailsOpensOnlyWebAddresses)
{
    const QString multitexture =
        "https://registry.khronos.org/OpenGL/extensions/ARB/ARB_multitexture.txt";
    const struct {
        int site;
        const char *base; // text 109 from a language file; null keeps it
        QString url;
    } rows[] = {
        {0, nullptr, multitexture},
        {5, nullptr, multitexture},
        {3, nullptr, "https://duckduckgo.com/?q=GL_ARB_multitexture"},
        {0, "file:///etc/", ""},
        {0, "javascript:alert(1)//", ""},
        {0, "https:///no-host/", ""},
    };
    for (const auto &row : rows) {
        state_.linkIndex = row.site;
        if (row.base)
            loadLanguageText(109, row.base);
        EXPECT_EQ(tab_->detailsUrl("GL_ARB_multitexture"), row.url) << row.site << row.base;
        textTable().load("en.strings", {});
    }
    state_.linkIndex = 0;
    viewerEnvironment().clearOpened();
    choose(tab_->extensionList(), {"GL_NV_fence", "GL_EXT_A"});
    tab_->showDetails(); // the first selected line in list order
    QTRY_COMPARE(QString::fromStdString(viewerEnvironment().opened()),
                 QString("https://registry.khronos.org/OpenGL/extensions/EXT/EXT_A.txt\n"));
}

TEST_F(BrowserTest, HostileCountFormatIsHarmless)
{
    loadLanguageText(348, "%n%n%s%p%*d All %d %d %d");
    setFilter(*tab_, 1);
    EXPECT_TRUE(tab_->vendorList()->item(0)->text().contains(" All "));
}

// The shipped database with both live readings (Linux renderers only):
// every extension with a renderer is listed, among them each one the
// current reading names; the Windows filter lists nothing.
TEST(BrowserLive, ShippedDatabaseWithBothReadings)
{
    AppState &state = sharedState();
    ASSERT_TRUE(state.readings[0].ok && state.readings[1].ok);
    int linked = 0;
    QStringList named;
    for (const tsExtension *e = state.db->extensions; e; e = e->next) {
        linked += e->links ? 1 : 0;
        if (tsInfoSearchExtension(e->name, state.current().caps.extensions))
            named << e->name;
    }
    ASSERT_GT(named.size(), 100);
    BrowserTab tab(state);
    tab.refresh(0);
    for (int filter : {2, 3, 0}) {
        setFilter(tab, filter);
        EXPECT_EQ(tab.vendorList()->item(0)->text(),
                  filter == 2 ? "All (0 vendor)" : "All (1 vendor)");
        EXPECT_EQ(tab.extensionList()->count(), filter == 2 ? 1 : linked + 1) << filter;
    }
    for (const QString &name : named)
        EXPECT_TRUE(tab.extensionList()->findItems(name, Qt::MatchExactly).size() == 1)
            << name.toStdString();
    choose(tab.extensionList(), {"GL_ARB_multitexture"});
    EXPECT_TRUE(
        lines(tab.rendererList())
            .contains(QRegularExpression("^All \\(2 renderers\\)\\|llvmpipe.*\\|softpipe$")))
        << lines(tab.rendererList()).toStdString();

    MainWindow w(state);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.tabs()->activatePage(7);
    choose(static_cast<BrowserTab *>(w.page(7))->rendererList(), {"llvmpipe"});
    saveScaledShots(&w, "browser");
}
