#include "edid/EdidCompare.h"

#include <algorithm>

#include "edid/Edid.h"
#include "edid/EdidByteRegion.h"
#include "edid/EdidLayoutBlocks.h"

namespace varnok {

int EdidComparison::differingRows() const {
    return static_cast<int>(std::count(rowDiffers.begin(), rowDiffers.end(), true));
}

EdidComparison CompareEdids(const EdidImage& a, const EdidImage& b) {
    EdidComparison c;
    c.a = ReportEdidImage(a);
    c.b = ReportEdidImage(b);
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        c.rowDiffers[row] = c.a.values[row] != c.b.values[row];
    }
    if (a == b) return c;
    const QList<EdidByteRegion> ra = EdidByteRegions(a);
    const QList<EdidByteRegion> rb = EdidByteRegions(b);
    for (int i = 0; i < kEdidSize; ++i) {
        if (a[i] == b[i]) continue;
        const EdidByteRegion& named = ra[i].holdsNothing && !rb[i].holdsNothing ? rb[i] : ra[i];
        c.bytes.append({i, a[i], b[i], named.name});
    }
    return c;
}

EdidComparison CompareEdidBytes(const QByteArray& a, const QByteArray& b) {
    EdidComparison c = CompareEdids(EdidImageFromBytes(a), EdidImageFromBytes(b));
    const qsizetype size = std::max(a.size(), b.size());
    auto at = [](const QByteArray& e, qsizetype i) -> uint8_t {
        return i < e.size() ? uint8_t(e[i]) : uint8_t(0xFF);
    };
    if (size <= kEdidSize) return c;
    // Past the device's 256 bytes a byte is named by the layout of the EDID that holds it.
    const QList<EdidByteRange> ranges = EdidByteLayoutBlocks(a.size() >= b.size() ? a : b);
    auto nameOf = [&ranges](qsizetype i) {
        for (const EdidByteRange& r : ranges)
            if (i >= r.first && i < r.first + r.length) return r.name;
        return QString();
    };
    for (qsizetype i = kEdidSize; i < size; ++i)
        if (at(a, i) != at(b, i)) c.bytes.append({int(i), at(a, i), at(b, i), nameOf(i)});
    return c;
}

}  // namespace varnok
