// The rendering test page over the live llvmpipe reading: controls that
// follow what the reading supports, row exclusion, and real runs of
// tsTestRun (nothing selected, one unit measured, no test window).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pages/test_tab.h"
#include "sounder/texts.h"
#include "support/qt_dialogs.h"
#include "viewer/page_checks.h"

using namespace tessera;

namespace {

QString builtin(int id)
{
    return QString::fromUtf8(tsGetBuiltinText(id));
}

QStringList row(const TestTab &page, int i)
{
    const QTreeWidgetItem *item = page.list()->topLevelItem(i);
    return {item->text(0), item->text(1), item->text(2)};
}

QStringList pending(int i)
{
    return {tsTestUnitDefault[i].name, builtin(280), ""};
}

class TestPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedState().readings[1].ok) << sharedState().readings[1].log;
        ASSERT_EQ(sharedState().currentReading, 1);
    }
    // Shows page with every row but keep excluded (kNone: all, kAll: none).
    static constexpr int kNone = -1, kAll = TS_TEST_UNIT_COUNT;
    static void show(TestTab &page, int keep)
    {
        page.resize(640, 560);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.refresh();
        for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
            if (i != keep && keep != kAll)
                page.toggleExclusion(i);
    }
};

} // namespace

TEST_F(TestPageTest, ControlsFollowWhatTheReadingSupports)
{
    AppState state = sharedState(); // shares the records' texts; released by the original
    tsRendererCaps &caps = state.current().caps;
    TestTab page(state);
    show(page, kAll);
    expectAccessibleNames(page);

    // llvmpipe: anisotropy up to 16, four samples, LOD bias of 16 either
    // way; each slider waits for its box.
    const struct {
        QSlider *slider;
        QLabel *label;
        QCheckBox *box;
        int minimum, maximum, value;
        const char *text;
    } levels[] = {
        {page.anisotropySlider(), page.anisotropyLabel(), page.anisotropyBox(), 1, 16, 4, "X4"},
        {page.samplesSlider(), page.samplesLabel(), page.multisampleBox(), 1, 4, 2, "X2"},
        {page.lodSlider(), page.lodLabel(), page.lodBox(), -16, 16, 0, "0"}};
    for (const auto &l : levels) {
        EXPECT_EQ(QVector<int>({l.slider->minimum(), l.slider->maximum(), l.slider->value()}),
                  QVector<int>({l.minimum, l.maximum, l.value}));
        EXPECT_EQ(l.label->text(), l.text);
        EXPECT_TRUE(l.box->isEnabled());
        EXPECT_FALSE(l.slider->isEnabled());
    }
    EXPECT_EQ(page.optionsFromControls().flags, uint32_t(optFullscreen));
    // GLX 1.3 pbuffers stand in for WGL_ARB_pbuffer and render-to-texture.
    QStringList targets;
    for (int i = 0; i < page.targetList()->count(); ++i)
        targets << page.targetList()->itemText(i);
    EXPECT_EQ(targets,
              QStringList({"Standard", builtin(346), builtin(380), builtin(380) + " (float)"}));

    // Boxes, levels and target chosen: the options carry them.
    for (QCheckBox *box :
         {page.anisotropyBox(), page.lodBox(), page.multisampleBox(), page.fogBox()})
        box->click();
    page.anisotropySlider()->setValue(16);
    page.lodSlider()->setValue(-16);
    page.targetList()->setCurrentIndex(3);
    EXPECT_EQ(page.anisotropyLabel()->text() + page.lodLabel()->text(), "X16-16");
    const uint32_t chosen = optFullscreen | optAnisotropy | optLodBias | optMultisample | optFog;
    const tsTestOptions o = page.optionsFromControls();
    EXPECT_EQ(o.flags, chosen | optFramebufferObject | optFloatTarget);
    EXPECT_EQ(QVector<float>({o.anisotropy, o.lodBias, float(o.samples), float(o.hardware)}),
              QVector<float>({16, -16, 2, 1}));

    // Modes: those of the record above 8 bits, the desktop's chosen, used
    // only with "User defined".
    int expected = 0;
    for (int i = 0; i < caps.displayModeCount; ++i)
        expected += caps.displayModes[i].bitsPerPixel > 8;
    ASSERT_GT(expected, 0);
    ASSERT_EQ(page.modeList()->count(), expected);
    const tsDisplayMode shown = page.modeList()->currentData().value<tsDisplayMode>();
    const Desktop &d = state.desktop;
    EXPECT_EQ(QVector<int>({shown.width, shown.height, shown.bitsPerPixel}),
              QVector<int>({d.width, d.height, d.bits}));
    EXPECT_TRUE(page.desktopMode()->text().endsWith(QString("%1 x %2").arg(d.width).arg(d.height)));
    tsDisplayMode mode{};
    EXPECT_FALSE(page.modeList()->isEnabled() || page.chosenMode(&mode));
    page.userMode()->click();
    ASSERT_TRUE(page.modeList()->isEnabled() && page.chosenMode(&mode));
    EXPECT_EQ(std::memcmp(&mode, &shown, sizeof mode), 0);
    saveShots(page, "test-page");

    // A reading without those extensions and modes: the boxes keep their
    // marks but are disabled, and a disabled box sets no flag.
    char *extensions = caps.extensions;
    const int16_t modes = caps.displayModeCount;
    char bare[] = "GL_ARB_multitexture GLX_ARB_get_proc_address";
    caps.extensions = bare;
    caps.displayModeCount = 0;
    page.refresh();
    for (const auto &l : levels)
        EXPECT_FALSE(l.box->isEnabled() || l.slider->isEnabled() || !l.box->isChecked());
    EXPECT_FALSE(page.modeList()->isEnabled() || page.chosenMode(&mode));
    EXPECT_EQ(page.optionsFromControls().flags, uint32_t(optFullscreen | optFog));
    EXPECT_EQ(page.targetList()->count(), 2) << "a GLX list has GLX 1.3 pbuffers";

    // Back on the full reading, the sliders follow their checked boxes again.
    caps.extensions = extensions;
    caps.displayModeCount = modes;
    page.refresh();
    for (const auto &l : levels)
        EXPECT_TRUE(l.slider->isEnabled());
    EXPECT_TRUE(page.modeList()->isEnabled());
    EXPECT_EQ(page.optionsFromControls().flags, chosen);
}

TEST_F(TestPageTest, DoubleClickEnterAndSpaceToggleARow)
{
    TestTab page(sharedState());
    show(page, kAll);
    QTreeWidget *list = page.list();
    const qint64 included = list->topLevelItem(0)->icon(0).cacheKey();
    for (int how = 0; how < 6; ++how) {
        const int i = 2 + how / 2;
        QTreeWidgetItem *item = list->topLevelItem(i);
        list->setCurrentItem(item);
        list->setFocus();
        const QPoint at = list->visualItemRect(item).center();
        if (how / 2 == 0) {
            // A double click is a click and a second press within the interval.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(list, how / 2 == 1 ? Qt::Key_Return : Qt::Key_Space);
        }
        const bool excluded = how % 2 == 0;
        EXPECT_EQ(page.entry(i).excluded, excluded ? 1 : 0) << how;
        EXPECT_EQ(item->icon(0).cacheKey() == included, !excluded) << how;
    }
}

TEST_F(TestPageTest, RunsPassPendingAndDropInputQueuedDuringTheRun)
{
    TestTab page(sharedState());
    show(page, kNone);
    QString dialog;
    auto seen = answerMessageBox(&dialog);
    QTest::mouseClick(page.runButton(), Qt::LeftButton);
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), pending(i)) << "nothing selected";

    // Unit 0 only, with a click on Run and Space on the list (which would
    // exclude the unit) arriving while the run holds the thread.
    page.toggleExclusion(0);
    page.list()->setCurrentItem(page.list()->topLevelItem(0));
    QWidget *run = page.runButton();
    const QPointF centre = QRectF(run->rect()).center(), global = run->mapToGlobal(centre);
    std::vector<std::pair<QObject *, QEvent *>> queued = {
        {run, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier)},
        {run, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                              Qt::NoButton, Qt::NoModifier)},
        {page.list(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier)}};
    std::thread poster([&queued] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        for (auto &[receiver, event] : queued)
            QCoreApplication::postEvent(receiver, event);
    });
    QTest::mouseClick(page.runButton(), Qt::LeftButton);
    poster.join();
    QTest::qWait(300);

    EXPECT_EQ(page.runCount(), 2);
    EXPECT_EQ(page.entry(0).excluded, 0);
    EXPECT_FALSE(*seen) << dialog.toStdString();
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
    EXPECT_EQ(row(page, 0).mid(0, 2), QStringList({tsTestUnitDefault[0].name, builtin(281)}));
    EXPECT_GT(row(page, 0)[2].toInt(), 0) << "frames per second";
    for (int i = 1; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), pending(i)) << i;
    saveShots(page, "test-page-after-run");
}

TEST_F(TestPageTest, WithoutATestWindowTheUnitFailsAndTheLogIsShown)
{
    AppState state = sharedState(); // shares the records' texts; released by the original
    const QString renderer = QStringLiteral("<b>x</b> %s%s%n & {\\b y}");
    const QByteArray rendererBytes = renderer.toUtf8();
    state.current().caps.renderer = const_cast<char *>(rendererBytes.constData());
    TestTab page(state);
    show(page, 0);

    QString title, header, details;
    auto seen = answerNextDialog([&](QWidget *w) {
        title = w->windowTitle();
        if (auto *dlg = qobject_cast<lumErrorDlg *>(w)) {
            header = dlg->header()->text();
            details = dlg->details()->toPlainText();
            saveShots(*dlg, "test-error-dialog");
            expectAccessibleNames(*dlg);
        }
        static_cast<QDialog *>(w)->accept();
    });
    // The test window's connection cannot be opened.
    const std::string display = std::getenv("DISPLAY");
    setenv("TESSERA_PLATFORM", "glx", 1);
    setenv("DISPLAY", ":9973", 1);
    QTest::mouseClick(page.runButton(), Qt::LeftButton);
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("TESSERA_PLATFORM");

    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, "OpenGL Error");
    const int failures = tsReportHasErrors();
    EXPECT_GE(failures, 1);
    EXPECT_EQ(
        header,
        QString("Lumenscope has detected that %1 rendering tests have failed :").arg(failures));
    EXPECT_TRUE(details.startsWith("Renderer: " + renderer + ":\n")) << details.toStdString();
    EXPECT_TRUE(details.contains(":9973") && !details.contains('\r')) << details.toStdString();
    EXPECT_EQ(row(page, 0), QStringList({tsTestUnitDefault[0].name, builtin(282), "-1"}));
    for (int i = 1; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), pending(i)) << i;
}
