#include "PortListers.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <iterator>
#include <utility>

#include "QtSerialPort.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace varnok {

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
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;  // no key: no ports
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLen = DWORD(std::size(valueName));
        wchar_t data[256];
        DWORD dataBytes = DWORD(sizeof(data) - sizeof(wchar_t));
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, index, valueName, &nameLen, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        // Registry strings need not end in a zero; bound the text by the byte count.
        data[dataBytes / sizeof(wchar_t)] = L'\0';
        const QString portName = QString::fromWCharArray(data);
        if (!portName.isEmpty()) names << portName;
    }
    RegCloseKey(key);
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

std::unique_ptr<SerialPort> SystemPortLister::createPort() {
    return std::make_unique<QtSerialPort>();
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

std::unique_ptr<SerialPort> FixedPortLister::createPort() {
    return std::make_unique<QtSerialPort>();
}

}  // namespace varnok
