// The report page over the live llvmpipe reading: the whole report as the
// library renders it, links, find, the clipboard copy, and texts from
// drivers and language files that must show as text.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include <cstring>
#include <string>

#include "controls/rich_text.h"
#include "pages/report_tab.h"
#include "pages/test_tab.h"
#include "sounder/report.h"
#include "sounder/texts.h"
#include "support/language_data.h"
#include "viewer/page_checks.h"
#include "viewer/viewer_fixture.h"

using namespace tessera;

namespace {

QString richToPlain(const QByteArray &rich)
{
    std::string plain(tsRichTextToPlain(rich.constData(), nullptr, 0) + 1, '\0');
    plain.resize(tsRichTextToPlain(rich.constData(), &plain[0], plain.size()));
    return QString::fromStdString(plain);
}

QStringList linesOf(const QString &text, bool dropEmpty)
{
    QStringList lines = text.trimmed().split(QLatin1Char('\n'));
    for (QString &line : lines)
        line.remove(QRegularExpression("[ \t]+$"));
    if (dropEmpty)
        lines.removeAll(QString());
    return lines;
}

// The page shows what the library renders: the plain form of the RTF
// document, line by line, and the plain build (what Copy puts on the
// clipboard) has the same lines but for blank ones.
void expectPageShowsTheReport(ReportTab &page, const Reading &reading, tsDatabase *db)
{
    const QStringList shown = linesOf(page.report()->toPlainText(), false);
    const QStringList document = linesOf(richToPlain(buildReportText(reading, db, true)), false);
    ASSERT_GT(document.size(), 20);
    for (qsizetype i = 0; i < qMax(shown.size(), document.size()); ++i)
        ASSERT_EQ(shown.value(i).toStdString(), document.value(i).toStdString()) << "line " << i;
    EXPECT_EQ(linesOf(QString::fromUtf8(buildReportText(reading, db, false)), true),
              linesOf(page.report()->toPlainText(), true));
}

QString builtinPlain(int id)
{
    return richToPlain(QByteArray(tsGetBuiltinText(id))).trimmed();
}

// The first link of the report, and where it shows.
QTextCursor firstLink(QTextDocument *doc, QString *href)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor()) {
                *href = it.fragment().charFormat().anchorHref();
                QTextCursor cursor(doc);
                cursor.setPosition(it.fragment().position() + 1);
                return cursor;
            }
    return QTextCursor();
}

class ReportPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedState().readings[1].ok) << sharedState().readings[1].log;
        viewerEnvironment().clearOpened();
    }
    void TearDown() override { textTable().load("en.strings", {}); }
};

} // namespace

TEST_F(ReportPageTest, ShowsTheWholeLlvmpipeReportAndCopiesItWhole)
{
    AppState &state = sharedState();
    const Reading &r = state.current();
    // The report needs more pieces than the fixed list holds: a page built
    // on that list would end in the cut notice.
    ASSERT_GT(tsBuildReportPieces(nullptr, 0, &r.system, &r.caps, &r.icd, state.db, 1),
              TS_REPORT_MAX_PIECES);

    ReportTab page(state);
    page.resize(640, 560);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.refresh();
    expectPageShowsTheReport(page, r, state.db);
    expectAccessibleNames(page);

    // It ends with the entry-point verification, not with a cut notice.
    const QStringList lines = linesOf(page.report()->toPlainText(), true);
    const qsizetype heading = lines.indexOf(QString::fromUtf8(tsGetBuiltinText(310)) + ":");
    ASSERT_GE(heading, 0);
    EXPECT_EQ(lines.value(heading + 1), builtinPlain(411));
    for (qsizetype i = heading + 2; i < lines.size(); ++i)
        EXPECT_NE(lines[i], QStringLiteral("...")) << i;

    // Refresh shows the top of the report with nothing selected.
    EXPECT_EQ(page.report()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(page.report()->textCursor().hasSelection());
    saveShots(page, "report-page");
    page.report()->selectAll();
    page.report()->verticalScrollBar()->setValue(page.report()->verticalScrollBar()->maximum());
    ASSERT_GT(page.report()->verticalScrollBar()->value(), 0);
    page.refresh();
    QApplication::processEvents();
    EXPECT_EQ(page.report()->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(page.report()->textCursor().hasSelection());

    // Ctrl+F opens the find box; Enter selects the next match.
    ASSERT_TRUE(activateForInput(page));
    page.report()->setFocus();
    QTest::keyClick(page.report(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(page.findBox()->isVisible());
    EXPECT_TRUE(page.findBox()->hasFocus());
    const QString renderer = QString::fromUtf8(r.caps.renderer);
    QTest::keyClicks(page.findBox(), renderer);
    QTest::keyClick(page.findBox(), Qt::Key_Return);
    EXPECT_EQ(page.report()->textCursor().selectedText(), renderer);

    // Copy puts the whole plain report on the clipboard: no control words,
    // not cut at 32 KiB.
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(page.copyButton(), Qt::LeftButton);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_GT(copied.toUtf8().size(), 40000);
    EXPECT_EQ(copied, QString::fromUtf8(buildReportText(r, state.db, false)));
    for (const char *word : {"\\line", "\\par", "\\b", "\\i", "{\\rtf"})
        EXPECT_FALSE(copied.contains(QLatin1String(word))) << word;
}

// Driver texts with markup, UTF-8 and a language whose texts are Japanese
// or conversions that take more arguments than given: shown as text, never
// as markup or a format.
TEST_F(ReportPageTest, DriverMarkupAndForeignTextsShowAsText)
{
    AppState copy = sharedState(); // shares the records' texts; released by the original
    Reading &r = copy.current();
    const QString address = QStringLiteral("https://example.org/driver?a=1&b=2");
    const QString renderer = QStringLiteral("<b>x</b> & {\\b y} Grüße \u2713 ") + address;
    const QByteArray rendererBytes = renderer.toUtf8();
    r.caps.renderer = const_cast<char *>(rendererBytes.constData());

    // Every plain text is Japanese, every text used as a format reads
    // arguments that are not there.
    const auto japanese = [](int id) { return "日本語の文 " + std::to_string(id); };
    const auto text = [&](int id) {
        const char *builtin = tsGetBuiltinText(id);
        if (builtin && std::strchr(builtin, '%'))
            return std::string("%s%s%n%d%n");
        return japanese(id) + (id == 161 ? " \\line 二行目" : "");
    };
    textTable().loadData("jp-test.strings", languageData(text));

    ReportTab page(copy);
    page.resize(640, 560);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.refresh();
    EXPECT_EQ(page.header()->text() + page.copyButton()->text(),
              QString::fromStdString(japanese(136) + japanese(302)));
    expectPageShowsTheReport(page, r, copy.db);
    const QString shown = page.report()->toPlainText();
    EXPECT_TRUE(shown.contains(renderer)) << shown.left(2000).toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(japanese(310)) + ":"));
    EXPECT_FALSE(page.report()->document()->toHtml().contains("<b>x</b>"));
    EXPECT_TRUE(shown.contains(QString::fromStdString(japanese(161) + " \n二行目")));
    QTest::mouseClick(page.copyButton(), Qt::LeftButton);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.contains(renderer));
    // One line feed for the \line of a language text.
    EXPECT_TRUE(copied.contains(QString::fromStdString(japanese(161) + " \n二行目")))
        << copied.left(400).toStdString();
    // The address in the driver's text is a link; a click hands it to the
    // desktop.
    QString href;
    QTextCursor link = firstLink(page.report()->document(), &href);
    ASSERT_FALSE(link.isNull()) << "the report shows no link";
    EXPECT_EQ(href, address);
    page.report()->setTextCursor(link);
    page.report()->ensureCursorVisible();
    const QPoint at = page.report()->cursorRect(link).center();
    QTest::mouseClick(page.report()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(QTest::qWaitFor([] { return !viewerEnvironment().opened().empty(); }, 5000));
    EXPECT_EQ(viewerEnvironment().opened(), address.toStdString() + "\n");
    saveShots(page, "report-page-japanese");

    // The test page's desktop radio: its text is a format with one value.
    TestTab tests(copy);
    tests.refresh();
    const Desktop &d = copy.desktop;
    EXPECT_EQ(tests.desktopMode()->text(),
              d.width > 0 ? QStringLiteral("%1 x %2").arg(d.width).arg(d.height) : QString());
}
