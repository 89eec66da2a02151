// ports, info, download, upload and firmware: the device operations of the window's EDID
// Controller and System pages, run once each from the command line.

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliSession.h"
#include "cli/CliViews.h"
#include "device/EdidDownload.h"
#include "device/EdidUpload.h"
#include "device/EdidVerify.h"
#include "edid/Edid.h"
#include "firmware/FirmwareOperations.h"
#include "firmware/IspClock.h"

namespace varnok::cli {
namespace {

QJsonObject PortJson(const QPair<QString, QString>& port) {
    return {{QStringLiteral("name"), port.first}, {QStringLiteral("path"), port.second}};
}

}  // namespace

ExitStatus ConnectDevice(CliRun& run, CliSession& session, DeviceMode mode) {
    const auto ports = run.args.port.isEmpty() ? ListPorts() : QList{ResolvePort(run.args.port)};
    const CliSession::State state = session.connect(ports);
    if (state == CliSession::State::NotFound) {
        QString words;
        const ExitStatus status = session.failureStatus(!run.args.port.isEmpty(), &words);
        return run.fail(status, words);
    }
    run.out.set(QStringLiteral("port"), session.portName());
    if (state == CliSession::State::Isp && mode == DeviceMode::Api)
        return run.fail(
            ExitStatus::Failure,
            session.portName() + QStringLiteral(": the device is in ISP mode; only firmware works "
                                                "there"));
    if (state == CliSession::State::Connected && mode == DeviceMode::Isp)
        return run.fail(
            ExitStatus::Failure,
            session.portName() + QStringLiteral(": the device is not in ISP mode (Not ISP Mode.)"));
    return ExitStatus::Ok;
}

ExitStatus RunPorts(CliRun& run) {
    const auto ports = run.args.port.isEmpty() ? ListPorts() : QList{ResolvePort(run.args.port)};
    QJsonArray list;
    bool anyDevice = false;
    for (const auto& port : ports) {
        QJsonObject entry = PortJson(port);
        QString text = port.first + QLatin1Char('\t') + port.second;
        if (run.args.flag(u"probe")) {
            // Each port gets a search of its own, so every one is probed, not only up to the
            // first device.
            CliSession session(run.views);
            const CliSession::State state = session.connect({port});
            if (state == CliSession::State::Connected) {
                anyDevice = true;
                entry[QStringLiteral("state")] = QStringLiteral("device");
                entry[QStringLiteral("model")] = session.modelName();
                entry[QStringLiteral("version")] = session.firmwareVersion();
                text += QStringLiteral("\tdevice\t%1\t%2")
                            .arg(session.modelName(), session.firmwareVersion());
            } else if (state == CliSession::State::Isp) {
                anyDevice = true;
                entry[QStringLiteral("state")] = QStringLiteral("isp");
                text += QStringLiteral("\tisp");
            } else {
                QString words;
                session.failureStatus(true, &words);
                entry[QStringLiteral("state")] = QStringLiteral("none");
                entry[QStringLiteral("reason")] = words.mid(port.first.size() + 2);
                text += QStringLiteral("\tnone\t") + words.mid(port.first.size() + 2);
            }
        }
        list.append(entry);
        run.out.line(text);
    }
    run.out.set(QStringLiteral("ports"), list);
    if (run.args.flag(u"probe") && !anyDevice)
        return run.fail(ExitStatus::NoDevice,
                        QStringLiteral("probed %1 ports, no device found").arg(ports.size()));
    return ExitStatus::Ok;
}

ExitStatus RunInfo(CliRun& run) {
    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Any); s != ExitStatus::Ok)
        return s;
    run.out.line(QStringLiteral("Port\t") + session.portName());
    if (session.link().connectionState() == ConnectionState::Isp) {
        const QString loader =
            session.link().IspVariant == 1 ? QStringLiteral("ISP029") : QStringLiteral("ISP");
        run.out.set(QStringLiteral("mode"), QStringLiteral("isp"));
        run.out.set(QStringLiteral("loader"), loader);
        run.out.line(QStringLiteral("Mode\tisp"));
        run.out.line(QStringLiteral("Loader\t") + loader);
        if (!session.firmwareVersion().isEmpty()) {
            run.out.set(QStringLiteral("version"), session.firmwareVersion());
            run.out.line(QStringLiteral("Version\t") + session.firmwareVersion());
        }
        return ExitStatus::Ok;
    }
    run.out.set(QStringLiteral("model"), session.modelName());
    run.out.set(QStringLiteral("version"), session.firmwareVersion());
    run.out.line(QStringLiteral("Model\t") + session.modelName());
    run.out.line(QStringLiteral("Version\t") + session.firmwareVersion());
    if (!session.edidMode())
        return run.fail(
            ExitStatus::Failure,
            session.portName() + QStringLiteral(": the device did not tell its EDID mode"));
    const QString mode = EdidModeWord(*session.edidMode());
    run.out.set(QStringLiteral("mode"), mode);
    run.out.line(QStringLiteral("Mode\t") + mode);
    return ExitStatus::Ok;
}

ExitStatus RunDownload(CliRun& run) {
    const EdidSource source = SourceForWord(run.args.operands[0]);
    const QString path = run.args.operands[1];
    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Api); s != ExitStatus::Ok)
        return s;
    session.dialogs().setSavePath(path);
    DeviceOpsContext ctx = session.context();
    const DownloadOutcome outcome = DownloadDeviceEdid(ctx, source);
    const QString name = EdidSourceName(source);
    run.out.set(QStringLiteral("source"), run.args.operands[0]);
    run.out.set(QStringLiteral("file"), path);
    switch (outcome) {
        case DownloadOutcome::Saved:
            break;
        case DownloadOutcome::OpenFailed:
        case DownloadOutcome::WriteFailed:
            // The operation's message box carries the system's reason on its second line.
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("%1 could not be written (%2); nothing was saved")
                                .arg(path, session.dialogs().lastError().section(u'\n', 1)));
        case DownloadOutcome::NotAcknowledged:
        case DownloadOutcome::ReadFailed:
        case DownloadOutcome::Cancelled:
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("download of the %1 failed: the device did not "
                                           "answer whole; %2 was left as it was")
                                .arg(name, path));
    }
    EdidInfo saved = session.stores().forSource(source);
    const bool valid = ValidateEdidImage(saved);
    run.out.set(QStringLiteral("bytes"), kEdidSize);
    run.out.set(QStringLiteral("valid"), valid);
    QString line = QStringLiteral("%1 saved to %2 (%3 bytes)").arg(name, path).arg(kEdidSize);
    // The device may hold an invalid EDID; its bytes are saved as they are.
    if (!valid) line += QStringLiteral("; ") + ValidationWords(saved);
    run.out.line(line);
    return ExitStatus::Ok;
}

ExitStatus RunUpload(CliRun& run) {
    const QString path = run.args.operands[0];
    // The file is judged before any port is opened: a file that can't be uploaded sends nothing.
    EdidInfo file;
    if (const ExitStatus s = LoadEdidFile(run, path, file); s != ExitStatus::Ok) return s;
    if (!ValidateEdidImage(file))
        return run.fail(ExitStatus::InvalidEdid,
                        path + QStringLiteral(": ") + ValidationWords(file));

    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Api); s != ExitStatus::Ok)
        return s;
    session.dialogs().choose(path);
    DeviceOpsContext ctx = session.context();
    run.views.startUpload();
    const UploadOutcome outcome = UploadEdidFile(ctx);
    run.console.endProgress();
    run.out.set(QStringLiteral("file"), path);
    switch (outcome) {
        case UploadOutcome::Uploaded:
            break;
        case UploadOutcome::OpenFailed:
            return run.fail(ExitStatus::Failure, path + QStringLiteral(": cannot be read"));
        case UploadOutcome::Invalid:
            return run.fail(ExitStatus::InvalidEdid,
                            path + QStringLiteral(": ") + run.views.uploadLabel().text);
        case UploadOutcome::LinkLost:
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("the link to the device was lost during the upload "
                                           "(Upload Edid Failed.)"));
    }
    if (!run.args.flag(u"verify")) {
        run.out.line(QStringLiteral("User EDID uploaded"));
        return ExitStatus::Ok;
    }
    const UserEdidCheck check = ReadBackUserEdid(session.link(), run.views, ctx.stores.user.image);
    run.out.set(QStringLiteral("verified"), check.read && check.differing == 0);
    if (!check.read)
        return run.fail(ExitStatus::Failure,
                        QStringLiteral("User EDID uploaded, but the device did not answer its "
                                       "read-back"));
    run.out.set(QStringLiteral("differingBytes"), check.differing);
    if (check.differing > 0)
        return run.fail(ExitStatus::Mismatch,
                        QStringLiteral("User EDID read back differs from %1 in %2 of 256 bytes")
                            .arg(path)
                            .arg(check.differing));
    run.out.line(QStringLiteral("User EDID uploaded and verified"));
    return ExitStatus::Ok;
}

ExitStatus RunFirmware(CliRun& run) {
    const QString path = run.args.operands[0];
    // The firmware file must be there before the device is touched.
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return run.fail(ExitStatus::Failure, path + QStringLiteral(": ") + FileReadFailure(path));

    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Isp); s != ExitStatus::Ok)
        return s;
    EventLoopClock clock;
    FirmwareOperations ops(session.link(), session.dialogs(), run.views, clock);
    session.dialogs().choose(path);
    run.out.set(QStringLiteral("file"), path);
    const FirmwareCheck::Outcome check = ops.openFirmware();
    if (check == FirmwareCheck::OpenFailed)
        return run.fail(ExitStatus::Failure, path + QStringLiteral(": cannot be read"));
    if (check == FirmwareCheck::Illegal)
        return run.fail(ExitStatus::InvalidEdid,
                        path + QStringLiteral(": no firmware version tag (\"FW Ver:\" at "
                                              "0x1010); nothing was programmed"));
    // "Target Version : v1.234" for the tagged kind; the other kind's files carry no version.
    const QString version = run.views.versionText().section(QStringLiteral(" : "), 1);
    if (check == FirmwareCheck::Tagged) run.out.set(QStringLiteral("version"), version);

    const FirmwareOutcome outcome = [&] {
        const DeferInterrupts programming;
        return ops.updateFirmware();
    }();
    run.console.endProgress();
    switch (outcome) {
        case FirmwareOutcome::Programmed:
            run.out.line(check == FirmwareCheck::Tagged
                             ? QStringLiteral("Firmware %1 programmed and verified").arg(version)
                             : QStringLiteral("Firmware programmed and acknowledged"));
            return ExitStatus::Ok;
        case FirmwareOutcome::Illegal:
            return run.fail(ExitStatus::InvalidEdid,
                            path + QStringLiteral(": no firmware version tag"));
        case FirmwareOutcome::PageFailed:
            return run.fail(ExitStatus::Mismatch,
                            QStringLiteral("a page failed its read-back 16 times; the device is "
                                           "partly programmed"));
        case FirmwareOutcome::OpenFailed:
            return run.fail(ExitStatus::Failure, path + QStringLiteral(": cannot be read"));
        case FirmwareOutcome::BadSize:
            return run.fail(ExitStatus::InvalidEdid,
                            path + QStringLiteral(": empty or too large for the loader"));
        case FirmwareOutcome::NoLoader:
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("the device's loader did not confirm ISP mode or did "
                                           "not answer the sync"));
        case FirmwareOutcome::Refused:
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("the device's loader refused the image"));
        case FirmwareOutcome::PortLost:
            return run.fail(ExitStatus::Failure,
                            QStringLiteral("the link to the device was lost during the update"));
        case FirmwareOutcome::Busy:
        case FirmwareOutcome::NotIspMode:
        case FirmwareOutcome::UnknownDevice:
            break;
    }
    return run.fail(ExitStatus::Failure, run.views.firmwareLabel().text);
}

}  // namespace varnok::cli
