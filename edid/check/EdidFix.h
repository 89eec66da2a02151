#pragma once
// Fix checksums: the one repair that is always certain. The extension count is set to the blocks
// there are and every block's checksum made right; no other byte changes.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace varnok {

struct EdidFixResult {
    QString fault;    // the size in words when edid is not 128 × N bytes; nothing is fixed then
    QByteArray edid;  // the fixed bytes; equal to the input when nothing needed fixing
    // Each change in words, in byte order: "block 0 extension count (byte 126) changed from 3
    // to 1", "block 1 checksum (byte 255) changed from 0x3C to 0x62"; empty when none was needed.
    QStringList changes;
};

EdidFixResult FixEdidChecksums(const QByteArray& edid);

}  // namespace varnok
