#include "window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include "app/app_state.h"
#include "app/icon.h"
#include "app/languages.h"
#include "app/paths.h"
#include "app/settings.h"
#include "controls/open_url.h"
#include "controls/tab_control.h"
#include "pages/pages.h"
#include "sounder/reportfile.h"
#include "window/online_ui.h"
#include "window/submission.h"

#ifndef TESSERA_VERSION
#define TESSERA_VERSION "0"
#endif

namespace tessera {
namespace {

const char *const kLinkSites[kLinkSiteCount] = {"&1 OpenGL® Extension Registry",
                                                "&2 nVidia",
                                                "&3 Delphi3D",
                                                "&4 Google",
                                                "&5 Apple",
                                                "&6 Corvane",
                                                "&7 3DLabs (WGL)",
                                                "&8 OpenGL Catalogue"};

// Menu titles get a mnemonic on their first letter when the text has none.
QString menuText(int id)
{
    QString text = QString::fromStdString(LoadText(id));
    if (!text.isEmpty() && !text.contains(QLatin1Char('&')))
        text.prepend(QLatin1Char('&'));
    return text;
}

QString itemText(int id)
{
    return QString::fromStdString(LoadText(id));
}

QString rendererName(const Reading &r)
{
    return r.caps.filled && r.caps.renderer ? QString::fromUtf8(r.caps.renderer) : QString();
}

bool hasXmlExtension(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? name : name.mid(dot + 1);
    return extension.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
}

QSettings placementSettings()
{
    return QSettings(QStringLiteral("Corvane"), QStringLiteral("Lumenscope"));
}

} // namespace

MainWindow::MainWindow(AppState &state, QWidget *parent)
    : QMainWindow(parent), state_(state), tabs_(new TabControl(this)),
      updateCheck_([this] { return checkForUpdates(); })
{
    setObjectName(QStringLiteral("CLumenDlg"));
    setWindowIcon(appIcon());
    buildMenus();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(tabs_);
    setCentralWidget(central);

    pages_ = {new CMainTab(state_),     new CExtensionTab(state_), new CDisplayMode(state_),
              new CDisplayList(state_), new ReportTab(state_),     new TestTab(state_),
              new TweakTab(state_),     new BrowserTab(state_)};
    auto *summary = static_cast<CMainTab *>(pages_[0]);
    connect(summary, &CMainTab::filesDropped, this,
            [this](const QStringList &files) { openReportFiles(files, false); });
    // The page's button goes straight to the consent dialog: unlike
    // Database > Submit it does not ask for the latest release first.
    connect(summary, &CMainTab::submitRequested, this, &MainWindow::submitReport);
    for (int i = 0; i < kPageCount; ++i)
        tabs_->addPage(i == 0 ? QStringLiteral("OpenGL") : QString(), i, pages_[i]);
    // The display-mode and pixel-format pages fill themselves once.
    pages_[2]->refresh();
    pages_[3]->refresh();
    for (int i : {1, 0, 4, 5, 6, 7})
        pages_[i]->refresh();
    updateTexts(true);
}

void MainWindow::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(QString());
    openAction_ = fileMenu_->addAction(QString(), this, &MainWindow::openReport);
    openAction_->setShortcut(QKeySequence::Open);
    saveAction_ = fileMenu_->addAction(QString(), this, &MainWindow::saveReport);
    saveAction_->setShortcut(QKeySequence::Save);
    fileMenu_->addSeparator();
    refreshAction_ = fileMenu_->addAction(QString(), this, &MainWindow::refresh);
    refreshAction_->setShortcut(QKeySequence(Qt::Key_F5));
    fileMenu_->addSeparator();
    exitAction_ = fileMenu_->addAction(QString(), this, &QWidget::close);
    exitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    databaseMenu_ = menuBar()->addMenu(QString());
    submitAction_ = databaseMenu_->addAction(QString(), this, &MainWindow::submitCommand);
    downloadAction_ = databaseMenu_->addAction(QString(), this, &MainWindow::downloadDatabase);
    databaseMenu_->addSeparator();
    auto *linkGroup = new QActionGroup(this);
    for (int i = 0; i < kLinkSiteCount; ++i) {
        QAction *a = databaseMenu_->addAction(QString::fromUtf8(kLinkSites[i]));
        a->setCheckable(true);
        a->setActionGroup(linkGroup);
        connect(a, &QAction::triggered, this, [this, i] { setLinkSite(i); });
        linkActions_.append(a);
    }
    databaseMenu_->addSeparator();
    specAction_ = databaseMenu_->addAction(
        QString(), this, [this] { OpenUrl(this, QString::fromStdString(LoadText(394))); });

    rendererMenu_ = menuBar()->addMenu(QString());
    rendererGroup_ = new QActionGroup(this);
    rendererGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

    languageMenu_ = menuBar()->addMenu(QString());
    auto *languageGroup = new QActionGroup(this);
    for (int i = 0; i < kLanguageCount; ++i) {
        QAction *a = languageMenu_->addAction(QString::fromUtf8(languages()[i].menuLabel));
        a->setCheckable(true);
        a->setActionGroup(languageGroup);
        connect(a, &QAction::triggered, this, [this, i] { setLanguage(i); });
        languageActions_.append(a);
    }

    helpMenu_ = menuBar()->addMenu(QString());
    aboutAction_ = helpMenu_->addAction(QString(), this, &MainWindow::showAbout);
    helpMenu_->addSeparator();
    updatesAction_ = helpMenu_->addAction(
        QString(), this, [this] { OpenUrl(this, QString::fromStdString(LoadText(107))); });
    checkUpdatesAction_ = helpMenu_->addAction(QString(), this, &MainWindow::checkForUpdates);
}

void MainWindow::buildRendererMenu()
{
    for (QAction *a : rendererActions_)
        delete a;
    rendererActions_ = {nullptr, nullptr};
    const QString name0 = rendererName(state_.readings[0]);
    const QString name1 = rendererName(state_.readings[1]);
    auto add = [this](int index, const QString &name) {
        QAction *a = rendererMenu_->addAction(name);
        a->setCheckable(true);
        a->setActionGroup(rendererGroup_);
        connect(a, &QAction::triggered, this, [this, index] { setRenderer(index); });
        rendererActions_[index] = a;
    };
    if (!name0.isEmpty())
        add(0, name0);
    // The same renderer twice (no hardware driver): one item, for reading 0.
    if (!name1.isEmpty() && name1.compare(name0, Qt::CaseInsensitive) != 0)
        add(1, name1);
    // A reading that could not be made (no context, or its driver crashed
    // or hung) is listed greyed, its failure log in the tooltip.
    for (int i = 0; i < 2; ++i) {
        const Reading &r = state_.readings[i];
        if (rendererActions_[i] || r.caps.filled)
            continue;
        QAction *a = rendererMenu_->addAction(QStringLiteral("Reading %1 (%2) failed")
                                                  .arg(i)
                                                  .arg(i == 0 ? "software" : "accelerated"));
        a->setEnabled(false);
        a->setToolTip(QString::fromStdString(r.log).trimmed());
        rendererActions_[i] = a;
    }
    rendererMenu_->setToolTipsVisible(true);
    for (int i = 0; i < 2; ++i)
        if (rendererActions_[i] && rendererActions_[i]->isCheckable())
            rendererActions_[i]->setChecked(i == state_.currentReading);
}

void MainWindow::updateLanguageItems()
{
    const std::vector<std::string> folders = dataFolders();
    const int current = textTable().index();
    for (int i = 0; i < kLanguageCount; ++i) {
        QAction *a = languageActions_[i];
        a->setChecked(i == current);
        const bool present = !findLanguageFile(languages()[i].file, folders).empty();
        // English always has the built-in texts; the others need their file.
        a->setEnabled(i == 0 || present);
        QString tip;
        if (!present && i != 0) {
            QStringList where;
            for (const std::string &f : folders)
                where << QString::fromStdString(f);
            tip =
                QStringLiteral("%1 was not found in %2")
                    .arg(QString::fromUtf8(languages()[i].file), where.join(QStringLiteral(", ")));
        }
        a->setToolTip(tip);
        a->setStatusTip(tip);
    }
    languageMenu_->setToolTipsVisible(true);
}

void MainWindow::updateTexts(bool firstTime)
{
    setWindowTitle(QStringLiteral("Lumenscope x64 - ") + rendererName(state_.current()));
    fileMenu_->setTitle(menuText(148));
    databaseMenu_->setTitle(menuText(149));
    rendererMenu_->setTitle(menuText(209));
    languageMenu_->setTitle(menuText(269));
    helpMenu_->setTitle(menuText(150));
    openAction_->setText(itemText(151));
    saveAction_->setText(itemText(153));
    refreshAction_->setText(itemText(154));
    exitAction_->setText(itemText(155));
    submitAction_->setText(itemText(156));
    downloadAction_->setText(itemText(158));
    specAction_->setText(itemText(393));
    aboutAction_->setText(itemText(159));
    updatesAction_->setText(itemText(160));
    checkUpdatesAction_->setText(itemText(368));
    for (int i = 0; i < kLinkSiteCount; ++i)
        linkActions_[i]->setChecked(i == state_.linkIndex);
    // Renderer items follow the records: a loaded report renames its item.
    buildRendererMenu();
    updateLanguageItems();
    static const int kTabTexts[kPageCount] = {0, 141, 142, 143, 144, 213, 292, 295};
    for (int i = 1; i < kPageCount; ++i)
        tabs_->setTabText(i, itemText(kTabTexts[i]));
    if (!firstTime) {
        // Show the visible page afresh with its new texts; it stays visible.
        const int current = tabs_->currentPageIndex();
        tabs_->activatePage(kPageCount - 1 - current);
        tabs_->activatePage(current);
    }
}

void MainWindow::refresh()
{
    for (int i : {1, 0, 4, 5, 6, 7})
        pages_[i]->refresh();
    updateTexts(false);
}

int MainWindow::checkForUpdates()
{
    return runUpdateCheck(this);
}

int MainWindow::downloadDatabase()
{
    return runDatabaseDownload(this, state_, [this] { refresh(); });
}

void MainWindow::setRenderer(int index)
{
    state_.setCurrentReading(index);
    refresh();
}

void MainWindow::setLanguage(int index)
{
    if (index < 0 || index >= kLanguageCount)
        return;
    state_.loadLanguage(languages()[index].file, false);
    state_.saveSettings();
    QMetaObject::invokeMethod(this, &MainWindow::refresh, Qt::QueuedConnection);
}

void MainWindow::setLinkSite(int index)
{
    if (index < 0 || index >= kLinkSiteCount)
        return;
    state_.linkIndex = index;
    for (int i = 0; i < kLinkSiteCount; ++i)
        linkActions_[i]->setChecked(i == index);
    state_.saveSettings();
}

QString MainWindow::lastFolder() const
{
    const QString folder = placementSettings().value(QStringLiteral("MainFrame/Folder")).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    return QString::fromStdString(documentsFolder());
}

void MainWindow::rememberFolder(const QString &file)
{
    QSettings settings = placementSettings();
    settings.setValue(QStringLiteral("MainFrame/Folder"), QFileInfo(file).absolutePath());
}

void MainWindow::errorBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void MainWindow::openReport()
{
    QFileDialog dialog(this, itemText(106), lastFolder());
    dialog.setObjectName(QStringLiteral("openDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("XML file (*.xml *.XML)"), QStringLiteral("All files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    openReportFile(dialog.selectedFiles().first());
}

bool MainWindow::openReportFile(const QString &path)
{
    rememberFolder(path);
    return openReportFiles({path}, true) == 1;
}

int MainWindow::openReportFiles(const QStringList &paths, bool requireXml)
{
    QStringList refused;
    int loaded = 0;
    for (const QString &path : paths) {
        const QString full = QFileInfo(path).absoluteFilePath();
        if ((requireXml && !hasXmlExtension(full)) ||
            loadReport(state_, QFile::encodeName(full).toStdString()) != 0)
            refused << full;
        else
            ++loaded;
    }
    if (loaded > 0) {
        for (int i : {1, 0, 4})
            pages_[i]->refresh();
        updateTexts(false);
    }
    if (!refused.isEmpty())
        errorBox(itemText(182) + QStringLiteral("\n") + refused.join(QLatin1Char('\n')));
    return loaded;
}

QString MainWindow::saveReport()
{
    char name[TS_REPORT_FILENAME_SIZE];
    tsFormatReportFilename(name, &state_.current().caps, "xml");
    QFileDialog dialog(this, itemText(105), lastFolder());
    dialog.setObjectName(QStringLiteral("saveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setNameFilters(
        {QStringLiteral("XML file (*.xml *.XML)"), QStringLiteral("All files (*)")});
    dialog.selectFile(QString::fromUtf8(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().first();
    return saveReportFile(path) ? path : QString();
}

bool MainWindow::saveReportFile(const QString &path)
{
    rememberFolder(path);
    if (!hasXmlExtension(path)) {
        errorBox(itemText(182) + QStringLiteral("\n") + path);
        return false;
    }
    Reading &r = state_.current();
    if (tsSaveReportXML(path.toUtf8().constData(), &r.system, &r.caps, 1, &r.icd) != 0) {
        errorBox(QString::fromStdString(formatText(LoadText(359), {path.toStdString()})));
        return false;
    }
    openLocalFile(this, path);
    return true;
}

void MainWindow::showAbout()
{
    QDialog about(this);
    about.setObjectName(QStringLiteral("aboutDialog"));
    about.setWindowTitle(QStringLiteral("About Lumenscope"));
    auto *layout = new QVBoxLayout(&about);
    auto *logo = new QLabel(&about);
    logo->setPixmap(windowIcon().pixmap(64, 64));
    logo->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(&about);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    text->setText(QString::fromStdString(formatText(LoadText(103), {TESSERA_VERSION}) + "\n\n" +
                                         LoadText(104)));
    auto *line = new QFrame(&about);
    line->setFrameShape(QFrame::HLine);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(logo);
    layout->addWidget(text);
    layout->addWidget(line);
    layout->addWidget(buttons);
    about.exec();
}

void MainWindow::submitCommand()
{
    if (updateCheck_() != 1) {
        QMessageBox box(
            QMessageBox::Critical, itemText(156),
            QStringLiteral("You need the latest version in order to update the database."),
            QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        return;
    }
    submitReport();
}

void MainWindow::submitReport()
{
    CPrivacyDlg consent(this);
    if (consent.exec() != QDialog::Accepted)
        return;
    // A cancelled or failed save sends nothing (a failed write has said so).
    const QString file = saveReport();
    if (file.isEmpty())
        return;
    showMailResult(this, mailReport(this, QFileInfo(file).absoluteFilePath()));
}

QRect MainWindow::defaultGeometry(int screenWidth, int screenHeight)
{
    return QRect((screenWidth - kWindowWidth) / 2, (screenHeight - kWindowHeight) / 2, kWindowWidth,
                 kWindowHeight);
}

void MainWindow::showEvent(QShowEvent *event)
{
    if (!placed_) {
        placed_ = true;
        const QByteArray saved =
            placementSettings().value(QStringLiteral("MainFrame/WP")).toByteArray();
        bool restored = !saved.isEmpty() && restoreGeometry(saved);
        // A saved placement off every screen (a monitor since removed) is dropped.
        if (restored) {
            bool visible = false;
            for (QScreen *screen : QGuiApplication::screens())
                visible = visible || screen->availableGeometry().intersects(frameGeometry());
            restored = visible;
        }
        if (!restored) {
            int w = state_.desktop.width, h = state_.desktop.height;
            if (w <= 0 || h <= 0) {
                const QRect screen = QGuiApplication::primaryScreen()->geometry();
                w = screen.width();
                h = screen.height();
            }
            const QRect g = defaultGeometry(w, h);
            resize(g.size());
            move(g.topLeft());
        }
    }
    QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QSettings settings = placementSettings();
    settings.setValue(QStringLiteral("MainFrame/WP"), saveGeometry());
    settings.sync();
    QMainWindow::closeEvent(event);
}

} // namespace tessera
