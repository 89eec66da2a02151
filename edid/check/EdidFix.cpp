#include "edid/check/EdidFix.h"

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidFindings.h"

namespace varnok {

EdidFixResult FixEdidChecksums(const QByteArray& edid) {
    EdidFixResult r;
    r.fault = EdidSizeFault(edid.size());
    if (!r.fault.isEmpty()) return r;
    r.edid = edid;
    const int blocks = static_cast<int>(edid.size() / kEdidBlockBytes);
    constexpr int kExtensionCount = 126;
    const auto count = static_cast<uint8_t>(r.edid[kExtensionCount]);
    if (count != blocks - 1) {
        r.edid[kExtensionCount] = static_cast<char>(blocks - 1);
        r.changes << QStringLiteral("block 0 extension count (byte 126) changed from %1 to %2")
                         .arg(count)
                         .arg(blocks - 1);
    }
    // Block 0's checksum after its count, which it covers.
    for (int block = 0; block < blocks; ++block) {
        const int at = block * kEdidBlockBytes + kEdidBlockBytes - 1;
        const auto was = static_cast<uint8_t>(r.edid[at]);
        const uint8_t right = EdidBlockChecksum(r.edid, block);
        if (was == right) continue;
        r.edid[at] = static_cast<char>(right);
        r.changes << QStringLiteral("block %1 checksum (byte %2) changed from %3 to %4")
                         .arg(block)
                         .arg(at)
                         .arg(EdidHexByte(was), EdidHexByte(right));
    }
    return r;
}

}  // namespace varnok
