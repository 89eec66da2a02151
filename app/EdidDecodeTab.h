#pragma once
// The EDID window's "Full Decode" tab: Debian edid-decode's output for the EDID with its
// conformance check (--check), the failures and warnings first. edid-decode runs as a separate
// process fed the bytes on its standard input (EdidDecodeProcess), asynchronously and bounded in
// time and output, so the window never waits for it. Without edid-decode the tab names the
// package that provides it.

#include <QString>
#include <QWidget>

#include "edid/EdidInfo.h"
#include "edid/check/EdidDecodeRun.h"

class QLabel;
class QPlainTextEdit;

namespace varnok {

class EdidDecodeTab : public QWidget {
    Q_OBJECT
public:
    explicit EdidDecodeTab(QWidget* parent = nullptr);
    ~EdidDecodeTab() override;

    // Starts edid-decode on the EDID's bytes (128 or 256), ending a run still going for others.
    void decode(const EdidImage& image);
    // The same for an EDID of 128 × N bytes, all of them.
    void decodeBytes(const QByteArray& edid);
    // edid-decode's failures and warnings of the last run that decoded, as the check's notes.
    const EdidFindings& notes() const { return notes_; }
    bool running() const { return process_->running(); }
    void setTimeoutMs(int ms);

    QString headline() const;
    QString text() const;

signals:
    // A run has ended: decoded, failed, timed out, or edid-decode is missing.
    void decodeFinished();

private:
    void finish(const QString& headline, bool red, const QString& text);
    void runEnded(const EdidDecodeRun& run);

    QLabel* headline_;
    QPlainTextEdit* text_;
    EdidDecodeProcess* process_;
    EdidFindings notes_;
};

}  // namespace varnok
