#pragma once
// Search, connect and disconnect without widgets: BitBtn_SearchClick and BitBtn_DisconnectClick
// of the window call Search() and Disconnect(); what changes in the window is reported through
// SearchView (control states) and the DeviceAnswers signals (model name, version, EDID mode).
//
// The search tries the listed ports in order. Each port that opens and takes 57600 8N1 is probed
// with code 9 (manufacturer ID) and a pause of 360 ms. An answer with the lead byte 0xA1 and the
// ID "QEV" keeps the port: the model name (code 1), the firmware version (code 2) and the EDID
// mode (code 257) are asked and the window enters its connected state. A device whose model name
// does not come within its pause (it stopped answering, or garbled or delayed the answer) is not
// kept: the log says "No Model Name." and the search goes on, so the window is never connected
// with its link indicator still grey. A port that instead
// streams ten non-zero bytes within a further 500 ms holds a device in ISP mode: it is kept and
// the window enters its ISP state. Every other port is closed and the search goes on.
//
// Disconnect is also run when the link asks for it (DeviceLink::disconnectRequested: the
// watchdog, a pulled cable); the window need not connect that signal itself.
//
// A front end that goes on with a command at once (varnok-cli) may let each pause of the search
// end as soon as its answer is complete, and then awaits the answer to the mode query as well:
// the frames and their order stay the same, and a silent or foreign port still gets the whole
// pause. The window keeps its fixed pauses.

#include <QObject>

#include "device/DeviceAnswers.h"
#include "device/SearchView.h"
#include "link/DeviceLink.h"
#include "link/SerialPort.h"

namespace varnok {

// How the probe of one listed port ended, in the order the search tried them.
struct PortProbe {
    enum Outcome {
        OpenFailed,   // the port could not be opened, or failed under the probe (a network
                      // port's server closed the connection); `reason` holds the system's words
        SetFailed,    // 57600 8N1 was refused; `reason` says why when the port knows
        NoDevice,     // no answer with the lead byte 0xA1, and no ISP banner
        OtherDevice,  // an answer with another manufacturer ID (in `reason`)
        NoModelName,  // the device did not tell its model name
        Found,        // the device: the port is kept
        Isp,          // the device in ISP mode: the port is kept
    };
    QString name;
    Outcome outcome = NoDevice;
    QString reason;
};

class DeviceSearch : public QObject {
    Q_OBJECT
public:
    DeviceSearch(DeviceLink& link, PortLister& ports, SearchView& view, QObject* parent = nullptr);

    // BitBtn_SearchClick. Ignored while a search is in its pauses and while a port is held.
    void Search();
    // BitBtn_DisconnectClick. Nothing happens when no port is held or a probe owns the port.
    void Disconnect();

    bool searching() const { return searching_; }
    // The ports the last search tried, each with how its probe ended.
    const QList<PortProbe>& probes() const { return probes_; }
    // Pauses end once their answer is complete (see above); off for the window.
    void setAnswerEndsPause(bool on) { answerEndsPause_ = on; }
    // What the device's answers on this link say (model name, version, EDID mode).
    DeviceAnswers& answers() { return *answers_; }

signals:
    // The search is about to probe port `name`, the n-th (from 1) of the count listed.
    void probing(const QString& name, int n, int count);
    // The search has ended (port kept or not); the window is in its final state.
    void searchFinished();

private:
    bool probe(const QString& name);
    void rejectPort();
    bool connectSteps();  // false when the device did not tell its model name
    void ispSteps();
    void pause(uint32_t ms);
    // Logs the port's reason for a failure on a line of its own; the reason.
    QString logReason(const SerialPort& port);
    void note(const QString& name, PortProbe::Outcome outcome, const QString& reason = {});

    DeviceLink& link_;
    PortLister& ports_;
    SearchView& view_;
    DeviceAnswers* answers_;
    bool searching_ = false;
    bool busy_ = false;
    bool modelNameCame_ = false;
    bool answerEndsPause_ = false;
    QList<PortProbe> probes_;
};

}  // namespace varnok
