// The .bin form of an EDID: the 256 image bytes, byte 0 first, nothing else.

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "edid/Edid.h"

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

QString FileReadFailure(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("No such file or directory");
    if (info.isDir()) return QStringLiteral("Is a directory");
    if (!info.isFile()) return QStringLiteral("Not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return file.errorString();
    return QStringLiteral("Unknown error");
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

namespace {

// The words for a failed save: the system's reason, or what was found wrong.
void Tell(QString* reason, const QString& text) {
    if (reason) *reason = text.isEmpty() ? QStringLiteral("Unknown error") : text;
}

// A file name has at most 255 bytes on the common file systems, and the temporary file beside
// the target takes the target's name plus ".XXXXXX". A longer name would fail only when the
// temporary file is renamed, and with no words for why.
constexpr int kNameMax = 255;
constexpr int kTemporarySuffix = 7;

bool OpenSave(QSaveFile& file, QString* reason) {
    if (file.fileName().isEmpty()) {
        Tell(reason, QStringLiteral("No file name"));
        return false;
    }
    if (QFile::encodeName(QFileInfo(file.fileName()).fileName()).size() >
        kNameMax - kTemporarySuffix) {
        Tell(reason, QStringLiteral("File name too long"));
        return false;
    }
    if (!file.open(QIODevice::WriteOnly)) {
        Tell(reason, file.errorString());
        return false;
    }
    return true;
}

}  // namespace

bool SaveEdidFile(const QString& path, const EdidImage& image, QString* reason) {
    QSaveFile file(path);
    if (!OpenSave(file, reason)) return false;
    // QSaveFile buffers the bytes, and on a full disk the buffered write fails only inside
    // commit(), which would still put the empty temporary file in the target's place. Flushing
    // first brings any such failure out here, where the save can still be cancelled.
    const qint64 written = file.write(reinterpret_cast<const char*>(image.data()), kEdidSize);
    if (written != kEdidSize || !file.flush() || file.error() != QFileDevice::NoError) {
        Tell(reason, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (file.size() != kEdidSize) {
        Tell(reason, QStringLiteral("Only %1 of %2 bytes written").arg(file.size()).arg(kEdidSize));
        file.cancelWriting();
        return false;
    }
    // The temporary file gets its name only now (Linux creates it unnamed); a target name too
    // long for the temporary name beside it fails here, with the target untouched.
    if (!file.commit()) {
        Tell(reason, file.errorString());
        return false;
    }
    return true;
}

bool CanCreateEdidFile(const QString& path, QString* reason) {
    QSaveFile file(path);
    if (!OpenSave(file, reason)) return false;
    file.cancelWriting();
    return true;
}

bool WriteEdidFile(const QString& path, const EdidImage& image) {
    return SaveEdidFile(path, image, nullptr);
}

}  // namespace varnok
