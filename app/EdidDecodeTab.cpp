#include "app/EdidDecodeTab.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include "app/EdidDecodeOutput.h"
#include "app/WidgetText.h"
#include "edid/Edid.h"

namespace varnok {
namespace {

// edid-decode takes some milliseconds for an EDID; a run this long is stuck.
constexpr int kDefaultTimeoutMs = 10000;
// How long the window waits for a killed run to be gone.
constexpr int kKillWaitMs = 1000;

}  // namespace

EdidDecodeTab::EdidDecodeTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Tab_Decode"));
    auto* layout = new QVBoxLayout(this);
    headline_ = new QLabel(QStringLiteral("No EDID yet."), this);
    headline_->setObjectName(QStringLiteral("Label_DecodeState"));
    headline_->setAccessibleDescription(QStringLiteral("edid-decode's verdict"));
    headline_->setWordWrap(true);
    headline_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = headline_->font();
    bold.setBold(true);
    headline_->setFont(bold);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("Text_Decode"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* caption = new QLabel(QStringLiteral("edid-decode --&check output, its failures and "
                                              "warnings first:"),
                               this);
    caption->setBuddy(text_);
    layout->addWidget(headline_);
    layout->addWidget(caption);
    layout->addWidget(text_, 1);

    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    timeout_->setInterval(kDefaultTimeoutMs);
    connect(timeout_, &QTimer::timeout, this, [this] {
        const int seconds = (timeout_->interval() + 999) / 1000;
        stop();
        finish(
            QStringLiteral("edid-decode did not finish within %1 s and was stopped").arg(seconds),
            true, {});
    });
}

EdidDecodeTab::~EdidDecodeTab() {
    stop();
}

void EdidDecodeTab::setTimeoutMs(int ms) {
    timeout_->setInterval(ms);
}

QString EdidDecodeTab::headline() const {
    return headline_->text();
}

QString EdidDecodeTab::text() const {
    return text_->toPlainText();
}

void EdidDecodeTab::stop() {
    timeout_->stop();
    if (!process_) return;
    QProcess* p = std::exchange(process_, nullptr);
    p->disconnect(this);
    if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(kKillWaitMs);
    }
    p->deleteLater();  // it may be the sender of the signal being handled
}

void EdidDecodeTab::finish(const QString& headline, bool red, const QString& text) {
    SetLabelText(headline_, headline, red);
    text_->setPlainText(text);
    emit decodeFinished();
}

void EdidDecodeTab::decode(const EdidImage& image) {
    stop();  // its output would be for other bytes
    const QString program = QStandardPaths::findExecutable(QLatin1String(kEdidDecodeProgram));
    if (program.isEmpty()) {
        finish(EdidDecodeMissingText(), false, {});
        return;
    }
    process_ = new QProcess(this);
    process_->setProgram(program);
    process_->setArguments({QStringLiteral("--check")});
    connect(process_, &QProcess::finished, this, &EdidDecodeTab::processEnded);
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // the others end in finished
        const QString why = process_->errorString();
        stop();
        finish(QStringLiteral("edid-decode could not be started: %1").arg(why), true, {});
    });
    SetLabelText(headline_, QStringLiteral("Running edid-decode --check..."), false);
    text_->clear();
    process_->start();
    if (!process_) return;  // it could not start, and said so already
    // A 128-byte EDID goes as 128 bytes: its 0xFF fill is no extension block.
    process_->write(reinterpret_cast<const char*>(image.data()), EdidByteCount(image));
    process_->closeWriteChannel();
    timeout_->start();
}

void EdidDecodeTab::processEnded() {
    timeout_->stop();
    QProcess* p = std::exchange(process_, nullptr);
    const QString out = QString::fromUtf8(p->readAllStandardOutput());
    const QString err = QString::fromUtf8(p->readAllStandardError()).trimmed();
    const bool crashed = p->exitStatus() != QProcess::NormalExit;
    p->deleteLater();
    if (crashed || out.trimmed().isEmpty()) {
        finish(QStringLiteral("edid-decode could not decode these bytes%1")
                   .arg(err.isEmpty() ? QString() : QStringLiteral(": ") + err),
               true, out);
        return;
    }
    const EdidDecodeReport report = SplitEdidDecodeOutput(out);
    QString shown =
        report.checks.isEmpty() ? QStringLiteral("(no conformance summary)") : report.checks;
    shown += QStringLiteral("\n\n") + report.decode;
    if (!err.isEmpty()) shown += QStringLiteral("\n\n") + err;
    finish(EdidDecodeHeadline(report), report.conformity != QLatin1String("PASS"), shown);
}

}  // namespace varnok
