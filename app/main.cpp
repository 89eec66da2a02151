// varnok: the product. Qt's dialogs and the system's serial ports.
#include "app/QtDialogs.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/NetworkPortStore.h"
#include "link/PortListers.h"

int main(int argc, char** argv) {
    varnok::VarnokApplication app(argc, argv);
    // The system's ports, then the network ports the user named (Device > Network Ports...).
    varnok::TForm1 form(
        std::make_unique<varnok::QtDialogs>(nullptr),
        std::make_unique<varnok::NetworkPortLister>(std::make_unique<varnok::SystemPortLister>(),
                                                    varnok::NetworkPortStore()));
    form.show();
    return app.exec();
}
