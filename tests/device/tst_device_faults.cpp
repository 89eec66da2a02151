// The window's device operations when the line, the disk or the user lets them down, end to end
// against the emulated device on a real pseudo-terminal: a full file system under a save.
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "DeviceLink.h"
#include "EmulatedDevice.h"
#include "FormFixture.h"
#include "PortListers.h"

using namespace varnok;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// The window connected to emulated devices (one per listed port) through its Search button.
struct Rig {
    std::vector<std::unique_ptr<EmulatedDevice>> devices;
    std::unique_ptr<FormFixture> f;

    explicit Rig(const std::vector<EmulatorConfig>& configs) {
        auto ports = std::make_unique<FixedPortLister>();
        int n = 1;
        for (const auto& c : configs) {
            auto d = std::make_unique<EmulatedDevice>(c);
            QString err;
            if (!d->start(&err)) qFatal("emulator: %s", qPrintable(err));
            ports->addPort(QStringLiteral("EMU%1").arg(n++), d->slavePath());
            devices.push_back(std::move(d));
        }
        f = std::make_unique<FormFixture>(std::move(ports));
        f->form->show();
    }
    ~Rig() {
        f.reset();
        for (auto& d : devices) d->stop();
    }
    template <typename T>
    T* find(const char* name) const {
        return f->find<T>(QString::fromLatin1(name));
    }
    void click(const char* name) const { find<QPushButton>(name)->click(); }
    bool connect() const {
        click("BitBtn_Search");
        return find<QPushButton>("Button_DL_IntEdid")->isEnabled();
    }
    EmulatedDevice& dev() const { return *devices.front(); }
};

// A small tmpfs, mounted for one test and filled to the last byte; unmounted when it goes.
struct FullDisk {
    QTemporaryDir dir;
    bool mounted = false;
    explicit FullDisk(const QStringList& filesToKeep) {
        if (!dir.isValid() || ::geteuid() != 0) return;
        mounted =
            ::mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=16k") == 0;
        if (!mounted) return;
        for (const QString& name : filesToKeep) WriteAll(dir.filePath(name), QByteArray(256, 'k'));
        QFile filler(dir.filePath("filler"));
        if (filler.open(QIODevice::WriteOnly))
            while (filler.write(QByteArray(512, 0)) == 512 && filler.flush()) {
            }
    }
    ~FullDisk() {
        if (mounted) ::umount2(dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
};

}  // namespace

class DeviceFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void fullDiskKeepsTheFiles();
};

void DeviceFaultsTest::fullDiskKeepsTheFiles() {
    if (::geteuid() != 0) QSKIP("mounting a small tmpfs needs root");
    FullDisk disk({"Internal_Edid.bin", "Created_Edid.bin"});
    if (!disk.mounted) QSKIP("tmpfs could not be mounted here");
    Rig r({EmulatorConfig{}});
    QVERIFY(r.connect());
    const QString downloaded = disk.dir.filePath("Internal_Edid.bin");
    const QString created = disk.dir.filePath("Created_Edid.bin");

    r.f->dialogs->saveAnswers = {downloaded};
    r.click("Button_DL_IntEdid");
    QTest::mouseClick(r.find<QRadioButton>("RadioButton_Brand_New"), Qt::LeftButton);
    r.f->dialogs->saveAnswers = {created};
    r.click("Button_Save_Created");

    QCOMPARE(ReadAll(downloaded), QByteArray(256, 'k'));
    QCOMPARE(ReadAll(created), QByteArray(256, 'k'));
    const QString reason = QStringLiteral("\nNo space left on device");
    QCOMPARE(r.f->dialogs->errors,
             (QStringList{"Download Edid Failed." + reason, "Save Edid Failed." + reason}));
    QVERIFY(r.f->form->debugLogText().startsWith("Edid Open OK.\r\nEdid Write Fail.\r\n"));
    QStringList left = QDir(disk.dir.path()).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QCOMPARE(left, (QStringList{"Created_Edid.bin", "Internal_Edid.bin", "filler"}));
}

VARNOK_TEST_MAIN(DeviceFaultsTest)
#include "tst_device_faults.moc"
