#pragma once
// Asks the system to acknowledge what arrives on a TCP socket at once rather than after its
// delayed-acknowledgement timer (40 ms on Linux, up to 200 ms on Windows). A serial server that
// sends an answer in pieces with Nagle's algorithm on (ser2net's default) holds each piece back
// until the previous one is acknowledged, so delayed acknowledgements add that timer to every
// answer that comes in more than one piece. Qt's sockets offer no such option: the system's
// call is made on the socket's descriptor.

#include <QtGlobal>

namespace varnok {

// Call once the socket is connected and again after each read that took bytes in (Linux leaves
// its quick-acknowledgement mode again on its own). Does nothing where the system has no such
// setting.
void AcknowledgePromptly(qintptr descriptor);

}  // namespace varnok
