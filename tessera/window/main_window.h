// The main window: eight pages in a tab control, the menu bar, the title
// naming the renderer shown, and the commands that act on the whole program
// (open and save a report, renderer, language, link site, about).
#ifndef TESSERA_WINDOW_MAIN_WINDOW_H
#define TESSERA_WINDOW_MAIN_WINDOW_H

#include <QMainWindow>
#include <QVector>

#include <functional>

class QAction;
class QActionGroup;
class QMenu;

namespace tessera {

struct AppState;
class TabControl;
class TabPage;

constexpr int kWindowWidth = 564;
constexpr int kWindowHeight = 560;
constexpr int kPageCount = 8;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState &state, QWidget *parent = nullptr);

    // Rebuilds every page from memory (no driver is read again), then the texts.
    void refresh();
    // Title, menu and tab captions from the current language.
    void updateTexts(bool firstTime);
    void setRenderer(int index);
    // Loads language index (0-7) and queues a refresh.
    void setLanguage(int index);
    void setLinkSite(int index);

    // The commands behind File > Open and File > Save.  saveReport returns
    // the file written, "" when the user cancelled or the write failed.
    void openReport();
    QString saveReport();
    // Loads the report file at path (shared by Open and dropped files);
    // shows an error naming the file when it is refused.
    bool openReportFile(const QString &path);
    // Loads each report file in order (File > Open with one name, dropped
    // files with several); the refused ones are named in one error box.
    // With requireXml a name must end in ".xml".  Pages and title are
    // refreshed once when any file was loaded.  Returns the number loaded.
    int openReportFiles(const QStringList &paths, bool requireXml);
    // Saves the current reading to path (".xml" required); shows text 359
    // when the write fails, opens the written file on success.
    bool saveReportFile(const QString &path);
    void showAbout();
    // Help > Check for updates: 1 only when the program is up to date.
    int checkForUpdates();
    // Database > Download latest database: installs the newest database,
    // writes it and rebuilds every page; 0 when one was installed.
    int downloadDatabase();

    // Database > Submit: the update check first; only the latest release
    // goes on to the consent dialog.
    void submitCommand();
    // The update check the submission runs (by default the online check
    // behind its progress dialog); returns 1 only for the latest release.
    void setUpdateCheck(std::function<int()> check) { updateCheck_ = std::move(check); }

public slots:
    // The consent dialog, then save, then the mail program: what the
    // summary page's Submit button starts.
    void submitReport();

public:
    TabControl *tabs() const { return tabs_; }
    TabPage *page(int index) const { return pages_.value(index); }
    QMenu *rendererMenu() const { return rendererMenu_; }
    QMenu *languageMenu() const { return languageMenu_; }
    QMenu *databaseMenu() const { return databaseMenu_; }

    // Placement when no saved one exists: 564 x 560 centred on a screen of
    // the given size (the divisions truncate).
    static QRect defaultGeometry(int screenWidth, int screenHeight);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildRendererMenu();
    void updateLanguageItems();
    QString lastFolder() const;
    void rememberFolder(const QString &file);
    void errorBox(const QString &text);

    AppState &state_;
    TabControl *tabs_;
    QVector<TabPage *> pages_;
    bool placed_ = false;

    QMenu *fileMenu_, *databaseMenu_, *rendererMenu_, *languageMenu_, *helpMenu_;
    QAction *openAction_, *saveAction_, *refreshAction_, *exitAction_;
    QAction *submitAction_, *downloadAction_, *specAction_;
    QAction *aboutAction_, *updatesAction_, *checkUpdatesAction_;
    QVector<QAction *> linkActions_;
    QVector<QAction *> languageActions_;
    QVector<QAction *> rendererActions_; // one per reading; null when not shown
    QActionGroup *rendererGroup_;
    std::function<int()> updateCheck_;
};

} // namespace tessera

#endif
