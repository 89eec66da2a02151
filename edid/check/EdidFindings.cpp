#include "edid/check/EdidFindings.h"

#include <QJsonObject>
#include <algorithm>

namespace varnok {

bool HasEdidError(const EdidFindings& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const EdidFinding& f) { return f.level == EdidFindingLevel::Error; });
}

QString EdidFindingLevelName(EdidFindingLevel level) {
    return level == EdidFindingLevel::Error ? QStringLiteral("error") : QStringLiteral("note");
}

QString FormatEdidFinding(const EdidFinding& finding) {
    QString line = EdidFindingLevelName(finding.level) + QStringLiteral(": ");
    if (finding.block >= 0) line += QStringLiteral("block %1, ").arg(finding.block);
    if (finding.offset >= 0) line += QStringLiteral("byte %1, ").arg(finding.offset);
    if (line.endsWith(QLatin1String(", "))) line.replace(line.size() - 2, 2, QStringLiteral(": "));
    return line + finding.text;
}

QJsonArray EdidFindingsJson(const EdidFindings& findings) {
    QJsonArray array;
    for (const EdidFinding& f : findings) {
        array.append(QJsonObject{
            {QStringLiteral("level"), EdidFindingLevelName(f.level)},
            {QStringLiteral("block"), f.block >= 0 ? QJsonValue(f.block) : QJsonValue()},
            {QStringLiteral("offset"), f.offset >= 0 ? QJsonValue(f.offset) : QJsonValue()},
            {QStringLiteral("code"), f.code},
            {QStringLiteral("text"), f.text},
        });
    }
    return array;
}

QString EdidHexByte(unsigned value) {
    return QString::asprintf("0x%02X", value);
}

}  // namespace varnok
