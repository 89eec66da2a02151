#include "words/OutcomeWords.h"

#include <QStringList>

#include "edid/EdidValidity.h"
#include "words/DifferenceWords.h"

namespace varnok {
namespace {

OutcomeText Ok(const QString& text, const char* code) {
    return {text, false, QString::fromLatin1(code)};
}

OutcomeText Failed(const QString& text, const char* code) {
    return {text, true, QString::fromLatin1(code)};
}

QString SavedTo(const QString& what, const QString& path, int bytes) {
    return QStringLiteral("%1 saved to %2 (%3 bytes)").arg(what, path).arg(bytes);
}

}  // namespace

QString RefusalWords(const EdidImage& image) {
    return DescribeEdidValidity(image).sentence;
}

OutcomeText LoadWords(LoadOutcome outcome, const QString& reason, const QString& what) {
    const QString text = what + QStringLiteral(": ") + reason;
    switch (outcome) {
        case LoadOutcome::ReadFailed:
            return Failed(text, "load.read-failed");
        case LoadOutcome::BadSize:
            return Failed(text, "load.bad-size");
        case LoadOutcome::TooLarge:
            return Failed(text, "load.too-large");
        case LoadOutcome::Loaded:
            break;
    }
    return Ok(text, "load.loaded");
}

OutcomeText HexTextWords(const EdidHexText& parsed) {
    if (!parsed.ok)
        return Failed(QStringLiteral("Hex text not taken: %1").arg(parsed.error), "hex.not-taken");
    return Ok(QStringLiteral("Took %1 bytes of pasted %2").arg(parsed.size).arg(parsed.form),
              "hex.taken");
}

OutcomeText FileOpenedWords(const QString& path) {
    return Ok(QStringLiteral("Opened %1").arg(path), "source.file");
}

OutcomeText DisplayTakenWords(const QString& origin, int bytes) {
    return Ok(QStringLiteral("Took the EDID of %1 (%2 bytes)").arg(origin).arg(bytes),
              "source.display");
}

QString NoDisplayEdidWords() {
    return QStringLiteral("No display of this computer reports an EDID");
}

OutcomeText CreatorImageWords(bool built) {
    if (!built)
        return Ok(
            QStringLiteral("The creator has built no EDID yet: its Save or Upload builds one"),
            "source.creator-none");
    return Ok(QStringLiteral("Took the creator's last built EDID"), "source.creator");
}

OutcomeText NoDeviceWords() {
    return Failed(QStringLiteral("No device is connected: press Search in the main window"),
                  "device.none");
}

OutcomeText HexCopiedWords(int bytes) {
    return Ok(QStringLiteral("Copied %1 bytes as hex text (edid-decode's form)").arg(bytes),
              "hex.copied");
}

OutcomeText DownloadWords(EdidSource source, const DownloadResult& result, const QString& path) {
    const QString what = EdidSourceName(source);
    const QString kept = QStringLiteral("; %1 was left as it was").arg(path);
    switch (result.outcome) {
        case DownloadOutcome::Saved:
            break;
        case DownloadOutcome::Cancelled:
            return Ok(QStringLiteral("Download of the %1 cancelled").arg(what),
                      "download.cancelled");
        case DownloadOutcome::OpenFailed:
            return Failed(QStringLiteral("Download failed: %1 cannot be written: %2")
                              .arg(path, result.reason),
                          "download.open-failed");
        case DownloadOutcome::NotAcknowledged:
            return Failed(
                QStringLiteral("Download of the %1 failed: the device did not answer").arg(what) +
                    kept,
                "download.not-acknowledged");
        case DownloadOutcome::ReadFailed:
            return Failed(QStringLiteral("Download of the %1 failed: the device did not send all "
                                         "of it")
                                  .arg(what) +
                              kept,
                          "download.read-failed");
        case DownloadOutcome::WriteFailed:
            return Failed(QStringLiteral("Download failed: %1 could not be written completely "
                                         "(%2); a file that was there is unchanged")
                              .arg(path, result.reason),
                          "download.write-failed");
    }
    QString text = SavedTo(what, path, kEdidSize);
    // The device may hold an invalid EDID; its bytes are saved as they are.
    if (result.data) {
        const EdidValidity validity = DescribeEdidValidity(*result.data);
        if (!validity.valid) text += QStringLiteral("; ") + validity.sentence;
    }
    return Ok(text, "download.saved");
}

OutcomeText UploadWords(const UploadResult& result, const QString& what) {
    switch (result.outcome) {
        case UploadOutcome::Uploaded:
            return Ok(QStringLiteral("User EDID uploaded from %1").arg(what), "upload.uploaded");
        case UploadOutcome::Verified:
            return Ok(QStringLiteral("User EDID uploaded and verified"), "upload.verified");
        case UploadOutcome::OpenFailed:
            return Failed(
                QStringLiteral("Upload failed: %1 cannot be opened: %2").arg(what, result.reason),
                "upload.open-failed");
        case UploadOutcome::Invalid:
            return Failed(
                QStringLiteral("Upload refused: %1: %2").arg(what, RefusalWords(result.data.image)),
                "upload.invalid");
        case UploadOutcome::LinkLost:
            return Failed(QStringLiteral("Upload failed: the connection to the device was lost; "
                                         "the device may hold part of the new EDID"),
                          "upload.link-lost");
        case UploadOutcome::NoReadBack:
            return Failed(
                QStringLiteral("User EDID uploaded, but the device did not answer its read-back"),
                "upload.no-read-back");
        case UploadOutcome::Differs:
            break;
    }
    QString text = QStringLiteral("User EDID uploaded, but the read-back differs in %1 of %2 bytes")
                       .arg(result.data.differing)
                       .arg(kEdidSize);
    // Where the device's copy parts from the file tells a stalled upload (the end of a block)
    // from a device that rewrites a field.
    if (result.data.readBack)
        text +=
            QStringLiteral(": ") +
            FirstDifferingBytesWords(CompareEdids(result.data.image, *result.data.readBack).bytes);
    return Failed(text, "upload.differs");
}

OutcomeText CreatorNotBuiltWords(const QString& error, bool upload) {
    return Failed(
        (upload ? QStringLiteral("Nothing uploaded: %1") : QStringLiteral("Nothing saved: %1"))
            .arg(error),
        "creator.not-built");
}

OutcomeText OpenForUploadWords(bool chosen, const QString& path) {
    if (!chosen && path.isEmpty()) return Ok(QStringLiteral("No file chosen"), "open.none");
    // The shared open dialog keeps the file chosen before, and Upload still sends that one.
    if (!chosen)
        return Ok(QStringLiteral("No file chosen; Upload sends %1").arg(path), "open.kept");
    return Ok(QStringLiteral("Chosen for upload: %1").arg(path), "open.chosen");
}

OutcomeText AnalyzerReadWords(EdidSource source, const AnalyzerResult& result) {
    const QString what = EdidSourceName(source);
    switch (result.outcome) {
        case AnalyzerOutcome::LinkLost:
            return Failed(
                QStringLiteral("Reading the %1 failed: the connection to the device was lost")
                    .arg(what),
                "read.link-lost");
        case AnalyzerOutcome::NoAnswer:
            return Failed(
                QStringLiteral("Reading the %1 failed: the device did not answer").arg(what),
                "read.no-answer");
        case AnalyzerOutcome::Garbled:
            return Failed(
                QStringLiteral("Reading the %1 failed: the device's answers did not come "
                               "exactly (bytes more or fewer than a block) in %2 attempts")
                    .arg(what)
                    .arg(result.data.attempts),
                "read.garbled");
        case AnalyzerOutcome::Valid:
            return Ok(QStringLiteral("%1 read from the device and analyzed").arg(what),
                      "read.valid");
        case AnalyzerOutcome::Invalid:
            break;
    }
    const EdidImage image = result.data.image.value_or(EdidImage{});
    return Failed(QStringLiteral("%1 read, but invalid after %2 attempts: %3")
                      .arg(what)
                      .arg(result.data.attempts)
                      .arg(RefusalWords(image)),
                  "read.invalid");
}

OutcomeText AnalyzerFileWords(FileStep step, const QString& path, const EdidImage& image) {
    switch (step) {
        case FileStep::Cancelled:
            return Ok(QStringLiteral("Analysis cancelled"), "analyze.cancelled");
        case FileStep::OpenFailed:
            return Failed(QStringLiteral("Analysis failed: %1 cannot be opened").arg(path),
                          "analyze.open-failed");
        case FileStep::Read:
            break;
    }
    const EdidValidity validity = DescribeEdidValidity(image);
    if (validity.valid) return Ok(QStringLiteral("Analyzed %1").arg(path), "analyze.valid");
    return Failed(QStringLiteral("Analyzed %1: %2").arg(path, validity.sentence),
                  "analyze.invalid");
}

OutcomeText CreatorDefaultWords() {
    return Ok(QStringLiteral("Creator loaded with the built-in default EDID"), "creator.default");
}

OutcomeText CreatorFileWords(FileStep step, const QString& path, const EdidImage& image) {
    switch (step) {
        case FileStep::Cancelled:
            return Ok(QStringLiteral("Loading into the creator cancelled"), "creator.cancelled");
        case FileStep::OpenFailed:
            return Failed(
                QStringLiteral("Loading into the creator failed: %1 cannot be opened").arg(path),
                "creator.open-failed");
        case FileStep::Read:
            break;
    }
    const EdidValidity validity = DescribeEdidValidity(image);
    if (validity.valid)
        return Ok(QStringLiteral("Creator loaded from %1").arg(path), "creator.loaded");
    return Failed(
        QStringLiteral("Creator reset, %1 holds no valid EDID: %2").arg(path, validity.sentence),
        "creator.invalid");
}

OutcomeText EdidSaveWords(const SaveResult& result, const QString& path, const QString& what,
                          int bytes) {
    switch (result.outcome) {
        case SaveOutcome::Saved:
            break;
        case SaveOutcome::OpenFailed:
            return Failed(
                QStringLiteral("Save failed: %1 cannot be written: %2").arg(path, result.reason),
                "save.open-failed");
        case SaveOutcome::WriteFailed:
            return Failed(QStringLiteral("Save failed: %1 could not be written completely (%2); "
                                         "a file that was there is unchanged")
                              .arg(path, result.reason),
                          "save.write-failed");
    }
    return Ok(SavedTo(what, path, bytes), "save.saved");
}

OutcomeText SaveCancelledWords(bool creator) {
    return Ok(creator ? QStringLiteral("Save of the created EDID cancelled")
                      : QStringLiteral("Save cancelled"),
              "save.cancelled");
}

QString ProbeWords(const PortProbe& probe) {
    switch (probe.outcome) {
        case PortProbe::OpenFailed:
            return probe.reason.isEmpty() ? QStringLiteral("cannot be opened")
                                          : QStringLiteral("cannot be opened: ") + probe.reason;
        case PortProbe::SetFailed:
            // A serial server says why (another baud rate, a refused option).
            return probe.reason.isEmpty() ? QStringLiteral("refused 57600 8N1")
                                          : QStringLiteral("refused 57600 8N1: ") + probe.reason;
        case PortProbe::NoDevice:
            return QStringLiteral("no device answered");
        case PortProbe::OtherDevice:
            return QStringLiteral("a device with the ID '%1' answered").arg(probe.reason);
        case PortProbe::NoModelName:
            return QStringLiteral("the device did not tell its model name");
        case PortProbe::Found:
            return QStringLiteral("the device");
        case PortProbe::Isp:
            break;
    }
    return QStringLiteral("the device in ISP mode");
}

QString PortWords(const PortProbe& probe) {
    return probe.name + QStringLiteral(": ") + ProbeWords(probe);
}

OutcomeText SearchWords(const QList<PortProbe>& probes, const QString& model) {
    if (probes.isEmpty())
        return Failed(QStringLiteral("No device found: no serial port is listed"),
                      "search.no-port");
    const PortProbe& last = probes.last();
    if (last.outcome == PortProbe::Found)
        return Ok(QStringLiteral("Connected to %1 on %2").arg(model, last.name),
                  "search.connected");
    if (last.outcome == PortProbe::Isp)
        return Ok(QStringLiteral("Found the device in ISP mode on %1").arg(last.name),
                  "search.isp");
    QStringList parts;
    for (const PortProbe& p : probes) parts << PortWords(p);
    return Failed(
        QStringLiteral("No device found (searched %1)").arg(parts.join(QStringLiteral("; "))),
        "search.none");
}

OutcomeText PortSearchWords(const PortProbe& probe) {
    return Failed(PortWords(probe), "search.port-refused");
}

OutcomeText DisconnectWords(bool lost) {
    if (lost) return Failed(QStringLiteral("Connection to the device lost"), "link.lost");
    return Ok(QStringLiteral("Disconnected"), "link.disconnected");
}

OutcomeText IspOnlyWords(const QString& port) {
    return Failed(port + QStringLiteral(": the device is in ISP mode; only a firmware update "
                                        "works there"),
                  "device.isp-mode");
}

OutcomeText FirmwareOpenWords(const FirmwareCheckResult& check, const QString& path) {
    switch (check.outcome) {
        case FirmwareCheck::OpenFailed:
            if (path.isEmpty())
                return Failed(QStringLiteral("No firmware file chosen"), "firmware.no-file");
            return Failed(QStringLiteral("Firmware file %1 cannot be opened").arg(path),
                          "firmware.open-failed");
        case FirmwareCheck::Untagged:
            return Ok(QStringLiteral("Firmware file %1 ready to program").arg(path),
                      "firmware.ready");
        case FirmwareCheck::Illegal:
            return Failed(QStringLiteral("Firmware file %1 has no version tag (\"FW Ver:\" at "
                                         "0x1010); it cannot be programmed")
                              .arg(path),
                          "firmware.untagged");
        case FirmwareCheck::Tagged:
            break;
    }
    return Ok(QStringLiteral("Firmware file %1 checked: version %2").arg(path, check.data),
              "firmware.checked");
}

OutcomeText FirmwareUpdateWords(const FirmwareResult& result, const QString& path,
                                const QString& version, FirmwareProof proof) {
    const QString partly = QStringLiteral("; the device is partly programmed");
    switch (result.outcome) {
        case FirmwareOutcome::Programmed:
            break;
        case FirmwareOutcome::Busy:
            return Failed(QStringLiteral("A firmware update is already running"), "update.busy");
        case FirmwareOutcome::NotIspMode:
            return Failed(QStringLiteral("Firmware update failed: the device is not in ISP mode"),
                          "update.not-isp-mode");
        case FirmwareOutcome::UnknownDevice:
            return Failed(QStringLiteral("Firmware update failed: the device's loader is of an "
                                         "unknown kind"),
                          "update.unknown-device");
        case FirmwareOutcome::Illegal:
            return Failed(QStringLiteral("Firmware update refused: %1 no longer carries its "
                                         "version tag")
                              .arg(path),
                          "update.untagged");
        case FirmwareOutcome::OpenFailed:
            return Failed(QStringLiteral("Firmware update failed: %1 cannot be opened").arg(path),
                          "update.open-failed");
        case FirmwareOutcome::BadSize:
            return Failed(QStringLiteral("Firmware update refused: %1 has a size the loader "
                                         "cannot take")
                              .arg(path),
                          "update.bad-size");
        case FirmwareOutcome::NoLoader:
            return Failed(QStringLiteral("Firmware update failed: the device's loader did not "
                                         "answer; nothing was programmed"),
                          "update.no-loader");
        case FirmwareOutcome::PageFailed:
            return Failed(QStringLiteral("Firmware update stopped: a page failed its read-back "
                                         "16 times") +
                              partly,
                          "update.page-failed");
        case FirmwareOutcome::Refused:
            return Failed(
                QStringLiteral("Firmware update stopped: the loader refused a block") + partly,
                "update.refused");
        case FirmwareOutcome::PortLost:
            return Failed(
                QStringLiteral("Firmware update stopped: the connection was lost") + partly,
                "update.link-lost");
    }
    const QString what =
        version.isEmpty() ? QStringLiteral("Firmware") : QStringLiteral("Firmware ") + version;
    switch (proof) {
        case FirmwareProof::ReadBack:
            return Ok(what + QStringLiteral(" programmed and verified"), "update.verified");
        case FirmwareProof::Acknowledged:
            return Ok(what + QStringLiteral(" programmed and acknowledged"), "update.acknowledged");
        case FirmwareProof::None:
            break;
    }
    return Ok(what + QStringLiteral(" programmed"), "update.programmed");
}

OutcomeText BusyWords() {
    return Failed(QStringLiteral("Another operation is running; try again once it has ended"),
                  "busy");
}

QString EdidModeWord(uint8_t mode) {
    switch (mode) {
        case 0:
            return QStringLiteral("internal");
        case 2:
            return QStringLiteral("external");
        case 3:
            return QStringLiteral("user");
        default:
            break;
    }
    return QStringLiteral("unknown (%1)").arg(mode);
}

}  // namespace varnok
