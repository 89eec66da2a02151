#include "app/VarnokApplication.h"

#include <QMessageBox>
#include <exception>

namespace varnok {
namespace {
std::function<void(const QString&)>& errorSink() {
    static std::function<void(const QString&)> sink;
    return sink;
}
}  // namespace

VarnokApplication::VarnokApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void VarnokApplication::setErrorSink(std::function<void(const QString&)> sink) {
    errorSink() = std::move(sink);
}

void VarnokApplication::reportError(const QString& text) {
    if (errorSink()) {
        errorSink()(text);
    } else {
        QMessageBox::critical(nullptr, QStringLiteral("Varnok"), text);
    }
}

bool VarnokApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        // An error of a kind the program does not know is reported with an empty message.
        reportError(QString());
    }
    return false;
}

void RunGuarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        VarnokApplication::reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        VarnokApplication::reportError(QString());
    }
}

}  // namespace varnok
