#include "cli/CliSession.h"

#include <QStringList>
#include <algorithm>

#include "link/NetworkPortStore.h"
#include "words/OutcomeWords.h"

namespace varnok::cli {

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
    } else {
        SystemPortLister system;
        for (const QString& name : system.ListSerialPorts())
            ports.append({name, system.pathFor(name)});
    }
    // Then the user's network ports, as the window's search probes them.
    for (const NetworkPortEntry& entry : NetworkPortStore().load()) {
        const bool taken = std::any_of(ports.begin(), ports.end(),
                                       [&](const auto& p) { return p.first == entry.name; });
        if (!taken) ports.append({entry.name, entry.address});
    }
    return ports;
}

QPair<QString, QString> ResolvePort(const QString& port) {
    if (port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\'))) return {port, port};
    for (const auto& listed : ListPorts())
        if (listed.first == port) return listed;
    // Not listed (yet): opened as the platform opens a plain name (/dev/NAME, or COMn).
    return {port, SystemPortLister().pathFor(port)};
}

CliSession::CliSession(CliViews& views)
    : views_(views), link_(std::make_unique<DeviceLink>(views)) {
    ports_ = std::make_unique<FixedPortLister>();
    search_ = std::make_unique<DeviceSearch>(*link_, *ports_, views_);
    search_->setAnswerEndsPause(true);
    const DeviceAnswers& answers = search_->answers();
    QObject::connect(&answers, &DeviceAnswers::modelNameReceived,
                     [this](const QString& name) { modelName_ = name; });
    QObject::connect(&answers, &DeviceAnswers::firmwareVersionReceived,
                     [this](const QString& version) { firmwareVersion_ = version; });
    QObject::connect(&answers, &DeviceAnswers::edidModeReceived,
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

ExitStatus CliSession::failureStatus(bool portAsked, OutcomeText* message) const {
    const QList<PortProbe>& probes = search_->probes();
    if (probes.isEmpty() || !portAsked) {
        *message = SearchWords(probes, {});
        return ExitStatus::NoDevice;
    }
    const PortProbe& only = probes.constFirst();
    *message = PortSearchWords(only);
    // A port that cannot be used at all, or a device that stopped answering, is a port or
    // device failure; a port that holds no device (or another maker's) is a search that found
    // none.
    const bool failure = only.outcome == PortProbe::OpenFailed ||
                         only.outcome == PortProbe::SetFailed ||
                         only.outcome == PortProbe::NoModelName;
    return failure ? ExitStatus::Failure : ExitStatus::NoDevice;
}

bool CliSession::connected() const {
    const ConnectionState state = link_->connectionState();
    return state == ConnectionState::Connected || state == ConnectionState::Isp;
}

void CliSession::disconnect() {
    if (search_) search_->Disconnect();
}

}  // namespace varnok::cli
