#include "edid/check/EdidDecodeRun.h"

#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <utility>

#include "edid/check/EdidCheck.h"
#include "edid/check/EdidDecodeOutput.h"

namespace varnok {
namespace {

// How long a killed run may take to be gone.
constexpr int kKillWaitMs = 1000;
// edid-decode writes a line or two there; more is kept out of the words.
constexpr qsizetype kMaxErrorOutput = 64 * 1024;
constexpr qint64 kMiB = 1024 * 1024;
// The longest standard output taken as the reason a run decoded nothing.
constexpr qsizetype kMaxReason = 500;

QString Amount(qint64 bytes) {
    return bytes % kMiB == 0 ? QStringLiteral("%1 MiB").arg(bytes / kMiB)
                             : QStringLiteral("%1 bytes").arg(bytes);
}

}  // namespace

EdidDecodeProcess::EdidDecodeProcess(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        const int seconds = (timeoutMs_ + 999) / 1000;
        end(EdidDecodeRun::Outcome::TimedOut,
            QStringLiteral("edid-decode did not finish within %1 s and was stopped").arg(seconds));
    });
}

EdidDecodeProcess::~EdidDecodeProcess() {
    stop();
}

void EdidDecodeProcess::stop() {
    timer_->stop();
    output_.clear();
    errorOutput_.clear();
    if (!process_) return;
    QProcess* p = std::exchange(process_, nullptr);
    p->disconnect(this);
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(kKillWaitMs);
    }
    p->deleteLater();  // it may be the sender of the signal being handled
}

void EdidDecodeProcess::start(const QByteArray& edid) {
    stop();  // its output would be for other bytes
    const QString program = QStandardPaths::findExecutable(QLatin1String(kEdidDecodeProgram));
    if (program.isEmpty()) {
        end(EdidDecodeRun::Outcome::Missing, EdidDecodeMissingText());
        return;
    }
    process_ = new QProcess(this);
    process_->setProgram(program);
    process_->setArguments({QStringLiteral("--check")});
    connect(process_, &QProcess::readyReadStandardOutput, this, &EdidDecodeProcess::readOutput);
    connect(process_, &QProcess::readyReadStandardError, this, &EdidDecodeProcess::readOutput);
    connect(process_, &QProcess::finished, this, &EdidDecodeProcess::processEnded);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // the others end in finished
        end(EdidDecodeRun::Outcome::FailedToStart,
            QStringLiteral("edid-decode could not be started: %1").arg(process_->errorString()));
    });
    process_->start();
    if (!process_) return;  // it could not start, and said so already
    process_->write(edid);
    process_->closeWriteChannel();
    timer_->start(timeoutMs_);
}

void EdidDecodeProcess::readOutput() {
    if (!process_) return;
    output_ += process_->readAllStandardOutput();
    const QByteArray error = process_->readAllStandardError();  // read all, keep the bound
    errorOutput_ += error.left(std::max<qsizetype>(0, kMaxErrorOutput - errorOutput_.size()));
    if (output_.size() > maxOutput_) {
        output_.truncate(maxOutput_);
        end(EdidDecodeRun::Outcome::TooMuchOutput,
            QStringLiteral("edid-decode wrote more than %1 and was stopped")
                .arg(Amount(maxOutput_)));
    }
}

void EdidDecodeProcess::processEnded() {
    readOutput();
    if (!process_) return;  // it wrote too much and was stopped
    const QString output = QString::fromUtf8(output_);
    if (process_->exitStatus() != QProcess::NormalExit || !HasEdidDecode(output)) {
        // edid-decode says why on either channel; a crash may leave pages of half a decode.
        QString error = QString::fromUtf8(errorOutput_).trimmed();
        if (error.isEmpty() && output.size() <= kMaxReason) error = output.trimmed();
        end(EdidDecodeRun::Outcome::Undecodable,
            QStringLiteral("edid-decode could not decode these bytes%1")
                .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
        return;
    }
    end(EdidDecodeRun::Outcome::Decoded, {});
}

void EdidDecodeProcess::end(EdidDecodeRun::Outcome outcome, const QString& failure) {
    EdidDecodeRun run;
    run.outcome = outcome;
    run.output = QString::fromUtf8(output_);
    run.errorOutput = QString::fromUtf8(errorOutput_).trimmed();
    run.failure = failure;
    stop();
    emit finished(run);
}

EdidDecodeRun RunEdidDecode(const QByteArray& edid, int timeoutMs) {
    EdidDecodeProcess process;
    process.setTimeoutMs(timeoutMs);
    EdidDecodeRun result;
    bool done = false;
    QEventLoop loop;
    QObject::connect(&process, &EdidDecodeProcess::finished, &loop, [&](const EdidDecodeRun& run) {
        result = run;
        done = true;
        loop.quit();
    });
    process.start(edid);
    if (!done) loop.exec();
    return result;
}

EdidFindings CheckEdidWithNotes(const QByteArray& edid, EdidDecodeRun* run, int timeoutMs) {
    EdidFindings findings = CheckEdid(edid);
    if (!EdidSizeFault(edid.size()).isEmpty()) return findings;
    const EdidDecodeRun decoded = RunEdidDecode(edid, timeoutMs);
    if (decoded.outcome == EdidDecodeRun::Outcome::Decoded)
        findings << EdidDecodeNotes(decoded.output);
    if (run) *run = decoded;
    return findings;
}

}  // namespace varnok
