#include "link/PortListers.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "link/NetworkPortName.h"
#include "link/Rfc2217SerialPort.h"
#include "link/TcpSerialPort.h"

#ifdef _WIN32
#include "link/WinSerialPort.h"
#include "link/WindowsSerialComm.h"
#else
#include <QSerialPortInfo>

#include "link/QtSerialPort.h"
#endif

namespace varnok {

namespace {
// The port class of this system: the Win32 communications API on Windows, QSerialPort elsewhere.
#ifdef _WIN32
using ProductSerialPort = WinSerialPort;
#else
using ProductSerialPort = QtSerialPort;
#endif
}  // namespace

QString WindowsPortPath(const QString& name) {
    // The fourth and fifth characters (only the fourth for a four-character name) as a number.
    const QString digits = name.mid(3, 2);
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    const bool allDigits =
        !digits.isEmpty() &&
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (ok && allDigits && n < 10) return name;
    return QStringLiteral("\\\\.\\") + name;
}

#ifdef _WIN32

QStringList SystemPortLister::ListSerialPorts() {
    QStringList names;
    for (const std::wstring& name : ReadSerialCommPorts()) names << QString::fromStdWString(name);
    return names;
}

QString SystemPortLister::pathFor(const QString& name) const {
    return WindowsPortPath(name);
}

#else

QStringList SystemPortLister::ListSerialPorts() {
    QStringList names;
    paths_.clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        names << info.portName();
        paths_.insert(info.portName(), info.systemLocation());
    }
    return names;
}

QString SystemPortLister::pathFor(const QString& name) const {
    return paths_.value(name, QStringLiteral("/dev/") + name);
}

#endif

std::unique_ptr<SerialPort> CreatePortFor(const QString& path) {
    if (const auto kind = NetworkPortKindOf(path)) {
        if (*kind == NetworkPortKind::Rfc2217) return std::make_unique<Rfc2217SerialPort>();
        return std::make_unique<TcpSerialPort>();
    }
    return std::make_unique<ProductSerialPort>();
}

std::unique_ptr<SerialPort> SystemPortLister::createPort(const QString& path) {
    return CreatePortFor(path);
}

FixedPortLister::FixedPortLister(QList<QPair<QString, QString>> ports) : ports_(std::move(ports)) {}

void FixedPortLister::setPorts(QList<QPair<QString, QString>> ports) {
    ports_ = std::move(ports);
}

void FixedPortLister::addPort(const QString& name, const QString& path) {
    ports_.append({name, path});
}

QStringList FixedPortLister::ListSerialPorts() {
    QStringList names;
    for (const auto& p : ports_) names << p.first;
    return names;
}

QString FixedPortLister::pathFor(const QString& name) const {
    for (const auto& p : ports_)
        if (p.first == name) return p.second;
    return name;
}

std::unique_ptr<SerialPort> FixedPortLister::createPort(const QString& path) {
    return CreatePortFor(path);
}

}  // namespace varnok
