#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "link/SocketAcks.h"

namespace varnok {

void AcknowledgePromptly(qintptr descriptor) {
#ifdef TCP_QUICKACK
    // Also sends an acknowledgement that is due now.
    const int on = 1;
    if (descriptor >= 0)
        ::setsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
    Q_UNUSED(descriptor);
#endif
}

}  // namespace varnok
