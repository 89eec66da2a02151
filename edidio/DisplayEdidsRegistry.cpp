// Windows: the attached monitors' EDID values in the registry (WindowsDisplayEdids).
#include <algorithm>

#include "edidio/DisplayEdids.h"
#include "edidio/WindowsDisplayEdids.h"

namespace varnok {

QList<DisplayEdid> SystemDisplayEdids() {
    QList<DisplayEdid> displays;
    for (const RegistryDisplayEdid& d : ReadRegistryDisplayEdids()) {
        displays.append(MakeDisplayEdid(
            QString::fromStdWString(d.model + L"\\" + d.instance),
            QByteArray(reinterpret_cast<const char*>(d.bytes.data()), qsizetype(d.bytes.size()))));
    }
    std::sort(displays.begin(), displays.end(),
              [](const DisplayEdid& a, const DisplayEdid& b) { return a.connector < b.connector; });
    return displays;
}

}  // namespace varnok
