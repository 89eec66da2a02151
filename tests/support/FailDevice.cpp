#include "tests/support/FailDevice.h"

#include <algorithm>
#include <cstring>

namespace varnok {

FailDevice::FailDevice(qint64 room, bool sequential) : room_(room), sequential_(sequential) {}

qint64 FailDevice::readData(char* data, qint64 maxSize) {
    const qint64 from = pos();
    const qint64 n = std::max<qint64>(0, std::min(maxSize, bytes_.size() - from));
    if (n > 0) std::memcpy(data, bytes_.constData() + from, size_t(n));
    return n;
}

qint64 FailDevice::writeData(const char* data, qint64 maxSize) {
    const qint64 taken = std::min(maxSize, room_ - bytes_.size());
    if (taken < maxSize) setErrorString(QStringLiteral("No space left on device"));
    if (taken <= 0) return -1;
    bytes_.append(data, taken);
    return taken;
}

}  // namespace varnok
