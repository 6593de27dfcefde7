#pragma once
// The passes of every encoder run until it has ended and all it wrote is
// read: a short wait (its output, or a stop, cuts the wait short), its
// output drained, then the run's own step, which passes a stop on with
// askToQuit() and escalate(). Qt-free.
#include "encoder/escalation.h"
#include "encoder/run_stop.h"
#include "platform/child_process.h"

#include <functional>

namespace encoder {

class RunLoop {
public:
    // When the passes end: once all output is read (the caller settles the
    // encoder's end itself), or once the encoder has ended too.
    enum class Until { OutputRead, ExitedAndRead };

    // `idleWaitMs`: the longest wait while no stop is asked, for an encoder
    // whose output is seldom; a stop ends it at once.
    RunLoop(platform::ChildProcess& child, const RunStop& stop, int idleWaitMs = 0)
        : child_(child), stop_(stop), idleWaitMs_(idleWaitMs)
    {
    }

    // `drain` reads what waits, true once all output has ended (it is not
    // asked again then); `step` follows each pass that does not end the
    // loop, told whether the encoder has ended. An encoder that ended while
    // something else still holds its output ends the loop after a while.
    void drive(Until until, const std::function<bool()>& drain, const std::function<void(bool exited)>& step);

    // "q" to the encoder, which finishes its files. A stopping run repeats it
    // every pass: an encoder still opening its inputs may miss the first, and
    // writes after it ended fail harmlessly.
    void askToQuit() { child_.writeInput("q\r\n", 3); }
    // Once the stop escalates: terminate, then kill, an encoder that ignores it.
    void escalate() { escalation_.pass(child_, stop_); }
    bool forced() const { return escalation_.forced(); }

    // Waits a short while for an encoder whose output is closed, so ending;
    // true once it has ended.
    bool settle();

private:
    platform::ChildProcess& child_;
    const RunStop& stop_;
    const int idleWaitMs_;
    Escalation escalation_;
};

} // namespace encoder
