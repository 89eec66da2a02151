// varnok: the product. Qt's dialogs and the system's serial ports.
#include "PortListers.h"
#include "QtDialogs.h"
#include "TForm1.h"
#include "VarnokApplication.h"

int main(int argc, char** argv) {
    varnok::VarnokApplication app(argc, argv);
    varnok::TForm1 form(std::make_unique<varnok::QtDialogs>(nullptr),
                        std::make_unique<varnok::SystemPortLister>());
    form.show();
    return app.exec();
}
