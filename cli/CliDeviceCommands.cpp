// ports, info, download, upload and firmware: the device operations of the window's EDID
// Controller and System pages, run once each from the command line.

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "cli/CliInterrupt.h"
#include "cli/CliSession.h"
#include "cli/CliViews.h"
#include "device/EdidDownload.h"
#include "device/EdidUpload.h"
#include "edid/ControlCharacters.h"
#include "edid/Edid.h"
#include "edid/EdidValidity.h"
#include "edid/check/EdidCheck.h"
#include "edidio/FileRead.h"
#include "firmware/FirmwareOperations.h"
#include "firmware/IspClock.h"
#include "words/EdidCheckWords.h"
#include "words/OutcomeWords.h"

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
        OutcomeText words;
        const ExitStatus status = session.failureStatus(!run.args.port.isEmpty(), &words);
        return run.fail(status, words);
    }
    run.out.set(QStringLiteral("port"), session.portName());
    if (state == CliSession::State::Isp && mode == DeviceMode::Api)
        return run.fail(ExitStatus::Failure, IspOnlyWords(session.portName()));
    if (state == CliSession::State::Connected && mode == DeviceMode::Isp)
        return run.fail(ExitStatus::Failure,
                        FirmwareUpdateWords({FirmwareOutcome::NotIspMode, {}, {}}, {}, {},
                                            FirmwareProof::None));
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
                            .arg(ShowControlCharacters(session.modelName()),
                                 ShowControlCharacters(session.firmwareVersion()));
            } else if (state == CliSession::State::Isp) {
                anyDevice = true;
                entry[QStringLiteral("state")] = QStringLiteral("isp");
                text += QStringLiteral("\tisp");
            } else {
                const QList<PortProbe>& probes = session.search().probes();
                const QString reason = probes.isEmpty() ? QStringLiteral("not probed")
                                                        : ProbeWords(probes.constFirst());
                entry[QStringLiteral("state")] = QStringLiteral("none");
                entry[QStringLiteral("reason")] = reason;
                text += QStringLiteral("\tnone\t") + reason;
            }
        }
        list.append(entry);
        run.out.line(text);
        // Ctrl+C during a probe: no further port is probed.
        if (CliInterrupt::caught()) break;
    }
    run.out.set(QStringLiteral("ports"), list);
    if (run.args.flag(u"probe") && ports.isEmpty())
        return run.fail(ExitStatus::NoDevice, SearchWords({}, {}));
    if (run.args.flag(u"probe") && !anyDevice)
        return run.fail(ExitStatus::NoDevice,
                        ports.size() == 1
                            ? QStringLiteral("probed 1 port, no device found")
                            : QStringLiteral("probed %1 ports, no device found").arg(ports.size()));
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
            run.out.line(QStringLiteral("Version\t") +
                         ShowControlCharacters(session.firmwareVersion()));
        }
        return ExitStatus::Ok;
    }
    run.out.set(QStringLiteral("model"), session.modelName());
    run.out.set(QStringLiteral("version"), session.firmwareVersion());
    run.out.line(QStringLiteral("Model\t") + ShowControlCharacters(session.modelName()));
    run.out.line(QStringLiteral("Version\t") + ShowControlCharacters(session.firmwareVersion()));
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
    const DownloadResult result = DownloadDeviceEdid(session.link(), run.views, source, path);
    run.out.set(QStringLiteral("source"), run.args.operands[0]);
    run.out.set(QStringLiteral("file"), path);
    const OutcomeText words = DownloadWords(source, result, path);
    if (!result.is(DownloadOutcome::Saved) || !result.data)
        return run.fail(ExitStatus::Failure, words);
    run.out.set(QStringLiteral("bytes"), kEdidSize);
    // The device may hold an invalid EDID; its bytes are saved as they are.
    run.out.set(QStringLiteral("valid"), DescribeEdidValidity(*result.data).valid);
    return run.done(words);
}

ExitStatus RunUpload(CliRun& run) {
    const QString path = run.args.operands[0];
    // The file is judged before any port is opened: a file that can't be uploaded sends nothing.
    EdidInfo file;
    QByteArray bytes;
    if (const ExitStatus s = ReadEdidOperandFile(run, path, file, &bytes); s != ExitStatus::Ok)
        return s;
    if (bytes.size() > kEdidSize)
        return run.fail(ExitStatus::InvalidEdid, TooLargeForDeviceWords(path, int(bytes.size())));
    if (run.args.flag(u"check"))
        if (const ExitStatus s = ReportEdidErrors(run, CheckEdid(bytes), path); s != ExitStatus::Ok)
            return s;
    if (!ValidateEdidImage(file))
        return run.fail(
            ExitStatus::InvalidEdid,
            UploadWords({UploadOutcome::Invalid, {}, {file.image, 0, std::nullopt}}, path));

    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Api); s != ExitStatus::Ok)
        return s;
    UploadOptions options;
    options.verify = run.args.flag(u"verify");
    run.views.startUpload();
    const UploadResult result = UploadEdidFile(session.link(), run.views, path, options);
    run.console.endProgress();
    run.out.set(QStringLiteral("file"), path);
    const bool readBack = result.is(UploadOutcome::Verified) || result.is(UploadOutcome::Differs);
    if (run.args.flag(u"verify") && (readBack || result.is(UploadOutcome::NoReadBack)))
        run.out.set(QStringLiteral("verified"), result.is(UploadOutcome::Verified));
    if (readBack) run.out.set(QStringLiteral("differingBytes"), result.data.differing);
    // Which bytes: a the file's, b the device's.
    if (result.is(UploadOutcome::Differs) && result.data.readBack)
        run.out.set(
            QStringLiteral("differing"),
            ByteDifferencesJson(CompareEdids(result.data.image, *result.data.readBack).bytes));
    const OutcomeText words = UploadWords(result, path);
    switch (result.outcome) {
        case UploadOutcome::Uploaded:
        case UploadOutcome::Verified:
            return run.done(words);
        case UploadOutcome::Invalid:
            return run.fail(ExitStatus::InvalidEdid, words);
        case UploadOutcome::Differs:
            return run.fail(ExitStatus::Mismatch, words);
        case UploadOutcome::OpenFailed:
        case UploadOutcome::LinkLost:
        case UploadOutcome::NoReadBack:
            break;
    }
    return run.fail(ExitStatus::Failure, words);
}

ExitStatus RunFirmware(CliRun& run) {
    const QString path = run.args.operands[0];
    // The firmware file must be there before the device is touched.
    QFile file;
    if (const Result<ReadOutcome> opened = OpenRegularFile(file, path);
        !opened.is(ReadOutcome::Read))
        return run.fail(ExitStatus::Failure, path + QStringLiteral(": ") + opened.reason);
    file.close();

    CliSession session(run.views);
    if (const ExitStatus s = ConnectDevice(run, session, DeviceMode::Isp); s != ExitStatus::Ok)
        return s;
    EventLoopClock clock;
    FirmwareOperations ops(session.link(), run.views, clock);
    run.out.set(QStringLiteral("file"), path);
    const FirmwareCheckResult check = ops.openFirmware(path, true);
    if (check.is(FirmwareCheck::OpenFailed))
        return run.fail(ExitStatus::Failure, FirmwareOpenWords(check, path));
    if (check.is(FirmwareCheck::Illegal))
        return run.fail(ExitStatus::InvalidEdid, FirmwareOpenWords(check, path));
    if (check.is(FirmwareCheck::Tagged)) run.out.set(QStringLiteral("version"), check.data);

    const FirmwareResult result = [&] {
        const DeferInterrupts programming;
        return ops.updateFirmware();
    }();
    run.console.endProgress();
    // The tagged kind's pages are all read back and compared (varnok-cli always verifies); the
    // other kind's loader acknowledges every block.
    const FirmwareProof proof =
        session.link().IspVariant == 1 ? FirmwareProof::Acknowledged : FirmwareProof::ReadBack;
    const OutcomeText words = FirmwareUpdateWords(result, path, check.data, proof);
    switch (result.outcome) {
        case FirmwareOutcome::Programmed:
            return run.done(words);
        case FirmwareOutcome::Illegal:
        case FirmwareOutcome::BadSize:
            return run.fail(ExitStatus::InvalidEdid, words);
        case FirmwareOutcome::PageFailed:
            return run.fail(ExitStatus::Mismatch, words);
        default:
            break;
    }
    return run.fail(ExitStatus::Failure, words);
}

}  // namespace varnok::cli
