#include "app/OutcomeWords.h"

#include "edid/Edid.h"
#include "edid/EdidValidity.h"

namespace varnok {
namespace {

OutcomeText Ok(const QString& text) {
    return {text, false};
}

OutcomeText Failed(const QString& text) {
    return {text, true};
}

QString Saved(const QString& what, const QString& path) {
    return QStringLiteral("%1 saved to %2 (%3 bytes)").arg(what, path).arg(kEdidSize);
}

OutcomeText UploadLinkLost() {
    return Failed(QStringLiteral("Upload failed: the connection to the device was lost"));
}

}  // namespace

QString RefusalWords(const EdidImage& image) {
    return DescribeEdidValidity(image).sentence;
}

OutcomeText DownloadWords(EdidSource source, DownloadOutcome outcome, const QString& path) {
    const QString what = EdidSourceName(source);
    switch (outcome) {
        case DownloadOutcome::Saved:
            return Ok(Saved(what, path));
        case DownloadOutcome::Cancelled:
            return Ok(QStringLiteral("Download of the %1 cancelled").arg(what));
        case DownloadOutcome::OpenFailed:
            return Failed(QStringLiteral("Download failed: %1 cannot be written").arg(path));
        case DownloadOutcome::NotAcknowledged:
            return Failed(QStringLiteral("Download failed: the device did not answer"));
        case DownloadOutcome::ReadFailed:
            return Failed(
                QStringLiteral("Download failed: the device did not send the whole %1").arg(what));
        case DownloadOutcome::WriteFailed:
            break;
    }
    return Failed(
        QStringLiteral("Download failed: %1 could not be written completely; a file that was "
                       "there is unchanged")
            .arg(path));
}

OutcomeText UploadFileWords(UploadOutcome outcome, const QString& path, const EdidImage& image) {
    switch (outcome) {
        case UploadOutcome::Uploaded:
            return Ok(QStringLiteral("User EDID uploaded from %1").arg(path));
        case UploadOutcome::OpenFailed:
            return Failed(QStringLiteral("Upload failed: %1 cannot be opened").arg(path));
        case UploadOutcome::Invalid:
            return Failed(QStringLiteral("Upload refused: %1: %2").arg(path, RefusalWords(image)));
        case UploadOutcome::LinkLost:
            break;
    }
    return UploadLinkLost();
}

OutcomeText VerifiedUploadWords(UploadOutcome outcome, const UserEdidCheck& back,
                                const EdidImage& image) {
    switch (outcome) {
        case UploadOutcome::Invalid:
            return Failed(QStringLiteral("Upload refused: %1").arg(RefusalWords(image)));
        case UploadOutcome::LinkLost:
        case UploadOutcome::OpenFailed:
            return UploadLinkLost();
        case UploadOutcome::Uploaded:
            break;
    }
    if (!back.read)
        return Failed(
            QStringLiteral("User EDID uploaded, but the device did not answer its read-back"));
    if (back.differing > 0)
        return Failed(
            QStringLiteral("User EDID uploaded, but the read-back differs in %1 of %2 bytes")
                .arg(back.differing)
                .arg(kEdidSize));
    return Ok(QStringLiteral("User EDID uploaded and verified"));
}

OutcomeText BusyWords() {
    return Failed(QStringLiteral("Another operation is running; try again once it has ended"));
}

OutcomeText OpenForUploadWords(bool chosen, const QString& path) {
    if (!chosen && path.isEmpty()) return Ok(QStringLiteral("No file chosen"));
    // The shared open dialog keeps the file chosen before, and Upload still sends that one.
    if (!chosen) return Ok(QStringLiteral("No file chosen; Upload sends %1").arg(path));
    return Ok(QStringLiteral("Chosen for upload: %1").arg(path));
}

OutcomeText AnalyzerReadWords(EdidSource source, const AnalyzerReadResult& result,
                              const EdidImage& image) {
    const QString what = EdidSourceName(source);
    if (result.lostLink)
        return Failed(QStringLiteral("Reading the %1 failed: the connection to the device was lost")
                          .arg(what));
    if (!result.received)
        return Failed(QStringLiteral("Reading the %1 failed: the device did not answer").arg(what));
    if (result.valid) return Ok(QStringLiteral("%1 read from the device and analyzed").arg(what));
    return Failed(QStringLiteral("%1 read, but invalid after %2 attempts: %3")
                      .arg(what)
                      .arg(result.attempts)
                      .arg(RefusalWords(image)));
}

OutcomeText AnalyzerFileWords(FileStep step, const QString& path, const EdidImage& image) {
    switch (step) {
        case FileStep::Cancelled:
            return Ok(QStringLiteral("Analysis cancelled"));
        case FileStep::OpenFailed:
            return Failed(QStringLiteral("Analysis failed: %1 cannot be opened").arg(path));
        case FileStep::Read:
            break;
    }
    const EdidValidity validity = DescribeEdidValidity(image);
    if (validity.valid) return Ok(QStringLiteral("Analyzed %1").arg(path));
    return Failed(QStringLiteral("Analyzed %1: %2").arg(path, validity.sentence));
}

OutcomeText CreatorDefaultWords() {
    return Ok(QStringLiteral("Creator loaded with the built-in default EDID"));
}

OutcomeText CreatorFileWords(FileStep step, const QString& path, const EdidImage& image) {
    switch (step) {
        case FileStep::Cancelled:
            return Ok(QStringLiteral("Loading into the creator cancelled"));
        case FileStep::OpenFailed:
            return Failed(
                QStringLiteral("Loading into the creator failed: %1 cannot be opened").arg(path));
        case FileStep::Read:
            break;
    }
    const EdidValidity validity = DescribeEdidValidity(image);
    if (validity.valid) return Ok(QStringLiteral("Creator loaded from %1").arg(path));
    return Failed(
        QStringLiteral("Creator reset, %1 holds no valid EDID: %2").arg(path, validity.sentence));
}

OutcomeText CreatorSaveWords(SaveStep step, const QString& path, const QString& detail) {
    switch (step) {
        case SaveStep::Cancelled:
            return Ok(QStringLiteral("Save of the created EDID cancelled"));
        case SaveStep::NotBuilt:
            return Failed(QStringLiteral("Nothing saved: %1").arg(detail));
        case SaveStep::OpenFailed:
            return Failed(
                QStringLiteral("Save failed: %1 cannot be written: %2").arg(path, detail));
        case SaveStep::WriteFailed:
            return Failed(QStringLiteral("Save failed: %1 could not be written completely (%2); "
                                         "a file that was there is unchanged")
                              .arg(path, detail));
        case SaveStep::Saved:
            break;
    }
    return Ok(Saved(QStringLiteral("Created EDID"), path));
}

OutcomeText CreatorUploadWords(CreatorUploadStep step, const EdidImage& image,
                               const QString& error) {
    switch (step) {
        case CreatorUploadStep::NotBuilt:
            return Failed(QStringLiteral("Nothing uploaded: %1").arg(error));
        case CreatorUploadStep::Invalid:
            return Failed(QStringLiteral("Upload refused: %1").arg(RefusalWords(image)));
        case CreatorUploadStep::LinkLost:
            return UploadLinkLost();
        case CreatorUploadStep::Uploaded:
            break;
    }
    return Ok(QStringLiteral("User EDID uploaded from the creator"));
}

OutcomeText SearchWords(const QList<PortProbe>& probes, const QString& model) {
    if (!probes.isEmpty()) {
        const PortProbe& last = probes.last();
        if (last.outcome == PortProbe::Found)
            return Ok(QStringLiteral("Connected to %1 on %2").arg(model, last.name));
        if (last.outcome == PortProbe::Isp)
            return Ok(QStringLiteral("Found the device in ISP mode on %1").arg(last.name));
    }
    if (probes.isEmpty())
        return Failed(QStringLiteral("Searched 0 ports: no serial port is listed"));
    QString text = QStringLiteral("Searched %1 %2: no device found")
                       .arg(probes.size())
                       .arg(probes.size() == 1 ? QStringLiteral("port") : QStringLiteral("ports"));
    // A port that would not open is often one the user may not use yet (Debian's dialout).
    QStringList closed;
    for (const PortProbe& p : probes)
        if (p.outcome == PortProbe::OpenFailed)
            closed << (p.reason.isEmpty() ? p.name + QStringLiteral(" cannot be opened")
                                          : p.name + QStringLiteral(": ") + p.reason);
    if (!closed.isEmpty()) text += QStringLiteral(" (%1)").arg(closed.join(QStringLiteral("; ")));
    return Failed(text);
}

OutcomeText DisconnectWords(bool lost) {
    if (lost) return Failed(QStringLiteral("Connection to the device lost"));
    return Ok(QStringLiteral("Disconnected"));
}

OutcomeText FirmwareOpenWords(FirmwareCheck::Outcome outcome, const QString& path,
                              const QString& version) {
    switch (outcome) {
        case FirmwareCheck::OpenFailed:
            if (path.isEmpty()) return Failed(QStringLiteral("No firmware file chosen"));
            return Failed(QStringLiteral("Firmware file %1 cannot be opened").arg(path));
        case FirmwareCheck::Untagged:
            return Ok(QStringLiteral("Firmware file %1 ready to program").arg(path));
        case FirmwareCheck::Illegal:
            return Failed(QStringLiteral("Firmware file %1 has no version tag (\"FW Ver:\" at "
                                         "0x1010); it cannot be programmed")
                              .arg(path));
        case FirmwareCheck::Tagged:
            break;
    }
    return Ok(QStringLiteral("Firmware file %1 checked: version %2").arg(path, version));
}

OutcomeText FirmwareUpdateWords(FirmwareOutcome outcome, const QString& path,
                                const QString& version, bool verified) {
    const QString partly = QStringLiteral("; the device is partly programmed");
    switch (outcome) {
        case FirmwareOutcome::Programmed:
            break;
        case FirmwareOutcome::Busy:
            return Failed(QStringLiteral("A firmware update is already running"));
        case FirmwareOutcome::NotIspMode:
            return Failed(QStringLiteral("Firmware update failed: the device is not in ISP mode"));
        case FirmwareOutcome::UnknownDevice:
            return Failed(
                QStringLiteral("Firmware update failed: the device's loader is of an "
                               "unknown kind"));
        case FirmwareOutcome::Illegal:
            return Failed(QStringLiteral("Firmware update refused: %1 no longer carries its "
                                         "version tag")
                              .arg(path));
        case FirmwareOutcome::OpenFailed:
            return Failed(QStringLiteral("Firmware update failed: %1 cannot be opened").arg(path));
        case FirmwareOutcome::BadSize:
            return Failed(QStringLiteral("Firmware update refused: %1 has a size the loader "
                                         "cannot take")
                              .arg(path));
        case FirmwareOutcome::NoLoader:
            return Failed(
                QStringLiteral("Firmware update failed: the device's loader did not "
                               "answer; nothing was programmed"));
        case FirmwareOutcome::PageFailed:
            return Failed(QStringLiteral("Firmware update stopped: a page failed its read-back "
                                         "16 times") +
                          partly);
        case FirmwareOutcome::Refused:
            return Failed(QStringLiteral("Firmware update stopped: the loader refused a block") +
                          partly);
        case FirmwareOutcome::PortLost:
            return Failed(QStringLiteral("Firmware update stopped: the connection was lost") +
                          partly);
    }
    const QString what =
        version.isEmpty() ? QStringLiteral("Firmware") : QStringLiteral("Firmware ") + version;
    return Ok(what + (verified ? QStringLiteral(" programmed and verified")
                               : QStringLiteral(" programmed")));
}

}  // namespace varnok
