#pragma once
// The last outcome of an operation in the user's words, one line for the window's status bar,
// with the file path where there is one. Widget-free: the pages pass what their operation
// returned, never the debug log's text.

#include <QString>

#include "device/AnalyzerRead.h"
#include "device/EdidDownload.h"
#include "device/EdidStores.h"
#include "device/EdidUpload.h"
#include "device/EdidVerify.h"
#include "edid/EdidInfo.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareOperations.h"
#include "link/DeviceSearch.h"

namespace varnok {

struct OutcomeText {
    QString text;
    bool failure = false;  // shown in red
};

OutcomeText DownloadWords(EdidSource source, DownloadOutcome outcome, const QString& path);

// The Controller page's Upload of the file at path; image is what was read from it (the reason
// of a refusal is told from it).
OutcomeText UploadFileWords(UploadOutcome outcome, const QString& path, const EdidImage& image);

// The EDID Controller's Open: the file chosen for upload, or nothing chosen.
OutcomeText OpenForUploadWords(bool chosen, const QString& path);

// The analyzer's read of a device EDID; image is the store it read into.
OutcomeText AnalyzerReadWords(EdidSource source, const AnalyzerReadResult& result,
                              const EdidImage& image);

// The analyzer's "Bin File": cancelled, the file not opened, or the file's EDID reported.
enum class FileStep { Cancelled, OpenFailed, Read };
OutcomeText AnalyzerFileWords(FileStep step, const QString& path, const EdidImage& image);

// The creator's loads: the built-in default ("Brand New"), or a file ("Bin Modifiy").
OutcomeText CreatorDefaultWords();
OutcomeText CreatorFileWords(FileStep step, const QString& path, const EdidImage& image);

// The creator's Save: cancelled, refused by a number field, the file not created, not completed
// (detail holds the number field's message or the system's reason), or saved.
enum class SaveStep { Cancelled, NotBuilt, OpenFailed, WriteFailed, Saved };
OutcomeText CreatorSaveWords(SaveStep step, const QString& path, const QString& detail = {});

// The creator's Upload: refused by a number field (NotBuilt with error), refused as invalid
// (image tells why), the link lost, or sent.
enum class CreatorUploadStep { NotBuilt, Invalid, LinkLost, Uploaded };
OutcomeText CreatorUploadWords(CreatorUploadStep step, const EdidImage& image,
                               const QString& error = {});

// A search that has ended: each port tried, in order; model is the name the device told.
OutcomeText SearchWords(const QList<PortProbe>& probes, const QString& model);
// Disconnect pressed, or the link dropped by the watchdog or a port error.
OutcomeText DisconnectWords(bool lost);

// The firmware page's Open of the file at path; version is its tag's text when it has one.
OutcomeText FirmwareOpenWords(FirmwareCheck::Outcome outcome, const QString& path,
                              const QString& version);
// An Update of the file at path (version as Open found it); verified: the read-back of every
// page was compared (the tagged device kind with "With Verification" ticked).
OutcomeText FirmwareUpdateWords(FirmwareOutcome outcome, const QString& path,
                                const QString& version, bool verified);

// The EDID window's upload of image, then its read-back (back) compared with it.
OutcomeText VerifiedUploadWords(UploadOutcome outcome, const UserEdidCheck& back,
                                const EdidImage& image);

// A device action asked for while another operation runs: nothing was done.
OutcomeText BusyWords();

// The reason an image is refused, as ValidationMessage and the checks that failed.
QString RefusalWords(const EdidImage& image);

}  // namespace varnok
