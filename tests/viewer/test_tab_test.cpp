// The rendering test page over the live llvmpipe reading: controls that
// follow what the reading supports, row exclusion, and real runs of
// tsTestRun (one unit measured, none selected, no test window).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
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
#include "viewer/viewer_fixture.h"

using namespace tessera;

namespace {

QString builtin(int id)
{
    return QString::fromUtf8(tsGetBuiltinText(id));
}

QStringList row(const TestTab &page, int i)
{
    QTreeWidgetItem *item = page.list()->topLevelItem(i);
    return {item->text(0), item->text(1), item->text(2)};
}

struct Level {
    const QSlider *slider;
    const QLabel *label;
};

void expectLevel(Level level, int minimum, int maximum, int value, const QString &label)
{
    EXPECT_EQ(level.slider->minimum(), minimum);
    EXPECT_EQ(level.slider->maximum(), maximum);
    EXPECT_EQ(level.slider->value(), value);
    EXPECT_EQ(level.label->text(), label);
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        const char *old = std::getenv(name);
        had_ = old != nullptr;
        old_ = old ? old : "";
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    std::string old_;
};

class TestPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedState().readings[1].ok) << sharedState().readings[1].log;
        ASSERT_EQ(sharedState().currentReading, 1);
    }
    // Shows page with every row but keep excluded.
    static void showWithOnly(TestTab &page, std::initializer_list<int> keep)
    {
        page.resize(640, 560);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.refresh();
        for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
            if (std::find(keep.begin(), keep.end(), i) == keep.end())
                page.toggleExclusion(i);
    }
};

} // namespace

TEST_F(TestPageTest, ControlsFollowWhatTheReadingSupports)
{
    AppState state = sharedState(); // shares the records' texts; released by the original
    tsRendererCaps &caps = state.current().caps;
    TestTab page(state);
    page.resize(640, 560);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.refresh();

    QTreeWidgetItem *header = page.list()->headerItem();
    EXPECT_EQ(QStringList({header->text(0), header->text(1), header->text(2)}),
              QStringList({builtin(213), builtin(277), builtin(279)}));
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), QStringList({tsTestUnitDefault[i].name, builtin(280), ""}));
    EXPECT_TRUE(page.runButton()->isEnabled());
    expectAccessibleNames(page);

    // llvmpipe: anisotropy up to 16, four samples, LOD bias of 16 either way.
    expectLevel({page.anisotropySlider(), page.anisotropyLabel()}, 1, 16, 4, "X4");
    expectLevel({page.samplesSlider(), page.samplesLabel()}, 1, 4, 2, "X2");
    expectLevel({page.lodSlider(), page.lodLabel()}, -16, 16, 0, "0");
    for (QCheckBox *box : {page.anisotropyBox(), page.multisampleBox(), page.lodBox()})
        EXPECT_TRUE(box->isEnabled()) << box->objectName().toStdString();
    for (QSlider *s : {page.anisotropySlider(), page.samplesSlider(), page.lodSlider()})
        EXPECT_FALSE(s->isEnabled()) << "follows its unchecked box";
    EXPECT_EQ(page.optionsFromControls().flags, uint32_t(optFullscreen));
    // GLX 1.3 pbuffers stand in for WGL_ARB_pbuffer and render-to-texture.
    QStringList targets;
    for (int i = 0; i < page.targetList()->count(); ++i)
        targets << page.targetList()->itemText(i);
    EXPECT_EQ(targets,
              QStringList({"Standard", builtin(346), builtin(380), builtin(380) + " (float)"}));

    // Boxes checked, levels and target chosen: the options carry them.
    page.anisotropyBox()->click();
    page.lodBox()->click();
    page.multisampleBox()->click();
    page.fogBox()->click();
    page.anisotropySlider()->setValue(16);
    page.lodSlider()->setValue(-16);
    page.targetList()->setCurrentIndex(3);
    EXPECT_EQ(page.anisotropyLabel()->text(), "X16");
    EXPECT_EQ(page.lodLabel()->text(), "-16");
    const uint32_t chosen = optFullscreen | optAnisotropy | optLodBias | optMultisample | optFog |
                            optFramebufferObject | optFloatTarget;
    tsTestOptions o = page.optionsFromControls();
    EXPECT_EQ(o.flags, chosen);
    EXPECT_EQ(o.anisotropy, 16.0f);
    EXPECT_EQ(o.lodBias, -16.0f);
    EXPECT_EQ(o.samples, 2);
    EXPECT_EQ(o.hardware, 1);

    // Modes: every mode of the record above 8 bits, the desktop's chosen,
    // used only with "User defined".
    int expected = 0;
    for (int i = 0; i < caps.displayModeCount; ++i)
        if (caps.displayModes[i].bitsPerPixel > 8)
            ++expected;
    ASSERT_GT(expected, 0);
    ASSERT_EQ(page.modeList()->count(), expected);
    const tsDisplayMode shown = page.modeList()->currentData().value<tsDisplayMode>();
    const Desktop &d = state.desktop;
    EXPECT_EQ(QVector<int>({shown.width, shown.height, shown.bitsPerPixel}),
              QVector<int>({d.width, d.height, d.bits}));
    EXPECT_TRUE(
        page.desktopMode()->text().endsWith(QStringLiteral("%1 x %2").arg(d.width).arg(d.height)));
    tsDisplayMode mode{};
    EXPECT_FALSE(page.modeList()->isEnabled());
    EXPECT_FALSE(page.chosenMode(&mode));
    page.userMode()->click();
    EXPECT_TRUE(page.modeList()->isEnabled());
    ASSERT_TRUE(page.chosenMode(&mode));
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
    for (QWidget *w : std::initializer_list<QWidget *>{
             page.anisotropyBox(), page.anisotropySlider(), page.multisampleBox(),
             page.samplesSlider(), page.lodBox(), page.lodSlider(), page.modeList()})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(page.anisotropyBox()->isChecked());
    EXPECT_EQ(page.optionsFromControls().flags, uint32_t(optFullscreen | optFog));
    // A GLX list has GLX 1.3 pbuffers, which stand in for the WGL ones.
    EXPECT_EQ(page.targetList()->count(), 2);
    EXPECT_FALSE(page.chosenMode(&mode));

    // Back on the full reading, the sliders follow their checked boxes again.
    caps.extensions = extensions;
    caps.displayModeCount = modes;
    page.refresh();
    for (QSlider *s : {page.anisotropySlider(), page.samplesSlider(), page.lodSlider()})
        EXPECT_TRUE(s->isEnabled()) << s->objectName().toStdString();
    EXPECT_TRUE(page.modeList()->isEnabled());
    EXPECT_EQ(page.optionsFromControls().flags,
              uint32_t(optFullscreen | optAnisotropy | optLodBias | optMultisample | optFog));
}

TEST_F(TestPageTest, DoubleClickEnterAndSpaceToggleARow)
{
    TestTab page(sharedState());
    showWithOnly(page, {0, 1, 2, 3, 4, 5, 6});
    QTreeWidget *list = page.list();
    const qint64 included = list->topLevelItem(0)->icon(0).cacheKey();
    auto toggle = [&](int i, int how) {
        QTreeWidgetItem *item = list->topLevelItem(i);
        list->setCurrentItem(item);
        list->setFocus();
        if (how == 0) {
            // A double click is a click and a second press within the interval.
            const QPoint at = list->visualItemRect(item).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        } else
            QTest::keyClick(list, how == 1 ? Qt::Key_Return : Qt::Key_Space);
    };
    for (int how = 0; how < 3; ++how) {
        const int i = 2 + how;
        toggle(i, how);
        EXPECT_EQ(page.entry(i).excluded, 1) << how;
        EXPECT_NE(list->topLevelItem(i)->icon(0).cacheKey(), included) << how;
        toggle(i, how);
        EXPECT_EQ(page.entry(i).excluded, 0) << how;
        EXPECT_EQ(list->topLevelItem(i)->icon(0).cacheKey(), included) << how;
    }
}

TEST_F(TestPageTest, OneUnitPassesAndInputQueuedDuringTheRunIsDropped)
{
    TestTab page(sharedState());
    showWithOnly(page, {0});
    QString dialog;
    auto seen = answerMessageBox(&dialog);

    // A click on Run, and Space on the list (which would exclude the unit),
    // arriving while the run holds the thread.
    std::vector<std::pair<QObject *, QEvent *>> queued;
    QWidget *run = page.runButton();
    const QPointF centre = QRectF(run->rect()).center();
    const QPointF global = run->mapToGlobal(centre);
    queued.emplace_back(run, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    queued.emplace_back(run, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    page.list()->setCurrentItem(page.list()->topLevelItem(0));
    queued.emplace_back(page.list(),
                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    std::thread clicker([&queued] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        for (auto &[receiver, event] : queued)
            QCoreApplication::postEvent(receiver, event);
    });
    QTest::mouseClick(page.runButton(), Qt::LeftButton);
    clicker.join();
    QTest::qWait(300);

    EXPECT_EQ(page.runCount(), 1);
    EXPECT_FALSE(page.running());
    EXPECT_EQ(page.entry(0).excluded, 0);
    EXPECT_FALSE(*seen) << dialog.toStdString();
    EXPECT_EQ(tsReportHasErrors(), 0) << tsReportGetLogFile();
    EXPECT_EQ(row(page, 0).mid(0, 2), QStringList({tsTestUnitDefault[0].name, builtin(281)}));
    EXPECT_GT(row(page, 0)[2].toInt(), 0) << "frames per second";
    EXPECT_EQ(page.entry(0).result, row(page, 0)[2].toInt());
    for (int i = 1; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), QStringList({tsTestUnitDefault[i].name, builtin(280), ""})) << i;
    saveShots(page, "test-page-after-run");
}

TEST_F(TestPageTest, NothingSelectedStaysPendingWithoutADialog)
{
    TestTab page(sharedState());
    showWithOnly(page, {});
    QString dialog;
    auto seen = answerMessageBox(&dialog);
    QTest::mouseClick(page.runButton(), Qt::LeftButton);
    QTest::qWait(100);
    EXPECT_EQ(page.runCount(), 1);
    EXPECT_FALSE(*seen) << dialog.toStdString();
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i), QStringList({tsTestUnitDefault[i].name, builtin(280), ""})) << i;
}

TEST_F(TestPageTest, WithoutATestWindowTheUnitFailsAndTheLogIsShown)
{
    AppState state = sharedState(); // shares the records' texts; released by the original
    const QString renderer = QStringLiteral("<b>x</b> %s%s%n & {\\b y}");
    const QByteArray rendererBytes = renderer.toUtf8();
    state.current().caps.renderer = const_cast<char *>(rendererBytes.constData());
    TestTab page(state);
    showWithOnly(page, {0});

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
    {
        // The test window's connection cannot be opened.
        ScopedEnv platform("TESSERA_PLATFORM", "glx");
        ScopedEnv display("DISPLAY", ":9973");
        QTest::mouseClick(page.runButton(), Qt::LeftButton);
    }
    ASSERT_TRUE(*seen);
    EXPECT_EQ(title, "OpenGL Error");
    const int failures = tsReportHasErrors();
    EXPECT_GE(failures, 1);
    EXPECT_EQ(header, QStringLiteral("Lumenscope has detected that %1 rendering tests have "
                                     "failed :")
                          .arg(failures));
    EXPECT_TRUE(details.startsWith("Renderer: " + renderer + ":\n")) << details.toStdString();
    EXPECT_TRUE(details.contains(":9973")) << details.toStdString();
    EXPECT_FALSE(details.contains('\r'));

    EXPECT_EQ(row(page, 0), QStringList({tsTestUnitDefault[0].name, builtin(282), "-1"}));
    for (int i = 1; i < TS_TEST_UNIT_COUNT; ++i)
        EXPECT_EQ(row(page, i)[1], builtin(280)) << i;
}
