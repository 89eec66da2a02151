#include "cli/CliViews.h"

#include "edid/Edid.h"

namespace varnok::cli {

void CliViews::showUploadProgress(int percent) {
    // One call per data byte written, each before its byte.
    ++uploadBytes_;
    console_.progress(QStringLiteral("Upload"), percent, uploadBytes_, kEdidSize);
}

void CliViews::showProgressBytes(qint64 sent, qint64 total) {
    const int percent = total > 0 ? int(sent * 100 / total) : 0;
    console_.progress(QStringLiteral("Firmware"), percent, sent, total);
}

void CliViews::updateRunning(bool running) {
    if (!running) console_.endProgress();
}

}  // namespace varnok::cli
