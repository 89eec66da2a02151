#include "edid/check/EdidDecodeOutput.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace varnok {
namespace {

// edid-decode separates the hex dump, the decode and the check summary with this line.
const QString kSeparator = QStringLiteral("----------------");
const QString kFailureCode = QStringLiteral("edid-decode-failure");
const QString kWarningCode = QStringLiteral("edid-decode-warning");

QString Plural(int n, const char* word) {
    return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(word)).arg(n == 1 ? "" : "s");
}

QStringList Lines(const QString& output) {
    QStringList lines = output.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
    }
    return lines;
}

}  // namespace

EdidDecodeReport SplitEdidDecodeOutput(const QString& output) {
    EdidDecodeReport r;
    const QStringList lines = Lines(output);
    const qsizetype last = lines.lastIndexOf(kSeparator);
    if (last < 0) {
        r.decode = output;
        return r;
    }
    r.decode = lines.mid(0, last).join(u'\n');
    QStringList checks;
    for (const QString& line : lines.mid(last + 1)) {
        if (line.startsWith(QLatin1String("edid-decode SHA:"))) continue;
        if (line.startsWith(QLatin1String("EDID conformity: ")))
            r.conformity = line.mid(17).trimmed();
        checks << line;
    }
    r.checks = checks.join(u'\n').trimmed();
    const EdidFindings notes = EdidDecodeNotes(output);
    r.failures = static_cast<int>(std::count_if(
        notes.begin(), notes.end(), [](const EdidFinding& f) { return f.code == kFailureCode; }));
    r.warnings = static_cast<int>(notes.size()) - r.failures;
    return r;
}

bool HasEdidDecode(const QString& output) {
    return Lines(output).contains(kSeparator);
}

QString EdidDecodeHeadline(const EdidDecodeReport& report) {
    if (report.conformity.isEmpty())
        return QStringLiteral("edid-decode gave no conformity verdict");
    return QStringLiteral("EDID conformity: %1 (%2, %3)")
        .arg(report.conformity, Plural(report.failures, "failure"),
             Plural(report.warnings, "warning"));
}

EdidFindings EdidDecodeNotes(const QString& output) {
    static const QRegularExpression blockHeading(QStringLiteral("^Block (\\d+), .*:$"));
    const QStringList lines = Lines(output);
    const qsizetype last = lines.lastIndexOf(kSeparator);
    EdidFindings notes;
    if (last < 0) return notes;
    const QString* code = nullptr;  // the section the items below belong to
    qsizetype sectionStart = 0;     // its first note
    int block = -1;
    for (const QString& line : lines.mid(last + 1)) {
        if (line == QLatin1String("Warnings:") || line == QLatin1String("Failures:")) {
            code = line.startsWith(u'W') ? &kWarningCode : &kFailureCode;
            sectionStart = notes.size();
            block = -1;
        } else if (line.startsWith(QLatin1String("EDID conformity: "))) {
            code = nullptr;
        } else if (!code) {
            continue;
        } else if (line == QLatin1String("EDID:")) {
            block = -1;
        } else if (const QRegularExpressionMatch m = blockHeading.match(line); m.hasMatch()) {
            block = m.captured(1).toInt();
        } else if (line.startsWith(QLatin1String("  ")) && line.size() > 2 && line[2] != u' ') {
            // An item is indented by two blanks under its block's heading.
            const QString kind =
                code == &kWarningCode ? QStringLiteral("warning") : QStringLiteral("failure");
            notes << EdidFinding{EdidFindingLevel::Note, block, -1, *code,
                                 QStringLiteral("edid-decode %1: %2").arg(kind, line.trimmed())};
        } else if (line.startsWith(QLatin1String("    ")) && notes.size() > sectionStart) {
            // Deeper lines continue the item above ("Some timings are out of range of the
            // Monitor Ranges:" and the ranges under it).
            QString& text = notes.last().text;
            text += text.endsWith(u':') ? QStringLiteral(" ") : QStringLiteral("; ");
            text += line.trimmed();
        }
    }
    return notes;
}

QString EdidDecodeMissingText() {
    return QStringLiteral(
        "edid-decode is not installed. The Debian package edid-decode provides it: "
        "sudo apt install edid-decode");
}

}  // namespace varnok
