// check, fix, fit and export: the check before upload, Fix checksums, Fit to 256 bytes and the
// operating systems' overrides, on EDID files of 128 × N bytes, as the EDID window does them.

#include <QDate>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "edid/check/EdidDecodeRun.h"
#include "edidio/DisplayEdids.h"
#include "edidio/EdidExportFiles.h"
#include "edidio/EdidLoad.h"
#include "edidio/EdidSave.h"
#include "words/EdidCheckWords.h"

namespace varnok::cli {

ExitStatus ReportEdidErrors(CliRun& run, const EdidFindings& findings, const QString& what) {
    for (const EdidFinding& f : findings) run.out.line(FormatEdidFinding(f));
    run.out.set(QStringLiteral("findings"), EdidFindingsJson(findings));
    const OutcomeText words = CheckWords(findings, what);
    return words.failure ? run.fail(ExitStatus::InvalidEdid, words) : ExitStatus::Ok;
}

namespace {

// A written file in the words of the window's Save.
ExitStatus SaveResultFile(CliRun& run, const QString& path, const QByteArray& bytes) {
    const SaveResult saved = SaveEdidFile(path, bytes);
    const OutcomeText words = EdidSaveWords(saved, path, QStringLiteral("EDID"), int(bytes.size()));
    if (!saved.is(SaveOutcome::Saved)) return run.fail(ExitStatus::Failure, words);
    run.out.set(QStringLiteral("file"), path);
    run.out.line(words.text);
    return ExitStatus::Ok;
}

}  // namespace

ExitStatus RunCheck(CliRun& run) {
    const EdidOperand operand = ParseEdidOperand(run.args.operands[0]);
    QByteArray bytes;
    if (operand.device) {
        QList<EdidInfo> infos;
        if (const ExitStatus s = ReadEdidOperands(run, {operand}, infos); s != ExitStatus::Ok)
            return s;
        bytes = EdidImageBytes(infos[0].image);
    } else if (const ExitStatus s = ReadEdidBytesOperand(run, operand.path, bytes);
               s != ExitStatus::Ok) {
        return s;
    }
    run.out.set(operand.device ? QStringLiteral("source") : QStringLiteral("file"),
                run.args.operands[0]);
    run.out.set(QStringLiteral("bytes"), int(bytes.size()));
    EdidDecodeRun decode;
    const EdidFindings findings = CheckEdidWithNotes(bytes, &decode);
    const ExitStatus status = ReportEdidErrors(run, findings, operand.label);
    // Why there are no notes, when edid-decode did not decode the bytes.
    run.out.set(QStringLiteral("edidDecode"),
                decode.failure.isEmpty() ? QStringLiteral("decoded") : decode.failure);
    if (!decode.failure.isEmpty())
        run.out.line(QStringLiteral("(no notes: %1)").arg(decode.failure));
    if (status != ExitStatus::Ok) return status;
    const OutcomeText words = CheckWords(findings, operand.label);
    return run.done(words);
}

ExitStatus RunFix(CliRun& run) {
    QByteArray bytes;
    if (const ExitStatus s = ReadEdidBytesOperand(run, run.args.operands[0], bytes);
        s != ExitStatus::Ok)
        return s;
    const EdidFixResult fix = FixEdidChecksums(bytes);
    const OutcomeText words = FixWords(fix);
    if (words.failure) return run.fail(ExitStatus::InvalidEdid, words);
    for (const QString& change : fix.changes) run.out.line(change);
    run.out.set(QStringLiteral("changes"), QJsonArray::fromStringList(fix.changes));
    run.out.set(QStringLiteral("code"), words.code);
    if (fix.changes.isEmpty()) run.out.line(words.text);
    return SaveResultFile(run, run.args.operands[1], fix.edid);
}

ExitStatus RunFit(CliRun& run) {
    QByteArray bytes;
    if (const ExitStatus s = ReadEdidBytesOperand(run, run.args.operands[0], bytes);
        s != ExitStatus::Ok)
        return s;
    const EdidFitResult fit = FitEdidToDevice(bytes);
    const OutcomeText words = FitWords(fit);
    if (words.failure) return run.fail(ExitStatus::InvalidEdid, words);
    const QJsonObject json = EdidFitJson(fit);
    for (auto it = json.begin(); it != json.end(); ++it) run.out.set(it.key(), it.value());
    run.out.set(QStringLiteral("code"), words.code);
    for (const QString& line : fit.moved) run.out.line(line);
    for (const QString& line : fit.dropped) run.out.line(line);
    for (const QString& line : fit.changes) run.out.line(line);
    if (!fit.fitted) run.out.line(words.text);
    return SaveResultFile(run, run.args.operands[1], fit.edid);
}

ExitStatus RunExport(CliRun& run) {
    ExportRequest request;
    request.system = run.args.operands[0] == QLatin1String("windows") ? EdidExportSystem::Windows
                                                                      : EdidExportSystem::Linux;
    if (const ExitStatus s = ReadEdidBytesOperand(run, run.args.operands[1], request.edid);
        s != ExitStatus::Ok)
        return s;
    request.folder = run.args.operands[2];
    if (request.system == EdidExportSystem::Linux)
        for (const DisplayEdid& d : ListDisplayEdids()) request.connectors << d.connector;
    request.driverDate = QDate::currentDate();
    const ExportResult result = ExportEdidFiles(request);
    const OutcomeText words = ExportWords(result, request.folder);
    if (words.failure)
        return run.fail(
            result.is(ExportOutcome::NotExportable) ? ExitStatus::InvalidEdid : ExitStatus::Failure,
            words);
    run.out.set(QStringLiteral("code"), words.code);
    run.out.set(QStringLiteral("files"), QJsonArray::fromStringList(result.data.files));
    for (const QString& file : result.data.files) run.out.line(file);
    if (!result.data.instructions.isEmpty()) {
        run.out.set(QStringLiteral("instructions"), result.data.instructions);
        run.out.line(QString());
        for (const QString& line : result.data.instructions.split(QLatin1Char('\n')))
            run.out.line(line);
    }
    return ExitStatus::Ok;
}

}  // namespace varnok::cli
