#pragma once
// Every outcome of an operation in the user's words, once for both front ends: the window's
// status bar shows the text (red for a failure), varnok-cli writes it (a failure on stderr) and
// puts the code in its JSON result. Each code is stable: scripts may rely on it.
//
// The captions the device window shows (Label1, Label2, Label3, the debug log, the specified
// message boxes) are not here: they stay the window's own.

#include <QList>
#include <QString>

#include "device/AnalyzerRead.h"
#include "device/DeviceSearch.h"
#include "device/EdidDownload.h"
#include "device/EdidStores.h"
#include "device/EdidUpload.h"
#include "edid/EdidHexText.h"
#include "edid/EdidInfo.h"
#include "edidio/EdidLoad.h"
#include "edidio/EdidSave.h"
#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareOperations.h"

namespace varnok {

struct OutcomeText {
    QString text;
    bool failure = false;  // shown in red; varnok-cli's message
    QString code = {};     // "download.saved", "upload.differs", ...; none for a passing status
};

// The reason an image is refused: the device's words for the failed check, then each check that
// fails with what was found ("Illegal Edid CheckSum0. Block 0's checksum byte 127 is ...").
QString RefusalWords(const EdidImage& image);

// An EDID the workbench's one loader did not take from `what` (a path, a display): the reason
// of the loader ("300 bytes: an EDID is a multiple of 128 bytes", "No such file or directory").
OutcomeText LoadWords(LoadOutcome outcome, const QString& reason, const QString& what);

// Pasted or piped hex text read as an EDID (the EDID window's paste, varnok-cli's import-hex),
// or why it is none.
OutcomeText HexTextWords(const EdidHexText& parsed);

// The EDID window's sources and actions: a file opened, a display's EDID taken, the creator's
// last built EDID (or none yet), a device source asked for without a device, hex text copied.
OutcomeText FileOpenedWords(const QString& path);
OutcomeText DisplayTakenWords(const QString& origin, int bytes);
// "No display of this computer reports an EDID".
QString NoDisplayEdidWords();
OutcomeText CreatorImageWords(bool built);
OutcomeText NoDeviceWords();
OutcomeText HexCopiedWords(int bytes);

// A download of source to path; the image it read tells whether a saved EDID is valid.
OutcomeText DownloadWords(EdidSource source, const DownloadResult& result, const QString& path);

// An upload of what (a path, "the creator", a display, ...), read back when it was verified.
OutcomeText UploadWords(const UploadResult& result, const QString& what);
// The creator's Upload stopped by a number field (its message).
OutcomeText CreatorNotBuiltWords(const QString& error, bool upload);

// The EDID Controller's Open: the file chosen for upload, or nothing chosen.
OutcomeText OpenForUploadWords(bool chosen, const QString& path);

// The analyzer's read of a device EDID.
OutcomeText AnalyzerReadWords(EdidSource source, const AnalyzerResult& result);

// The analyzer's "Bin File" (and an analysis of a file on the command line): cancelled, the file
// not opened, or the file's EDID reported.
enum class FileStep { Cancelled, OpenFailed, Read };
OutcomeText AnalyzerFileWords(FileStep step, const QString& path, const EdidImage& image);

// The creator's loads: the built-in default ("Brand New"), or a file ("Bin Modifiy").
OutcomeText CreatorDefaultWords();
OutcomeText CreatorFileWords(FileStep step, const QString& path, const EdidImage& image);

// The checked save of `what` ("EDID", "Created EDID"), `bytes` bytes, to path: the EDID window's
// Save, the creator's Save, varnok-cli's import-hex and displays --save. The reason comes from
// the result.
OutcomeText EdidSaveWords(const SaveResult& result, const QString& path, const QString& what,
                          int bytes);
// A save dialog cancelled: the creator's Save, or the EDID window's.
OutcomeText SaveCancelledWords(bool creator);

// The reason a port of a search was not taken, or what was found there: "cannot be opened:
// Permission denied", "a device with the ID 'ABC' answered", "the device in ISP mode".
QString ProbeWords(const PortProbe& probe);
// The port and its probe's words: "ttyUSB0: no device answered".
QString PortWords(const PortProbe& probe);
// A search that has ended: each port tried, in order; model is the name the device told.
OutcomeText SearchWords(const QList<PortProbe>& probes, const QString& model);
// A search of one named port (varnok-cli's --port) that took no device there.
OutcomeText PortSearchWords(const PortProbe& probe);
// Disconnect pressed, or the link dropped by the watchdog or a port error.
OutcomeText DisconnectWords(bool lost);
// A command that needs the device's API found it in ISP mode.
OutcomeText IspOnlyWords(const QString& port);

// The firmware page's Open of the file at path (the version in the result).
OutcomeText FirmwareOpenWords(const FirmwareCheckResult& check, const QString& path);
// What stands behind "programmed": each page read back and compared (the tagged device kind with
// "With Verification"), every block acknowledged (the ISP029 kind), or neither.
enum class FirmwareProof { None, ReadBack, Acknowledged };
// An Update of the file at path (version as Open found it).
OutcomeText FirmwareUpdateWords(const FirmwareResult& result, const QString& path,
                                const QString& version, FirmwareProof proof);

// A device action asked for while another operation runs: nothing was done.
OutcomeText BusyWords();

// The EDID mode as a word: internal, external, user, or "unknown (N)".
QString EdidModeWord(uint8_t mode);

}  // namespace varnok
