#include "StopSignals.h"

#include "FbErrors.h"

#include <csignal>
#include <pthread.h>

namespace {
sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

// The engine asks before it shuts itself down on a signal it caught: the program handles those.
// Its other shutdowns (the process exiting, an application's own call) go ahead.
int ConfirmEngineShutdown(const int reason, const int /*mask*/, void* /*arg*/) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}
} // namespace

void TStopSignals::BlockInEveryThread() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TStopSignals::TStopSignals(QObject* parent) : QObject(parent) {
    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, ConfirmEngineShutdown, fb_shut_confirmation, nullptr);
    CheckStatus(status);
    BlockInEveryThread(); // also when main did not: this thread and the waiter at least
    waiter_ = std::thread([this] { Wait(); });
}

TStopSignals::~TStopSignals() {
    // The waiter is woken by a signal of its set sent to it alone. Later signals stay blocked and
    // pending: the ending under way goes on undisturbed.
    stopping_.store(true);
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
}

void TStopSignals::Wait() {
    const sigset_t set = StopSet();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        if (stopping_.load()) return;
        int none = 0;
        if (!received_.compare_exchange_strong(none, signal)) continue; // the first one is told
        QMetaObject::invokeMethod(
            this, [this, signal] { emit Caught(signal); }, Qt::QueuedConnection);
    }
}

QString TStopSignals::Name(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return QString("signal %1").arg(signal);
    }
}
