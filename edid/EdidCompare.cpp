#include "edid/EdidCompare.h"

#include <algorithm>

#include "edid/Edid.h"
#include "edid/EdidByteRegion.h"

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

}  // namespace varnok
