// RunOnWorker: the worker, the event loop and the display.
#include "WorkerRun.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <memory>
#include <thread>

void RunOnWorker(SyncQuestions& questions, const TransferWatch& watch,
                 const std::function<void()>& operation) {
    QEventLoop loop;
    const std::unique_ptr<TransferDisplay> display = questions.ShowTransfer(watch);
    std::atomic<bool> ended{false};
    // The worker's end reaches the loop through its event queue, so it is
    // seen by exec() even when the operation ends before exec() begins.
    std::thread worker([&] {
        operation();
        ended = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // A loop that ended some other way must not leave the window waiting on
    // a transfer nothing would stop.
    struct CancelThenWait {
        std::thread& worker;
        std::atomic<bool>& ended;
        const std::function<void()>& cancel;
        ~CancelThenWait() {
            if (!ended) {
                cancel();
            }
            worker.join();
        }
    } cancelThenWait{worker, ended, watch.cancel};
    loop.exec();
}
