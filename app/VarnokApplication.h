#pragma once
// The application object: an error that escapes an event handler is shown in a message box with
// its text and the program carries on.

#include <QApplication>
#include <functional>

namespace varnok {

class VarnokApplication : public QApplication {
public:
    VarnokApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Where errors go; the window installs its Dialogs here.
    static void setErrorSink(std::function<void(const QString&)> sink);
    static void reportError(const QString& text);
};

// Runs a handler body and reports any error it raises instead of letting it escape.
void RunGuarded(const std::function<void()>& body);

}  // namespace varnok
