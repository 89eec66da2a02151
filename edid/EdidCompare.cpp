#include "edid/EdidCompare.h"

#include <algorithm>

#include "edid/Edid.h"

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
    for (int i = 0; i < kEdidSize; ++i) {
        if (a[i] != b[i]) c.bytes.append({i, a[i], b[i]});
    }
    return c;
}

}  // namespace varnok
