#include "pages/report_tab.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QVBoxLayout>

#include <string>
#include <unordered_map>
#include <vector>

#include "app/app_state.h"
#include "app/languages.h"
#include "controls/rich_text.h"
#include "sounder/report.h"

namespace tessera {
namespace {

// The current language's texts for the piece renderer.  The renderer keeps
// the pointers it is given while it renders, so each text is held here
// until the report is done.
struct TextCache {
    std::unordered_map<int, std::string> texts;
};

const char *lookupText(int id, void *user)
{
    auto *cache = static_cast<TextCache *>(user);
    auto it = cache->texts.find(id);
    if (it == cache->texts.end())
        it = cache->texts.emplace(id, LoadText(id)).first;
    return it->second.c_str();
}

} // namespace

QByteArray buildReportText(const Reading &reading, tsDatabase *db, bool rich)
{
    const int rtf = rich ? 1 : 0;
    const tsIcdList *icd = &reading.icd;
    const int32_t needed =
        tsBuildReportPieces(nullptr, 0, &reading.system, &reading.caps, icd, db, rtf);
    if (needed <= 0)
        return QByteArray();
    std::vector<tsReportPiece> pieces(static_cast<size_t>(needed));
    const int32_t built =
        tsBuildReportPieces(pieces.data(), needed, &reading.system, &reading.caps, icd, db, rtf);
    const int32_t count = built < needed ? built : needed;

    TextCache cache;
    const int mode = rich ? TS_RENDER_AS_BUILT : TS_RENDER_PLAIN;
    const size_t length =
        tsRenderReport(pieces.data(), count, lookupText, &cache, mode, nullptr, 0);
    QByteArray text(static_cast<qsizetype>(length) + 1, '\0');
    tsRenderReport(pieces.data(), count, lookupText, &cache, mode, text.data(),
                   static_cast<size_t>(text.size()));
    text.resize(static_cast<qsizetype>(length));
    return text;
}

ReportTab::ReportTab(AppState &state, QWidget *parent)
    : TabPage(state, parent), report_(new RichText(this)), header_(new QLabel(this)),
      copy_(new QPushButton(this)), find_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("ReportTab"));
    setAccessibleName(QStringLiteral("Report"));
    report_->setObjectName(QStringLiteral("report"));
    report_->setAccessibleName(QStringLiteral("Report text"));
    report_->setAutoUrlDetect(true);
    report_->setLineWrapMode(QTextEdit::WidgetWidth);
    header_->setObjectName(QStringLiteral("header"));
    header_->setAccessibleName(QStringLiteral("Report header"));
    header_->setTextFormat(Qt::PlainText);
    header_->setWordWrap(true);
    copy_->setObjectName(QStringLiteral("copyButton"));
    copy_->setAccessibleName(QStringLiteral("Copy to clipboard"));
    find_->setObjectName(QStringLiteral("findBox"));
    find_->setAccessibleName(QStringLiteral("Find in report"));
    find_->setClearButtonEnabled(true);
    find_->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(report_, 1);
    layout->addWidget(find_);
    layout->addWidget(header_);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(copy_, &QPushButton::clicked, this, &ReportTab::copyToClipboard);
    connect(find_, &QLineEdit::returnPressed, this, &ReportTab::findNext);
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, &ReportTab::startFind);
    auto *closeFind = new QShortcut(QKeySequence(Qt::Key_Escape), find_);
    closeFind->setContext(Qt::WidgetShortcut);
    connect(closeFind, &QShortcut::activated, this, [this] {
        find_->hide();
        report_->setFocus();
    });
}

void ReportTab::refresh()
{
    ++refreshes_;
    header_->setText(QString::fromStdString(LoadText(136)));
    report_->setRichText(buildReportText(state_.current(), state_.db, true));
    // The new report is read from its first line, with nothing selected.
    QTextCursor cursor = report_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    report_->setTextCursor(cursor);
    report_->verticalScrollBar()->setValue(0);
    report_->horizontalScrollBar()->setValue(0);
    copy_->setText(QString::fromStdString(LoadText(302)));
}

void ReportTab::copyToClipboard()
{
    const QByteArray plain = buildReportText(state_.current(), state_.db, false);
    QGuiApplication::clipboard()->setText(QString::fromUtf8(plain));
}

void ReportTab::startFind()
{
    find_->show();
    find_->setFocus(Qt::ShortcutFocusReason);
    find_->selectAll();
}

bool ReportTab::findNext()
{
    const QString text = find_->text();
    if (text.isEmpty())
        return false;
    if (report_->find(text))
        return true;
    // Not found below the cursor: once more from the top.
    QTextCursor cursor = report_->textCursor();
    cursor.movePosition(QTextCursor::Start);
    report_->setTextCursor(cursor);
    return report_->find(text);
}

} // namespace tessera
