// A firmware update of either ISP kind against a loader that answers as the input scripts. The
// update must end within the protocols' own limits, give the link back in API mode with the
// receive tick as it found it, say how it ended, and send only what the image file holds, at the
// places the ROM layout gives it.
//
// Input: a setup byte (bit 0 the ISP kind: 0 the page protocol, 1 the "ISP029" block protocol;
// bit 1 verification; bit 2 the receive tick running before; bits 5..3 the image file; bits 7..6
// how long an idle pass waits: 1, 5, 40 or 150 ms), then the loader's directives
// (ScriptedLoader.h).

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "firmware/FirmwareView.h"
#include "firmware/Isp029Update.h"
#include "firmware/IspUpdate.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/ScriptedLoader.h"
#include "link/DeviceLink.h"

namespace varnok::fuzz {
namespace {

// Image files the updates read, made once per process: an image as long as the page layout, a
// short one, a few blocks, one byte, an empty file and a path that does not exist.
struct ImageFiles {
    QTemporaryDir dir;
    QList<QString> paths;
    QList<QByteArray> contents;

    ImageFiles() {
        const int sizes[] = {0x1F600, 0x1500, 300, 1, 0};
        for (int size : sizes) {
            QByteArray bytes(size, '\0');
            for (int i = 0; i < size; ++i) bytes[i] = char((i * 7 + (i >> 8) * 13 + 1) & 0xFF);
            const QString path = dir.filePath(QStringLiteral("fw%1.bin").arg(size));
            QFile f(path);
            FuzzRequire(f.open(QIODevice::WriteOnly) && f.write(bytes) == size,
                        "cannot write the fuzz image files");
            paths << path;
            contents << bytes;
        }
        paths << dir.filePath(QStringLiteral("missing.bin"));
        contents << QByteArray();
    }

    // File bytes from offset, 0xFF past the end.
    static QByteArray slice(const QByteArray& file, qint64 offset, int length) {
        QByteArray out = offset < file.size() ? file.mid(qsizetype(offset), length) : QByteArray();
        out.append(length - out.size(), char(0xFF));
        return out;
    }
};

const char* lastOutcome = "";

const char* OutcomeName(IspUpdate::Result r) {
    switch (r) {
        case IspUpdate::Result::OpenFailed:
            return "OpenFailed";
        case IspUpdate::Result::Done:
            return "Done";
        case IspUpdate::Result::ConfirmTimeout:
            return "ConfirmTimeout";
        case IspUpdate::Result::SyncTimeout:
            return "SyncTimeout";
        case IspUpdate::Result::PageFailed:
            return "PageFailed";
        case IspUpdate::Result::PortLost:
            return "PortLost";
    }
    return "?";
}

const char* OutcomeName(Isp029Update::Result r) {
    switch (r) {
        case Isp029Update::Result::OpenFailed:
            return "OpenFailed";
        case Isp029Update::Result::BadSize:
            return "BadSize";
        case Isp029Update::Result::Done:
            return "Done";
        case Isp029Update::Result::Refused:
            return "Refused";
        case Isp029Update::Result::PortLost:
            return "PortLost";
    }
    return "?";
}

ImageFiles& Files() {
    static ImageFiles files;
    return files;
}

class QuietLinkView : public LinkView {
public:
    void logAppend(const QString&) override {}
    void logAddLine(const QString&) override {}
    void logReplace(const QString&) override {}
    void showUploadProgress(int) override {}
};

class ProgressView : public FirmwareView {
public:
    bool verify = true;
    int last = -1;  // the last progress shown
    bool anyOutOfRange = false;

    void showProgress(int percent) override {
        last = percent;
        anyOutOfRange |= percent < 0 || percent > 100;
    }
    bool verifyChecked() const override { return verify; }
    void logAppend(const QString&) override {}
    void logAddLine(const QString&) override {}
    void logReplace(const QString&) override {}
    void updateRunning(bool) override {}
};

// The page protocol: every page written where the layout puts it, with the file's bytes, never
// backwards; a finished update wrote all 243 pages.
void CheckPages(const ScriptedLoader& loader, const QByteArray& file, bool done) {
    QSet<int> written;
    int previous = -1;
    for (const PageWrite& w : loader.pageWrites) {
        FuzzRequire(w.bank >= 0 && w.bank <= 2 && w.address % 512 == 0, "page address");
        if (w.bank == 0)
            FuzzRequire(w.address < 0x7000 || w.address >= 0x8000, "page written in the hole");
        else
            FuzzRequire(w.address >= 0x8000, "page below a bank's window");
        if (w.bank == 2) FuzzRequire(w.address <= 0xF400, "page past the last one");
        const int linear = w.bank << 16 | w.address;
        FuzzRequire(linear >= previous, "pages written out of order");
        previous = linear;
        const qint64 offset = qint64(w.address) + 0x8000 * w.bank;
        FuzzRequire(w.data == ImageFiles::slice(file, offset, 512), "page bytes not the file's");
        written.insert(linear);
    }
    if (done) FuzzRequire(written.size() == 243, "update finished with pages missing");
}

// The block protocol: START for the file's block count, blocks in order with the file's bytes
// and their checksums, END only after the last block; a finished update sent them all.
void CheckBlocks(const ScriptedLoader& loader, const QByteArray& file, bool done) {
    const int blocks = int((file.size() + 127) / 128);
    int next = 0;  // the highest block sent so far + 1
    bool ended = false;
    for (int i = 0; i < loader.blockCommands.size(); ++i) {
        const QByteArray& c = loader.blockCommands[i];
        const uint8_t code = uint8_t(c[0]);
        // END may be sent again when it goes unanswered, but nothing else follows it.
        FuzzRequire(!ended || code == 0xB2, "command after END");
        if (code == 0xB2) {
            FuzzRequire(next == blocks && uint8_t(c[1]) == 0x4D, "END before the last block");
            ended = true;
            continue;
        }
        const uint8_t hi = uint8_t(c[1]), lo = uint8_t(c[2]);
        FuzzRequire(uint8_t(c[3]) == uint8_t(~hi) && uint8_t(c[4]) == uint8_t(~lo), "complement");
        const int n = hi << 8 | lo;
        if (code == 0xB0) {
            FuzzRequire(next == 0 && n == blocks, "START with another block count");
            continue;
        }
        FuzzRequire(i > 0, "BLOCK before START");
        FuzzRequire(n <= next && n >= next - 1, "blocks out of order");
        next = std::max(next, n + 1);
        FuzzRequire(c.mid(5, 128) == ImageFiles::slice(file, qint64(n) * 128, 128),
                    "block bytes not the file's");
        uint8_t sum = 0;
        for (int k = 5; k < 134; ++k) sum = uint8_t(sum + uint8_t(c[k]));
        FuzzRequire(sum == 0, "block checksum");
    }
    if (done) FuzzRequire(ended && next == blocks, "update finished without every block");
}

}  // namespace

const char* LastIspOutcome() {
    return lastOutcome;
}

int FuzzIspLoop(const uint8_t* data, size_t size) {
    ImageFiles& files = Files();
    FuzzInput in(data, size);
    const uint8_t setup = in.byte();
    const int variant = setup & 1;
    const bool tickWasRunning = setup & 4;
    const int fileIndex = ((setup >> 3) & 7) % int(files.paths.size());

    QuietLinkView linkView;
    DeviceLink link(linkView);
    VirtualIspClock clock;
    clock.link = &link;
    const uint32_t idleSteps[] = {1, 5, 40, 150};
    clock.idleStep = idleSteps[setup >> 6];
    auto* loader = new ScriptedLoader(in, clock, link, variant);
    link.ComPort.reset(loader);
    clock.loader = loader;
    link.LinkFlags = IspMode;
    link.IspVariant = uint8_t(variant);
    link.setConnectionState(ConnectionState::Isp);
    if (tickWasRunning) link.Timer_UART_Rx->start();
    loader->banner();

    ProgressView view;
    view.verify = setup & 2;
    const QString& path = files.paths[fileIndex];
    bool done = false;
    bool nothingToSend = false;
    if (variant == 0) {
        IspUpdate update(link, view, clock);
        const IspUpdate::Result r = update.run(path);
        lastOutcome = OutcomeName(r);
        done = r == IspUpdate::Result::Done;
        nothingToSend = r == IspUpdate::Result::OpenFailed;
    } else {
        Isp029Update update(link, view, clock);
        const Isp029Update::Result r = update.run(path);
        lastOutcome = OutcomeName(r);
        done = r == Isp029Update::Result::Done;
        nothingToSend = r == Isp029Update::Result::OpenFailed || r == Isp029Update::Result::BadSize;
    }

    FuzzRequire(link.LinkMode == kLinkModeApi, "update left LinkMode other than 8");
    FuzzRequire(link.Timer_UART_Rx->isActive() == tickWasRunning, "receive tick not restored");
    FuzzRequire(link.RxLength <= uint32_t(kRxBufferSize), "RxLength past the buffer");
    FuzzRequire(!view.anyOutOfRange, "progress outside 0%..100%");
    if (done) FuzzRequire(view.last == 100, "finished, not at 100%");
    if (nothingToSend)
        FuzzRequire(loader->pageWrites.isEmpty() && loader->blockCommands.isEmpty() &&
                        loader->bankSelects.isEmpty(),
                    "bytes sent for a file that cannot be sent");
    const QByteArray& file = files.contents[fileIndex];
    if (variant == 0)
        CheckPages(*loader, file, done);
    else
        CheckBlocks(*loader, file, done);
    link.Timer_UART_Rx->stop();
    return 0;
}

}  // namespace varnok::fuzz
