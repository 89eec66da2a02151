#include <winsock2.h>
// winsock2.h first: mstcpip.h needs its types.
#include <mstcpip.h>

#include "link/SocketAcks.h"

namespace varnok {

void AcknowledgePromptly(qintptr descriptor) {
    // An acknowledgement for every segment; the setting stays with the socket (Windows 8 on).
    // A system that refuses it keeps its delayed acknowledgements: slower, not wrong.
    if (descriptor == -1) return;
    DWORD frequency = 1;
    DWORD returned = 0;
    ::WSAIoctl(static_cast<SOCKET>(descriptor), SIO_TCP_SET_ACK_FREQUENCY, &frequency,
               sizeof frequency, nullptr, 0, &returned, nullptr, nullptr);
}

}  // namespace varnok
