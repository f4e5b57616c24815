#include "StopSignals.h"

#include "Errors.h"
#include "FbErrors.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// What the handler may touch: lock-free atomics that live as long as the process, since a handler
// runs on any thread at any moment, also while the object that installed it is being destroyed.
std::atomic<int> received{0};
std::atomic<int> wakeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnStopSignal(int signal) {
    const int saved = errno;
    int none = 0;
    received.compare_exchange_strong(none, signal); // the first one is the one told
    const int fd = wakeFd.load();
    if (fd >= 0) {
        const char byte = 1;
        (void)!::write(fd, &byte, 1); // a full pipe already wakes the loop
    }
    errno = saved;
}

// The engine asks before it shuts itself down on a signal it caught: the program handles those.
// Its other shutdowns (the process exiting, an application's own call) go ahead.
int ConfirmEngineShutdown(const int reason, const int /*mask*/, void* /*arg*/) {
    return reason == fb_shutrsn_signal ? 1 : 0;
}
} // namespace

TStopSignals::TStopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Exception(QString("Cannot watch the stop signals: %1").arg(std::strerror(errno)));
    wakeFd.store(pipe_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TStopSignals::Wake);

    ISC_STATUS_ARRAY status;
    fb_shutdown_callback(status, ConfirmEngineShutdown, fb_shut_confirmation, nullptr);
    CheckStatus(status);

    // Installed before the engine's own: it keeps a handler it finds and calls it beside its own.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}

TStopSignals::~TStopSignals() {
    // The handlers stay: a signal from now on is only recorded, the ending under way goes on.
    wakeFd.store(-1);
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int TStopSignals::Requested() const noexcept {
    return received.load(std::memory_order_relaxed);
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

void TStopSignals::Wake() {
    char bytes[64];
    while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
    const int signal = Requested();
    if (told_ || signal == 0) return;
    told_ = true;
    emit Caught(signal);
}
