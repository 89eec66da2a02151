#pragma once
// Runs Debian edid-decode --check on an EDID's bytes as a separate process, fed on its standard
// input, bounded in time and in the output it may write. The EDID window's Full Decode tab runs
// it without waiting; varnok-cli waits for RunEdidDecode. Either way the words for a run that
// did not decode are the same.

#include <QByteArray>
#include <QObject>
#include <QString>

#include "edid/check/EdidFindings.h"

class QProcess;
class QTimer;

namespace varnok {

// edid-decode takes some milliseconds for an EDID; a run this long is stuck.
inline constexpr int kEdidDecodeTimeoutMs = 10000;
// The decode of the largest EDID is some hundred kilobytes; more is a runaway.
inline constexpr qint64 kEdidDecodeMaxOutput = 4 * 1024 * 1024;

struct EdidDecodeRun {
    enum class Outcome {
        Decoded,        // ended and wrote its decode to output
        Missing,        // edid-decode is not installed
        FailedToStart,  // found but could not be started
        TimedOut,       // stopped after the time-out
        TooMuchOutput,  // stopped after writing more than the bound
        Undecodable,    // crashed, or ended without a decode ("No EDID header found ...")
    };
    Outcome outcome = Outcome::Missing;
    QString output;       // standard output: the decode, or what came before the run ended
    QString errorOutput;  // standard error, trimmed, at most 64 KiB of it
    // Empty when Decoded, else in words: EdidDecodeMissingText(), "edid-decode could not be
    // started: ...", "edid-decode did not finish within 10 s and was stopped", "edid-decode
    // wrote more than 4 MiB and was stopped", "edid-decode could not decode these bytes: ...".
    QString failure;
};

class EdidDecodeProcess : public QObject {
    Q_OBJECT
public:
    explicit EdidDecodeProcess(QObject* parent = nullptr);
    ~EdidDecodeProcess() override;

    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    void setMaxOutputBytes(qint64 bytes) { maxOutput_ = bytes; }

    // Starts edid-decode --check on edid, stopping a run still going (it reports nothing). When
    // edid-decode is missing or cannot start, finished comes before start returns.
    void start(const QByteArray& edid);
    // Ends a run still going without a report.
    void stop();
    bool running() const { return process_ != nullptr; }

signals:
    void finished(const varnok::EdidDecodeRun& run);

private:
    void readOutput();
    void end(EdidDecodeRun::Outcome outcome, const QString& failure);
    void processEnded();

    QProcess* process_ = nullptr;
    QTimer* timer_;
    int timeoutMs_ = kEdidDecodeTimeoutMs;
    qint64 maxOutput_ = kEdidDecodeMaxOutput;
    QByteArray output_;
    QByteArray errorOutput_;
};

// Runs edid-decode --check on edid and waits for it in a local event loop (a QCoreApplication
// must exist); for varnok-cli and tests.
EdidDecodeRun RunEdidDecode(const QByteArray& edid, int timeoutMs = kEdidDecodeTimeoutMs);

// The whole check, as varnok-cli's check prints it: CheckEdid's errors, then edid-decode's notes
// when it decoded the bytes (it is not run for a size CheckEdid refuses). run, when given, tells
// how edid-decode's run went, so a caller can say why there are no notes.
EdidFindings CheckEdidWithNotes(const QByteArray& edid, EdidDecodeRun* run = nullptr,
                                int timeoutMs = kEdidDecodeTimeoutMs);

}  // namespace varnok
