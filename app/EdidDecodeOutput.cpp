#include "app/EdidDecodeOutput.h"

#include <QStringList>

namespace varnok {
namespace {

// edid-decode separates the hex dump, the decode and the check summary with this line.
const QString kSeparator = QStringLiteral("----------------");

QString Plural(int n, const char* word) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word)).arg(n == 1 ? "" : "s");
}

}  // namespace

EdidDecodeReport SplitEdidDecodeOutput(const QString& output) {
    EdidDecodeReport r;
    QStringList lines = output.split(u'\n');
    const qsizetype last = lines.lastIndexOf(kSeparator);
    if (last < 0) {
        r.decode = output;
        return r;
    }
    r.decode = lines.mid(0, last).join(u'\n');
    QStringList checks;
    int* section = nullptr;  // the count the items under the current heading add to
    for (const QString& line : lines.mid(last + 1)) {
        if (line.startsWith(QLatin1String("edid-decode SHA:"))) continue;
        if (line == QLatin1String("Warnings:")) section = &r.warnings;
        if (line == QLatin1String("Failures:")) section = &r.failures;
        if (line.startsWith(QLatin1String("EDID conformity: "))) {
            r.conformity = line.mid(17).trimmed();
            section = nullptr;
        }
        // An item is indented by two blanks under its block's heading; deeper lines continue it.
        if (section && line.startsWith(QLatin1String("  ")) && line.size() > 2 && line[2] != u' ')
            ++*section;
        checks << line;
    }
    r.checks = checks.join(u'\n').trimmed();
    return r;
}

QString EdidDecodeHeadline(const EdidDecodeReport& report) {
    if (report.conformity.isEmpty())
        return QStringLiteral("edid-decode gave no conformity verdict");
    return QStringLiteral("EDID conformity: %1 (%2, %3)")
        .arg(report.conformity, Plural(report.failures, "failure"),
             Plural(report.warnings, "warning"));
}

QString EdidDecodeMissingText() {
    return QStringLiteral(
        "edid-decode is not installed. The Debian package edid-decode provides it: "
        "sudo apt install edid-decode");
}

}  // namespace varnok
