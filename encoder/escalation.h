#pragma once
// Ends an encoder that ignores "q" once a stop escalates: terminate, then
// kill (see RunStop). Qt-free.
#include "encoder/run_stop.h"
#include "platform/child_process.h"
#include "platform/clock.h"

#include <cstdint>

namespace encoder {

class Escalation {
public:
    // True once the child was ended by force.
    bool forced() const { return terminatedAt_ != 0; }

    void pass(platform::ChildProcess& child, const RunStop& stop)
    {
        if (!stop.escalate.stop_requested() || !stop.stop.stop_requested())
            return;
        const std::uint64_t now = platform::tickCount();
        if (since_ == 0)
            since_ = now;
        if (terminatedAt_ == 0 && now - since_ >= static_cast<std::uint64_t>(kTerminateAfterMs)) {
            child.terminate();
            terminatedAt_ = now;
        } else if (terminatedAt_ != 0 && !killed_ && now - terminatedAt_ >= static_cast<std::uint64_t>(kKillAfterMs)) {
            child.kill();
            killed_ = true;
        }
    }

private:
    std::uint64_t since_ = 0;
    std::uint64_t terminatedAt_ = 0;
    bool killed_ = false;
};

} // namespace encoder
