#include "run_state.h"

#include "debug_log.h"

ServiceWait::Outcome ServiceWait::Tick(RunResult& result, const std::function<bool()>& tryStopped)
{
    if (!pending)
        return kWaiting;
    ++waitTicks;
    DebugLog("    %s Service Wait timer %d\n", label, waitTicks);
    if (waitTicks < kTicksBetweenTries)
        return kWaiting;

    if (tryStopped()) {
        pending = FALSE;
        return kStopped;
    }
    ++tries;
    if (tries < kTries) {
        waitTicks = 0;
        return kWaiting;
    }
    result.Record(gaveUp);
    pending = FALSE;
    return kGaveUp;
}
