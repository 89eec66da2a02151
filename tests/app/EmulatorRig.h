#pragma once
// The window with emulated devices, one per listed port (EMU1, EMU2, ...), each serving a real
// pseudo-terminal, so the product's QSerialPort path runs end to end.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <vector>

#include "app/LedShape.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tools/emu/EmulatedDevice.h"

namespace varnok {

struct EmulatorRig {
    std::vector<std::unique_ptr<EmulatedDevice>> devices;
    std::unique_ptr<FormFixture> f;

    explicit EmulatorRig(const std::vector<EmulatorConfig>& configs) {
        auto ports = std::make_unique<FixedPortLister>();
        int n = 1;
        for (const auto& c : configs) {
            auto d = std::make_unique<EmulatedDevice>(c);
            QString err;
            if (!d->start(&err)) qFatal("emulator: %s", qPrintable(err));
            ports->addPort(QStringLiteral("EMU%1").arg(n++), d->slavePath());
            devices.push_back(std::move(d));
        }
        f = std::make_unique<FormFixture>(std::move(ports));
        f->form->show();
    }
    ~EmulatorRig() {
        f.reset();
        for (auto& d : devices) d->stop();
    }
    template <typename T>
    T* find(const char* name) const {
        return f->find<T>(QString::fromLatin1(name));
    }
    EmulatedDevice& dev() const { return *devices.front(); }
    void click(const char* name) const { find<QPushButton>(name)->click(); }
    void search() const { QTest::mouseClick(find<QPushButton>("BitBtn_Search"), Qt::LeftButton); }
    // Search, and true when the window ends connected.
    bool connect() const {
        search();
        return enabled("Button_DL_IntEdid");
    }
    bool enabled(const char* name) const { return find<QWidget>(name)->isEnabled(); }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    QColor led() const { return find<LedShape>("Shape_LED_Link")->color(); }
};

}  // namespace varnok
