#pragma once
// varnok-cli as a script runs it: a process of its own per command, against emulated devices
// paced at 57600 baud, timed from the process's start to its exit, next to the protocol's floor.

#include "bench/CpuMeter.h"
#include "bench/Report.h"

namespace varnok::bench {

// Download Internal and upload, `repeat` runs each, then four downloads on four devices at once.
void runCli(Report& report, int repeat);

}  // namespace varnok::bench
