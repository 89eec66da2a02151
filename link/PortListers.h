#pragma once
// Where the search gets its ports from.
//
//  - SystemPortLister: the product. On Windows the string data of every value under the registry
//    key HARDWARE\DEVICEMAP\SERIALCOMM (local machine, read-only), in the registry's own order;
//    elsewhere QSerialPortInfo::availablePorts() in the system's order. Ports open as
//    WinSerialPort on Windows, QtSerialPort elsewhere.
//  - FixedPortLister: a fixed list of (name, path) pairs opened as the system's port class; for
//    the demo and the end-to-end tests, which list pseudo-terminals and never the machine's real
//    ports.
//
// Either lister opens a path of the form tcp://HOST:PORT or rfc2217://HOST:PORT as a port on the
// network (CreatePortFor), so such a path may stand wherever a device path does.

#include <QHash>
#include <QList>
#include <QPair>

#include "link/SerialPort.h"

namespace varnok {

// The path that opens a Windows port name. COM1 to COM9 open by their plain names; from COM10 on,
// and for any name whose fourth and fifth characters are not a number (such as CNCA0), the name
// goes through the device namespace "\\.\", which opens every port.
QString WindowsPortPath(const QString& name);

// The port that opens path: TcpSerialPort for tcp://, Rfc2217SerialPort for rfc2217:// (well
// formed or not: a malformed name then fails at open() in words), else the system's serial
// port class.
std::unique_ptr<SerialPort> CreatePortFor(const QString& path);

class SystemPortLister : public PortLister {
public:
    QStringList ListSerialPorts() override;
    QString pathFor(const QString& name) const override;
    std::unique_ptr<SerialPort> createPort(const QString& path) override;

private:
    QHash<QString, QString> paths_;  // name -> system location, from the last listing
};

class FixedPortLister : public PortLister {
public:
    FixedPortLister() = default;
    explicit FixedPortLister(QList<QPair<QString, QString>> ports);

    void setPorts(QList<QPair<QString, QString>> ports);
    void addPort(const QString& name, const QString& path);

    QStringList ListSerialPorts() override;
    QString pathFor(const QString& name) const override;
    std::unique_ptr<SerialPort> createPort(const QString& path) override;

private:
    QList<QPair<QString, QString>> ports_;
};

}  // namespace varnok
