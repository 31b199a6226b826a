// The rendering test page (tab 5): the seven test units with their status
// and frame rate, the display mode, the off-screen target and the advanced
// options, and the run; lumErrorDlg shows the failure log after a run that
// logged failures.
#ifndef TESSERA_PAGES_TEST_TAB_H
#define TESSERA_PAGES_TEST_TAB_H

#include <QDialog>
#include <QMetaType>

#include <array>

#include "pages/tab_page.h"
#include "sounder/probe.h"
#include "sounder/rendertest.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTreeWidget;

Q_DECLARE_METATYPE(tsDisplayMode)

namespace tessera {

// One row of the list.  status: -1 before any run and for a unit that was
// not run ("Pending"), 0 after a measured run ("Passed"), else the
// negated result ("Failed").  result: frames per second, or -1.
struct TestEntry {
    const tsTestUnit *unit = nullptr;
    int status = -1;
    int excluded = 0;
    int result = -1;
};

// The failure dialog: how many failures were logged, the renderer and the
// log text.
class lumErrorDlg : public QDialog {
    Q_OBJECT
public:
    lumErrorDlg(const char *renderer, int failures, const char *log, QWidget *parent = nullptr);
    QLabel *header() const { return header_; }
    QPlainTextEdit *details() const { return details_; }

private:
    QLabel *header_;
    QPlainTextEdit *details_;
};

class TestTab : public TabPage {
    Q_OBJECT
public:
    explicit TestTab(AppState &state, QWidget *parent = nullptr);
    void refresh() override;

    // Runs the units that are not excluded with the options the controls
    // show; does nothing while a run is going.
    void run();
    // Toggles the exclusion of row (0-6) and redraws it.
    void toggleExclusion(int row);

    // The run's options as the controls give them: flags (each only for a
    // control that is enabled and checked), anisotropy, samples, LOD bias.
    tsTestOptions optionsFromControls() const;
    // The mode a run switches to: the chosen entry of the mode list when
    // "User defined" is chosen, else false (the desktop's mode is kept).
    bool chosenMode(tsDisplayMode *mode) const;

    const TestEntry &entry(int row) const { return entries_[static_cast<size_t>(row)]; }
    bool running() const { return running_; }
    int runCount() const { return runs_; }

    QTreeWidget *list() const { return list_; }
    QPushButton *runButton() const { return run_; }
    QRadioButton *desktopMode() const { return desktop_; }
    QRadioButton *userMode() const { return user_; }
    QComboBox *modeList() const { return modes_; }
    QComboBox *targetList() const { return targets_; }
    QCheckBox *multisampleBox() const { return multisample_; }
    QSlider *samplesSlider() const { return samples_; }
    QLabel *samplesLabel() const { return samplesText_; }
    QCheckBox *fastBox() const { return fast_; }
    QCheckBox *anisotropyBox() const { return anisotropy_; }
    QSlider *anisotropySlider() const { return anisotropyLevel_; }
    QLabel *anisotropyLabel() const { return anisotropyText_; }
    QCheckBox *lodBox() const { return lod_; }
    QSlider *lodSlider() const { return lodLevel_; }
    QLabel *lodLabel() const { return lodText_; }
    QCheckBox *fogBox() const { return fog_; }
    QCheckBox *clipBox() const { return clip_; }
    QCheckBox *benchmarkBox() const { return benchmark_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setTexts();
    void updateRow(int row);
    void fillModeList();
    void fillTargetList(const char *extensions);
    void applyAnisotropy();
    void applyMultisample();
    void applyLod();
    void applyModeChoice();
    void updateLevelTexts();

    std::array<TestEntry, TS_TEST_UNIT_COUNT> entries_;
    bool running_ = false;
    int runs_ = 0;

    QGroupBox *testGroup_, *modeGroup_, *advancedGroup_;
    QTreeWidget *list_;
    QPushButton *run_;
    QRadioButton *desktop_, *user_;
    QComboBox *modes_, *targets_;
    QLabel *targetLabel_;
    QCheckBox *multisample_, *fast_, *anisotropy_, *lod_, *fog_, *clip_, *benchmark_;
    QSlider *samples_, *anisotropyLevel_, *lodLevel_;
    QLabel *samplesText_, *anisotropyText_, *lodText_;
};

} // namespace tessera

#endif
