// The .bin form of an EDID: the 256 image bytes, byte 0 first, nothing else.

#include <QFile>
#include <QFileInfo>

#include "Edid.h"

namespace varnok {

bool ReadEdidFile(const QString& path, EdidImage& image) {
    // Only a regular file is an EDID file: opening a FIFO would wait for a writer that never
    // comes, and the window with it.
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // A short file is not an error: the missing bytes read as 0xFF, as an erased EEPROM does.
    // The size is never judged here; validation alone decides what the bytes are worth.
    EdidImage read;
    read.fill(0xFF);
    const qint64 got = file.read(reinterpret_cast<char*>(read.data()), kEdidSize);
    if (got < 0) {
        // A read error after a successful open counts as an empty file.
        read.fill(0xFF);
    }
    image = read;
    return true;
}

bool WriteEdidFile(const QString& path, const EdidImage& image) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const qint64 written = file.write(reinterpret_cast<const char*>(image.data()), kEdidSize);
    const bool flushed = file.flush();
    file.close();
    return written == kEdidSize && flushed && file.error() == QFileDevice::NoError;
}

}  // namespace varnok
