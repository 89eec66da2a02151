#pragma once
// Creates the window as the product does, with scripted dialogs and a given port list.

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/SerialPort.h"
#include "tests/support/ScriptedDialogs.h"

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
        // Settings (the EDID window's recent files) go to a test location, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        auto d = std::make_unique<ScriptedDialogs>();
        dialogs = d.get();
        form = std::make_unique<TForm1>(std::move(d), std::move(ports));
    }
    template <typename T>
    T* find(const QString& name) const {
        return form->findChild<T*>(name);
    }
};

// The controls that follow the connection, by objectName (the window's contract with its tests):
// enabled only while a device is connected, ...
inline constexpr const char* kDeviceControls[] = {
    "Button_Upload_Edid",
    "Button_DL_IntEdid",
    "Button_DL_ExtEdid",
    "Button_DL_UserEdid",
    "Button_DL_StoredEdid",
    "RadioButton_Analysis_IntEdid",
    "RadioButton_Analysis_ExtEdid",
    "RadioButton_Analysis_UserEdid",
    "Button_Upload_Created",
};
// ... working without a device (enabled in every state once no operation runs), ...
inline constexpr const char* kOfflineControls[] = {
    "RadioButton_Analysis_Bin", "RadioButton_Brand_New", "RadioButton_Bin_Modifiy",
    "Button_Save_Created"};
// ... and the mode buttons, of which the device's answers enable one.
inline constexpr const char* kModeButtons[] = {"RadioButton_Set_IntEdid", "RadioButton_Set_ExtEdid",
                                               "RadioButton_Set_UserEdid"};

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
