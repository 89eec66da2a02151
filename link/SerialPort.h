#pragma once
// The few serial-port operations the device link needs. The product opens a QSerialPort (the
// Win32 communications API on Windows), or a port on the network for a tcp:// or rfc2217://
// path; tests and the demo open the same classes on pseudo-terminals and loopback servers.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace varnok {

class NetworkPortStore;

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens the port by path for exclusive read and write; false and errorString() on failure.
    virtual bool open(const QString& path) = 0;
    // 57600 baud, 8 data bits, no parity, 1 stop bit.
    virtual bool setLineSettings() = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    virtual qint64 write(const QByteArray& bytes) = 0;
    // Bytes waiting in the receive queue (takes in what the OS holds); clears the error state.
    virtual qint64 bytesWaiting() = 0;
    virtual QByteArray read(qint64 max) = 0;
    virtual void discardInput() = 0;
    // True once the port reported a fatal error (device unplugged, hang-up).
    virtual bool hasFatalError() const = 0;
    virtual QString errorString() const = 0;
    // True for a port whose bytes cross a network (tcp://, rfc2217://): an answer may then come
    // later than the device's own pauses allow, and the link waits for it a while longer
    // (DeviceLink::kNetworkGraceMs).
    virtual bool crossesNetwork() const { return false; }
    // Ends a wait of open() or setLineSettings() under way (a network port's connect or Telnet
    // negotiation) at once, and any such wait after it: that call fails. A port whose calls
    // never wait has nothing to end.
    virtual void abortWait() {}
};

// The system's list of serial ports, in the system's order, and how each is opened.
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual QStringList ListSerialPorts() = 0;
    // Path to open for a listed name (on Windows "\\.\" + name from COM10 on).
    virtual QString pathFor(const QString& name) const = 0;
    // A port of the class that opens this path (a network port for tcp:// and rfc2217://).
    virtual std::unique_ptr<SerialPort> createPort(const QString& path) = 0;
    // The user's named network ports that this lister lists after the system's, or null when it
    // lists none (NetworkPortLister).
    virtual NetworkPortStore* networkPorts() { return nullptr; }
};

}  // namespace varnok
