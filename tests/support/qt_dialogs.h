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
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// Calls answer(dialog) once for the first modal dialog that appears within
// timeoutMs; the returned flag tells whether one appeared.  Watching stops
// when the caller drops the flag.
inline std::shared_ptr<bool> answerNextDialog(std::function<void(QWidget *)> answer,
                                              int timeoutMs = 10000)
{
    auto seen = std::make_shared<bool>(false);
    auto *timer = new QTimer;
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
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, reached virtually
    });
}

// Answers the modal dialogs that open one after another, in order: the n-th
// dialog goes to answers[n].  Progress dialogs (they close themselves) are
// left alone.  The returned counter tells how many were answered; watching
// stops when the caller drops it or after timeoutMs without a new dialog.
inline std::shared_ptr<int> answerDialogs(std::vector<std::function<void(QWidget *)>> answers,
                                          int timeoutMs = 15000)
{
    auto answered = std::make_shared<int>(0);
    auto *timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    auto last = std::make_shared<QPointer<QWidget>>();
    clock->start();
    std::weak_ptr<int> weak = answered;
    QObject::connect(timer, &QTimer::timeout, [timer, weak, answers, clock, last, timeoutMs] {
        std::shared_ptr<int> count = weak.lock();
        if (!count || *count >= int(answers.size()) || clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == last->data() || modal->inherits("tessera::DownloadDlg"))
            return;
        *last = modal;
        clock->restart();
        answers[size_t((*count)++)](modal);
    });
    timer->start(20);
    return answered;
}

// An answer for answerDialogs: a message box's caption and text go to
// *text, then it closes with button (a dialog of another kind is rejected).
inline std::function<void(QWidget *)>
closeMessageBox(QStringList *texts, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    return [texts, button](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (texts)
            texts->append(box ? box->windowTitle() + "|" + box->text()
                              : QStringLiteral("(not a message box) ") +
                                    w->metaObject()->className());
        if (box)
            box->done(button);
        else if (auto *dialog = qobject_cast<QDialog *>(w))
            dialog->reject();
    };
}

#endif
