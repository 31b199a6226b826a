// A modal progress dialog that runs a routine on a worker thread: status
// line, progress bar, Cancel.  The worker works on private data and shares
// only the progress value, the status text and the cancel flag.  Cancel
// closes the dialog at once and the routine's result is discarded; the
// worker is never destroyed while it runs: it is joined when it ends, at
// the latest by joinDownloadWorkers() at exit.
#ifndef TESSERA_CONTROLS_DOWNLOAD_DLG_H
#define TESSERA_CONTROLS_DOWNLOAD_DLG_H

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;
class QTimer;

namespace tessera {

struct DownloadShared {
    std::atomic<int> progress{0};       // 0-100, written by the worker
    std::atomic<bool> cancelled{false}; // set by Cancel; the worker should stop soon
    std::atomic<bool> finished{false};  // set when the routine has returned
    void setStatus(const std::string &text);
    std::string status() const;

private:
    mutable std::mutex mutex_;
    std::string status_;
};

using DownloadRoutine = std::function<int(DownloadShared &)>;

class DownloadDlg : public QDialog {
    Q_OBJECT
public:
    DownloadDlg(QWidget *parent, const QString &title, DownloadRoutine routine);
    ~DownloadDlg() override;

    // Runs the routine; Accepted when it ended, Rejected when cancelled.
    int exec() override;
    // The routine's result; meaningful only after Accepted.
    int routineResult() const { return result_; }

    static constexpr int kPollMs = 200;

public slots:
    // Cancel, Esc and the close box: the worker is told to stop, the dialog
    // closes at once.
    void reject() override;

private:
    void poll();
    void keepWorker();

    struct Job;
    std::shared_ptr<Job> job_;
    QLabel *status_;
    QProgressBar *bar_;
    QTimer *timer_;
    int result_ = -1;
};

// Tells every worker that a cancelled dialog left running to stop and
// waits for it.  Called on the way out of the program.
void joinDownloadWorkers();
// Workers that are still held (running or not yet joined).
int pendingDownloadWorkers();

} // namespace tessera

#endif
