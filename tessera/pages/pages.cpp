#include "pages/pages.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/app_state.h"

namespace tessera {

PlaceholderPage::PlaceholderPage(AppState &state, const QString &name, QWidget *parent)
    : TabPage(state, parent), name_(name), label_(new QLabel(this))
{
    setObjectName(name);
    setAccessibleName(name);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label_);
}

void PlaceholderPage::refresh()
{
    ++refreshes_;
    const Reading &r = state_.current();
    const QString renderer =
        r.caps.filled && r.caps.renderer ? QString::fromUtf8(r.caps.renderer) : QString();
    QString text = name_ + QStringLiteral(" — this page is not built yet.\n\nReading %1: %2")
                               .arg(state_.currentReading)
                               .arg(renderer.isEmpty() ? QStringLiteral("(none)") : renderer);
    if (r.fromReport)
        text += QStringLiteral("\n(loaded from a report file)");
    label_->setText(text);
}

QString PlaceholderPage::shownText() const
{
    return label_->text();
}

} // namespace tessera
