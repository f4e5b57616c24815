#pragma once
// SIGINT, SIGTERM and SIGHUP (Ctrl+C in the terminal, kill, a logout) ask the program to stop. The
// handler only records the signal and wakes the message loop through a pipe; the program acts on
// it there, and a job at its next check. The embedded engine catches SIGINT and SIGTERM too and
// would shut itself down, leaving every connection dead under the window: it is told not to.

#include "StopRequest.h"

#include <QObject>

class QSocketNotifier;

class TStopSignals : public QObject, public TStopRequest {
    Q_OBJECT

public:
    // One a process: after the application object, before the first connection.
    explicit TStopSignals(QObject* parent = nullptr);
    ~TStopSignals() override;
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    int Requested() const noexcept override;
    // "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
    static QString Name(int signal);

signals:
    // In the message loop, once: the first stop signal caught.
    void Caught(int signal);

private:
    void Wake();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool told_ = false;
};
