#pragma once
// The dispatcher thread. It does no work of its own: each time the receive tick reports a complete
// response it hands the dispatch step to the main thread and waits until the step has run there.
// The hand-over is a queued call, so the main thread runs it wherever it processes events: its
// idle loop, every pause of the link and every modal dialog.
//
// Between hand-overs the thread sleeps on a wait condition; it never spins. It is created
// suspended, resumed by every probe of a search and suspended by Disconnect. The destructor (or
// Stop) ends it without waiting on the main thread, so the window can be destroyed at any moment.

#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <functional>

namespace varnok {

class TThread_Uart_Api : public QThread {
    Q_OBJECT
public:
    // `step` runs on the thread this object was created on (the main thread).
    explicit TThread_Uart_Api(std::function<void()> step, QObject* parent = nullptr);
    ~TThread_Uart_Api() override;

    // Starts the thread, or lets a suspended one hand over again; a running one is unchanged.
    void Resume();
    // Hand-overs stop until the next Resume; a hand-over already on its way still completes.
    void Suspend();
    bool Suspended() const;
    // The receive tick saw a complete response: wake the thread for one hand-over. Several wakes
    // before the hand-over coalesce into one; ignored while suspended.
    void Wake();
    // Ends the thread for good and waits for it; never blocks on the main thread.
    void Stop();

    // Hand-overs completed so far (for tests and diagnostics).
    quint64 handOvers() const;

protected:
    // Execute: wait for a wake, hand the step over, wait until it ran, again.
    void run() override;

private:
    std::function<void()> step_;
    mutable QMutex mutex_;
    QWaitCondition cond_;
    bool suspended_ = true;
    bool pending_ = false;
    bool done_ = false;
    bool stop_ = false;
    quint64 handOvers_ = 0;
};

}  // namespace varnok
