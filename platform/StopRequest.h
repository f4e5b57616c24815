#pragma once
// A request that the program stop (an operator's stop signal), checked where work can stop
// cleanly: before each statement a connection runs, before each commit retaining, and at each
// row's ProcessMessages; while a source row is under way the checks wait, so that the row finishes
// every write and commit it is given and a stop never leaves it half-written.

// Raised where a check finds a stop requested. It is no std::exception on purpose: the guards that
// report a row's failure and go on, or raise it again behind a prefix of their own, catch
// std::exception; a stop must pass them all to the end of the job, which rolls back and ends.
class EStopRequested {
public:
    explicit EStopRequested(int signal) : signal_(signal) {}
    int Signal() const { return signal_; }

private:
    int signal_;
};

class TStopRequest {
public:
    virtual ~TStopRequest() = default;
    // 0, or the number of the signal that asked the program to stop.
    virtual int Requested() const noexcept = 0;
    void Check() const {
        if (held_ > 0) return;
        if (const int signal = Requested()) throw EStopRequested(signal);
    }
    // Checks wait from Hold to the matching Release (the work of one source row); only the thread
    // that runs the jobs holds and checks.
    void Hold() noexcept { ++held_; }
    void Release() noexcept { --held_; }

private:
    int held_ = 0;
};

// Holds the checks for as long as it lives; nothing when there is no request.
class TStopHold {
public:
    explicit TStopHold(TStopRequest* stop) : stop_(stop) {
        if (stop_) stop_->Hold();
    }
    ~TStopHold() {
        if (stop_) stop_->Release();
    }
    TStopHold(TStopHold&& other) noexcept : stop_(other.stop_) { other.stop_ = nullptr; }
    TStopHold(const TStopHold&) = delete;
    TStopHold& operator=(const TStopHold&) = delete;
    TStopHold& operator=(TStopHold&&) = delete;

private:
    TStopRequest* stop_;
};
