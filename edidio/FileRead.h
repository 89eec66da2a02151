#pragma once
// Reading files without ever waiting on one that is not a file: the readers take a QIODevice,
// and the path wrappers open only regular files (a FIFO would wait for a writer that never
// comes, a device might never end) and record the system's reason where the open fails, so a
// caller never has to look at the path again to say why.

#include <QByteArray>
#include <QFile>
#include <QString>

#include "base/Result.h"
#include "edid/EdidInfo.h"

namespace varnok {

enum class ReadOutcome {
    Read,        // the bytes are in the data
    OpenFailed,  // no regular file, or it can't be opened; the reason says why
};

// Opens path for reading when it is a regular file. The reason of a failure is the system's:
// "No such file or directory", "Is a directory", "Not a regular file", "Permission denied".
Result<ReadOutcome> OpenRegularFile(QFile& file, const QString& path);

// Reads at most maxBytes from where `in` stands, to its real end (sysfs files state a size of
// 0). A read error after some bytes leaves the bytes read so far.
QByteArray ReadAtMost(QIODevice& in, qint64 maxBytes);

// OpenRegularFile, then ReadAtMost.
Result<ReadOutcome, QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);

// The device's own file rule, which the window's specified pages keep (the Controller page's
// Upload, the analyzer's "Bin File", the creator's "Bin Modifiy"): exactly 256 bytes, those past
// the end of a short file read as 0xFF (an erased EEPROM), those past 256 are ignored. The size
// is never judged; validation alone decides what the bytes are worth.
EdidImage ReadEdidImage(QIODevice& in);
Result<ReadOutcome, EdidImage> ReadEdidFile(const QString& path);

}  // namespace varnok
