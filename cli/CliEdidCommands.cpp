// bytes, compare, import-hex and displays: EDID bytes as text, two EDIDs side by side, hex text to
// a .bin file, and the EDIDs of this computer's displays.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "edid/ControlCharacters.h"
#include "edid/Edid.h"
#include "edid/EdidCompare.h"
#include "edid/EdidHexText.h"
#include "edid/EdidReport.h"
#include "edid/EdidValidity.h"
#include "edid/check/EdidCheck.h"
#include "edid/check/EdidFit.h"
#include "edidio/DisplayEdids.h"
#include "edidio/EdidSave.h"
#include "edidio/FileRead.h"
#include "words/EdidCheckWords.h"

namespace varnok::cli {
namespace {

// More than any EDID text people paste (edid-decode's whole output of a 256-byte EDID is about
// 10 KB); standard input is untrusted and is not read without bound.
constexpr qint64 kMaxHexText = 4 * 1024 * 1024;

QString Hex2(uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
}

// Without its " :".
QString RowCaption(int row) {
    return EdidReportCaption(row).chopped(2);
}

}  // namespace

QJsonArray ByteDifferencesJson(const QList<EdidByteDifference>& bytes) {
    QJsonArray list;
    for (const EdidByteDifference& d : bytes)
        list.append(QJsonObject{{QStringLiteral("offset"), d.offset},
                                {QStringLiteral("a"), d.a},
                                {QStringLiteral("b"), d.b},
                                {QStringLiteral("region"), d.region}});
    return list;
}

ExitStatus RunBytes(CliRun& run) {
    const EdidOperand operand = ParseEdidOperand(run.args.operands[0]);
    QList<EdidInfo> infos;
    QList<QByteArray> all;
    if (const ExitStatus s = ReadEdidOperands(run, {operand}, infos, &all); s != ExitStatus::Ok)
        return s;
    // edid-decode's own hex form, which edid-decode reads back: varnok-cli bytes user |
    // edid-decode. A file's every block; a device's 128-byte EDID without its 0xFF fill.
    const QString hex = operand.device ? FormatEdidHex(infos[0].image) : FormatEdidHexBytes(all[0]);
    run.out.set(QStringLiteral("bytes"),
                operand.device ? EdidByteCount(infos[0].image) : int(all[0].size()));
    run.out.set(QStringLiteral("hex"), hex);
    for (const QString& l : hex.split(QLatin1Char('\n'))) run.out.line(l);
    return ExitStatus::Ok;
}

ExitStatus RunCompare(CliRun& run) {
    const QList<EdidOperand> operands = {ParseEdidOperand(run.args.operands[0]),
                                         ParseEdidOperand(run.args.operands[1])};
    QList<EdidInfo> infos;
    QList<QByteArray> all;
    if (const ExitStatus s = ReadEdidOperands(run, operands, infos, &all); s != ExitStatus::Ok)
        return s;
    // Rows from the first 256 bytes, bytes from all of them.
    const EdidComparison c = CompareEdidBytes(all[0], all[1]);
    QJsonArray rows;
    for (int row = 0; row < kEdidReportRowCount; ++row) {
        rows.append(QJsonObject{{QStringLiteral("caption"), RowCaption(row)},
                                {QStringLiteral("a"), c.a.values[row]},
                                {QStringLiteral("b"), c.b.values[row]},
                                {QStringLiteral("differs"), c.rowDiffers[row]}});
        if (c.rowDiffers[row])
            run.out.line(QStringLiteral("row\t%1\t%2\t%3")
                             .arg(RowCaption(row), EscapedReportValue(c.a.values[row]),
                                  EscapedReportValue(c.b.values[row])));
    }
    const QJsonArray bytes = ByteDifferencesJson(c.bytes);
    for (const EdidByteDifference& d : c.bytes)
        run.out.line(QStringLiteral("byte\t%1\t%2\t%3\t%4")
                         .arg(d.offset)
                         .arg(Hex2(d.a), Hex2(d.b), d.region));
    run.out.set(QStringLiteral("a"), operands[0].device ? run.args.operands[0] : operands[0].path);
    run.out.set(QStringLiteral("b"), operands[1].device ? run.args.operands[1] : operands[1].path);
    run.out.set(QStringLiteral("identical"), c.identical());
    run.out.set(QStringLiteral("rows"), rows);
    run.out.set(QStringLiteral("bytes"), bytes);
    if (c.identical()) {
        run.out.line(
            QStringLiteral("%1 and %2 are equal").arg(operands[0].label, operands[1].label));
        return ExitStatus::Ok;
    }
    return run.fail(ExitStatus::Differs, QStringLiteral("%1 and %2 differ in %3 rows and %4 bytes")
                                             .arg(operands[0].label, operands[1].label)
                                             .arg(c.differingRows())
                                             .arg(c.bytes.size()));
}

ExitStatus RunImportHex(CliRun& run) {
    const QString& operand = run.args.operands[0];
    const QString& target = run.args.operands[1];
    QString input = operand;
    // The text comes from standard input (-), a file the operand names, or the operand itself.
    const bool fromStdin = operand == QLatin1String("-");
    if (fromStdin || QFileInfo(operand).isFile()) {
        QByteArray bytes;
        if (fromStdin) {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly))
                return run.fail(ExitStatus::Failure,
                                QStringLiteral("standard input can't be read"));
            // To its end: a producer may write a line at a time.
            bytes = ReadAtMost(in, kMaxHexText + 1);
        } else {
            const Result<ReadOutcome, QByteArray> read = ReadRegularFile(operand, kMaxHexText + 1);
            if (!read.is(ReadOutcome::Read))
                return run.fail(ExitStatus::Failure,
                                QStringLiteral("%1 can't be read: %2").arg(operand, read.reason));
            bytes = read.data;
        }
        if (bytes.size() > kMaxHexText)
            return run.fail(ExitStatus::InvalidEdid,
                            QStringLiteral("%1 holds more than 4 MiB; no EDID text is that long")
                                .arg(fromStdin ? QStringLiteral("standard input") : operand));
        input = EdidHexTextFromBytes(bytes);
    }
    const EdidHexText parsed = ParseEdidHexBlocks(input);
    if (!parsed.ok) return run.fail(ExitStatus::InvalidEdid, HexTextWords(parsed));
    run.out.set(QStringLiteral("form"), parsed.form);
    run.out.set(QStringLiteral("bytes"), parsed.size);
    // An EDID of more than two blocks is judged by the check of 128 x N bytes; the device's own
    // rules judge the 128 or 256 bytes it can hold.
    QString invalid;
    if (parsed.size > kEdidSize) {
        for (const EdidFinding& f : CheckEdid(parsed.bytes))
            if (invalid.isEmpty() && f.level == EdidFindingLevel::Error)
                invalid = FormatEdidFinding(f) + QLatin1Char('.');
    } else if (const EdidValidity validity = DescribeEdidValidity(parsed.image); !validity.valid) {
        invalid = validity.sentence;
    }
    if (!invalid.isEmpty())
        return run.fail(ExitStatus::InvalidEdid, invalid + QStringLiteral(" Nothing was written."));
    // The file keeps the size the text has: a 128-byte EDID is saved as 128 bytes.
    if (const SaveResult saved = SaveEdidFile(target, parsed.bytes); !saved.is(SaveOutcome::Saved))
        return run.fail(ExitStatus::Failure,
                        EdidSaveWords(saved, target, QStringLiteral("EDID"), parsed.size));
    run.out.set(QStringLiteral("file"), target);
    run.out.line(QStringLiteral("EDID (%1 bytes, %2) saved to %3")
                     .arg(parsed.size)
                     .arg(parsed.form, target));
    return ExitStatus::Ok;
}

ExitStatus RunDisplays(CliRun& run) {
    const QList<DisplayEdid> displays = ListDisplayEdids();
    const QString dir = run.args.value(u"save");
    if (!dir.isEmpty() && !QDir().mkpath(dir))
        return run.fail(ExitStatus::Failure, dir + QStringLiteral(": the folder can't be created"));
    const QStringList fileNames = DisplayFileNames(displays);
    QJsonArray list;
    QStringList failed;
    for (qsizetype i = 0; i < displays.size(); ++i) {
        const DisplayEdid& d = displays[i];
        // The device's validation judges 256 bytes, so an EDID larger than that is judged whole
        // by the check before an upload (its first 256 bytes announce blocks beyond them).
        const bool valid = d.size() > kDeviceEdidBytes ? !HasEdidError(CheckEdid(d.bytes))
                                                       : DescribeEdidValidity(d.image).valid;
        QJsonObject entry{{QStringLiteral("connector"), d.connector},
                          {QStringLiteral("monitor"), d.monitorName},
                          {QStringLiteral("bytes"), d.size()},
                          {QStringLiteral("valid"), valid}};
        QString line =
            QStringLiteral("%1\t%2\t%3\t%4")
                .arg(ShowControlCharacters(d.connector), ShowControlCharacters(d.monitorName))
                .arg(d.size())
                .arg(valid ? QStringLiteral("valid") : QStringLiteral("invalid"));
        if (!dir.isEmpty()) {
            // One file a display, named after its connector, with every byte the display has.
            const QString file = QDir(dir).filePath(fileNames[i]);
            if (const SaveResult saved = SaveEdidFile(file, d.bytes);
                saved.is(SaveOutcome::Saved)) {
                entry[QStringLiteral("file")] = file;
                line += QLatin1Char('\t') + file;
                // Saved whole; the device takes only 256 bytes of it.
                if (const QString note = DeviceCannotHoldWords(d.size()); !note.isEmpty()) {
                    entry[QStringLiteral("note")] = note;
                    line += QLatin1Char('\t') + note;
                }
            } else {
                failed << EdidSaveWords(saved, file, QStringLiteral("EDID"), d.size()).text;
            }
        }
        list.append(entry);
        run.out.line(line);
    }
    if (displays.isEmpty()) run.out.line(NoDisplayEdidWords());
    run.out.set(QStringLiteral("displays"), list);
    if (!failed.isEmpty()) return run.fail(ExitStatus::Failure, failed.join(QStringLiteral("; ")));
    return ExitStatus::Ok;
}

}  // namespace varnok::cli
