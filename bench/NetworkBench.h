#pragma once
// varnok-cli over network ports: ser2net on the loopback (raw TCP and RFC 2217) serving paced
// emulated devices, next to the same operation over a local pseudo-terminal (goal: within 30 ms
// of it), and through a relay that holds every chunk 20 ms each way (figures only).

#include "bench/Report.h"

namespace varnok::bench {

// `repeat` runs of each download and upload; nothing when ser2net is not installed (a note).
void runNetwork(Report& report, int repeat);

}  // namespace varnok::bench
