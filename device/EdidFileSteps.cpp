#include "device/EdidFileSteps.h"

#include "link/LinkView.h"

namespace varnok {
namespace {

const QString kOpenFail = QStringLiteral("Edid Open Fail.\r\n");
const QString kOpenOk = QStringLiteral("Edid Open OK.\r\n");

}  // namespace

Result<ReadOutcome, EdidImage> OpenEdidFileLogged(const QString& path, LinkView& log) {
    Result<ReadOutcome, EdidImage> read = ReadEdidFile(path);
    log.logReplace(read.is(ReadOutcome::Read) ? kOpenOk : kOpenFail);
    return read;
}

SaveResult PrepareEdidSave(const QString& path, LinkView& log) {
    const SaveResult target = CheckEdidTarget(path);
    log.logReplace(target.is(SaveOutcome::Saved) ? kOpenOk : kOpenFail);
    return target;
}

SaveResult FinishEdidSave(const QString& path, const EdidImage& image, LinkView& log) {
    const SaveResult saved = SaveEdidFile(path, image);
    if (saved.is(SaveOutcome::Saved)) return saved;
    log.logAppend(QStringLiteral("Edid Write Fail.\r\n  ") + saved.reason + QStringLiteral("\r\n"));
    return {SaveOutcome::WriteFailed, saved.reason, {}};
}

}  // namespace varnok
