#pragma once
// One port tried as the search tries it (the same probe and connect steps), on a link of its
// own that is let go again before run() returns: the test of a port the user is setting up,
// while the window may hold another port. The pauses end as soon as their answer is complete.

#include <QString>
#include <memory>

#include "device/DeviceSearch.h"

namespace varnok {

class DeviceLink;

struct PortCheckResult {
    PortProbe probe;  // its name is the name given to run()
    QString model;    // the model name and version the device told, when found
    QString version;
};

class PortCheck {
public:
    PortCheck();
    ~PortCheck();
    PortCheck(const PortCheck&) = delete;
    PortCheck& operator=(const PortCheck&) = delete;

    PortCheckResult run(const QString& name, const QString& path);
    // Ends a run under way at once, its connect or negotiation wait included (the window
    // closes); the run then reports what it had reached.
    void stop();

private:
    class Views;
    std::unique_ptr<Views> views_;
    DeviceLink* running_ = nullptr;
};

}  // namespace varnok
