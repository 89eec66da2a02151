// varnok: the product. Qt's dialogs and the system's serial ports.
#include "app/QtDialogs.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/PortListers.h"

int main(int argc, char** argv) {
    varnok::VarnokApplication app(argc, argv);
    varnok::TForm1 form(std::make_unique<varnok::QtDialogs>(nullptr),
                        std::make_unique<varnok::SystemPortLister>());
    form.show();
    return app.exec();
}
