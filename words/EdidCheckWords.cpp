#include "words/EdidCheckWords.h"

#include <QStringList>
#include <algorithm>

namespace varnok {
namespace {

int Count(const EdidFindings& findings, EdidFindingLevel level) {
    return int(std::count_if(findings.begin(), findings.end(),
                             [&](const EdidFinding& f) { return f.level == level; }));
}

QString Plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

}  // namespace

OutcomeText CheckWords(const EdidFindings& findings, const QString& what) {
    const int errors = Count(findings, EdidFindingLevel::Error);
    const int notes = Count(findings, EdidFindingLevel::Note);
    if (errors > 0)
        return {QStringLiteral("%1 has %2: sources may reject it or some of its blocks")
                    .arg(what, Plural(errors, "error", "errors")),
                true, QStringLiteral("check.errors")};
    QString text = QStringLiteral("%1 has no errors").arg(what);
    if (notes > 0)
        text += QStringLiteral(" (%1 from edid-decode)").arg(Plural(notes, "note", "notes"));
    return {text, false, QStringLiteral("check.passed")};
}

QString UploadCheckQuestion(const EdidFindings& findings) {
    QStringList lines{QStringLiteral("This EDID has errors that break real sources:")};
    for (const EdidFinding& f : findings)
        if (f.level == EdidFindingLevel::Error)
            lines << QStringLiteral("- ") + FormatEdidFinding(f);
    lines << QString() << QStringLiteral("Upload it anyway?");
    return lines.join(QLatin1Char('\n'));
}

OutcomeText UploadCheckCancelledWords() {
    return {QStringLiteral("Upload cancelled; nothing was sent"), false,
            QStringLiteral("upload.cancelled")};
}

OutcomeText FixWords(const EdidFixResult& fix) {
    if (!fix.fault.isEmpty())
        return {QStringLiteral("Nothing fixed: %1").arg(fix.fault), true,
                QStringLiteral("fix.bad-size")};
    if (fix.changes.isEmpty())
        return {QStringLiteral("Checksums and extension count are right; nothing changed"), false,
                QStringLiteral("fix.unchanged")};
    return {QStringLiteral("Fixed: %1").arg(fix.changes.join(QStringLiteral("; "))), false,
            QStringLiteral("fix.fixed")};
}

OutcomeText FitWords(const EdidFitResult& fit) {
    if (!fit.fault.isEmpty())
        return {QStringLiteral("Not fitted: %1").arg(fit.fault), true,
                QStringLiteral("fit.bad-size")};
    if (!fit.fitted)
        return {QStringLiteral("The EDID is %1 bytes; the device holds it as it is")
                    .arg(fit.edid.size()),
                false, QStringLiteral("fit.fits")};
    return {QStringLiteral("Fitted to %1 bytes; %2")
                .arg(fit.edid.size())
                .arg(fit.dropped.isEmpty()
                         ? QStringLiteral("nothing dropped")
                         : QStringLiteral("dropped: ") + fit.dropped.join(QStringLiteral("; "))),
            false, QStringLiteral("fit.fitted")};
}

QString FitQuestion(const EdidFitResult& fit, int bytes, const QString& then) {
    QStringList lines{QStringLiteral("Only 256 bytes fit; this EDID has %1. Fit to 256 "
                                     "Bytes keeps block 0 and the first CTA-861 block, moves "
                                     "into it what fits and drops:")
                          .arg(bytes)};
    for (const QString& line : fit.dropped) lines << QStringLiteral("- ") + line;
    if (fit.dropped.isEmpty()) lines << QStringLiteral("- nothing");
    lines << QString() << QStringLiteral("Fit it and %1?").arg(then);
    return lines.join(QLatin1Char('\n'));
}

OutcomeText TooLargeForDeviceWords(const QString& what, int bytes) {
    return {QStringLiteral("%1 is %2 bytes; the device holds 256: fit makes an EDID it can hold")
                .arg(what)
                .arg(bytes),
            true, QStringLiteral("upload.too-large")};
}

QString DeviceCannotHoldWords(int bytes) {
    if (bytes <= kDeviceEdidBytes) return {};
    return QStringLiteral("the device holds 256 of its %1 bytes (fit makes an EDID it can hold)")
        .arg(bytes);
}

OutcomeText ExportWords(const ExportResult& result, const QString& folder) {
    switch (result.outcome) {
        case ExportOutcome::Exported:
            return {QStringLiteral("Exported to %1: %2")
                        .arg(folder, result.data.files.join(QStringLiteral(", "))),
                    false, QStringLiteral("export.exported")};
        case ExportOutcome::NotExportable:
            return {QStringLiteral("Not exported: %1").arg(result.reason), true,
                    QStringLiteral("export.not-exportable")};
        case ExportOutcome::FolderFailed:
            return {QStringLiteral("Export failed: %1").arg(result.reason), true,
                    QStringLiteral("export.folder-failed")};
        case ExportOutcome::WriteFailed:
            break;
    }
    return {QStringLiteral("Export failed: %1").arg(result.reason), true,
            QStringLiteral("export.write-failed")};
}

}  // namespace varnok
