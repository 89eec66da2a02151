#include "bench/Scenario.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <random>

#include "device/DeviceApi.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

namespace varnok::bench {
namespace {

// Quiet time after each operation: a late answer (the mode query that ends a connection has no
// pause) is collected by the next 100 ms receive tick before the next operation starts. The
// status poll comes 1000 ms after an operation, so none falls into the gap or the next operation.
constexpr int kGapMs = 200;

// A valid EDID that differs from the device's images: the manufacture week changed and the
// base block's checksum made good again, so an upload visibly replaces the User store.
QByteArray uploadImage(QByteArray image) {
    image[16] = char(uint8_t(image[16]) ^ 0x01);
    uint8_t sum = 0;
    for (int i = 0; i < 127; ++i) sum = uint8_t(sum + uint8_t(image[i]));
    image[127] = char(uint8_t(0x100 - sum));
    return image;
}

// A firmware image of the tagged kind filling all three banks: pseudo-random bytes (so a page
// that lands at the wrong address shows) with "FW Ver: 1234" at 0x1010.
QByteArray firmwareImage() {
    QByteArray image(0x1F600, '\0');
    std::mt19937 rng(11);
    for (char& c : image) c = char(rng() & 0xFF);
    const QByteArray field("FW Ver: 1234");
    image.replace(0x1010, field.size(), field);
    return image;
}

// Whether the device's ROM holds the image where the update programs it: bank 0 from 0x0000 to
// 0x6FFF and 0x8000 to 0xFFFF, bank 1 from 0x8000 (file 0x10000 on), bank 2 from 0x8000 to
// 0xF5FF (file 0x18000 on).
bool romHolds(const QByteArray& rom, const QByteArray& image) {
    auto same = [&](int romAt, int fileAt, int size) {
        return rom.mid(romAt, size) == image.mid(fileAt, size);
    };
    return same(0x0000, 0x0000, 0x7000) && same(0x8000, 0x8000, 0x8000) &&
           same(0x18000, 0x10000, 0x8000) && same(0x28000, 0x18000, 0x7600);
}

}  // namespace

void waitInEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

Scenario::Scenario(Report& report, CpuMeter& meter, Options options)
    : report_(report), meter_(meter), options_(options) {
    auto ports = std::make_unique<FixedPortLister>();
    ports_ = ports.get();
    fx_ = std::make_unique<FormFixture>(std::move(ports));
    fx_->form->show();
    waitInEventLoop(100);
}

Scenario::~Scenario() {
    fx_.reset();
    if (device_) device_->stop();
}

template <typename W>
W* Scenario::find(const char* name) const {
    return fx_->find<W>(QString::fromLatin1(name));
}

bool Scenario::click(const char* name) {
    auto* b = find<QAbstractButton>(name);
    if (!b || !b->isEnabled()) return false;
    b->click();
    return true;
}

Span Scenario::timed(const std::function<void()>& action) {
    Stopwatch sw(meter_);
    sw.start();
    action();
    const Span s = sw.stop();
    waitInEventLoop(kGapMs);
    return s;
}

std::unique_ptr<EmulatedDevice> Scenario::startDevice(const EmulatorConfig& config,
                                                      QString* error) {
    const QList<pid_t> before = processThreads();
    auto device = std::make_unique<EmulatedDevice>(config);
    if (!device->start(error)) return nullptr;
    // The device serves the line on threads of its own; their CPU time is not the window's.
    meter_.excludeThreadsSince(before);
    return device;
}

void Scenario::runApiDevice() {
    EmulatorConfig config;
    config.wirePacing = true;
    QString error;
    device_ = startDevice(config, &error);
    if (!device_) {
        report_.addOperation(QStringLiteral("Search and connect"), kSearchConnect).note =
            QStringLiteral("emulated device did not start: ") + error;
        return;
    }
    ports_->setPorts({{QStringLiteral("Emulated"), device_->slavePath()}});
    searchAndConnect();
    if (fx_->form->link().connectionState() != ConnectionState::Connected) return;
    downloads();
    fileUpload();
    creatorUpload();
    analyzer();
    idleStretch();
    disconnect();
    device_->stop();
    device_.reset();
}

void Scenario::searchAndConnect() {
    OperationRow& row = report_.addOperation(QStringLiteral("Search and connect"), kSearchConnect);
    for (int i = 0; i < options_.repeat; ++i) {
        if (i > 0) disconnect();
        const Span s = timed([this] { click("BitBtn_Search"); });
        const QString model = find<QLabel>("Label_Model_Name")->text();
        if (fx_->form->link().connectionState() != ConnectionState::Connected ||
            model != QLatin1String(device_->config().modelName)) {
            row.failed = true;
            row.note = QStringLiteral("not connected (model label \"%1\")").arg(model);
            return;
        }
        row.runs << s;
    }
}

void Scenario::downloads() {
    struct Dl {
        const char* name;
        const char* button;
        EmuStore store;
        Floor floor;
    };
    const Dl list[] = {
        {"Download Internal", "Button_DL_IntEdid", EmuStore::Internal, kReadInternal},
        {"Download External", "Button_DL_ExtEdid", EmuStore::External, kReadExternal},
        {"Download User", "Button_DL_UserEdid", EmuStore::User, kReadUser},
        // The Stored button is hidden but enabled while connected; its click handler runs.
        {"Download Stored (hidden)", "Button_DL_StoredEdid", EmuStore::Stored, kReadStored},
    };
    for (const Dl& d : list) {
        OperationRow& row = report_.addOperation(QString::fromLatin1(d.name), d.floor);
        for (int i = 0; i < options_.repeat; ++i) {
            const QString path = dir_.filePath(QStringLiteral("dl-%1-%2.bin").arg(d.button).arg(i));
            fx_->dialogs->saveAnswers.push_back(path);
            bool clicked = false;
            const Span s = timed([&] { clicked = click(d.button); });
            const QByteArray got = ReadAll(path);
            const QByteArray want = device_->store(d.store);
            if (!clicked || got != want) {
                row.failed = true;
                int at = 0;
                while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
                row.note = clicked ? QStringLiteral(
                                         "run %1: file (%2 bytes) differs from the "
                                         "device's EDID at byte %3; log \"%4\"")
                                         .arg(i + 1)
                                         .arg(got.size())
                                         .arg(at)
                                         .arg(fx_->form->debugLogText().simplified().left(80))
                                   : QStringLiteral("button not enabled");
                if (qEnvironmentVariableIsSet("VARNOK_BENCH_FRAMES")) {
                    const auto frames = device_->frames();
                    for (size_t k = frames.size() > 12 ? frames.size() - 12 : 0; k < frames.size();
                         ++k)
                        std::fprintf(stderr, "frame %s\n",
                                     qPrintable(frames[k].toLogLine().left(60)));
                }
                fx_->dialogs->saveAnswers.clear();
                break;
            }
            row.runs << s;
        }
    }
}

void Scenario::fileUpload() {
    OperationRow& row = report_.addOperation(QStringLiteral("Upload file (User EDID)"), kUpload);
    const QByteArray image = uploadImage(device_->store(EmuStore::Internal));
    const QString path = dir_.filePath(QStringLiteral("upload.bin"));
    WriteAll(path, image);
    fx_->dialogs->openAnswers.push_back(path);
    click("Button_Open_Edid");  // chooses the file; not timed
    waitInEventLoop(kGapMs);
    for (int i = 0; i < options_.repeat; ++i) {
        device_->setStore(EmuStore::User, device_->store(EmuStore::Internal));
        device_->setEdidMode(0);
        bool clicked = false;
        const Span s = timed([&] { clicked = click("Button_Upload_Edid"); });
        if (!clicked || device_->store(EmuStore::User) != image || device_->edidMode() != 3) {
            row.failed = true;
            row.note = clicked ? QStringLiteral("the device's User EDID or mode not as uploaded")
                               : QStringLiteral("button not enabled");
            return;
        }
        row.runs << s;
    }
}

void Scenario::creatorUpload() {
    OperationRow& row = report_.addOperation(QStringLiteral("Upload creator (Brand New)"), kUpload);
    find<QTabWidget>("PageControl1")->setCurrentWidget(find<QWidget>("TabSheet4"));
    waitInEventLoop(50);
    auto* brandNew = find<QRadioButton>("RadioButton_Brand_New");
    for (int i = 0; i < options_.repeat; ++i) {
        // Loading Brand New is not timed: press the choice as a user does.
        QTest::mouseClick(brandNew, Qt::LeftButton);
        waitInEventLoop(kGapMs);
        device_->setStore(EmuStore::User, QByteArray(256, '\xFF'));
        const int before = device_->frameCount();
        bool clicked = false;
        const Span s = timed([&] { clicked = click("Button_Upload_Created"); });
        bool wrote = false;
        const auto frames = device_->frames();
        for (size_t k = size_t(before); k < frames.size(); ++k)
            wrote = wrote || (frames[k].w && frames[k].code == api_code::EdidBlock1);
        if (!clicked || !wrote) {
            // The creator's Upload sends nothing yet: the window has no handler for it.
            row.note = clicked ? QStringLiteral("n/a: creator Upload sends nothing yet")
                               : QStringLiteral("n/a: creator Upload not enabled");
            row.runs.clear();
            break;
        }
        if (device_->store(EmuStore::User).startsWith(QByteArray(8, '\xFF'))) {
            row.failed = true;
            row.note = QStringLiteral("the device's User EDID not written");
            break;
        }
        row.runs << s;
    }
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
}

void Scenario::analyzer() {
    struct Src {
        const char* name;
        const char* radio;
        Floor floor;
    };
    const Src list[] = {
        {"Analyzer Internal", "RadioButton_Analysis_IntEdid", kReadInternal},
        {"Analyzer External", "RadioButton_Analysis_ExtEdid", kReadExternal},
        {"Analyzer User", "RadioButton_Analysis_UserEdid", kReadUser},
    };
    find<QTabWidget>("PageControl1")->setCurrentWidget(find<QWidget>("TabSheet3"));
    waitInEventLoop(50);
    OperationRow* rows[3];
    for (int k = 0; k < 3; ++k)
        rows[k] = &report_.addOperation(QString::fromLatin1(list[k].name), list[k].floor);
    // Choosing a source reads it; the three take turns so that each choice is a change.
    for (int i = 0; i < options_.repeat; ++i) {
        for (int k = 0; k < 3; ++k) {
            OperationRow& row = *rows[k];
            if (row.failed) continue;
            fx_->form->logReplace(QString());
            bool clicked = false;
            const Span s = timed([&] { clicked = click(list[k].radio); });
            const QString header = find<QLabel>("Label_Edid_Header")->text();
            if (!clicked || header != QLatin1String("Good") ||
                fx_->form->debugLogText().contains(QLatin1String("Retry"))) {
                row.failed = true;
                row.note = QStringLiteral("report header \"%1\", log \"%2\"")
                               .arg(header, fx_->form->debugLogText().simplified().left(60));
                continue;
            }
            row.runs << s;
        }
    }
    find<QTabWidget>("PageControl1")->setCurrentIndex(0);
}

void Scenario::idleStretch() {
    waitInEventLoop(kGapMs);
    const int before = device_->frameCount();
    Stopwatch sw(meter_);
    sw.start();
    waitInEventLoop(options_.idleSeconds * 1000);
    idle_ = sw.stop();
    idleMeasured_ = true;
    int polls = 0;
    const auto frames = device_->frames();
    for (size_t k = size_t(before); k < frames.size(); ++k)
        polls += (!frames[k].w && frames[k].code == api_code::EdidMode) ? 1 : 0;
    // About one status poll a second, and still connected at the end.
    idleConnected_ = fx_->form->link().connectionState() == ConnectionState::Connected &&
                     polls >= options_.idleSeconds - 2;
}

void Scenario::disconnect() {
    click("BitBtn_Disconnect");
    waitInEventLoop(kGapMs);
}

void Scenario::runIspDevice() {
    OperationRow& search = report_.addOperation(QStringLiteral("Search (ISP mode)"), kSearchIsp);
    OperationRow& update =
        report_.addOperation(QStringLiteral("Firmware update + verify"), kFirmwareUpdate, 1.10);
    auto fail = [&](const QString& why) {
        update.failed = true;
        update.note = why;
    };

    EmulatorConfig config;
    config.mode = EmulatorConfig::Mode::Isp;
    config.wirePacing = true;
    QString error;
    device_ = startDevice(config, &error);
    if (!device_) return fail(QStringLiteral("ISP device did not start: ") + error);
    ports_->setPorts({{QStringLiteral("Emulated"), device_->slavePath()}});

    for (int i = 0; i < options_.repeat; ++i) {
        if (i > 0) disconnect();
        const Span s = timed([this] { click("BitBtn_Search"); });
        if (fx_->form->link().connectionState() != ConnectionState::Isp) {
            search.failed = true;
            search.note = QStringLiteral("ISP state not entered");
            return fail(QStringLiteral("no ISP state"));
        }
        search.runs << s;
    }

    if (!options_.firmware) {
        update.note = QStringLiteral("skipped (--no-firmware)");
    } else {
        find<QTabWidget>("PageControl1")->setCurrentWidget(find<QWidget>("TabSheet2"));
        const QByteArray image = firmwareImage();
        const QString path = dir_.filePath(QStringLiteral("firmware.bin"));
        WriteAll(path, image);
        fx_->dialogs->openAnswers.push_back(path);
        click("Button_Open_Fw");  // checks the image and enables Update; not timed
        waitInEventLoop(kGapMs);
        find<QCheckBox>("CheckBox_FW_Verify")->setChecked(true);
        bool clicked = false;
        const Span u = timed([&] { clicked = click("Button_Update_Fw"); });
        const QString progress = find<QLabel>("Label1")->text();
        const QString log = fx_->form->debugLogText();
        if (!clicked) {
            fail(QStringLiteral("Update not enabled after Open (Label_FW_Version \"%1\")")
                     .arg(find<QLabel>("Label_FW_Version")->text()));
        } else if (!romHolds(device_->rom(), image)) {
            fail(QStringLiteral("device ROM differs from the image; Label1 \"%1\"").arg(progress));
        } else {
            update.runs << u;
            if (log.contains(QLatin1String("Read Wait")) || log.contains(QLatin1String("Verify")))
                update.note = QStringLiteral("pages were retried");
        }
    }
    disconnect();
    device_->stop();
    device_.reset();
}

}  // namespace varnok::bench
