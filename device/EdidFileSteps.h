#pragma once
// The file steps of the device pages as the debug log tells them, once for every operation that
// opens or saves an EDID file: the Controller page's Upload and Download, the analyzer's
// "Bin File" and the creator's Save.

#include <QString>

#include "base/Result.h"
#include "edid/EdidInfo.h"
#include "edidio/EdidSave.h"
#include "edidio/FileRead.h"

namespace varnok {

class LinkView;

// Reads the file at path by the device's file rule (256 bytes, 0xFF past the end). The log's
// whole text becomes "Edid Open OK.\r\n", or "Edid Open Fail.\r\n" when the file can't be opened.
Result<ReadOutcome, EdidImage> OpenEdidFileLogged(const QString& path, LinkView& log);

// The checked save in two steps, so that a download asks the device for nothing before it knows
// its file can be created. Prepare: the log's whole text becomes "Edid Open Fail.\r\n" when no
// file can be created at path (OpenFailed, with the system's reason), "Edid Open OK.\r\n" when
// one can. Finish: the bytes are saved, and an existing file is replaced only once all 256 are
// safely beside it; a save that could not be completed appends "Edid Write Fail.\r\n", the
// system's reason on a line of its own, and is WriteFailed, whichever of its steps failed.
SaveResult PrepareEdidSave(const QString& path, LinkView& log);
SaveResult FinishEdidSave(const QString& path, const EdidImage& image, LinkView& log);

}  // namespace varnok
