// The device-fault matrix: every device operation of the window against the emulated device on a
// real pseudo-terminal, once for each way a device misbehaves. Each cell starts a fresh device and
// window, lets the device misbehave in the middle of the operation and then checks that
//  - the operation ended (a cell that does not end within its bound aborts the test),
//  - a failure was told in words (debug log, red label or message box) and a success is real
//    (the file, the device's store, the report or the ROM hold the right bytes),
//  - the window is wholly connected, wholly in ISP mode or wholly disconnected,
//  - no file of the user's was destroyed or left partial.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/LedShape.h"
#include "app/ReportLabels.h"
#include "edid/Edid.h"
#include "edid/EdidReport.h"
#include "link/DeviceLink.h"
#include "link/PortListers.h"
#include "tests/app/FormFixture.h"
#include "tests/faults/HangGuard.h"
#include "tests/support/Bytes.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

enum class Kind { Search, Download, Upload, Analyze, Create, Firmware };
enum class Fault { Silent, WrongLead, Partial, Slow, Flood, Stop, HangUp };
enum class Outcome { Fails, Succeeds, Either };

// One operation of the matrix and where its faults strike.
struct Operation {
    const char* name;
    Kind kind;
    EdidSource source;    // downloads and analyzer reads
    const char* control;  // the button or radio button that starts it
    int page;             // index of its page in PageControl1
    // Answer faults (silent, wrong lead, partial, slow, flood) change the answers to this code
    // (-1: every answer), after the first answerAfter of them.
    int answerCode;
    int answerAfter;
    int partialBytes;
    int slowTimes;  // answers delayed (-1: all)
    // Stop and hang-up take effect at this frame of the operation (frames counted from 0).
    int midFrame;
};

constexpr int kLateMs = 400;  // beyond every pause an operation takes for an answer
constexpr int kFloodBytes = 1500;
constexpr int kCellLimitS = 90;  // a cell that has not ended by then hangs

// Internal, User and Stored downloads: 0x000A, 0x0108, 0x0105, 0x0106, 0x000B; External: 0x000A,
// 0x0206, 0x0207, 0x000B. Answer faults hit the block-1 read, after block 0 was read whole.
const Operation kOperations[] = {
    {"search", Kind::Search, EdidSource::Internal, "BitBtn_Search", 0, -1, 0, 2, -1, 1},
    {"download Internal", Kind::Download, EdidSource::Internal, "Button_DL_IntEdid", 0, 262, 0, 60,
     -1, 2},
    {"download External", Kind::Download, EdidSource::External, "Button_DL_ExtEdid", 0, 519, 0, 60,
     -1, 2},
    {"download User", Kind::Download, EdidSource::User, "Button_DL_UserEdid", 0, 262, 0, 60, -1, 2},
    {"download Stored", Kind::Download, EdidSource::Stored, "Button_DL_StoredEdid", 0, 262, 0, 60,
     -1, 2},
    // An upload awaits no answer: its answer faults reach the status polls around it.
    {"file upload", Kind::Upload, EdidSource::User, "Button_Upload_Edid", 0, -1, 0, 2, -1, 1},
    {"analyzer Internal", Kind::Analyze, EdidSource::Internal, "RadioButton_Analysis_IntEdid", 1,
     262, 0, 60, -1, 2},
    {"analyzer External", Kind::Analyze, EdidSource::External, "RadioButton_Analysis_ExtEdid", 1,
     519, 0, 60, -1, 2},
    {"analyzer User", Kind::Analyze, EdidSource::User, "RadioButton_Analysis_UserEdid", 1, 262, 0,
     60, -1, 2},
    {"creator upload", Kind::Create, EdidSource::User, "Button_Upload_Created", 2, -1, 0, 2, -1, 1},
    // ISP: answer faults hit the read-back (0x85) from the fourth page on; stop and hang-up come
    // a few pages in. Two late read-backs only, or every page would wait for its answer.
    {"firmware update", Kind::Firmware, EdidSource::Internal, "Button_Update_Fw", 3, 0x85, 3, 300,
     2, 20},
};

const char* const kFaultNames[] = {"silent", "wrong lead byte", "partial answer", "slow answer",
                                   "flood",  "stops answering", "hangs up"};

FaultRule RuleFor(const Operation& op, Fault fault) {
    switch (fault) {
        case Fault::Silent:
            return {FaultKind::Silent, op.answerCode, 0, op.answerAfter, -1};
        case Fault::WrongLead:
            return {FaultKind::WrongLead, op.answerCode, 0xA0, op.answerAfter, -1};
        case Fault::Partial:
            return {FaultKind::Partial, op.answerCode, op.partialBytes, op.answerAfter, -1};
        case Fault::Slow:
            return {FaultKind::Slow, op.answerCode, kLateMs, op.answerAfter, op.slowTimes};
        case Fault::Flood:
            return {FaultKind::Flood, op.answerCode, kFloodBytes, op.answerAfter, -1};
        case Fault::Stop:
            return {FaultKind::Silent, -1, 0, op.midFrame, -1};
        case Fault::HangUp:
            break;
    }
    return {FaultKind::HangUp, -1, 0, op.midFrame, -1};
}

// What each cell must come to. Either: both are sound, and the invariants decide.
Outcome Expected(Kind kind, Fault fault) {
    switch (kind) {
        case Kind::Search:
        case Kind::Download:
            // A flood may reach the host in pieces that add up to a whole answer.
            return fault == Fault::Flood ? Outcome::Either : Outcome::Fails;
        case Kind::Upload:
        case Kind::Create:
            // The device takes the data whatever it answers; only a pulled cable loses it.
            return fault == Fault::HangUp ? Outcome::Fails : Outcome::Succeeds;
        case Kind::Analyze:
            // Only an exact answer is taken, as by a download; a late answer lands in a later
            // attempt's pause.
            if (fault == Fault::Slow || fault == Fault::Flood) return Outcome::Either;
            return Outcome::Fails;
        case Kind::Firmware:
            // The read-back's two head bytes are not compared; two late read-backs are resent.
            if (fault == Fault::WrongLead) return Outcome::Succeeds;
            if (fault == Fault::Slow) return Outcome::Either;
            return Outcome::Fails;
    }
    return Outcome::Either;
}

// Whether the window must end disconnected: a pulled cable at once, a device that stopped
// answering once the link watchdog has noticed (in ISP mode the watchdog does not run).
bool EndsDisconnected(Kind kind, Fault fault) {
    if (fault == Fault::HangUp) return true;
    return fault == Fault::Stop && kind != Kind::Firmware;
}

QStringList ReportRows(const QByteArray& image) {
    EdidInfo info;
    DecodeEdid(info, reinterpret_cast<const uint8_t*>(image.constData()));
    const EdidReport report = MakeEdidReport(info);
    return QStringList(report.values.begin(), report.values.end());
}

QStringList FailureRows() {
    QStringList rows{QStringLiteral("Illegal")};
    for (int i = 1; i < kEdidReportRowCount; ++i) rows << QStringLiteral("-");
    return rows;
}

// A tagged firmware image of the full size (every byte programmed comes from the file).
QByteArray FirmwareImage() {
    QByteArray image(0x1F600, '\0');
    quint32 x = 2463534242u;
    for (char& c : image) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x & 0xFF);
    }
    image.replace(0x1010, 12, "FW Ver: 1234");
    return image;
}

// The ROM as the image should leave it: bank 0 0x0000-0x6FFF and 0x8000-0xFFFF, bank 1 from file
// 0x10000, bank 2 from file 0x18000 up to 0x1F5FF; everything else as it was.
QByteArray ProgrammedRom(const QByteArray& image, const QByteArray& before) {
    QByteArray rom = before;
    rom.replace(0x0000, 0x7000, image.mid(0x0000, 0x7000));
    rom.replace(0x8000, 0x8000, image.mid(0x8000, 0x8000));
    rom.replace(0x18000, 0x8000, image.mid(0x10000, 0x8000));
    rom.replace(0x28000, 0x7600, image.mid(0x18000, 0x7600));
    return rom;
}

bool IsRed(const QLabel* label) {
    return label->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

// A fresh emulated device and a fresh window that lists it as its only port.
struct Rig {
    QTemporaryDir dir;
    std::unique_ptr<EmulatedDevice> device;
    std::unique_ptr<FormFixture> f;

    explicit Rig(const EmulatorConfig& config) {
        device = std::make_unique<EmulatedDevice>(config);
        QString error;
        if (!device->start(&error)) qFatal("emulator: %s", qPrintable(error));
        auto ports = std::make_unique<FixedPortLister>();
        ports->addPort(QStringLiteral("EMU1"), device->slavePath());
        f = std::make_unique<FormFixture>(std::move(ports));
        f->form->show();
    }
    ~Rig() {
        f.reset();
        device->stop();
    }
    template <typename T = QWidget>
    T* find(const char* name) const {
        return f->find<T>(QString::fromLatin1(name));
    }
    DeviceLink& link() const { return f->form->link(); }
    QString log() const { return f->form->debugLogText(); }
    bool enabled(const char* name) const { return find(name)->isEnabled(); }

    // No command of the window awaits an answer and no status poll is due for a while, so the
    // faults set next count the operation's frames from its first.
    bool quiet() const {
        const DeviceLink& l = link();
        const QTimer* poll = l.Timer_Poll_Status;
        return l.LastApiCode == 0 && (!poll->isActive() || poll->remainingTime() > 300);
    }

    // Empty when the window is wholly disconnected, connected or in ISP mode; else what is half.
    QString halfState() const {
        QStringList wrong;
        auto expect = [&](bool ok, const QString& what) {
            if (!ok) wrong << what;
        };
        const QColor led = find<LedShape>("Shape_LED_Link")->color();
        const QString model = find<QLabel>("Label_Model_Name")->text();
        const int group4 = find<QGroupBox>("GroupBox4")->height();
        const ConnectionState state = link().connectionState();
        for (const QWidget* w :
             {static_cast<QWidget*>(f->form.get()), find("BitBtn_Search"),
              find("BitBtn_Disconnect"), find("GroupBox1"), find("PageControl1")})
            expect(w->cursor().shape() != Qt::WaitCursor, "busy cursor left on " + w->objectName());
        for (const char* n : kOfflineControls) expect(enabled(n), QString("%1 disabled").arg(n));
        if (enabled("BitBtn_Search")) {
            expect(state == ConnectionState::Disconnected, "search enabled but not disconnected");
            expect(!enabled("BitBtn_Disconnect"), "Disconnect enabled");
            for (const char* n : kDeviceControls) expect(!enabled(n), QString("%1 enabled").arg(n));
            for (const char* n : kModeButtons) expect(!enabled(n), QString("%1 enabled").arg(n));
            expect(led == LedShape::Grey, "LED not grey");
            expect(model == "Not Found.", "model name " + model);
            expect(!link().portOpen(), "port still open");
            expect(!link().Timer_Poll_Status->isActive(), "status poll running");
            expect(group4 == 52, "firmware group open");
        } else if (state == ConnectionState::Isp) {
            expect(enabled("BitBtn_Disconnect"), "Disconnect disabled in ISP mode");
            expect(led == LedShape::Red, "LED not red in ISP mode");
            expect(model == "ISP Mode.", "model name " + model);
            expect(link().portOpen(), "ISP mode without a port");
            expect(group4 == 132, "firmware group closed in ISP mode");
        } else {
            expect(state == ConnectionState::Connected, "search disabled but not connected");
            expect(enabled("BitBtn_Disconnect"), "Disconnect disabled while connected");
            for (const char* n : kDeviceControls) expect(enabled(n), QString("%1 disabled").arg(n));
            int modes = 0;
            for (const char* n : kModeButtons) modes += enabled(n);
            expect(modes <= 1, "more than one mode button enabled");
            expect(led == LedShape::Green, "LED not green while connected");
            expect(model == "VK-01", "model name " + model);
            expect(link().portOpen(), "connected without a port");
            expect(group4 == 52, "firmware group open while connected");
        }
        return wrong.join("; ");
    }
};

}  // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Outcome)

class FaultMatrixTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void matrix_data();
    void matrix();

private:
    // Each runs one operation on a rig set up for it and returns whether it succeeded; a result
    // that is neither a sound success nor a failure told in words fails the cell.
    bool runSearch(Rig& rig);
    bool runDownload(Rig& rig, const Operation& op, const FaultRule& rule);
    bool runUpload(Rig& rig, const Operation& op, const FaultRule& rule);
    bool runAnalyze(Rig& rig, const Operation& op, const FaultRule& rule);
    bool runFirmware(Rig& rig, const Operation& op, const FaultRule& rule);

    QStringList appErrors_;
};

void FaultMatrixTest::initTestCase() {
    // An error escaping a handler would otherwise show a modal box and stop the test.
    VarnokApplication::setErrorSink([this](const QString& text) { appErrors_ << text; });
}

void FaultMatrixTest::matrix_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Outcome>("expected");
    for (int o = 0; o < int(std::size(kOperations)); ++o) {
        for (int fl = 0; fl <= int(Fault::HangUp); ++fl) {
            const Operation& op = kOperations[o];
            const QString name = QStringLiteral("%1 / %2").arg(op.name, kFaultNames[fl]);
            QTest::newRow(qPrintable(name)) << o << Fault(fl) << Expected(op.kind, Fault(fl));
        }
    }
}

void FaultMatrixTest::matrix() {
    QFETCH(int, operation);
    QFETCH(Fault, fault);
    QFETCH(Outcome, expected);
    const Operation& op = kOperations[operation];
    const FaultRule rule = RuleFor(op, fault);
    appErrors_.clear();
    QElapsedTimer clock;
    clock.start();

    EmulatorConfig config;
    if (op.kind == Kind::Firmware) {
        config.mode = EmulatorConfig::Mode::Isp;
    } else if (op.kind == Kind::Search) {
        config.faults = {rule};  // the device misbehaves from the first probe on
    }
    Rig rig(config);
    rig.find<QTabWidget>("PageControl1")->setCurrentIndex(op.page);

    bool succeeded = false;
    {
        HangGuard guard(QString::fromLatin1(QTest::currentDataTag()), kCellLimitS);
        if (op.kind != Kind::Search) {
            const ConnectionState want =
                op.kind == Kind::Firmware ? ConnectionState::Isp : ConnectionState::Connected;
            // The device has no fault yet, but on a loaded machine it may answer after one of
            // the search's fixed pauses: searched again until connected, as a user would.
            for (int i = 0; i < 5 && rig.link().connectionState() != want; ++i) {
                rig.find<QPushButton>("BitBtn_Search")->click();
                QVERIFY2(rig.halfState().isEmpty(), qPrintable(rig.halfState()));
            }
            QVERIFY2(rig.link().connectionState() == want, qPrintable(rig.log()));
        }
        switch (op.kind) {
            case Kind::Search:
                succeeded = runSearch(rig);
                break;
            case Kind::Download:
                succeeded = runDownload(rig, op, rule);
                break;
            case Kind::Upload:
            case Kind::Create:
                succeeded = runUpload(rig, op, rule);
                break;
            case Kind::Analyze:
                succeeded = runAnalyze(rig, op, rule);
                break;
            case Kind::Firmware:
                succeeded = runFirmware(rig, op, rule);
                break;
        }
        if (QTest::currentTestFailed()) return;
        // Right after the operation; a pulled cable is only seen at the next receive tick.
        if (fault != Fault::HangUp) {
            const QString half = rig.halfState();
            QVERIFY2(half.isEmpty(), qPrintable(half + "\nlog:\n" + rig.log()));
        }
        if (EndsDisconnected(op.kind, fault)) {
            // The port error of a pulled cable is seen at the next receive tick; a silent device
            // is dropped by the watchdog 30 ticks after the first unanswered status poll.
            QTRY_VERIFY2_WITH_TIMEOUT(rig.enabled("BitBtn_Search"), qPrintable(rig.log()), 10000);
        }
        const QString half = rig.halfState();
        QVERIFY2(half.isEmpty(), qPrintable(half + "\nlog:\n" + rig.log()));
    }
    QVERIFY2(appErrors_.isEmpty(), qPrintable(appErrors_.join('\n')));
    if (expected != Outcome::Either)
        QVERIFY2(succeeded == (expected == Outcome::Succeeds), qPrintable(rig.log()));
    qInfo("%s: %s in %lld ms", QTest::currentDataTag(), succeeded ? "succeeded" : "failed",
          clock.elapsed());
}

bool FaultMatrixTest::runSearch(Rig& rig) {
    rig.find<QPushButton>("BitBtn_Search")->click();
    const QString log = rig.log();
    if (rig.link().connectionState() == ConnectionState::Connected) return true;
    // The search's whole report is the debug log: the port it tried and why it was not taken.
    [&] {
        QVERIFY2(log.startsWith("Check EMU1\r\n"), qPrintable(log));
        QVERIFY2(log.contains("No Device Detected.") || log.contains("Manufac: ") ||
                     log.contains("No Model Name.") || log.contains("Port Error"),
                 qPrintable(log));
        QVERIFY(!rig.device->hostConnected() || rig.device->isHungUp() ||
                QTest::qWaitFor([&] { return !rig.device->hostConnected(); }, 2000));
    }();
    return false;
}

bool FaultMatrixTest::runDownload(Rig& rig, const Operation& op, const FaultRule& rule) {
    // The user's file exists with other content: it must be kept or wholly replaced.
    const QString target = rig.dir.filePath(QStringLiteral("target.bin"));
    const QByteArray before(300, 'k');
    if (!WriteAll(target, before)) {
        QTest::qFail("cannot write the target file", __FILE__, __LINE__);
        return false;
    }
    EdidInfo& store = rig.f->form->stores().forSource(op.source);
    store.image.fill(0x5A);
    rig.f->dialogs->saveAnswers = {target};
    if (!QTest::qWaitFor([&] { return rig.quiet(); }, 3000)) qWarning("link not quiet");
    rig.device->setFaults({rule});
    rig.find<QPushButton>(op.control)->click();

    const QByteArray expected = rig.device->store(EmuStore(int(op.source)));
    const QByteArray file = ReadAll(target);
    const QStringList files = QDir(rig.dir.path()).entryList(QDir::Files | QDir::Hidden);
    const QStringList& boxes = rig.f->dialogs->errors;
    bool ok = false;
    [&] {
        QVERIFY2(files == QStringList{"target.bin"}, qPrintable(files.join(", ")));
        if (file == expected) {
            QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join('\n')));
            QCOMPARE(BytesOf(store.image), expected);
            ok = true;
            return;
        }
        QVERIFY2(file == before, "the user's file was changed but not to the device's EDID");
        QCOMPARE(boxes, QStringList{"Download Edid Failed."});
        QVERIFY2(rig.log().contains("API Timeout.\r\n"), qPrintable(rig.log()));
        QCOMPARE(BytesOf(store.image), QByteArray(kEdidSize, 0x5A));
    }();
    return ok;
}

bool FaultMatrixTest::runUpload(Rig& rig, const Operation& op, const FaultRule& rule) {
    const bool creator = op.kind == Kind::Create;
    const QByteArray userBefore = rig.device->store(EmuStore::User);
    QByteArray sent;
    QString source;
    if (creator) {
        // The built-in default, as the creator's Brand New loads it and Upload builds it.
        rig.find<QRadioButton>("RadioButton_Brand_New")->click();
    } else {
        source = rig.dir.filePath(QStringLiteral("upload.bin"));
        // Valid, and unlike the User EDID in both blocks: the Stored EDID with a padding byte of
        // its extension changed (and the checksum after it).
        sent = rig.device->store(EmuStore::Stored);
        sent[254] = char(sent[254] + 1);
        sent[255] = char(sent[255] - 1);
        if (!WriteAll(source, sent)) {
            QTest::qFail("cannot write the upload file", __FILE__, __LINE__);
            return false;
        }
        rig.f->dialogs->openAnswers = {source};
        rig.find<QPushButton>("Button_Open_Edid")->click();
    }
    if (!QTest::qWaitFor([&] { return rig.quiet(); }, 3000)) qWarning("link not quiet");
    rig.device->setFaults({rule});
    rig.find<QPushButton>(op.control)->click();
    if (creator) sent = BytesOf(rig.f->form->stores().creator.image);

    QLabel* label = rig.find<QLabel>(creator ? "Label3" : "Label2");
    // What reached the device's User EDID; the frames may still be on their way.
    auto arrived = [&] { return rig.device->store(EmuStore::User) == sent; };
    const bool whole = QTest::qWaitFor(arrived, 500);
    bool ok = false;
    [&] {
        if (!creator) QCOMPARE(ReadAll(source), sent);
        QVERIFY2(sent.size() == kEdidSize && sent.left(128) != userBefore.left(128) &&
                     sent.mid(128) != userBefore.mid(128),
                 "nothing new to upload");
        if (whole) {
            QCOMPARE(label->text(), QStringLiteral("100%"));
            QVERIFY(!IsRed(label));
            ok = true;
            return;
        }
        // The link went down under the upload: the window must not claim it done.
        QVERIFY2(IsRed(label) && label->text() == "Upload Edid Failed.", qPrintable(label->text()));
        QVERIFY2(rig.log().contains("Port Error"), qPrintable(rig.log()));
    }();
    return ok;
}

bool FaultMatrixTest::runAnalyze(Rig& rig, const Operation& op, const FaultRule& rule) {
    EdidInfo& store = rig.f->form->stores().forSource(op.source);
    const QByteArray image = rig.device->store(EmuStore(int(op.source)));
    if (!QTest::qWaitFor([&] { return rig.quiet(); }, 3000)) qWarning("link not quiet");
    rig.device->setFaults({rule});
    rig.find<QRadioButton>(op.control)->click();

    QStringList rows;
    for (const char* labelName : kReportLabelNames) rows << rig.find<QLabel>(labelName)->text();
    bool ok = false;
    [&] {
        if (rows == ReportRows(image) && BytesOf(store.image) == image) {
            ok = true;
            return;
        }
        QCOMPARE(rows, FailureRows());
        QVERIFY2(rig.log().contains("Retry Edid.\r\n") || rig.log().contains("API Timeout.\r\n"),
                 qPrintable(rig.log()));
    }();
    return ok;
}

bool FaultMatrixTest::runFirmware(Rig& rig, const Operation& op, const FaultRule& rule) {
    const QString path = rig.dir.filePath(QStringLiteral("fw.bin"));
    const QByteArray image = FirmwareImage();
    if (!WriteAll(path, image)) {
        QTest::qFail("cannot write the firmware file", __FILE__, __LINE__);
        return false;
    }
    rig.f->dialogs->openAnswers = {path};
    rig.find<QPushButton>("Button_Open_Fw")->click();
    auto* update = rig.find<QPushButton>(op.control);
    if (!update->isEnabled()) {
        QTest::qFail(qPrintable("Update not armed: " + rig.log()), __FILE__, __LINE__);
        return false;
    }
    const QByteArray before = rig.device->rom();
    rig.device->setFaults({rule});
    update->click();

    QLabel* label1 = rig.find<QLabel>("Label1");
    const QString log = rig.log();
    bool ok = false;
    [&] {
        QCOMPARE(ReadAll(path), image);
        QCOMPARE(rig.link().LinkMode, kLinkModeApi);
        if (label1->text() == "100%" && !IsRed(label1)) {
            QCOMPARE(rig.device->rom(), ProgrammedRom(image, before));
            ok = true;
            return;
        }
        QVERIFY2(label1->text() == "Update Fw Failed." && IsRed(label1),
                 qPrintable(label1->text()));
        QVERIFY2(log.contains("Page Failed 16 Times.") || log.contains("ISP Port Lost.") ||
                     log.contains("Sync Timeout.") || log.contains("Check Timeout."),
                 qPrintable(log));
    }();
    return ok;
}

VARNOK_TEST_MAIN(FaultMatrixTest)
#include "tst_fault_matrix.moc"
