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

EdidComparison CompareEdidBytes(const QByteArray& a, const QByteArray& b) {
    EdidComparison c = CompareEdids(EdidImageFromBytes(a), EdidImageFromBytes(b));
    const qsizetype size = std::max(a.size(), b.size());
    auto at = [](const QByteArray& e, qsizetype i) -> uint8_t {
        return i < e.size() ? uint8_t(e[i]) : uint8_t(0xFF);
    };
    for (qsizetype i = kEdidSize; i < size; ++i)
        if (at(a, i) != at(b, i)) c.bytes.append({int(i), at(a, i), at(b, i)});
    return c;
}

}  // namespace varnok
