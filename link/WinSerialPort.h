#pragma once
// The product's serial port on Windows: the Win32 communications API on a handle opened
// exclusively with CreateFileW (a system name such as COM3, or \\.\COM12).
//
// Reception: nothing arrives behind the link's back. The receive tick asks the driver how many
// bytes its input queue holds (ClearCommError, which also clears a line error) and reads them
// with ReadFile, whose time-outs are set to return at once with what is there.
//
// Writes are synchronous and go out at once, so each byte of a paced data phase is a write of its
// own; a write that the line does not take within its time-out returns what it took.
//
// Fatal errors: once the driver fails a query, a read or a write (a pulled USB adapter, a hung-up
// line), the port is marked fatal and closed. The modem lines are left as the driver has them:
// the device needs none.

#ifdef _WIN32
#include "link/SerialPort.h"

namespace varnok {

class WinSerialPort : public SerialPort {
public:
    WinSerialPort() = default;
    ~WinSerialPort() override;
    WinSerialPort(const WinSerialPort&) = delete;
    WinSerialPort& operator=(const WinSerialPort&) = delete;

    bool open(const QString& path) override;
    bool setLineSettings() override;
    bool isOpen() const override;
    void close() override;
    qint64 write(const QByteArray& bytes) override;
    qint64 bytesWaiting() override;
    QByteArray read(qint64 max) override;
    void discardInput() override;
    bool hasFatalError() const override;
    QString errorString() const override;

private:
    bool setTimeouts();
    // Records the system's text for the last error; with fatal, closes the port for good.
    void fail(bool fatal);

    void* handle_ = nullptr;  // HANDLE; nullptr when closed
    bool fatal_ = false;
    QString errorText_;
};

}  // namespace varnok
#endif
