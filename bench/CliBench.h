#pragma once
// varnok-cli as a script runs it: a process of its own per command, against emulated devices
// paced at 57600 baud, timed from the process's start to its exit, next to the protocol's floor.

#include <memory>

#include "bench/CpuMeter.h"
#include "bench/Report.h"
#include "tools/emu/EmulatedDevice.h"

namespace varnok::bench {

// An emulated device paced at 57600 baud, started; null with *error when it did not start.
std::unique_ptr<EmulatedDevice> PacedDevice(QString* error);
// CPU nanoseconds of the child processes this process has waited for.
qint64 ChildrenCpuNs();

// Download Internal and upload, `repeat` runs each, then four downloads on four devices at once.
void runCli(Report& report, int repeat);

}  // namespace varnok::bench
