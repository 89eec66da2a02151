#pragma once
// The checked writer: every save of an EDID file goes through here. The bytes go to a temporary
// file beside the target, are flushed and their size checked, and only then does the temporary
// file replace the target: a save that fails (a full disk, a name too long for the temporary
// name beside it) leaves an existing file exactly as it was, and says why in the system's words.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "base/Result.h"
#include "edid/EdidInfo.h"

namespace varnok {

enum class SaveOutcome {
    Saved,
    OpenFailed,   // the target can't be created (no folder, no permission, a name too long)
    WriteFailed,  // the bytes could not all be written; an existing file is unchanged
};
using SaveResult = Result<SaveOutcome>;

// Writes bytes to out (open for writing) and makes sure they all arrived: a file device is
// flushed, since a buffered write fails on a full disk only when flushed, and a device that
// knows its size must hold exactly the bytes.
SaveResult WriteEdidBytes(QIODevice& out, const QByteArray& bytes);

// Saves bytes (or the 256 bytes of an image) as the file at path.
SaveResult SaveEdidFile(const QString& path, const QByteArray& bytes);
SaveResult SaveEdidFile(const QString& path, const EdidImage& image);

// Whether a file can be created at path, checked without touching an existing one: a download
// asks this before it asks the device for anything.
SaveResult CheckEdidTarget(const QString& path);

}  // namespace varnok
