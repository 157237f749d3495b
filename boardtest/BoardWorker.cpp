#include "boardtest/BoardWorker.h"

#include <QCoreApplication>
#include <QPointer>
#include <utility>

BoardWorker::BoardWorker(board::Board& board, QObject* parent) : QObject(parent), m_board(board)
{
    m_runner = new QObject;
    m_runner->moveToThread(&m_thread);
    m_thread.start();
}

BoardWorker::~BoardWorker()
{
    // The windows wait until the worker is idle before it goes (a download ends after the
    // page in flight once its window has asked it to stop); endings still posted to this
    // object or to gone contexts are dropped.
    m_thread.quit();
    m_thread.wait();
    // Its thread has ended: nothing runs on it any more.
    delete m_runner;
}

void BoardWorker::Run(QObject* context, std::function<void()> work, std::function<void()> ended)
{
    Post(context, std::move(work), std::move(ended), false);
}

void BoardWorker::RunQuietly(QObject* context, std::function<void()> work, std::function<void()> ended)
{
    Post(context, std::move(work), std::move(ended), true);
}

void BoardWorker::Post(QObject* context, std::function<void()> work, std::function<void()> ended, bool quiet)
{
    ++m_pending;
    if (!quiet && m_busy++ == 0)
        emit BusyChanged(true);
    QPointer<QObject> until(context);
    QMetaObject::invokeMethod(m_runner, [this, until, quiet, work = std::move(work), ended = std::move(ended)] {
        work();
        // Back on the UI thread: what the work ends with, then the worker's own count, in
        // that order (both are posted to the UI thread's queue from here).
        QMetaObject::invokeMethod(this, [this, until, quiet, ended] {
            --m_pending;
            if (until)
                ended();
            if (!quiet && --m_busy == 0)
                emit BusyChanged(false);
            if (m_pending == 0)
                emit BecameIdle();
        });
    });
}

void BoardWorker::WaitUntilIdle()
{
    while (!Idle())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}
