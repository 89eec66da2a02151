#pragma once
// What the device's answers say. The link dispatches every complete answer with the lead byte
// 0xA1 on the main thread and tells its code; this object reads the answer's data and tells the
// front ends: the model name (code 1), the firmware version (code 2, the bare version such as
// "1.23"; the window's label adds its own caption), and the EDID mode (code 257). The
// manufacturer ID (code 9) goes into the link state (ManufacturerId), where the search and the
// mode buttons look at it.
//
// It also gives the link its status poll: the EDID mode query, every second while connected.

#include <QObject>
#include <QString>
#include <cstdint>

#include "link/DeviceLink.h"

namespace varnok {

class DeviceAnswers : public QObject {
    Q_OBJECT
public:
    explicit DeviceAnswers(DeviceLink& link, QObject* parent = nullptr);

signals:
    void modelNameReceived(const QString& name);
    void firmwareVersionReceived(const QString& version);
    void edidModeReceived(uint8_t mode);

private:
    void dispatched(ApiCode code);

    DeviceLink& link_;
};

}  // namespace varnok
