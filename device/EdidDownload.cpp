#include "device/EdidDownload.h"

#include <algorithm>

#include "device/DeviceApi.h"
#include "device/EdidFileSteps.h"
#include "device/OperationGuard.h"
#include "link/LinkView.h"

namespace varnok {
namespace {

// Sends one block read (W = 0, count 128), pauses, and takes the 128 data bytes into dest when
// the answer came exactly.
bool ReadBlock(DeviceLink& link, uint16_t code, uint32_t pauseMs, uint8_t* dest) {
    link.SendApiCommand(0, code, kBlockSize);
    link.WaitAnswerMs(pauseMs);
    if (link.operationLost() || !BlockAnswerExact(link)) return false;
    std::copy_n(link.takenAnswer().constData() + kResponseHeader, kBlockSize, dest);
    return true;
}

// Reads both blocks of the source into image; the first block that fails ends it.
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
    const uint32_t size = link.LastApiCount + kResponseHeader;
    // The device may hold an invalid EDID, so the bytes are not judged; only how they came. More
    // bytes than the answer mean noise on the line or a stray answer, and nothing tells which of
    // them are the EDID's.
    return answer.size() == qsizetype(size) && uint8_t(answer[0]) == kResponseLead &&
           link.bytesSinceCommand() == size;
}

DownloadResult DownloadDeviceEdid(DeviceLink& link, LinkView& log, EdidSource source,
                                  const QString& path) {
    // After a Disconnect in its pauses nothing more of the download is sent, and its reads fail.
    // The end notice goes out on every path, also after a time-out; while connected it leaves
    // status polling on.
    const OperationGuard guard(link);
    // Checked before anything is asked of the device; the bytes are saved only once both blocks
    // came whole, and a save that fails leaves an existing file as it was.
    if (const SaveResult target = PrepareEdidSave(path, log); !target.is(SaveOutcome::Saved))
        return {DownloadOutcome::OpenFailed, target.reason, std::nullopt};

    link.disablePoll();
    EdidImage image{};
    const DownloadOutcome read = ReadSource(link, DownloadSourceFor(source), image);
    if (read != DownloadOutcome::Saved) {
        log.logAppend(QStringLiteral("API Timeout.\r\n"));
        return {read, {}, std::nullopt};
    }
    if (const SaveResult saved = FinishEdidSave(path, image, log); !saved.is(SaveOutcome::Saved))
        return {DownloadOutcome::WriteFailed, saved.reason, image};
    return {DownloadOutcome::Saved, {}, image};
}

}  // namespace varnok
