#include "words/NetworkPortWords.h"

namespace varnok {

OutcomeText PortCheckWords(const PortCheckResult& result) {
    const PortProbe& probe = result.probe;
    if (probe.outcome == PortProbe::Found) {
        QString text = probe.name + QStringLiteral(": the device ") + result.model;
        if (!result.version.isEmpty()) text += QStringLiteral(", version ") + result.version;
        return {text, false, QStringLiteral("port.device")};
    }
    if (probe.outcome == PortProbe::Isp)
        return {PortWords(probe), false, QStringLiteral("port.isp")};
    return {PortWords(probe), true, QStringLiteral("port.none")};
}

}  // namespace varnok
