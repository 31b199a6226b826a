#include "controls/download_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>
#include <vector>

namespace tessera {

void DownloadShared::setStatus(const std::string &text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = text;
}

std::string DownloadShared::status() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

struct DownloadDlg::Job {
    DownloadShared shared;
    DownloadRoutine routine;
    std::atomic<int> result{-1};
    std::thread thread;
};

namespace {

// A worker left running is told to stop and kept, with its cancel flag,
// until it is joined.
struct LeftWorker {
    std::thread thread;
    std::shared_ptr<void> job;
    std::atomic<bool> *cancelled;
};

std::mutex workersMutex;
std::vector<LeftWorker> &leftWorkers()
{
    static std::vector<LeftWorker> workers;
    return workers;
}

} // namespace

void DownloadDlg::keepWorker()
{
    if (!job_->thread.joinable())
        return;
    job_->shared.cancelled = true;
    std::lock_guard<std::mutex> lock(workersMutex);
    leftWorkers().push_back({std::move(job_->thread), job_, &job_->shared.cancelled});
}

DownloadDlg::DownloadDlg(QWidget *parent, const QString &title, DownloadRoutine routine)
    : QDialog(parent), job_(std::make_shared<Job>())
{
    job_->routine = std::move(routine);
    setWindowTitle(title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    status_ = new QLabel(title, this);
    status_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    layout->addWidget(cancelButton, 0, Qt::AlignLeft);
    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &DownloadDlg::poll);
    connect(cancelButton, &QPushButton::clicked, this, &DownloadDlg::reject);
}

DownloadDlg::~DownloadDlg()
{
    if (job_->thread.joinable()) {
        if (job_->shared.finished)
            job_->thread.join();
        else
            keepWorker();
    }
}

int DownloadDlg::exec()
{
    if (job_->thread.joinable())
        return QDialog::Rejected; // one run per dialog
    job_->shared.progress = 0;
    job_->shared.setStatus(windowTitle().toStdString());
    std::shared_ptr<Job> job = job_;
    job_->thread = std::thread([job] {
        job->result = job->routine ? job->routine(job->shared) : -1;
        job->shared.finished = true;
    });
    timer_->start();
    const int code = QDialog::exec();
    timer_->stop();
    if (code == QDialog::Accepted) {
        job_->thread.join();
        result_ = job_->result;
    } else {
        // Cancel, or a nested event loop ended by the program's exit: the
        // worker is told to stop and its result is discarded.
        result_ = -1;
        keepWorker();
    }
    return code;
}

void DownloadDlg::poll()
{
    bar_->setValue(std::clamp(job_->shared.progress.load(), 0, 100));
    status_->setText(QString::fromStdString(job_->shared.status()));
    if (job_->shared.finished) {
        timer_->stop();
        accept();
    }
}

void DownloadDlg::reject()
{
    job_->shared.cancelled = true;
    QDialog::reject();
}

void joinDownloadWorkers()
{
    std::vector<LeftWorker> workers;
    {
        std::lock_guard<std::mutex> lock(workersMutex);
        workers.swap(leftWorkers());
    }
    for (LeftWorker &w : workers) {
        w.cancelled->store(true);
        w.thread.join();
    }
}

int pendingDownloadWorkers()
{
    std::lock_guard<std::mutex> lock(workersMutex);
    return static_cast<int>(leftWorkers().size());
}

} // namespace tessera
