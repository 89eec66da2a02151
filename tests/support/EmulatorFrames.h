#pragma once
// The emulated device for a test: started on a pseudo-terminal, and the frames it saw written as
// the device's manual writes them ("80 0A 00 0D", "81 08 01 0D FF", "81 05 80 0D +128").
// Header-only; a test that includes it links varnok_emulator.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

#include "tools/emu/EmulatedDevice.h"

namespace varnok {

// The four header bytes, then the data bytes when there are at most four of them, else "+N".
inline QString FrameText(const FrameRecord& f) {
    QByteArray h;
    h.append(char((f.w ? 0x80 : 0) | (f.code >> 8)));
    h.append(char(f.code & 0xFF));
    h.append(char(f.count & 0xFF));
    h.append(char(0x0D));
    QString s = QString::fromLatin1(h.toHex(' ').toUpper());
    if (!f.data.isEmpty())
        s += f.data.size() <= 4
                 ? QLatin1Char(' ') + QString::fromLatin1(f.data.toHex(' ').toUpper())
                 : QStringLiteral(" +%1").arg(f.data.size());
    return s;
}

// The API frames the device saw since its last clearFrames, without the status polls (reads of
// code 257). Waits until at least `expected` are in (the last may still cross the pty), at most
// three seconds.
inline QStringList DeviceFrames(const EmulatedDevice& device, int expected) {
    QStringList out;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        out.clear();
        for (const FrameRecord& f : device.frames())
            if (!(f.kind == FrameRecord::Kind::Api && !f.w && f.code == 257)) out << FrameText(f);
        if (out.size() >= expected || clock.elapsed() > 3000) return out;
        QTest::qWait(10);
    }
}

// A device started on its pseudo-terminal, or none (with the reason in a warning).
inline std::unique_ptr<EmulatedDevice> StartEmulator(const EmulatorConfig& config = {}) {
    auto device = std::make_unique<EmulatedDevice>(config);
    QString error;
    if (!device->start(&error)) {
        qWarning("emulator: %s", qPrintable(error));
        return nullptr;
    }
    return device;
}

}  // namespace varnok
