// Named network ports in the window: the dialog keeps them (refusing what cannot be kept) and
// tests them; Search probes them after the local ports, in the order listed, and names the port
// as the user named it; closing the window ends a connection's negotiation at once. ser2net
// serves an emulated device on a pseudo-terminal, as in a lab.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/NetworkPortsDialog.h"
#include "link/NetworkPortStore.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/support/Ser2net.h"
#include "tests/support/ScriptedTcpServer.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;
using namespace varnok::test;

class NetworkPortsTest : public QObject {
    Q_OBJECT
private slots:
    void dialogAndSearch();
    void closingEndsNegotiation();
};

namespace {

std::unique_ptr<FormFixture> FormWith(const NetworkPortStore& store) {
    auto local = std::make_unique<FixedPortLister>(
        QList<QPair<QString, QString>>{{"GONE1", "/nonexistent/ttyGONE1"}});
    return std::make_unique<FormFixture>(
        std::make_unique<NetworkPortLister>(std::move(local), store));
}

}  // namespace

void NetworkPortsTest::dialogAndSearch() {
    if (Ser2net::program().isEmpty()) QSKIP("ser2net is not installed");
    QTemporaryDir dir;
    EmulatedDevice device{EmulatorConfig{}};
    QString error;
    QVERIFY2(device.start(&error), qPrintable(error));
    Ser2net server;
    QVERIFY2(server.start({{device.slavePath(), true}}, dir.path(), &error), qPrintable(error));
    ScriptedTcpServer refusing;
    QVERIFY(refusing.listen());
    const QString refusedUrl = refusing.url("tcp");
    refusing.close();

    const NetworkPortStore store(dir.filePath("network-ports.ini"));
    auto f = FormWith(store);
    f->form->show();
    f->find<QAction>("Action_NetworkPorts")->trigger();
    auto* dialog = f->find<NetworkPortsDialog>("NetworkPortsDialog");
    QVERIFY(dialog && dialog->isVisible());
    auto* name = dialog->findChild<QLineEdit*>("Edit_PortName");
    auto* address = dialog->findChild<QLineEdit*>("Edit_PortAddress");
    auto* result = dialog->findChild<QLabel*>("Label_PortResult");
    const auto click = [dialog](const char* button) {
        dialog->findChild<QPushButton*>(button)->click();
    };

    // What cannot be kept is refused in words, and the store stays as it was.
    name->setText("Rack 7");
    address->setText("rfc2217://127.0.0.1");
    click("Button_PortAdd");
    QCOMPARE(result->text(), QStringLiteral("Not added: the address: no port number"));
    QVERIFY(store.load().isEmpty());

    address->setText(server.url(0));
    click("Button_PortTest");
    QVERIFY2(result->text().startsWith("Rack 7: the device VK-01, version "),
             qPrintable(result->text()));
    click("Button_PortAdd");
    name->setText("Bench");
    address->setText(refusedUrl);
    click("Button_PortTest");
    QVERIFY2(result->text().contains("connection refused"), qPrintable(result->text()));
    click("Button_PortAdd");
    name->setText("bench");
    click("Button_PortAdd");
    QCOMPARE(result->text(), QStringLiteral("Not added: the name 'bench' is already used"));
    // Bench is tried first, then Rack 7.
    click("Button_PortUp");
    const QList<NetworkPortEntry> listed = {{"Bench", refusedUrl}, {"Rack 7", server.url(0)}};
    QCOMPARE(store.load(), listed);
    dialog->close();

    // The search: the local port, then the network ports in their order; the device is named as
    // the user named its port.
    QTest::mouseClick(f->find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    QCOMPARE(f->find<QLabel>("Label_Status")->text(),
             QStringLiteral("Connected to VK-01 on Rack 7"));
    const QString log = f->form->debugLogText();
    const qsizetype gone = log.indexOf("Open GONE1 Failed."),
                    bench = log.indexOf("Open Bench Failed.");
    QVERIFY2(gone >= 0 && bench > gone && log.indexOf("Check Rack 7") > bench, qPrintable(log));
    QTest::mouseClick(f->find<QPushButton>("BitBtn_Disconnect"), Qt::LeftButton);
}

void NetworkPortsTest::closingEndsNegotiation() {
    // A server that takes the connection and says nothing: the connect or the Telnet negotiation
    // would wait up to 3 s. Closing the window ends the wait at once ("stopped while connecting"
    // or "stopped during the Telnet negotiation"), and the search tries no further port.
    ScriptedTcpServer silent;
    QVERIFY(silent.listen());
    QTemporaryDir dir;
    const NetworkPortStore store(dir.filePath("network-ports.ini"));
    QVERIFY(store.save({{"Mute", silent.url("rfc2217")}, {"Next", "tcp://127.0.0.1:1"}}));
    auto f = FormWith(store);
    f->form->show();
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(!silent.clients.isEmpty());
        f->form->close();
    });
    QTest::mouseClick(f->find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    const QString log = f->form->debugLogText();
    QVERIFY2(log.contains(silent.url("rfc2217").mid(10) + ": stopped "), qPrintable(log));
    QVERIFY2(!log.contains("Next"), qPrintable(log));
}

VARNOK_TEST_MAIN(NetworkPortsTest)
#include "tst_network_ports.moc"
