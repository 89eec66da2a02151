#include "device/DeviceSearch.h"

#include <algorithm>

#include "device/DeviceApi.h"

namespace varnok {

namespace {
constexpr uint32_t kProbePauseMs = 360;
constexpr uint32_t kIspBannerPauseMs = 500;
constexpr uint32_t kQueryPauseMs = 160;
constexpr int kIspBannerBytes = 10;
}  // namespace

DeviceSearch::DeviceSearch(DeviceLink& link, PortLister& ports, SearchView& view, QObject* parent)
    : QObject(parent),
      link_(link),
      ports_(ports),
      view_(view),
      answers_(new DeviceAnswers(link, this)) {
    connect(&link_, &DeviceLink::disconnectRequested, this, &DeviceSearch::Disconnect);
    connect(answers_, &DeviceAnswers::modelNameReceived, this, [this] { modelNameCame_ = true; });
}

void DeviceSearch::Search() {
    // A second press during the pauses would open ports over the one being probed; a held port
    // means BitBtn_Search is disabled. A press inside a device operation's pauses (after a
    // Disconnect there, Search is enabled) would connect under that operation.
    if (searching_ || link_.ComPort || !link_.searchEnabled() || link_.operationBound() ||
        link_.shuttingDown())
        return;
    searching_ = true;
    busy_ = false;
    link_.setConnectionState(ConnectionState::Searching);

    probes_.clear();
    const QStringList names = ports_.ListSerialPorts();
    for (int i = 0; i < names.size(); ++i) {
        // Once the window is closing no further port is probed.
        if (link_.shuttingDown()) break;
        emit probing(names[i], i + 1, int(names.size()));
        if (probe(names[i])) break;
    }

    if (busy_) view_.setBusy(false);
    busy_ = false;
    searching_ = false;
    if (link_.connectionState() == ConnectionState::Searching)
        link_.setConnectionState(ConnectionState::Disconnected);
    emit searchFinished();
}

bool DeviceSearch::probe(const QString& name) {
    LinkView& log = link_.view();
    const QString path = ports_.pathFor(name);
    std::unique_ptr<SerialPort> port = ports_.createPort(path);
    // Closing the window ends a network port's connect or negotiation wait at once.
    link_.setOpeningPort(port.get());
    const bool opened = port->open(path);
    const bool set = opened && port->setLineSettings();
    link_.setOpeningPort(nullptr);
    if (!opened) {
        log.logAppend(QStringLiteral("Open ") + name + QStringLiteral(" Failed.\r\n"));
        note(name, PortProbe::OpenFailed, logReason(*port));
        return false;
    }
    log.logAppend(QStringLiteral("Check ") + name + QStringLiteral("\r\n"));
    if (!set) {
        log.logAppend(QStringLiteral("Set COM Failed.\r\n"));
        // A serial server that keeps another baud rate says so here.
        const QString reason = logReason(*port);
        port->close();
        note(name, PortProbe::SetFailed, reason);
        return false;
    }

    view_.setBusy(true);
    busy_ = true;
    link_.takePort(std::move(port));
    // An answer that is short or garbled must not pass with the ID of an earlier probe.
    link_.ManufacturerId = {};
    link_.SendApiCommand(0, api_code::ManufacturerId, 3);
    link_.enableRxTimer();
    link_.startDispatcher();
    pause(kProbePauseMs);
    if (link_.shuttingDown()) {
        rejectPort();
        return true;
    }
    // A port that failed under the probe (a network port whose server closed the connection at
    // once, a cable pulled) holds nothing to wait for; the log has its "Port Error:" line.
    if (link_.ComPort && link_.ComPort->hasFatalError()) {
        const QString reason = link_.ComPort->errorString().trimmed();
        rejectPort();
        note(name, PortProbe::OpenFailed, reason);
        return false;
    }

    if (link_.RxBuffer[0] == kResponseLead) {
        log.logAddLine(QStringLiteral("Got One Device!"));
        const auto& id = link_.ManufacturerId;
        const auto idLen = std::find(id.begin(), id.end(), uint8_t(0)) - id.begin();
        const QString line = QStringLiteral("Manufac: ") +
                             QString::fromLatin1(reinterpret_cast<const char*>(id.data()), idLen);
        log.logAddLine(line);
        if (line.mid(9, 3) == QLatin1String(kDeviceManufacturer)) {
            const bool found = connectSteps();
            note(name, found ? PortProbe::Found : PortProbe::NoModelName);
            return found;
        }
        rejectPort();
        note(name, PortProbe::OtherDevice, line.mid(9));
        return false;
    }

    log.logAddLine(QStringLiteral("No Device Detected."));
    if (link_.portOpen()) link_.ComPort->discardInput();
    // RxLength stays: the receive tick goes on from where it is, and the dispatch step returns
    // it to 0 whenever enough bytes for a response have come in.
    std::fill(link_.RxBuffer.begin(), link_.RxBuffer.end(), uint8_t(0));
    link_.WaitMs(kIspBannerPauseMs);
    // Across a network the banner may still be on its way.
    link_.WaitOnNetwork([this] {
        return std::all_of(link_.RxBuffer.begin(), link_.RxBuffer.begin() + kIspBannerBytes,
                           [](uint8_t b) { return b != 0; });
    });
    if (link_.shuttingDown()) {
        rejectPort();
        return true;
    }
    const bool banner =
        std::all_of(link_.RxBuffer.begin(), link_.RxBuffer.begin() + kIspBannerBytes,
                    [](uint8_t b) { return b != 0; });
    if (banner) {
        ispSteps();
        note(name, PortProbe::Isp);
        return true;
    }
    rejectPort();
    note(name, PortProbe::NoDevice);
    return false;
}

QString DeviceSearch::logReason(const SerialPort& port) {
    // The system's reason on a line of its own, so that a port held by the group dialout
    // ("Permission denied") or a server that refused the connection tells the user what to do.
    const QString reason = port.errorString().trimmed();
    if (!reason.isEmpty())
        link_.view().logAppend(QStringLiteral("  ") + reason + QStringLiteral("\r\n"));
    return reason;
}

void DeviceSearch::pause(uint32_t ms) {
    if (answerEndsPause_)
        link_.WaitForAnswer(ms);
    else
        link_.WaitAnswerMs(ms);
}

void DeviceSearch::note(const QString& name, PortProbe::Outcome outcome, const QString& reason) {
    probes_.append({name, outcome, reason});
}

void DeviceSearch::rejectPort() {
    link_.disableRxTimer();
    link_.disablePoll();
    link_.closePort();
}

bool DeviceSearch::connectSteps() {
    view_.enterConnected();
    modelNameCame_ = false;
    link_.SendApiCommand(0, api_code::ModelName, 5);
    pause(kQueryPauseMs);
    // An answer collected but not yet dispatched counts, as the next command would take it too.
    if (link_.LinkFlags & ResponseReady) link_.DispatchResponse();
    if (link_.shuttingDown()) {
        rejectPort();
        return false;
    }
    if (!modelNameCame_) {
        // The model name is what lights the link indicator: without it the window would show the
        // device connected with the indicator grey.
        link_.view().logAddLine(QStringLiteral("No Model Name."));
        rejectPort();
        return false;
    }
    link_.setConnectionState(ConnectionState::Connected);
    view_.enableDeviceControls();
    link_.SendApiCommand(0, api_code::FirmwareVersion, 4);
    pause(kQueryPauseMs);
    // No pause: the answer sets the mode buttons, and the status poll keeps them current. A
    // caller that sends its next command at once must have it first, or its bytes would land in
    // that command's answer.
    link_.SendApiCommand(0, api_code::EdidMode, 1);
    if (answerEndsPause_) link_.WaitForAnswer(kQueryPauseMs);
    return true;
}

void DeviceSearch::ispSteps() {
    link_.LinkFlags |= IspMode;
    const bool variant029 = link_.rxText(0).contains(QLatin1String(kIsp029Banner));
    view_.enterIsp();
    link_.setConnectionState(ConnectionState::Isp);
    if (variant029) {
        link_.IspVariant = 1;
        // No pause: a valid answer is dispatched like any version answer.
        link_.SendApiCommand(0, api_code::FirmwareVersion, 4);
        if (answerEndsPause_) link_.WaitForAnswer(kQueryPauseMs);
    } else {
        link_.IspVariant = 0;
    }
}

void DeviceSearch::Disconnect() {
    if (!link_.ComPort) return;
    // While a probe holds the port the search closes it itself.
    if (link_.connectionState() == ConnectionState::Searching) return;
    link_.LinkFlags = 0;
    link_.closePort();
    link_.suspendDispatcher();
    link_.disablePoll();
    // The receive tick keeps running; without a port it reads nothing.
    link_.setConnectionState(ConnectionState::Disconnected);
    view_.enterDisconnected();
}

}  // namespace varnok
