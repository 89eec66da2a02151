#pragma once
// The product's serial port: QSerialPort opened by path (a system name such as COM3 or
// \\.\COM12, or a device path such as /dev/ttyUSB0 or a pseudo-terminal).
//
// Reception: Qt takes in what the system holds whenever the event loop runs (its read notifier),
// which every pause of the link does. bytesWaiting() adds a zero-timeout poll of the system's
// queue (waitForReadyRead(0)) so that the count also includes bytes that arrived after the last
// pass of the event loop, as a query of the driver's input queue would; it never blocks.
//
// Writes go out at once (flush) so that each byte of a paced data phase is a write of its own.
//
// Fatal errors: a pulled cable or a hung-up line (ResourceError, or read/write errors that come
// with a hang-up) mark the port fatal and close it on the next pass of the event loop, since Qt
// would otherwise report the dead line again on every pass. The modem lines are never touched:
// the device needs none, and on a pseudo-terminal Qt cannot set them (UnsupportedOperationError
// is not a link failure).

#include <QSerialPort>

#include "link/SerialPort.h"

namespace varnok {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;

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

    // Decides whether an error reported by Qt means the line is gone.
    static bool isFatal(QSerialPort::SerialPortError error, bool lineHungUp);

private:
    void onError(QSerialPort::SerialPortError error);
    bool lineHungUp() const;

    QSerialPort port_;
    bool fatal_ = false;
    QString errorText_;
};

}  // namespace varnok
