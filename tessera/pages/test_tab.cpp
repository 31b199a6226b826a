#include "pages/test_tab.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/icons.h"
#include "sounder/present.h"

namespace tessera {
namespace {

// Which entry of the off-screen target list a run uses: its option bits.
constexpr uint32_t kTargetStandard = 0;
constexpr uint32_t kTargetPbuffer = optPbuffer;
constexpr uint32_t kTargetFramebuffer = optFramebufferObject;
constexpr uint32_t kTargetFloat = optFramebufferObject | optFloatTarget;

QString text(int id)
{
    return QString::fromStdString(LoadText(id));
}

// A text used as a format, filled in by the checked formatter.
QString formatted(const std::string &format, const std::vector<tsTextArg> &args)
{
    const int count = static_cast<int>(args.size());
    const size_t length = tsFormatText(format.c_str(), args.data(), count, nullptr, 0);
    std::string out(length + 1, '\0');
    tsFormatText(format.c_str(), args.data(), count, &out[0], out.size());
    out.resize(length);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

tsTextArg intArg(long long value)
{
    tsTextArg a{};
    a.kind = TS_ARG_INT;
    a.i = value;
    return a;
}

tsTextArg textArg(const char *value)
{
    tsTextArg a{};
    a.kind = TS_ARG_TEXT;
    a.s = value;
    return a;
}

// Whether the reading's extension list names a feature.  WGL names are
// looked up through their window-system counterparts (GLX or EGL, whichever
// the list is of), other names as they are.
bool listed(const char *name, const char *extensions)
{
    return tsWindowSystemHasFeature(name, extensions, TS_WINDOW_SYSTEM_GLX) ||
           tsWindowSystemHasFeature(name, extensions, TS_WINDOW_SYSTEM_EGL);
}

// Swallows the user's input to every widget while it is installed: what
// was queued during a run must not act once the run is over.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }
    // Delivers (and so drops) the input that waits in the queues.
    void drain()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: return true;
        default: return false;
        }
    }
};

QLabel *levelLabel(QWidget *parent, const char *name, const char *spoken)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAccessibleName(QString::fromLatin1(spoken));
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("X-16")) + 4);
    return label;
}

QSlider *levelSlider(QWidget *parent, const char *name, const char *spoken)
{
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setAccessibleName(QString::fromLatin1(spoken));
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setPageStep(1);
    return slider;
}

template <class Box>
Box *named(Box *box, const char *name)
{
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(box->text().isEmpty() ? QString::fromLatin1(name) : box->text());
    return box;
}

} // namespace

// ---- failure dialog ---------------------------------------------------------

lumErrorDlg::lumErrorDlg(const char *renderer, int failures, const char *log, QWidget *parent)
    : QDialog(parent), header_(new QLabel(this)), details_(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("lumErrorDlg"));
    setWindowTitle(QStringLiteral("OpenGL Error"));
    setAccessibleName(windowTitle());
    header_->setObjectName(QStringLiteral("header"));
    header_->setAccessibleName(QStringLiteral("Failures"));
    header_->setTextFormat(Qt::PlainText);
    header_->setWordWrap(true);
    header_->setText(formatted("Lumenscope has detected that %d rendering tests have failed :",
                               {intArg(failures)}));
    details_->setObjectName(QStringLiteral("details"));
    details_->setAccessibleName(QStringLiteral("Failure log"));
    details_->setReadOnly(true);
    details_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    details_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QString log8 = formatted("Renderer: %s:\r\n%s", {textArg(renderer), textArg(log)});
    log8.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    details_->setPlainText(log8);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(header_);
    layout->addWidget(details_, 1);
    layout->addWidget(buttons);
    resize(480, 320);
}

// ---- page -------------------------------------------------------------------

TestTab::TestTab(AppState &state, QWidget *parent)
    : TabPage(state, parent), testGroup_(new QGroupBox(this)), modeGroup_(new QGroupBox(this)),
      advancedGroup_(new QGroupBox(this)), list_(new QTreeWidget(testGroup_)),
      run_(new QPushButton(testGroup_)), desktop_(new QRadioButton(modeGroup_)),
      user_(new QRadioButton(modeGroup_)), modes_(new QComboBox(modeGroup_)),
      targets_(new QComboBox(modeGroup_)), targetLabel_(new QLabel(modeGroup_)),
      multisample_(new QCheckBox(QStringLiteral("Multisample"), modeGroup_)),
      fast_(new QCheckBox(modeGroup_)), anisotropy_(new QCheckBox(advancedGroup_)),
      lod_(new QCheckBox(QStringLiteral("LOD bias"), advancedGroup_)),
      fog_(new QCheckBox(QStringLiteral("Fog"), advancedGroup_)),
      clip_(new QCheckBox(QStringLiteral("User clip plane"), advancedGroup_)),
      benchmark_(new QCheckBox(QStringLiteral("Benchmark"), advancedGroup_)),
      samples_(levelSlider(modeGroup_, "samples", "Sample count")),
      anisotropyLevel_(levelSlider(advancedGroup_, "anisotropyLevel", "Maximum anisotropy")),
      lodLevel_(levelSlider(advancedGroup_, "lodLevel", "LOD bias level")),
      samplesText_(levelLabel(modeGroup_, "samplesText", "Sample count shown")),
      anisotropyText_(levelLabel(advancedGroup_, "anisotropyText", "Maximum anisotropy shown")),
      lodText_(levelLabel(advancedGroup_, "lodText", "LOD bias shown"))
{
    setObjectName(QStringLiteral("TestTab"));
    setAccessibleName(QStringLiteral("Rendering tests"));
    testGroup_->setObjectName(QStringLiteral("testGroup"));
    modeGroup_->setObjectName(QStringLiteral("modeGroup"));
    advancedGroup_->setObjectName(QStringLiteral("advancedGroup"));

    list_->setObjectName(QStringLiteral("units"));
    list_->setAccessibleName(QStringLiteral("Test units"));
    list_->setColumnCount(3);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionsMovable(false);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->resizeSection(1, 70);
    list_->header()->resizeSection(2, 50);
    list_->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    list_->installEventFilter(this);
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i) {
        entries_[static_cast<size_t>(i)].unit = &tsTestUnitDefault[i];
        auto *item = new QTreeWidgetItem(list_);
        item->setTextAlignment(1, Qt::AlignCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        updateRow(i);
    }
    list_->setCurrentItem(list_->topLevelItem(0));
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { toggleExclusion(list_->indexOfTopLevelItem(item)); });

    run_->setObjectName(QStringLiteral("runButton"));
    connect(run_, &QPushButton::clicked, this, &TestTab::run);

    named(desktop_, "desktopMode");
    named(user_, "userMode");
    auto *modeChoice = new QButtonGroup(this);
    modeChoice->addButton(desktop_);
    modeChoice->addButton(user_);
    desktop_->setChecked(true);
    modes_->setObjectName(QStringLiteral("modes"));
    modes_->setAccessibleName(QStringLiteral("Display modes"));
    targets_->setObjectName(QStringLiteral("targets"));
    targets_->setAccessibleName(QStringLiteral("Framebuffer"));
    // The lists size to the page, not to their longest entry.
    for (QComboBox *list : {modes_, targets_}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(8);
    }
    targetLabel_->setText(QStringLiteral("Framebuffer"));
    targetLabel_->setAccessibleName(targetLabel_->text());
    targetLabel_->setBuddy(targets_);
    named(multisample_, "multisample");
    named(fast_, "fast");
    named(anisotropy_, "anisotropy");
    named(lod_, "lod");
    named(fog_, "fog");
    named(clip_, "clipPlane");
    named(benchmark_, "benchmark");
    connect(desktop_, &QRadioButton::toggled, this, &TestTab::applyModeChoice);
    connect(anisotropy_, &QCheckBox::toggled, this, &TestTab::applyAnisotropy);
    connect(multisample_, &QCheckBox::toggled, this, &TestTab::applyMultisample);
    connect(lod_, &QCheckBox::toggled, this, &TestTab::applyLod);
    for (QSlider *s : {samples_, anisotropyLevel_, lodLevel_})
        connect(s, &QSlider::valueChanged, this, &TestTab::updateLevelTexts);

    auto *testLayout = new QVBoxLayout(testGroup_);
    testLayout->addWidget(list_, 1);
    auto *runRow = new QHBoxLayout;
    runRow->addStretch(1);
    runRow->addWidget(run_);
    testLayout->addLayout(runRow);

    // Each level slider has a row of its own under its box, so that it
    // keeps a usable length in a narrow window.
    auto *modeLayout = new QGridLayout(modeGroup_);
    modeLayout->addWidget(desktop_, 0, 0, 1, 2);
    modeLayout->addWidget(user_, 1, 0, 1, 2);
    modeLayout->addWidget(modes_, 2, 0, 1, 2);
    auto *targetRow = new QHBoxLayout;
    targetRow->addWidget(targetLabel_);
    targetRow->addWidget(targets_, 1);
    modeLayout->addLayout(targetRow, 3, 0, 1, 2);
    auto *multisampleRow = new QHBoxLayout;
    multisampleRow->addWidget(multisample_);
    multisampleRow->addStretch(1);
    multisampleRow->addWidget(fast_);
    modeLayout->addLayout(multisampleRow, 4, 0, 1, 2);
    modeLayout->addWidget(samples_, 5, 0);
    modeLayout->addWidget(samplesText_, 5, 1);
    modeLayout->setColumnStretch(0, 1);
    modeLayout->setRowStretch(6, 1);

    auto *advancedLayout = new QGridLayout(advancedGroup_);
    advancedLayout->addWidget(anisotropy_, 0, 0, 1, 2);
    advancedLayout->addWidget(anisotropyLevel_, 1, 0);
    advancedLayout->addWidget(anisotropyText_, 1, 1);
    advancedLayout->addWidget(lod_, 2, 0, 1, 2);
    advancedLayout->addWidget(lodLevel_, 3, 0);
    advancedLayout->addWidget(lodText_, 3, 1);
    advancedLayout->addWidget(fog_, 4, 0, 1, 2);
    advancedLayout->addWidget(clip_, 5, 0, 1, 2);
    advancedLayout->addWidget(benchmark_, 6, 0, 1, 2);
    advancedLayout->setColumnStretch(0, 1);
    advancedLayout->setRowStretch(7, 1);

    auto *options = new QHBoxLayout;
    options->addWidget(modeGroup_, 1);
    options->addWidget(advancedGroup_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(testGroup_, 1);
    layout->addLayout(options);
}

void TestTab::setTexts()
{
    testGroup_->setTitle(text(270));
    run_->setText(text(270));
    run_->setAccessibleName(run_->text());
    modeGroup_->setTitle(text(283));
    advancedGroup_->setTitle(text(286));
    for (QGroupBox *g : {testGroup_, modeGroup_, advancedGroup_})
        g->setAccessibleName(g->title());
    const Desktop &d = state_.desktop;
    const QByteArray size = d.width > 0 && d.height > 0
                                ? QStringLiteral("%1 x %2").arg(d.width).arg(d.height).toUtf8()
                                : QByteArray();
    desktop_->setText(formatted(LoadText(284), {textArg(size.constData())}));
    user_->setText(text(285));
    fast_->setText(text(288));
    anisotropy_->setText(text(200));
    for (QAbstractButton *b :
         {static_cast<QAbstractButton *>(desktop_), static_cast<QAbstractButton *>(user_),
          static_cast<QAbstractButton *>(fast_), static_cast<QAbstractButton *>(anisotropy_)})
        b->setAccessibleName(b->text());
    list_->setHeaderLabels({text(213), text(277), text(279)});
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        updateRow(i);
}

void TestTab::refresh()
{
    ++refreshes_;
    setTexts();
    const tsRendererCaps &caps = state_.current().caps;
    const char *extensions = caps.filled && caps.extensions ? caps.extensions : "";
    run_->setEnabled(caps.filled != 0);

    // Everything that depends on the driver starts disabled; what the
    // reading supports is enabled again below.
    for (QWidget *w : std::initializer_list<QWidget *>{
             anisotropy_, anisotropyText_, anisotropyLevel_, multisample_, samplesText_, samples_,
             fast_, modes_, lod_, lodLevel_, lodText_})
        w->setEnabled(false);

    const QSignalBlocker quietAnisotropy(anisotropyLevel_), quietSamples(samples_),
        quietLod(lodLevel_);
    if (listed("GL_EXT_texture_filter_anisotropic", extensions)) {
        const int maximum = qMax(1, static_cast<int>(caps.MaxTextureAnisotropy));
        anisotropyLevel_->setRange(1, maximum);
        anisotropyLevel_->setTickInterval(1);
        anisotropyLevel_->setValue(qMin(maximum, 4));
        for (QWidget *w :
             std::initializer_list<QWidget *>{anisotropy_, anisotropyText_, anisotropyLevel_})
            w->setEnabled(true);
    }
    const bool filterHint = listed("GL_NV_multisample_filter_hint", extensions) != 0;
    if (listed("WGL_ARB_extensions_string", extensions) &&
        listed("WGL_ARB_pixel_format", extensions) && listed("GL_ARB_multisample", extensions)) {
        const int maximum = qMax(1, static_cast<int>(caps.MaxSamples));
        samples_->setRange(1, maximum);
        samples_->setTickInterval(1);
        samples_->setValue(qMin(maximum, 2));
        for (QWidget *w : std::initializer_list<QWidget *>{multisample_, samplesText_, samples_})
            w->setEnabled(true);
        fast_->setEnabled(filterHint);
    }
    fillTargetList(extensions);
    if (listed("GL_EXT_texture_lod_bias", extensions)) {
        const int maximum = qMax(0, static_cast<int>(caps.MaxTextureLodBias));
        lodLevel_->setRange(-maximum, maximum);
        lodLevel_->setTickInterval(4);
        lodLevel_->setValue(0);
        for (QWidget *w : std::initializer_list<QWidget *>{lod_, lodLevel_, lodText_})
            w->setEnabled(true);
    }
    updateLevelTexts();
    fillModeList();

    // The boxes keep their check marks across refreshes: their sliders
    // follow them as a click on the box would make them.
    applyAnisotropy();
    applyLod();
    applyMultisample();
    applyModeChoice();
}

void TestTab::fillTargetList(const char *extensions)
{
    targets_->clear();
    targets_->addItem(QStringLiteral("Standard"), kTargetStandard);
    if (listed("WGL_ARB_pbuffer", extensions) && listed("WGL_ARB_render_texture", extensions))
        targets_->addItem(text(346), kTargetPbuffer);
    if (listed("GL_EXT_framebuffer_object", extensions)) {
        targets_->addItem(text(380), kTargetFramebuffer);
        if (listed("GL_ARB_texture_float", extensions) ||
            listed("GL_ATI_texture_float", extensions))
            targets_->addItem(text(380) + QStringLiteral(" (float)"), kTargetFloat);
    }
    targets_->setCurrentIndex(0);
}

void TestTab::fillModeList()
{
    modes_->clear();
    const tsRendererCaps &caps = state_.current().caps;
    const Desktop &d = state_.desktop;
    const int count = qBound(0, static_cast<int>(caps.displayModeCount), TS_MAX_DISPLAY_MODES);
    for (int i = 0; i < count; ++i) {
        const tsDisplayMode &m = caps.displayModes[i];
        if (m.bitsPerPixel <= 8)
            continue;
        modes_->addItem(QStringLiteral("%1 x %2, %3 BPP (%4 Hz)")
                            .arg(m.width)
                            .arg(m.height)
                            .arg(m.bitsPerPixel)
                            .arg(m.refreshRate),
                        QVariant::fromValue(m));
        if (m.width == d.width && m.height == d.height && m.bitsPerPixel == d.bits)
            modes_->setCurrentIndex(modes_->count() - 1);
    }
}

void TestTab::applyAnisotropy()
{
    const bool on = anisotropy_->isEnabled() && anisotropy_->isChecked();
    anisotropyLevel_->setEnabled(on);
    anisotropyText_->setEnabled(on);
}

void TestTab::applyMultisample()
{
    const bool on = multisample_->isEnabled() && multisample_->isChecked();
    samples_->setEnabled(on);
    samplesText_->setEnabled(on);
    const tsRendererCaps &caps = state_.current().caps;
    if (caps.filled && caps.extensions &&
        tsInfoSearchExtension("GL_NV_multisample_filter_hint", caps.extensions))
        fast_->setChecked(on);
}

void TestTab::applyLod()
{
    const bool on = lod_->isEnabled() && lod_->isChecked();
    lodLevel_->setEnabled(on);
    lodText_->setEnabled(on);
}

void TestTab::applyModeChoice()
{
    modes_->setEnabled(user_->isChecked() && modes_->count() > 0);
}

void TestTab::updateLevelTexts()
{
    anisotropyText_->setText(QStringLiteral("X%1").arg(anisotropyLevel_->value()));
    samplesText_->setText(QStringLiteral("X%1").arg(samples_->value()));
    lodText_->setText(QString::number(lodLevel_->value()));
}

void TestTab::updateRow(int row)
{
    QTreeWidgetItem *item = list_->topLevelItem(row);
    if (!item)
        return;
    const TestEntry &e = entries_[static_cast<size_t>(row)];
    item->setText(0, QString::fromUtf8(e.unit && e.unit->name ? e.unit->name : ""));
    item->setIcon(0, stripIcon(e.excluded > 0 ? kIconMissing : kIconAvailable));
    item->setText(1, text(e.status < 0 ? 280 : (e.status == 0 ? 281 : 282)));
    item->setText(2, e.status >= 0 ? QString::number(e.result) : QString());
}

void TestTab::toggleExclusion(int row)
{
    if (row < 0 || row >= TS_TEST_UNIT_COUNT)
        return;
    TestEntry &e = entries_[static_cast<size_t>(row)];
    e.excluded = e.excluded ? 0 : 1;
    updateRow(row);
}

bool TestTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            if (QTreeWidgetItem *item = list_->currentItem())
                toggleExclusion(list_->indexOfTopLevelItem(item));
            return true;
        }
    }
    return TabPage::eventFilter(watched, event);
}

tsTestOptions TestTab::optionsFromControls() const
{
    tsTestOptions o;
    std::memset(&o, 0, sizeof o);
    auto on = [](const QCheckBox *box) { return box->isEnabled() && box->isChecked(); };
    o.flags = optFullscreen;
    if (on(lod_))
        o.flags |= optLodBias;
    if (on(anisotropy_))
        o.flags |= optAnisotropy;
    if (on(multisample_))
        o.flags |= optMultisample;
    if (on(clip_))
        o.flags |= optClipPlane;
    if (on(fast_))
        o.flags |= optMultisampleFastest;
    if (on(fog_))
        o.flags |= optFog;
    if (on(benchmark_))
        o.flags |= optObjectGrid;
    o.flags |= targets_->currentData().toUInt();
    o.anisotropy = static_cast<float>(anisotropyLevel_->value());
    o.samples = samples_->value();
    o.lodBias = static_cast<float>(lodLevel_->value());
    o.hardware = state_.currentReading;
    return o;
}

bool TestTab::chosenMode(tsDisplayMode *mode) const
{
    if (!user_->isChecked() || !modes_->isEnabled() || modes_->currentIndex() < 0)
        return false;
    const QVariant data = modes_->currentData();
    if (!data.canConvert<tsDisplayMode>())
        return false;
    *mode = data.value<tsDisplayMode>();
    return true;
}

void TestTab::run()
{
    if (running_ || !state_.current().caps.filled)
        return;
    running_ = true;
    ++runs_;
    const tsTestOptions chosen = optionsFromControls();
    tsDisplayMode mode{};
    const bool switchMode = chosenMode(&mode);

    int32_t results[TS_TEST_UNIT_COUNT];
    for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i)
        results[i] = entries_[static_cast<size_t>(i)].excluded ? -1 : 0;

    int32_t outcome;
    {
        InputBlocker blocker;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        tsTestOptions options;
        tsTestLoadDefaults(&options); // missing files leave their slots empty
        options.flags = chosen.flags;
        options.anisotropy = chosen.anisotropy;
        options.samples = chosen.samples;
        options.lodBias = chosen.lodBias;
        options.hardware = chosen.hardware;
        tsReportSetLogFile();
        outcome = tsTestRun(results, switchMode ? &mode : nullptr, &options);
        tsTestReleaseDefaults(&options);
        QApplication::restoreOverrideCursor();

        for (int i = 0; i < TS_TEST_UNIT_COUNT; ++i) {
            TestEntry &e = entries_[static_cast<size_t>(i)];
            if (e.excluded) {
                e.status = -1;
                e.result = -1;
            } else {
                // Without a test window the slots stay as they were given:
                // those units failed, they were not measured at 0.
                const int result = outcome == -1 ? -1 : results[i];
                e.result = result;
                e.status = result < 0 ? -result : 0;
            }
            updateRow(i);
        }
        // Clicks and keys that arrived while the run held the thread are
        // dropped, not acted on now.
        blocker.drain();
    }

    const int failures = tsReportHasErrors();
    if (failures > 0 || outcome == -1) {
        const char *renderer = state_.current().caps.renderer;
        lumErrorDlg dialog(renderer, failures, tsReportGetLogFile(), this);
        dialog.exec();
    }
    running_ = false;
}

} // namespace tessera
