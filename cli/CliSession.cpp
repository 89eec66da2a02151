#include "cli/CliSession.h"

#include <QStringList>

namespace varnok::cli {
namespace {

// The reason a port was not taken, in words.
QString ProbeWords(const PortProbe& probe) {
    switch (probe.outcome) {
        case PortProbe::OpenFailed:
            return probe.reason.isEmpty() ? QStringLiteral("cannot be opened")
                                          : QStringLiteral("cannot be opened: ") + probe.reason;
        case PortProbe::SetFailed:
            return QStringLiteral("refused 57600 8N1");
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

}  // namespace

QList<QPair<QString, QString>> ListPorts() {
    QList<QPair<QString, QString>> ports;
    if (qEnvironmentVariableIsSet("VARNOK_PORTS")) {
        const QStringList entries =
            qEnvironmentVariable("VARNOK_PORTS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString& entry : entries) {
            const qsizetype eq = entry.indexOf(QLatin1Char('='));
            if (eq > 0)
                ports.append({entry.left(eq), entry.mid(eq + 1)});
            else
                ports.append({entry, entry});
        }
        return ports;
    }
    SystemPortLister system;
    for (const QString& name : system.ListSerialPorts()) ports.append({name, system.pathFor(name)});
    return ports;
}

QPair<QString, QString> ResolvePort(const QString& port) {
    if (port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\'))) return {port, port};
    for (const auto& listed : ListPorts())
        if (listed.first == port) return listed;
    // Not listed (yet): opened as the platform opens a plain name (/dev/NAME, or COMn).
    return {port, SystemPortLister().pathFor(port)};
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

CliSession::CliSession(CliViews& views)
    : views_(views), link_(std::make_unique<DeviceLink>(views)) {
    ports_ = std::make_unique<FixedPortLister>();
    search_ = std::make_unique<DeviceSearch>(*link_, *ports_, views_);
    search_->setAnswerEndsPause(true);
    QObject::connect(link_.get(), &DeviceLink::modelNameReceived,
                     [this](const QString& name) { modelName_ = name; });
    QObject::connect(link_.get(), &DeviceLink::firmwareVersionReceived, [this](const QString& t) {
        const QLatin1String prefix(kFirmwareVersionPrefix);
        firmwareVersion_ = t.startsWith(prefix) ? t.mid(prefix.size()) : t;
    });
    QObject::connect(link_.get(), &DeviceLink::edidModeReceived,
                     [this](uint8_t mode) { edidMode_ = mode; });
    interrupt_ = std::make_unique<CliInterrupt>([this] { link_->shutDown(); });
}

CliSession::~CliSession() {
    interrupt_.reset();
    disconnect();
    // The search refers to the link and the port list; it goes first.
    search_.reset();
    link_.reset();
}

CliSession::State CliSession::connect(const QList<QPair<QString, QString>>& ports) {
    ports_->setPorts(ports);
    search_->Search();
    const ConnectionState state = link_->connectionState();
    if (state != ConnectionState::Connected && state != ConnectionState::Isp)
        return State::NotFound;
    const PortProbe& found = search_->probes().constLast();
    portName_ = found.name;
    portPath_ = ports_->pathFor(found.name);
    return state == ConnectionState::Connected ? State::Connected : State::Isp;
}

ExitStatus CliSession::failureStatus(bool portAsked, QString* message) const {
    const QList<PortProbe>& probes = search_->probes();
    if (probes.isEmpty()) {
        *message = QStringLiteral("no device found: no serial port is listed");
        return ExitStatus::NoDevice;
    }
    if (portAsked) {
        const PortProbe& only = probes.constFirst();
        *message = only.name + QStringLiteral(": ") + ProbeWords(only);
        // A port that cannot be used at all, or a device that stopped answering, is a port or
        // device failure; a port that holds no device (or another maker's) is a search that
        // found none.
        const bool failure = only.outcome == PortProbe::OpenFailed ||
                             only.outcome == PortProbe::SetFailed ||
                             only.outcome == PortProbe::NoModelName;
        return failure ? ExitStatus::Failure : ExitStatus::NoDevice;
    }
    QStringList parts;
    for (const PortProbe& p : probes) parts << p.name + QStringLiteral(": ") + ProbeWords(p);
    *message =
        QStringLiteral("no device found (searched %1)").arg(parts.join(QStringLiteral("; ")));
    return ExitStatus::NoDevice;
}

bool CliSession::connected() const {
    const ConnectionState state = link_->connectionState();
    return state == ConnectionState::Connected || state == ConnectionState::Isp;
}

void CliSession::disconnect() {
    if (search_) search_->Disconnect();
}

}  // namespace varnok::cli
