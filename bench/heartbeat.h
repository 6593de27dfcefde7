#pragma once
// Ticks every 5 ms on the interface thread; the longest gap between two
// ticks, less the interval, is the longest the thread did not answer.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

class Heartbeat {
public:
    static constexpr int kIntervalMs = 5;
    Heartbeat()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kIntervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (now - last_ > longest_) {
                longest_ = now - last_;
                longestEnded_ = now;
            }
            last_ = now;
        });
        clock_.start();
        timer_.start();
    }
    void reset()
    {
        last_ = since_ = clock_.nsecsElapsed();
        longest_ = longestEnded_ = 0;
    }
    // When the longest stall began, ms since reset().
    double longestStallAtMs() const { return static_cast<double>(longestEnded_ - longest_ - since_) / 1e6; }
    double longestStallMs() const
    {
        const qint64 gap = std::max(longest_, clock_.nsecsElapsed() - last_);
        return std::max(0.0, static_cast<double>(gap) / 1e6 - kIntervalMs);
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 since_ = 0;
    qint64 longest_ = 0;
    qint64 longestEnded_ = 0;
};
