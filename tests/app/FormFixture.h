#pragma once
// Creates the window as the product does, with scripted dialogs and a given port list.

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <memory>

#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/SerialPort.h"
#include "tests/common/ScriptedDialogs.h"

namespace varnok {

// A port list with no ports at all, for window tests that never search.
class NoPorts : public PortLister {
public:
    QStringList ListSerialPorts() override { return {}; }
    QString pathFor(const QString& name) const override { return name; }
    std::unique_ptr<SerialPort> createPort(const QString&) override { return nullptr; }
};

struct FormFixture {
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<TForm1> form;

    explicit FormFixture(std::unique_ptr<PortLister> ports = std::make_unique<NoPorts>()) {
        auto d = std::make_unique<ScriptedDialogs>();
        dialogs = d.get();
        form = std::make_unique<TForm1>(std::move(d), std::move(ports));
    }
    template <typename T>
    T* find(const QString& name) const {
        return form->findChild<T*>(name);
    }
};

// Where tests leave the screenshots they render; the README shows them.
inline QString screenshotDir() {
    QString dir = qEnvironmentVariable("VARNOK_BINARY_DIR", QDir::currentPath()) + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

}  // namespace varnok

// Test main with the program's own application object, so errors escaping handlers are caught
// the way the product catches them.
#define VARNOK_TEST_MAIN(TestObject)               \
    int main(int argc, char** argv) {              \
        varnok::VarnokApplication app(argc, argv); \
        TestObject tc;                             \
        return QTest::qExec(&tc, argc, argv);      \
    }
