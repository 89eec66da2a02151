#pragma once
// Fit to 256 bytes: the EDID the device can hold (a base block and one extension) made from a
// larger one. Block 0 is kept as it is and so is the first CTA-861 block, which becomes block 1;
// what fits of the other blocks is moved into it while room remains: detailed timings (also
// DisplayID type I and type VII timings that an 18-byte descriptor can hold), VICs, short audio
// descriptors, and data blocks of a kind the kept block lacks. The extension count and the
// checksums are made right. Everything else is dropped, and every item dropped is named.
//
// Without a CTA-861 block, block 0 is kept and a new CTA-861 block is made for what can move;
// when nothing can, block 0 stays alone (128 bytes, which the device's image pads to 256).

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace varnok {

inline constexpr int kDeviceEdidBytes = 256;

struct EdidFitResult {
    QString fault;  // the size in words when the EDID is not 128 × N bytes; nothing else set
    // The fitted EDID: 128 or 256 bytes. An EDID of 256 bytes or less already fits and comes
    // back as it is, with fitted false and the lists empty.
    QByteArray edid;
    bool fitted = false;
    // In block order, each a sentence without a full stop:
    // "block 2 (DisplayID): 1 detailed timing (3440 × 1440 @ 60) moved into block 1"
    QStringList moved;
    // "block 2 (DisplayID): 1 detailed timing (2560 × 1440 @ 165) dropped: its pixel clock of
    // 664.67 MHz is more than a detailed timing holds (655.35 MHz)"
    QStringList dropped;
    // What changed in the kept blocks: "block 2 (CTA-861) is now block 1", "block 0 extension
    // count (byte 126) changed from 3 to 1", "block 1 checksum (byte 255) changed from ...".
    QStringList changes;
};

EdidFitResult FitEdidToDevice(const QByteArray& edid);

// {"bytes": n, "fitted": bool, "moved": [...], "dropped": [...], "changes": [...]}.
QJsonObject EdidFitJson(const EdidFitResult& fit);

}  // namespace varnok
