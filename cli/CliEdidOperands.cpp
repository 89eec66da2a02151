// EDIDs named on the command line, from a file or the device, and the analyzer's report of one.

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <memory>

#include "cli/CliCommands.h"
#include "cli/CliSession.h"
#include "cli/CliViews.h"
#include "device/AnalyzerRead.h"
#include "edid/Edid.h"
#include "edid/EdidReport.h"
#include "edid/EdidValidity.h"
#include "edidio/EdidLoad.h"

namespace varnok::cli {

EdidSource SourceForWord(const QString& word) {
    if (word == QLatin1String("external")) return EdidSource::External;
    if (word == QLatin1String("user")) return EdidSource::User;
    if (word == QLatin1String("stored")) return EdidSource::Stored;
    return EdidSource::Internal;
}

EdidOperand ParseEdidOperand(const QString& operand) {
    EdidOperand e;
    if (IsDeviceSourceWord(operand)) {
        e.device = true;
        e.source = SourceForWord(operand);
        e.label = EdidSourceName(e.source);
    } else {
        e.path = operand;
        e.label = operand;
    }
    return e;
}

ExitStatus ReadEdidBytesOperand(CliRun& run, const QString& path, QByteArray& bytes) {
    const LoadResult loaded = LoadEdidFile(path);
    if (!loaded.is(LoadOutcome::Loaded))
        return run.fail(
            loaded.is(LoadOutcome::ReadFailed) ? ExitStatus::Failure : ExitStatus::InvalidEdid,
            LoadWords(loaded.outcome, loaded.reason, path));
    bytes = loaded.data;
    return ExitStatus::Ok;
}

ExitStatus ReadEdidOperandFile(CliRun& run, const QString& path, EdidInfo& info,
                               QByteArray* bytes) {
    // The workbench's one loader and size policy: every block is kept; the rows come from the
    // first 256 bytes.
    QByteArray all;
    if (const ExitStatus s = ReadEdidBytesOperand(run, path, all); s != ExitStatus::Ok) return s;
    info.image = EdidImageFromBytes(all);
    DecodeEdid(info, info.image.data());
    if (bytes) *bytes = all;
    return ExitStatus::Ok;
}

ExitStatus ReadEdidOperands(CliRun& run, const QList<EdidOperand>& operands, QList<EdidInfo>& infos,
                            QList<QByteArray>* bytes) {
    infos.clear();
    QList<QByteArray> all;
    // Files first: a file that can't be read fails before any port is opened.
    for (const EdidOperand& e : operands) {
        infos.append(EdidInfo{});
        all.append(QByteArray());
        if (e.device) continue;
        if (const ExitStatus s = ReadEdidOperandFile(run, e.path, infos.back(), &all.back());
            s != ExitStatus::Ok)
            return s;
    }
    std::unique_ptr<CliSession> session;
    for (int i = 0; i < operands.size(); ++i) {
        const EdidOperand& e = operands[i];
        if (!e.device) continue;
        if (!session) {
            session = std::make_unique<CliSession>(run.views);
            if (const ExitStatus s = ConnectDevice(run, *session, DeviceMode::Api);
                s != ExitStatus::Ok)
                return s;
        }
        // The analyzer's read, with its notices, selection and retries.
        const AnalyzerResult r = ReadAnalyzerImage(session->link(), run.views, e.source);
        if (!r.data.image || r.is(AnalyzerOutcome::LinkLost))
            return run.fail(ExitStatus::Failure, AnalyzerReadWords(e.source, r));
        infos[i].image = *r.data.image;
        DecodeEdid(infos[i], infos[i].image.data());
        all[i] = EdidImageBytes(infos[i].image);
    }
    if (bytes) *bytes = all;
    return ExitStatus::Ok;
}

ExitStatus RunAnalyze(CliRun& run) {
    const EdidOperand operand = ParseEdidOperand(run.args.operands[0]);
    QList<EdidInfo> infos;
    if (const ExitStatus s = ReadEdidOperands(run, {operand}, infos); s != ExitStatus::Ok) return s;
    const EdidInfo& info = infos[0];
    const EdidReport report = MakeEdidReport(info);
    QJsonArray rows;
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        rows.append(QJsonObject{{QStringLiteral("caption"), EdidReportCaption(row).chopped(2)},
                                {QStringLiteral("value"), report.values[row]}});
        // One row a line, as varnok-edid-report writes it.
        run.out.line(EdidReportLine(report, row));
    }
    run.out.set(operand.device ? QStringLiteral("source") : QStringLiteral("file"),
                run.args.operands[0]);
    run.out.set(QStringLiteral("rows"), rows);
    const bool valid = (info.status & kReasonBits) == 0;
    run.out.set(QStringLiteral("valid"), valid);
    if (!valid)
        return run.fail(ExitStatus::InvalidEdid,
                        AnalyzerFileWords(FileStep::Read, operand.label, info.image));
    return ExitStatus::Ok;
}

}  // namespace varnok::cli
