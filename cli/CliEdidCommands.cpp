// bytes, compare, import-hex and displays: EDID bytes as text, two EDIDs side by side, hex text to
// a .bin file, and the EDIDs of this computer's displays.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "edid/Edid.h"
#include "edid/EdidCompare.h"
#include "edid/EdidHexText.h"
#include "edid/EdidReport.h"
#include "edid/EdidValidity.h"
#include "edidio/DisplayEdids.h"
#include "edidio/EdidSave.h"
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
    QJsonArray bytes;
    for (const EdidByteDifference& d : c.bytes) {
        bytes.append(QJsonObject{{QStringLiteral("offset"), d.offset},
                                 {QStringLiteral("a"), d.a},
                                 {QStringLiteral("b"), d.b}});
        run.out.line(QStringLiteral("byte\t%1\t%2\t%3").arg(d.offset).arg(Hex2(d.a), Hex2(d.b)));
    }
    run.out.set(QStringLiteral("a"), operands[0].device ? run.args.operands[0] : operands[0].path);
    run.out.set(QStringLiteral("b"), operands[1].device ? run.args.operands[1] : operands[1].path);
    run.out.set(QStringLiteral("identical"), c.identical());
    run.out.set(QStringLiteral("rows"), rows);
    run.out.set(QStringLiteral("bytes"), bytes);
    if (c.identical()) return ExitStatus::Ok;
    return run.fail(ExitStatus::Differs, QStringLiteral("%1 and %2 differ in %3 rows and %4 bytes")
                                             .arg(operands[0].label, operands[1].label)
                                             .arg(c.differingRows())
                                             .arg(c.bytes.size()));
}

ExitStatus RunImportHex(CliRun& run) {
    const QString& text = run.args.operands[0];
    const QString& target = run.args.operands[1];
    QString input = text;
    if (text == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return run.fail(ExitStatus::Failure, QStringLiteral("standard input can't be read"));
        const QByteArray bytes = in.read(kMaxHexText + 1);
        if (bytes.size() > kMaxHexText)
            return run.fail(ExitStatus::InvalidEdid,
                            QStringLiteral("standard input holds more than 4 MiB; no EDID text "
                                           "is that long"));
        input = QString::fromUtf8(bytes);
    }
    const EdidHexText parsed = ParseEdidHexText(input);
    if (!parsed.ok) return run.fail(ExitStatus::InvalidEdid, HexTextWords(parsed));
    const EdidValidity validity = DescribeEdidValidity(parsed.image);
    run.out.set(QStringLiteral("form"), parsed.form);
    run.out.set(QStringLiteral("bytes"), parsed.size);
    if (!validity.valid)
        return run.fail(ExitStatus::InvalidEdid,
                        validity.sentence + QStringLiteral(" Nothing "
                                                           "was written."));
    if (const SaveResult saved = SaveEdidFile(target, parsed.image); !saved.is(SaveOutcome::Saved))
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
    if (!dir.isEmpty() && !QFileInfo(dir).isDir())
        return run.fail(ExitStatus::Failure, dir + QStringLiteral(": no such folder"));
    QJsonArray list;
    QStringList failed;
    for (const DisplayEdid& d : displays) {
        const EdidValidity validity = DescribeEdidValidity(d.image);
        QJsonObject entry{{QStringLiteral("connector"), d.connector},
                          {QStringLiteral("monitor"), d.monitorName},
                          {QStringLiteral("bytes"), d.size()},
                          {QStringLiteral("valid"), validity.valid}};
        QString line =
            QStringLiteral("%1\t%2\t%3\t%4")
                .arg(d.connector, d.monitorName)
                .arg(d.size())
                .arg(validity.valid ? QStringLiteral("valid") : QStringLiteral("invalid"));
        if (!dir.isEmpty()) {
            // One file a display, named after its connector, with every byte the display has.
            const QString file = QDir(dir).filePath(DisplayFileName(d.connector));
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
    run.out.set(QStringLiteral("displays"), list);
    if (!failed.isEmpty()) return run.fail(ExitStatus::Failure, failed.join(QStringLiteral("; ")));
    return ExitStatus::Ok;
}

}  // namespace varnok::cli
