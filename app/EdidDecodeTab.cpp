#include "app/EdidDecodeTab.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/WidgetText.h"
#include "edid/Edid.h"
#include "edid/check/EdidDecodeOutput.h"

namespace varnok {

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

    process_ = new EdidDecodeProcess(this);
    connect(process_, &EdidDecodeProcess::finished, this, &EdidDecodeTab::runEnded);
}

EdidDecodeTab::~EdidDecodeTab() {
    process_->stop();
}

void EdidDecodeTab::setTimeoutMs(int ms) {
    process_->setTimeoutMs(ms);
}

QString EdidDecodeTab::headline() const {
    return headline_->text();
}

QString EdidDecodeTab::text() const {
    return text_->toPlainText();
}

void EdidDecodeTab::finish(const QString& headline, bool red, const QString& text) {
    SetLabelText(headline_, headline, red);
    text_->setPlainText(text);
    emit decodeFinished();
}

void EdidDecodeTab::decode(const EdidImage& image) {
    // A 128-byte EDID goes as 128 bytes: its 0xFF fill is no extension block. A run still going
    // for other bytes ends without a word.
    decodeBytes(QByteArray(reinterpret_cast<const char*>(image.data()), EdidByteCount(image)));
}

void EdidDecodeTab::decodeBytes(const QByteArray& edid) {
    SetLabelText(headline_, QStringLiteral("Running edid-decode --check..."), false);
    text_->clear();
    notes_.clear();
    process_->start(edid);
}

void EdidDecodeTab::runEnded(const EdidDecodeRun& run) {
    using Outcome = EdidDecodeRun::Outcome;
    if (run.outcome != Outcome::Decoded) {
        // What came before an undecodable end may say why; the other ends show nothing.
        finish(run.failure, run.outcome != Outcome::Missing,
               run.outcome == Outcome::Undecodable ? run.output : QString());
        return;
    }
    notes_ = EdidDecodeNotes(run.output);
    const EdidDecodeReport report = SplitEdidDecodeOutput(run.output);
    QString shown =
        report.checks.isEmpty() ? QStringLiteral("(no conformance summary)") : report.checks;
    shown += QStringLiteral("\n\n") + report.decode;
    if (!run.errorOutput.isEmpty()) shown += QStringLiteral("\n\n") + run.errorOutput;
    finish(EdidDecodeHeadline(report), report.conformity != QLatin1String("PASS"), shown);
}

}  // namespace varnok
