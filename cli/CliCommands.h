#pragma once
// The commands of varnok-cli. Each one calls the operations the window calls, with the command
// line's paths where the window asks its dialogs, and tells their outcomes in the words the
// window's status bar uses (words/OutcomeWords.h); it returns the exit status and leaves the
// result in CliOutput.

#include <QString>

#include <QJsonArray>
#include "cli/CliArgs.h"
#include "cli/CliOutput.h"
#include "device/EdidStores.h"
#include "edid/EdidInfo.h"
#include "edid/check/EdidFindings.h"
#include "edid/EdidCompare.h"
#include "words/OutcomeWords.h"

namespace varnok::cli {

class CliSession;
class CliViews;

struct CliRun {
    const CliArgs& args;
    CliConsole& console;
    CliViews& views;
    CliOutput& out;
    QString message;  // what happened, in words, when the status is not Ok

    ExitStatus fail(ExitStatus status, const QString& words) {
        message = words;
        return status;
    }
    // An outcome in the shared words: the message, and its code in the JSON result.
    ExitStatus fail(ExitStatus status, const OutcomeText& words) {
        out.set(QStringLiteral("code"), words.code);
        return fail(status, words.text);
    }
    // A successful outcome: its words as the text result, its code in the JSON result.
    ExitStatus done(const OutcomeText& words) {
        out.set(QStringLiteral("code"), words.code);
        out.line(words.text);
        return ExitStatus::Ok;
    }
};

// Runs args.command.
ExitStatus RunCommand(CliRun& run);

// Device commands.
ExitStatus RunPorts(CliRun& run);
ExitStatus RunInfo(CliRun& run);
ExitStatus RunDownload(CliRun& run);
ExitStatus RunUpload(CliRun& run);
ExitStatus RunFirmware(CliRun& run);
// EDID commands (a device source or a file).
ExitStatus RunAnalyze(CliRun& run);
ExitStatus RunBytes(CliRun& run);
ExitStatus RunCompare(CliRun& run);
ExitStatus RunImportHex(CliRun& run);
ExitStatus RunDisplays(CliRun& run);
// The check before upload, Fix checksums, Fit to 256 bytes, the override exports.
ExitStatus RunCheck(CliRun& run);
ExitStatus RunFix(CliRun& run);
ExitStatus RunFit(CliRun& run);
ExitStatus RunExport(CliRun& run);
// A timing by its method, and an EDID file edited through the model (CliEditCommands.cpp).
ExitStatus RunTiming(CliRun& run);
ExitStatus RunEdit(CliRun& run);

// Finds the device (--port, or the search over the listed ports) and keeps it in `session`.
// Ok when it answers in the mode the command needs.
enum class DeviceMode { Api, Isp, Any };
ExitStatus ConnectDevice(CliRun& run, CliSession& session, DeviceMode mode);

// An EDID file for upload, analysis, bytes or compare, by the workbench's one loader: a readable
// regular file of 128 × N bytes, N = 1..8. `info` holds its first 256 bytes (a base block alone
// reads with 0xFF after it, as in the window), `bytes` when given all of them. Failure with words
// when it can't be read, InvalidEdid when its size is wrong; `info` then holds nothing new.
ExitStatus ReadEdidOperandFile(CliRun& run, const QString& path, EdidInfo& info,
                               QByteArray* bytes = nullptr);

// An EDID file of 128 × N bytes (N = 1..8) with all its bytes, by the workbench's one loader:
// Failure when it can't be read, InvalidEdid with the size in words.
ExitStatus ReadEdidBytesOperand(CliRun& run, const QString& path, QByteArray& bytes);

// The findings one a line and in the JSON result; InvalidEdid with CheckWords when one is an
// error, else Ok.
ExitStatus ReportEdidErrors(CliRun& run, const EdidFindings& findings, const QString& what);

// An operand of analyze, bytes or compare: a device source word, or a file.
struct EdidOperand {
    bool device = false;
    EdidSource source = EdidSource::Internal;
    QString path;
    QString label;  // "Internal EDID" or the path, for messages and JSON
};
EdidOperand ParseEdidOperand(const QString& operand);
EdidSource SourceForWord(const QString& word);

// Bytes that differ for --json (compare, a verify mismatch): each an object with offset, a, b
// and region, what the byte is ("detailed timing 1: pixel clock").
QJsonArray ByteDifferencesJson(const QList<EdidByteDifference>& bytes);

// Reads each operand (the device ones over one connection, found only when one is needed) into
// its EdidInfo, decoded, and into `bytes` when given: a file's every byte, a device's 256.
ExitStatus ReadEdidOperands(CliRun& run, const QList<EdidOperand>& operands, QList<EdidInfo>& infos,
                            QList<QByteArray>* bytes = nullptr);

}  // namespace varnok::cli
