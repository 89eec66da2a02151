#include "link/TThread_Uart_Api.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <utility>

namespace varnok {

TThread_Uart_Api::TThread_Uart_Api(std::function<void()> step, QObject* parent)
    : QThread(parent), step_(std::move(step)) {
    // The system thread takes this name when it starts.
    setObjectName(QStringLiteral("Thread_Uart_Api"));
}

TThread_Uart_Api::~TThread_Uart_Api() {
    Stop();
}

void TThread_Uart_Api::Resume() {
    {
        QMutexLocker lock(&mutex_);
        if (stop_) return;
        suspended_ = false;
    }
    if (!isRunning()) start();
}

void TThread_Uart_Api::Suspend() {
    QMutexLocker lock(&mutex_);
    suspended_ = true;
    pending_ = false;
}

bool TThread_Uart_Api::Suspended() const {
    QMutexLocker lock(&mutex_);
    return suspended_;
}

void TThread_Uart_Api::Wake() {
    QMutexLocker lock(&mutex_);
    if (suspended_ || stop_) return;
    pending_ = true;
    cond_.wakeAll();
}

void TThread_Uart_Api::Stop() {
    {
        QMutexLocker lock(&mutex_);
        stop_ = true;
        cond_.wakeAll();
    }
    wait();
}

quint64 TThread_Uart_Api::handOvers() const {
    QMutexLocker lock(&mutex_);
    return handOvers_;
}

void TThread_Uart_Api::run() {
    QMutexLocker lock(&mutex_);
    for (;;) {
        while (!stop_ && !(pending_ && !suspended_)) cond_.wait(&mutex_);
        if (stop_) return;
        pending_ = false;
        done_ = false;
        lock.unlock();
        // The call is queued to this object's thread (the main thread). If this object is
        // destroyed first, Qt drops the queued call with it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                step_();
                QMutexLocker doneLock(&mutex_);
                done_ = true;
                ++handOvers_;
                cond_.wakeAll();
            },
            Qt::QueuedConnection);
        lock.relock();
        // Wait until the main thread ran the step, unless the program is ending.
        while (!stop_ && !done_) cond_.wait(&mutex_);
        if (stop_) return;
    }
}

}  // namespace varnok
