// The summary and extensions pages driven over real state: the live readings
// of the private X server, the shipped database, report files written by the
// library; links are caught where the desktop would get them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <clocale>
#include <cstring>
#include <functional>

#include "controls/icons.h"
#include "controls/tab_control.h"
#include "controls/tree_fill.h"
#include "pages/ext_links.h"
#include "pages/info_tree.h"
#include "pages/pages.h"
#include "sounder/database.h"
#include "sounder/texts.h"
#include "support/qt_dialogs.h"
#include "support/report_state.h"
#include "viewer/viewer_fixture.h"
#include "window/main_window.h"

using namespace tessera;

namespace {

// Receives what QDesktopServices::openUrl would hand to the desktop.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char *scheme : {"http", "https", "ftp", "file", "mailto", "javascript"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char *scheme : {"http", "https", "ftp", "file", "mailto", "javascript"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QStringList urls;
public slots:
    void open(const QUrl &url) { urls << url.toString(); }
};

QString builtin(int id)
{
    const char *t = tsGetBuiltinText(id);
    return QString::fromUtf8(t ? t : "");
}

int countLines(const QTreeWidgetItem *item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countLines(item->child(i));
    return n;
}

int countLines(const QTreeWidget *tree)
{
    int n = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        n += countLines(tree->topLevelItem(i));
    return n;
}

int countNodes(const tsTreeNode *node)
{
    int n = 0;
    for (int i = 0; i < node->childCount; ++i)
        n += 1 + countNodes(node->children[i]);
    return n;
}

QTreeWidgetItem *findLine(QTreeWidget *tree, const std::function<bool(const QString &)> &match)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (match((*it)->text(0)))
            return *it;
    return nullptr;
}

QTreeWidgetItem *findLine(QTreeWidget *tree, const QString &text)
{
    return findLine(tree, [&](const QString &t) { return t == text; });
}

QString scaleSuffix(const QWidget &w)
{
    return QStringLiteral("_x%1").arg(qRound(w.devicePixelRatioF()));
}

void saveShot(const QPixmap &shot, const QString &name)
{
    QDir().mkpath(shotFolder());
    ASSERT_TRUE(shot.save(shotFolder() + "/" + name + ".png")) << name.toStdString();
}

// The window with the floating match list painted where it shows.
QPixmap grabWithPopup(QWidget &window, QWidget *popup)
{
    const QPixmap base = window.grab();
    if (!popup || !popup->isVisible())
        return base;
    const QRect popupRect(window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->size());
    const QRect all = window.rect().united(popupRect);
    const qreal dpr = base.devicePixelRatio();
    QPixmap shot(all.size() * dpr);
    shot.setDevicePixelRatio(dpr);
    shot.fill(Qt::white);
    QPainter p(&shot);
    p.drawPixmap(-all.topLeft(), base);
    p.drawPixmap(popupRect.topLeft() - all.topLeft(), popup->grab());
    return shot;
}

void dropFiles(QWidget *target, const QStringList &paths, bool *accepted = nullptr)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (accepted)
        *accepted = enter.isAccepted();
    if (!enter.isAccepted())
        return;
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

// The reading's names containing text in any case, sorted without case: the
// list the search box should show, worked out apart from the page.
QStringList expectedMatches(const char *extensions, const QString &text)
{
    QStringList names;
    for (const QString &name : QString::fromLatin1(extensions).split(' ', Qt::SkipEmptyParts))
        if (name.contains(text, Qt::CaseInsensitive))
            names << name;
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.toLower() < b.toLower(); });
    return names;
}

QStringList listed(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Every control of a page carries an accessible name.
void expectAccessibleNames(QWidget &page)
{
    EXPECT_FALSE(page.accessibleName().isEmpty());
    for (QWidget *w : page.findChildren<QWidget *>()) {
        const bool control = w->parentWidget() == &page || w->objectName() == "matchList";
        if (control) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
}

void showPage(QWidget &page)
{
    page.resize(640, 560);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
}

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(state().readings[1].ok) << state().readings[1].log;
        state().setCurrentReading(1);
        state().linkIndex = 0;
        viewerEnvironment().clearOpened();
    }
    void TearDown() override { state().linkIndex = 0; }
    AppState &state() { return sharedState(); }
};

} // namespace

TEST_F(PagesTest, ExtensionsPageShowsTheWholeTreeAndListsMatchesAsYouType)
{
    CExtensionTab page(state());
    showPage(page);
    ASSERT_TRUE(activateForInput(page));

    // Every node of the description is a line.
    TreeDescription description;
    tsTree *t = description.begin();
    tsCreateCapsTree(t, &state().current().caps);
    tsCreateExtTree(t, state().db);
    const int nodes = countNodes(description.end());
    EXPECT_EQ(countLines(page.tree()), nodes);
    std::printf("extensions page of %s: %d lines\n", state().current().caps.renderer, nodes);
    EXPECT_EQ(page.searchButton()->text(), builtin(212));

    QLineEdit *box = page.searchBox();
    box->setFocus();
    QTest::keyClicks(box, "MULTI");
    const QStringList expected = expectedMatches(state().current().caps.extensions, "multi");
    if (std::strstr(state().current().caps.renderer, "llvmpipe")) {
        EXPECT_EQ(expected.size(), 14); // glxinfo counts 14 on this Mesa
    }
    EXPECT_EQ(listed(page.matchList()), expected);
    EXPECT_TRUE(page.matchList()->isVisible());
    EXPECT_EQ(page.status()->text(),
              QStringLiteral("Number of matching extensions: %1").arg(expected.size()));
    // The list takes neither the focus nor the typed text.
    EXPECT_EQ(box->text(), "MULTI");
    EXPECT_TRUE(box->hasFocus());
    EXPECT_FALSE(page.matchList()->hasFocus());

    QTest::keyClicks(box, "zzz");
    EXPECT_FALSE(page.matchList()->isVisible());
    EXPECT_EQ(page.status()->text(), "");
    box->clear();
    QTest::keyClick(box, Qt::Key_A);
    QTest::keyClick(box, Qt::Key_Backspace); // empty text matches nothing
    EXPECT_EQ(page.matchList()->count(), 0);
    EXPECT_EQ(page.status()->text(), "");

    expectAccessibleNames(page);

    // Ctrl+F from the tree goes to the box.
    page.tree()->setFocus();
    QTest::keyClick(page.tree(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(box->hasFocus());
}

TEST_F(PagesTest, LinksPerSiteForRegistryVendorAndWindowSystemNames)
{
    const QString registry = builtin(109);
    const struct {
        const char *name;
        const char *file; // as the registry stores it
    } names[] = {{"GL_ARB_multitexture", "ARB/ARB_multitexture.txt"},
                 {"WGL_ARB_pbuffer", "ARB/WGL_ARB_pbuffer.txt"},
                 {"GLX_ARB_create_context", "ARB/GLX_ARB_create_context.txt"}};
    for (const auto &n : names) {
        const QString name = QString::fromLatin1(n.name);
        EXPECT_EQ(extensionLink(0, name), registry + n.file);
        EXPECT_EQ(extensionLink(7, name), builtin(383) + n.file);
        EXPECT_EQ(extensionLink(1, name), builtin(110) + name + ".txt");
        EXPECT_EQ(extensionLink(2, name), builtin(111) + name);
        EXPECT_EQ(extensionLink(3, name), builtin(112) + name);
        EXPECT_EQ(extensionLink(4, name), builtin(137) + name);
        EXPECT_EQ(extensionLink(5, name), "");
    }
    // Outside text is encoded, never passed on raw.
    EXPECT_EQ(extensionLink(3, "GL_x y&z=1#f"), builtin(112) + "GL_x%20y%26z%3D1%23f");
    EXPECT_EQ(extensionLink(8, "GL_ARB_multitexture"), "");
}

TEST_F(PagesTest, SearchOpensLinksVendorPagesAndNeverOtherSchemes)
{
    const QString registry = builtin(109);
    UrlCatcher catcher;
    CExtensionTab page(state());
    showPage(page);

    QTreeWidgetItem *multitexture = findLine(page.tree(), "GL_ARB_multitexture");
    ASSERT_NE(multitexture, nullptr);
    page.tree()->setCurrentItem(multitexture);
    EXPECT_EQ(page.searchBox()->text(), "GL_ARB_multitexture");
    QTest::mouseClick(page.searchButton(), Qt::LeftButton);
    EXPECT_EQ(catcher.urls, QStringList{"https://registry.khronos.org/OpenGL/extensions/ARB/"
                                        "ARB_multitexture.txt"});

    // The menu offers the name in bold as its default item.
    std::unique_ptr<QMenu> menu(page.tree()->buildMenu(multitexture));
    QAction *find = menu->findChild<QAction *>("search");
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->text(), "Search for GL_ARB_multitexture");
    EXPECT_TRUE(find->isEnabled());
    EXPECT_TRUE(find->font().bold());
    EXPECT_EQ(menu->defaultAction(), find);
    state().linkIndex = 1;
    find->trigger();
    EXPECT_EQ(catcher.urls.value(1), builtin(110) + "GL_ARB_multitexture.txt");

    // Window-system names get their links too.
    state().linkIndex = 0;
    page.searchBox()->setText("GLX_ARB_create_context");
    QTest::keyClick(page.searchBox(), Qt::Key_Return);
    EXPECT_EQ(catcher.urls.value(2), registry + "ARB/GLX_ARB_create_context.txt");

    // A vendor group puts the vendor's home page in the box.
    QTreeWidgetItem *ati =
        findLine(page.tree(), [](const QString &t) { return t.startsWith("ATI ("); });
    ASSERT_NE(ati, nullptr);
    page.tree()->setCurrentItem(ati);
    EXPECT_EQ(page.searchBox()->text(), "https://www.amd.com/");
    page.search();
    EXPECT_EQ(catcher.urls.value(3), "https://www.amd.com/");
    std::unique_ptr<QMenu> groupMenu(page.tree()->buildMenu(ati));
    EXPECT_FALSE(groupMenu->findChild<QAction *>("search")->isEnabled());
    EXPECT_EQ(groupMenu->findChild<QAction *>("search")->text(), "Search for ..");

    // Neither an extension name nor a web address: the match list, no desktop.
    const int opened = catcher.urls.size();
    for (const char *typed :
         {"file:///etc/passwd", "javascript:alert(1)", "mailto:a@b.org", "ftp:/nohost", "multi"}) {
        page.searchBox()->setText(typed);
        page.search();
        EXPECT_EQ(catcher.urls.size(), opened) << typed;
    }
    EXPECT_TRUE(page.matchList()->isVisible()); // "multi" matched
    EXPECT_EQ(viewerEnvironment().opened(), "");
}

TEST_F(PagesTest, RendererListOfTenRenderersInTheSearchResultsBox)
{
    tsRenderer renderers[10] = {};
    tsRendererLink links[10] = {};
    for (int i = 0; i < 10; ++i) {
        std::snprintf(renderers[i].name, sizeof renderers[i].name, "Card %d", i);
        std::snprintf(renderers[i].version, sizeof renderers[i].version, "1.%d", i);
        links[i].renderer = &renderers[i];
        links[i].next = i < 9 ? &links[i + 1] : nullptr;
    }
    tsExtension other = {}, extension = {};
    std::strcpy(other.name, "GL_ARB_multitexture_other");
    other.links = &links[5];
    other.next = &extension;
    std::strcpy(extension.name, "GL_ARB_multitexture");
    extension.links = &links[0];
    extension.support = 3;
    tsDatabase db = {};
    db.extensions = &other;
    const QString expected = "Card 0(1.0)\n Card 1(1.1), Card 2(1.2), Card 3(1.3), Card 4(1.4), "
                             "Card 5(1.5), Card 6(1.6), Card 7(1.7), Card 8(1.8)\n Card 9(1.9), ";
    EXPECT_EQ(rendererListText(&db, "GL_ARB_multitexture"), expected);
    EXPECT_EQ(rendererListText(&db, "gl_arb_multitexture"), "");
    EXPECT_EQ(rendererListText(nullptr, "GL_ARB_multitexture"), "");

    // The page at site 5, over a state holding this database.
    AppState local;
    local.readings[1].caps = state().readings[1].caps; // read only, never released here
    local.db = &db;
    local.currentReading = 1;
    local.linkIndex = kRendererListSite;
    UrlCatcher catcher;
    CExtensionTab page(local);
    showPage(page);
    page.searchBox()->setText("GL_ARB_multitexture");
    QString shown, title;
    auto seen = answerNextDialog([&](QWidget *w) {
        title = w->windowTitle();
        if (auto *text = w->findChild<QPlainTextEdit *>())
            shown = text->toPlainText();
        static_cast<QDialog *>(w)->accept();
    });
    page.search();
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, "Search results");
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(catcher.urls.isEmpty());

    // A record without a reading empties the tree rather than keep the last.
    ASSERT_GT(page.tree()->topLevelItemCount(), 0);
    local.readings[1].caps.filled = 0;
    page.refresh();
    EXPECT_EQ(page.tree()->topLevelItemCount(), 0);
}

TEST_F(PagesTest, SummaryPageTreeLogoSubmitAndTexts)
{
    CMainTab page(state());
    showPage(page);
    ASSERT_GE(page.tree()->topLevelItemCount(), 2);
    EXPECT_EQ(page.tree()->topLevelItem(0)->text(0), builtin(334));
    EXPECT_TRUE(page.tree()->topLevelItem(0)->isExpanded());
    EXPECT_NE(findLine(page.tree(), builtin(192)), nullptr);
    EXPECT_EQ(page.description()->text(), builtin(102));
    EXPECT_EQ(page.notice()->text(), builtin(104));
    EXPECT_FALSE(page.notice()->isEnabled());
    EXPECT_EQ(page.description()->textFormat(), Qt::PlainText);
    // Mesa's vendor text shows the Mesa logo.
    EXPECT_EQ(page.logoId(), vendorLogoId(state().current().caps.vendor));
    if (std::strcmp(state().current().caps.vendor, "Mesa/X.org") == 0) {
        EXPECT_EQ(page.logoId(), 279);
    }
    EXPECT_FALSE(page.logo()->pixmap().isNull());

    // The submit offer follows the database's modified flag at every refresh.
    const uint32_t modified = state().db->modified;
    for (uint32_t flag : {1u, 0u, 1u}) {
        state().db->modified = flag;
        page.refresh();
        EXPECT_EQ(page.submitButton()->isVisible(), flag != 0);
        EXPECT_EQ(page.submitButton()->text(), builtin(156));
        EXPECT_EQ(page.submitButton()->toolTip(), builtin(307));
    }
    QSignalSpy submitted(&page, &CMainTab::submitRequested);
    QTest::mouseClick(page.submitButton(), Qt::LeftButton);
    EXPECT_EQ(submitted.count(), 1);
    state().db->modified = modified;

    expectAccessibleNames(page);
}

TEST_F(PagesTest, TreeMenuFromPointerAndKeysExpandCollapseAndCopy)
{
    UrlCatcher catcher;
    CMainTab page(state());
    showPage(page);
    InfoTree *tree = page.tree();

    // A supported-extension line of the core features: its name up to the blank.
    QTreeWidgetItem *ext = findLine(
        tree, [](const QString &t) { return t.startsWith("GL_") || t.startsWith("WGL_"); });
    ASSERT_NE(ext, nullptr);
    const QString name = ext->text(0).section(' ', 0, 0);
    std::unique_ptr<QMenu> menu(tree->buildMenu(ext));
    QStringList texts;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            texts << a->text();
    EXPECT_EQ(texts, (QStringList{builtin(179), builtin(180), "Search for " + name, builtin(303)}));
    EXPECT_EQ(menu->defaultAction(), menu->findChild<QAction *>("search"));
    menu->findChild<QAction *>("search")->trigger();
    EXPECT_EQ(catcher.urls, QStringList{extensionLink(0, name)});

    // Expand all opens every group, collapse all closes them.
    menu->findChild<QAction *>("expandAll")->trigger();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        EXPECT_TRUE((*it)->childCount() == 0 || (*it)->isExpanded()) << qPrintable((*it)->text(0));
    menu->findChild<QAction *>("collapseAll")->trigger();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        EXPECT_FALSE((*it)->isExpanded()) << qPrintable((*it)->text(0));

    // The Menu key and Shift+F10 open the menu on the current line.
    tree->setCurrentItem(tree->topLevelItem(0));
    tree->setFocus();
    for (int shift : {0, 1}) {
        QString shownFor;
        auto seen = std::make_shared<bool>(false);
        QTimer::singleShot(100, [&, seen] {
            if (auto *m = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                *seen = true;
                shownFor = m->findChild<QAction *>("search")->text();
                m->close();
            }
        });
        if (shift)
            QTest::keyClick(tree, Qt::Key_F10, Qt::ShiftModifier);
        else
            QTest::keyClick(tree, Qt::Key_Menu);
        QTRY_VERIFY(*seen);
        EXPECT_EQ(shownFor, "Search for ..");
    }

    // Ctrl+C copies the line with its subtree, indented.
    QTreeWidgetItem *group = tree->topLevelItem(0);
    tree->setCurrentItem(group);
    QApplication::clipboard()->clear();
    QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), countLines(group));
    EXPECT_EQ(lines[0], group->text(0));
    EXPECT_EQ(lines[1], "  " + group->child(0)->text(0));
}

TEST_F(PagesTest, DroppedReportLoadsAndRefusedFilesChangeNothing)
{
    const TempDir dir;
    const std::string live1 = dir.file("live1.xml"), live0 = dir.file("live0.xml");
    ASSERT_TRUE(saveReading(state().readings[1], live1));
    ASSERT_TRUE(saveReading(state().readings[0], live0));
    ReportState own(live1, live1);
    ASSERT_TRUE(own.loaded);
    MainWindow w(own.state);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto *summary = static_cast<CMainTab *>(w.page(0));
    auto *extensions = static_cast<CExtensionTab *>(w.page(1));
    const Reading &current = own.state.current();

    // Refused: a picture, an empty file, broken XML, a folder; one box names
    // them all and nothing changes.
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string(64, '\0');
    const QStringList refused = {QString::fromStdString(dir.write("shot.png", png)),
                                 QString::fromStdString(dir.write("empty.xml", "")),
                                 QString::fromStdString(dir.write("broken.xml", "<Tessera><a")),
                                 QString::fromStdString(dir.sub("folder")),
                                 QString::fromStdString(dir.file(std::string(4000, 'n')))};
    const char *renderer = current.caps.renderer;
    const std::string system = current.system.system;
    const int icds = current.icd.count;
    const uint32_t modified = own.state.db->modified;
    const tsExtension *firstExtension = own.state.db->extensions;
    const QString title = w.windowTitle();
    const int lines = countLines(extensions->tree());
    QString text;
    auto seen = answerMessageBox(&text);
    bool accepted = false;
    dropFiles(summary, refused, &accepted);
    EXPECT_TRUE(accepted);
    ASSERT_TRUE(*seen);
    EXPECT_TRUE(text.startsWith("Error|" + builtin(182))) << qPrintable(text);
    for (const QString &file : refused)
        EXPECT_TRUE(text.contains(file)) << qPrintable(file);
    auto second = answerMessageBox(nullptr);
    QTest::qWait(200);
    EXPECT_FALSE(*second) << "one box for all refused files";
    second.reset();
    EXPECT_EQ(current.caps.renderer, renderer);
    EXPECT_EQ(current.system.system, system);
    EXPECT_EQ(current.icd.count, icds);
    EXPECT_EQ(own.state.db->modified, modified);
    EXPECT_EQ(own.state.db->extensions, firstExtension);
    EXPECT_EQ(w.windowTitle(), title);
    EXPECT_EQ(countLines(extensions->tree()), lines);

    // Only local files are taken.
    QMimeData web;
    web.setUrls({QUrl("https://example.org/report.xml")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(summary, &enter);
    EXPECT_FALSE(enter.isAccepted());

    // A report of the other renderer: title, trees and report follow it.
    const int reportRefreshes = w.page(4)->refreshCount();
    dropFiles(summary, {QString::fromStdString(live0)});
    const QString renderer0 = QString::fromUtf8(state().readings[0].caps.renderer);
    EXPECT_EQ(QString::fromUtf8(current.caps.renderer), renderer0);
    EXPECT_TRUE(current.fromReport);
    EXPECT_EQ(own.state.db->fromReport, 1u);
    EXPECT_EQ(w.windowTitle(), "Lumenscope x64 - " + renderer0);
    EXPECT_NE(findLine(extensions->tree(), "Renderer: " + renderer0), nullptr);
    EXPECT_GT(w.page(4)->refreshCount(), reportRefreshes);
    EXPECT_EQ(summary->logoId(), vendorLogoId(state().readings[0].caps.vendor));

    // The other reading keeps its extensions after the reports went into
    // this one.
    w.setRenderer(0);
    EXPECT_NE(findLine(extensions->tree(), "GL_ARB_multitexture"), nullptr);
}

TEST_F(PagesTest, DroppedReportKeepsFloatsUnderAFrenchLocale)
{
    const TempDir dir;
    // The window starts on a reading of granularity 0.5; the dropped report
    // holds 0.125, which a reader following a decimal comma would take as 0.
    tsRendererCaps caps = state().readings[1].caps; // shallow: only written out
    tessera::Reading r;
    r.system = state().readings[1].system;
    r.icd = state().readings[1].icd;
    const std::string start = dir.file("start.xml"), report = dir.file("gran.xml");
    caps.PointSizeGran = 0.5f;
    r.caps = caps;
    ASSERT_TRUE(saveReading(r, start));
    caps.PointSizeGran = 0.125f;
    r.caps = caps;
    ASSERT_TRUE(saveReading(r, report));
    ReportState own(start, start);
    ASSERT_TRUE(own.loaded);
    ASSERT_EQ(own.state.current().caps.PointSizeGran, 0.5f);

    const std::string oldLang = std::getenv("LANG") ? std::getenv("LANG") : "";
    setenv("LANG", "fr_FR.UTF-8", 1);
    own.state.loadLanguage("fr.strings", false);
    // Whatever else sets the numeric locale, reading numbers must not follow it.
    ASSERT_NE(std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"), nullptr) << "locales-all is installed";
    {
        MainWindow w(own.state);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        dropFiles(w.page(0), {QString::fromStdString(report)});
        EXPECT_EQ(own.state.current().caps.PointSizeGran, 0.125f);
        auto *extensions = static_cast<CExtensionTab *>(w.page(1));
        // Shown in the language's own way, read the file's way.
        EXPECT_NE(findLine(extensions->tree(),
                           [](const QString &t) {
                               return t.endsWith(" 0.125000") || t.endsWith(" 0,125000");
                           }),
                  nullptr);
    }
    setenv("LANG", oldLang.c_str(), 1);
    own.state.loadLanguage("en.strings", false);
    std::setlocale(LC_NUMERIC, "C");
}

TEST_F(PagesTest, ConversionsInLanguageTextsShowNothingAndDoNotCrash)
{
    // A language whose texts 197, 276 and 298 carry conversions of their own.
    // 8-bit language files are read from their second byte.
    std::string data = " \"x\" \"y\" ";
    for (int id = 101; id <= 298; ++id) {
        const bool hostile = id == 197 || id == 276 || id == 298;
        const char *english = tsGetBuiltinText(id);
        std::string text = hostile ? "%s%s%n" : (english ? english : "");
        for (char &c : text)
            if (c == '"')
                c = '\'';
        data += "\"" + text + "\" ";
    }
    textTable().loadData("xx.strings", data);
    ASSERT_EQ(LoadText(276), "%s%s%n");
    {
        CExtensionTab page(state());
        showPage(page);
        QTest::keyClicks(page.searchBox(), "multi");
        // The count fills the first %s; nothing else comes out.
        EXPECT_EQ(page.status()->text(), QString::number(page.matchList()->count()));
        QTreeWidgetItem *ext = findLine(page.tree(), "GL_ARB_multitexture");
        ASSERT_NE(ext, nullptr);
        std::unique_ptr<QMenu> menu(page.tree()->buildMenu(ext));
        EXPECT_EQ(menu->findChild<QAction *>("search")->text(), "GL_ARB_multitexture");
        EXPECT_EQ(findLine(page.tree(), [](const QString &t) { return t.contains("%n"); }),
                  nullptr);
    }
    textTable().load("en.strings", {});
}

// The pages as they look, at the scale the test program runs with (the
// scale-2 run sets QT_SCALE_FACTOR=2).
TEST_F(PagesTest, PageShots)
{
    UrlCatcher catcher;
    MainWindow w(state());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QString scale = scaleSuffix(w);
    w.tabs()->activatePage(0);
    QTest::qWait(50);
    saveShot(w.grab(), "page_summary" + scale);
    w.tabs()->activatePage(1);
    auto *extensions = static_cast<CExtensionTab *>(w.page(1));
    QTreeWidgetItem *multitexture = findLine(extensions->tree(), "GL_ARB_multitexture");
    ASSERT_NE(multitexture, nullptr);
    extensions->tree()->setCurrentItem(multitexture);
    QTest::qWait(50);
    saveShot(w.grab(), "page_extensions" + scale);
    extensions->searchBox()->clear();
    extensions->searchBox()->setFocus();
    QTest::keyClicks(extensions->searchBox(), "MULTI");
    QTest::qWait(50);
    saveShot(grabWithPopup(w, extensions->matchList()), "page_extensions_multi" + scale);
    state().linkIndex = kRendererListSite;
    extensions->searchBox()->setText("GL_ARB_multitexture");
    auto seen = answerNextDialog([&](QWidget *d) {
        saveShot(d->grab(), "page_search_results" + scale);
        static_cast<QDialog *>(d)->accept();
    });
    extensions->search();
    EXPECT_TRUE(*seen);
}

#include "pages_test.moc"
