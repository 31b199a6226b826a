// Answers the next modal dialog (QMessageBox, QFileDialog, ...) that the code
// under test opens: a timer polls for the active modal widget and hands it to
// a callback, which must close it.
#ifndef TESTS_SUPPORT_QT_DIALOGS_H
#define TESTS_SUPPORT_QT_DIALOGS_H

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QAbstractButton>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

// Calls answer(dialog) once for the first modal dialog that appears within
// timeoutMs; the returned flag tells whether one appeared.  Watching stops
// when the caller drops the flag.
inline std::shared_ptr<bool> answerNextDialog(std::function<void(QWidget *)> answer,
                                              int timeoutMs = 10000)
{
    auto seen = std::make_shared<bool>(false);
    auto *timer =
        new QTimer(QCoreApplication::instance()); // freed with the application at the latest
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    std::weak_ptr<bool> weak = seen;
    QObject::connect(timer, &QTimer::timeout, [timer, weak, answer, clock, timeoutMs] {
        std::shared_ptr<bool> seen = weak.lock();
        if (!seen) {
            timer->stop();
            timer->deleteLater();
        } else if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            *seen = true;
            answer(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return seen;
}

// Closes the next message box, storing its texts in *text.
inline std::shared_ptr<bool> answerMessageBox(QString *text)
{
    return answerNextDialog([text](QWidget *w) {
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            if (text)
                *text = box->windowTitle() + "|" + box->text() + "|" + box->informativeText();
            box->done(QMessageBox::Ok);
        } else if (auto *dialog = qobject_cast<QDialog *>(w)) {
            dialog->reject();
        }
    });
}

// Chooses path in a file dialog and accepts it.  The name is also typed into
// the name field: selectFile leaves that field alone while it has the focus.
inline void chooseFile(QFileDialog *dialog, const QString &path)
{
    dialog->selectFile(path);
    if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, reached virtually
}

// Chooses path in the next file dialog (its name typed into the dialog).
inline std::shared_ptr<bool> answerFileDialog(const QString &path, QString *title = nullptr)
{
    return answerNextDialog([path, title](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        if (!dialog) {
            if (auto *d = qobject_cast<QDialog *>(w))
                d->reject();
            return;
        }
        if (title)
            *title = dialog->windowTitle();
        chooseFile(dialog, path);
    });
}

// Answers the modal dialogs that open one after another with steps, in
// order, and logs each: a message box as "caption|text", another dialog by
// its object name.  Steps: "ok", "no", "reject", "press:NAME" (clicks the
// dialog's button of that object name), "file:PATH" (chosen in a file
// dialog).  Progress dialogs (they close themselves) are left alone.
// Watching stops when the caller drops the log or after timeoutMs without a
// new dialog.
inline std::shared_ptr<QStringList> answerDialogs(const QStringList &steps, int timeoutMs = 15000)
{
    auto log = std::make_shared<QStringList>();
    auto *timer =
        new QTimer(QCoreApplication::instance()); // freed with the application at the latest
    auto clock = std::make_shared<QElapsedTimer>();
    auto last = std::make_shared<QPointer<QWidget>>();
    clock->start();
    std::weak_ptr<QStringList> weak = log;
    QObject::connect(timer, &QTimer::timeout, [=] {
        std::shared_ptr<QStringList> seen = weak.lock();
        QWidget *modal = QApplication::activeModalWidget();
        if (!seen || seen->size() >= steps.size() || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        } else if (modal && modal != last->data() && !modal->inherits("tessera::DownloadDlg")) {
            *last = modal;
            clock->restart();
            const QString step = steps[seen->size()];
            auto *box = qobject_cast<QMessageBox *>(modal);
            seen->append(box ? box->windowTitle() + "|" + box->text() : modal->objectName());
            auto *file = qobject_cast<QFileDialog *>(modal);
            auto *button = modal->findChild<QAbstractButton *>(step.mid(6));
            if (button && step.startsWith("press:")) {
                button->click();
            } else if (file && step.startsWith("file:")) {
                chooseFile(file, step.mid(5));
            } else if (box) {
                box->done(step == "no" ? QMessageBox::No : QMessageBox::Ok);
            } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
                dialog->reject();
            }
        }
    });
    timer->start(20);
    return log;
}

#endif
