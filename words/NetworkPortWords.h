#pragma once
// The words of a network port's test (the window's network ports dialog): what the probe found,
// as the search's words name it.

#include "device/PortCheck.h"
#include "words/OutcomeWords.h"

namespace varnok {

// "Rack 7: the device VK-01, version 1.05", "Rack 7: the device in ISP mode", or the failure as
// the search words it ("Rack 7: cannot be opened: rack7:4999: connection refused").
OutcomeText PortCheckWords(const PortCheckResult& result);

}  // namespace varnok
