#pragma once

#include <QObject>
#include <QThread>
#include <functional>

namespace board {
class Board;
}

// The thread a board's operations run on, for every window that uses the board: the main
// window's download, the test dialog's tests and clicks, the pin watch's captures. Work runs
// there one piece at a time, in the order it was given, so the board object is used from one
// thread at a time; what a piece ends with runs on the UI thread. While work runs, the UI
// thread stays free: a lost reply is a wait on the worker, not a frozen window.
class BoardWorker final : public QObject {
    Q_OBJECT
public:
    explicit BoardWorker(board::Board& board, QObject* parent = nullptr);
    // Waits for the work given so far; what it ends with is not run any more.
    ~BoardWorker() override;
    BoardWorker(const BoardWorker&) = delete;
    BoardWorker& operator=(const BoardWorker&) = delete;

    board::Board& Board() { return m_board; }

    // An operation the user started: work on the worker, then ended on the UI thread, unless
    // context has gone by then. The worker is busy from now until ended has run, and the
    // windows disable the controls that would start another operation meanwhile.
    void Run(QObject* context, std::function<void()> work, std::function<void()> ended);
    // The same for work that keeps the worker idle for the windows' controls: the pin watch's
    // captures, which come again and again and must not make the controls flicker. They
    // still run one at a time with every other operation.
    void RunQuietly(QObject* context, std::function<void()> work, std::function<void()> ended);

    // An operation the user started is running or waiting to run.
    bool Busy() const { return m_busy > 0; }
    // Nothing is running or waiting to run: the board may be used from the UI thread.
    bool Idle() const { return m_pending == 0; }
    // Runs the UI thread's events until the worker is idle.
    void WaitUntilIdle();

signals:
    void BusyChanged(bool busy);
    // The last piece of work has ended.
    void BecameIdle();

private:
    void Post(QObject* context, std::function<void()> work, std::function<void()> ended, bool quiet);

    board::Board& m_board;
    QThread m_thread;
    // Lives on m_thread: work is posted to it.
    QObject* m_runner = nullptr;
    int m_pending = 0;
    int m_busy = 0;
};
