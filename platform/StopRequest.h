#pragma once
// A request that the program stop (an operator's stop signal), checked where work can stop
// cleanly: before each statement a connection runs, before each commit retaining, and at each
// row's ProcessMessages.

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
        if (const int signal = Requested()) throw EStopRequested(signal);
    }
};
