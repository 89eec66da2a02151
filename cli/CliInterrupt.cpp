#include "cli/CliInterrupt.h"

#include <QObject>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <QCoreApplication>
#include <QMetaObject>
#else
#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#endif

namespace varnok::cli {

namespace {
CliInterrupt* gInstance = nullptr;
int gCaught = 0;
int gDeferDepth = 0;
}  // namespace

#ifdef _WIN32

// The console runs its control handler on a thread of its own: the interrupt is handed to the
// main thread, where the operation runs.
class CliInterrupt::Source {
public:
    Source() { SetConsoleCtrlHandler(&Source::handler, TRUE); }
    ~Source() { SetConsoleCtrlHandler(&Source::handler, FALSE); }

private:
    static BOOL WINAPI handler(DWORD event) {
        const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [signal] {
                if (gInstance) gInstance->deliver(signal);
            },
            Qt::QueuedConnection);
        return TRUE;
    }
};

#else

// A signal handler may do next to nothing: it writes the signal's number into a pipe, and the
// event loop (every pause of an operation runs one) reads it on the main thread.
class CliInterrupt::Source {
public:
    Source() {
        if (::pipe(fds_) != 0) return;
        for (int fd : fds_) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fds_[1], F_SETFL, O_NONBLOCK);
        writeFd_ = fds_[1];
        notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
            unsigned char signal = 0;
            if (::read(fds_[0], &signal, 1) == 1 && gInstance) gInstance->deliver(signal);
        });
        struct sigaction action = {};
        action.sa_handler = &Source::handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~Source() {
        if (!notifier_) return;
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
        writeFd_ = -1;
        delete notifier_;
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

private:
    static void handler(int signal) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // A full pipe holds interrupts enough already.
        if (writeFd_ >= 0 && ::write(writeFd_, &byte, 1) < 0) return;
    }

    static inline volatile sig_atomic_t writeFd_ = -1;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};

#endif

CliInterrupt::CliInterrupt(std::function<void()> stop) : stop_(std::move(stop)) {
    gInstance = this;
    source_ = new Source;
}

CliInterrupt::~CliInterrupt() {
    delete source_;
    gInstance = nullptr;
}

int CliInterrupt::caught() {
    return gCaught;
}

void CliInterrupt::deliver(int signal) {
    if (gDeferDepth > 0) {
        std::fputs(
            "varnok-cli: the firmware update goes on to its end; stopping it now would "
            "leave the device half programmed\n",
            stderr);
        return;
    }
    if (gCaught != 0) return;
    gCaught = signal;
    stop_();
}

DeferInterrupts::DeferInterrupts() {
    ++gDeferDepth;
}

DeferInterrupts::~DeferInterrupts() {
    --gDeferDepth;
}

}  // namespace varnok::cli
