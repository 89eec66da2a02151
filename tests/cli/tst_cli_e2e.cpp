// varnok-cli as a user runs it: the program in a process of its own against emulated devices on
// pseudo-terminals. Every command once, the exit status of each failure, two devices at once.
// VARNOK_PORTS is always set, so no run ever lists or probes the machine's own ports.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <memory>

#include "tests/support/CliProcess.h"
#include "tests/support/TestFiles.h"
#include "tools/emu/DefaultEdid.h"
#include "tools/emu/EmulatedDevice.h"

using namespace varnok;

namespace {

using Result = test::CliResult;

// The fake display tree every run reads instead of /sys/class/drm.
QString gDrmDir;

QProcess* Start(const QStringList& args, const QString& ports = {}, const QByteArray& input = {}) {
    return test::StartCli(QStringLiteral(VARNOK_CLI_PATH), args, {ports, gDrmDir, input});
}

Result Finish(QProcess* p) {
    return test::FinishCli(p);
}

Result Run(const QStringList& args, const QString& ports = {}, const QByteArray& input = {}) {
    return Finish(Start(args, ports, input));
}

// The code of the last frame the host wrote to device; 0 for none.
int LastWrite(const EmulatedDevice& device) {
    int code = 0;
    for (const FrameRecord& f : device.frames())
        if (f.w) code = f.code;
    return code;
}

QJsonObject Json(const Result& r) {
    return QJsonDocument::fromJson(r.out).object();
}

std::unique_ptr<EmulatedDevice> StartDevice(EmulatorConfig c = {}) {
    auto d = std::make_unique<EmulatedDevice>(c);
    QString error;
    if (!d->start(&error)) qFatal("emulator: %s", qPrintable(error));
    return d;
}

std::unique_ptr<EmulatedDevice> IspDevice(int variant, std::vector<FaultRule> faults = {}) {
    EmulatorConfig c;
    c.faults = std::move(faults);
    c.mode = EmulatorConfig::Mode::Isp;
    c.ispVariant = variant;
    if (variant == 1) c.ispBanner = "ISP029 loader\r\n";
    return StartDevice(c);
}

// A valid EDID unlike the device's own: its User EDID with another manufacture week.
QByteArray UploadImage() {
    QByteArray img = defaultEmulatorEdid(EmuStore::User);
    img[16] = 0x2A;
    fixEdidChecksums(img);
    return img;
}

}  // namespace

class TstCliE2e : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachCommand();
    void failureStatuses_data();
    void failureStatuses();
    void twoDevicesAtOnce();
    void interruptStopsTheOperation();
    void displaysListedAndSavedEach();
    void controlCharactersShownAsText();
    void differingBytesNamed();
    void probeStopsOnInterrupt();
    void readsTakeOnlyExactAnswers_data();
    void readsTakeOnlyExactAnswers();
    void importHexKeepsWhatItReads_data();
    void importHexKeepsWhatItReads();
    void interruptNeverCutsAnUploadFrame_data();
    void interruptNeverCutsAnUploadFrame();

private:
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<EmulatedDevice> device_;
    std::unique_ptr<EmulatedDevice> foreign_;
    std::unique_ptr<EmulatedDevice> silent_;
    std::unique_ptr<EmulatedDevice> corrupting_;
    std::unique_ptr<EmulatedDevice> held_;
    std::unique_ptr<EmulatedDevice> isp0_;
    std::unique_ptr<EmulatedDevice> isp0Corrupting_;
    QSerialPort holder_;
};

void TstCliE2e::initTestCase() {
    QVERIFY(dir_.isValid());
    device_ = StartDevice();
    EmulatorConfig other;
    other.manufacturerId = "ABC";
    foreign_ = StartDevice(other);
    EmulatorConfig silent;
    silent.faults.push_back({FaultKind::Silent, 261, 0, 0, -1});
    silent_ = StartDevice(silent);
    // Two bytes of every block-1 answer complemented; they sum to 127, so the checksum holds and
    // only the byte comparison can tell.
    EmulatorConfig corrupting;
    corrupting.faults.push_back({FaultKind::Corrupt, 262, 2, 0, -1});
    corrupting_ = StartDevice(corrupting);
    held_ = StartDevice();
    holder_.setPortName(held_->slavePath());
    QVERIFY(holder_.open(QIODevice::ReadWrite));
    isp0_ = IspDevice(0);
    // Every page read back with 200 bytes complemented: far more than the 89 a page may miss.
    isp0Corrupting_ = IspDevice(0, {{FaultKind::Corrupt, 0x85, 200, 0, -1}});

    QVERIFY(WriteAll(path("valid.bin"), UploadImage()));
    QByteArray bad = UploadImage();
    bad[20] = char(bad[20] ^ 0x01);
    QVERIFY(WriteAll(path("badsum.bin"), bad));
    QVERIFY(WriteAll(path("short.bin"), QByteArray(100, '\x11')));
    QByteArray sums = UploadImage();
    sums[130] = 0x04;
    sums[131] = 127 - 0x04;
    fixEdidChecksums(sums);
    QVERIFY(WriteAll(path("sums127.bin"), sums));
    QVERIFY(WriteAll(path("untagged.bin"), QByteArray(0x2000, '\x5A')));
    QByteArray tagged(0x2000, '\x5A');
    tagged.replace(0x1010, 12, "FW Ver: 1234");
    QVERIFY(WriteAll(path("tagged.bin"), tagged));

    // One display with an EDID, one connector with nothing attached (an empty edid file).
    gDrmDir = path("drm");
    QVERIFY(QDir().mkpath(path("drm/card0-HDMI-A-1")) && QDir().mkpath(path("drm/card0-DP-1")));
    QVERIFY(WriteAll(path("drm/card0-HDMI-A-1/edid"), UploadImage()));
    QVERIFY(WriteAll(path("drm/card0-DP-1/edid"), {}));
}

void TstCliE2e::eachCommand() {
    const QString dev = device_->slavePath();
    // The search goes through the listed ports in order: one that can't be opened, another
    // maker's device, then the device.
    const QString list = QStringLiteral("DEAD=%1,OTHER=%2,EMU=%3")
                             .arg(path("no-such-tty"), foreign_->slavePath(), dev);

    // A command's own usage.
    Result r = Run({"upload", "--help"});
    QVERIFY2(r.status == 0 && r.out.startsWith("Usage: varnok-cli [--port PORT] [--json] "
                                               "[--verbose] upload FILE [--verify] [--check]\n"),
             r.out);
    r = Run({"--json", "info"}, list);
    QCOMPARE(r.status, 0);
    QJsonObject o = Json(r);
    QCOMPARE(o["port"].toString(), QStringLiteral("EMU"));
    QCOMPARE(o["model"].toString(), QStringLiteral("VK-01"));
    QCOMPARE(o["version"].toString(), QStringLiteral("1.23"));
    QCOMPARE(o["mode"].toString(), QStringLiteral("internal"));

    // A model name that would steer the terminal is shown as text.
    EmulatorConfig odd;
    odd.modelName = "V\x1b]0;";
    auto oddDevice = StartDevice(odd);
    r = Run({"--port", oddDevice->slavePath(), "info"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains("Model\tV\\x1b]0;\n"), r.out);

    r = Run({"ports", "--probe"}, list);
    QCOMPARE(r.status, 0);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith("DEAD\t") && lines[0].contains("\tnone\tcannot be opened"),
             lines[0]);
    QVERIFY2(lines[1].contains("\tnone\ta device with the ID 'ABC' answered"), lines[1]);
    QCOMPARE(lines[2], "EMU\t" + dev.toUtf8() + "\tdevice\tVK-01\t1.23");

    // --verbose: the debug log as the window writes it, on stderr.
    r = Run({"--port", dev, "--verbose", "download", "internal", path("internal.bin")});
    QCOMPARE(r.status, 0);
    QCOMPARE(ReadAll(path("internal.bin")), device_->store(EmuStore::Internal));
    QVERIFY2(
        r.err.startsWith("Check " + dev.toUtf8() + "\n") && r.err.contains("\nEdid Open OK.\n"),
        r.err);

    // The download's end notice may still be on its way to the device once varnok-cli has ended:
    // the device takes it in before its frames are cleared.
    QTRY_VERIFY_WITH_TIMEOUT(LastWrite(*device_) == 11, 5000);
    device_->clearFrames();
    r = Run({"--port", dev, "upload", path("valid.bin"), "--verify"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("User EDID uploaded and verified\n"));
    QCOMPARE(r.err, QByteArray());  // no progress line when stderr is no terminal
    QCOMPARE(device_->store(EmuStore::User), UploadImage());
    QCOMPARE(device_->edidMode(), uint8_t(3));
    // The window's frames: the two paced halves, then User mode, inside notices 10 and 11.
    QStringList writes;
    for (const FrameRecord& f : device_->frames())
        if (f.w) writes << QStringLiteral("%1/%2").arg(f.code).arg(f.count);
    QCOMPARE(writes.mid(0, 5), QStringList({"10/0", "261/128", "262/128", "257/1", "11/0"}));

    // The outcome's stable code, as the window's status bar words it.
    r = Run({"--port", dev, "--json", "download", "external", path("external.bin")});
    QCOMPARE(r.status, 0);
    QCOMPARE(Json(r)["code"].toString(), QStringLiteral("download.saved"));
    QCOMPARE(ReadAll(path("external.bin")), device_->store(EmuStore::External));

    r = Run({"--port", dev, "--json", "analyze", "user"});
    QCOMPARE(r.status, 0);
    const QJsonArray rows = Json(r)["rows"].toArray();
    QCOMPARE(rows.size(), 14);
    QCOMPARE(rows[0].toObject()["caption"].toString(), QStringLiteral("EDID Header"));
    QCOMPARE(rows[12].toObject()["value"].toString(), QStringLiteral("2CH"));

    // A base block alone (128 bytes, no extension) is an EDID file too.
    QByteArray base = defaultEmulatorEdid(EmuStore::User).left(128);
    base[126] = 0;
    fixEdidChecksums(base);
    QVERIFY(WriteAll(path("base.bin"), base));
    r = Run({"analyze", path("base.bin")});
    QVERIFY2(r.status == 0 && r.out.startsWith("EDID Header :\tGood\n"), r.out);

    r = Run({"analyze", path("internal.bin")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out.count('\n'), 14);
    QVERIFY(r.out.startsWith("EDID Header :\tGood\nEDID Checksum :\tGood\n"));

    r = Run({"bytes", path("valid.bin")});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("00 ff ff ff ff ff ff 00 "), r.out);
    const QString edidDecode = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
    if (!edidDecode.isEmpty()) {
        // What bytes prints, edid-decode reads.
        QProcess decode;
        decode.start(edidDecode, {});
        decode.write(r.out);
        decode.closeWriteChannel();
        QVERIFY(decode.waitForFinished(10000));
        QVERIFY2(decode.readAllStandardOutput().contains("Block 1, CTA-861"),
                 decode.readAllStandardError());
    }

    // What bytes printed, import-hex takes back from standard input into a .bin file.
    r = Run({"import-hex", "-", path("imported.bin")}, {}, Run({"bytes", path("valid.bin")}).out);
    QCOMPARE(r.status, 0);
    QCOMPARE(ReadAll(path("imported.bin")), UploadImage());

    // The User EDID just uploaded against its file: equal.
    r = Run({"--port", dev, "compare", "user", path("valid.bin")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, "User EDID and " + path("valid.bin").toUtf8() + " are equal\n");

    r = Run({"--json", "displays"});
    QCOMPARE(r.status, 0);
    const QJsonArray displays = Json(r)["displays"].toArray();
    QCOMPARE(displays.size(), 1);
    QCOMPARE(displays[0].toObject()["connector"].toString(), QStringLiteral("card0-HDMI-A-1"));
    QCOMPARE(displays[0].toObject()["valid"].toBool(), true);
    QVERIFY(QDir().mkpath(path("saved")));
    r = Run({"displays", "--save", path("saved")});
    QCOMPARE(r.status, 0);
    QCOMPARE(ReadAll(path("saved/card0-HDMI-A-1.bin")), UploadImage());

    // Firmware of the ISP029 kind: 20 blocks of 128 bytes, each acknowledged.
    auto isp = IspDevice(1);
    QByteArray image(20 * 128, '\0');
    for (int i = 0; i < image.size(); ++i) image[i] = char(i * 7);
    QVERIFY(WriteAll(path("fw.bin"), image));
    r = Run({"--port", isp->slavePath(), "firmware", path("fw.bin")});
    QVERIFY2(r.status == 0, r.err);
    QCOMPARE(isp->rom().left(image.size()), image);
}

void TstCliE2e::failureStatuses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("ports");  // VARNOK_PORTS
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("words");  // a part of the message on stderr

    QTest::newRow("no command") << QStringList{} << "" << 2 << "no command given";
    QTest::newRow("unknown command") << QStringList{"flash"} << "" << 2 << "unknown command";
    QTest::newRow("unknown source")
        << QStringList{"--port", "{dev}", "download", "rom", "{dir}/x.bin"} << "" << 2
        << "unknown source 'rom'";
    QTest::newRow("missing operand") << QStringList{"upload"} << "" << 2 << "upload takes FILE";
    QTest::newRow("option of another command")
        << QStringList{"info", "--verify"} << "" << 2 << "--verify belongs to upload";
    QTest::newRow("missing file") << QStringList{"--port", "{dev}", "upload", "{dir}/none.bin"}
                                  << "" << 1 << "No such file";
    QTest::newRow("wrong size") << QStringList{"--port", "{dev}", "upload", "{dir}/short.bin"} << ""
                                << 3 << "100 bytes";
    QTest::newRow("invalid EDID") << QStringList{"--port", "{dev}", "upload", "{dir}/badsum.bin"}
                                  << "" << 3 << "Illegal Edid CheckSum0.";
    QTest::newRow("analyze invalid file")
        << QStringList{"analyze", "{dir}/badsum.bin"} << "" << 3 << "Illegal Edid CheckSum0.";
    QTest::newRow("port that does not exist")
        << QStringList{"--port", "{dir}/ttyNONE", "info"} << "" << 1 << "cannot be opened";
    QTest::newRow("port busy") << QStringList{"--port", "{held}", "info"} << "" << 1
                               << "cannot be opened";
    QTest::newRow("another maker's device")
        << QStringList{"--port", "{foreign}", "info"} << "" << 4 << "ID 'ABC'";
    QTest::newRow("no port listed") << QStringList{"info"} << "" << 4 << "no serial port";
    QTest::newRow("search finds none")
        << QStringList{"download", "user", "{dir}/keep.bin"} << "F={foreign}" << 4
        << "No device found (searched F: a device with the ID 'ABC' answered)";
    QTest::newRow("device silent keeps the file")
        << QStringList{"--port", "{silent}", "download", "internal", "{dir}/keep.bin"} << "" << 1
        << "left as it was";
    QTest::newRow("target not writable")
        << QStringList{"--port", "{dev}", "download", "internal", "{dir}/no-dir/x.bin"} << "" << 1
        << "x.bin cannot be written: No such file or directory";
    QTest::newRow("read-back differs")
        << QStringList{"--port", "{corrupting}", "upload", "--verify", "{dir}/sums127.bin"} << ""
        << 5 << "in 2 of 256 bytes: 130 (0x82) ";
    QTest::newRow("compare finds differences")
        << QStringList{"compare", "{dir}/valid.bin", "{dir}/sums127.bin"} << "" << 6
        << "and 3 bytes";
    QTest::newRow("hex text of 200 bytes")
        << QStringList{"import-hex", QByteArray(200, 'a').toHex(' '), "{dir}/keep.bin"} << "" << 3
        << "200 bytes";
    QTest::newRow("hex text of an invalid EDID")
        << QStringList{"import-hex", "{badsum}", "{dir}/keep.bin"} << "" << 3
        << "Illegal Edid CheckSum0.";
    QTest::newRow("displays saved where no folder can be")
        << QStringList{"displays", "--save", "{dir}/valid.bin/sub"} << "" << 1
        << "the folder can't be created";
    QTest::newRow("firmware without its tag")
        << QStringList{"--port", "{isp0}", "firmware", "{dir}/untagged.bin"} << "" << 3
        << "has no version tag";
    QTest::newRow("firmware read-back differs")
        << QStringList{"--port", "{isp0corrupting}", "firmware", "{dir}/tagged.bin"} << "" << 5
        << "failed its read-back 16 times";
    QTest::newRow("firmware needs ISP mode")
        << QStringList{"--port", "{dev}", "firmware", "{dir}/untagged.bin"} << "" << 1
        << "not in ISP mode";
}

void TstCliE2e::failureStatuses() {
    QFETCH(QStringList, args);
    QFETCH(QString, ports);
    QFETCH(int, status);
    QFETCH(QString, words);

    const QList<QPair<QString, EmulatedDevice*>> devices = {
        {"{dev}", device_.get()},
        {"{foreign}", foreign_.get()},
        {"{silent}", silent_.get()},
        {"{corrupting}", corrupting_.get()},
        {"{held}", held_.get()},
        {"{isp0}", isp0_.get()},
        {"{isp0corrupting}", isp0Corrupting_.get()},
    };
    auto expand = [&](QString s) {
        s.replace(QStringLiteral("{dir}"), dir_.path());
        s.replace(QStringLiteral("{badsum}"),
                  QString::fromLatin1(ReadAll(path("badsum.bin")).toHex(' ')));
        for (const auto& [key, d] : devices) s.replace(key, d->slavePath());
        return s;
    };
    for (QString& a : args) a = expand(a);
    const QByteArray kept("an older file");
    QVERIFY(WriteAll(path("keep.bin"), kept));
    const int framesBefore = device_->frameCount();

    const Result r = Run(args, expand(ports));
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.startsWith("varnok-cli: ") && r.err.contains(words.toUtf8()), r.err);
    // Nothing is written where the command failed: the file stays, and a file judged before
    // the device is touched sends the device nothing.
    QCOMPARE(ReadAll(path("keep.bin")), kept);
    if (status == 3 || QTest::currentDataTag() == QLatin1String("missing file"))
        QCOMPARE(device_->frameCount(), framesBefore);
}

void TstCliE2e::twoDevicesAtOnce() {
    EmulatorConfig a;
    a.stores[int(EmuStore::Internal)] = UploadImage();
    auto first = StartDevice(a);
    auto second = StartDevice();
    QProcess* p1 = Start({"--port", first->slavePath(), "download", "internal", path("a.bin")});
    QProcess* p2 = Start({"--port", second->slavePath(), "download", "internal", path("b.bin")});
    QCOMPARE(Finish(p1).status, 0);
    QCOMPARE(Finish(p2).status, 0);
    QCOMPARE(ReadAll(path("a.bin")), UploadImage());
    QCOMPARE(ReadAll(path("b.bin")), second->store(EmuStore::Internal));
    // Each device saw one search and one download, nothing of the other's.
    for (EmulatedDevice* d : {first.get(), second.get()}) {
        int selects = 0;
        for (const FrameRecord& f : d->frames()) selects += f.code == 264 ? 1 : 0;
        QCOMPARE(selects, 1);
    }
}

void TstCliE2e::interruptStopsTheOperation() {
    // Ctrl+C inside the first block read's pause: the read stops before its next frame, the
    // device hears the end notice, and the file that was there stays as it was.
    auto device = StartDevice();
    const QString target = path("interrupted.bin");
    QVERIFY(WriteAll(target, "old"));
    QProcess* p = Start({"--port", device->slavePath(), "download", "internal", target});
    auto blockRead = [&] {
        for (const FrameRecord& f : device->frames())
            if (f.kind == FrameRecord::Kind::Api && f.code == 261) return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(blockRead(), 10000);
    QVERIFY(::kill(static_cast<pid_t>(p->processId()), SIGINT) == 0);
    const Result r = Finish(p);
    QCOMPARE(r.status, 130);
    QVERIFY2(r.err.contains("interrupted"), r.err.constData());
    QCOMPARE(ReadAll(target), QByteArray("old"));
    auto framesAfterRead = [&] {
        std::vector<uint16_t> after;
        bool seen = false;
        for (const FrameRecord& f : device->frames()) {
            if (f.kind != FrameRecord::Kind::Api) continue;
            if (seen) after.push_back(f.code);
            seen = seen || f.code == 261;
        }
        return after;
    };
    // The process has ended, but the device may not have taken in its last bytes yet.
    QTRY_VERIFY_WITH_TIMEOUT(!framesAfterRead().empty() && framesAfterRead().back() == 11, 5000);
    // Polling may have been under way; no further block read, and the end notice last.
    const std::vector<uint16_t> after = framesAfterRead();
    QVERIFY(std::find(after.begin(), after.end(), 262) == after.end());
}

void TstCliE2e::displaysListedAndSavedEach() {
    const QString keep = gDrmDir;
    gDrmDir = path("drm-many");
    QByteArray one = UploadImage().left(128);
    one[126] = 0;  // a 128-byte EDID
    // Connectors that name the same file ("card0-DP_2" and "card0-DP:2"), and numbers to sort.
    const QStringList connectors = {"card0-DP-10", "card0-DP:2", "card0-DP-2", "card0-DP_2"};
    for (int i = 0; i < connectors.size(); ++i) {
        QVERIFY(QDir().mkpath(gDrmDir + "/" + connectors[i]));
        QByteArray edid = one;
        edid[16] = char(i + 1);  // each display its own bytes
        fixEdidChecksums(edid);
        QVERIFY(WriteAll(gDrmDir + "/" + connectors[i] + "/edid", edid));
    }
    // The folder does not exist yet.
    const QString saveDir = path("new/displays");
    Result r = Run({"--json", "displays", "--save", saveDir});
    QVERIFY2(r.status == 0, r.err.constData());
    const QJsonArray list = Json(r)["displays"].toArray();
    QStringList order, files;
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        order << o["connector"].toString();
        files << o["file"].toString();
        QCOMPARE(o["bytes"].toInt(), 128);
        // 128 bytes stay 128.
        QCOMPARE(ReadAll(files.last()), ReadAll(gDrmDir + "/" + order.last() + "/edid"));
    }
    QCOMPARE(order, (QStringList{"card0-DP-2", "card0-DP-10", "card0-DP:2", "card0-DP_2"}));
    QCOMPARE(QSet<QString>(files.begin(), files.end()).size(), 4);

    // A display's 384-byte EDID is judged whole: valid, though its first 256 bytes announce a
    // third block; a broken checksum in that block makes it invalid.
    gDrmDir = path("drm-large");
    const QByteArray large = ReadAll(qEnvironmentVariable("VARNOK_SOURCE_DIR") +
                                     "/tests/edidmodel/samples-large/001A161FA7C4.bin");
    QCOMPARE(large.size(), 384);
    QByteArray broken = large;
    broken[300] = char(broken[300] ^ 0x01);
    for (const auto& [connector, bytes] : {std::pair{QStringLiteral("card1-HDMI-A-1"), large},
                                           {QStringLiteral("card1-HDMI-A-2"), broken}}) {
        QVERIFY(QDir().mkpath(gDrmDir + "/" + connector));
        QVERIFY(WriteAll(gDrmDir + "/" + connector + "/edid", bytes));
    }
    r = Run({"displays"});
    QCOMPARE(r.status, 0);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("card1-HDMI-A-1\t") && lines[0].endsWith("\t384\tvalid"),
             lines[0].constData());
    QVERIFY2(lines[1].endsWith("\t384\tinvalid"), lines[1].constData());

    gDrmDir = path("drm-none");
    QVERIFY(QDir().mkpath(gDrmDir));
    r = Run({"displays"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("No display of this computer reports an EDID\n"));
    gDrmDir = keep;
}

void TstCliE2e::controlCharactersShownAsText() {
    // A monitor name with a tab and a screen-clearing escape: every text output shows them as
    // \xHH, the same way in both tools, and no column is split; JSON carries the name itself.
    QByteArray named = UploadImage();
    const QByteArray name = "A\tB\x1b[2J\x7f\n";
    int at = -1;
    for (int o = 54; o < 126; o += 18)
        if (named[o] == 0 && named[o + 1] == 0 && uchar(named[o + 3]) == 0xFC) at = o + 5;
    QVERIFY(at > 0);
    named.replace(at, name.size(), name);
    fixEdidChecksums(named);
    const QString file = path("named.bin");
    QVERIFY(WriteAll(file, named));

    const Result analyze = Run({"analyze", file});
    QProcess report;
    report.start(QStringLiteral(VARNOK_EDID_REPORT), {file});
    QVERIFY(report.waitForFinished(10000));
    const QByteArray reportOut = report.readAllStandardOutput();
    QCOMPARE(analyze.out, reportOut.mid(reportOut.indexOf('\n') + 1));
    QVERIFY2(analyze.out.contains("A\\x09B\\x1b[2J\\x7f"), analyze.out.constData());

    const Result compare = Run({"compare", file, path("valid.bin")});
    QCOMPARE(compare.status, 6);
    QVERIFY2(compare.out.contains("\\x1b[2J"), compare.out.constData());
    for (const QByteArray& l : compare.out.trimmed().split('\n'))
        QCOMPARE(l.count('\t'), l.startsWith("byte") ? 4 : 3);
    for (const QByteArray& out : {analyze.out, compare.out})
        for (char c : out) QVERIFY(uchar(c) >= 0x20 ? uchar(c) != 0x7f : c == '\t' || c == '\n');

    const QString keep = gDrmDir;
    gDrmDir = path("drm-named");
    QVERIFY(QDir().mkpath(gDrmDir + "/card0-HDMI-A-1"));
    QVERIFY(WriteAll(gDrmDir + "/card0-HDMI-A-1/edid", named));
    const Result displays = Run({"displays"});
    const Result json = Run({"--json", "displays"});
    gDrmDir = keep;
    QCOMPARE(displays.out, QByteArray("card0-HDMI-A-1\tA\\x09B\\x1b[2J\\x7f\t256\tvalid\n"));
    QVERIFY(!json.out.contains('\x1b') && !json.out.contains('\x7f'));
    QCOMPARE(Json(json)["displays"].toArray()[0].toObject()["monitor"].toString(),
             QString::fromLatin1("A\tB\x1b[2J\x7f"));
}

void TstCliE2e::differingBytesNamed() {
    // compare and a verify mismatch say what each differing byte is, in text and in JSON.
    Result r = Run({"compare", path("valid.bin"), path("sums127.bin")});
    QCOMPARE(r.status, 6);
    const QList<QByteArray> lines = r.out.split('\n');
    const auto byte130 = std::find_if(lines.begin(), lines.end(), [](const QByteArray& l) {
        return l.startsWith("byte\t130\t");
    });
    QVERIFY(byte130 != lines.end());
    QVERIFY2(byte130->split('\t').size() == 5 && !byte130->split('\t')[4].isEmpty(),
             byte130->constData());

    r = Run({"--json", "compare", path("valid.bin"), path("sums127.bin")});
    const QJsonArray bytes = Json(r)["bytes"].toArray();
    QCOMPARE(bytes.size(), 3);
    for (const QJsonValue& b : bytes) QVERIFY(!b.toObject()["region"].toString().isEmpty());

    r = Run(
        {"--json", "--port", corrupting_->slavePath(), "upload", "--verify", path("sums127.bin")});
    QCOMPARE(r.status, 5);
    const QJsonObject o = Json(r);
    QCOMPARE(o["status"].toInt(), 5);
    const QJsonArray differing = o["differing"].toArray();
    QCOMPARE(differing.size(), 2);
    QCOMPARE(differing[0].toObject()["offset"].toInt(), 130);
    QCOMPARE(differing[0].toObject()["region"].toString(),
             bytes[0].toObject()["region"].toString());
    QVERIFY(o["message"].toString().contains("130 (0x82) "));
}

void TstCliE2e::probeStopsOnInterrupt() {
    // Ctrl+C while the first port is probed: the second is never opened, and the JSON status is
    // the exit status.
    auto first = StartDevice();
    auto second = StartDevice();
    QProcess* p =
        Start({"--json", "ports", "--probe"},
              QStringLiteral("EMU1=%1,EMU2=%2").arg(first->slavePath(), second->slavePath()));
    const auto pid = static_cast<pid_t>(p->processId());
    first->setFrameCallback([pid](const FrameRecord&) { ::kill(pid, SIGINT); });
    const Result r = Finish(p);
    first->setFrameCallback({});
    QCOMPARE(r.status, 130);
    const QJsonObject o = Json(r);
    QCOMPARE(o["status"].toInt(), 130);
    QCOMPARE(o["result"].toString(), QStringLiteral("interrupted"));
    QCOMPARE(second->frameCount(), 0);
}

void TstCliE2e::readsTakeOnlyExactAnswers_data() {
    QTest::addColumn<QStringList>("args");  // {file}: the file uploaded
    QTest::addColumn<int>("kind");          // FaultKind
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("times");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("words");  // in stderr, or in stdout when it succeeds
    const int stray = int(FaultKind::Stray), insert = int(FaultKind::Insert);
    QTest::newRow("bytes: late bytes once, read again")
        << QStringList{"bytes", "internal"} << stray << 262 << 20 << 1 << 0
        << QByteArray("00 ff ff ff");
    QTest::newRow("analyze: noise in every answer")
        << QStringList{"analyze", "internal"} << insert << 261 << 5 << -1 << 1
        << QByteArray("answers did not come exactly");
    // The device stored the file exactly; a late byte in the read-back is no mismatch.
    QTest::newRow("upload --verify: late bytes in the read-back")
        << QStringList{"upload", "{file}", "--verify"} << stray << 262 << 20 << 1 << 0
        << QByteArray("User EDID uploaded and verified");
}

void TstCliE2e::readsTakeOnlyExactAnswers() {
    QFETCH(QStringList, args);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(int, times);
    QFETCH(int, status);
    QFETCH(QByteArray, words);
    auto device = StartDevice();
    device->setFaults({{FaultKind(kind), code, value, 0, times}});
    args.replaceInStrings("{file}", path("valid.bin"));
    const Result r = Run(QStringList{"--port", device->slavePath()} + args);
    QCOMPARE(r.status, status);
    QVERIFY2((status == 0 ? r.out : r.err).contains(words), (r.out + r.err).constData());
    if (args[0] == "bytes") {
        QVERIFY(WriteAll(path("internal-store.bin"), device->store(EmuStore::Internal)));
        QCOMPARE(r.out, Run({"bytes", path("internal-store.bin")}).out);
    }
}

void TstCliE2e::importHexKeepsWhatItReads_data() {
    QTest::addColumn<QString>("operand");  // a file, or - for a producer on standard input
    QTest::addColumn<QByteArray>("edid");  // what the .bin file must hold
    const QString samples = qEnvironmentVariable("VARNOK_SOURCE_DIR") + "/tests/edid/";
    const QByteArray small = ReadAll(samples + "samples/0000CEF4CC27.bin");
    QCOMPARE(small.size(), 128);
    QVERIFY(WriteAll(path("small.txt"), small.toHex(' ')));
    QTest::newRow("128 bytes from a file") << path("small.txt") << small;
    // regedit writes UTF-16.
    QTest::newRow("registry export")
        << samples + "pastes/0001BFD5CF3F.reg" << ReadAll(samples + "samples/0001BFD5CF3F.bin");
    // Three blocks: the CTA-861 block once more, as a second extension.
    QByteArray three = UploadImage() + UploadImage().mid(128);
    three[126] = 2;
    fixEdidChecksums(three);
    QVERIFY(WriteAll(path("three.txt"), three.toHex(' ')));
    QTest::newRow("384 bytes") << path("three.txt") << three;
    QTest::newRow("standard input a line at a time") << "-" << UploadImage();
}

void TstCliE2e::importHexKeepsWhatItReads() {
    QFETCH(QString, operand);
    QFETCH(QByteArray, edid);
    const QString out = path("kept.bin");
    QFile::remove(out);
    Result r;
    if (operand == "-") {
        // The producer writes edid-decode's hex a line at a time, pausing between lines.
        QVERIFY(WriteAll(path("lines.txt"), Run({"bytes", path("valid.bin")}).out));
        QProcess producer;
        std::unique_ptr<QProcess> cli(new QProcess);
        producer.setStandardOutputProcess(cli.get());
        cli->start(QStringLiteral(VARNOK_CLI_PATH), {"import-hex", "-", out});
        producer.start("/bin/sh", {"-c",
                                   "while IFS= read -r l; do printf '%s\\n' \"$l\"; "
                                   "sleep 0.02; done < \"$0\"",
                                   path("lines.txt")});
        QVERIFY(producer.waitForFinished(30000));
        r = Finish(cli.release());
    } else {
        r = Run({"import-hex", operand, out});
    }
    QVERIFY2(r.status == 0, r.err.constData());
    QCOMPARE(ReadAll(out), edid);
    QVERIFY2(r.out.startsWith(QStringLiteral("EDID (%1 bytes, ").arg(edid.size()).toUtf8()),
             r.out.constData());
}

void TstCliE2e::interruptNeverCutsAnUploadFrame_data() {
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("afterMs");  // after the device took the start notice
    // Block 0's frame: its header, 50 ms, 128 paced bytes; 50 ms; block 1's frame likewise.
    QTest::newRow("at the start notice") << int(SIGINT) << 0;
    QTest::newRow("in block 0's lead") << int(SIGINT) << 25;
    QTest::newRow("in block 0's data") << int(SIGINT) << 120;
    QTest::newRow("SIGTERM in block 0's data") << int(SIGTERM) << 150;
    QTest::newRow("in block 1's data") << int(SIGINT) << 340;
}

void TstCliE2e::interruptNeverCutsAnUploadFrame() {
    // Wherever the interrupt falls, a frame begun is written whole: every block frame the device
    // takes in holds the file's block, nothing arrives as bytes that form no frame, and the end
    // notice comes last as a frame of its own.
    QFETCH(int, signal);
    QFETCH(int, afterMs);
    auto device = StartDevice();
    const QByteArray image = UploadImage();
    QProcess* p = Start({"--port", device->slavePath(), "upload", path("valid.bin")});
    const auto pid = static_cast<pid_t>(p->processId());
    device->setFrameCallback([&](const FrameRecord& f) {
        if (f.kind != FrameRecord::Kind::Api || f.code != 10) return;
        QMetaObject::invokeMethod(
            qApp, [&] { QTimer::singleShot(afterMs, qApp, [&] { ::kill(pid, signal); }); });
    });
    // The signal is sent from this thread's event loop.
    QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 30000);
    const Result r = Finish(p);
    QCOMPARE(r.status, 128 + signal);
    auto lastIsEnd = [&] {
        const auto frames = device->frames();
        return !frames.empty() && frames.back().kind == FrameRecord::Kind::Api &&
               frames.back().code == 11;
    };
    // The process has ended, but the device may not have taken in its last bytes yet.
    QTRY_VERIFY_WITH_TIMEOUT(lastIsEnd(), 5000);
    device->setFrameCallback({});
    int starts = 0, ends = 0;
    for (const FrameRecord& f : device->frames()) {
        QVERIFY2(f.kind == FrameRecord::Kind::Api, qPrintable(f.toLogLine()));
        starts += f.code == 10;
        ends += f.code == 11;
        if (f.w && (f.code == 261 || f.code == 262))
            QCOMPARE(f.data, image.mid(f.code == 261 ? 0 : 128, 128));
    }
    QCOMPARE(starts, 1);
    QCOMPARE(ends, 1);
}

QTEST_GUILESS_MAIN(TstCliE2e)
#include "tst_cli_e2e.moc"
