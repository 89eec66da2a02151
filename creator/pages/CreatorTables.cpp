#include "creator/pages/CreatorTables.h"

namespace varnok {

QString ControlName(const char* prefix, int number, const char* suffix) {
    return QLatin1String(prefix) + QString::number(number) + QLatin1String(suffix);
}

QString ControlName(const BoxRow& row) {
    return ControlName(row.prefix, row.number, row.suffix);
}

}  // namespace varnok
