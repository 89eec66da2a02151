#include "edid/EdidLayoutBlocks.h"

#include <QRegularExpression>

namespace varnok {

QList<EdidByteRange> EdidByteLayoutBlocks(const QByteArray& edid) {
    const EdidImage image = EdidImageFromBytes(edid);
    QList<EdidByteRange> ranges = EdidByteLayout(image);
    static const QRegularExpression fromByte(QStringLiteral("from byte (\\d+)"));
    for (int block = 2; block < edid.size() / kBlockSize; ++block) {
        // The block laid out as block 1 of an image that announces one extension.
        EdidImage pair = image;
        pair[126] = 1;
        for (int i = 0; i < kBlockSize; ++i)
            pair[kBlockSize + i] = uint8_t(edid[block * kBlockSize + i]);
        const int shift = (block - 1) * kBlockSize;
        for (EdidByteRange r : EdidByteLayout(pair)) {
            if (r.first < kBlockSize) continue;
            r.first += shift;
            if (r.kind == EdidRangeKind::Checksum)
                r.name.replace(QStringLiteral("block 1"), QStringLiteral("block %1").arg(block));
            const QRegularExpressionMatch m = fromByte.match(r.name);
            if (m.hasMatch())
                r.name.replace(m.capturedStart(1), m.capturedLength(1),
                               QString::number(m.captured(1).toInt() + shift));
            ranges << r;
        }
    }
    return ranges;
}

}  // namespace varnok
