#pragma once
// A worker thread's device runs: one session for one device after another. The script and the
// configuration are loaded once per worker; before each device, everything a device leaves in
// the session (its values in the tables, the changed rows, the selected channel, the values
// read, bytes held back from its link, the texts logged) is put back as it was after loading.
#include "cli/devicejob.h"

#include <memory>

namespace dtu::cli {

class DeviceWorker {
public:
    // Loads the script and the configuration; make it on the thread that runs the devices.
    DeviceWorker(const Options& options, Progress& progress);
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs the command for options.targets[index] (on the thread that made the worker).
    DeviceResult Run(int index);

private:
    struct Parts;
    const Options& options_;
    Progress& progress_;
    std::unique_ptr<Parts> parts_;
};

} // namespace dtu::cli
