#include "device/PortCheck.h"

#include "device/SearchView.h"
#include "link/DeviceLink.h"
#include "link/LinkView.h"
#include "link/PortListers.h"

namespace varnok {

// A check shows nothing while it runs: its result is its words.
class PortCheck::Views : public LinkView, public SearchView {
public:
    void logAppend(const QString&) override {}
    void logAddLine(const QString&) override {}
    void logReplace(const QString&) override {}
    void showUploadProgress(int) override {}
    void setBusy(bool) override {}
    void enterConnected() override {}
    void enableDeviceControls() override {}
    void enterIsp() override {}
    void enterDisconnected() override {}
};

PortCheck::PortCheck() : views_(std::make_unique<Views>()) {}

PortCheck::~PortCheck() = default;

PortCheckResult PortCheck::run(const QString& name, const QString& path) {
    PortCheckResult result{{name, PortProbe::OpenFailed, QStringLiteral("not probed")}, {}, {}};
    DeviceLink link(*views_);
    FixedPortLister ports({{name, path}});
    {
        DeviceSearch search(link, ports, *views_);
        search.setAnswerEndsPause(true);
        QObject::connect(&search.answers(), &DeviceAnswers::modelNameReceived,
                         [&result](const QString& model) { result.model = model; });
        QObject::connect(&search.answers(), &DeviceAnswers::firmwareVersionReceived,
                         [&result](const QString& version) { result.version = version; });
        running_ = &link;
        search.Search();
        running_ = nullptr;
        if (!search.probes().isEmpty()) result.probe = search.probes().constLast();
        search.Disconnect();
    }
    return result;
}

void PortCheck::stop() {
    if (running_) running_->shutDown();
}

}  // namespace varnok
