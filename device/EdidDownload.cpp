#include "device/EdidDownload.h"

#include <algorithm>

#include "edid/Edid.h"
#include "edidio/EdidSave.h"
#include "link/DeviceLink.h"
#include "link/Dialogs.h"

namespace varnok {
namespace {

constexpr int kAnswerHeader = 3;  // lead byte and two bytes the host ignores
const QString kOpenFail = QStringLiteral("Edid Open Fail.\r\n");
const QString kOpenOk = QStringLiteral("Edid Open OK.\r\n");
const QString kApiTimeout = QStringLiteral("API Timeout.\r\n");
const QString kWriteFail = QStringLiteral("Edid Write Fail.\r\n");

// Sends one block read (W = 0, count 128), pauses, and takes the 128 data bytes into dest when
// the answer came exactly.
bool ReadBlock(DeviceLink& link, uint16_t code, uint32_t pauseMs, uint8_t* dest) {
    link.SendApiCommand(0, code, kBlockSize);
    link.WaitMs(pauseMs);
    if (link.operationLost() || !BlockAnswerExact(link)) return false;
    std::copy_n(link.takenAnswer().constData() + kAnswerHeader, kBlockSize, dest);
    return true;
}

// Reads both blocks of the source into image; false at the first block that fails.
DownloadOutcome ReadSource(DeviceLink& link, const DownloadSource& src, EdidImage& image) {
    if (src.selector) {
        const uint8_t sel = *src.selector;
        link.SendApiCommand(1, api_code::EdidSelect, 1, &sel);
        if (link.WaitApiResponse(20)) return DownloadOutcome::NotAcknowledged;
    }
    // The reads take longer than a watchdog period without a status poll in between.
    link.WatchdogTicks = 0;
    if (!ReadBlock(link, src.block0Code, src.pauseMs, image.data()) ||
        !ReadBlock(link, src.block1Code, src.pauseMs, image.data() + kBlockSize))
        return DownloadOutcome::ReadFailed;
    return DownloadOutcome::Saved;
}

// reason: why the file could not be created or saved, when that is how the download failed.
DownloadOutcome Download(DeviceOpsContext& ctx, EdidSource source, QString& reason) {
    DeviceLink& link = ctx.link;
    const DownloadSource& src = DownloadSourceFor(source);
    const auto path = ctx.dialogs.executeSave(QString::fromLatin1(src.defaultFileName));
    if (!path) return DownloadOutcome::Cancelled;

    // Checked before anything is asked of the device; the bytes are saved only once both blocks
    // came whole, and a save that fails leaves an existing file as it was.
    if (const SaveResult target = CheckEdidTarget(*path); !target.is(SaveOutcome::Saved)) {
        reason = target.reason;
        ctx.view.logReplace(kOpenFail);
        return DownloadOutcome::OpenFailed;
    }
    ctx.view.logReplace(kOpenOk);

    link.disablePoll();
    EdidImage image{};
    const DownloadOutcome read = ReadSource(link, src, image);
    if (read != DownloadOutcome::Saved) {
        ctx.view.logAppend(kApiTimeout);
        return read;
    }
    // Only a whole, acknowledged read reaches the store; its status and decoded fields stay.
    ctx.stores.forSource(source).image = image;

    if (const SaveResult saved = SaveEdidFile(*path, image); !saved.is(SaveOutcome::Saved)) {
        reason = saved.reason;
        ctx.view.logAppend(kWriteFail + QStringLiteral("  ") + reason + QStringLiteral("\r\n"));
        return DownloadOutcome::WriteFailed;
    }
    return DownloadOutcome::Saved;
}

}  // namespace

const DownloadSource& DownloadSourceFor(EdidSource source) {
    using namespace api_code;
    static const DownloadSource kInternal{"Internal_Edid.bin", 0xFF, EdidBlock0, EdidBlock1, 200};
    static const DownloadSource kExternal{"External_Edid.bin", std::nullopt, ExternalBlock0,
                                          ExternalBlock1, 200};
    static const DownloadSource kUser{"User_Edid.bin", 0x00, EdidBlock0, EdidBlock1, 300};
    static const DownloadSource kStored{"Stored_Edid.bin", 0x55, EdidBlock0, EdidBlock1, 200};
    switch (source) {
        case EdidSource::Internal:
            return kInternal;
        case EdidSource::External:
            return kExternal;
        case EdidSource::User:
            return kUser;
        case EdidSource::Stored:
            break;
    }
    return kStored;
}

bool BlockAnswerExact(DeviceLink& link) {
    // Bytes that arrived late in the pause count too, not only those of the last receive tick.
    link.collectNow();
    const QByteArray& answer = link.takenAnswer();
    const uint32_t size = link.LastApiCount + kAnswerHeader;
    // The device may hold an invalid EDID, so the bytes are not judged; only how they came. More
    // bytes than the answer mean noise on the line or a stray answer, and nothing tells which of
    // them are the EDID's.
    return answer.size() == qsizetype(size) && uint8_t(answer[0]) == kResponseLead &&
           link.bytesSinceCommand() == size;
}

DownloadOutcome DownloadDeviceEdid(DeviceOpsContext& ctx, EdidSource source) {
    // After a Disconnect in its pauses nothing more of the download is sent, and its reads fail.
    const BoundOperation bound(ctx.link);
    ctx.link.SendApiCommand(1, api_code::OperationStart, 0);
    QString reason;
    const DownloadOutcome outcome = Download(ctx, source, reason);
    // Sent on every path, also after a time-out; while connected it leaves status polling on.
    ctx.link.SendApiCommand(1, api_code::OperationEnd, 0);
    // A window that is closing shows no box.
    if (ctx.link.shuttingDown()) return outcome;
    // A file that could not be created or completed is told with the system's reason.
    if (outcome == DownloadOutcome::OpenFailed || outcome == DownloadOutcome::WriteFailed)
        ctx.dialogs.showError(kDownloadFailedText + QLatin1Char('\n') + reason);
    else if (outcome != DownloadOutcome::Saved && outcome != DownloadOutcome::Cancelled)
        ctx.dialogs.showError(kDownloadFailedText);
    return outcome;
}

}  // namespace varnok
