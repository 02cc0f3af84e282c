#pragma once

// Which camera frame is due when, for a live view that keeps the camera's rate on average: frame n
// is due n / rate seconds after the start. A tick presents the latest frame due, once; frames that
// fell due while the machine was busy are dropped, spread as evenly as the delays were, and never
// queued up to be shown late.
class FramePacing {
public:
    // rate in frames per second; a rate of 0 or less gives one frame per second.
    explicit FramePacing(double rate = 1.0);

    void start(double now);

    struct Tick {
        bool present = false;  // a frame newer than the last presented one is due
        long long frame = 0;   // the frame due now, counted from 0 at the start
        long long dropped = 0; // frames due since the last presented one that are not shown
        double wait = 0.0;     // seconds from now until the next frame is due
    };
    // At time now (seconds, the same clock as start): what to do, and when to look again.
    Tick tick(double now);
    // Seconds from now until the frame after the last presented one is due (0 when it already is).
    double wait(double now) const;

    double rate() const { return rate_; }

private:
    double rate_;
    double start_ = 0.0;
    long long last_ = -1;
};
