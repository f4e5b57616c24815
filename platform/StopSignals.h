#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl+C in the terminal, kill, a logout) ask the program to stop. They
// are blocked in every thread and taken by one thread of their own that waits for them, so that no
// signal ever interrupts the engine's work; the program acts on it in the message loop, and a job
// at its next check. The embedded engine would otherwise catch SIGINT and SIGTERM itself and shut
// down, leaving every connection dead under the window: it is also told not to.

#include "StopRequest.h"

#include <QObject>
#include <atomic>
#include <thread>

class TStopSignals : public QObject, public TStopRequest {
    Q_OBJECT

public:
    // Blocks the stop signals in the calling thread, and so in every thread started after it:
    // call it first thing in main, before any other thread exists.
    static void BlockInEveryThread();

    // One a process, after the application object and before the first connection.
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    int Requested() const noexcept override { return received_.load(std::memory_order_relaxed); }
    // "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
    static QString Name(int signal);

signals:
    // In the message loop, once: the first stop signal taken.
    void Caught(int signal);

private:
    void Wait();

    std::atomic<int> received_{0};
    std::atomic<bool> stopping_{false};
    std::thread waiter_;
};
