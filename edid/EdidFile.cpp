// The .bin form of an EDID: the 256 image bytes, byte 0 first, nothing else.

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "Edid.h"

namespace varnok {

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes) {
    // Only a regular file is read: opening a FIFO would wait for a writer that never comes, and
    // the window with it.
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    bytes.resize(maxBytes);
    qint64 got = 0;
    while (got < maxBytes) {
        const qint64 n = file.read(bytes.data() + got, maxBytes - got);
        if (n <= 0) {
            break;  // the end, or a read error: what was read so far stands
        }
        got += n;
    }
    bytes.truncate(got);
    return true;
}

bool ReadEdidFile(const QString& path, EdidImage& image) {
    QByteArray bytes;
    if (!ReadRegularFile(path, kEdidSize, bytes)) {
        return false;
    }
    // A short file is not an error: the missing bytes read as 0xFF, as an erased EEPROM does.
    // The size is never judged here; validation alone decides what the bytes are worth.
    image.fill(0xFF);
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return true;
}

int EdidByteCount(const EdidImage& image) {
    const bool unused = image[126] == 0 && std::all_of(image.begin() + kBlockSize, image.end(),
                                                       [](uint8_t b) { return b == 0xFF; });
    return unused ? kBlockSize : kEdidSize;
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
