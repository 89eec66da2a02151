// Renders every page of the window in a realistic state, connected to the emulated device, into
// <build>/screenshots/*.png. `bash setup.sh screenshots` copies them to docs/screenshots for the
// README, so the pictures there are what the program really shows.
#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/EdidCompareTab.h"
#include "app/EdidDecodeTab.h"
#include "app/EdidWindow.h"
#include "app/LedShape.h"
#include "edid/DefaultEdid.h"
#include "edid/EdidHexText.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void pagesWhileConnected();
    void systemPageInIspMode();
    void edidWindowAtScales();

private:
    static void save(QWidget* w, const QString& name) {
        QTest::qWait(50);  // let the last changes paint
        QVERIFY(w->grab().save(screenshotDir() + "/" + name + ".png"));
    }
    // As a screen of twice the pixel density shows it: text and lines drawn at scale 2.
    static void saveAtScale2(QWidget* w, const QString& name) {
        QImage image(w->size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::transparent);
        w->render(&image);
        QVERIFY(image.save(screenshotDir() + "/" + name + "@2x.png"));
    }
};

namespace {

// The window shown and connected to device, listed as ttyUSB0.
std::unique_ptr<FormFixture> ConnectedForm(EmulatedDevice& device) {
    if (!device.start()) qFatal("the emulated device did not start");
    auto ports = std::make_unique<FixedPortLister>();
    ports->addPort(QStringLiteral("ttyUSB0"), device.slavePath());
    auto f = std::make_unique<FormFixture>(std::move(ports));
    f->form->show();
    if (!QTest::qWaitForWindowExposed(f->form.get())) qFatal("the window was not shown");
    // A search whose device answered after a fixed pause on a loaded machine finds nothing:
    // searched again until connected, as a user would.
    for (int i = 0; i < 5 && !f->find<QPushButton>("Button_DL_IntEdid")->isEnabled(); ++i)
        QTest::mouseClick(f->find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    return f;
}

}  // namespace

void ScreenshotTest::pagesWhileConnected() {
    EmulatedDevice device;
    const auto fixture = ConnectedForm(device);
    FormFixture& f = *fixture;
    QCOMPARE(f.find<LedShape>("Shape_LED_Link")->color(), LedShape::Green);
    QTRY_VERIFY_WITH_TIMEOUT(f.find<QRadioButton>("RadioButton_Set_IntEdid")->isChecked(), 3000);

    auto* pages = f.find<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    save(f.form.get(), "controller");

    pages->setCurrentIndex(1);
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Analysis_IntEdid"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.find<QLabel>("Label_Edid_Header")->text() == "Good", 5000);
    save(f.form.get(), "analyzer");

    pages->setCurrentIndex(2);
    QTest::mouseClick(f.find<QRadioButton>("RadioButton_Brand_New"), Qt::LeftButton);
    auto* sub = f.find<QTabWidget>("PageControl2");
    QVERIFY(sub && sub->count() == 7);
    for (int i = 0; i < sub->count(); ++i) {
        sub->setCurrentIndex(i);
        save(f.form.get(), QStringLiteral("creator-%1").arg(i + 1));
    }
    sub->setCurrentIndex(0);
    save(f.form.get(), "creator");

    pages->setCurrentIndex(3);
    save(f.form.get(), "system");

    // The debug log beside the window.
    pages->setCurrentIndex(0);
    f.form->Panel_DebugDblClick();
    f.form->logReplace("Check ttyUSB0\r\nGot One Device!\r\nManufac: QEV\r\n");
    save(f.form.get(), "debug-log");
    device.stop();
}

void ScreenshotTest::systemPageInIspMode() {
    EmulatorConfig c;
    c.mode = EmulatorConfig::Mode::Isp;
    EmulatedDevice device(c);
    QVERIFY(device.start());
    auto ports = std::make_unique<FixedPortLister>();
    ports->addPort(QStringLiteral("ttyUSB0"), device.slavePath());
    FormFixture f(std::move(ports));
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QTest::mouseClick(f.find<QPushButton>("BitBtn_Search"), Qt::LeftButton);
    QCOMPARE(f.find<LedShape>("Shape_LED_Link")->color(), LedShape::Red);
    f.find<QTabWidget>("PageControl1")->setCurrentIndex(3);
    save(f.form.get(), "system-isp");
    device.stop();
}

void ScreenshotTest::edidWindowAtScales() {
    // The device's Internal EDID in the EDID window, each tab at scale 1 and 2, compared with the
    // built-in default EDID.
    EmulatedDevice device;
    const auto fixture = ConnectedForm(device);
    FormFixture& f = *fixture;
    QCOMPARE(f.find<LedShape>("Shape_LED_Link")->color(), LedShape::Green);
    EdidWindow* w = f.form->openEdidWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QSignalSpy decoded(&w->decodeTab(), &EdidDecodeTab::decodeFinished);
    w->sources().readDevice(EdidSource::Internal);
    QVERIFY(w->sample().has_value());
    QVERIFY(decoded.count() > 0 || decoded.wait(10000));
    QVERIFY(w->compareTab().takeOther(SampleFromHexText(FormatEdidHex(DefaultEdidImage()))));
    auto* tabs = w->findChild<QTabWidget*>("EdidTabs");
    const QStringList names = {"summary", "bytes", "decode", "compare", "edit"};
    QCOMPARE(tabs->count(), names.size());
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        if (names[i] == "compare") {
            // Every column of the rows in view: none cut off behind the table's edge.
            auto* rows = w->findChild<QTableWidget*>("Table_CompareRows");
            const int last = rows->columnCount() - 1;
            QVERIFY(rows->columnViewportPosition(last) + rows->columnWidth(last) <=
                    rows->viewport()->width());
            QVERIFY(rows->columnWidth(2) > rows->fontMetrics().horizontalAdvance("Other EDID"));
        }
        save(w, "edid-window-" + names[i]);
        saveAtScale2(w, "edid-window-" + names[i]);
    }
    device.stop();
}

VARNOK_TEST_MAIN(ScreenshotTest)
#include "tst_screenshots.moc"
