#pragma once
// Runs the devices of a run on at most --jobs threads: each thread takes the next device that
// has not started, so threads, script engines and connections stay bounded however many
// targets there are. A device that did not answer or could not be reached is tried again up to
// --retries times, after a pause that doubles each time.
#include "cli/devicejob.h"

#include <functional>
#include <vector>

namespace dtu::cli {

// Whether a device's run failed in a way another attempt may mend: the link could not be made
// or the device stopped answering (not a refusal, a failed verification or a script error).
bool WorthRetrying(const Options& options, const DeviceResult& result);

// The pause before attempt `attempt` (2, 3, ...): 0.5 s, 1 s, 2 s, ... at most 30 s.
int RetryPauseMs(int attempt);

// Called on the device's thread as each device finishes (under a lock: one call at a time).
using DeviceDone = std::function<void(int index, DeviceResult& result)>;

// Runs every target; the result of target i is at [i]. The report carries "attempts".
std::vector<DeviceResult> RunAll(const Options& options, Progress& progress, const DeviceDone& done);

} // namespace dtu::cli
